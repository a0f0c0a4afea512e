#ifndef VOLAX_PLUGIN_LIFECYCLE_H
#define VOLAX_PLUGIN_LIFECYCLE_H

// What the nine entry points of VOLAX.xpl do. The entry points themselves
// (VOLAX.cpp) only add the guard that keeps exceptions out of X-Plane.

#include "XPLMDefs.h"

namespace volax {

int pluginStart(char* name, char* signature, char* description);
void pluginStop();
int pluginEnable();
void pluginDisable();
void receiveMessage(XPLMPluginID from, int message, void* param);
void menuSelect(void* menuRef, void* itemRef);
float flightLoop(float sinceLastCall, float sinceLastFlightLoop, int counter, void* refcon);

void doJoin();
void doResign();

}  // namespace volax

// The registered flight-loop callback (defined with the other entry points).
PLUGIN_API float VOLAXTick(float inElapsedSinceLastCall, float inElapsedTimeSinceLastFlightLoop, int inCounter,
                           void* inRefcon);
// The menu handler.
PLUGIN_API void VOLAXMenuSelect(void* inMenuRef, void* inItemRef);

#endif
