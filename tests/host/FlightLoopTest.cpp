// Flight-loop scheduling as X-Plane does it, with callbacks registered by the
// test itself.

#include "HostFixture.h"

#include "XPLMProcessing.h"

#include <functional>
#include <vector>

namespace {

struct Call {
    float sinceLastCall, sinceLastLoop;
    int counter;
};

// A callback whose behaviour each test chooses; the refcon is the Probe.
struct Probe {
    std::vector<Call> calls;
    std::function<float(Probe&)> next = [](Probe&) { return -1.0f; };
};

float probeLoop(float sinceLastCall, float sinceLastLoop, int counter, void* refcon) {
    Probe& p = *static_cast<Probe*>(refcon);
    p.calls.push_back({sinceLastCall, sinceLastLoop, counter});
    return p.next(p);
}

std::vector<int> counters(const Probe& p) {
    std::vector<int> c;
    for (auto& call : p.calls) c.push_back(call.counter);
    return c;
}

using FlightLoops = HostTest;

TEST_F(FlightLoops, PositiveIntervalIsSeconds) {
    Probe p;
    p.next = [](Probe&) { return 0.1f; };
    XPLMRegisterFlightLoopCallback(probeLoop, 0.1f, &p);
    xphost::runFrames(30);  // 60 fps: every 6th frame
    EXPECT_EQ(counters(p), (std::vector<int>{6, 12, 18, 24, 30}));
    for (auto& c : p.calls) {
        EXPECT_NEAR(c.sinceLastCall, 0.1f, 1e-5);
        EXPECT_NEAR(c.sinceLastLoop, 1.0f / 60, 1e-6);
    }
    EXPECT_EQ(XPLMGetCycleNumber(), 30);
    EXPECT_NEAR(XPLMGetElapsedTime(), 0.5f, 1e-6);
}

TEST_F(FlightLoops, NegativeIntervalIsFlightLoops) {
    Probe every, third;
    third.next = [](Probe&) { return -3.0f; };
    XPLMRegisterFlightLoopCallback(probeLoop, -1.0f, &every);
    XPLMRegisterFlightLoopCallback(probeLoop, -3.0f, &third);
    xphost::runFrames(9);
    EXPECT_EQ(counters(every), (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 9}));
    EXPECT_EQ(counters(third), (std::vector<int>{3, 6, 9}));
    EXPECT_NEAR(third.calls[1].sinceLastCall, 3.0f / 60, 1e-6);
}

TEST_F(FlightLoops, ZeroMakesTheCallbackInactiveButRegistered) {
    Probe p;
    p.next = [](Probe&) { return 0.0f; };
    XPLMRegisterFlightLoopCallback(probeLoop, -1.0f, &p);
    xphost::runFrames(5);
    EXPECT_EQ(p.calls.size(), 1u);
    EXPECT_EQ(xphost::flightLoopCount(), 1);

    Probe idle;
    XPLMRegisterFlightLoopCallback(probeLoop, 0.0f, &idle);
    xphost::runFrames(5);
    EXPECT_TRUE(idle.calls.empty()) << "registered with interval 0: never called";

    // Rescheduling wakes it again; never called before, it measures from its
    // registration (frame 5) to its first call (frame 13).
    XPLMSetFlightLoopCallbackInterval(probeLoop, 0.05f, 1, &idle);
    xphost::runFrames(3);
    ASSERT_EQ(idle.calls.size(), 1u);
    EXPECT_EQ(idle.calls[0].counter, 13);
    EXPECT_NEAR(idle.calls[0].sinceLastCall, 8.0f / 60, 1e-5);
    EXPECT_EQ(xphost::flightLoopCount(), 2);
}

TEST_F(FlightLoops, IdentifiedByFunctionAndRefcon) {
    Probe a, b;
    XPLMRegisterFlightLoopCallback(probeLoop, -1.0f, &a);
    XPLMRegisterFlightLoopCallback(probeLoop, -1.0f, &b);
    XPLMRegisterFlightLoopCallback(probeLoop, -1.0f, &a);  // again: rescheduled, not doubled
    EXPECT_EQ(xphost::flightLoopCount(), 2);
    xphost::runFrames(2);
    XPLMUnregisterFlightLoopCallback(probeLoop, &a);
    XPLMUnregisterFlightLoopCallback(probeLoop, &a);        // not registered any more: harmless
    XPLMUnregisterFlightLoopCallback(probeLoop, nullptr);   // never registered: harmless
    XPLMUnregisterFlightLoopCallback(nullptr, nullptr);
    xphost::runFrames(2);
    EXPECT_EQ(a.calls.size(), 2u);
    EXPECT_EQ(b.calls.size(), 4u);
    EXPECT_EQ(xphost::flightLoopCount(), 1);
}

TEST_F(FlightLoops, UnregisteringDuringACallbackIsSafe) {
    Probe self, victim, later;
    self.next = [](Probe& p) {
        XPLMUnregisterFlightLoopCallback(probeLoop, &p);
        return -1.0f;  // ignored: no longer registered
    };
    victim.next = [](Probe&) { return -1.0f; };
    Probe killer;
    killer.next = [&victim](Probe&) {
        XPLMUnregisterFlightLoopCallback(probeLoop, &victim);
        return -1.0f;
    };
    XPLMRegisterFlightLoopCallback(probeLoop, -1.0f, &self);
    XPLMRegisterFlightLoopCallback(probeLoop, -1.0f, &killer);
    XPLMRegisterFlightLoopCallback(probeLoop, -1.0f, &victim);
    xphost::runFrames(3);
    EXPECT_EQ(self.calls.size(), 1u);
    EXPECT_EQ(killer.calls.size(), 3u);
    EXPECT_TRUE(victim.calls.empty()) << "unregistered earlier in the same frame";
    EXPECT_EQ(xphost::flightLoopCount(), 1);
}

TEST_F(FlightLoops, RegisteringDuringACallbackTakesEffectNextFrame) {
    Probe spawner, child;
    spawner.next = [&child](Probe& p) {
        if (p.calls.size() == 1) XPLMRegisterFlightLoopCallback(probeLoop, -1.0f, &child);
        return -1.0f;
    };
    XPLMRegisterFlightLoopCallback(probeLoop, -1.0f, &spawner);
    xphost::runFrames(3);
    EXPECT_EQ(counters(child), (std::vector<int>{2, 3}));
}

TEST_F(FlightLoops, ReschedulingInsideTheCallbackOverridesItsReturn) {
    Probe p;
    p.next = [](Probe& self) {
        XPLMRegisterFlightLoopCallback(probeLoop, -4.0f, &self);
        return -1.0f;
    };
    XPLMRegisterFlightLoopCallback(probeLoop, -1.0f, &p);
    xphost::runFrames(9);
    EXPECT_EQ(counters(p), (std::vector<int>{1, 5, 9}));
}

TEST_F(FlightLoops, FirstCallMeasuresFromRegistration) {
    xphost::runFrames(10);
    Probe p;
    XPLMRegisterFlightLoopCallback(probeLoop, 0.5f, &p);
    xphost::runSeconds(0.5);
    ASSERT_EQ(p.calls.size(), 1u);
    EXPECT_EQ(p.calls[0].counter, 40);
    EXPECT_NEAR(p.calls[0].sinceLastCall, 0.5f, 1e-5);
}

TEST_F(FlightLoops, FrameRateSetsTheFramePeriod) {
    xphost::setFrameRate(20);
    Probe p;
    XPLMRegisterFlightLoopCallback(probeLoop, 0.25f, &p);
    p.next = [](Probe&) { return 0.25f; };
    xphost::runSeconds(1.0);
    EXPECT_EQ(counters(p), (std::vector<int>{5, 10, 15, 20}));
    EXPECT_NEAR(p.calls[0].sinceLastLoop, 0.05f, 1e-6);
    EXPECT_DOUBLE_EQ(xphost::simTime(), 1.0);
}

TEST_F(FlightLoops, ResetForgetsEveryCallback) {
    Probe p;
    XPLMRegisterFlightLoopCallback(probeLoop, -1.0f, &p);
    xphost::reset();
    EXPECT_EQ(xphost::flightLoopCount(), 0);
    xphost::runFrames(2);
    EXPECT_TRUE(p.calls.empty());
}

}  // namespace

// XPLMProcessing.h: XPLMRegisterFlightLoopCallback installs callbacks that
// run before the flight model; XPLMCreateFlightLoop picks the phase. A
// callback before the flight model reads the position of the frame before.
float readX(float, float, int, void* refcon) {
    static_cast<std::vector<double>*>(refcon)->push_back(xphost::getFloat("sim/flightmodel/position/local_x"));
    return -1.0f;
}

TEST_F(FlightLoops, RegisteredLoopsRunBeforeTheFlightModelAndCreatedOnesInTheirPhase) {
    std::string err;
    ASSERT_TRUE(xphost::setRoute("start 0 0 1000 90\nleg - 60 0 0 100\n", &err)) << err;  // 1 m east a frame
    std::vector<double> seen[3];  // registered, created before, created after
    XPLMRegisterFlightLoopCallback(readX, -1.0f, &seen[0]);
    XPLMFlightLoopID ids[3] = {};
    for (int i = 1; i < 3; ++i) {
        XPLMCreateFlightLoop_t params = {sizeof(params), i - 1, readX, &seen[i]};
        ids[i] = XPLMCreateFlightLoop(&params);
    }
    xphost::runFrames(2);
    EXPECT_TRUE(seen[1].empty() && seen[2].empty()) << "created loops wait to be scheduled";
    for (int i = 1; i < 3; ++i) XPLMScheduleFlightLoop(ids[i], -1.0f, 1);
    xphost::runFrames(3);
    const double x = xphost::flightState().x, behind[3] = {1, 1, 0};
    for (int i = 0; i < 3; ++i) EXPECT_NEAR(seen[i].back(), x - behind[i], 0.01) << i;
}
