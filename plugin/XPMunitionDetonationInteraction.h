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

// A detonation as any network reports it.
struct DetonationReport {
    bool hasResult = false;
    unsigned result = 0;
    bool namesOwnship = false;  // the target is the ownship as this network names it
    bool hasRelative = false;
    Vector3f relative{};        // in the target's body coordinates
    bool hasLocation = false;
    WorldLocation location{};
};

// The hit test above; `published` is the position the reporting network last
// published of the ownship (null: none yet).
void applyDetonation(const DetonationReport& detonation, const WorldLocation* published);

// Zeroes elements 8, 10, 12, 14 and 16 of the user aircraft's parts array.
void crashOwnship();

}  // namespace volax

#endif
