// VOLAX draws the federation: a peer publishes entities, VOLAX (installed in
// an X-Plane folder with its models, as cmake --install lays it out) places
// instances and fills the TCAS override in the host. Positions are checked
// against GeographicLib's local frame, not against our converters.

#include <GeographicLib/LocalCartesian.hpp>

#include <filesystem>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <thread>

#include "PluginHarness.h"
#include "TrafficPeer.h"
#include "XPLMGraphics.h"
#include "XPLMScenery.h"

#if VOLAX_OWN_RTI_FLAG
#include "RTIfaultInjection.hh"
#endif

namespace {

const char kModels[] = "Resources/plugins/VOLAX/models/";
const double kLat = 47.0, kLon = 8.0, kHeight = 1000.0;

std::string readAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void writeAll(const std::string& path, const std::string& text) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream(path, std::ios::binary) << text;
}

// One X-Plane folder per test process, laid out as an installation: the
// plugin in Resources/plugins/VOLAX/lin_x64, the model table and models in
// Resources/plugins/VOLAX.
std::string xplaneFolder() {
    static std::string dir;
    if (!dir.empty()) return dir;
    dir = volax::test::TempDir("volax-xplane").release();
    if (dir.empty()) return dir;
    writeAll(dir + "/Resources/plugins/VOLAX/lin_x64/VOLAX.xpl", readAll(VOLAX_PLUGIN_PATH));
    volax::test::setMode(dir + "/Resources/plugins/VOLAX/lin_x64/VOLAX.xpl", 0755);
    for (const char* m : {"aircraft", "helicopter", "ground_vehicle", "ship", "munition", "person"}) {
        const std::string file = std::string("volax_") + m + ".obj";
        writeAll(dir + "/" + kModels + file, readAll(std::string(VOLAX_SOURCE_DIR) + "/plugin/models/" + file));
    }
    return dir;
}

class TrafficView : public PluginTest {
protected:
    void SetUp() override {
        PluginTest::SetUp();
        xp = xplaneFolder();
        ASSERT_FALSE(xp.empty());
        xphost::setXPlaneDir(xp);
        pluginPath = xp + "/Resources/plugins/VOLAX/lin_x64/VOLAX.xpl";
        useModels(readAll(std::string(VOLAX_SOURCE_DIR) + "/plugin/volaxmodels.ini"));
        xphost::setFlightModelEnabled(true);
        std::string err;
        ASSERT_TRUE(xphost::setRoute("start 47 8 1000 0\nleg - 0 0 0 100000\n", &err)) << err;
        xphost::setOutputDir(prefsDir);
    }
    void TearDown() override {
        peer.reset();
        PluginTest::TearDown();
        xphost::setOutputDir("");
    }
    void useModels(const std::string& ini) { writeAll(xp + "/Resources/plugins/VOLAX/volaxmodels.ini", ini); }

    // Joins VOLAX (AUTOJOIN at enable, the user's aircraft loaded) and a peer.
    void start(const std::string& extraIni = "") {
        writePrefs("volax.ini", "FEDERATION TrafficTest\n" + extraIni);
        loadAndEnable(true);
        loadUserAircraft();
        peer.reset(new TrafficPeer);
        peer->join("TrafficTest", false);
        run(0.5);
    }
    void run(double seconds) {
        const int steps = static_cast<int>(std::lround(seconds / 0.1));
        for (int i = 0; i < steps; ++i) {
            if (peer) peer->tick();
            xphost::runSeconds(0.1);
        }
    }
    // An entity at local east/north/up metres from the frame origin.
    EntityState at(double east, double north, double up, double heading = 0) const {
        const xphost::FlightState f = xphost::flightState();
        GeographicLib::LocalCartesian frame(f.latRef, f.lonRef, 0);
        EntityState s;
        frame.Reverse(east, north, up, s.lat, s.lon, s.height);
        s.heading = heading;
        return s;
    }
    // Log.txt: the plugin's lines and the host's notes.
    std::string log() const { return readPrefs("Log.txt"); }
    static int count(const std::string& text, const std::string& what) {
        int n = 0;
        for (size_t p = text.find(what); p != std::string::npos; p = text.find(what, p + 1)) ++n;
        return n;
    }

    std::string xp;
    std::unique_ptr<TrafficPeer> peer;
};

TEST_F(TrafficView, DiscoveredEntitiesAreDrawnWhereTheyAreAndLeaveWithTheirRemoval) {
    start();
    const RTI::ObjectHandle jet = peer->add("Platform.Aircraft", 1, "1:2:225:1:1:1:0", "VLX01", at(300, 2000, 1500, 90));
    const RTI::ObjectHandle truck = peer->add("Platform.GroundVehicle", 2, "1:1:225:1:1:1:0", "TRUCK", at(-400, 800, 5, 30));
    // Parked on the (sea-level) terrain: drawn, not TCAS traffic.
    const RTI::ObjectHandle parked = peer->add("Platform.Aircraft", 3, "1:2:225:1:1:1:0", "PARKED", at(900, 900, 2));
    run(1.0);
    const auto drawn = xphost::drawnInstances();
    ASSERT_EQ(drawn.size(), 3u) << traceText();
    std::map<std::string, xphost::DrawnInstance> byModel;
    for (const auto& d : drawn) byModel[d.model] = d;
    const xphost::DrawnInstance& a = byModel[std::string(kModels) + "volax_aircraft.obj"];
    const xphost::DrawnInstance& g = byModel[std::string(kModels) + "volax_ground_vehicle.obj"];
    // Local frame: x east, y up, z south; heading from local north.
    EXPECT_NEAR(a.x, 300, 0.5);
    EXPECT_NEAR(a.y, 1500, 0.5);
    EXPECT_NEAR(a.z, -2000, 0.5);
    EXPECT_NEAR(a.heading, 90, 0.2);
    EXPECT_NEAR(a.pitch, 0, 0.2);
    EXPECT_NEAR(g.x, -400, 0.5);
    EXPECT_NEAR(g.z, -800, 0.5);
    EXPECT_NEAR(g.heading, 30, 0.2);

    // Only the flying aircraft is TCAS traffic.
    const auto targets = xphost::tcasTargets();
    ASSERT_EQ(targets.size(), 1u);
    EXPECT_EQ(targets[0].flightId, "VLX01");
    EXPECT_NE(targets[0].modeS, 0);
    EXPECT_GE(targets[0].ssrMode, 3);
    EXPECT_NEAR(targets[0].x, 300, 0.5);

    peer->remove(jet);
    peer->remove(truck);
    peer->remove(parked);
    run(1.0);
    EXPECT_TRUE(xphost::drawnInstances().empty());
    EXPECT_TRUE(xphost::tcasTargets().empty());
}

// X-Plane's probes see only the loaded scenery (elsewhere a sea-level
// sphere), and new scenery comes some time after a shift, with message 104.
// An aircraft parked on high ground beyond the loaded tiles looks airborne
// until then, as in X-Plane; after 104 VOLAX must probe again and take it
// off TCAS. A vehicle parked there is never TCAS traffic.
TEST_F(TrafficView, ParkedOnLandIsOffTcasOnceItsSceneryHasLoaded) {
    std::string err;
    ASSERT_TRUE(xphost::setTerrain("area 49.2 7.5 49.6 8.5 600\n", &err)) << err;
    // North at 1 km/s: a scenery shift 20 km out brings tile 49 in.
    ASSERT_TRUE(xphost::setRoute("start 47.9 8 1000 0\nleg - 1000 0 0 1000\n", &err)) << err;
    xphost::setOriginShiftDistance(20000);
    start("ENTITYTIMEOUT 0\n");
    auto parked = [](double up) { return EntityState{49.4, 8.0, 600 + up}; };
    peer->add("Platform.Aircraft", 1, "1:2:225:1:1:1:0", "PARKED", parked(2));
    peer->add("Platform.GroundVehicle", 2, "1:1:225:1:1:1:0", "TRUCK", parked(1));
    peer->add("Platform.Aircraft", 3, "1:2:225:1:1:1:0", "HIGH", parked(1500));
    auto onTcas = [] {
        std::set<std::string> ids;
        for (const auto& t : xphost::tcasTargets()) ids.insert(t.flightId);
        return ids;
    };
    run(1.0);
    EXPECT_EQ(xphost::drawnInstances().size(), 3u);
    EXPECT_EQ(onTcas(), (std::set<std::string>{"PARKED", "HIGH"})) << "the sphere below, as X-Plane probes";
    run(19.5);  // shifted, the new scenery still loading
    ASSERT_TRUE(xphost::sceneryLoading());
    EXPECT_EQ(onTcas(), (std::set<std::string>{"PARKED", "HIGH"}));
    run(2.5);
    ASSERT_FALSE(xphost::sceneryLoading());
    EXPECT_EQ(onTcas(), std::set<std::string>{"HIGH"}) << traceText();
    EXPECT_EQ(xphost::drawnInstances().size(), 3u);
}

TEST_F(TrafficView, MovingEntitiesAreMovedEveryFrame) {
    start();
    EntityState s = at(0, 3000, 1500, 90);
    s.speed = 120;  // east, FPW
    peer->add("Platform.Aircraft", 1, "1:2:225:1:1:1:0", "FAST", s);
    run(1.0);
    ASSERT_EQ(xphost::drawnInstances().size(), 1u);
    // The picture runs on the wall clock: each frame must move the instance,
    // by the distance flown since the last one, not every TIMESTEP.
    std::vector<float> xs;
    for (int i = 0; i < 4; ++i) {
        const auto t0 = std::chrono::steady_clock::now();
        while (std::chrono::steady_clock::now() - t0 < std::chrono::milliseconds(5)) {
        }
        xphost::runFrames(1);
        xs.push_back(xphost::drawnInstances().at(0).x);
    }
    for (size_t i = 1; i < xs.size(); ++i) EXPECT_GT(xs[i] - xs[i - 1], 120 * 0.004) << i;
}

TEST_F(TrafficView, TheMostSpecificModelRuleDrawsAndBadModelsAreSaidOnce) {
    writeAll(xp + "/Custom Scenery/lib/library.txt", "A\n800\nLIBRARY\nEXPORT volax/heli.obj heli.obj\n");
    writeAll(xp + "/Custom Scenery/lib/heli.obj", readAll(std::string(VOLAX_SOURCE_DIR) + "/plugin/models/volax_helicopter.obj"));
    writeAll(xp + "/Custom Scenery/lib/broken.obj", "I\n800\nOBJ\nPOINT_COUNTS 3 0 0 3\nTRIS 0 3\n");
    useModels("* * * * * * * Resources/plugins/VOLAX/models/volax_aircraft.obj\n"
              "1 2 * 20 * * * volax/heli.obj\n"          // a library path
              "1 2 225 20 1 * * Custom Scenery/lib/broken.obj\n"
              "1 1 * * * * * Custom Scenery/lib/missing.obj\n"
              "this line is malformed\n");
    start();
    peer->add("Platform.Aircraft", 1, "1:2:13:20:3:0:0", "HELO", at(100, 100, 300));   // library helicopter
    peer->add("Platform.Aircraft", 2, "1:2:225:20:1:0:0", "BAD", at(200, 100, 300));  // broken model: not drawn
    peer->add("Platform.Aircraft", 3, "1:2:225:1:1:0:0", "JET", at(300, 100, 300));   // the catch-all
    peer->add("Platform.GroundVehicle", 4, "1:1:225:1:1:0:0", "TRK", at(400, 100, 0)); // missing model
    run(1.5);
    std::multiset<std::string> models;
    for (const auto& d : xphost::drawnInstances()) models.insert(d.model);
    EXPECT_EQ(models, (std::multiset<std::string>{"Custom Scenery/lib/heli.obj", std::string(kModels) + "volax_aircraft.obj"}))
        << traceText();
    EXPECT_EQ(count(log(), "VOLAX could not load the traffic model Custom Scenery/lib/broken.obj"), 1);
    EXPECT_EQ(count(log(), "VOLAX could not load the traffic model Custom Scenery/lib/missing.obj"), 1);
    EXPECT_EQ(count(log(), "VOLAX skipped 1 malformed line(s)"), 1);
    // Three of the four are aircraft: all on TCAS, drawn or not.
    EXPECT_EQ(xphost::tcasTargets().size(), 3u);
}

TEST_F(TrafficView, TcasCarriesTheNearest63AirborneWithStableIdsUntilResign) {
    start();
    std::vector<RTI::ObjectHandle> jets;
    for (int i = 0; i < 70; ++i)  // 1 km apart going east; the 7 farthest miss out
        jets.push_back(peer->add("Platform.Aircraft", static_cast<uint16_t>(100 + i), "1:2:225:1:1:1:0",
                                 "J" + std::to_string(i), at(1000.0 * (i + 1), 0, 2000)));
    peer->add("Platform.Aircraft", 999, "1:2:225:1:1:1:0", "CLOSE", at(10, 10, 1000));  // the nearest
    run(1.0);
    auto targets = xphost::tcasTargets();
    ASSERT_EQ(targets.size(), 63u);
    std::map<std::string, int> ids;
    for (const auto& t : targets) ids[t.flightId] = t.modeS;
    EXPECT_TRUE(ids.count("CLOSE"));
    for (int i = 62; i < 70; ++i) EXPECT_FALSE(ids.count("J" + std::to_string(i))) << i;
    std::set<int> unique;
    for (const auto& kv : ids) unique.insert(kv.second);
    EXPECT_EQ(unique.size(), 63u);

    run(1.0);
    std::map<std::string, int> slots;
    for (const auto& t : xphost::tcasTargets()) {
        EXPECT_EQ(ids[t.flightId], t.modeS) << t.flightId;
        slots[t.flightId] = t.slot;
    }

    // A nearer intruder once every slot is taken: it takes the farthest's slot,
    // and everyone else keeps theirs.
    peer->add("Platform.Aircraft", 998, "1:2:225:1:1:1:0", "LATE", at(-20, 20, 1500));
    run(1.0);
    targets = xphost::tcasTargets();
    ASSERT_EQ(targets.size(), 63u);
    EXPECT_EQ(xphost::tcasActiveCount(), 64);  // the user and 63 targets
    std::map<std::string, int> now;
    for (const auto& t : targets) now[t.flightId] = t.slot;
    ASSERT_TRUE(now.count("LATE"));
    EXPECT_EQ(now["LATE"], slots["J61"]);
    EXPECT_FALSE(now.count("J61"));
    for (const auto& kv : now)
        if (kv.first != "LATE") {
            EXPECT_EQ(kv.second, slots[kv.first]) << kv.first;
        }

    select("Resign");
    xphost::runFrames(12);
    EXPECT_TRUE(xphost::tcasTargets().empty());
    EXPECT_EQ(xphost::getInt("sim/operation/override/override_TCAS"), 0);
    EXPECT_EQ(xphost::planesController(), -1);
    EXPECT_TRUE(xphost::drawnInstances().empty());
    EXPECT_EQ(count(log(), "released with override_TCAS still 1"), 0);
}

TEST_F(TrafficView, AnotherHolderOfTheAircraftLeavesTheInstancesAndIsSaidOnce) {
    xphost::otherPluginAcquiresPlanes();
    start();
    peer->add("Platform.Aircraft", 1, "1:2:225:1:1:1:0", "VLX01", at(300, 2000, 1500));
    run(1.0);
    EXPECT_EQ(xphost::drawnInstances().size(), 1u);
    EXPECT_TRUE(xphost::tcasTargets().empty());
    EXPECT_EQ(count(log(), "VOLAX: another plugin holds the AI aircraft"), 1);

    // Freed, but a third plugin acquires them before VOLAX hears they were
    // free: VOLAX's acquire fails, it says so once and waits again.
    xphost::otherPluginCutsIn();
    xphost::otherPluginReleasesPlanes();
    run(0.5);
    EXPECT_EQ(xphost::planesController(), -2);
    EXPECT_TRUE(xphost::tcasTargets().empty());
    EXPECT_EQ(count(log(), "VOLAX: another plugin took the AI aircraft first"), 1);

    xphost::otherPluginReleasesPlanes();  // VOLAX was waiting for them
    run(0.5);
    EXPECT_EQ(xphost::planesController(), index);
    EXPECT_EQ(xphost::getInt("sim/operation/override/override_TCAS"), 1);
    EXPECT_EQ(xphost::tcasTargets().size(), 1u);
    EXPECT_EQ(count(log(), "VOLAX: another plugin holds the AI aircraft"), 1);
    EXPECT_EQ(count(log(), "VOLAX: another plugin took the AI aircraft first"), 1);
}

TEST_F(TrafficView, VolaxKeepsTheAircraftWhenAnotherPluginAsks) {
    start();
    peer->add("Platform.Aircraft", 1, "1:2:225:1:1:1:0", "VLX01", at(300, 2000, 1500));
    run(0.5);
    xphost::otherPluginAcquiresPlanes();  // VOLAX hears message 111 and keeps them: its traffic is flown by people
    run(0.5);
    EXPECT_EQ(xphost::planesController(), index);
    EXPECT_EQ(xphost::tcasTargets().size(), 1u);
    xphost::otherPluginAcquiresPlanes();  // asked again: said once
    run(0.5);
    EXPECT_EQ(count(log(), "VOLAX: plugin 1000 asked for the AI aircraft; VOLAX keeps them"), 1);
    select("Resign");  // now the waiting plugin gets them
    EXPECT_EQ(xphost::planesController(), -2);
    unload();
    EXPECT_TRUE(contains(traceText(), "plugin 1000 asks for the AI aircraft: keeping them"));
}

// The AI aircraft are shared with other traffic plugins: VOLAX takes them for
// its first airborne target (a ground vehicle is none), gives them back after
// 30 s without one, and at once when another plugin asks while none is shown.
TEST_F(TrafficView, TheAircraftAreHeldOnlyWhileAirborneTrafficIsShown) {
    struct Case {
        const char* name;
        double idle;          // seconds without a target before ...
        bool otherAsks;       // ... another plugin asks for them
        int holder;           // then: 0 VOLAX, -1 nobody, -2 the other plugin
    };
    const Case cases[] = {
        {"short idle", 25, false, 0},
        {"long idle", 31, false, -1},
        {"asked while idle", 1, true, -2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        start();
        peer->add("Platform.GroundVehicle", 1, "1:1:225:1:1:1:0", "TRUCK", at(300, 200, 0));
        run(1.0);
        EXPECT_EQ(xphost::planesController(), -1) << "nothing airborne: nothing taken";
        const RTI::ObjectHandle jet = peer->add("Platform.Aircraft", 2, "1:2:225:1:1:1:0", "VLX01", at(300, 2000, 1500));
        run(0.5);
        EXPECT_EQ(xphost::planesController(), index);
        ASSERT_EQ(xphost::tcasTargets().size(), 1u);
        EXPECT_EQ(xphost::tcasTargets()[0].flightId, "VLX01");
        EXPECT_EQ(xphost::tcasActiveCount(), 2);  // the user and one target
        peer->remove(jet);
        run(c.idle);
        if (c.otherAsks) xphost::otherPluginAcquiresPlanes();
        run(0.5);
        EXPECT_EQ(xphost::planesController(), c.holder == 0 ? index : c.holder);
        EXPECT_EQ(xphost::getInt("sim/operation/override/override_TCAS"), c.holder == 0 ? 1 : 0);
        unload();
        peer.reset();
        xphost::reset();
        xphost::setOutputDir(prefsDir);
    }
}

// What X-Plane's TCAS and map read: vertical speed in ft/min and psi against
// true north where the target is (150 km out the local frame's y and -z are
// neither), the type from [ICAO], the gear near the ground, the lights.
TEST_F(TrafficView, TcasShowsEachTargetsOwnMotionTypeGearAndLights) {
    useModels(readAll(std::string(VOLAX_SOURCE_DIR) + "/plugin/volaxmodels.ini") + "[ICAO]\n1 2 225 1 3 * * F16\n");
    start();
    // The sea, here the terrain, under the point a target flies over.
    auto ground = [this](double east, double north) {
        const EntityState s = at(east, north, 0);
        double x, y, z, lat, lon, h;
        XPLMWorldToLocal(s.lat, s.lon, 0, &x, &y, &z);
        XPLMProbeRef probe = XPLMCreateProbe(xplm_ProbeY);
        XPLMProbeInfo_t info;
        info.structSize = sizeof info;
        EXPECT_EQ(XPLMProbeTerrainXYZ(probe, float(x), float(y), float(z), &info), xplm_ProbeHitTerrain);
        XPLMDestroyProbe(probe);
        XPLMLocalToWorld(info.locationX, info.locationY, info.locationZ, &lat, &lon, &h);
        return h;
    };
    struct Case {
        const char* id;
        double east, north, above;  // metres from the frame's origin; above the ground
        double heading, speed, climb;
        const char* type;
        const char* icao;
        bool low;
    };
    const Case cases[] = {
        {"NEAR", 300, 2000, 1500, 90, 100, 10, "1:2:225:9:1:1:0", "B738", false},
        {"EAST", 150000, 0, 4000, 90, 200, 0, "1:2:225:1:3:1:0", "F16", false},   // flying away, level
        {"NORTH", 0, -150000, 4000, 180, 200, -5, "1:2:225:24:1:1:0", "EC35", false},
        {"FAR", 106000, 106000, 4000, 0, 150, 7.5, "1:2:225:9:1:1:0", "B738", false},  // convergence 1.1 deg
        {"LOW", -500, 1500, 150, 270, 70, -3, "1:2:225:9:1:1:0", "B738", true},
    };
    uint16_t number = 10;
    for (const Case& c : cases) {
        EntityState s = at(c.east, c.north, 0);
        s.height = ground(c.east, c.north) + c.above;
        s.heading = c.heading;
        s.speed = c.speed;
        s.climb = c.climb;
        peer->add("Platform.Aircraft", number++, c.type, c.id, s);
    }
    EntityState truck = at(100, 100, 0);
    truck.speed = 40;
    peer->add("Platform.GroundVehicle", number++, "1:1:225:1:1:1:0", "TRUCK", truck);  // never on TCAS
    run(1.0);
    std::map<std::string, xphost::TcasTarget> shown;
    for (const auto& t : xphost::tcasTargets()) shown[t.flightId] = t;
    EXPECT_EQ(shown.size(), 5u);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.id);
        ASSERT_TRUE(shown.count(c.id));
        const xphost::TcasTarget& t = shown[c.id];
        EXPECT_NEAR(t.verticalSpeed, c.climb * 196.850394, 1.0);  // ft/min per m/s
        EXPECT_NEAR(std::remainder(t.psi - c.heading, 360.0), 0, 0.01);
        EXPECT_EQ(t.icaoType, c.icao);
        EXPECT_EQ(t.gearDeploy, c.low ? 1.0f : 0.0f);
        EXPECT_EQ(t.lights, 1 | 4 | 8 | (c.low ? 2 : 0));  // beacon, nav, strobe; landing when low
        EXPECT_FALSE(t.onGround);
    }
}

// TCAS targets beyond MAXENTITIES are placed and ground-tested from their own
// state, drawn ones from what their instances were placed with: either way
// each is where it flies, and a parked one is off TCAS.
TEST_F(TrafficView, TcasPlacesAndGroundTestsDrawnAndUndrawnTargetsAlike) {
    start("MAXENTITIES 2\n");
    struct Case {
        const char* id;
        double east, north, up;
        bool drawn, onTcas;
    };
    const Case cases[] = {
        {"NEAR", 200, 300, 1500, true, true},
        {"PARKED", 400, 400, 2, true, false},
        {"FAR", 3000, 0, 2000, false, true},
        {"FARPARK", 3000, 3000, 2, false, false},
    };
    uint16_t number = 40;
    // Trucks among them, so the air platforms are not the first candidates.
    peer->add("Platform.GroundVehicle", number++, "1:1:225:1:1:1:0", "T1", at(-5000, 0, 0));
    for (const Case& c : cases) peer->add("Platform.Aircraft", number++, "1:2:225:1:1:1:0", c.id, at(c.east, c.north, c.up));
    peer->add("Platform.GroundVehicle", number++, "1:1:225:1:1:1:0", "T2", at(0, -5000, 0));
    run(1.0);
    const auto drawn = xphost::drawnInstances();
    ASSERT_EQ(drawn.size(), 2u);
    std::map<std::string, xphost::TcasTarget> shown;
    for (const auto& t : xphost::tcasTargets()) shown[t.flightId] = t;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.id);
        const bool placed = std::any_of(drawn.begin(), drawn.end(), [&c](const xphost::DrawnInstance& d) {
            return std::fabs(d.x - c.east) < 0.5 && std::fabs(d.z + c.north) < 0.5;
        });
        EXPECT_EQ(placed, c.drawn);
        ASSERT_EQ(shown.count(c.id), c.onTcas ? 1u : 0u);
        if (!c.onTcas) continue;
        EXPECT_NEAR(shown[c.id].x, c.east, 0.5);
        EXPECT_NEAR(shown[c.id].y, c.up, 0.5);
        EXPECT_NEAR(shown[c.id].z, -c.north, 0.5);
    }
}

TEST_F(TrafficView, Traffic0DrawsNothingAndTakesNothing) {
    start("TRAFFIC 0\n");
    peer->add("Platform.Aircraft", 1, "1:2:225:1:1:1:0", "VLX01", at(300, 2000, 1500));
    run(1.0);
    EXPECT_TRUE(xphost::drawnInstances().empty());
    EXPECT_TRUE(xphost::loadedObjects().empty());
    EXPECT_EQ(xphost::planesController(), -1);
}

TEST_F(TrafficView, DisableReleasesEverythingItTook) {
    start();
    const RTI::ObjectHandle jet = peer->add("Platform.Aircraft", 1, "1:2:225:1:1:1:0", "VLX01", at(300, 2000, 1500));
    run(1.0);
    ASSERT_EQ(xphost::drawnInstances().size(), 1u);
    xphost::disablePlugin(index);
    EXPECT_TRUE(xphost::drawnInstances().empty());
    EXPECT_TRUE(xphost::loadedObjects().empty());
    EXPECT_EQ(xphost::planesController(), -1);
    // Enabled again it joins again and draws with the next heartbeat, models reloaded.
    ASSERT_TRUE(xphost::enablePlugin(index));
    run(0.5);
    peer->update(jet, at(300, 2000, 1500));
    run(1.0);
    EXPECT_EQ(xphost::drawnInstances().size(), 1u);
    unload();
    EXPECT_EQ(count(log(), "without XPLMDestroyInstance"), 0);
    EXPECT_EQ(count(log(), "without XPLMUnloadObject"), 0);
}

TEST_F(TrafficView, ModelsLoadAgainAfterAReloadThatCutTheirLoadsShort) {
    writePrefs("volax.ini", "FEDERATION TrafficTest\n");
    loadAndEnable(true);  // joins and starts loading the models; they land next frame
    loadUserAircraft();
    xphost::reloadPlugins();  // unloaded first: X-Plane drops those loads
    peer.reset(new TrafficPeer);
    peer->join("TrafficTest", false);
    peer->add("Platform.Aircraft", 1, "1:2:225:1:1:1:0", "VLX01", at(300, 2000, 1500));
    run(1.0);
    EXPECT_EQ(xphost::drawnInstances().size(), 1u) << traceText();
}

#if VOLAX_OWN_RTI_FLAG
// A resign that fails leaves VOLAX in the federation: the entities it knows
// are still drawn, from the menu at once, after a disable at the next enable.
TEST_F(TrafficView, AFailedResignKeepsTheFederationsTraffic) {
    start();
    peer->add("Platform.Aircraft", 1, "1:2:225:1:1:1:0", "VLX01", at(300, 2000, 1500));
    run(1.0);
    ASSERT_EQ(xphost::drawnInstances().size(), 1u);

    rtitest::failNextCall<RTI::RTIinternalError>("resignFederationExecution", "refused");
    select("Resign");
    ASSERT_EQ(menuStates().substr(0, 2), "01") << "still joined";
    run(0.5);
    EXPECT_EQ(xphost::drawnInstances().size(), 1u) << "menu";
    EXPECT_EQ(xphost::tcasTargets().size(), 1u) << "menu";

    rtitest::failNextCall<RTI::RTIinternalError>("resignFederationExecution", "refused");
    xphost::disablePlugin(index);
    EXPECT_TRUE(xphost::drawnInstances().empty());
    EXPECT_EQ(xphost::planesController(), -1);
    ASSERT_TRUE(xphost::enablePlugin(index));
    run(0.5);
    EXPECT_EQ(xphost::drawnInstances().size(), 1u) << "enable";
    EXPECT_EQ(xphost::tcasTargets().size(), 1u) << "enable";
    select("Resign");
    EXPECT_TRUE(xphost::drawnInstances().empty());
    unload();
    EXPECT_EQ(count(log(), "without XPLMDestroyInstance"), 0);
    EXPECT_EQ(count(log(), "without XPLMUnloadObject"), 0);
}
#endif

}  // namespace

#ifdef VOLAX_GEOID_GRID_PATH
#include "GeoidOracle.h"

// X-Plane's heights are above mean sea level. With the grid beside the plugin
// a remote aircraft 1500 m above the ellipsoid is drawn at 1500 - N, and one
// parked 2 m above mean sea level (N + 2 above the ellipsoid, 49 m over the
// host's sea) is on the ground, not TCAS traffic. Without a readable grid, or
// with VERTICALDATUM WGS84E, heights stay on the ellipsoid, said once.
TEST_F(TrafficView, RemoteHeightsFollowTheVerticalDatumAndAMissingGridIsSaidOnce) {
    const double n = projGeoidSeparation(kLat, kLon);
    ASSERT_NEAR(n, 48, 5) << "cct (proj-bin) must be installed";
    const std::string grid = xp + "/Resources/plugins/VOLAX/egm96_15.gtx";
    const std::string good = readAll(VOLAX_GEOID_GRID_PATH);
    const struct Case {
        const char* name;
        const char* ini;
        std::string file;  // empty: none
        const char* said;  // the Log.txt line's reason, or none
        bool msl;
    } cases[] = {
        {"no grid", "", "", "(missing)", false},
        {"a truncated grid", "", good.substr(0, 100000), "(invalid)", false},
        {"the grid", "", good, nullptr, true},
        {"the grid and VERTICALDATUM WGS84E", "VERTICALDATUM WGS84E\n", good, nullptr, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::remove(grid.c_str());
        if (!c.file.empty()) writeAll(grid, c.file);
        const std::size_t before = log().size();
        start(c.ini);
        const std::string said = "VOLAX could not read the geoid separation file " + grid + " ";
        EXPECT_EQ(count(log().substr(before), said), c.said ? 1 : 0) << log();
        if (c.said) {
            EXPECT_EQ(count(log().substr(before), said + c.said), 1);
        }
        EntityState flying = at(0, 0, 1500), parked = at(500, 500, 0);  // flying: above the frame's origin
        flying.height = 1500;
        parked.height = n + 2;
        const RTI::ObjectHandle a = peer->add("Platform.Aircraft", 1, "1:2:225:1:1:1:0", "HIGH", flying);
        const RTI::ObjectHandle b = peer->add("Platform.Aircraft", 2, "1:2:225:1:1:1:0", "PARKED", parked);
        run(1.0);
        const auto drawn = xphost::drawnInstances();
        ASSERT_EQ(drawn.size(), 2u);
        const double expected = c.msl ? 1500 - n : 1500;
        EXPECT_EQ(std::count_if(drawn.begin(), drawn.end(),
                                [&](const xphost::DrawnInstance& d) { return std::fabs(d.y - expected) < 0.1; }),
                  1)
            << drawn[0].y << " " << drawn[1].y;
        const auto targets = xphost::tcasTargets();
        EXPECT_EQ(targets.size(), c.msl ? 1u : 2u);
        peer->remove(a);
        peer->remove(b);
        peer.reset();
        unload();
    }
    std::remove(grid.c_str());
}
#endif

namespace {

// The peer's own time stamp, as RPR FOM 2.0 puts it in the tag: units of
// 3600/2^31 s past the hour, bit 0 set for absolute time, eight hex digits.
std::string peerTimeStamp(std::chrono::system_clock::time_point t) {
    const double s = std::fmod(std::chrono::duration<double>(t.time_since_epoch()).count(), 3600.0);
    char tag[16];
    std::snprintf(tag, sizeof tag, "%08X",
                  static_cast<unsigned>(static_cast<uint32_t>(s / 3600.0 * 2147483648.0) * 2u + 1u));
    return tag;
}

}  // namespace

// A peer's aircraft at 100 m/s, its state taken and stamped, then delivered
// 0.5 s later over the embedded RTI: with its time stamp VOLAX draws it where
// it is now; without one (or with one 10 s off our clock) 50 m behind.
TEST_F(TrafficView, AnUpdateIsPlacedAtItsTimeStampAfterADeliveryDelay) {
    start();
    const auto delay = std::chrono::milliseconds(500);
    const struct {
        const char* name;
        std::chrono::seconds stampOffset;
        bool tagged;
        double behind;  // metres
    } cases[] = {
        {"stamped", std::chrono::seconds(0), true, 0},
        {"no time stamp", std::chrono::seconds(0), false, 50},
        {"stamped 10 s off", std::chrono::seconds(-10), true, 50},
    };
    uint16_t number = 1;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EntityState s = at(0, 2000, 1500, 90);
        s.speed = 100;  // east
        const auto taken = std::chrono::steady_clock::now();
        const std::string tag = c.tagged ? peerTimeStamp(std::chrono::system_clock::now() + c.stampOffset) : "";
        std::this_thread::sleep_for(delay);
        const RTI::ObjectHandle h = peer->add("Platform.Aircraft", number++, "1:2:225:1:1:1:0", "LATE", s, tag);
        // The frame that draws it lies between `before` and `after`: the truth then, within that window.
        double before = 0, after = 0;
        auto since = [&] { return std::chrono::duration<double>(std::chrono::steady_clock::now() - taken).count(); };
        for (int i = 0; i < 30 && xphost::drawnInstances().empty(); ++i) {
            before = since();
            xphost::runFrames(1);
            after = since();
        }
        const auto drawn = xphost::drawnInstances();
        ASSERT_EQ(drawn.size(), 1u);
        const double tolerance = c.behind ? 5.0 : 1.0;
        std::printf("%s, delivered 0.5 s late: drawn %.2f m behind the truth (frame of %.1f ms)\n", c.name,
                    100 * (before + after) / 2 - drawn[0].x, 1000 * (after - before));
        EXPECT_GE(drawn[0].x, 100 * before - c.behind - tolerance);
        EXPECT_LE(drawn[0].x, 100 * after - c.behind + tolerance);
        peer->remove(h);
        run(0.2);
    }
}
