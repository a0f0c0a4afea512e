// The TCAS override (X-Plane 11.50 and later) as X-Plane documents it:
//   - only the plugin holding the other aircraft (XPLMAcquirePlanes) may write
//     sim/operation/override/override_TCAS and the target arrays;
//   - the positions, velocities and angles are writable only while
//     override_TCAS is 1;
//   - slot 0 is the user's aircraft: writes to it are ignored;
//   - a target whose position was not written for 10 frames is dropped (its
//     mode-S id and flight id forgotten);
//   - a slot counts only with a mode-S id (X-Plane does not update a target
//     without one) and below the holder's XPLMSetActiveAircraftCount;
//   - X-Plane fills in lat/lon/ele, hpath/vpath/V_msc and the relative
//     bearing, distance and altitude of every live target, and counts them in
//     tcas_num_acf;
//   - every target squawks mode C (ssr_mode 3) unless told otherwise;
//   - a target is updated in absolute mode (x/y/z written: X-Plane fills in
//     the relative bearing, distance and altitude) or in relative mode (those
//     three written: X-Plane places it from the user's aircraft, its altitude
//     from elevations, not local y); the last write wins.

#include "HostState.h"
#include "XPLMHost.h"

#include "XPLMGraphics.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace xphost {
namespace detail {
namespace {

const int kSlots = 64;
const int kIdBytes = 8;
const long long kStaleFrames = 10;
const int kModeC = 3;
const int kUserModeS = 0x4B1D5A;  // the user's aircraft: some unique id, as X-Plane picks one
const double kRadToDeg = 180.0 / 3.14159265358979323846;

struct Tcas {
    long long written[kSlots];  // frame of the last position write, -1 never
    bool relative[kSlots];      // the last write was relative bearing, distance, altitude
    Tcas() {
        std::fill(written, written + kSlots, -1LL);
        std::fill(relative, relative + kSlots, false);
    }
};

Tcas& tcas() {
    static auto* t = new Tcas;
    return *t;
}

bool overrideOn() {
    static DataRef& o = ref("sim/operation/override/override_TCAS");
    return o.scalar != 0;
}

bool holderWrites(const DataRef&) { return currentPlugin() >= 0 && currentPlugin() == planesHolder(); }
bool holderWritesOverridden(const DataRef& d) { return holderWrites(d) && overrideOn(); }

void positionWritten(DataRef& d, int first, int count) {
    const long long now = cycle();
    const bool relative = d.path.find("/indicators/relative_") != std::string::npos;
    for (int i = first; i < first + count && i < kSlots; ++i) {
        tcas().written[i] = now;
        tcas().relative[i] = relative;
    }
}

bool live(int slot, long long now) {
    static DataRef& id = ref("sim/cockpit2/tcas/targets/modeS_id");
    const long long w = tcas().written[slot];
    return w >= 0 && now - w < kStaleFrames && id.ints[slot] != 0 && slot < tcasSlotLimit();
}

void forgetSlot(int slot) {
    static DataRef& id = ref("sim/cockpit2/tcas/targets/modeS_id");
    static DataRef& flight = ref("sim/cockpit2/tcas/targets/flight_id");
    static DataRef& ssr = ref("sim/cockpit2/tcas/targets/ssr_mode");
    static DataRef& type = ref("sim/cockpit2/tcas/targets/icao_type");
    id.ints[slot] = 0;
    std::fill(flight.bytes.begin() + slot * kIdBytes, flight.bytes.begin() + (slot + 1) * kIdBytes, 0);
    std::fill(type.bytes.begin() + slot * kIdBytes, type.bytes.begin() + (slot + 1) * kIdBytes, 0);
    ssr.ints[slot] = kModeC;
    for (const char* n : {"lat", "lon", "ele", "hpath", "vpath", "V_msc"})
        ref((std::string("sim/cockpit2/tcas/targets/position/") + n).c_str()).floats[slot] = 0;
    tcas().written[slot] = -1;
    tcas().relative[slot] = false;
}

}  // namespace

void applyTcasRules(DataRef& d) {
    if (d.path == "sim/operation/override/override_TCAS") {
        d.mayWrite = holderWrites;
        return;
    }
    if (d.path.find("/indicators/relative_") != std::string::npos) {
        d.writable = true;
        d.reservedElements = 1;
        d.mayWrite = holderWritesOverridden;
        d.written = positionWritten;
        return;
    }
    if (!d.writable) return;
    d.reservedElements = 1;
    d.elementBytes = (d.types & 32 /* xplmType_Data */) ? kIdBytes : 1;
    const bool positional = d.path.find("/targets/position/") != std::string::npos;
    d.mayWrite = positional ? holderWritesOverridden : holderWrites;
    if (d.path.compare(d.path.size() - 2, 2, "/x") == 0 || d.path.compare(d.path.size() - 2, 2, "/y") == 0 ||
        d.path.compare(d.path.size() - 2, 2, "/z") == 0)
        d.written = positionWritten;
}

void resetTcas() {
    tcas() = Tcas();
    DataRef& ssr = ref("sim/cockpit2/tcas/targets/ssr_mode");
    std::fill(ssr.ints.begin(), ssr.ints.end(), kModeC);
    ref("sim/cockpit2/tcas/targets/modeS_id").ints[0] = kUserModeS;
}

void tcasReleased() {
    DataRef& o = ref("sim/operation/override/override_TCAS");
    if (o.scalar != 0)
        hostLine("the AI aircraft were released with override_TCAS still 1; X-Plane takes TCAS back");
    o.scalar = 0;
    for (int s = 1; s < kSlots; ++s) forgetSlot(s);
}

void localToWorld(double x, double y, double z, double* lat, double* lon, double* alt) {
    XPLMLocalToWorld(x, y, z, lat, lon, alt);
}

void tcasFrame() {
    static DataRef& count = ref("sim/cockpit2/tcas/indicators/tcas_num_acf");
    const std::string p = "sim/cockpit2/tcas/targets/position/";
    static DataRef& x = ref((p + "x").c_str());
    static DataRef& y = ref((p + "y").c_str());
    static DataRef& z = ref((p + "z").c_str());
    static DataRef& vx = ref((p + "vx").c_str());
    static DataRef& vy = ref((p + "vy").c_str());
    static DataRef& vz = ref((p + "vz").c_str());
    static DataRef& lat = ref((p + "lat").c_str());
    static DataRef& lon = ref((p + "lon").c_str());
    static DataRef& ele = ref((p + "ele").c_str());
    static DataRef& hpath = ref((p + "hpath").c_str());
    static DataRef& vpath = ref((p + "vpath").c_str());
    static DataRef& speed = ref((p + "V_msc").c_str());
    static DataRef& bearing = ref("sim/cockpit2/tcas/indicators/relative_bearing_degs");
    static DataRef& distance = ref("sim/cockpit2/tcas/indicators/relative_distance_mtrs");
    static DataRef& altitude = ref("sim/cockpit2/tcas/indicators/relative_altitude_mtrs");

    const FlightState me = flightState();
    lat.floats[0] = static_cast<float>(me.latitude);
    lon.floats[0] = static_cast<float>(me.longitude);
    ele.floats[0] = static_cast<float>(me.elevation);
    x.floats[0] = static_cast<float>(me.x);
    y.floats[0] = static_cast<float>(me.y);
    z.floats[0] = static_cast<float>(me.z);

    const long long now = cycle();
    int alive = 0;
    for (int s = 1; s < kSlots; ++s) {
        if (!overrideOn() || !live(s, now)) {
            if (tcas().written[s] >= 0) forgetSlot(s);
            continue;
        }
        ++alive;
        double la, lo, h;
        if (tcas().relative[s]) {
            // Placed from the user's aircraft: bearing clockwise from its
            // heading, distance along the ground, altitude from elevations.
            const double b = (me.psi + bearing.floats[s]) / kRadToDeg;
            const double px = me.x + distance.floats[s] * std::sin(b), pz = me.z - distance.floats[s] * std::cos(b);
            localToWorld(px, me.y, pz, &la, &lo, &h);
            double lx, ly, lz;
            XPLMWorldToLocal(la, lo, me.elevation + altitude.floats[s], &lx, &ly, &lz);
            x.floats[s] = static_cast<float>(lx);
            y.floats[s] = static_cast<float>(ly);
            z.floats[s] = static_cast<float>(lz);
        }
        localToWorld(x.floats[s], y.floats[s], z.floats[s], &la, &lo, &h);
        lat.floats[s] = static_cast<float>(la);
        lon.floats[s] = static_cast<float>(lo);
        ele.floats[s] = static_cast<float>(h);
        const double gs = std::hypot(vx.floats[s], vz.floats[s]);
        hpath.floats[s] = static_cast<float>(std::fmod(std::atan2(vx.floats[s], -vz.floats[s]) * kRadToDeg + 360, 360));
        vpath.floats[s] = static_cast<float>(std::atan2(vy.floats[s], gs) * kRadToDeg);
        speed.floats[s] = static_cast<float>(std::sqrt(gs * gs + double(vy.floats[s]) * vy.floats[s]));
        const double dx = x.floats[s] - me.x, dz = z.floats[s] - me.z;
        distance.floats[s] = static_cast<float>(std::hypot(dx, dz));
        bearing.floats[s] =
            static_cast<float>(std::fmod(std::atan2(dx, -dz) * kRadToDeg - me.psi + 720, 360));
        altitude.floats[s] = static_cast<float>(h - me.elevation);
    }
    count.scalar = overrideOn() ? alive : 0;
}

}  // namespace detail

std::vector<TcasTarget> tcasTargets() {
    using detail::ref;
    std::vector<TcasTarget> out;
    const std::string p = "sim/cockpit2/tcas/targets/";
    const long long now = detail::cycle();
    if (!detail::overrideOn()) return out;
    for (int s = 1; s < detail::kSlots; ++s) {
        if (!detail::live(s, now)) continue;
        TcasTarget t;
        t.slot = s;
        t.modeS = ref((p + "modeS_id").c_str()).ints[s];
        t.ssrMode = ref((p + "ssr_mode").c_str()).ints[s];
        auto text = [&](const char* name) {
            const auto& f = ref((p + name).c_str()).bytes;
            const char* b = reinterpret_cast<const char*>(f.data()) + s * detail::kIdBytes;
            return std::string(b, strnlen(b, detail::kIdBytes));
        };
        auto number = [&](const char* name) { return ref((p + "position/" + name).c_str()).floats[s]; };
        t.flightId = text("flight_id");
        t.icaoType = text("icao_type");
        t.x = number("x");
        t.y = number("y");
        t.z = number("z");
        t.vx = number("vx");
        t.vy = number("vy");
        t.vz = number("vz");
        t.verticalSpeed = number("vertical_speed");
        t.psi = number("psi");
        t.the = number("the");
        t.phi = number("phi");
        t.gearDeploy = number("gear_deploy");
        t.onGround = ref((p + "position/weight_on_wheels").c_str()).ints[s] != 0;
        t.lights = ref((p + "position/lights").c_str()).ints[s];
        detail::localToWorld(t.x, t.y, t.z, &t.lat, &t.lon, &t.ele);
        out.push_back(t);
    }
    return out;
}

}  // namespace xphost
