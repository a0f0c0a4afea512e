#include "GeodeticTrack.h"

#include <algorithm>
#include <cmath>

namespace traffic {
namespace {

constexpr double kDegree = 3.14159265358979323846 / 180.0;
constexpr double kA = 6378137.0;                           // WGS 84
constexpr double kE2 = (1 / 298.257223563) * (2 - 1 / 298.257223563);
// The first order is off by up to about d^2 / r for a step d from the anchor
// on a circle of radius r.
constexpr double kTolerance = 1e-3;  // metres
constexpr double kMinRadius = 1000.0;  // closer to the axis than this: always exact

}  // namespace

bool GeodeticTrack::convert(const double p[3], QVCoordConv::VerticalDatum datum, double& latitude,
                            double& longitude, double& height) {
    const double d[3] = {p[0] - anchor_[0], p[1] - anchor_[1], p[2] - anchor_[2]};
    // NaN fails the comparison and takes the exact path, which refuses it.
    if (!valid_ || !(d[0] * d[0] + d[1] * d[1] + d[2] * d[2] <= reach2_))
        return anchor(p, datum, latitude, longitude, height);
    double g[3];
    for (int i = 0; i < 3; ++i)
        g[i] = geodetic_[i] + jacobian_[i][0] * d[0] + jacobian_[i][1] * d[1] + jacobian_[i][2] * d[2];
    if (g[1] > 180) g[1] -= 360;
    if (g[1] <= -180) g[1] += 360;
    double n = 0;
    if (datum == QVCoordConv::VerticalDatum::EGM96 && !QVCoordConv::geoidSeparation(g[0], g[1], n))
        return anchor(p, datum, latitude, longitude, height);
    latitude = g[0];
    longitude = g[1];
    height = g[2] - n;
    return true;
}

bool GeodeticTrack::anchor(const double p[3], QVCoordConv::VerticalDatum datum, double& latitude,
                           double& longitude, double& height) {
    valid_ = false;
    if (!QVCoordConv::gcc2gdcDouble(p[0], p[1], p[2], datum, latitude, longitude, height)) return false;
    double n = 0;
    if (datum == QVCoordConv::VerticalDatum::EGM96 && !QVCoordConv::geoidSeparation(latitude, longitude, n))
        return true;
    const double h = height + n;
    const double sf = std::sin(latitude * kDegree), cf = std::cos(latitude * kDegree);
    const double sl = std::sin(longitude * kDegree), cl = std::cos(longitude * kDegree);
    const double w = 1 - kE2 * sf * sf;
    const double prime = kA / std::sqrt(w);               // prime vertical radius of curvature
    const double meridian = kA * (1 - kE2) / (w * std::sqrt(w));
    const double axis = (prime + h) * cf;                 // distance from the polar axis
    const double along = meridian + h;
    if (!(axis > kMinRadius && along > kMinRadius)) return true;
    // Rows: north / (M + h), east / ((N + h) cos lat), up; angles in degrees.
    const double north[3] = {-sf * cl, -sf * sl, cf}, east[3] = {-sl, cl, 0}, up[3] = {cf * cl, cf * sl, sf};
    for (int j = 0; j < 3; ++j) {
        jacobian_[0][j] = north[j] / along / kDegree;
        jacobian_[1][j] = east[j] / axis / kDegree;
        jacobian_[2][j] = up[j];
    }
    for (int i = 0; i < 3; ++i) anchor_[i] = p[i];
    geodetic_[0] = latitude;
    geodetic_[1] = longitude;
    geodetic_[2] = h;
    reach2_ = kTolerance * std::min(axis, along);
    valid_ = true;
    return true;
}

}  // namespace traffic
