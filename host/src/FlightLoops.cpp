// Flight-loop callbacks with X-Plane's scheduling rules: an interval in
// seconds (positive), in flight loops (negative) or none (0: inactive but
// still registered). Callbacks may register and unregister, themselves
// included, while the loops run. XPLMRegisterFlightLoopCallback installs
// callbacks that run before the flight model (XPLMProcessing.h);
// XPLMCreateFlightLoop chooses the phase.

#include "HostState.h"
#include "XPLMHost.h"

#include "XPLMProcessing.h"

#include <algorithm>
#include <cmath>
#include <memory>

namespace xphost {
namespace detail {
namespace {

// A seconds interval falls due at the first frame whose time reaches it; the
// tolerance absorbs float intervals such as 0.1f.
const double kDueTolerance = 1e-6;

struct Loop {
    XPLMFlightLoop_f fn = nullptr;
    void* refcon = nullptr;
    int owner = -1;
    bool alive = true;
    bool active = false;
    bool byFrames = false;
    bool created = false;  // by XPLMCreateFlightLoop: known by its id, not by (fn, refcon)
    int phase = xplm_FlightLoop_Phase_BeforeFlightModel;
    double dueTime = 0;
    long long dueCycle = 0;
    double lastCall = 0;
    unsigned serial = 0;  // bumped whenever the schedule is set from outside the callback's return
};

struct Loops {
    std::vector<std::unique_ptr<Loop>> all;  // registration order
    bool running = false;
};

Loops& loops() {
    static auto* l = new Loops;
    return *l;
}

Loop* find(XPLMFlightLoop_f fn, void* refcon) {
    for (auto& l : loops().all)
        if (l->alive && !l->created && l->fn == fn && l->refcon == refcon) return l.get();
    return nullptr;
}

Loop* byId(XPLMFlightLoopID id) {
    for (auto& l : loops().all)
        if (l->alive && l->created && l.get() == id) return l.get();
    return nullptr;
}

void schedule(Loop& l, float interval, double fromTime, long long fromCycle) {
    if (interval > 0) {
        l.active = true;
        l.byFrames = false;
        l.dueTime = fromTime + interval;
    } else if (interval < 0) {
        l.active = true;
        l.byFrames = true;
        const double frames = std::floor(-static_cast<double>(interval));
        l.dueCycle = fromCycle + static_cast<long long>(std::max(1.0, std::min(frames, 1e9)));
    } else {
        l.active = false;
    }
}

void purge() {
    auto& all = loops().all;
    all.erase(std::remove_if(all.begin(), all.end(), [](const std::unique_ptr<Loop>& l) { return !l->alive; }),
              all.end());
}

void kill(Loop& l) {
    l.alive = false;
    if (!loops().running) purge();
}

}  // namespace

void runFlightLoops(double time, double sinceLastFlightLoop, int counter, int phase) {
    Loops& ls = loops();
    if (ls.running) return;  // a callback that steps the host does not re-enter
    ls.running = true;
    const size_t n = ls.all.size();  // callbacks registered from now on wait for the next frame
    for (size_t i = 0; i < n; ++i) {
        Loop& l = *ls.all[i];
        if (!l.alive || !l.active || l.phase != phase) continue;
        if (l.owner >= 0 && !pluginIsEnabled(l.owner)) continue;
        if (l.byFrames ? counter < l.dueCycle : time + kDueTolerance < l.dueTime) continue;
        const unsigned serial = l.serial;
        const float sinceLastCall = static_cast<float>(time - l.lastCall);
        float next = 0;
        const bool ok = callPlugin(l.owner, "its flight-loop callback",
                                   [&] { next = l.fn(sinceLastCall, static_cast<float>(sinceLastFlightLoop), counter, l.refcon); });
        if (!ok) break;
        l.lastCall = time;
        if (l.alive && l.serial == serial) schedule(l, next, time, counter);
    }
    ls.running = false;
    purge();
}

void removeLoopsOf(int plugin) {
    for (auto& l : loops().all)
        if (l->owner == plugin) l->alive = false;
    if (!loops().running) purge();
}

void clearLoops() {
    for (auto& l : loops().all) l->alive = false;
    if (!loops().running) purge();
}

}  // namespace detail

int flightLoopCount() {
    int n = 0;
    for (auto& l : detail::loops().all)
        if (l->alive) ++n;
    return n;
}

}  // namespace xphost

extern "C" {

XPLM_API float XPLMGetElapsedTime(void) { return static_cast<float>(xphost::detail::now()); }

XPLM_API int XPLMGetCycleNumber(void) { return xphost::detail::cycle(); }

XPLM_API void XPLMRegisterFlightLoopCallback(XPLMFlightLoop_f inFlightLoop, float inInterval, void* inRefcon) {
    using namespace xphost::detail;
    if (!inFlightLoop) return;
    // Registering a registered callback again only reschedules it.
    Loop* l = find(inFlightLoop, inRefcon);
    if (!l) {
        auto fresh = std::make_unique<Loop>();
        fresh->fn = inFlightLoop;
        fresh->refcon = inRefcon;
        fresh->owner = currentPlugin();
        l = fresh.get();
        loops().all.push_back(std::move(fresh));
    }
    l->lastCall = now();
    ++l->serial;
    schedule(*l, inInterval, now(), cycle());
}

XPLM_API void XPLMUnregisterFlightLoopCallback(XPLMFlightLoop_f inFlightLoop, void* inRefcon) {
    using namespace xphost::detail;
    if (Loop* l = find(inFlightLoop, inRefcon)) kill(*l);
}

XPLM_API void XPLMSetFlightLoopCallbackInterval(XPLMFlightLoop_f inFlightLoop, float inInterval, int inRelativeToNow,
                                                void* inRefcon) {
    using namespace xphost::detail;
    Loop* l = find(inFlightLoop, inRefcon);
    if (!l) return;
    ++l->serial;
    schedule(*l, inInterval, inRelativeToNow ? now() : l->lastCall, cycle());
}

XPLM_API XPLMFlightLoopID XPLMCreateFlightLoop(XPLMCreateFlightLoop_t* inParams) {
    using namespace xphost::detail;
    if (!inParams || inParams->structSize < static_cast<int>(sizeof(XPLMCreateFlightLoop_t)) ||
        !inParams->callbackFunc)
        return nullptr;
    auto fresh = std::make_unique<Loop>();
    fresh->fn = inParams->callbackFunc;
    fresh->refcon = inParams->refcon;
    fresh->owner = currentPlugin();
    fresh->created = true;
    fresh->phase = inParams->phase == xplm_FlightLoop_Phase_AfterFlightModel ? xplm_FlightLoop_Phase_AfterFlightModel
                                                                              : xplm_FlightLoop_Phase_BeforeFlightModel;
    fresh->lastCall = now();
    Loop* l = fresh.get();
    loops().all.push_back(std::move(fresh));
    return l;
}

XPLM_API void XPLMDestroyFlightLoop(XPLMFlightLoopID inFlightLoopID) {
    using namespace xphost::detail;
    if (Loop* l = byId(inFlightLoopID)) kill(*l);
}

XPLM_API void XPLMScheduleFlightLoop(XPLMFlightLoopID inFlightLoopID, float inInterval, int inRelativeToNow) {
    using namespace xphost::detail;
    Loop* l = byId(inFlightLoopID);
    if (!l) return;
    ++l->serial;
    schedule(*l, inInterval, inRelativeToNow ? now() : l->lastCall, cycle());
}

}  // extern "C"
