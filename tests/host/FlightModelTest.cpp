// The simulated flight: geodesy against GeographicLib, the local frame and
// its scenery shifts, kinematic consistency, and the route format.

#include "HostFixture.h"

#include "XPLMDataAccess.h"
#include "XPLMGraphics.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

#ifdef HAVE_GEOGRAPHICLIB
#include <GeographicLib/Geocentric.hpp>
#include <GeographicLib/LocalCartesian.hpp>
#endif

namespace {

const double kDeg = M_PI / 180.0;
const double kMetresPerDegree = 111320.0;
const std::string kPos = "sim/flightmodel/position/";

float ref(const char* name) { return xphost::getFloat(kPos + name); }

using FlightModel = HostTest;

#ifdef HAVE_GEOGRAPHICLIB
TEST_F(FlightModel, PositionMatchesGeographicLibOverALongFlight) {
    xphost::setFrameRate(10);  // the geometry does not depend on the step; keeps the hour-long flight quick
    std::string err;
    ASSERT_TRUE(xphost::setRoute("start 48.5 -3.25 300 10\n"
                                 "leg - 120 8 0 120\n"
                                 "leg - 150 0 1.5 60\n"
                                 "leg - 200 0 0 3600\n",
                                 &err))
        << err;
    double worstExact = 0, worstFloat = 0;
    for (int i = 0; i < 240; ++i) {  // 80 minutes in 20 s steps
        xphost::runSeconds(20);
        const xphost::FlightState s = xphost::flightState();
        // The exact state: geodetic position from the local one.
        GeographicLib::LocalCartesian exact(s.latRef, s.lonRef, 0, GeographicLib::Geocentric::WGS84());
        double lat, lon, h;
        exact.Reverse(s.x, -s.z, s.y, lat, lon, h);
        worstExact = std::max({worstExact, std::fabs(lat - s.latitude) * kMetresPerDegree,
                               std::fabs(lon - s.longitude) * kMetresPerDegree * std::cos(lat * kDeg),
                               std::fabs(h - s.elevation)});
        // What a plugin reads from the float data references.
        GeographicLib::LocalCartesian seen(ref("lat_ref"), ref("lon_ref"), 0, GeographicLib::Geocentric::WGS84());
        seen.Reverse(ref("local_x"), -ref("local_z"), ref("local_y"), lat, lon, h);
        worstFloat = std::max({worstFloat, std::fabs(lat - ref("latitude")) * kMetresPerDegree,
                               std::fabs(lon - ref("longitude")) * kMetresPerDegree * std::cos(lat * kDeg),
                               std::fabs(h - xphost::getDouble(kPos + "elevation"))});
    }
    EXPECT_LT(worstExact, 1e-6);
    EXPECT_LT(worstFloat, 1.0);
    // It really went far: 200 m/s for an hour.
    const xphost::FlightState end = xphost::flightState();
    EXPECT_GT(std::hypot(end.latitude - 48.5, (end.longitude + 3.25) * std::cos(end.latitude * kDeg)), 5.0);
}

// X-Plane keeps its origin for tens of kilometres: 150 km out the flat frame
// is far from the height, and the global position and the conversion
// functions must still give the exact state.
TEST_F(FlightModel, FarFromTheOriginLocalYIsNotTheHeightButTheGlobalPositionIsExact) {
    xphost::setFrameRate(10);
    xphost::setOriginShiftDistance(200000);
    std::string err;
    ASSERT_TRUE(xphost::setRoute("start 47.25 8.5 3000 60\nleg - 250 0 0 600\n", &err)) << err;
    const float latRef = ref("lat_ref"), lonRef = ref("lon_ref");
    xphost::runSeconds(600);
    ASSERT_EQ(ref("lat_ref"), latRef) << "no scenery shift within 200 km";
    ASSERT_EQ(ref("lon_ref"), lonRef);
    const xphost::FlightState s = xphost::flightState();
    GeographicLib::LocalCartesian frame(s.latRef, s.lonRef, 0, GeographicLib::Geocentric::WGS84());
    double e, n, u;
    frame.Forward(s.latitude, s.longitude, s.elevation, e, n, u);
    EXPECT_GT(std::hypot(e, n), 149900) << "150 km flown";
    EXPECT_GT(s.elevation - s.y, 1700) << "the earth curves away under the flat frame";
    EXPECT_NEAR(s.x, e, 1e-6);
    EXPECT_NEAR(s.z, -n, 1e-6);
    EXPECT_NEAR(s.y, u, 1e-6);

    // Attitude: true_psi/true_theta against the ground below, psi/theta
    // against the frame, where the nose points along the frame's velocity
    // (straight, level, no wind). The two part by more than a degree here.
    EXPECT_NEAR(ref("true_psi"), 60, 1e-4);
    EXPECT_NEAR(ref("true_theta"), 0, 1e-6);
    const double trackInFrame = std::atan2(s.vx, -s.vz) / kDeg;
    const double pathInFrame = std::atan2(s.vy, std::hypot(s.vx, s.vz)) / kDeg;
    EXPECT_NEAR(s.psi, trackInFrame, 1e-6);
    EXPECT_NEAR(s.theta, pathInFrame, 1e-6);
    EXPECT_GT(std::fabs(s.psi - s.truePsi) + std::fabs(s.theta - s.trueTheta), 1.0);
    EXPECT_NEAR(ref("psi"), trackInFrame, 1e-4);
    EXPECT_NEAR(ref("theta"), pathInFrame, 1e-4);
    EXPECT_NEAR(ref("phi"), 0, 0.05) << "the frame tilts mostly along the track";

    // The double references hold the exact state; float reads are rounded.
    const char* names[] = {"latitude", "longitude", "elevation"};
    const double exact[] = {s.latitude, s.longitude, s.elevation};
    for (int i = 0; i < 3; ++i) {
        XPLMDataRef r = XPLMFindDataRef((kPos + names[i]).c_str());
        EXPECT_EQ(XPLMGetDataRefTypes(r), xplmType_Float | xplmType_Double) << names[i];
        EXPECT_EQ(XPLMGetDatad(r), exact[i]) << names[i];
        EXPECT_EQ(XPLMGetDataf(r), static_cast<float>(exact[i])) << names[i];
    }

    // World to local and back in the frame plugins see, against GeographicLib.
    struct Point {
        double lat, lon, alt;
    } points[] = {{s.latitude, s.longitude, s.elevation}, {s.latRef, s.lonRef, 0}, {47.0, 9.9, -50}, {48.1, 7.2, 11000}};
    for (const Point& p : points) {
        double x, y, z;
        XPLMWorldToLocal(p.lat, p.lon, p.alt, &x, &y, &z);
        frame.Forward(p.lat, p.lon, p.alt, e, n, u);
        EXPECT_NEAR(x, e, 1e-6);
        EXPECT_NEAR(y, u, 1e-6);
        EXPECT_NEAR(z, -n, 1e-6);
        double lat, lon, alt;
        XPLMLocalToWorld(e, u, -n, &lat, &lon, &alt);
        EXPECT_NEAR(lat, p.lat, 1e-11);
        EXPECT_NEAR(lon, p.lon, 1e-11);
        EXPECT_NEAR(alt, p.alt, 1e-6);
    }
    XPLMWorldToLocal(47, 9, 0, nullptr, nullptr, nullptr);  // null outputs are ignored
}
#else
TEST_F(FlightModel, PositionMatchesGeographicLibOverALongFlight) { GTEST_SKIP() << "GeographicLib not available"; }
#endif

TEST_F(FlightModel, OriginShiftsPastTheDistanceOnly) {
    xphost::setFrameRate(10);
    EXPECT_EQ(xphost::originShiftDistance(), 100000);
    for (double bad : {0.0, -5.0, 1e8, std::nan("")})
        EXPECT_THROW(xphost::setOriginShiftDistance(bad), std::invalid_argument) << bad;
    xphost::setOriginShiftDistance(20000);
    std::string err;
    ASSERT_TRUE(xphost::setRoute("start 0 0 1000 90\nleg - 200 0 0 300\n", &err)) << err;
    double farthest = 0;
    int shifts = 0;
    double lastRef = ref("lon_ref");
    for (int i = 0; i < 3000; ++i) {
        xphost::runFrames(1);
        const xphost::FlightState s = xphost::flightState();
        farthest = std::max(farthest, std::hypot(s.x, s.z));
        if (ref("lon_ref") != lastRef) {
            ++shifts;
            lastRef = ref("lon_ref");
            EXPECT_LT(std::hypot(s.x, s.z), 100) << "the new origin is under the aircraft";
        }
    }
    EXPECT_EQ(shifts, 2) << "60 km at 20 km a shift";
    EXPECT_GT(farthest, 19900);
    EXPECT_LE(farthest, 20000 + 20 + 1e-6);
}

TEST_F(FlightModel, PausedStopsTheFlightAndTheClockButNotTheFrames) {
    XPLMDataRef paused = XPLMFindDataRef("sim/time/paused");
    ASSERT_NE(paused, nullptr);
    EXPECT_EQ(XPLMGetDataRefTypes(paused), xplmType_Int);
    EXPECT_EQ(XPLMCanWriteDataRef(paused), 0);
    EXPECT_EQ(XPLMGetDatai(paused), 0);
    xphost::runSeconds(1);
    const xphost::FlightState before = xphost::flightState();
    const float zulu = xphost::getFloat("sim/time/zulu_time_sec");
    xphost::setPaused(true);
    EXPECT_EQ(XPLMGetDatai(paused), 1);
    const double t = xphost::simTime();
    xphost::runSeconds(5);
    EXPECT_NEAR(xphost::simTime(), t + 5, 1e-9) << "frames go on";
    EXPECT_EQ(xphost::flightState().latitude, before.latitude);
    EXPECT_EQ(xphost::flightState().elevation, before.elevation);
    EXPECT_EQ(xphost::getFloat("sim/time/zulu_time_sec"), zulu);
    xphost::setPaused(false);
    EXPECT_EQ(XPLMGetDatai(paused), 0);
    xphost::runSeconds(1);
    EXPECT_NE(xphost::flightState().latitude, before.latitude);
    EXPECT_NEAR(xphost::getFloat("sim/time/zulu_time_sec"), zulu + 1, 1e-3);
}

TEST_F(FlightModel, LocalOriginFollowsTheAircraftWhenAskedToShiftOften) {
    xphost::setOriginShiftDistance(1900);
    std::string err;
    ASSERT_TRUE(xphost::setRoute("start 60 20 1000 45\nleg - 250 0 0.5 300\n", &err)) << err;
    int shifts = 0;
    double lastRef = ref("lat_ref");
    for (int i = 0; i < 60 * 300; ++i) {
        xphost::runFrames(1);
        const xphost::FlightState s = xphost::flightState();
        ASSERT_LE(std::hypot(s.x, s.z), 1900.0 + 250.0 / 60) << "frame " << i;
        ASSERT_LT(std::fabs(s.y - s.elevation), 0.3) << "frame " << i;
        ASSERT_EQ(static_cast<double>(static_cast<float>(s.latRef)), s.latRef) << "the float reference is exact";
        if (ref("lat_ref") != lastRef) {
            ++shifts;
            lastRef = ref("lat_ref");
        }
    }
    EXPECT_GT(shifts, 15);
}

TEST_F(FlightModel, VelocityAndAccelerationAreDerivatives) {
    std::string err;
    ASSERT_TRUE(xphost::setRoute("start 52 5 500 0\nleg 0 80 4 3 100\n", &err)) << err;
    xphost::runSeconds(1);
    for (int i = 0; i < 300; ++i) {
        const xphost::FlightState a = xphost::flightState();
        xphost::runFrames(1);
        const xphost::FlightState b = xphost::flightState();
        if (a.latRef != b.latRef || a.lonRef != b.lonRef) continue;  // origin moved
        const double dt = 1.0 / 60;
        EXPECT_NEAR((b.x - a.x) / dt, (a.vx + b.vx) / 2, 1e-3);
        EXPECT_NEAR((b.y - a.y) / dt, (a.vy + b.vy) / 2, 1e-3);
        EXPECT_NEAR((b.z - a.z) / dt, (a.vz + b.vz) / 2, 1e-3);
        EXPECT_NEAR((b.vx - a.vx) / dt, (a.ax + b.ax) / 2, 1e-3);
        EXPECT_NEAR((b.vz - a.vz) / dt, (a.az + b.az) / 2, 1e-3);
    }
    // Centripetal acceleration of a 3 deg/s turn at 80 m/s.
    const xphost::FlightState s = xphost::flightState();
    EXPECT_NEAR(std::hypot(s.ax, s.az), 80 * 3 * kDeg, 0.01);
    EXPECT_NEAR(std::hypot(s.vx, s.vz), 80, 0.01);
    EXPECT_NEAR(s.vy, 4, 0.01);
}

TEST_F(FlightModel, AttitudeFollowsTheLeg) {
    std::string err;
    ASSERT_TRUE(xphost::setRoute("start 10 10 0 350\nleg - 60 6 0 10\nleg - 60 0 2 10\nleg 90 50 0 0 10\n", &err));
    auto headingOff = [](double psi, double want) { return std::fabs(std::remainder(psi - want, 360.0)); };
    xphost::runSeconds(5);
    EXPECT_NEAR(ref("true_theta"), std::atan2(6.0, 60.0) / kDeg, 1e-4);
    EXPECT_NEAR(ref("true_phi"), 0, 1e-6);
    EXPECT_NEAR(ref("true_psi"), 350, 1e-4);
    xphost::runSeconds(10);  // 5 s into a right turn through north
    EXPECT_LT(headingOff(ref("true_psi"), 0), 1e-3);
    EXPECT_GE(ref("true_psi"), 0.0f);
    EXPECT_LT(ref("true_psi"), 360.0f);
    xphost::runSeconds(3);
    EXPECT_NEAR(ref("true_psi"), 6, 1e-3);
    EXPECT_NEAR(ref("true_phi"), std::atan(60 * 2 * kDeg / 9.80665) / kDeg, 1e-3) << "right turn, right bank";
    EXPECT_NEAR(ref("true_theta"), 0, 1e-6);
    xphost::runSeconds(7);
    EXPECT_NEAR(ref("true_psi"), 90, 1e-4) << "the leg's own heading";
    EXPECT_NEAR(ref("groundspeed"), 50, 1e-4);
    xphost::runSeconds(10);  // past the route: straight and level
    EXPECT_NEAR(ref("true_psi"), 90, 1e-4);
    EXPECT_NEAR(ref("true_phi"), 0, 1e-6);
    const double level = xphost::getDouble(kPos + "elevation");
    xphost::runSeconds(1);
    EXPECT_NEAR(xphost::getDouble(kPos + "elevation"), level, 1e-6);
    // A kilometre or two from the origin the frame's angles are within 0.02 deg.
    EXPECT_NEAR(ref("psi"), 90, 0.02);
    EXPECT_NEAR(ref("theta"), 0, 0.02);
    EXPECT_NEAR(ref("phi"), 0, 0.02);
    const std::vector<float> q = xphost::getFloatArray(kPos + "q");
    EXPECT_NEAR(q[0], std::cos(M_PI / 4), 1e-5);  // pure 90 deg yaw
    EXPECT_NEAR(q[3], std::sin(M_PI / 4), 1e-5);
}

TEST_F(FlightModel, DistancesAlongLegs) {
    std::string err;
    ASSERT_TRUE(xphost::setRoute("start 0 0 1000 90\nleg - 100 0 0 10\nleg 0 50 0 0 10\n", &err)) << err;
    xphost::runSeconds(10);
    EXPECT_NEAR(ref("local_x"), 1000, 0.01);
    EXPECT_NEAR(ref("local_z"), 0, 0.01);
    xphost::runSeconds(10);
    EXPECT_NEAR(ref("local_x"), 1000, 0.01);
    EXPECT_NEAR(ref("local_z"), -500, 0.01) << "north is -z";
    EXPECT_NEAR(xphost::getDouble(kPos + "elevation"), 1000, 0.01);
}

TEST_F(FlightModel, FrozenWhenDisabled) {
    xphost::setFlightModelEnabled(false);
    xphost::setFloat(kPos + "local_x", 5.0f);
    xphost::runSeconds(2);
    EXPECT_EQ(ref("local_x"), 5.0f);
    xphost::setFlightModelEnabled(true);
    xphost::runFrames(1);
    EXPECT_NE(ref("local_x"), 5.0f);
}

TEST_F(FlightModel, DefaultRouteTakesOffNearFiftyTwoNorthFiveEast) {
    EXPECT_NEAR(ref("latitude"), 52.0, 1e-4);
    EXPECT_NEAR(ref("longitude"), 5.0, 1e-4);
    xphost::runSeconds(60);
    EXPECT_GT(xphost::getDouble(kPos + "elevation"), 300);
    std::string err;
    EXPECT_TRUE(xphost::setRoute(xphost::defaultRouteText(), &err)) << err;
}

TEST_F(FlightModel, RouteErrorsNameFileAndLine) {
    struct Case {
        const char* text;
        const char* error;
    } cases[] = {
        {"start 52 5 0 270\nleg - 60 5 0\n", "r.txt:2: expected: leg"},
        {"# c\n\nstart 52 5 0 270\nstart 1 1 1 1\n", "r.txt:4: a second start line"},
        {"leg - 60 5 0 10\n", "r.txt:1: leg before the start line"},
        {"start 95 5 0 270\n", "r.txt:1: latitude 95 is outside"},
        {"start 52 5 0 abc\n", "r.txt:1: heading \"abc\" is not a number"},
        {"start 52 5 0 270\nleg - 60x 5 0 10\n", "r.txt:2: speed \"60x\" is not a number"},
        {"start 52 5 0 270\nleg - 60 5 0 0\n", "r.txt:2: duration 0 is outside"},
        {"start 52 5 0 270\nleg - 60 5 0 nan\n", "r.txt:2: duration \"nan\" is not a number"},
        {"start 52 5 0 270\nfly 3\n", "r.txt:2: unknown item \"fly\""},
        {"# only a comment\n", "r.txt: no start line"},
    };
    for (const Case& c : cases) {
        std::string err;
        EXPECT_FALSE(xphost::setRoute(c.text, &err, "r.txt")) << c.text;
        EXPECT_EQ(err.rfind(c.error, 0), 0u) << "got: " << err;
    }
    // A bad route leaves the flight as it was.
    EXPECT_NEAR(ref("latitude"), 52.0, 1e-4);
}

}  // namespace
