// What is drawn, written once per simulated second for tests and users: a
// count, then every placed instance and every live TCAS target, in world
// coordinates.
//
//   t=<s> instances=<n> tcas=<m>
//   t=<s> instance=<id> model=<path> lat=<deg> lon=<deg> h=<m> hdg=<deg>
//   t=<s> tcas slot=<n> modeS=<hex> flight=<id> ssr=<mode> lat=<deg> lon=<deg> h=<m> hdg=<deg>
//
// h is above the ellipsoid; an instance's hdg is its heading in the local
// frame, a target's its psi.

#include "HostState.h"
#include "XPLMHost.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace xphost {
namespace detail {
namespace {

struct Writer {
    FILE* file = nullptr;
    long long lastSecond = -1;
};

Writer& writer() {
    static auto* w = new Writer;
    return *w;
}

}  // namespace

void trafficFrame(double t) {
    Writer& w = writer();
    if (!w.file) return;
    const long long second = static_cast<long long>(std::floor(t + 1e-9));
    if (second == w.lastSecond) return;
    w.lastSecond = second;
    const std::vector<DrawnInstance> drawn = drawnInstances();
    const std::vector<TcasTarget> targets = tcasTargets();
    size_t placed = 0;
    for (const DrawnInstance& d : drawn) placed += d.placed ? 1 : 0;
    std::fprintf(w.file, "t=%lld instances=%zu tcas=%zu\n", second, placed, targets.size());
    for (const DrawnInstance& d : drawn) {
        if (!d.placed) continue;
        double lat, lon, h;
        localToWorld(d.x, d.y, d.z, &lat, &lon, &h);
        std::fprintf(w.file, "t=%lld instance=%lld model=%s lat=%.7f lon=%.7f h=%.1f hdg=%.1f\n", second, d.id,
                     d.model.c_str(), lat, lon, h, d.heading);
    }
    for (const TcasTarget& g : targets)
        std::fprintf(w.file, "t=%lld tcas slot=%d modeS=%06X flight=%s ssr=%d lat=%.7f lon=%.7f h=%.1f hdg=%.1f\n",
                     second, g.slot, static_cast<unsigned>(g.modeS) & 0xFFFFFFu,
                     g.flightId.empty() ? "-" : g.flightId.c_str(), g.ssrMode, g.lat, g.lon, g.ele, g.psi);
    std::fflush(w.file);
}

}  // namespace detail

bool setTrafficFile(const std::string& path, std::string* error) {
    detail::Writer& w = detail::writer();
    if (w.file) std::fclose(w.file);
    w.file = nullptr;
    w.lastSecond = -1;
    if (path.empty()) return true;
    w.file = std::fopen(path.c_str(), "w");
    if (!w.file && error) *error = "cannot write " + path + ": " + std::strerror(errno);
    return w.file != nullptr;
}

}  // namespace xphost
