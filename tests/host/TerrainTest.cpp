// The host's world as X-Plane's: land from a terrain file, scenery loaded in
// tiles around the origin, a sea-level sphere outside them, and new scenery
// arriving some time after a shift (message 104).

#include "HostFixture.h"

#include "XPLMGraphics.h"
#include "XPLMScenery.h"

#if HAVE_GEOGRAPHICLIB
#include <GeographicLib/Ellipsoid.hpp>
#endif

#include <cmath>

namespace {

const char kTerrain[] =
    "# a plateau, a hill on it, and land two tiles north of the start\n"
    "area 46.5 7.5 47.5 8.5 600\n"
    "area 47.0 8.0 47.1 8.1 1200\n"
    "area 49.2 7.5 49.6 8.5 400\n";

class Terrain : public HostTest {
protected:
    void SetUp() override {
        HostTest::SetUp();
        std::string err;
        ASSERT_TRUE(xphost::setTerrain(kTerrain, &err)) << err;
        probe = XPLMCreateProbe(xplm_ProbeY);
    }
    void TearDown() override {
        XPLMDestroyProbe(probe);
        HostTest::TearDown();
    }
    // Probes straight below a point 3 km up; the height found, and the result.
    XPLMProbeResult probeAt(double lat, double lon, double* h, XPLMProbeInfo_t* info) {
        double x, y, z, la, lo;
        XPLMWorldToLocal(lat, lon, 3000, &x, &y, &z);
        info->structSize = sizeof(*info);
        const XPLMProbeResult r = XPLMProbeTerrainXYZ(probe, float(x), float(y), float(z), info);
        XPLMLocalToWorld(info->locationX, info->locationY, info->locationZ, &la, &lo, h);
        return r;
    }
    XPLMProbeRef probe = nullptr;
};

TEST_F(Terrain, ProbesFindTheLoadedLandAndSeaAndASeaLevelSphereElsewhere) {
    std::string err;
    ASSERT_TRUE(xphost::setRoute("start 47.05 8.05 2000 0\n", &err)) << err;
    const double sphere = NAN;
    struct Case {
        const char* name;
        double lat, lon, height;  // NAN: the sphere
        int wet;
    } cases[] = {
        {"the hill over the plateau", 47.05, 8.05, 1200, 0},
        {"the plateau", 46.7, 7.7, 600, 0},
        {"sea in a loaded tile", 47.8, 8.9, 0, 1},
        {"sea a tile south-west", 46.2, 7.1, 0, 1},
        {"land beyond the loaded tiles", 49.4, 8.0, sphere, 1},
        {"sea beyond them, east", 47.05, 10.2, sphere, 1},
    };
    for (const Case& c : cases) {
        double h;
        XPLMProbeInfo_t info;
        ASSERT_EQ(probeAt(c.lat, c.lon, &h, &info), xplm_ProbeHitTerrain) << c.name;
        EXPECT_EQ(info.is_wet, c.wet) << c.name;
        EXPECT_EQ(xphost::sceneryLoadedAt(c.lat, c.lon), !std::isnan(c.height)) << c.name;
        if (!std::isnan(c.height)) {
            EXPECT_NEAR(h, c.height, 0.05) << c.name;
            continue;
        }
        // Near sea level, and not the land there.
        EXPECT_LT(std::fabs(h), 60) << c.name;
#if HAVE_GEOGRAPHICLIB
        // On the sphere touching the ellipsoid at the origin, radius sqrt(M N) there.
        const GeographicLib::Ellipsoid& e = GeographicLib::Ellipsoid::WGS84();
        const double lat0 = xphost::flightState().latRef;
        const double r = std::sqrt(e.MeridionalCurvatureRadius(lat0) * e.TransverseCurvatureRadius(lat0));
        const double x = info.locationX, z = info.locationZ;
        EXPECT_NEAR(info.locationY, std::sqrt(r * r - x * x - z * z) - r, 0.1) << c.name;
#endif
    }
    XPLMProbeInfo_t wrongSize;
    wrongSize.structSize = 8;
    EXPECT_EQ(XPLMProbeTerrainXYZ(probe, 0, 0, 0, &wrongSize), xplm_ProbeError);
}

TEST_F(Terrain, NewSceneryArrivesAfterTheShiftWithOne104) {
    const int p = load(HOSTTEST_PLUGIN);
    ASSERT_GE(p, 0);
    std::string err;
    // North at 1 km/s: the origin moves 20 km out, into tile 48, after 20 s.
    ASSERT_TRUE(xphost::setRoute("start 47.9 8.05 2000 0\nleg - 1000 0 0 1000\n", &err)) << err;
    xphost::setOriginShiftDistance(20000);
    xphost::setFrameRate(20);
    double h;
    XPLMProbeInfo_t info;
    probeAt(49.4, 8.0, &h, &info);
    EXPECT_NEAR(h, 0, 60) << "not loaded at the start";
    xphost::runSeconds(20.5);
    ASSERT_TRUE(xphost::sceneryLoading());
    probeAt(49.4, 8.0, &h, &info);
    EXPECT_NEAR(h, 0, 60) << "still loading";
    EXPECT_FALSE(logHas("HostTest: msg 0 104"));
    xphost::runSeconds(2);
    EXPECT_FALSE(xphost::sceneryLoading());
    EXPECT_EQ(logCount("HostTest: msg 0 104 0"), 1u);
    probeAt(49.4, 8.0, &h, &info);
    EXPECT_NEAR(h, 400, 0.05);
    EXPECT_FALSE(xphost::sceneryLoadedAt(46.5, 8.0)) << "the old southern tiles went";

    // A new flight starts with its scenery loaded, without 104.
    xphost::setSceneryLoadDelay(0.5);
    ASSERT_TRUE(xphost::setRoute("start 47.05 8.05 2000 0\n", &err)) << err;
    probeAt(47.05, 8.05, &h, &info);
    EXPECT_NEAR(h, 1200, 0.05);
    xphost::runSeconds(1);
    EXPECT_EQ(logCount("HostTest: msg 0 104 0"), 1u);
}

TEST_F(Terrain, BadTerrainIsRefusedAndTheOldKept) {
    struct Case {
        const char* text;
        const char* error;
    } cases[] = {
        {"area 47 8 48\n", "terrain:1: area needs: south west north east elevation"},
        {"# hills\nhill 47 8 48 9 500\n", "terrain:2: unknown item \"hill\" (expected area)"},
        {"area 48 8 47 9 500\n", "terrain:1: latitudes must be south < north in -90 .. 90"},
        {"area 47 9 48 8 500\n", "terrain:1: longitudes must be west < east in -180 .. 180"},
        {"area 47 8 48 9 high\n", "terrain:1: \"high\" is not a number"},
        {"area 47 8 48 9 12000\n", "terrain:1: elevation must be -500 .. 9000 m"},
    };
    for (const Case& c : cases) {
        std::string err;
        EXPECT_FALSE(xphost::setTerrain(c.text, &err)) << c.text;
        EXPECT_EQ(err, c.error);
    }
    EXPECT_EQ(xphost::terrainElevation(47.05, 8.05), 1200);
    xphost::reset();
    EXPECT_EQ(xphost::terrainElevation(47.05, 8.05), 0) << "reset: all sea";
    EXPECT_THROW(xphost::setSceneryLoadDelay(-1), std::invalid_argument);
}

}  // namespace
