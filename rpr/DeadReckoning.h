// Dead reckoning of RPR/DIS entity state: the nine algorithms, world and body
// variants, with the orientation turned by the angular velocity.
//
// Frames and units: positions geocentric WGS 84 (metres), velocities m/s and
// accelerations m/s^2 in geocentric axes for the world variants (FPW, RPW, RVW,
// FVW) and in the entity's body axes for the body variants (FPB, RPB, RVB, FVB);
// angular velocity rad/s in body axes; orientation psi, theta, phi (radians), the
// rotation taking the geocentric axes onto the body axes (z, new y, newest x).
//
// Method: every call starts from the last received state, so nothing drifts over
// many frames. The rotation over dt is the closed-form axis-angle (Rodrigues)
// matrix of angle |w| dt; body-axis motion uses its exact integrals
//   R1 = int_0^dt exp([w]x s) ds,  R2 = int_0^dt s exp([w]x s) ds,
// position P = P0 + M0 (R1 V + R2 A) with M0 the body-to-world rotation at the
// update. Short series replace the closed forms when |w| dt is small, where they
// would cancel.
//
// Example:
//   DeadReckonedState now;
//   if (deadReckon(spatial, 0.25, now)) draw(now.position, now.bodyToWorld);
#ifndef VOLAX_DEADRECKONING_H
#define VOLAX_DEADRECKONING_H

#include "RPRValues.h"

struct Rotation3 {
    double m[3][3];
};

struct DeadReckonedState {
    double position[3];      // geocentric, metres
    double velocity[3];      // geocentric axes, m/s
    Rotation3 bodyToWorld;   // columns: body x, y, z axes in geocentric axes
    double psi, theta, phi;  // radians, geocentric axes onto body axes
};

// True for the algorithms 1 to 9.
bool isDeadReckoningAlgorithm(DeadReckoningAlgorithm algorithm);

// One received state, prepared once for extrapolating it many times (every frame
// until the next update): the orientation's matrix is built once, when first
// needed (most entities of a crowded federation are never drawn).
class DeadReckoner {
public:
    // False, keeping the previous state, for an algorithm outside 1..9.
    bool reset(const Spatial& state);
    // The geocentric position only: what choosing the nearest entities needs.
    void position(double dt, double out[3]) const;
    // Speed at dt (rotation keeps the length of body velocities).
    double speed(double dt) const;
    // Everything; the Euler angles only when `withEuler`.
    void extrapolate(double dt, DeadReckonedState& out, bool withEuler = true) const;
    const Spatial& spatial() const { return state_; }
    // The orientation turns with time (the algorithms with angular velocity).
    bool rotates() const { return rotates_; }

private:
    const Rotation3& m0() const {
        if (!m0Built_) buildM0();
        return m0_;
    }
    void buildM0() const;

    // What position() reads first: a crowded federation is walked every frame.
    bool rotates_ = false, accelerates_ = false, body_ = false;
    mutable bool m0Built_ = true;
    Spatial state_{};
    mutable Rotation3 m0_{{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}};
};

// `state` extrapolated by `dt` seconds with its own algorithm (IsFrozen is the
// caller's business). False, leaving `out` untouched, for an algorithm outside 1..9.
bool deadReckon(const Spatial& state, double dt, DeadReckonedState& out);

// The world-to-body rotation of an orientation, as a body-to-world matrix.
Rotation3 bodyToWorldFromEuler(double psi, double theta, double phi);
// a * b.
Rotation3 multiply(const Rotation3& a, const Rotation3& b);
// psi, theta, phi of a body-to-world matrix (theta in [-pi/2, pi/2]).
void eulerFromBodyToWorld(const Rotation3& bodyToWorld, double& psi, double& theta, double& phi);

#endif
