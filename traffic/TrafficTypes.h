// What the traffic picture hands to its display: entities to draw and TCAS targets.
//
// Frames and units:
//  - position: geodetic latitude/longitude (degrees) and height (metres) above
//    the picture's vertical datum (the WGS 84 ellipsoid, or the EGM96 geoid as
//    X-Plane measures), double, extrapolated to the time of the last advance;
//  - attitude: heading/pitch/roll in degrees against X-Plane's local frame whose
//    origin (lat_ref/lon_ref) was given to advance: heading clockwise from local
//    north (-z), 0..360; pitch nose up positive; roll right wing down positive;
//  - velocity: m/s along the local frame's axes (x east, y up, z south at the origin).
#ifndef VOLAX_TRAFFIC_TRAFFICTYPES_H
#define VOLAX_TRAFFIC_TRAFFICTYPES_H

#include <cstddef>
#include <cstdint>

#include "RPRValues.h"

namespace traffic {

// Chosen by the feeder (the RTI object handle); stable for the entity's life.
typedef uint64_t EntityKey;

// Longest Marking text kept: the 11 characters of the RPR MarkingStruct.
constexpr std::size_t kMarkingChars = MARKING_CHARACTERS;
// TCAS flight ids: 7 characters and a NUL.
constexpr std::size_t kFlightIdSize = 8;
// TCAS slots beside the user's aircraft.
constexpr std::size_t kMaxTcasTargets = 63;

// EntityType domains (SISO-REF-010).
enum : uint8_t { DOMAIN_OTHER = 0, DOMAIN_LAND = 1, DOMAIN_AIR = 2, DOMAIN_SURFACE = 3,
                 DOMAIN_SUBSURFACE = 4, DOMAIN_SPACE = 5 };

// One reflection's worth of received values; only the members marked present
// change the entity.
struct EntityUpdate {
    uint8_t network = 0;  // which of the feeder's networks heard it (see TrafficPicture)
    bool hasEntityIdentifier = false;
    EntityIdentifier entityIdentifier{};
    bool hasEntityType = false;
    EntityType entityType{};
    bool hasSpatial = false;
    Spatial spatial{};
    bool hasForceIdentifier = false;
    ForceIdentifier forceIdentifier = 0;
    bool hasMarking = false;
    uint8_t markingEncoding = 0;
    char marking[kMarkingChars] = {};  // as received: NUL-padded or unterminated
    bool hasDamageState = false;
    DamageState damageState = DAMAGE_NO_DAMAGE;
    // Seconds the Spatial is older than its receipt, from a plausible absolute
    // time stamp (0..rpr::kPlausibleSkew); 0 places it at the receipt.
    double age = 0;
};

struct EntityPose {
    double latitude = 0, longitude = 0, height = 0;
    float heading = 0, pitch = 0, roll = 0;
    float vx = 0, vy = 0, vz = 0;
};

struct DrawnEntity {
    EntityKey key = 0;
    EntityIdentifier entityIdentifier{};
    EntityType entityType{};
    ForceIdentifier forceIdentifier = 0;
    char marking[kMarkingChars + 1] = {};  // printable ASCII, NUL-terminated, may be empty
    DamageState damageState = DAMAGE_NO_DAMAGE;
    bool frozen = false;
    double distance = 0;  // metres from the ownship, straight line
    EntityPose pose;
};

struct TcasTarget {
    EntityKey key = 0;
    uint32_t modeSId = 0;             // 24 bits, unique among the current targets
    char flightId[kFlightIdSize] = {};  // NUL-terminated, may be empty
    int ssrMode = 3;                  // 3 = mode C; 3 or better
    EntityType entityType{};
    double aboveGround = 0;           // metres over the terrain below, NaN when unknown
    double distance = 0;
    EntityPose pose;
};

struct OwnshipPosition {
    double latitude = 0, longitude = 0, height = 0;  // degrees, degrees, metres (the picture's vertical datum)
};

// X-Plane's local frame origin: sim/flightmodel/position/lat_ref, lon_ref.
struct FrameOrigin {
    double latRef = 0, lonRef = 0;
};

}  // namespace traffic

#endif
