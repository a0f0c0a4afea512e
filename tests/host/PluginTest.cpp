// Plugin files loaded into the host: the entry-point sequence, messages,
// attribution of menus and flight loops, failures of and in plugins.

#include "HostFixture.h"

#include "XPLMPlanes.h"

#include <fstream>
#include <vector>

namespace {

using Plugins = HostTest;

size_t at(const std::string& text) { return xphost::logText().find(text); }

TEST_F(Plugins, EntryPointsRunInTheSimulatorsOrder) {
    std::string err;
    bool refused = true;
    const int index = xphost::loadPlugin(HOSTTEST_PLUGIN, &err, &refused);
    ASSERT_EQ(index, 0) << err;
    EXPECT_FALSE(refused);
    EXPECT_EQ(xphost::pluginName(0), "HostTest");
    EXPECT_EQ(xphost::pluginSignature(0), "volax.test.HostTest");
    EXPECT_EQ(xphost::pluginDescription(0), "Exercises the headless host.");
    EXPECT_FALSE(xphost::pluginEnabled(0));
    EXPECT_FALSE(xphost::menuExists("HostTest"));
    xphost::sendMessage(103, nullptr);
    EXPECT_FALSE(logHas("msg")) << "a plugin that is not enabled gets no messages";

    ASSERT_TRUE(xphost::enablePlugin(0));
    EXPECT_TRUE(xphost::pluginEnabled(0));
    EXPECT_TRUE(xphost::menuExists("HostTest"));
    EXPECT_EQ(xphost::flightLoopCount(), 1);
    xphost::loadUserAircraft({"Test.acf", "/planes/Test.acf"});
    xphost::sendMessage(103, nullptr);
    xphost::runFrames(3);
    xphost::unloadAll();

    const size_t start = at("HostTest: start"), enable = at("HostTest: enable"), loaded = at("HostTest: msg 0 102 0"),
                 airport = at("HostTest: msg 0 103 0"), tick = at("HostTest: tick 1 "),
                 disable = at("HostTest: disable"), stop = at("HostTest: stop");
    ASSERT_NE(stop, std::string::npos) << xphost::logText();
    EXPECT_LT(start, enable);
    EXPECT_LT(enable, loaded);
    EXPECT_LT(loaded, airport);
    EXPECT_LT(airport, tick);
    EXPECT_LT(tick, disable);
    EXPECT_LT(disable, stop);
    EXPECT_EQ(logCount("HostTest: tick"), 3u);
    EXPECT_EQ(xphost::pluginCount(), 0);
    EXPECT_FALSE(xphost::menuExists("HostTest"));
    EXPECT_EQ(xphost::flightLoopCount(), 0);
}

TEST_F(Plugins, MenuHandlerGetsTheItemReferenceAndDisabledItemsAreRefused) {
    load(HOSTTEST_PLUGIN);
    EXPECT_EQ(xphost::menuItemState("HostTest", "Alpha"), 1);
    EXPECT_EQ(xphost::menuItemState("HostTest", "Off"), 0);
    EXPECT_TRUE(xphost::selectMenuItem("HostTest", "Beta"));
    EXPECT_TRUE(logHas("HostTest: menu menuref B"));
    EXPECT_FALSE(xphost::selectMenuItem("HostTest", "Off"));
    EXPECT_FALSE(logHas("menuref off"));
    EXPECT_TRUE(xphost::selectMenuItem("HostTest", "Speak"));
    EXPECT_EQ(xphost::spokenTexts(), std::vector<std::string>{"Hello from HostTest"});
}

TEST_F(Plugins, APluginMayDestroyItsMenuOrUnregisterItsLoopFromItsHandler) {
    load(HOSTTEST_PLUGIN);
    EXPECT_TRUE(xphost::selectMenuItem("HostTest", "Unregister"));
    EXPECT_EQ(xphost::flightLoopCount(), 0);
    xphost::runFrames(2);
    EXPECT_FALSE(logHas("tick"));
    EXPECT_TRUE(xphost::selectMenuItem("HostTest", "Destroy"));
    EXPECT_FALSE(xphost::menuExists("HostTest"));
    xphost::unloadAll();
    EXPECT_TRUE(logHas("HostTest: stop"));
}

TEST_F(Plugins, TwoPluginsShareTheProcessEachWithItsOwnMenusAndLoops) {
    ASSERT_EQ(load(HOSTTEST_PLUGIN), 0);
    ASSERT_EQ(load(HOSTTEST2_PLUGIN), 1);
    EXPECT_TRUE(xphost::menuExists("HostTest"));
    EXPECT_TRUE(xphost::menuExists("HostTest2"));
    EXPECT_EQ(xphost::flightLoopCount(), 2);
    xphost::selectMenuItem("HostTest2", "Info");
    EXPECT_TRUE(logHas("HostTest2: info")) << xphost::logText();
    EXPECT_TRUE(logHas("myid=2"));

    // A disabled plugin gets neither flight loops nor messages.
    xphost::disablePlugin(0);
    xphost::clearOutputs();
    xphost::runFrames(2);
    xphost::sendMessage(101, nullptr);
    EXPECT_EQ(logCount("HostTest: "), 0u);
    EXPECT_EQ(logCount("HostTest2: tick"), 2u);
    EXPECT_TRUE(logHas("HostTest2: msg 0 101 0"));

    xphost::enablePlugin(0);
    xphost::clearOutputs();
    xphost::unloadAll();  // reverse order
    EXPECT_LT(at("HostTest2: disable"), at("HostTest: disable"));
    EXPECT_LT(at("HostTest: disable"), at("HostTest2: stop"));
    EXPECT_LT(at("HostTest2: stop"), at("HostTest: stop"));
}

TEST_F(Plugins, AStartResultOfZeroIsReportedAndLeavesNothingBehind) {
    volax::test::setEnv("HOSTTEST_REFUSE", "HostTest");
    std::string err;
    bool refused = false;
    EXPECT_EQ(xphost::loadPlugin(HOSTTEST_PLUGIN, &err, &refused), -1);
    EXPECT_TRUE(refused);
    EXPECT_NE(err.find("XPluginStart returned 0: refused on request"), std::string::npos) << err;
    EXPECT_EQ(xphost::pluginCount(), 0);
    EXPECT_FALSE(xphost::menuExists("Refused HostTest"));
    EXPECT_EQ(xphost::flightLoopCount(), 0);
    EXPECT_FALSE(xphost::pluginFaulted());
    // The other plugin is unaffected and takes index 0.
    EXPECT_EQ(load(HOSTTEST2_PLUGIN), 0);
    xphost::unloadAll();
    EXPECT_FALSE(logHas("HostTest: stop")) << "a plugin that did not start is not stopped";
}

TEST_F(Plugins, ExceptionsFromAPluginAreReportedAndStopTheRun) {
    load(HOSTTEST_PLUGIN);
    EXPECT_TRUE(xphost::selectMenuItem("HostTest", "Throw"));
    ASSERT_TRUE(xphost::pluginFaulted());
    EXPECT_NE(xphost::pluginFault().find("plugin HostTest threw an exception from its menu handler: menu throw"),
              std::string::npos)
        << xphost::pluginFault();
    xphost::runFrames(5);
    EXPECT_FALSE(logHas("tick")) << "no frames run after a fault";
    xphost::unloadAll();
    EXPECT_TRUE(logHas("HostTest: stop")) << "shutdown still runs";
}

TEST_F(Plugins, ExceptionFromAFlightLoop) {
    load(HOSTTEST_PLUGIN);
    xphost::runFrames(2);
    xphost::selectMenuItem("HostTest", "Arm throw");
    xphost::runFrames(5);
    EXPECT_TRUE(xphost::pluginFaulted());
    EXPECT_NE(xphost::pluginFault().find("flight-loop callback: armed tick"), std::string::npos);
    EXPECT_EQ(logCount("HostTest: tick"), 3u);
    xphost::reset();
    EXPECT_FALSE(xphost::pluginFaulted());
}

TEST_F(Plugins, ExceptionFromStart) {
    volax::test::setEnv("HOSTTEST_THROW_START", "HostTest");
    std::string err;
    EXPECT_EQ(xphost::loadPlugin(HOSTTEST_PLUGIN, &err), -1);
    EXPECT_NE(err.find("XPluginStart: start throw"), std::string::npos) << err;
    EXPECT_EQ(xphost::pluginCount(), 0);
}

TEST_F(Plugins, BadPluginFilesGiveClearErrors) {
    std::string err;
    EXPECT_EQ(xphost::loadPlugin(dir_ + "/missing.xpl", &err), -1);
    EXPECT_NE(err.find("missing.xpl: No such file or directory"), std::string::npos) << err;

    const std::string text = dir_ + "/text.xpl";
    std::ofstream(text) << "not a plugin\n";
    EXPECT_EQ(xphost::loadPlugin(text, &err), -1);
    EXPECT_NE(err.find("cannot load it as a shared library"), std::string::npos) << err;

    EXPECT_EQ(xphost::loadPlugin(dir_, &err), -1);
    EXPECT_NE(err.find("not a file"), std::string::npos) << err;

    ASSERT_EQ(load(HOSTTEST_PLUGIN), 0);
    EXPECT_EQ(xphost::loadPlugin(HOSTTEST_PLUGIN, &err), -1);
    EXPECT_NE(err.find("already loaded as HostTest"), std::string::npos) << err;
    EXPECT_EQ(logCount("HostTest: start"), 1u) << "the loaded copy is left alone";
    xphost::unloadAll();

    EXPECT_EQ(xphost::loadPlugin(HOSTNOENTRY_PLUGIN, &err), -1);
    EXPECT_NE(err.find("entry point XPluginReceiveMessage is missing"), std::string::npos) << err;
    EXPECT_EQ(xphost::pluginCount(), 0);
    EXPECT_FALSE(xphost::enablePlugin(0));
    EXPECT_FALSE(xphost::enablePlugin(-1));
    xphost::disablePlugin(3);
}

TEST_F(Plugins, UserAircraftCountAndPrefsPath) {
    load(HOSTTEST_PLUGIN);
    xphost::setIntArray("sim/aircraft/prop/acf_part_eq", std::vector<int>(73, 0));
    xphost::loadUserAircraft(xphost::modelFromPath("/x/Aircraft/Jet/Jet.acf"));
    EXPECT_EQ(xphost::getIntArray("sim/aircraft/prop/acf_part_eq"), std::vector<int>(73, 1));
    xphost::setAircraftCount(3, 2);
    EXPECT_TRUE(logHas("HostTest: msg 0 105 0"));
    xphost::selectMenuItem("HostTest", "Info");
    EXPECT_TRUE(logHas("info total=3 active=2 controller=-1 file=Jet.acf path=/x/Aircraft/Jet/Jet.acf prefsdir=" +
                       dir_ + " prefsfile=X-Plane.prf sep=/ myid=1"))
        << xphost::logText();

    const xphost::AircraftModel relative = xphost::modelFromPath("planes/A.acf");
    EXPECT_EQ(relative.fileName, "A.acf");
    EXPECT_TRUE(std::filesystem::path(relative.path).is_absolute()) << relative.path;
}

TEST_F(Plugins, OtherAircraftGoToOnePluginAtATime) {
    load(HOSTTEST_PLUGIN);
    load(HOSTTEST2_PLUGIN);
    xphost::selectMenuItem("HostTest", "Acquire");
    xphost::selectMenuItem("HostTest2", "Acquire");
    EXPECT_TRUE(logHas("HostTest: acquire 1"));
    EXPECT_TRUE(logHas("HostTest2: acquire 0"));
    xphost::selectMenuItem("HostTest2", "Release");  // not the holder: nothing happens
    int total, active;
    XPLMPluginID controller;
    XPLMCountAircraft(&total, &active, &controller);
    EXPECT_EQ(controller, 1);
    xphost::selectMenuItem("HostTest", "Release");
    EXPECT_TRUE(logHas("HostTest2: planes available HostTest2"));
    XPLMCountAircraft(nullptr, nullptr, &controller);
    EXPECT_EQ(controller, 2);
    xphost::unloadAll();
    XPLMCountAircraft(nullptr, nullptr, &controller);
    EXPECT_EQ(controller, -1);
}

TEST_F(Plugins, PluginWritesReachTheDataAndExportsAreReachable) {
    load(HOSTTEST_PLUGIN);
    xphost::selectMenuItem("HostTest", "Break");
    const std::vector<int> parts = xphost::getIntArray("sim/aircraft/prop/acf_part_eq");
    for (int i = 0; i < 73; ++i) EXPECT_EQ(parts[i], i >= 10 && i < 15 ? 0 : 1) << i;
    EXPECT_EQ(xphost::getInt("sim/time/use_system_time"), 0);

    auto ticks = reinterpret_cast<int (*)()>(xphost::pluginSymbol(0, "hosttest_ticks"));
    ASSERT_NE(ticks, nullptr);
    xphost::runFrames(4);
    EXPECT_EQ(ticks(), 4);
    EXPECT_EQ(xphost::pluginSymbol(0, "no_such_symbol"), nullptr);
    EXPECT_EQ(xphost::pluginSymbol(7, "hosttest_ticks"), nullptr);
}

// X-Plane loads the scenery around a new origin and says so: plugins that
// probed the terrain must learn that it changed.
TEST_F(Plugins, ASceneryShiftIsAnnouncedAsNewScenery) {
    std::string err;
    ASSERT_EQ(xphost::loadPlugin(HOSTTEST_PLUGIN, &err), 0) << err;
    ASSERT_TRUE(xphost::enablePlugin(0));
    xphost::setFrameRate(10);
    xphost::setOriginShiftDistance(20000);
    ASSERT_TRUE(xphost::setRoute("start 0 0 1000 90\nleg - 200 0 0 300\n", &err)) << err;
    xphost::runSeconds(95);  // 19 km out
    EXPECT_FALSE(logHas("HostTest: msg 0 104"));
    xphost::runSeconds(10);
    EXPECT_EQ(logCount("HostTest: msg 0 104 0"), 1u);
}

}  // namespace
