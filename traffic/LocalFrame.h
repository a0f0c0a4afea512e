// X-Plane's local frame seen from the geocentric one: attitude and velocity of
// an entity against the flat frame whose origin is lat_ref/lon_ref.
//
// The local frame is x east, y up, z south at its origin and stays flat, so an
// entity anywhere is measured against the origin's axes, not its own horizon.
// Heading is clockwise from local north (-z) in [0, 360), pitch nose up, roll
// right wing down, in degrees; at pitch +-90 the roll is 0 and the heading comes
// from the right wing.
#ifndef VOLAX_TRAFFIC_LOCALFRAME_H
#define VOLAX_TRAFFIC_LOCALFRAME_H

#include "DeadReckoning.h"

namespace traffic {

// One entity's last attitude: an entity whose orientation does not turn
// between updates (most dead-reckoning algorithms, once a correction is done)
// needs the angles worked out once per update, not once per frame.
struct AttitudeMemo {
    bool valid = false;
    double latRef = 0, lonRef = 0;
    Rotation3 bodyToWorld{};
    float heading = 0, pitch = 0, roll = 0;
};

class LocalFrame {
public:
    LocalFrame(double latRef, double lonRef);

    void attitude(const Rotation3& bodyToWorld, float& heading, float& pitch, float& roll) const;
    // The same, through the entity's memo.
    void attitude(const Rotation3& bodyToWorld, AttitudeMemo& memo, float& heading, float& pitch, float& roll) const;
    // Geocentric velocity to local (x east, y up, z south).
    void velocity(const double geocentric[3], float& vx, float& vy, float& vz) const;

private:
    double latRef_, lonRef_;
    double east_[3], north_[3], up_[3];  // the origin's axes in geocentric coordinates
};

}  // namespace traffic

#endif
