// EGM96 heights: the grid against PROJ's own reading of the same file (cct,
// Debian's proj-bin), EGM96 positions against GeographicLib, and grid files
// that are missing, truncated or not what they claim.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <GeographicLib/Geocentric.hpp>

#include "GeoidOracle.h"
#include "QVCoordConv.h"
#include "SRM.h"
#include "test_support.h"

namespace {

const std::string kGrid = VOLAX_GEOID_GRID_PATH;

struct Place {
    const char* name;
    double latitude, longitude;
    double about;  // what the place is known for, to see that the oracle ran at all
};

// The places the geoid is known by, the poles, and around the date line (the
// grid's last column is 179.75 E; east of it the first one follows).
const Place kPlaces[] = {
    {"Zurich", 47.3769, 8.5417, 47.3},
    {"San Francisco", 37.7749, -122.4194, -32.3},
    {"Indian Ocean low", 4.75, 78.75, -107.0},
    {"south of Ceylon", 4.0, 77.0, -104.2},
    {"north pole", 90.0, 0.0, 13.6},
    {"north pole, another meridian", 90.0, -135.0, 13.6},
    {"south pole", -90.0, 0.0, -29.5},
    {"Fiji, west of the date line", -16.5, 179.9, 53.0},
    {"Fiji, east of the date line", -16.5, -179.9, 52.2},
    {"date line from the east", -16.5, 180.0, 52.6},
    {"date line from the west", -16.5, -180.0, 52.6},
    {"between the last column and the first", 0.1, 179.875, 21.1},
    {"a grid node", 45.0, 10.0, 39.0},
};

}  // namespace

TEST(Geoid, SeparationAgreesWithProjWithinOneCentimetre)
{
    ASSERT_EQ(QVCoordConv::loadGeoid(kGrid.c_str()), SRM_STAT_CODE_SUCCESS) << kGrid;
    const GeographicLib::Geocentric& earth = GeographicLib::Geocentric::WGS84();
    double worst = 0;
    for (const Place& p : kPlaces) {
        SCOPED_TRACE(p.name);
        const double proj = projGeoidSeparation(p.latitude, p.longitude);
        ASSERT_NEAR(proj, p.about, 0.5) << "the oracle itself (cct, Debian's proj-bin)";
        double n = NAN;
        ASSERT_TRUE(QVCoordConv::geoidSeparation(p.latitude, p.longitude, n));
        EXPECT_NEAR(n, proj, 0.01);
        worst = std::max(worst, std::fabs(n - proj));

        // 1000 m above mean sea level is 1000 + N above the ellipsoid, both ways.
        double x, y, z, exact[3];
        ASSERT_TRUE(QVCoordConv::gdc2gccDouble(p.latitude, p.longitude, 1000.0, QVCoordConv::VerticalDatum::EGM96,
                                               x, y, z));
        earth.Forward(p.latitude, p.longitude, 1000.0 + proj, exact[0], exact[1], exact[2]);
        EXPECT_LT(std::hypot(x - exact[0], y - exact[1], z - exact[2]), 0.01);
        double lat, lon, h;
        ASSERT_TRUE(QVCoordConv::gcc2gdcDouble(exact[0], exact[1], exact[2], QVCoordConv::VerticalDatum::EGM96, lat,
                                               lon, h));
        EXPECT_NEAR(h, 1000.0, 0.01);
    }
    std::printf("largest difference from cct: %.6f m\n", worst);
    SRM_UnloadGeoidSeparationFile();
}

namespace {

std::string readAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

std::string writeTemp(const std::string& name, const std::string& bytes)
{
    const std::string path = testing::TempDir() + name;
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
}

}  // namespace

// Every bad grid leaves none: EGM96 conversions then fail with the load's
// status, and a good grid loaded later serves again.
TEST(GeoidFile, MissingOrInvalidGridsAreRefused)
{
    const std::string good = readAll(kGrid);
    ASSERT_EQ(good.size(), 40u + 721u * 1440u * 4u);
    std::string regional = good;
    regional[1] = 0x50;  // south edge -66 degrees, no longer global
    std::string nan = good;
    for (int i = 0; i < 4; ++i) nan[40 + 4 * 5000 + i] = '\xff';
    struct Case {
        const char* name;
        std::string path;
        SRM_Status_Code status;
    } cases[] = {
        {"no such file", testing::TempDir() + "no-such-grid.gtx", SRM_STAT_CODE_MISSING_WGS84_GEOID_SEPARATION_FILE},
        {"a folder", testing::TempDir(), SRM_STAT_CODE_MISSING_WGS84_GEOID_SEPARATION_FILE},
        {"header cut", writeTemp("short-header.gtx", good.substr(0, 20)),
         SRM_STAT_CODE_INVALID_WGS84_GEOID_SEPARATION_FILE},
        {"values cut", writeTemp("truncated.gtx", good.substr(0, good.size() - 4)),
         SRM_STAT_CODE_INVALID_WGS84_GEOID_SEPARATION_FILE},
        {"bytes beyond the grid", writeTemp("long.gtx", good + "x"), SRM_STAT_CODE_INVALID_WGS84_GEOID_SEPARATION_FILE},
        {"not global", writeTemp("regional.gtx", regional), SRM_STAT_CODE_INVALID_WGS84_GEOID_SEPARATION_FILE},
        {"a value not a number", writeTemp("nan.gtx", nan), SRM_STAT_CODE_INVALID_WGS84_GEOID_SEPARATION_FILE},
    };
    CapturedStream log;
    QVCoordConv::setLogFile(log.get());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(QVCoordConv::loadGeoid(kGrid.c_str()), SRM_STAT_CODE_SUCCESS);
        EXPECT_EQ(QVCoordConv::loadGeoid(c.path.c_str()), c.status);
        double n, x, y, z;
        EXPECT_EQ(SRM_GeoidSeparation(47, 8, &n), c.status);
        log.take();
        EXPECT_FALSE(QVCoordConv::gdc2gccDouble(47, 8, 0, QVCoordConv::VerticalDatum::EGM96, x, y, z));
        EXPECT_EQ(log.take(), "QVCoordConv::gdc2gccDouble : Failed to create pair!\n");
        // Ellipsoid heights never need the grid.
        EXPECT_TRUE(QVCoordConv::gdc2gccDouble(47, 8, 0, QVCoordConv::VerticalDatum::WGS84E, x, y, z));
    }
    QVCoordConv::setLogFile(nullptr);
    EXPECT_EQ(QVCoordConv::loadGeoid(kGrid.c_str()), SRM_STAT_CODE_SUCCESS);
    double n;
    EXPECT_TRUE(QVCoordConv::geoidSeparation(47, 8, n));
    SRM_UnloadGeoidSeparationFile();
}
