#include "Convergence.h"

#include <cmath>

namespace traffic {
namespace {

Rotation3 axisAngle(const double axis[3], double angle) {
    // The corrections of a busy frame are mostly small turns: there the
    // series are exact in double and far cheaper than sin and cos.
    double s, k;
    if (std::fabs(angle) < 0.1) {
        const double q = angle * angle;
        s = angle * (1 - q * (1.0 / 6) * (1 - q * (1.0 / 20) * (1 - q * (1.0 / 42) * (1 - q * (1.0 / 72)))));
        k = q * 0.5 * (1 - q * (1.0 / 12) * (1 - q * (1.0 / 30) * (1 - q * (1.0 / 56) * (1 - q * (1.0 / 90)))));
    } else {
        s = std::sin(angle);
        k = 1 - std::cos(angle);
    }
    const double c = 1 - k;
    const double x = axis[0], y = axis[1], z = axis[2];
    Rotation3 r;
    r.m[0][0] = c + x * x * k;
    r.m[0][1] = x * y * k - z * s;
    r.m[0][2] = x * z * k + y * s;
    r.m[1][0] = y * x * k + z * s;
    r.m[1][1] = c + y * y * k;
    r.m[1][2] = y * z * k - x * s;
    r.m[2][0] = z * x * k - y * s;
    r.m[2][1] = z * y * k + x * s;
    r.m[2][2] = c + z * z * k;
    return r;
}

Rotation3 mulTransposed(const Rotation3& a, const Rotation3& b) {  // a * b^T
    Rotation3 r;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) r.m[i][j] = a.m[i][0] * b.m[j][0] + a.m[i][1] * b.m[j][1] + a.m[i][2] * b.m[j][2];
    return r;
}

}  // namespace

void Correction::start(const DeadReckonedState& drawn, const DeadReckonedState& fresh, double now) {
    double distance = 0;
    for (int i = 0; i < 3; ++i) {
        offset_[i] = drawn.position[i] - fresh.position[i];
        distance += offset_[i] * offset_[i];
    }
    if (!(std::sqrt(distance) <= kSnapDistance)) {
        active_ = false;
        return;
    }
    // The world-frame turn taking the fresh attitude onto the drawn one, as a quaternion.
    const Rotation3 d = mulTransposed(drawn.bodyToWorld, fresh.bodyToWorld);
    const double w = std::sqrt(std::fmax(0.0, 1 + d.m[0][0] + d.m[1][1] + d.m[2][2])) / 2;
    double v[3] = {d.m[2][1] - d.m[1][2], d.m[0][2] - d.m[2][0], d.m[1][0] - d.m[0][1]};
    double n = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
    if (w < 1e-3) {
        // Near half a turn the skew part vanishes: take the axis from the symmetric part.
        int k = 0;
        for (int i = 1; i < 3; ++i)
            if (d.m[i][i] > d.m[k][k]) k = i;
        const double skew[3] = {v[0], v[1], v[2]};
        for (int i = 0; i < 3; ++i) v[i] = (i == k) ? 1 + d.m[k][k] : (d.m[i][k] + d.m[k][i]) / 2;
        if (v[0] * skew[0] + v[1] * skew[1] + v[2] * skew[2] < 0)
            for (double& c : v) c = -c;
        n = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
        angle_ = 2 * std::acos(std::fmin(1.0, w));
    } else {
        angle_ = 2 * std::atan2(n / (4 * w), w);
    }
    if (n > 0) {
        for (int i = 0; i < 3; ++i) axis_[i] = v[i] / n;
    } else {
        angle_ = 0;
    }
    start_ = now;
    active_ = true;
}

double Correction::left(double now) const {
    double u = (now - start_) / kConvergenceTime;
    if (u < 0) u = 0;
    return 1 - u * u * (3 - 2 * u);
}

void Correction::applyPosition(double now, double position[3]) const {
    if (!active(now)) return;
    const double k = left(now);
    for (int i = 0; i < 3; ++i) position[i] += k * offset_[i];
}

void Correction::apply(double now, DeadReckonedState& state) const {
    if (!active(now)) return;
    const double k = left(now);
    for (int i = 0; i < 3; ++i) state.position[i] += k * offset_[i];
    if (angle_ != 0) state.bodyToWorld = multiply(axisAngle(axis_, k * angle_), state.bodyToWorld);
}

}  // namespace traffic
