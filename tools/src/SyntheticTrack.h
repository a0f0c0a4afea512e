#ifndef VOLAX_TOOLS_SYNTHETICTRACK_H
#define VOLAX_TOOLS_SYNTHETICTRACK_H

// The true motion of a synthetic entity and its RPR state at any time.
//
// The entity moves in the tangent plane at `height` above the ellipsoid point
// (latitude, longitude): on a circle of `radius` clockwise (seen from above) at
// constant speed, banked like a coordinated turn when `banked`; or on a straight
// line through the centre, back and forth between the ends of a diameter.
// On a circle the body velocity (forward), the body turn rate and the world
// (centripetal) acceleration are constant, so the rotating body algorithms
// extrapolate it exactly; on a line every moving algorithm does, until the turn
// at an end (legAt changes: send a new state).
//
// Frames: states are geocentric WGS 84; world velocity and acceleration in
// geocentric axes, body ones in body axes (x forward, y right, z down).

#include "RPRValues.h"

namespace volaxfed {

struct TrackShape {
    double latitude = 0, longitude = 0, height = 0;  // centre, degrees and metres
    double radius = 1000;                            // metres
    double speed = 100;                              // m/s
    double phase = 0;                                // radians: start angle on the circle, bearing of the line
    bool circle = true;
    bool banked = false;
    DeadReckoningAlgorithm algorithm = DRM_RVW;
};

class SyntheticTrack {
public:
    // False, with `error` set, for a centre off the earth or a radius or speed
    // that is not positive and finite.
    bool setup(const TrackShape& shape, const char** error);

    // The state at `t` seconds, members the algorithm carries filled, others zero.
    Spatial stateAt(double t) const;
    // The true geocentric position at `t`.
    void positionAt(double t, double out[3]) const;
    // Which straight leg the entity is on at `t` (0 on a circle).
    long legAt(double t) const;

    const TrackShape& shape() const { return shape_; }

private:
    // Position (ENU, metres from the centre), heading (radians clockwise from
    // north) and the sign of travel at t.
    void local(double t, double enu[3], double& heading) const;

    TrackShape shape_;
    double centre_[3] = {0, 0, 0};
    double east_[3] = {0, 0, 0}, north_[3] = {0, 0, 0}, up_[3] = {0, 0, 0};
};

}  // namespace volaxfed

#endif
