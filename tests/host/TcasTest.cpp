// The TCAS override in the host, with X-Plane's rules: only the holder of the
// AI aircraft writes, positions only while override_TCAS is 1, slot 0 stays
// the user's, targets not written for ten frames are dropped, a slot counts
// only with a mode-S id and below the active count, and another plugin can
// hold the aircraft or cut in when they come free.

#include "HostFixture.h"

#include "XPLMDataAccess.h"
#include "XPLMPlanes.h"

#include <cmath>
#include <fstream>
#include <iterator>

#ifdef HAVE_GEOGRAPHICLIB
#include <GeographicLib/LocalCartesian.hpp>
#endif

namespace {

class Tcas : public HostTest {};

TEST_F(Tcas, OnlyTheHolderOfTheAircraftWritesTargets) {
    load(HOSTTEST_PLUGIN);
    xphost::selectMenuItem("HostTest", "TCAS");  // without the aircraft
    EXPECT_TRUE(logHas("HostTest: tcas override=0"));
    xphost::runFrames(2);
    EXPECT_TRUE(xphost::tcasTargets().empty());
    EXPECT_EQ(xphost::getIntArray("sim/cockpit2/tcas/targets/modeS_id")[1], 0);

    xphost::selectMenuItem("HostTest", "Acquire");
    xphost::selectMenuItem("HostTest", "TCAS");
    EXPECT_TRUE(logHas("HostTest: tcas override=1"));
    xphost::runFrames(1);
    const auto targets = xphost::tcasTargets();
    ASSERT_EQ(targets.size(), 1u);
    EXPECT_EQ(targets[0].slot, 1);
    EXPECT_EQ(targets[0].modeS, 0xABCDEF);
    EXPECT_EQ(targets[0].flightId, "VLX01");
    EXPECT_EQ(targets[0].ssrMode, 3);  // mode C unless told otherwise
    EXPECT_EQ(xphost::getInt("sim/cockpit2/tcas/indicators/tcas_num_acf"), 1);
    // Slot 0 is the user's aircraft: the plugin's values did not land there.
    EXPECT_NE(xphost::getIntArray("sim/cockpit2/tcas/targets/modeS_id")[0], 0x111111);
    EXPECT_NE(xphost::getFloatArray("sim/cockpit2/tcas/targets/position/x")[0], -1.0f);

#ifdef HAVE_GEOGRAPHICLIB
    // X-Plane fills in the target's world position from its local one.
    const xphost::FlightState s = xphost::flightState();
    GeographicLib::LocalCartesian frame(s.latRef, s.lonRef, 0);
    double lat, lon, h;
    frame.Reverse(100, 2000, 1000, lat, lon, h);  // east, north (-z), up
    EXPECT_NEAR(targets[0].lat, lat, 1e-7);
    EXPECT_NEAR(targets[0].lon, lon, 1e-7);
    EXPECT_NEAR(targets[0].ele, h, 0.01);
    EXPECT_NEAR(xphost::getFloatArray("sim/cockpit2/tcas/targets/position/lat")[1], lat, 1e-4);
#endif
}

TEST_F(Tcas, RelativeModePlacesTheTargetFromTheUsersAircraft) {
    load(HOSTTEST_PLUGIN);
    xphost::selectMenuItem("HostTest", "Acquire");
    xphost::selectMenuItem("HostTest", "TCAS");
    xphost::selectMenuItem("HostTest", "TCAS relative");
    xphost::runFrames(1);
    const xphost::FlightState me = xphost::flightState();
    const auto targets = xphost::tcasTargets();
    ASSERT_EQ(targets.size(), 2u);
    const xphost::TcasTarget& t = targets[1];
    EXPECT_EQ(t.slot, 2);
    EXPECT_EQ(t.modeS, 0x123456);
    // Altitude from elevations, not local y; 1 km off the right wing.
    EXPECT_NEAR(t.ele, me.elevation + 300, 0.5);
    const double heading = (me.psi + 90) * M_PI / 180;
    EXPECT_NEAR(t.x, me.x + 1000 * std::sin(heading), 0.5);
    EXPECT_NEAR(t.z, me.z - 1000 * std::cos(heading), 0.5);
    // A relative write while the plugin holds nothing is refused like the rest.
    xphost::selectMenuItem("HostTest", "Release");
    xphost::selectMenuItem("HostTest", "TCAS relative");
    xphost::runFrames(1);
    EXPECT_TRUE(xphost::tcasTargets().empty());
}

TEST_F(Tcas, TargetsNotWrittenForTenFramesAreDropped) {
    load(HOSTTEST_PLUGIN);
    xphost::selectMenuItem("HostTest", "Acquire");
    xphost::selectMenuItem("HostTest", "TCAS");
    xphost::runFrames(20);
    EXPECT_EQ(xphost::tcasTargets().size(), 1u);
    xphost::selectMenuItem("HostTest", "TCAS stop");
    xphost::runFrames(9);
    EXPECT_EQ(xphost::tcasTargets().size(), 1u);
    xphost::runFrames(1);
    EXPECT_TRUE(xphost::tcasTargets().empty());
    EXPECT_EQ(xphost::getInt("sim/cockpit2/tcas/indicators/tcas_num_acf"), 0);
    EXPECT_EQ(xphost::getIntArray("sim/cockpit2/tcas/targets/modeS_id")[1], 0);  // forgotten
}

TEST_F(Tcas, ReleasingTheAircraftEndsTheOverride) {
    load(HOSTTEST_PLUGIN);
    xphost::selectMenuItem("HostTest", "Acquire");
    xphost::selectMenuItem("HostTest", "TCAS");
    xphost::runFrames(1);
    xphost::setOutputDir(dir_);
    xphost::selectMenuItem("HostTest", "Release");  // override still 1: a plugin fault the host points out
    xphost::setOutputDir("");
    EXPECT_EQ(xphost::getInt("sim/operation/override/override_TCAS"), 0);
    xphost::runFrames(1);
    EXPECT_TRUE(xphost::tcasTargets().empty());
    std::ifstream in(dir_ + "/Log.txt");
    const std::string log((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_NE(log.find("released with override_TCAS still 1"), std::string::npos) << log;
}

TEST_F(Tcas, AnotherPluginCanHoldTheAircraft) {
    const int p = load(HOSTTEST_PLUGIN);
    xphost::otherPluginAcquiresPlanes();
    XPLMPluginID controller = 0;
    XPLMCountAircraft(nullptr, nullptr, &controller);
    EXPECT_EQ(controller, 1000);
    xphost::selectMenuItem("HostTest", "Acquire");
    EXPECT_TRUE(logHas("HostTest: acquire 0"));
    xphost::otherPluginReleasesPlanes();
    EXPECT_TRUE(logHas("HostTest: planes available HostTest"));
    EXPECT_EQ(xphost::planesController(), p);

    // Now the stand-in asks: the holder hears it (message 111 from 1000) and
    // the stand-in waits until the plugin is disabled, which releases them.
    xphost::otherPluginAcquiresPlanes();
    EXPECT_TRUE(logHas("HostTest: msg 1000 111 0"));
    EXPECT_EQ(xphost::planesController(), p);
    xphost::disablePlugin(p);
    EXPECT_EQ(xphost::planesController(), -2);
}

// XPLMPlanes.h: the callback only says the holder let go; whoever acquires
// first has them, here a third plugin cutting in before the waiter is told.
TEST_F(Tcas, ThePlanesAvailableCallbackIsANoticeAndTheFirstToAcquireWins) {
    const int first = load(HOSTTEST_PLUGIN), second = load(HOSTTEST2_PLUGIN);
    xphost::selectMenuItem("HostTest", "Acquire");
    xphost::selectMenuItem("HostTest2", "Acquire");
    EXPECT_TRUE(logHas("HostTest2: acquire 0"));
    xphost::otherPluginCutsIn();
    xphost::selectMenuItem("HostTest", "Release");
    EXPECT_EQ(xphost::planesController(), -2);
    EXPECT_TRUE(logHas("HostTest2: planes available HostTest2 held by 1000 acquire 0"));
    EXPECT_FALSE(logHas("HostTest: planes available"));  // it let go: it is not told
    xphost::otherPluginReleasesPlanes();
    EXPECT_TRUE(logHas("HostTest2: planes available HostTest2 held by -1 acquire 1"));
    EXPECT_EQ(xphost::planesController(), second);
    (void)first;
}

TEST_F(Tcas, ASlotCountsOnlyWithAModeSIdAndBelowTheActiveCount) {
    struct Case {
        const char* item;  // after Acquire, TCAS (slot 1) and TCAS relative (slot 2)
        std::vector<int> slots;
    };
    const Case cases[] = {
        {nullptr, {1, 2}},
        {"TCAS no id", {2}},  // X-Plane does not update a target without an id
        {"Count 2", {1}},     // the user and one target
    };
    for (const Case& c : cases) {
        xphost::reset();
        load(HOSTTEST_PLUGIN);
        xphost::selectMenuItem("HostTest", "Acquire");
        xphost::selectMenuItem("HostTest", "TCAS");
        xphost::selectMenuItem("HostTest", "TCAS relative");
        if (c.item) xphost::selectMenuItem("HostTest", c.item);
        xphost::runFrames(1);
        std::vector<int> slots;
        for (const auto& t : xphost::tcasTargets()) slots.push_back(t.slot);
        EXPECT_EQ(slots, c.slots) << (c.item ? c.item : "both");
        EXPECT_EQ(xphost::getInt("sim/cockpit2/tcas/indicators/tcas_num_acf"), static_cast<int>(c.slots.size()));
    }
}

}  // namespace
