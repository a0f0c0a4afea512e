#include "SyntheticTrack.h"

#include <cmath>
#include <cstring>

#include "DeadReckoning.h"
#include "QVCoordConv.h"

namespace volaxfed {
namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kGravity = 9.80665;

}  // namespace

bool SyntheticTrack::setup(const TrackShape& shape, const char** error) {
    if (!(shape.radius > 0) || !std::isfinite(shape.radius)) {
        *error = "the radius must be a positive number of metres";
        return false;
    }
    if (!(shape.speed > 0) || !std::isfinite(shape.speed)) {
        *error = "the speed must be a positive number of m/s";
        return false;
    }
    if (!QVCoordConv::gdc2gccDouble(shape.latitude, shape.longitude, shape.height, centre_[0], centre_[1],
                                    centre_[2])) {
        *error = "the centre is not a valid latitude, longitude and height";
        return false;
    }
    shape_ = shape;
    const double f = shape.latitude * kPi / 180, l = shape.longitude * kPi / 180;
    const double sf = std::sin(f), cf = std::cos(f), sl = std::sin(l), cl = std::cos(l);
    const double e[3] = {-sl, cl, 0}, n[3] = {-sf * cl, -sf * sl, cf}, u[3] = {cf * cl, cf * sl, sf};
    std::memcpy(east_, e, sizeof e);
    std::memcpy(north_, n, sizeof n);
    std::memcpy(up_, u, sizeof u);
    return true;
}

long SyntheticTrack::legAt(double t) const {
    if (shape_.circle) return 0;
    // The first leg runs from the centre to an end: half a diameter.
    const double legTime = 2 * shape_.radius / shape_.speed;
    return static_cast<long>(std::floor((t + legTime / 2) / legTime));
}

void SyntheticTrack::local(double t, double enu[3], double& heading) const {
    const double v = shape_.speed, r = shape_.radius;
    enu[2] = 0;
    if (shape_.circle) {
        // Clockwise: the centre is on the right; heading = angle from the centre + 90 degrees.
        const double angle = shape_.phase + v / r * t;  // bearing from the centre
        enu[0] = r * std::sin(angle);
        enu[1] = r * std::cos(angle);
        heading = angle + kPi / 2;
        return;
    }
    const double legTime = 2 * r / v;
    const long leg = legAt(t);
    const double sinceLeg = t - (leg * legTime - legTime / 2);
    const double along = (leg % 2 == 0) ? -r + v * sinceLeg : r - v * sinceLeg;
    enu[0] = along * std::sin(shape_.phase);
    enu[1] = along * std::cos(shape_.phase);
    heading = shape_.phase + ((leg % 2 == 0) ? 0 : kPi);
}

void SyntheticTrack::positionAt(double t, double out[3]) const {
    double enu[3], heading;
    local(t, enu, heading);
    for (int i = 0; i < 3; ++i) out[i] = centre_[i] + enu[0] * east_[i] + enu[1] * north_[i] + enu[2] * up_[i];
}

Spatial SyntheticTrack::stateAt(double t) const {
    double enu[3], heading;
    local(t, enu, heading);
    const double v = shape_.speed;
    const double rate = shape_.circle ? v / shape_.radius : 0;
    const double bank = (shape_.circle && shape_.banked) ? std::atan(v * rate / kGravity) : 0;

    // Body axes in geocentric terms: nose along the track, right wing, belly.
    const double sh = std::sin(heading), ch = std::cos(heading), sb = std::sin(bank), cb = std::cos(bank);
    double nose[3], wing[3], belly[3], right[3];
    for (int i = 0; i < 3; ++i) {
        nose[i] = sh * east_[i] + ch * north_[i];
        right[i] = ch * east_[i] - sh * north_[i];
        wing[i] = cb * right[i] - sb * up_[i];
        belly[i] = -sb * right[i] - cb * up_[i];
    }
    Rotation3 m;
    for (int i = 0; i < 3; ++i) {
        m.m[i][0] = nose[i];
        m.m[i][1] = wing[i];
        m.m[i][2] = belly[i];
    }
    double psi, theta, phi;
    eulerFromBodyToWorld(m, psi, theta, phi);

    Spatial s;
    std::memset(&s, 0, sizeof s);
    s.algorithm = shape_.algorithm;
    positionAt(t, &s.worldLocation.x);
    s.orientation = {static_cast<float>(psi), static_cast<float>(theta), static_cast<float>(phi)};
    const DeadReckoningAlgorithm a = shape_.algorithm;
    const bool body = a >= DRM_FPB;
    const bool accelerates = a == DRM_RVW || a == DRM_FVW || a == DRM_RVB || a == DRM_FVB;
    const bool rotates = a == DRM_RPW || a == DRM_RVW || a == DRM_RPB || a == DRM_RVB;
    if (a != DRM_STATIC && isDeadReckoningAlgorithm(a)) {
        if (body) {
            s.velocity = {static_cast<float>(v), 0, 0};
            // The body velocity is constant in body axes: no body acceleration.
        } else {
            s.velocity = {static_cast<float>(v * nose[0]), static_cast<float>(v * nose[1]),
                          static_cast<float>(v * nose[2])};
            if (accelerates) {
                const double centripetal = v * rate;  // towards the centre, on the right
                s.acceleration = {static_cast<float>(centripetal * right[0]),
                                  static_cast<float>(centripetal * right[1]),
                                  static_cast<float>(centripetal * right[2])};
            }
        }
        if (rotates) {
            // A right turn about the local vertical (down), in body axes.
            const double down[3] = {-up_[0], -up_[1], -up_[2]};
            const double w[3] = {rate * down[0], rate * down[1], rate * down[2]};
            s.angularVelocity = {
                static_cast<float>(w[0] * nose[0] + w[1] * nose[1] + w[2] * nose[2]),
                static_cast<float>(w[0] * wing[0] + w[1] * wing[1] + w[2] * wing[2]),
                static_cast<float>(w[0] * belly[0] + w[1] * belly[1] + w[2] * belly[2])};
        }
    }
    (void)accelerates;
    return s;
}

}  // namespace volaxfed
