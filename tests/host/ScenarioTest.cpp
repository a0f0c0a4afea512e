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
                                      "9 end\n",
                                      "s.txt", &ev, &err))
        << err;
    ASSERT_EQ(ev.size(), 9u);
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
    EXPECT_EQ(ev[8].kind, xphost::ScenarioEvent::End);
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

}  // namespace
