// VOLAX.xpl and a peer federate in one process, over the embedded RTI: the
// ownship as the peer sees it, and the peer's detonations and StartResumes as
// X-Plane feels them.

#include <algorithm>
#include <cmath>
#include <memory>
#include <ctime>

#include "UtcTime.h"

#include "Peer.h"
#include "PluginHarness.h"
#include "QVCoordConv.h"

#ifdef HAVE_GEOGRAPHICLIB
#include <GeographicLib/Geocentric.hpp>
#endif
#ifdef VOLAX_GEOID_GRID_PATH
#include "GeoidOracle.h"
#endif

namespace {

const double kLat = 52.30, kLon = 4.76, kHeight = 1200.0;

class FederationTest : public PluginTest {
protected:
    void SetUp() override {
        PluginTest::SetUp();
        if (!testRtiReachesPlugin()) GTEST_SKIP() << kPluginHasItsOwnRti;
        standStill(0.0f, 0.0f, 0.0f);
    }
    void TearDown() override {
        unload();      // the plugin resigns first,
        peer.reset();  // so the peer, last out, can remove the execution
        PluginTest::TearDown();
    }

    // Plugin joined (the peer created the execution first) with the ownship
    // registered and discovered by the peer.
    void startWithOwnship(const std::string& ini = "", bool trace = false) {
        peer.reset(new Peer());
        peer->join("XP_Federation", true);
        peer->subscribeAircraft();
        peer->publishInteractions();
        writePrefs("volax.ini", ini.empty() ? "SITEID 1\n" : ini);
        ASSERT_GE(loadAndEnable(trace), 0);
        ASSERT_EQ(menuStates(), "011");
        loadUserAircraft();
        select("Create Ownship");
        ASSERT_EQ(menuStates(), "010");
        cycle();
        ASSERT_EQ(peer->discoveries.size(), 1u);
        ownName = peer->discoveries[0].name;
    }

    void standStill(float x, float y, float z) {
        for (const char* n : {"local_vx", "local_vy", "local_vz", "local_ax", "local_ay", "local_az", "psi", "theta",
                              "phi"}) {
            xphost::setFloat(std::string("sim/flightmodel/position/") + n, 0.0f);
        }
        xphost::setFloat("sim/flightmodel/position/local_x", x);
        xphost::setFloat("sim/flightmodel/position/local_y", y);
        xphost::setFloat("sim/flightmodel/position/local_z", z);
        // The frame's origin is under the aircraft: local y is the height there.
        xphost::setDouble("sim/flightmodel/position/latitude", kLat);
        xphost::setDouble("sim/flightmodel/position/longitude", kLon);
        xphost::setDouble("sim/flightmodel/position/elevation", y);
        xphost::setFloat("sim/flightmodel/position/lat_ref", static_cast<float>(kLat));
        xphost::setFloat("sim/flightmodel/position/lon_ref", static_cast<float>(kLon));
    }

    // One plugin flight loop, then the peer drains what it received.
    void cycle() {
        tick();
        peer->tick();
    }

    // The ownship's published geocentric position.
    void lastLocation(double out[3]) {
        for (auto it = peer->reflections.rbegin(); it != peer->reflections.rend(); ++it) {
            auto v = it->values.find(peer->spatialHandle);
            if (v == it->values.end()) continue;
            for (int i = 0; i < 3; ++i) out[i] = beDouble(v->second, 8 + 8 * i);
            return;
        }
        ADD_FAILURE() << "no Spatial reflected";
    }

    // Sends and lets the plugin receive it.
    void deliver(const Detonation& d) {
        peer->send(d);
        cycle();
    }
    void deliver(const StartResume& s) {
        peer->send(s);
        cycle();
    }

    bool wingRemoved() {
        std::vector<int> p = parts();
        return p.size() == 73 && p[8] == 0 && p[10] == 0 && p[12] == 0 && p[14] == 0 && p[16] == 0 && p[9] == 1;
    }

    std::unique_ptr<Peer> peer;
    std::string ownName;
};

}  // namespace

TEST_F(FederationTest, PeerDiscoversAndReflectsTheOwnship) {
    writePrefs("volaxexp.ini", "falcon 1 2 225 1 2 3 4\n");
    standStill(0.0f, static_cast<float>(kHeight), 0.0f);
    // Heights taken as above the ellipsoid, as before EGM96.
    startWithOwnship("SITEID 7\nAPPLICATIONID 9\nFORCEID 2\nVERTICALDATUM WGS84E\n");
    const Discovery& d = peer->discoveries[0];
    EXPECT_EQ(d.objectClass, peer->aircraftClass);
    EXPECT_FALSE(d.name.empty());
    char* name = peer->rti.getObjectInstanceName(d.object);
    EXPECT_EQ(d.name, name);
    delete[] name;

    ASSERT_GE(peer->reflections.size(), 1u);
    const Reflection& first = peer->reflections[0];
    EXPECT_EQ(first.object, d.object);
    const std::string& id = first.values.at(peer->entityIdentifierHandle);
    ASSERT_EQ(id.size(), 6u);
    EXPECT_EQ(be16(id, 0), 7);
    EXPECT_EQ(be16(id, 2), 9);
    EXPECT_EQ(be16(id, 4), 0);
    EXPECT_EQ(first.values.at(peer->entityTypeHandle), std::string("\x01\x02\x00\xE1\x01\x02\x03\x04", 8));
    EXPECT_EQ(first.values.at(peer->forceIdentifierHandle), std::string("\x02", 1));

    ASSERT_EQ(peer->spatialCount(), 1);
    const std::string& spatial = first.values.at(peer->spatialHandle);
    ASSERT_EQ(spatial.size(), 72u);  // FVW: through the acceleration
    EXPECT_EQ(spatial[0], 5);
    double location[3];
    lastLocation(location);
    double lat, lon, h;
    ASSERT_TRUE(QVCoordConv::gcc2gdcDouble(location[0], location[1], location[2], lat, lon, h));
    EXPECT_NEAR(lat, kLat, 1e-9);
    EXPECT_NEAR(lon, kLon, 1e-9);
    EXPECT_NEAR(h, kHeight, 1e-3);

    // The tag: the RPR FOM 2.0 time stamp, absolute (bit 0), this second past the hour.
    const double now = std::fmod(static_cast<double>(std::time(nullptr)), 3600.0);
    ASSERT_EQ(first.tag.size(), 8u) << first.tag;
    const unsigned long stamp = std::stoul(first.tag, nullptr, 16);
    EXPECT_EQ(stamp & 1u, 1u);
    EXPECT_NEAR(std::remainder((stamp >> 1) * (3600.0 / 2147483648.0) - now, 3600.0), 0, 3.0);
}

#if defined(HAVE_GEOGRAPHICLIB) && defined(VOLAX_GEOID_GRID_PATH)
// X-Plane keeps its local origin for tens of kilometres; 150 km out the flat
// frame's y is 1.8 km below the height. The published position and the hit
// test must still be those of the aircraft's exact state. Near Zurich the
// elevation (above mean sea level) is 47 m short of the ellipsoid height: the
// published position is that of (latitude, longitude, elevation + N), N from
// PROJ.
TEST_F(FederationTest, PublishedPositionIsExactFarFromTheLocalOrigin) {
    xphost::setFlightModelEnabled(true);
    xphost::setFrameRate(10);  // a flight loop every frame: the last send is the current state
    xphost::setOriginShiftDistance(200000);
    std::string err;
    ASSERT_TRUE(xphost::setRoute("start 47.25 8.5 3000 60\nleg - 250 0 0 600\n", &err)) << err;
    startWithOwnship();
    const float latRef = xphost::getFloat("sim/flightmodel/position/lat_ref");
    const GeographicLib::Geocentric& earth = GeographicLib::Geocentric::WGS84();
    double worst = 0, exact[3] = {0, 0, 0};
    for (int chunk = 0; chunk < 60; ++chunk) {
        xphost::runSeconds(10);
        peer->tick();
        const xphost::FlightState s = xphost::flightState();
        const double n = projGeoidSeparation(s.latitude, s.longitude);
        ASSERT_NEAR(n, 48, 5) << "Zurich's geoid, from cct";
        earth.Forward(s.latitude, s.longitude, s.elevation + n, exact[0], exact[1], exact[2]);
        double published[3];
        lastLocation(published);
        worst = std::max(worst, std::hypot(published[0] - exact[0], published[1] - exact[1], published[2] - exact[2]));
        ASSERT_FALSE(HasFailure());
    }
    EXPECT_LT(worst, 0.05);
    ASSERT_EQ(xphost::getFloat("sim/flightmodel/position/lat_ref"), latRef) << "the origin stayed in place";
    ASSERT_GT(xphost::flightState().elevation - xphost::flightState().y, 1700);

    // A detonation 60 m above the exact position hits; 1.8 km off it would not.
    xphost::setPaused(true);
    const double norm = std::hypot(exact[0], exact[1], exact[2]);
    Detonation d;
    d.resultCode = 5;
    d.hasLocation = true;
    for (int i = 0; i < 3; ++i) d.location[i] = exact[i] * (1 + 60 / norm);
    deliver(d);
    EXPECT_TRUE(wingRemoved());
}
#endif

TEST_F(FederationTest, DefaultEntityTypeWithoutTable) {
    standStill(10.0f, 10.0f, 10.0f);
    startWithOwnship();
    EXPECT_EQ(peer->reflections.at(0).values.at(peer->entityTypeHandle),
              std::string("\x01\x02\x00\xCD\x01\x03\x00\x00", 8));
    EXPECT_EQ(peer->reflections.at(0).values.at(peer->forceIdentifierHandle), std::string("\x03", 1));
}

TEST_F(FederationTest, SpatialIsSentOnlyWhenTheSampleMoved) {
    startWithOwnship();
    // All-zero local state equals the initial sample: identity goes out, no Spatial.
    EXPECT_EQ(peer->spatialCount(), 0);
    EXPECT_EQ(peer->reflections.size(), 1u);

    standStill(0.0f, 500.0f, 0.0f);
    cycle();
    EXPECT_EQ(peer->spatialCount(), 1);
    for (int i = 0; i < 5; ++i) cycle();  // standing still
    EXPECT_EQ(peer->spatialCount(), 1);

    for (int i = 1; i <= 8; ++i) {  // 1.5 m per flight-loop period
        standStill(1.5f * static_cast<float>(i), 500.0f, 0.0f);
        cycle();
    }
    EXPECT_EQ(peer->spatialCount(), 5);
}

TEST_F(FederationTest, ResignWithdrawsTheOwnship) {
    startWithOwnship();
    select("Resign");
    peer->tick();
    ASSERT_EQ(peer->removals.size(), 1u);
    EXPECT_EQ(peer->removals[0], peer->discoveries[0].object);
}

TEST_F(FederationTest, DetonationResultCodeGatesTheHit) {
    standStill(0.0f, 300.0f, 0.0f);
    startWithOwnship();
    double own[3];
    lastLocation(own);
    Detonation d;
    d.hasLocation = true;
    std::copy(own, own + 3, d.location);
    d.resultCode = 3;  // ground impact
    deliver(d);
    EXPECT_FALSE(wingRemoved());
    EXPECT_EQ(parts(), std::vector<int>(73, 1));
    for (int code : {1, 2, 5, 17, 25}) {
        SCOPED_TRACE(code);
        xphost::setIntArray("sim/aircraft/prop/acf_part_eq", std::vector<int>(73, 1));
        d.resultCode = code;
        d.resultCodeOneByte = (code % 2) == 1;  // both wire forms
        deliver(d);
        EXPECT_TRUE(wingRemoved());
    }
}

TEST_F(FederationTest, RelativeLocationDecidesForTheNamedTarget) {
    standStill(0.0f, 300.0f, 0.0f);
    startWithOwnship();
    double own[3];
    lastLocation(own);

    Detonation edge;  // exactly 100 m: no hit, and the absolute test is not run
    edge.hasTarget = true;
    edge.target = ownName;
    edge.hasRelative = true;
    edge.relative[0] = 100.0f;
    edge.hasLocation = true;
    std::copy(own, own + 3, edge.location);
    deliver(edge);
    EXPECT_EQ(parts(), std::vector<int>(73, 1));

    Detonation hit;  // no result code, 50 m away
    hit.hasTarget = true;
    hit.target = ownName;
    hit.targetWithNul = false;
    hit.hasRelative = true;
    hit.relative[0] = 30.0f;
    hit.relative[1] = 40.0f;
    deliver(hit);
    EXPECT_TRUE(wingRemoved());

    deliver(hit);  // a second hit writes the same zeros again
    EXPECT_TRUE(wingRemoved());
    std::vector<int> p = parts();
    EXPECT_EQ(std::count(p.begin(), p.end(), 0), 5);
}

TEST_F(FederationTest, AbsoluteLocationDecidesOtherwise) {
    standStill(0.0f, 300.0f, 0.0f);
    startWithOwnship("", true);
    double own[3];
    lastLocation(own);
    double up[3] = {own[0], own[1], own[2]};
    double norm = std::sqrt(own[0] * own[0] + own[1] * own[1] + own[2] * own[2]);

    Detonation other;  // another target 150 m away: no hit
    other.resultCode = 1;
    other.hasTarget = true;
    other.target = "SomeoneElse";
    other.hasLocation = true;
    for (int i = 0; i < 3; ++i) other.location[i] = up[i] + 150.0 * own[i] / norm;
    deliver(other);
    EXPECT_EQ(parts(), std::vector<int>(73, 1));

    for (int i = 0; i < 3; ++i) other.location[i] = up[i] + 50.0 * own[i] / norm;  // 50 m: hit
    deliver(other);
    EXPECT_TRUE(wingRemoved());

    xphost::setIntArray("sim/aircraft/prop/acf_part_eq", std::vector<int>(73, 1));
    Detonation named;  // the ownship named but no relative location: the absolute test decides
    named.hasTarget = true;
    named.target = ownName;
    named.hasLocation = true;
    for (int i = 0; i < 3; ++i) named.location[i] = up[i] + 20.0 * own[i] / norm;
    deliver(named);
    EXPECT_TRUE(wingRemoved());

    unload();
    std::string t = traceText();
    EXPECT_TRUE(contains(t, "DetonationResultCode : 1\n"));
    EXPECT_TRUE(contains(t, "NO DetonationResultCode!\n"));
    EXPECT_TRUE(contains(t, "Target : SomeoneElse, myName : " + ownName + "\n"));
    EXPECT_TRUE(contains(t, "Absolute distance square: "));
    EXPECT_TRUE(contains(t, "DetonationLocation: "));
    EXPECT_TRUE(contains(t, "Crashing ownship...\nRemoving Left Wing...\n"));
}

TEST_F(FederationTest, NoOwnshipNoHit) {
    standStill(0.0f, 300.0f, 0.0f);
    startWithOwnship();
    double own[3];
    lastLocation(own);
    xphost::sendMessage(101, nullptr);  // crash removes the ownship
    Detonation d;
    d.hasLocation = true;
    std::copy(own, own + 3, d.location);
    d.hasTarget = true;
    d.target = ownName;
    d.hasRelative = true;
    deliver(d);
    EXPECT_EQ(parts(), std::vector<int>(73, 1));
}

// An ownship that never published a position has none: its all-zero initial
// value is not a position at the centre of the earth.
TEST_F(FederationTest, OwnshipWithoutPublishedPositionCannotBeHitAbsolutely) {
    startWithOwnship();
    ASSERT_EQ(peer->spatialCount(), 0);
    Detonation d;
    d.resultCode = 1;
    d.hasLocation = true;  // (0, 0, 0)
    deliver(d);
    EXPECT_EQ(parts(), std::vector<int>(73, 1));
}

// Reading the ownship's position for the hit test must not cancel a send that
// a peer's update request has just asked for.
TEST_F(FederationTest, HitTestKeepsARequestedUpdatePending) {
    standStill(0.0f, 300.0f, 0.0f);
    startWithOwnship();
    ASSERT_EQ(peer->spatialCount(), 1);
    peer->requestUpdate(peer->discoveries[0].object);
    Detonation far;
    far.resultCode = 1;
    far.hasLocation = true;
    far.location[0] = 1.0e6;
    peer->send(far);
    cycle();  // the plugin receives the request, then the detonation
    cycle();  // and sends what was requested
    EXPECT_EQ(peer->spatialCount(), 2);
    EXPECT_EQ(parts(), std::vector<int>(73, 1));
}

// Create Ownship after a crash while not joined gives an ownship the RTI never
// registered; the next join must publish the aircraft all the same.
TEST_F(FederationTest, OwnshipCreatedWhileNotJoinedIsPublishedAtTheNextJoin) {
    peer.reset(new Peer());
    peer->join("XP_Federation", true);
    peer->subscribeAircraft();
    writePrefs("volax.ini", "AUTOJOIN 0\n");
    standStill(0.0f, 300.0f, 0.0f);
    ASSERT_GE(loadAndEnable(), 0);
    loadUserAircraft();
    xphost::sendMessage(101, nullptr);
    ASSERT_EQ(menuStates(), "101");
    select("Create Ownship");
    EXPECT_EQ(menuStates(), "100");
    select("Join...");
    EXPECT_EQ(menuStates(), "010");
    cycle();
    ASSERT_EQ(peer->discoveries.size(), 1u);
    EXPECT_EQ(peer->spatialCount(), 1);
}

TEST_F(FederationTest, StartResumeAddressing) {
    startWithOwnship();
    StartResume s;
    s.hours = 306816;  // 2005-01-01 00:00 UTC
    s.hasReceiver = true;
    s.receiver[0] = 1;
    s.receiver[1] = 3;  // another application
    deliver(s);
    EXPECT_EQ(xphost::getInt("sim/time/use_system_time"), 1);

    s.receiver[0] = 2;
    s.receiver[1] = 2;  // another site
    deliver(s);
    EXPECT_EQ(xphost::getInt("sim/time/use_system_time"), 1);

    s.hasSimulationTime = false;
    s.receiver[0] = 1;
    deliver(s);
    EXPECT_EQ(xphost::getInt("sim/time/use_system_time"), 1);

    s.hasSimulationTime = true;
    s.receiver[0] = 65535;
    s.receiver[1] = 65535;
    s.receiver[2] = 9;
    deliver(s);
    EXPECT_EQ(xphost::getInt("sim/time/use_system_time"), 0);
    EXPECT_EQ(xphost::getInt("sim/time/local_date_days"), 0);
    EXPECT_EQ(xphost::getFloat("sim/time/zulu_time_sec"), 0.0f);

    StartResume unaddressed;  // no receiving entity: applies
    unaddressed.hours = 306816 + 24 * 59 + 7;  // March 1, 07:00
    deliver(unaddressed);
    EXPECT_EQ(xphost::getInt("sim/time/local_date_days"), 59);
    EXPECT_EQ(xphost::getFloat("sim/time/zulu_time_sec"), 7 * 3600.0f);
}

TEST_F(FederationTest, StartResumeClockCases) {
    startWithOwnship("", true);
    struct Case {
        int32_t hours;
        uint32_t past;
        int day;
        float seconds;
    } cases[] = {
        {306816, 0xC0000000u, 0, 2700.0f},
        {306816, 0x7FFFFFFEu, 0, 1799.0f},
        {306816, 0xFFFFFFFEu, 0, 3600.0f},
        {306816 + 24 * 364 + 23, 0xFFFFFFFEu, 0, 0.0f},  // 2006-01-01 00:00
        {306816 + 24 * 364 + 22, 0, 364, 22 * 3600.0f},  // 2005-12-31 22:00
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.past);
        StartResume s;
        s.hours = c.hours;
        s.timePastTheHour = c.past;
        deliver(s);
        EXPECT_EQ(xphost::getInt("sim/time/local_date_days"), c.day);
        EXPECT_EQ(xphost::getFloat("sim/time/zulu_time_sec"), c.seconds);
    }
    struct tm leap {};
    leap.tm_year = 108;
    leap.tm_mon = 1;
    leap.tm_mday = 29;
    StartResume feb29;
    feb29.hours = static_cast<int32_t>(volax::utcSeconds(leap) / 3600) + 12;
    deliver(feb29);
    EXPECT_EQ(xphost::getInt("sim/time/local_date_days"), 58);
    EXPECT_EQ(xphost::getFloat("sim/time/zulu_time_sec"), 12 * 3600.0f);
    unload();
    EXPECT_TRUE(contains(traceText(), "Setting day and second: 58  43200.000000\n"));
}

// A pilot in Zurich: X-Plane reads zulu_time_sec as UTC, whatever the
// computer's time zone, and the date follows the UTC day.
TEST_F(FederationTest, StartResumeSetsUtcInAnyTimeZone) {
    volax::test::setTimeZone(volax::test::kCentralEuropeZone);
    startWithOwnship();
    const struct {
        int32_t hours;
        uint32_t past;
        int day;
        float seconds;
    } cases[] = {
        {306816 + 12, 0x80000000u, 0, 12 * 3600 + 30 * 60.0f},    // 2005-01-01 12:30 UTC
        {306816 + 24 * 181 + 23, 0u, 181, 23 * 3600.0f},           // 2005-07-01 23:00 UTC, 01:00 in Zurich
        {306816 + 24 * 364 + 23, 0x7FFFFFFEu, 364, 23 * 3600 + 1799.0f},  // 2005-12-31 23:29:59 UTC
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.hours);
        StartResume s;
        s.hours = c.hours;
        s.timePastTheHour = c.past;
        deliver(s);
        EXPECT_EQ(xphost::getInt("sim/time/local_date_days"), c.day);
        EXPECT_EQ(xphost::getFloat("sim/time/zulu_time_sec"), c.seconds);
    }
    // The host's clock runs on from there in UTC, the date turning at midnight UTC.
    xphost::setFlightModelEnabled(true);
    xphost::runSeconds(31 * 60 + 1);
    EXPECT_EQ(xphost::getInt("sim/time/local_date_days"), 0);
    EXPECT_NEAR(xphost::getFloat("sim/time/zulu_time_sec"), 60.0f, 0.01f);
}

TEST_F(FederationTest, UnrepresentableSimulationTimeIsIgnoredWithALogLine) {
    startWithOwnship();
    for (int32_t hours : {600000, -5, INT32_MIN, INT32_MAX}) {
        SCOPED_TRACE(hours);
        xphost::clearOutputs();
        StartResume s;
        s.hours = hours;
        deliver(s);
        EXPECT_EQ(xphost::getInt("sim/time/use_system_time"), 1);
        EXPECT_TRUE(contains(xphost::logText(), "VOLAX ignored a simulation time outside the time range it can convert\n"));
    }
}

// What RPR peers show beside the entity: the tail number as an ASCII MarkingStruct, the
// damage a hit does until a repair, and the pause as the Spatial's IsFrozen.
TEST_F(FederationTest, MarkingDamageStateAndIsFrozen) {
    standStill(0.0f, 300.0f, 0.0f);
    startWithOwnship();
    const Reflection& first = peer->reflections.at(0);
    EXPECT_EQ(first.values.at(peer->markingHandle), std::string("\x01PH-VLX\0\0\0\0\0", 12));
    EXPECT_EQ(first.values.at(peer->damageStateHandle), std::string(4, '\0'));
    const std::string spatial = first.values.at(peer->spatialHandle);
    ASSERT_EQ(spatial.size(), 72u);
    EXPECT_EQ(spatial[32], 0);

    auto latest = [&](RTI::AttributeHandle h) {
        for (auto it = peer->reflections.rbegin(); it != peer->reflections.rend(); ++it)
            if (it->values.count(h)) return it->values.at(h);
        return std::string("none");
    };
    Detonation hit;
    hit.hasTarget = true;
    hit.target = ownName;
    hit.hasRelative = true;
    deliver(hit);
    cycle();
    ASSERT_TRUE(wingRemoved());
    EXPECT_EQ(latest(peer->damageStateHandle), std::string("\0\0\0\x03", 4));
    xphost::sendMessage(103, nullptr);  // airport load: repaired
    cycle();
    EXPECT_EQ(latest(peer->damageStateHandle), std::string(4, '\0'));

    // Paused, the same position goes out again, frozen; and unfrozen on resume.
    const size_t before = peer->reflections.size();
    xphost::setPaused(true);
    cycle();
    ASSERT_EQ(peer->reflections.size(), before + 1);
    std::string frozen = peer->reflections.back().values.at(peer->spatialHandle);
    ASSERT_EQ(frozen.size(), 72u);
    EXPECT_EQ(frozen[32], 1);
    EXPECT_EQ(frozen.substr(0, 32), spatial.substr(0, 32));
    cycle();
    EXPECT_EQ(peer->reflections.size(), before + 1);  // once per change
    xphost::setPaused(false);
    cycle();
    EXPECT_EQ(latest(peer->spatialHandle)[32], 0);
}

TEST_F(FederationTest, MarkingKeyOverridesTheTailNumber) {
    startWithOwnship("SITEID 1\nMARKING VOLAX-TWELVE\n");
    EXPECT_EQ(peer->reflections.at(0).values.at(peer->markingHandle), std::string("\x01VOLAX-TWELV", 12));
}

// A parked aircraft is re-sent whole every HEARTBEAT seconds of simulator time, paused
// or not, so that peers (and DIS bridges, which drop it after 12 s) keep it.
TEST_F(FederationTest, HeartbeatInHostTime) {
    const struct {
        const char* ini;
        int beats;
    } cases[] = {{"SITEID 1\n", 2}, {"SITEID 1\nHEARTBEAT 2\n", 5}, {"SITEID 1\nHEARTBEAT 0\n", 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.ini);
        standStill(0.0f, 300.0f, 0.0f);
        startWithOwnship(c.ini);
        const size_t before = peer->reflections.size();
        xphost::setPaused(true);  // the simulator clock stops; the heartbeat must not
        cycle();
        const size_t paused = peer->reflections.size();
        xphost::runSeconds(11.0);
        peer->tick(20);
        int beats = 0;
        for (size_t i = paused; i < peer->reflections.size(); ++i) {
            EXPECT_EQ(peer->reflections[i].values.size(), 6u);
            ++beats;
        }
        EXPECT_EQ(beats, c.beats);
        EXPECT_EQ(paused, before + 1);
        unload();
        peer.reset();
        xphost::reset();
        xphost::setFlightModelEnabled(false);
    }
}
