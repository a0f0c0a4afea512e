#ifndef VOLAX_PLUGIN_OWNSHIPSTATE_H
#define VOLAX_PLUGIN_OWNSHIPSTATE_H

// What the ownship is, said once a tick to every network VOLAX is on.
//
// sampleOwnship (XPAircraftObject.h) reads X-Plane's data references into an
// OwnshipSample, ownshipSpatial turns it into the geocentric RPR Spatial (the one
// computation of the ownship's position, velocity, acceleration and attitude), and
// the resulting OwnshipState goes to the HLA Aircraft object and to the DIS
// publisher alike. Values are the RPR ones (rpr/RPRValues.h).

#include "RPRValues.h"

namespace volax {

// X-Plane's user aircraft as sampled: local frame x east, y up, z south (m, m/s,
// m/s^2), attitude psi/theta/phi in degrees, and the double latitude, longitude
// (degrees) and elevation (m) with the local frame's origin.
struct OwnshipSample {
    float position[3] = {0, 0, 0};
    float velocity[3] = {0, 0, 0};
    float acceleration[3] = {0, 0, 0};
    float attitude[3] = {0, 0, 0};
    double latitude = 0, longitude = 0, elevation = 0;
    float latRef = 0, lonRef = 0;
};

// The sample as a Spatial with algorithm FVW: position from the double latitude,
// longitude and elevation (above mean sea level with VERTICALDATUM EGM96); velocity, acceleration and attitude through the local
// frame at its origin. False (trace line) when a conversion fails.
bool ownshipSpatial(const OwnshipSample& sample, bool frozen, Spatial& out);

struct OwnshipState {
    EntityType entityType{};
    ForceIdentifier forceIdentifier = 0;
    Marking marking{};
    DamageState damageState = DAMAGE_NO_DAMAGE;
    bool frozen = false;
    bool hasSpatial = false;
    Spatial spatial{};
};

// The plugin's one ownship state.
extern OwnshipState ownshipState;

// The ownship's entity number: ENTITYNUMBER when set, else 0 on HLA and 1 on DIS
// (where 0 means no entity).
uint16_t ownshipEntityNumber(bool onDis);

}  // namespace volax

#endif
