#ifndef VOLAX_HOST_WGS84_H
#define VOLAX_HOST_WGS84_H

// The host's own small WGS 84 toolkit: geodetic <-> earth-centred earth-fixed
// (ECEF) and the simulator's local frame, a tangent plane with its origin on
// the ellipsoid: x east, y up, z south. Degrees and metres, double precision.
// Geodetic from ECEF iterates to below 1e-9 m for heights within +-100 km.

namespace xphost {
namespace wgs84 {

struct Vec3 {
    double x = 0, y = 0, z = 0;
};
inline Vec3 operator+(const Vec3& a, const Vec3& b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
inline Vec3 operator-(const Vec3& a, const Vec3& b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
inline Vec3 operator*(const Vec3& a, double s) { return {a.x * s, a.y * s, a.z * s}; }
inline double dot(const Vec3& a, const Vec3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

const double kA = 6378137.0;
const double kF = 1.0 / 298.257223563;

Vec3 toEcef(double latDeg, double lonDeg, double height);
void fromEcef(const Vec3& p, double* latDeg, double* lonDeg, double* height);

// East, north and up unit vectors (ECEF) at a geodetic point.
void enuAxes(double latDeg, double lonDeg, Vec3* east, Vec3* north, Vec3* up);

// The local frame at a reference point on the ellipsoid.
struct LocalFrame {
    double latRef = 0, lonRef = 0;
    Vec3 origin, east, north, up;
};
LocalFrame localFrame(double latRefDeg, double lonRefDeg);
Vec3 toLocal(const LocalFrame& f, const Vec3& ecef);        // position
Vec3 fromLocal(const LocalFrame& f, const Vec3& local);     // position
Vec3 dirToLocal(const LocalFrame& f, const Vec3& ecefDir);  // velocity, acceleration

}  // namespace wgs84
}  // namespace xphost

#endif
