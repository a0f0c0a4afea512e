#ifndef VOLAX_PLUGIN_TRAFFICFEED_H
#define VOLAX_PLUGIN_TRAFFICFEED_H

// The data side of the traffic display: the remote physical entities of the
// federation flow from the RTI (discovery, reflection, removal) into one
// traffic::TrafficPicture, which the display advances and reads every frame.
//
// At join (TRAFFIC 1) the feed subscribes BaseEntity.PhysicalEntity, which
// discovers the instances of every subclass, and files a template whose remote
// objects pass each reflection on to the picture and their removal likewise. At
// most the picture's capacity of remote entities are held: further discoveries
// are refused (one trace line), so a flood of registrations cannot grow memory.

#include "TrafficPicture.h"

namespace volax {

// The plugin's one picture; empty while not joined or with TRAFFIC 0.
traffic::TrafficPicture& trafficPicture();
// TRAFFIC is 1, and the entity classes were subscribed at the last join or DIS
// feeds the picture.
bool trafficActive();
// Seconds on the clock the feed stamps updates with; pass it to advance.
double trafficClock();

// At join (after the manager joined): subscribes the physical entity classes and
// registers their templates, when TRAFFIC is 1.
void startTrafficFeed();
// At resign and disable: removes the templates and empties the picture (of what
// DIS fed it too, unless DIS goes on).
void stopTrafficFeed();

// DIS's Entity State PDUs feed the same picture (DisNetwork.h), when TRAFFIC is 1.
void startDisTraffic();
void stopDisTraffic();

}  // namespace volax

#endif
