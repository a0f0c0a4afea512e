#include "Wgs84.h"

#include <cmath>

namespace xphost {
namespace wgs84 {
namespace {
const double kE2 = kF * (2 - kF);
const double kDeg = M_PI / 180.0;
}  // namespace

Vec3 toEcef(double latDeg, double lonDeg, double height) {
    const double lat = latDeg * kDeg, lon = lonDeg * kDeg;
    const double s = std::sin(lat), c = std::cos(lat);
    const double n = kA / std::sqrt(1 - kE2 * s * s);
    return {(n + height) * c * std::cos(lon), (n + height) * c * std::sin(lon), (n * (1 - kE2) + height) * s};
}

void fromEcef(const Vec3& p, double* latDeg, double* lonDeg, double* height) {
    const double r = std::hypot(p.x, p.y);
    const double lon = std::atan2(p.y, p.x);
    // Fixed-point iteration on latitude; converges to machine precision in a
    // handful of steps anywhere an aircraft flies.
    double lat = std::atan2(p.z, r * (1 - kE2));
    double h = 0;
    for (int i = 0; i < 10; ++i) {
        const double s = std::sin(lat), c = std::cos(lat);
        const double n = kA / std::sqrt(1 - kE2 * s * s);
        // Height from whichever component is better conditioned.
        h = std::fabs(c) > 0.5 ? r / c - n : p.z / s - n * (1 - kE2);
        const double next = std::atan2(p.z, r * (1 - kE2 * n / (n + h)));
        const bool done = std::fabs(next - lat) < 1e-15;
        lat = next;
        if (done) break;
    }
    const double s = std::sin(lat), c = std::cos(lat);
    const double n = kA / std::sqrt(1 - kE2 * s * s);
    h = std::fabs(c) > 0.5 ? r / c - n : p.z / s - n * (1 - kE2);
    *latDeg = lat / kDeg;
    *lonDeg = lon / kDeg;
    *height = h;
}

void enuAxes(double latDeg, double lonDeg, Vec3* east, Vec3* north, Vec3* up) {
    const double lat = latDeg * kDeg, lon = lonDeg * kDeg;
    const double sl = std::sin(lat), cl = std::cos(lat), so = std::sin(lon), co = std::cos(lon);
    *east = {-so, co, 0};
    *north = {-sl * co, -sl * so, cl};
    *up = {cl * co, cl * so, sl};
}

LocalFrame localFrame(double latRefDeg, double lonRefDeg) {
    LocalFrame f;
    f.latRef = latRefDeg;
    f.lonRef = lonRefDeg;
    f.origin = toEcef(latRefDeg, lonRefDeg, 0);
    enuAxes(latRefDeg, lonRefDeg, &f.east, &f.north, &f.up);
    return f;
}

Vec3 dirToLocal(const LocalFrame& f, const Vec3& d) { return {dot(d, f.east), dot(d, f.up), -dot(d, f.north)}; }

Vec3 toLocal(const LocalFrame& f, const Vec3& ecef) { return dirToLocal(f, ecef - f.origin); }

Vec3 fromLocal(const LocalFrame& f, const Vec3& l) { return f.origin + f.east * l.x + f.up * l.y + f.north * (-l.z); }

}  // namespace wgs84
}  // namespace xphost
