#include "XPMunitionDetonationInteraction.h"

#include <cstring>
#include <string>

#include "OwnshipState.h"
#include "PluginState.h"
#include "XPAircraftObject.h"
#include "XPLMDataAccess.h"

namespace volax {

namespace {

bool canHit(unsigned code) { return code == 1 || code == 2 || code == 5 || code == 17 || code == 25; }

}  // namespace

void XPMunitionDetonationInteraction::interactionReceived() {
    DetonationReport d;
    d.hasResult = detonationResultCodeReceived;
    d.result = detonationResultCode;
    if (targetObjectIdentifierReceived) {
        const std::string& target = targetObjectIdentifier;
        std::string myName = ownship ? ownship->getInstanceName() : std::string();
        trace("Target : %s, myName : %s\n", target.c_str(), myName.c_str());
        d.namesOwnship = ownship && myName == target;
    } else {
        trace("NO TargetObjectIdentifier!\n");
    }
    d.hasRelative = relativeDetonationLocationReceived;
    d.relative = relativeDetonationLocation;
    d.hasLocation = detonationLocationReceived;
    d.location = detonationLocation;
    // Reading the published position must not cancel a send that an update
    // request has just asked for.
    const bool published = ownship && ownship->hasSpatial();
    applyDetonation(d, published ? &ownship->peekSpatial().worldLocation : nullptr);
}

void applyDetonation(const DetonationReport& d, const WorldLocation* published) {
    if (d.hasResult) {
        trace("DetonationResultCode : %d\n", static_cast<int>(d.result));
        if (!canHit(d.result)) return;
    } else {
        trace("NO DetonationResultCode!\n");
    }
    if (d.namesOwnship && d.hasRelative) {
        const Vector3f& r = d.relative;
        double x = r.x, y = r.y, z = r.z;
        double d2 = x * x + y * y + z * z;
        trace("Relative distance square: %f\n", d2);
        if (d2 < kHitRadiusSquare) crashOwnship();
        return;
    }
    if (!d.hasLocation) {
        trace("NO DetonationLocation!\n");
        return;
    }
    const WorldLocation& det = d.location;
    trace("DetonationLocation: %f , %f , %f\n", det.x, det.y, det.z);
    // Without a published position there is nothing to compare with.
    if (!published) return;
    const WorldLocation& own = *published;
    double dx = own.x - det.x, dy = own.y - det.y, dz = own.z - det.z;
    double d2 = dx * dx + dy * dy + dz * dz;
    trace("Absolute distance square: %f\n", d2);
    if (d2 < kHitRadiusSquare) crashOwnship();
}

void crashOwnship() {
    trace("Crashing ownship...\n");
    int parts[kPartCount] = {};
    XPLMGetDatavi(dataRefs.partEq, parts, 0, kPartCount);
    trace("Removing Left Wing...\n");
    for (int i : {8, 10, 12, 14, 16}) parts[i] = 0;
    XPLMSetDatavi(dataRefs.partEq, parts, 0, kPartCount);
    // Destroyed until the aircraft is repaired (crash, airport or aircraft load).
    ownshipState.damageState = DAMAGE_DESTROYED;
    if (ownship) ownship->setDamageState(DAMAGE_DESTROYED);
}

}  // namespace volax
