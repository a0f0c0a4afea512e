#ifndef VOLAX_PLUGIN_TRAFFICVIEW_H
#define VOLAX_PLUGIN_TRAFFICVIEW_H

// The X-Plane side of the traffic picture: each frame, after the manager's
// tick, the picture is advanced, every drawn entity is placed as an
// XPLMInstance of its model in the local frame (XPLMWorldToLocal), and the
// TCAS targets go to the TCAS override. Nothing here runs with TRAFFIC 0.

namespace volax {

// At join: reads the model table and starts loading the models. The AI
// aircraft are taken when the first airborne target is to be shown.
void startTrafficView();
// Every VOLAXTick, after the manager's tick.
void drawTraffic();
// At resign and disable: destroys every instance, clears TCAS and gives the AI
// aircraft back.
void stopTrafficView();
// At disable: unloads the models.
void unloadTrafficModels();
// At stop: loads still under way will never land.
void forgetTrafficModelLoads();
// New scenery was loaded (a scenery shift, an airport): heights of the
// terrain probed before are forgotten.
void trafficSceneryLoaded();
// The AI aircraft became available (the planesAvailable entry point).
void trafficPlanesAvailable();
// Another plugin asks for the AI aircraft (XPLM_MSG_RELEASE_PLANES).
void trafficReleaseRequested(int fromPlugin);
// Remote entities are held: the flight loop must run every frame so that they
// move smoothly.
bool trafficNeedsEveryFrame();

}  // namespace volax

#endif
