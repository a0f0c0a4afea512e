#include "TrafficTcas.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "PluginState.h"
#include "XPLMGraphics.h"
#include "XPLMPlanes.h"
#include "XPLMUtilities.h"

PLUGIN_API void planesAvailable(void* inRefcon);

namespace volax {

namespace {

constexpr int kSlots = 64;  // slot 0 is the user's aircraft
constexpr int kIdBytes = 8;
constexpr float kFeetPerMinute = 196.850394f;  // per m/s

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

}  // namespace

void TrafficTcas::findDataRefs() {
    const char* t = "sim/cockpit2/tcas/targets/";
    auto find = [t](const char* name) { return XPLMFindDataRef((std::string(t) + name).c_str()); };
    refs_.override_ = XPLMFindDataRef("sim/operation/override/override_TCAS");
    refs_.modeS = find("modeS_id");
    refs_.flightId = find("flight_id");
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
}

void TrafficTcas::start() {
    if (holding_) return;
    if (!started_) findDataRefs();
    started_ = true;
    for (Slot& s : slots_) s = Slot();
    // No models to load: the aircraft are only the TCAS override's.
    if (XPLMAcquirePlanes(nullptr, ::planesAvailable, nullptr)) {
        planesAvailable();
        return;
    }
    if (!toldHeld_) {
        toldHeld_ = true;
        XPLMDebugString("VOLAX: another plugin holds the AI aircraft; federation traffic is drawn but not on TCAS "
                        "until it lets them go\n");
    }
    trace("TCAS: AI aircraft held by another plugin, waiting\n");
}

void TrafficTcas::planesAvailable() {
    if (!started_) {
        // Granted after we stopped asking: give them straight back.
        XPLMReleasePlanes();
        return;
    }
    if (holding_) return;
    holding_ = true;
    toldHeld_ = false;
    XPLMSetDatai(refs_.override_, 1);
    trace("TCAS: AI aircraft acquired, override_TCAS set\n");
}

void TrafficTcas::update(const std::vector<traffic::TcasTarget>& targets) {
    if (!holding_) return;
    if (targets.empty()) {
        // Nothing to write (released targets go stale on their own): the
        // common frame stays cheap.
        for (int s = 1; s < kSlots; ++s) slots_[s].used = false;
        return;
    }
    // Keep each remaining target's slot; newcomers take the free ones.
    for (Slot& s : slots_) s.seen = false;
    int slotOf[traffic::kMaxTcasTargets] = {};
    const size_t n = std::min(targets.size(), traffic::kMaxTcasTargets);
    for (size_t i = 0; i < n; ++i)
        for (int s = 1; s < kSlots; ++s)
            if (slots_[s].used && slots_[s].key == targets[i].key) {
                slots_[s].seen = true;
                slotOf[i] = s;
                break;
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
        slotOf[i] = next;
    }

    int modeS[kSlots] = {}, ssr[kSlots] = {}, wow[kSlots] = {};
    float x[kSlots] = {}, y[kSlots] = {}, z[kSlots] = {}, vx[kSlots] = {}, vy[kSlots] = {}, vz[kSlots] = {};
    float vs[kSlots] = {}, psi[kSlots] = {}, the[kSlots] = {}, phi[kSlots] = {};
    char ids[kSlots * kIdBytes] = {};
    bool used[kSlots] = {};
    for (size_t i = 0; i < n; ++i) {
        const int s = slotOf[i];
        if (!s) continue;
        const traffic::TcasTarget& t = targets[i];
        double lx, ly, lz;
        XPLMWorldToLocal(t.pose.latitude, t.pose.longitude, t.pose.height, &lx, &ly, &lz);
        used[s] = true;
        modeS[s] = static_cast<int>(t.modeSId & 0xFFFFFFu);
        ssr[s] = t.ssrMode;
        std::memcpy(ids + s * kIdBytes, t.flightId, kIdBytes);
        ids[s * kIdBytes + kIdBytes - 1] = '\0';
        x[s] = static_cast<float>(lx);
        y[s] = static_cast<float>(ly);
        z[s] = static_cast<float>(lz);
        vx[s] = t.pose.vx;
        vy[s] = t.pose.vy;
        vz[s] = t.pose.vz;
        vs[s] = t.pose.vy * kFeetPerMinute;
        psi[s] = t.pose.heading;
        the[s] = t.pose.pitch;
        phi[s] = t.pose.roll;
    }
    for (const auto& r : runsOf(used)) {
        const int o = r.first, c = r.second;
        XPLMSetDatavi(refs_.modeS, modeS + o, o, c);
        XPLMSetDatavi(refs_.ssr, ssr + o, o, c);
        XPLMSetDatavi(refs_.wow, wow + o, o, c);
        XPLMSetDatab(refs_.flightId, ids + o * kIdBytes, o * kIdBytes, c * kIdBytes);
        XPLMSetDatavf(refs_.vx, vx + o, o, c);
        XPLMSetDatavf(refs_.vy, vy + o, o, c);
        XPLMSetDatavf(refs_.vz, vz + o, o, c);
        XPLMSetDatavf(refs_.vs, vs + o, o, c);
        XPLMSetDatavf(refs_.psi, psi + o, o, c);
        XPLMSetDatavf(refs_.the, the + o, o, c);
        XPLMSetDatavf(refs_.phi, phi + o, o, c);
        // Positions last: they are what keeps a target alive.
        XPLMSetDatavf(refs_.x, x + o, o, c);
        XPLMSetDatavf(refs_.y, y + o, o, c);
        XPLMSetDatavf(refs_.z, z + o, o, c);
    }
}

void TrafficTcas::stop() {
    if (holding_) {
        XPLMSetDatai(refs_.override_, 0);
        trace("TCAS: override_TCAS cleared\n");
    }
    if (started_) XPLMReleasePlanes();
    holding_ = false;
    started_ = false;
    toldHeld_ = false;
    for (Slot& s : slots_) s = Slot();
}

}  // namespace volax
