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
    "area 47.0 8.0 47.1 8.1 1200  # the hill\n"
    "area 49.2 7.5 49.6 8.5 400\n";

class Terrain : public HostTest {
protected:
    void SetUp() override {
        HostTest::SetUp();
        std::string err;
        ASSERT_TRUE(xphost::setTerrain(kTerrain, &err)) << err;
    }
    // The height found straight below a point 3 km up.
    double probeAt(double lat, double lon, XPLMProbeInfo_t* info) {
        double x, y, z, h;
        XPLMWorldToLocal(lat, lon, 3000, &x, &y, &z);
        info->structSize = sizeof(*info);
        XPLMProbeRef probe = XPLMCreateProbe(xplm_ProbeY);
        EXPECT_EQ(XPLMProbeTerrainXYZ(probe, float(x), float(y), float(z), info), xplm_ProbeHitTerrain);
        XPLMDestroyProbe(probe);
        XPLMLocalToWorld(info->locationX, info->locationY, info->locationZ, &x, &z, &h);
        return h;
    }
};

TEST_F(Terrain, ProbesFindTheLoadedLandAndSeaAndASeaLevelSphereElsewhere) {
    std::string err;
    ASSERT_TRUE(xphost::setRoute("start 47.05 8.05 2000 0\n", &err)) << err;
    struct Case {
        const char* name;
        double lat, lon, height;  // NAN: the sphere
        int wet;
    } cases[] = {
        {"the hill over the plateau", 47.05, 8.05, 1200, 0},
        {"the plateau", 46.7, 7.7, 600, 0},
        {"sea in a loaded tile", 47.8, 8.9, 0, 1},
        {"land beyond the loaded tiles", 49.4, 8.0, NAN, 1},
        {"sea beyond them, east", 47.05, 10.2, NAN, 1},
    };
    for (const Case& c : cases) {
        XPLMProbeInfo_t info;
        const double h = probeAt(c.lat, c.lon, &info);
        EXPECT_EQ(info.is_wet, c.wet) << c.name;
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
}

TEST_F(Terrain, NewSceneryArrivesAfterTheShiftWithOne104) {
    ASSERT_GE(load(HOSTTEST_PLUGIN), 0);
    std::string err;
    // North at 1 km/s: the origin moves 20 km out, into tile 48, after 20 s.
    ASSERT_TRUE(xphost::setRoute("start 47.9 8.05 2000 0\nleg - 1000 0 0 1000\n", &err)) << err;
    xphost::setOriginShiftDistance(20000);
    xphost::setFrameRate(20);
    XPLMProbeInfo_t info;
    for (double t : {0.0, 20.5, 23.0}) {  // before the shift, loading, loaded (2 s after it)
        xphost::runSeconds(t - xphost::simTime());
        const bool loaded = t > 22;
        EXPECT_NEAR(probeAt(49.4, 8.0, &info), loaded ? 400 : 0, loaded ? 0.05 : 60) << t;
        EXPECT_EQ(xphost::sceneryLoading(), t == 20.5) << t;
        EXPECT_EQ(logCount("HostTest: msg 0 104 0"), loaded ? 1u : 0u) << t;
    }
    EXPECT_FALSE(xphost::sceneryLoadedAt(46.5, 8.0)) << "the old southern tiles went";
}

}  // namespace
