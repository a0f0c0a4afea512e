// Accuracy of the double-precision conversions against GeographicLib.
//
// Bounds and why:
//  - geodetic -> geocentric: 0.01 mm up to 45 degrees latitude, 0.2 mm above.
//    The prime-vertical radius comes from two Newton steps of a square root,
//    whose error grows with sin^8 of the latitude up to 0.1 mm short of
//    a/sqrt(1 - e^2) at the poles (measured: 0.006 mm / 0.101 mm).
//  - geocentric -> geodetic: 1 mm in height, 1e-8 degrees in latitude and
//    longitude (1e-8 degrees is about 1.1 mm on the ground), for heights from
//    -10 km to +50 km (near-surface rational formula; measured 0.42 mm and
//    7e-9 degrees) and from -10 km down to -1000 km and up to 36000 km
//    (closed form; measured 2e-8 m and 3e-14 degrees), all latitudes and
//    longitudes, poles included.
#include "QVCoordConv.h"

#include <GeographicLib/Geocentric.hpp>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <random>

namespace {

const GeographicLib::Geocentric& wgs84() { return GeographicLib::Geocentric::WGS84(); }

double angleDiff(double a, double b)
{
    double d = std::fmod(a - b, 360.0);
    if (d > 180.0) d -= 360.0;
    if (d < -180.0) d += 360.0;
    return std::fabs(d);
}

struct Worst {
    double value = 0;
    double lat = 0, lon = 0, h = 0;
    void note(double v, double la, double lo, double hh)
    {
        if (v > value) {
            value = v;
            lat = la;
            lon = lo;
            h = hh;
        }
    }
};

std::ostream& operator<<(std::ostream& o, const Worst& w)
{
    return o << w.value << " at lat " << w.lat << " lon " << w.lon << " h " << w.h;
}

// Latitudes spread evenly, with the poles and their neighbourhood included.
double sampleLatitude(std::mt19937_64& rng)
{
    const int r = std::uniform_int_distribution<int>(0, 19)(rng);
    if (r == 0) return 90.0;
    if (r == 1) return -90.0;
    if (r == 2) return std::uniform_real_distribution<double>(89.9, 90.0)(rng);
    if (r == 3) return std::uniform_real_distribution<double>(-90.0, -89.9)(rng);
    return std::uniform_real_distribution<double>(-90.0, 90.0)(rng);
}

TEST(CoordOracle, GeodeticToGeocentricAgreesWithGeographicLib)
{
    std::mt19937_64 rng(1);
    std::uniform_real_distribution<double> lonD(-180, 180), hD(-10000, 50000), highD(50000, 3.6e7);
    Worst worst, worstPole;
    for (int n = 0; n < 200000; ++n) {
        const double lat = sampleLatitude(rng), lon = lonD(rng), h = n % 4 ? hD(rng) : highD(rng);
        double x, y, z, X, Y, Z;
        ASSERT_TRUE(QVCoordConv::gdc2gccDouble(lat, lon, h, x, y, z));
        wgs84().Forward(lat, lon, h, X, Y, Z);
        const double d = std::sqrt((x - X) * (x - X) + (y - Y) * (y - Y) + (z - Z) * (z - Z));
        (std::fabs(lat) > 45 ? worstPole : worst).note(d, lat, lon, h);
    }
    std::printf("gdc2gcc vs GeographicLib: worst %.3g m up to 45 deg, %.3g m above\n", worst.value,
                worstPole.value);
    EXPECT_LT(worst.value, 1e-5) << worst;          // Newton-form N: error grows as sin^8 of the latitude
    EXPECT_LT(worstPole.value, 2e-4) << worstPole;  // 0.1 mm at the poles
}

TEST(CoordOracle, PolesShowTheNewtonFormShortfall)
{
    for (double lat : {90.0, -90.0}) {
        double x, y, z, X, Y, Z;
        ASSERT_TRUE(QVCoordConv::gdc2gccDouble(lat, 0, 0, x, y, z));
        wgs84().Forward(lat, 0, 0, X, Y, Z);
        EXPECT_NEAR(std::fabs(Z) - std::fabs(z), 1.0e-4, 0.5e-4);  // short by about 0.1 mm
    }
}

// Returns the worst height difference.
double checkReverse(double hLo, double hHi, int samples, unsigned seed)
{
    std::mt19937_64 rng(seed);
    std::uniform_real_distribution<double> lonD(-180, 180), hD(hLo, hHi);
    Worst height, lat, lon;
    for (int n = 0; n < samples; ++n) {
        const double la = sampleLatitude(rng), lo = lonD(rng), h = hD(rng);
        double X, Y, Z;
        wgs84().Forward(la, lo, h, X, Y, Z);
        double refLat, refLon, refH;
        wgs84().Reverse(X, Y, Z, refLat, refLon, refH);
        double gLat, gLon, gH;
        const bool ok = QVCoordConv::gcc2gdcDouble(X, Y, Z, gLat, gLon, gH);
        EXPECT_TRUE(ok) << la << " " << lo << " " << h;
        if (!ok) return 1e9;
        height.note(std::fabs(gH - refH), la, lo, h);
        lat.note(std::fabs(gLat - refLat), la, lo, h);
        // On the polar axis the longitude is undefined (ours is 0 by rule).
        if (X != 0.0 || Y != 0.0) lon.note(angleDiff(gLon, refLon), la, lo, h);
    }
    std::printf("gcc2gdc vs GeographicLib, h %g..%g m: worst height %.3g m, latitude %.3g deg, longitude %.3g deg\n",
                hLo, hHi, height.value, lat.value, lon.value);
    EXPECT_LT(height.value, 1e-3) << height;
    EXPECT_LT(lat.value, 1e-8) << lat;
    EXPECT_LT(lon.value, 1e-8) << lon;
    return height.value;
}

TEST(CoordOracle, NearSurfaceShellAgreesWithGeographicLib) { checkReverse(-10000, 50000, 200000, 2); }

TEST(CoordOracle, ClosedFormAboveTheShellAgreesWithGeographicLib) { checkReverse(50000, 3.6e7, 100000, 3); }

TEST(CoordOracle, ClosedFormBelowTheShellAgreesWithGeographicLib) { checkReverse(-1e6, -10000, 100000, 4); }

TEST(CoordOracle, ShellBoundariesAgreeWithGeographicLib)
{
    // Either side of both bounding ellipsoids: 49990/50010 m and -9990/-10010 m.
    // The rational formula shows its own error of a few tenths of a
    // millimetre; the closed form agrees to rounding. That tells which one ran.
    EXPECT_GT(checkReverse(49990, 49990, 20000, 5), 1e-5);
    EXPECT_LT(checkReverse(50010, 50010, 20000, 6), 1e-6);
    EXPECT_GT(checkReverse(-9990, -9990, 20000, 7), 1e-5);
    EXPECT_LT(checkReverse(-10010, -10010, 20000, 8), 1e-6);
}

// From the refused ellipse around the centre (Heikkinen's G not positive) out to
// 2000 km: refused inside, GeographicLib's answer outside.
TEST(CoordOracle, DeepInsideTheEarthAgreesWithGeographicLibOrIsRefused)
{
    std::mt19937_64 rng(9);
    std::normal_distribution<double> dir;
    std::uniform_real_distribution<double> radius(30000, 2e6);
    const double a = 6378137.0, f = 1 / 298.257223563, b = a * (1 - f), e2 = f * (2 - f);
    int refused = 0;
    Worst height, lat;
    for (int n = 0; n < 100000; ++n) {
        const double u = dir(rng), v = dir(rng), w = dir(rng), r = (n % 2 ? radius(rng) : radius(rng) / 20) /
                                                                  std::sqrt(u * u + v * v + w * w);
        const double X = u * r, Y = v * r, Z = w * r;
        const bool inside = X * X + Y * Y + (1 - e2) * Z * Z <= e2 * (a * a - b * b);
        double gLat, gLon, gH;
        const bool ok = QVCoordConv::gcc2gdcDouble(X, Y, Z, gLat, gLon, gH);
        ASSERT_EQ(ok, !inside) << X << " " << Y << " " << Z;
        if (!ok) {
            ++refused;
            continue;
        }
        double refLat, refLon, refH;
        wgs84().Reverse(X, Y, Z, refLat, refLon, refH);
        height.note(std::fabs(gH - refH), refLat, refLon, refH);
        lat.note(std::fabs(gLat - refLat), refLat, refLon, refH);
    }
    std::printf("gcc2gdc vs GeographicLib within 2000 km of the centre: worst height %.3g m, latitude %.3g deg, "
                "%d refused\n", height.value, lat.value, refused);
    EXPECT_GT(refused, 1000);
    EXPECT_LT(height.value, 1e-3) << height;
    EXPECT_LT(lat.value, 1e-8) << lat;
}

}  // namespace
