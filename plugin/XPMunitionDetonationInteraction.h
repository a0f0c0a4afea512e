#ifndef VOLAX_PLUGIN_XPMUNITIONDETONATIONINTERACTION_H
#define VOLAX_PLUGIN_XPMUNITIONDETONATIONINTERACTION_H

// Receiver of MunitionDetonation: a detonation within 100 m of the ownship
// removes the left wing of the user's aircraft.
//
// Only result codes 1, 2, 5, 17 and 25 (or none at all) can hit. A target
// naming the ownship with a relative location decides by that location alone;
// otherwise the absolute location is compared with the ownship's published
// position. Both tests are strict: exactly 100 m, or NaN, is no hit.

#include "QVHLAMunitionDetonationInteraction.h"

namespace volax {

class XPMunitionDetonationInteraction : public QVHLAMunitionDetonationInteraction {
public:
    void interactionReceived() override;
    void prepareSend() override {}
};

// Hit radius squared, in square metres.
constexpr double kHitRadiusSquare = 100.0 * 100.0;

// Zeroes elements 8, 10, 12, 14 and 16 of the user aircraft's parts array.
void crashOwnship();

}  // namespace volax

#endif
