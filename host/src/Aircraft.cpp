// The user's aircraft and the other aircraft: count, models, and the
// exclusive control of the other aircraft that plugins may acquire.

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
    int controller = -1;  // plugin index holding the other aircraft
    std::deque<Waiter> waiting;
};

Aircraft& aircraft() {
    static auto* a = new Aircraft;
    return *a;
}

// Hands the other aircraft to the first plugin waiting for them.
void grantNext() {
    Aircraft& a = aircraft();
    while (a.controller < 0 && !a.waiting.empty()) {
        const Waiter w = a.waiting.front();
        a.waiting.pop_front();
        if (!pluginIsEnabled(w.plugin)) continue;
        a.controller = w.plugin;
        if (w.callback) callPlugin(w.plugin, "its planes-available callback", [&] { w.callback(w.refcon); });
    }
}

}  // namespace

void resetAircraft() { aircraft() = Aircraft(); }

void releasePlanesOf(int plugin) {
    Aircraft& a = aircraft();
    a.waiting.erase(std::remove_if(a.waiting.begin(), a.waiting.end(), [plugin](const Waiter& w) { return w.plugin == plugin; }),
                    a.waiting.end());
    if (a.controller == plugin) {
        a.controller = -1;
        grantNext();
    }
}

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
    if (outController) *outController = a.controller >= 0 ? a.controller + 1 : XPLM_NO_PLUGIN_ID;
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
    if (a.controller < 0 && me >= 0) {
        a.controller = me;
        return 1;
    }
    if (me >= 0) a.waiting.push_back(Waiter{me, inCallback, inRefcon});
    return 0;
}

XPLM_API void XPLMReleasePlanes(void) {
    using namespace xphost::detail;
    const int me = currentPlugin();
    if (me >= 0 && aircraft().controller == me) releasePlanesOf(me);
}

}  // extern "C"
