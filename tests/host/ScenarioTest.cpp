// The scenario format and its events carried out against a plugin.

#include "HostFixture.h"

#include <vector>

namespace {

using Scenario = HostTest;

TEST_F(Scenario, ParsesEveryEvent) {
    std::vector<xphost::ScenarioEvent> ev;
    std::string err;
    ASSERT_TRUE(xphost::parseScenario("# a comment\n"
                                      "\n"
                                      "0 menu VOLAX Join...\n"
                                      "1.5 menu \"My Menu\"   Create Ownship  \n"
                                      "2 crash\n"
                                      "2 aircraft /planes/B 737/b737.acf\n"
                                      "3 airport\n"
                                      "4 count 5\n"
                                      "4 count 5 2\n"
                                      "5 message 8000 -3\n"
                                      "6 disable My Plugin\n"
                                      "6 enable volax.test.HostTest\n"
                                      "7 reload\n"
                                      "7 flight\n"
                                      "8 pause\n"
                                      "8 resume\n"
                                      "9 end\n",
                                      "s.txt", &ev, &err))
        << err;
    ASSERT_EQ(ev.size(), 15u);
    EXPECT_EQ(ev[0].kind, xphost::ScenarioEvent::Menu);
    EXPECT_EQ(ev[0].menuTitle, "VOLAX");
    EXPECT_EQ(ev[0].itemText, "Join...");
    EXPECT_EQ(ev[0].line, 3);
    EXPECT_DOUBLE_EQ(ev[1].time, 1.5);
    EXPECT_EQ(ev[1].menuTitle, "My Menu");
    EXPECT_EQ(ev[1].itemText, "Create Ownship");
    EXPECT_EQ(ev[2].kind, xphost::ScenarioEvent::Crash);
    EXPECT_EQ(ev[3].modelPath, "/planes/B 737/b737.acf");
    EXPECT_EQ(ev[4].kind, xphost::ScenarioEvent::Airport);
    EXPECT_EQ(ev[5].total, 5);
    EXPECT_EQ(ev[5].active, 5);
    EXPECT_EQ(ev[6].active, 2);
    EXPECT_EQ(ev[7].message, 8000);
    EXPECT_EQ(ev[7].param, -3);
    EXPECT_EQ(ev[8].kind, xphost::ScenarioEvent::Disable);
    EXPECT_EQ(ev[8].plugin, "My Plugin");
    EXPECT_EQ(ev[9].kind, xphost::ScenarioEvent::Enable);
    EXPECT_EQ(ev[9].plugin, "volax.test.HostTest");
    EXPECT_EQ(ev[10].kind, xphost::ScenarioEvent::Reload);
    EXPECT_EQ(ev[11].kind, xphost::ScenarioEvent::Flight);
    EXPECT_EQ(ev[12].kind, xphost::ScenarioEvent::Pause);
    EXPECT_EQ(ev[13].kind, xphost::ScenarioEvent::Resume);
    EXPECT_EQ(ev[14].kind, xphost::ScenarioEvent::End);
}

TEST_F(Scenario, ErrorsNameFileAndLine) {
    struct Case {
        const char* text;
        const char* error;
    } cases[] = {
        {"x crash\n", "s.txt:1: time \"x\" is not a number"},
        {"-1 crash\n", "s.txt:1: time \"-1\""},
        {"# c\n5 crash\n4 crash\n", "s.txt:3: event at 4 s comes after one at a later time"},
        {"1\n", "s.txt:1: missing event"},
        {"1 explode\n", "s.txt:1: unknown event \"explode\""},
        {"1 crash now\n", "s.txt:1: crash takes no arguments"},
        {"1 menu VOLAX\n", "s.txt:1: expected: menu <title> <item text>"},
        {"1 menu \"VOLAX Join...\n", "s.txt:1: menu title without closing quote"},
        {"1 aircraft\n", "s.txt:1: expected: aircraft"},
        {"1 count 0\n", "s.txt:1: total \"0\""},
        {"1 count 2 3\n", "s.txt:1: active \"3\""},
        {"1 count 2.5\n", "s.txt:1: total \"2.5\""},
        {"1 message abc\n", "s.txt:1: message \"abc\""},
        {"1 disable\n", "s.txt:1: expected: disable <plugin"},
        {"1 enable  \n", "s.txt:1: expected: enable <plugin"},
        {"1 reload all\n", "s.txt:1: reload takes no arguments"},
        {"1 pause 5\n", "s.txt:1: pause takes no arguments"},
        {"1 planes\n", "s.txt:1: expected: planes acquire | release | cut-in"},
        {"1 planes take\n", "s.txt:1: expected: planes acquire | release | cut-in"},
    };
    for (const Case& c : cases) {
        std::vector<xphost::ScenarioEvent> ev;
        std::string err;
        EXPECT_FALSE(xphost::parseScenario(c.text, "s.txt", &ev, &err)) << c.text;
        EXPECT_EQ(err.rfind(c.error, 0), 0u) << "got: " << err;
    }
}

TEST_F(Scenario, EventsReachThePlugin) {
    load(HOSTTEST_PLUGIN);
    std::vector<xphost::ScenarioEvent> ev;
    std::string err;
    ASSERT_TRUE(xphost::parseScenario("0 menu HostTest Alpha\n"
                                      "0 menu HostTest Off\n"
                                      "0 menu HostTest Nothing\n"
                                      "1 crash\n"
                                      "1 aircraft /planes/Other.acf\n"
                                      "1 airport\n"
                                      "1 count 4 3\n"
                                      "1 message 9000 7\n"
                                      "2 end\n",
                                      "s.txt", &ev, &err))
        << err;
    xphost::setIntArray("sim/aircraft/prop/acf_part_eq", std::vector<int>(73, 0));
    for (size_t i = 0; i + 1 < ev.size(); ++i) EXPECT_TRUE(xphost::runScenarioEvent(ev[i]));
    EXPECT_FALSE(xphost::runScenarioEvent(ev.back())) << "end stops the run";
    EXPECT_TRUE(logHas("HostTest: menu menuref A"));
    EXPECT_FALSE(logHas("menuref off"));
    const std::string log = xphost::logText();
    const size_t crash = log.find("HostTest: msg 0 101 0"), loaded = log.find("HostTest: msg 0 102 0"),
                 airport = log.find("HostTest: msg 0 103 0"), count = log.find("HostTest: msg 0 105 0"),
                 custom = log.find("HostTest: msg 0 9000 7");
    ASSERT_NE(custom, std::string::npos) << log;
    EXPECT_LT(crash, loaded);
    EXPECT_LT(loaded, airport);
    EXPECT_LT(airport, count);
    EXPECT_LT(count, custom);
    EXPECT_EQ(xphost::userAircraft().fileName, "Other.acf");
    EXPECT_EQ(xphost::getIntArray("sim/aircraft/prop/acf_part_eq"), std::vector<int>(73, 1));
}

// Plugin Admin, "Reload plugins", a new flight and the pause, as X-Plane has
// them: messages reach enabled plugins only, a reloaded plugin gets no aircraft
// message but finds the aircraft by asking.
TEST_F(Scenario, PluginAdminReloadNewFlightAndPause) {
    const int one = load(HOSTTEST_PLUGIN), two = load(HOSTTEST2_PLUGIN);
    ASSERT_GE(two, 0);
    EXPECT_EQ(xphost::findPlugin("HostTest"), one);
    EXPECT_EQ(xphost::findPlugin("volax.test.HostTest2"), two);
    const std::string plugin2 = HOSTTEST2_PLUGIN;
    EXPECT_EQ(xphost::findPlugin(plugin2.substr(plugin2.rfind('/') + 1)), two);
    EXPECT_EQ(xphost::findPlugin("Nobody"), -1);
    EXPECT_TRUE(logHas("HostTest: enable aircraft=\n")) << "no aircraft before the first load";
    xphost::loadUserAircraft(xphost::AircraftModel{"Jet.acf", "/a/Jet.acf"});
    std::string err;
    ASSERT_TRUE(xphost::setRoute("start 10 20 500 90\nleg - 100 0 0 100\n", &err)) << err;

    std::vector<xphost::ScenarioEvent> ev;
    ASSERT_TRUE(xphost::parseScenario("0 disable HostTest2\n"
                                      "0 disable HostTest2\n"
                                      "0 message 9001\n"
                                      "0 enable volax.test.HostTest2\n"
                                      "0 enable Nobody\n"
                                      "0 reload\n"
                                      "0 message 9002\n",
                                      "s.txt", &ev, &err))
        << err;
    for (const auto& e : ev) EXPECT_TRUE(xphost::runScenarioEvent(e));
    const std::string log = xphost::logText();
    EXPECT_EQ(logCount("HostTest2: disable"), 2u) << "once by the event, once by the reload";
    EXPECT_TRUE(logHas("HostTest: msg 0 9001 0"));
    EXPECT_FALSE(logHas("HostTest2: msg 0 9001 0")) << "a disabled plugin gets no messages";
    EXPECT_TRUE(logHas("HostTest2: msg 0 9002 0"));
    EXPECT_EQ(logCount("HostTest: stop"), 1u);
    EXPECT_EQ(logCount("HostTest: enable aircraft=Jet.acf"), 1u) << "the reloaded plugin finds the aircraft";
    EXPECT_EQ(logCount("msg 0 102 0"), 2u) << "the reload sends no aircraft message";
    EXPECT_LT(log.find("HostTest2: stop"), log.find("HostTest: stop"));
    EXPECT_LT(log.find("HostTest: stop"), log.find("HostTest: start", log.find("HostTest: stop")));
    EXPECT_EQ(xphost::pluginCount(), 2);
    EXPECT_TRUE(xphost::pluginEnabled(0) && xphost::pluginEnabled(1));

    // A new flight: back to the start, the aircraft loaded again and placed.
    xphost::runSeconds(10);
    EXPECT_GT(xphost::flightState().x, 900);
    xphost::setIntArray("sim/aircraft/prop/acf_part_eq", std::vector<int>(73, 0));
    xphost::clearOutputs();
    ASSERT_TRUE(xphost::parseScenario("0 flight\n0 pause\n", "s.txt", &ev, &err)) << err;
    for (const auto& e : ev) EXPECT_TRUE(xphost::runScenarioEvent(e));
    EXPECT_NEAR(xphost::flightState().x, 0, 1e-6);
    EXPECT_EQ(xphost::getIntArray("sim/aircraft/prop/acf_part_eq"), std::vector<int>(73, 1));
    EXPECT_LT(xphost::logText().find("HostTest: msg 0 102 0"), xphost::logText().find("HostTest: msg 0 103 0"));
    EXPECT_EQ(xphost::userAircraft().fileName, "Jet.acf");

    // Paused: frames and flight loops go on, the aircraft stays.
    EXPECT_TRUE(xphost::paused());
    EXPECT_EQ(xphost::getInt("sim/time/paused"), 1);
    xphost::runSeconds(1);
    EXPECT_NEAR(xphost::flightState().x, 0, 1e-6);
    EXPECT_TRUE(logHas("HostTest: tick"));
    ASSERT_TRUE(xphost::parseScenario("0 resume\n", "s.txt", &ev, &err)) << err;
    EXPECT_TRUE(xphost::runScenarioEvent(ev[0]));
    xphost::runSeconds(1);
    EXPECT_NEAR(xphost::flightState().x, 100, 0.01);
}

TEST_F(Scenario, NewFlightNeedsAnAircraft) {
    load(HOSTTEST_PLUGIN);
    EXPECT_FALSE(xphost::startNewFlight());
    EXPECT_FALSE(logHas("msg 0 102"));
}

}  // namespace
