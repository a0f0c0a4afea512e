// Arithmetic of the engine's three conversion steps, shared by the plan steps
// and by QVCoordConv's direct path so that both give bit-identical results.
// Internal header: not part of the engine's interface.
#pragma once

#include "SRM_Types.h"

#include <cmath>

namespace srm_detail {

constexpr double kDegToRad = 0.017453292519943295;
constexpr double kRadToDeg = 57.29577951308232;
constexpr double kPi = 3.14159265358979323846;

// The eleven ellipsoid values a conversion step carries, in this order.
struct EllipsoidValues {
    double a;
    double a_sphere;   // a for a sphere, 0 otherwise
    double f;          // 0 for a sphere
    double b;
    double e2;
    double e;
    double ep2;        // e'^2
    double e_half;
    double e2_quarter;
    double a2;
    double b2;
};

// inverseFlattening 0 means a sphere. Everything but e and e/2, which need a
// square root; constexpr so a fixed ellipsoid can be a compile-time constant
// (the same IEEE operations, so the same bits as at run time).
constexpr EllipsoidValues makeEllipsoidValuesWithoutE(double a, double inverseFlattening)
{
    EllipsoidValues v{};
    v.a = a;
    if (inverseFlattening == 0.0) {
        v.a_sphere = a;
        v.f = 0.0;
    } else {
        v.f = 1.0 / inverseFlattening;
    }
    v.b = (1.0 - v.f) * a;
    v.e2 = v.f * (2.0 - v.f);
    v.ep2 = v.e2 / (1.0 - v.e2);
    v.e2_quarter = v.e2 * 0.25;
    v.a2 = a * a;
    v.b2 = v.b * v.b;
    return v;
}

inline EllipsoidValues makeEllipsoidValues(double a, double inverseFlattening)
{
    EllipsoidValues v = makeEllipsoidValuesWithoutE(a, inverseFlattening);
    v.e = std::sqrt(v.e2);
    v.e_half = v.e / 2.0;
    return v;
}

constexpr double kWgs84A = 6378137.0;
constexpr double kWgs84InverseFlattening = 298.257223563;

// Near-surface geocentric-to-geodetic coefficients, default row (WGS 84).
constexpr double kC0 = 1.00225438677758;
constexpr double kC1 = -3.9324690363393e-05;
constexpr double kC2 = 241216653453.483;
constexpr double kC3 = 13373360222867.9;
constexpr double kC4 = 0.984537701867943;

constexpr double kShellInner = 10005.0;     // inner bounding ellipsoid: axes shrunk by this
constexpr double kShellOuter = 50005.0;     // outer bounding ellipsoid: axes grown by this

struct GcToGdBlock {
    double c0, c1, c2, c3, c4;
    double e2_minus_1;
    double b2_54;
    double e2_a2_minus_b2;
    double e4;
    double e4_2;
    double b2_over_a;
    double a2_minus_b2_over_b2;
    double outer_a2;
    double outer_k;
    double inner_a2;
    double inner_k;
};

constexpr GcToGdBlock makeGcToGdBlock(const EllipsoidValues& v)
{
    GcToGdBlock k{};
    k.c0 = kC0;
    k.c1 = kC1;
    k.c2 = kC2;
    k.c3 = kC3;
    k.c4 = kC4;
    k.e2_minus_1 = v.e2 - 1.0;
    k.b2_54 = 54.0 * v.b2;
    k.e2_a2_minus_b2 = v.e2 * (v.a2 - v.b2);
    k.e4 = v.e2 * v.e2;
    k.e4_2 = 2.0 * k.e4;
    k.b2_over_a = v.b2 / v.a;
    k.a2_minus_b2_over_b2 = (v.a2 - v.b2) / v.b2;
    const double ao = v.a + kShellOuter, bo = v.b + kShellOuter;
    const double ai = v.a - kShellInner, bi = v.b - kShellInner;
    k.outer_a2 = ao * ao;
    k.outer_k = (ao * ao) / (bo * bo);
    k.inner_a2 = ai * ai;
    k.inner_k = (ai * ai) / (bi * bi);
    return k;
}

struct LtpToGcBlock {
    double x_offset;
    double y_offset;
    double azimuth;  // radians, in (-pi, pi]
    double cos_az, sin_az;
    double sin_lat, cos_lat;
    double sin_lon, cos_lon;
    double slat_saz, clat_saz, slat_caz, clat_caz;
    double X0, Z0, Y0;  // origin in GC, at height 0
};

inline LtpToGcBlock makeLtpToGcBlock(const EllipsoidValues& v, const SRM_LTP_Parameters_3D& p)
{
    LtpToGcBlock k{};
    k.x_offset = p.x_offset;
    k.y_offset = p.y_offset;
    k.azimuth = p.azimuth * kDegToRad;
    if (k.azimuth > kPi) k.azimuth -= 2.0 * kPi;
    // cos 0 and sin 0 are exact: skip the calls for the common north-up frame.
    k.cos_az = k.azimuth == 0.0 ? 1.0 : std::cos(k.azimuth);
    k.sin_az = k.azimuth == 0.0 ? 0.0 : std::sin(k.azimuth);
    const double phi = p.geodetic_latitude * kDegToRad;
    const double lam = p.geodetic_longitude * kDegToRad;
    k.sin_lat = std::sin(phi);
    k.cos_lat = std::cos(phi);
    k.sin_lon = std::sin(lam);
    k.cos_lon = std::cos(lam);
    k.slat_saz = k.sin_lat * k.sin_az;
    k.clat_saz = k.cos_lat * k.sin_az;
    k.slat_caz = k.sin_lat * k.cos_az;
    k.clat_caz = k.cos_lat * k.cos_az;
    // A true square root here: the origin is computed once per plan.
    const double n0 = v.a / std::sqrt(1.0 - v.e2 * (k.sin_lat * k.sin_lat));
    k.X0 = n0 * k.cos_lat * k.cos_lon;
    k.Z0 = (1.0 - v.e2) * n0 * k.sin_lat;
    k.Y0 = n0 * k.cos_lat * k.sin_lon;
    return k;
}

inline bool finite3(const double* in)
{
    return std::isfinite(in[0]) && std::isfinite(in[1]) && std::isfinite(in[2]);
}

// The longitude/latitude range test of geodetic coordinates and LTP origins.
// Written so that a NaN fails it.
inline bool longitudeInRange(double lon) { return lon + 0.0005 >= -180.0 && lon - 0.0005 <= 180.0; }
inline bool latitudeInRange(double lat) { return lat + 0.0005 >= -90.0 && lat - 0.0005 <= 90.0; }

// Prime-vertical radius from sin^2 of the latitude: two Newton steps of
// sqrt(1 - e^2 s^2) from 1, so no square root is taken.
inline double newtonN(const EllipsoidValues& v, double s2)
{
    const double t = 0.5 - s2 * v.e2_quarter;
    const double q = t + (t - 0.25) / t;
    return v.a / q;
}

// in: longitude, latitude (degrees), elevation (m); out: x, y, z (m).
inline SRM_Status_Code gdToGc(const EllipsoidValues& v, const double* in, double* out)
{
    // A non-finite height would come out as a non-finite point.
    if (!std::isfinite(in[2])) return SRM_STAT_CODE_INVALID_SOURCE_COORD;
    const double phi = in[1] * kDegToRad;
    const double lam = in[0] * kDegToRad;
    const double h = in[2];
    const double s = std::sin(phi);
    const double c = std::cos(phi);
    const double n = newtonN(v, s * s);
    const double x = (n + h) * c * std::cos(lam);
    const double y = (n + h) * c * std::sin(lam);
    const double z = (n * v.b2 / v.a2 + h) * s;
    if (!std::isfinite(x) || !std::isfinite(y) || !std::isfinite(z)) return SRM_STAT_CODE_INVALID_DEST_COORD;
    out[0] = x;
    out[1] = y;
    out[2] = z;
    return SRM_STAT_CODE_SUCCESS;
}

// in: x, y, z (m); out: longitude, latitude (degrees), elevation (m).
inline SRM_Status_Code gcToGd(const EllipsoidValues& v, const GcToGdBlock& k, const double* in,
                              double* out)
{
    const double X = in[0], Y = in[1], Z = in[2];
    if (!finite3(in)) return SRM_STAT_CODE_INVALID_SOURCE_COORD;

    const double W2 = X * X + Y * Y;
    const double Z2 = Z * Z;
    // Heikkinen's G. Where it is not positive the point lies inside the ellipse that
    // holds the evolute of the meridian (within about 42.8 km of the centre): the
    // closed form breaks down there and a point has no single geodetic position.
    const auto insideEvolute = [&] { return !(W2 + (1.0 - v.e2) * Z2 - k.e2_a2_minus_b2 > 0.0); };

    if (X == 0.0 && Y == 0.0) {
        if (insideEvolute()) return SRM_STAT_CODE_INVALID_DEST_COORD;
        if (Z > 0.0) {
            out[0] = 0.0;
            out[1] = 90.0;
            out[2] = Z - v.b;
        } else if (Z < 0.0) {
            out[0] = 0.0;
            out[1] = -90.0;
            out[2] = -(Z + v.b);
        } else {
            return SRM_STAT_CODE_INVALID_DEST_COORD;
        }
        return SRM_STAT_CODE_SUCCESS;
    }

    const double W = std::sqrt(W2);
    double numerator, height;

    if (W2 + Z2 * k.inner_k > k.inner_a2 && W2 + Z2 * k.outer_k < k.outer_a2) {
        // Near-surface shell: one rational expression, no iteration.
        const double kk = k.c0 + (k.c1 * W2 + k.c2) / (k.c4 * W2 + k.c3 + Z2);
        const double Zp = kk * Z;
        const double D = Zp * Zp + W2;
        const double s2 = Zp * Zp / D;
        const double n = newtonN(v, s2);
        if (s2 <= 0.5)
            height = std::sqrt(D) - n;
        else
            height = std::sqrt(D) / kk - n * (1.0 - v.e2);
        numerator = Zp;
    } else {
        // Closed form (Heikkinen).
        const double G = W2 + (1.0 - v.e2) * Z2 - k.e2_a2_minus_b2;
        if (!(G > 0.0)) return SRM_STAT_CODE_INVALID_DEST_COORD;
        const double F = k.b2_54 * Z2;
        const double FG2 = F / (G * G);
        const double C = FG2 * W2 * k.e4 / G;
        const double S = std::pow(std::sqrt((C + 2.0) * C) + 1.0 + C, 1.0 / 3.0);
        const double sp = S + 1.0 / S + 1.0;
        const double P = FG2 / (3.0 * (sp * sp));
        const double Q = std::sqrt(1.0 + k.e4_2 * P);
        const double r =
            (1.0 + 1.0 / Q) - P * (2.0 * (1.0 - v.e2) * Z2 / ((1.0 + Q) * Q) + W2) / v.a2;
        double r0 = r > 0.0 ? v.a * std::sqrt(r / 2.0) : 0.0;
        r0 = r0 - P * v.e2 * W / (1.0 + Q);
        const double wr = W - v.e2 * r0;
        const double U2 = wr * wr + Z2;
        const double V = std::sqrt(U2 - v.e2 * Z2);
        const double z0 = Z * k.b2_over_a / V;
        height = std::sqrt(U2) * (1.0 - k.b2_over_a / V);
        numerator = Z + z0 * k.a2_minus_b2_over_b2;
    }

    const double lon = std::atan2(Y, X) * kRadToDeg;
    const double lat = std::atan(numerator / W) * kRadToDeg;
    // Squares of huge inputs overflow: never hand out a non-finite result.
    if (!std::isfinite(lat) || !std::isfinite(height)) return SRM_STAT_CODE_INVALID_DEST_COORD;
    out[0] = lon;
    out[1] = lat;
    out[2] = height;
    return SRM_STAT_CODE_SUCCESS;
}

// in: LTP x, y, z (m); out: GC x, y, z (m).
inline SRM_Status_Code ltpToGc(const LtpToGcBlock& k, const double* in, double* out)
{
    if (!finite3(in)) return SRM_STAT_CODE_INVALID_SOURCE_COORD;
    const double u = in[0] - k.x_offset;
    const double w = in[1] - k.y_offset;
    const double z = in[2];
    double east, r, zn;
    if (k.azimuth == 0.0) {
        east = u;
        r = z * k.cos_lat - w * k.sin_lat;
        zn = z * k.sin_lat + w * k.cos_lat;
    } else {
        // +y points at the azimuth: turn (u, w) into east and north first.
        east = u * k.cos_az + w * k.sin_az;
        r = z * k.cos_lat - (w * k.slat_caz - u * k.slat_saz);
        zn = z * k.sin_lat + (w * k.clat_caz - u * k.clat_saz);
    }
    const double x = r * k.cos_lon - east * k.sin_lon + k.X0;
    const double y = r * k.sin_lon + east * k.cos_lon + k.Y0;
    const double zz = zn + k.Z0;
    if (!std::isfinite(x) || !std::isfinite(y) || !std::isfinite(zz)) return SRM_STAT_CODE_INVALID_DEST_COORD;
    out[0] = x;
    out[1] = y;
    out[2] = zz;
    return SRM_STAT_CODE_SUCCESS;
}

}  // namespace srm_detail
