// Smoothing a correction: when an update disagrees with what was drawn, the
// difference is kept and fades out over kConvergenceTime (a cubic ease, so the
// drawn entity neither jumps nor jerks), added to the new update's extrapolation.
// Differences past kSnapDistance are a reposition, not a correction: drawn at once.
#ifndef VOLAX_TRAFFIC_CONVERGENCE_H
#define VOLAX_TRAFFIC_CONVERGENCE_H

#include "DeadReckoning.h"

namespace traffic {

constexpr double kConvergenceTime = 1.0;
constexpr double kSnapDistance = 5000.0;

class Correction {
public:
    // Drawn (old) and newly extrapolated state at `now`.
    void start(const DeadReckonedState& drawn, const DeadReckonedState& fresh, double now);
    void reset() { active_ = false; }
    bool active(double now) const { return active_ && now - start_ < kConvergenceTime; }
    // Adds what is left of the difference at `now` to `state` (position and
    // attitude matrix; the Euler angles are left as they are).
    void apply(double now, DeadReckonedState& state) const;
    // Adds what is left of the position difference only.
    void applyPosition(double now, double position[3]) const;

private:
    double left(double now) const;  // the share of the difference still shown

    bool active_ = false;
    double start_ = 0;
    double offset_[3] = {0, 0, 0};
    double axis_[3] = {0, 0, 1};
    double angle_ = 0;
};

}  // namespace traffic

#endif
