// The user's aircraft and the other aircraft: count, models, and the
// exclusive control of the other aircraft that plugins may acquire. A plugin
// asking for aircraft another one holds is queued, and the holder is sent
// XPLM_MSG_RELEASE_PLANES (from the asking plugin); the scenario's stand-in for
// another plugin (an online network, say) never yields. As XPLMPlanes.h says,
// the planes-available callback is only a notice that the holder let go: the
// first plugin to acquire then wins, and the stand-in may cut in before any
// waiting plugin hears it.

#include "HostState.h"
#include "XPLMHost.h"

#include "XPLMPlanes.h"
#include "XPLMPlugin.h"

#include <algorithm>
#include <deque>

namespace xphost {
namespace detail {
namespace {

const size_t kFileNameBuffer = 256;
const size_t kPathBuffer = 512;
const int kPartsCount = 73;

struct Waiter {
    int plugin;
    XPLMPlanesAvailable_f callback;
    void* refcon;
};

struct Aircraft {
    int total = 1;
    int active = 1;
    AircraftModel user;
    int controller = -1;  // plugin index holding the other aircraft, or kOtherPlugin
    std::deque<Waiter> waiting;
    bool cutIn = false;   // the stand-in takes them at the next release
    int tcasSlots = 0;    // slots the holder's XPLMSetActiveAircraftCount asked for; 0: not asked
};

Aircraft& aircraft() {
    static auto* a = new Aircraft;
    return *a;
}

// The holder let go: the stand-in takes them if it cut in or was waiting
// first; every waiting plugin is told, and acquires again or waits again.
void notifyWaiters() {
    Aircraft& a = aircraft();
    if (a.cutIn && a.controller == -1) {
        a.cutIn = false;
        a.controller = kOtherPlugin;
        hostLine("another plugin cut in and now holds the AI aircraft");
    }
    std::deque<Waiter> told;
    told.swap(a.waiting);
    for (const Waiter& w : told) {
        if (w.plugin == kOtherPlugin) {
            if (a.controller == -1) {
                a.controller = kOtherPlugin;
                hostLine("another plugin now holds the AI aircraft");
            } else if (a.controller != kOtherPlugin) {
                a.waiting.push_back(w);
            }
            continue;
        }
        if (!pluginIsEnabled(w.plugin)) continue;
        if (w.callback) callPlugin(w.plugin, "its planes-available callback", [&] { w.callback(w.refcon); });
    }
}

}  // namespace

void resetAircraft() {
    aircraft() = Aircraft();
    resetTcas();
}

int planesHolder() { return aircraft().controller; }

int tcasSlotLimit() {
    const int n = aircraft().tcasSlots;
    return n > 0 ? n : kTcasSlotCount;
}

void releasePlanesOf(int plugin) {
    Aircraft& a = aircraft();
    a.waiting.erase(std::remove_if(a.waiting.begin(), a.waiting.end(), [plugin](const Waiter& w) { return w.plugin == plugin; }),
                    a.waiting.end());
    if (a.controller == plugin) {
        a.controller = -1;
        a.tcasSlots = 0;
        tcasReleased();
        notifyWaiters();
    }
}

namespace {

XPLMPluginID idOf(int holder) { return holder == kOtherPlugin ? kOtherPluginId : holder >= 0 ? holder + 1 : XPLM_NO_PLUGIN_ID; }

// X-Plane asks the holder to yield, on behalf of the plugin asking.
void askHolderToRelease(int asking) {
    const int holder = aircraft().controller;
    if (holder < 0 || !pluginIsEnabled(holder)) return;
    sendMessageTo(holder, idOf(asking), XPLM_MSG_RELEASE_PLANES, nullptr);
}

}  // namespace

}  // namespace detail

AircraftModel modelFromPath(const std::string& path) {
    AircraftModel m;
    m.path = path.empty() ? path : detail::absolutePath(path);
    const size_t slash = m.path.rfind('/');
    m.fileName = slash == std::string::npos ? m.path : m.path.substr(slash + 1);
    return m;
}

void loadUserAircraft(const AircraftModel& m) {
    detail::aircraft().user = m;
    setIntArray("sim/aircraft/prop/acf_part_eq", std::vector<int>(detail::kPartsCount, 1));
    sendMessage(XPLM_MSG_PLANE_LOADED, nullptr);  // parameter 0: the user's aircraft
}

AircraftModel userAircraft() { return detail::aircraft().user; }

int planesController() { return detail::aircraft().controller; }

void otherPluginAcquiresPlanes() {
    using namespace detail;
    Aircraft& a = aircraft();
    if (a.controller == kOtherPlugin) return;
    if (a.controller == -1) {
        a.controller = kOtherPlugin;
        hostLine("another plugin now holds the AI aircraft");
        return;
    }
    for (const Waiter& w : a.waiting)
        if (w.plugin == kOtherPlugin) return;
    a.waiting.push_back(Waiter{kOtherPlugin, nullptr, nullptr});
    askHolderToRelease(kOtherPlugin);
}

void otherPluginReleasesPlanes() {
    detail::releasePlanesOf(detail::kOtherPlugin);
}

void otherPluginCutsIn() { detail::aircraft().cutIn = true; }

int tcasActiveCount() { return detail::aircraft().tcasSlots; }

bool startNewFlight() {
    const AircraftModel m = detail::aircraft().user;
    if (m.fileName.empty()) return false;
    detail::restartFlight();
    loadUserAircraft(m);
    sendMessage(XPLM_MSG_AIRPORT_LOADED, nullptr);
    return true;
}

void setAircraftCount(int total, int active) {
    auto& a = detail::aircraft();
    a.total = std::max(1, total);
    a.active = std::min(std::max(1, active), a.total);
    sendMessage(XPLM_MSG_AIRPLANE_COUNT_CHANGED, nullptr);
}

}  // namespace xphost

extern "C" {

XPLM_API void XPLMCountAircraft(int* outTotalAircraft, int* outActiveAircraft, XPLMPluginID* outController) {
    const auto& a = xphost::detail::aircraft();
    if (outTotalAircraft) *outTotalAircraft = a.total;
    if (outActiveAircraft) *outActiveAircraft = a.active;
    if (outController) *outController = xphost::detail::idOf(a.controller);
}

XPLM_API void XPLMGetNthAircraftModel(int inIndex, char* outFileName, char* outPath) {
    using namespace xphost::detail;
    const auto& a = aircraft();
    // Only the user's model is known; other aircraft and bad indices read empty.
    const bool user = inIndex == 0;
    copyTruncated(outFileName, kFileNameBuffer, user ? a.user.fileName : std::string());
    copyTruncated(outPath, kPathBuffer, user ? a.user.path : std::string());
}

XPLM_API int XPLMAcquirePlanes(char** inAircraft, XPLMPlanesAvailable_f inCallback, void* inRefcon) {
    using namespace xphost::detail;
    (void)inAircraft;  // models for the other aircraft: there are none to load here
    Aircraft& a = aircraft();
    const int me = currentPlugin();
    if (a.controller == me && me >= 0) return 1;
    if (a.controller == -1 && me >= 0) {
        a.controller = me;
        return 1;
    }
    if (me < 0) return 0;
    // The holder may yield at once, inside the message.
    askHolderToRelease(me);
    if (a.controller == -1) {
        a.controller = me;
        return 1;
    }
    bool queued = false;
    for (const Waiter& w : a.waiting) queued = queued || w.plugin == me;
    if (!queued) a.waiting.push_back(Waiter{me, inCallback, inRefcon});
    return 0;
}

XPLM_API void XPLMReleasePlanes(void) {
    using namespace xphost::detail;
    const int me = currentPlugin();
    if (me >= 0 && aircraft().controller == me) releasePlanesOf(me);
}

XPLM_API void XPLMSetActiveAircraftCount(int inCount) {
    using namespace xphost::detail;
    Aircraft& a = aircraft();
    const int me = currentPlugin();
    if (me < 0 || a.controller != me) return;  // the holder's call only
    a.active = std::min(std::max(1, inCount), a.total);
    // Under the TCAS override X-Plane takes up to 64 (the user and 63
    // targets) whatever the user's AI count, and uses the slots asked for.
    a.tcasSlots = std::min(std::max(1, inCount), kTcasSlotCount);
}

}  // extern "C"
