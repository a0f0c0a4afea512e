// The host's clock and frame loop: each frame advances simulated time by one
// frame period, steps the flight model (and the simulator clock), then runs
// the flight loops that are due.

#include "FlightModel.h"
#include "HostState.h"
#include "XPLMHost.h"
#include "XPLMPlugin.h"
#include "XPLMProcessing.h"

#include <cmath>
#include <stdexcept>

namespace xphost {
namespace detail {
namespace {

const int kDefaultFps = 60;
const double kSecondsPerDay = 86400.0;
const int kDaysPerYear = 365;

struct Clock {
    int fps = kDefaultFps;
    double zulu = 0;          // the time of day, exact; the float reference mirrors it
    float zuluPublished = 0;  // what the float reference held after the last frame
    long long frames = 0;
    long long baseFrame = 0;  // frame and time at the last frame-rate change
    double baseTime = 0;
    bool modelOn = true;
    bool paused = false;
    FlightModel model;
};

Clock& clock() {
    static auto* c = new Clock;
    return *c;
}

double frameTime(const Clock& c) { return c.baseTime + static_cast<double>(c.frames - c.baseFrame) / c.fps; }

void resetWorld() {
    Clock& c = clock();
    c.fps = kDefaultFps;
    c.frames = c.baseFrame = 0;
    c.baseTime = 0;
    c.modelOn = true;
    c.paused = false;
    resetDataRefs();
    c.zulu = ref("sim/time/zulu_time_sec").scalar;
    c.zuluPublished = static_cast<float>(c.zulu);
    resetAircraft();
    Route r;
    std::string err;
    parseRoute(defaultRouteSource(), "default route", &r, &err);
    c.model.setOriginShift(FlightModel::kDefaultOriginShift);
    c.model.reset(r);
    c.model.publish();
    resetScenery();
}

// The simulator clock runs with simulated time. It counts in double: adding
// frame periods to a float time of day would drift by seconds a day. A value
// written to the reference since the last frame restarts the count from it.
void advanceSimulatorClock(Clock& c, double t, double dt) {
    // Looked up once: the registry keeps its entries for the life of the process.
    static DataRef& running = ref("sim/time/total_running_time_sec");
    static DataRef& zulu = ref("sim/time/zulu_time_sec");
    static DataRef& day = ref("sim/time/local_date_days");
    running.scalar = static_cast<float>(t);
    if (static_cast<float>(zulu.scalar) != c.zuluPublished) c.zulu = zulu.scalar;
    c.zulu += dt;
    if (c.zulu >= kSecondsPerDay) {
        c.zulu = std::fmod(c.zulu, kSecondsPerDay);
        day.scalar = (static_cast<int>(day.scalar) + 1) % kDaysPerYear;
    }
    c.zuluPublished = static_cast<float>(c.zulu);
    zulu.scalar = c.zuluPublished;
}

// The world starts in its reset state, before any plugin can look.
const bool kWorldReady = (resetWorld(), true);

}  // namespace

double now() { return frameTime(clock()); }
int cycle() { return static_cast<int>(clock().frames); }
const wgs84::LocalFrame& currentFrame() { return clock().model.frame(); }

void restartFlight() {
    Clock& c = clock();
    const Route r = c.model.route();
    c.model.reset(r);
    if (c.modelOn) c.model.publish();
    loadSceneryNow();
}

}  // namespace detail

void reset() {
    unloadAll();
    detail::clearMenus();
    detail::clearLoops();
    detail::clearInstances();
    detail::clearObjects();
    detail::resetOutputs();
    detail::clearFault();
    detail::resetWorld();
}

void setFrameRate(int fps) {
    if (fps < 1 || fps > 10000) throw std::invalid_argument("xphost::setFrameRate: " + std::to_string(fps) + " fps");
    detail::Clock& c = detail::clock();
    c.baseTime = detail::frameTime(c);
    c.baseFrame = c.frames;
    c.fps = fps;
}

int frameRate() { return detail::clock().fps; }

void runFrames(int n) {
    detail::Clock& c = detail::clock();
    for (int i = 0; i < n; ++i) {
        if (pluginFaulted()) return;  // a plugin failed: nothing runs on until reset
        const double dt = 1.0 / c.fps;
        ++c.frames;
        const double t = detail::frameTime(c);
        detail::deliverLoadedObjects();
        if (pluginFaulted()) return;
        detail::runFlightLoops(t, dt, detail::cycle(), xplm_FlightLoop_Phase_BeforeFlightModel);
        if (pluginFaulted()) return;
        // Paused, X-Plane stops the flight model and the simulator clock but
        // keeps calling flight loops.
        if (c.modelOn && !c.paused) {
            const long long shifts = c.model.shifts();
            c.model.step(dt);
            c.model.publish();
            detail::advanceSimulatorClock(c, t, dt);
            // X-Plane loads the scenery around the new origin in the
            // background and tells every plugin when it is there.
            if (c.model.shifts() != shifts) detail::sceneryShifted();
        }
        if (detail::sceneryFrame()) sendMessage(XPLM_MSG_SCENERY_LOADED, nullptr);
        if (pluginFaulted()) return;
        detail::runFlightLoops(t, dt, detail::cycle(), xplm_FlightLoop_Phase_AfterFlightModel);
        detail::tcasFrame();
        detail::trafficFrame(t);
    }
}

void runSeconds(double simSeconds) {
    if (!(simSeconds > 0)) return;
    runFrames(static_cast<int>(std::llround(simSeconds * frameRate())));
}

double simTime() { return detail::now(); }
long long frameCount() { return detail::clock().frames; }

void setFlightModelEnabled(bool on) { detail::clock().modelOn = on; }

void setPaused(bool on) {
    detail::clock().paused = on;
    setInt("sim/time/paused", on ? 1 : 0);
}
bool paused() { return detail::clock().paused; }

void setOriginShiftDistance(double metres) {
    if (!(metres >= 1 && metres <= 1e7))
        throw std::invalid_argument("xphost::setOriginShiftDistance: " + std::to_string(metres) + " m");
    detail::clock().model.setOriginShift(metres);
}
double originShiftDistance() { return detail::clock().model.originShift(); }

bool setRoute(const std::string& routeText, std::string* error) { return setRoute(routeText, error, "route"); }

bool setRoute(const std::string& routeText, std::string* error, const std::string& fileName) {
    Route r;
    if (!parseRoute(routeText, fileName, &r, error)) return false;
    detail::Clock& c = detail::clock();
    c.model.reset(r);
    if (c.modelOn) c.model.publish();
    detail::loadSceneryNow();
    return true;
}

std::string defaultRouteText() { return defaultRouteSource(); }

FlightState flightState() { return detail::clock().model.state(); }

}  // namespace xphost
