// The entity's frame-to-frame geodetic conversion against GeographicLib along
// paths that force new anchors: fast flight, over a pole, across the date line,
// high up, and jumps.
#include <gtest/gtest.h>

#include <GeographicLib/Geocentric.hpp>

#include <cmath>
#include <vector>

#include "GeodeticTrack.h"

namespace {

struct Path {
    const char* name;
    double lat, lon, height;  // start
    double east, north, up;   // m/s, along the start's axes: a straight line in space
    double step;              // s between conversions
    int steps;
};

TEST(GeodeticTrack, StaysWithinMillimetresOfGeographicLib) {
    const GeographicLib::Geocentric& earth = GeographicLib::Geocentric::WGS84();
    const Path paths[] = {
        {"Zurich, fast and climbing", 47.4, 8.5, 500, 240, 60, 30, 1.0 / 60, 3000},
        {"over the north pole", 89.9995, 30, 1000, 0, 100, 0, 1.0 / 60, 120},
        {"across the date line", -0.5, 179.9990, 50, 200, 0, 0, 1.0 / 60, 300},
        {"high up", 10, -70, 30000, -600, 400, -20, 1.0 / 60, 1200},
        {"jumps of 10 km", 35, 139, 2000, 10000, 0, 0, 1, 20},
    };
    for (const Path& p : paths) {
        double start[3];
        std::vector<double> rotation(9);
        earth.Forward(p.lat, p.lon, p.height, start[0], start[1], start[2], rotation);
        // GeographicLib's rotation: columns east, north, up in geocentric terms.
        double v[3];
        for (int i = 0; i < 3; ++i)
            v[i] = rotation[3 * i] * p.east + rotation[3 * i + 1] * p.north + rotation[3 * i + 2] * p.up;
        traffic::GeodeticTrack track;
        double worst = 0;
        for (int n = 0; n <= p.steps; ++n) {
            const double t = n * p.step;
            const double x[3] = {start[0] + v[0] * t, start[1] + v[1] * t, start[2] + v[2] * t};
            double lat, lon, h, tlat, tlon, th;
            ASSERT_TRUE(track.convert(x, QVCoordConv::VerticalDatum::WGS84E, lat, lon, h)) << p.name << " " << n;
            earth.Reverse(x[0], x[1], x[2], tlat, tlon, th);
            ASSERT_GE(lon, -180.0) << p.name;
            ASSERT_LE(lon, 180.0) << p.name;
            const double metresPerDegree = 6371000.0 * M_PI / 180;
            const double north = (lat - tlat) * metresPerDegree;
            const double east = std::remainder(lon - tlon, 360.0) * metresPerDegree * std::cos(tlat * M_PI / 180);
            worst = std::fmax(worst, std::sqrt(north * north + east * east + (h - th) * (h - th)));
        }
        // The exact conversion alone is within about 0.9 mm of GeographicLib.
        EXPECT_LT(worst, 2e-3) << p.name;
    }
}

TEST(GeodeticTrack, RefusesWhatHasNoGeodeticForm) {
    traffic::GeodeticTrack track;
    double lat = 7, lon = 7, h = 7;
    const double ok[3] = {4e6, 3e6, 3.5e6}, nan[3] = {NAN, 0, 0}, centre[3] = {0, 0, 0};
    ASSERT_TRUE(track.convert(ok, QVCoordConv::VerticalDatum::WGS84E, lat, lon, h));
    // Near the anchor or not, a NaN or the earth's centre fails as the exact conversion does.
    EXPECT_FALSE(track.convert(nan, QVCoordConv::VerticalDatum::WGS84E, lat, lon, h));
    EXPECT_FALSE(track.convert(centre, QVCoordConv::VerticalDatum::WGS84E, lat, lon, h));
    EXPECT_TRUE(track.convert(ok, QVCoordConv::VerticalDatum::WGS84E, lat, lon, h));
}

}  // namespace
