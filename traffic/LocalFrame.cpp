#include "LocalFrame.h"

#include <cmath>
#include <cstring>

namespace traffic {
namespace {

constexpr double kDegree = 3.14159265358979323846 / 180.0;

double dot(const double a[3], const double b[3]) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

// atan2 for finite arguments through atan, at about half glibc's atan2's cost
// and within a few ulp of it: every drawn entity needs two per frame.
double angleOf(double y, double x) {
    constexpr double kPi = 3.14159265358979323846;
    if (std::fabs(y) > std::fabs(x)) return std::copysign(kPi / 2, y) - std::atan(x / y);
    if (x == 0) return std::signbit(x) ? std::copysign(kPi, y) : y;  // both zero, as atan2
    const double a = std::atan(y / x);
    if (x > 0) return a;
    return std::signbit(y) ? a - kPi : a + kPi;
}

}  // namespace

LocalFrame::LocalFrame(double latRef, double lonRef) : latRef_(latRef), lonRef_(lonRef) {
    const double sf = std::sin(latRef * kDegree), cf = std::cos(latRef * kDegree);
    const double sl = std::sin(lonRef * kDegree), cl = std::cos(lonRef * kDegree);
    east_[0] = -sl;
    east_[1] = cl;
    east_[2] = 0;
    north_[0] = -sf * cl;
    north_[1] = -sf * sl;
    north_[2] = cf;
    up_[0] = cf * cl;
    up_[1] = cf * sl;
    up_[2] = sf;
}

void LocalFrame::attitude(const Rotation3& m, float& heading, float& pitch, float& roll) const {
    // East, north and up components of the body's x (nose) and y (right wing) axes, and z's up.
    const double nose[3] = {m.m[0][0], m.m[1][0], m.m[2][0]};
    const double wing[3] = {m.m[0][1], m.m[1][1], m.m[2][1]};
    const double belly[3] = {m.m[0][2], m.m[1][2], m.m[2][2]};
    const double noseE = dot(nose, east_), noseN = dot(nose, north_);
    double noseU = dot(nose, up_);
    if (noseU > 1) noseU = 1;
    if (noseU < -1) noseU = -1;
    double h, r;
    if (std::fabs(noseU) > 1 - 1e-12) {
        h = angleOf(-dot(wing, north_), dot(wing, east_));
        r = 0;
    } else {
        h = angleOf(noseE, noseN);
        r = angleOf(-dot(wing, up_), -dot(belly, up_));
    }
    double hd = h / kDegree;
    if (hd < 0) hd += 360;
    if (hd >= 360) hd -= 360;
    heading = static_cast<float>(hd);
    if (heading >= 360.0f) heading = 0.0f;  // 359.99999999 rounds up in float
    pitch = static_cast<float>(std::asin(noseU) / kDegree);
    roll = static_cast<float>(r / kDegree);
}

void LocalFrame::attitude(const Rotation3& m, AttitudeMemo& memo, float& heading, float& pitch, float& roll) const {
    if (!memo.valid || memo.latRef != latRef_ || memo.lonRef != lonRef_ ||
        std::memcmp(&memo.bodyToWorld, &m, sizeof m) != 0) {
        attitude(m, memo.heading, memo.pitch, memo.roll);
        memo.bodyToWorld = m;
        memo.latRef = latRef_;
        memo.lonRef = lonRef_;
        memo.valid = true;
    }
    heading = memo.heading;
    pitch = memo.pitch;
    roll = memo.roll;
}

void LocalFrame::velocity(const double v[3], float& vx, float& vy, float& vz) const {
    vx = static_cast<float>(dot(v, east_));
    vy = static_cast<float>(dot(v, up_));
    vz = static_cast<float>(-dot(v, north_));
}

}  // namespace traffic
