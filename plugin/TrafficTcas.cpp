#include "TrafficTcas.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "PluginState.h"
#include "TrafficModels.h"
#include "XPLMPlanes.h"
#include "XPLMProcessing.h"
#include "XPLMUtilities.h"

PLUGIN_API void planesAvailable(void* inRefcon);

namespace volax {

namespace {

constexpr int kSlots = 64;  // slot 0 is the user's aircraft
constexpr int kIdBytes = 8;
constexpr float kFeetPerMinute = 196.850394f;  // per m/s
constexpr double kRadToDeg = 57.29577951308232;
// Gear out within about 1000 ft of the ground, where aircraft take off and land.
constexpr double kGearDownBelow = 300.0;
// sim/cockpit2/tcas/targets/position/lights bits.
constexpr int kBeacon = 1, kLanding = 2, kNav = 4, kStrobe = 8;

// The runs of consecutive used slots, as (first slot, count). Unused slots
// are left alone, so X-Plane drops them after ten frames.
std::vector<std::pair<int, int>> runsOf(const bool* used) {
    std::vector<std::pair<int, int>> runs;
    for (int s = 1; s < kSlots;) {
        if (!used[s]) {
            ++s;
            continue;
        }
        int e = s;
        while (e < kSlots && used[e]) ++e;
        runs.emplace_back(s, e - s);
        s = e;
    }
    return runs;
}

// The used slots by key (each key holds one slot), so matching a frame's
// targets to their slots is not 63 x 63 comparisons.
class SlotIndex {
public:
    void add(traffic::EntityKey key, int slot) {
        size_t c = cell(key);
        while (slot_[c]) c = (c + 1) % kCells;
        key_[c] = key;
        slot_[c] = slot;
    }
    int find(traffic::EntityKey key) const {
        for (size_t c = cell(key); slot_[c]; c = (c + 1) % kCells)
            if (key_[c] == key) return slot_[c];
        return 0;
    }

private:
    static constexpr size_t kCells = 2 * kSlots;  // never full: at most kSlots - 1 used
    static size_t cell(traffic::EntityKey key) { return (key * 0x9E3779B97F4A7C15ull) >> 57; }
    traffic::EntityKey key_[kCells];
    int slot_[kCells] = {};  // 0: empty
};
static_assert(2 * kSlots == 128, "SlotIndex::cell takes 7 bits");

double dot(const double* a, const double* b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

// A geodetic point's east, north and up, geocentric.
struct Axes {
    double east[3], north[3], up[3];
};

Axes axesAt(double latitude, double longitude) {
    const double f = latitude / kRadToDeg, l = longitude / kRadToDeg;
    const double sf = std::sin(f), cf = std::cos(f), sl = std::sin(l), cl = std::cos(l);
    return Axes{{-sl, cl, 0}, {-sf * cl, -sf * sl, cf}, {cf * cl, cf * sl, sf}};
}

// The pose's climb rate (m/s) and heading (degrees from true north) where the
// target is: the local frame's y axis and -z point up and north only at its
// origin (100 km out a level aircraft would climb or sink 600 ft/min). The
// picture made the pose's local vectors (x east, y up, z south) from
// geocentric ones with the axes at lat_ref/lon_ref, so those axes take them
// back, and the target's own up and north come from its latitude and
// longitude: no XPLM call per target.
void trueMotion(const traffic::EntityPose& p, const Axes& origin, float& climb, float& heading) {
    const Axes at = axesAt(p.latitude, p.longitude);
    auto geocentric = [&origin](double x, double y, double z, double* out) {
        for (int i = 0; i < 3; ++i) out[i] = origin.east[i] * x + origin.up[i] * y - origin.north[i] * z;
    };
    double v[3], forward[3];
    geocentric(p.vx, p.vy, p.vz, v);
    const double h = p.heading / kRadToDeg, e = p.pitch / kRadToDeg;
    geocentric(std::sin(h) * std::cos(e), std::sin(e), -std::cos(h) * std::cos(e), forward);
    climb = static_cast<float>(dot(v, at.up));
    double psi = std::atan2(dot(forward, at.east), dot(forward, at.north)) * kRadToDeg;
    if (psi < 0) psi += 360;
    heading = static_cast<float>(psi);
    if (heading >= 360.0f) heading = 0.0f;  // 359.99999999 rounds up in float
    if (!std::isfinite(climb) || !std::isfinite(heading)) climb = heading = 0;
}

}  // namespace

void TrafficTcas::findDataRefs() {
    const char* t = "sim/cockpit2/tcas/targets/";
    auto find = [t](const char* name) { return XPLMFindDataRef((std::string(t) + name).c_str()); };
    refs_.override_ = XPLMFindDataRef("sim/operation/override/override_TCAS");
    refs_.modeS = find("modeS_id");
    refs_.flightId = find("flight_id");
    refs_.icaoType = find("icao_type");
    refs_.ssr = find("ssr_mode");
    refs_.x = find("position/x");
    refs_.y = find("position/y");
    refs_.z = find("position/z");
    refs_.vx = find("position/vx");
    refs_.vy = find("position/vy");
    refs_.vz = find("position/vz");
    refs_.vs = find("position/vertical_speed");
    refs_.psi = find("position/psi");
    refs_.the = find("position/the");
    refs_.phi = find("position/phi");
    refs_.wow = find("position/weight_on_wheels");
    refs_.gear = find("position/gear_deploy");
    refs_.lights = find("position/lights");
}

void TrafficTcas::start() {
    if (!started_) findDataRefs();
    started_ = true;
}

void TrafficTcas::acquire() {
    // No models to load: the aircraft are only the TCAS override's.
    if (XPLMAcquirePlanes(nullptr, ::planesAvailable, nullptr)) {
        take();
        return;
    }
    waiting_ = true;
    if (!toldHeld_) {
        toldHeld_ = true;
        XPLMDebugString("VOLAX: another plugin holds the AI aircraft; federation traffic is drawn but not on TCAS "
                        "until it lets them go\n");
    }
    trace("TCAS: AI aircraft held by another plugin, waiting\n");
}

void TrafficTcas::take() {
    waiting_ = false;
    XPLMSetDatai(refs_.override_, 1);
    // X-Plane ignores the override from any plugin but the holder.
    if (XPLMGetDatai(refs_.override_) != 1) {
        refused_ = true;
        XPLMReleasePlanes();
        XPLMDebugString("VOLAX: X-Plane did not take override_TCAS although VOLAX holds the AI aircraft; federation "
                        "traffic is drawn but not on TCAS\n");
        return;
    }
    holding_ = true;
    toldHeld_ = toldCut_ = toldKept_ = false;
    activeCount_ = 0;
    for (Slot& s : slots_) s = Slot();
    trace("TCAS: AI aircraft acquired, override_TCAS set\n");
}

void TrafficTcas::release() {
    if (holding_) {
        XPLMSetDatai(refs_.override_, 0);
        XPLMReleasePlanes();
        trace("TCAS: override_TCAS cleared, AI aircraft released\n");
    }
    holding_ = false;
    activeCount_ = 0;
    for (Slot& s : slots_) s = Slot();
}

void TrafficTcas::planesAvailable() {
    // A notice, not a grant: the first plugin to acquire them now wins.
    waiting_ = false;
    if (!started_ || holding_ || !showing_ || refused_) return;
    if (XPLMAcquirePlanes(nullptr, ::planesAvailable, nullptr)) {
        take();
        return;
    }
    waiting_ = true;
    if (!toldCut_) {
        toldCut_ = true;
        XPLMDebugString("VOLAX: another plugin took the AI aircraft first; federation traffic is drawn but not on "
                        "TCAS until it lets them go\n");
    }
    trace("TCAS: AI aircraft taken by another plugin first, waiting\n");
}

void TrafficTcas::releaseRequested(int fromPlugin) {
    if (!holding_) return;
    if (!showing_) {
        trace("TCAS: plugin %d asks for the AI aircraft and no traffic is shown: releasing them\n", fromPlugin);
        release();
        return;
    }
    trace("TCAS: plugin %d asks for the AI aircraft: keeping them, traffic is shown\n", fromPlugin);
    if (!toldKept_) {
        toldKept_ = true;
        char line[200];
        std::snprintf(line, sizeof line,
                      "VOLAX: plugin %d asked for the AI aircraft; VOLAX keeps them while federation traffic is on "
                      "TCAS\n",
                      fromPlugin);
        XPLMDebugString(line);
    }
}

void TrafficTcas::update(const std::vector<traffic::TcasTarget>& targets, const TrafficModels& models,
                         const traffic::FrameOrigin& origin, LocalPlace place) {
    if (!started_) return;
    const double now = XPLMGetElapsedTime();
    showing_ = !targets.empty();
    if (showing_) lastShown_ = now;
    if (!holding_ && showing_ && !waiting_ && !refused_) acquire();
    if (!holding_) return;
    if (!showing_) {
        // Nothing to write (released targets go stale on their own): the
        // common frame stays cheap.
        for (int s = 1; s < kSlots; ++s) slots_[s].used = false;
        if (now - lastShown_ >= kIdleRelease) release();
        return;
    }
    write(targets, models, origin, place);
}

void TrafficTcas::write(const std::vector<traffic::TcasTarget>& targets, const TrafficModels& models,
                        const traffic::FrameOrigin& origin, LocalPlace place) {
    // Keep each remaining target's slot; newcomers take the free ones.
    for (Slot& s : slots_) s.seen = false;
    int slotOf[traffic::kMaxTcasTargets] = {};
    const size_t n = std::min(targets.size(), traffic::kMaxTcasTargets);
    SlotIndex index;
    for (int s = 1; s < kSlots; ++s)
        if (slots_[s].used) index.add(slots_[s].key, s);
    for (size_t i = 0; i < n; ++i)
        if (const int s = index.find(targets[i].key)) {
            slots_[s].seen = true;
            slotOf[i] = s;
        }
    for (int s = 1; s < kSlots; ++s)
        if (!slots_[s].seen) slots_[s].used = false;
    int next = 1;
    for (size_t i = 0; i < n; ++i) {
        if (slotOf[i]) continue;
        while (next < kSlots && slots_[next].used) ++next;
        if (next >= kSlots) break;
        slots_[next].used = slots_[next].seen = true;
        slots_[next].key = targets[i].key;
        slots_[next].icao[0] = '\0';
        slotOf[i] = next;
    }

    int modeS[kSlots] = {}, ssr[kSlots] = {}, wow[kSlots] = {}, lights[kSlots] = {};
    float x[kSlots] = {}, y[kSlots] = {}, z[kSlots] = {}, vx[kSlots] = {}, vy[kSlots] = {}, vz[kSlots] = {};
    float vs[kSlots] = {}, psi[kSlots] = {}, the[kSlots] = {}, phi[kSlots] = {}, gear[kSlots] = {};
    char ids[kSlots * kIdBytes] = {}, types[kSlots * kIdBytes] = {};
    bool used[kSlots] = {};
    int highest = 0;
    const Axes frame = axesAt(origin.latRef, origin.lonRef);
    for (size_t i = 0; i < n; ++i) {
        const int s = slotOf[i];
        if (!s) continue;
        const traffic::TcasTarget& t = targets[i];
        Slot& slot = slots_[s];
        if (!slot.icao[0] || std::memcmp(&slot.type, &t.entityType, sizeof slot.type) != 0) {
            slot.type = t.entityType;
            const std::string icao = models.icaoTypeFor(t.entityType);
            std::snprintf(slot.icao, sizeof slot.icao, "%s", icao.c_str());
        }
        double at[3];
        place(t, at);
        float climb = 0, heading = 0;
        trueMotion(t.pose, frame, climb, heading);
        used[s] = true;
        highest = std::max(highest, s);
        modeS[s] = static_cast<int>(t.modeSId & 0xFFFFFFu);
        ssr[s] = t.ssrMode;
        std::memcpy(ids + s * kIdBytes, t.flightId, kIdBytes);
        ids[s * kIdBytes + kIdBytes - 1] = '\0';
        std::memcpy(types + s * kIdBytes, slot.icao, kIdBytes);
        x[s] = static_cast<float>(at[0]);
        y[s] = static_cast<float>(at[1]);
        z[s] = static_cast<float>(at[2]);
        vx[s] = t.pose.vx;
        vy[s] = t.pose.vy;
        vz[s] = t.pose.vz;
        vs[s] = climb * kFeetPerMinute;
        psi[s] = heading;
        the[s] = t.pose.pitch;
        phi[s] = t.pose.roll;
        const bool low = t.aboveGround < kGearDownBelow;  // false when unknown
        gear[s] = low ? 1.0f : 0.0f;
        lights[s] = kBeacon | kNav | kStrobe | (low ? kLanding : 0);
    }
    // X-Plane uses the slots below the active count: raise it as traffic grows.
    if (highest + 1 > activeCount_) {
        activeCount_ = highest + 1;
        XPLMSetActiveAircraftCount(activeCount_);
    }
    for (const auto& r : runsOf(used)) {
        const int o = r.first, c = r.second;
        XPLMSetDatavi(refs_.modeS, modeS + o, o, c);
        XPLMSetDatavi(refs_.ssr, ssr + o, o, c);
        XPLMSetDatavi(refs_.wow, wow + o, o, c);
        XPLMSetDatavi(refs_.lights, lights + o, o, c);
        XPLMSetDatab(refs_.flightId, ids + o * kIdBytes, o * kIdBytes, c * kIdBytes);
        XPLMSetDatab(refs_.icaoType, types + o * kIdBytes, o * kIdBytes, c * kIdBytes);
        XPLMSetDatavf(refs_.vx, vx + o, o, c);
        XPLMSetDatavf(refs_.vy, vy + o, o, c);
        XPLMSetDatavf(refs_.vz, vz + o, o, c);
        XPLMSetDatavf(refs_.vs, vs + o, o, c);
        XPLMSetDatavf(refs_.psi, psi + o, o, c);
        XPLMSetDatavf(refs_.the, the + o, o, c);
        XPLMSetDatavf(refs_.phi, phi + o, o, c);
        XPLMSetDatavf(refs_.gear, gear + o, o, c);
        // Positions last: they are what keeps a target alive.
        XPLMSetDatavf(refs_.x, x + o, o, c);
        XPLMSetDatavf(refs_.y, y + o, o, c);
        XPLMSetDatavf(refs_.z, z + o, o, c);
    }
}

void TrafficTcas::stop() {
    release();
    started_ = false;
    waiting_ = false;
    showing_ = false;
    refused_ = false;
    toldHeld_ = toldCut_ = toldKept_ = false;
}

}  // namespace volax
