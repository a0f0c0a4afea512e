#include "LocalTrack.h"

#include <algorithm>
#include <cmath>

#include "XPLMGraphics.h"

namespace volax {
namespace {

constexpr double kDegree = 3.14159265358979323846 / 180.0;
constexpr double kEarthRadius = 6371000.0;
constexpr double kMetresPerDegree = kEarthRadius * kDegree;
// The first order is off by about d^2 / r for a step d on a circle of radius r.
constexpr double kTolerance = 1e-3;     // metres
constexpr double kMinRadius = 10000.0;  // closer to the pole than this: XPLMWorldToLocal each time
constexpr double kAngleStep = 1e-4;     // degrees (11 m), for the change per degree
constexpr double kHeightStep = 10.0;    // metres

bool finite(const double v[3]) { return std::isfinite(v[0]) && std::isfinite(v[1]) && std::isfinite(v[2]); }

}  // namespace

void LocalTrack::place(double latitude, double longitude, double height, const traffic::FrameOrigin& origin,
                       double local[3]) {
    if (valid_ && origin.latRef == latRef_ && origin.lonRef == lonRef_) {
        const double dLat = latitude - latitude_, dH = height - height_;
        double dLon = longitude - longitude_;
        if (dLon > 180) dLon -= 360;
        if (dLon < -180) dLon += 360;
        const double north = dLat * kMetresPerDegree, east = dLon * kMetresPerDegree * cosLatitude_;
        // NaN fails the comparison and goes to XPLMWorldToLocal.
        if (north * north + east * east + dH * dH <= reach2_) {
            for (int i = 0; i < 3; ++i)
                local[i] = local_[i] + perLatitude_[i] * dLat + perLongitude_[i] * dLon + perHeight_[i] * dH;
            return;
        }
    }
    anchor(latitude, longitude, height, origin, local);
}

void LocalTrack::anchor(double latitude, double longitude, double height, const traffic::FrameOrigin& origin,
                        double local[3]) {
    valid_ = false;
    XPLMWorldToLocal(latitude, longitude, height, &local[0], &local[1], &local[2]);
    const double c = std::cos(latitude * kDegree);
    if (!finite(local) || !(c * kEarthRadius > kMinRadius)) return;
    // Steps away from the pole and the date line.
    const double dLat = latitude > 0 ? -kAngleStep : kAngleStep, dLon = longitude > 0 ? -kAngleStep : kAngleStep;
    double n[3], e[3], u[3];
    XPLMWorldToLocal(latitude + dLat, longitude, height, &n[0], &n[1], &n[2]);
    XPLMWorldToLocal(latitude, longitude + dLon, height, &e[0], &e[1], &e[2]);
    XPLMWorldToLocal(latitude, longitude, height + kHeightStep, &u[0], &u[1], &u[2]);
    if (!finite(n) || !finite(e) || !finite(u)) return;
    for (int i = 0; i < 3; ++i) {
        local_[i] = local[i];
        perLatitude_[i] = (n[i] - local[i]) / dLat;
        perLongitude_[i] = (e[i] - local[i]) / dLon;
        perHeight_[i] = (u[i] - local[i]) / kHeightStep;
    }
    latRef_ = origin.latRef;
    lonRef_ = origin.lonRef;
    latitude_ = latitude;
    longitude_ = longitude;
    height_ = height;
    cosLatitude_ = c;
    reach2_ = kTolerance * std::min(c * kEarthRadius, kEarthRadius);
    valid_ = true;
}

}  // namespace volax
