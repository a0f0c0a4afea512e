#ifndef VOLAX_BENCH_INSTALLEDVOLAX_H
#define VOLAX_BENCH_INSTALLEDVOLAX_H

// What the tick benchmarks share: VOLAX installed in a fresh X-Plane folder with
// its models and geoid grid, as `cmake --install` lays it out, and the per-call counters.
// Needs VOLAX_PLUGIN_PATH, VOLAX_FED_DIR and VOLAX_SOURCE_DIR from the build.

#include <benchmark/benchmark.h>

#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "XPLMHost.h"

namespace benchvolax {

inline std::string readAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

inline void writeAll(const std::string& path, const std::string& text) {
    for (size_t p = 1; (p = path.find('/', p)) != std::string::npos; ++p) mkdir(path.substr(0, p).c_str(), 0777);
    std::ofstream(path, std::ios::binary) << text;
}

// A new folder named after `prefix` holding the plugin, volaxmodels.ini, the
// models and prefs/volax.ini with `ini`; empty when it cannot be made.
inline std::string installVolax(const std::string& prefix, const std::string& ini) {
    std::string tmpl = prefix + "XXXXXX";
    if (!mkdtemp(&tmpl[0])) return std::string();
    const std::string dir = tmpl;
    const std::string plugin = dir + "/Resources/plugins/VOLAX/lin_x64/VOLAX.xpl";
    writeAll(plugin, readAll(VOLAX_PLUGIN_PATH));
    chmod(plugin.c_str(), 0755);
    writeAll(dir + "/Resources/plugins/VOLAX/volaxmodels.ini",
             readAll(std::string(VOLAX_SOURCE_DIR) + "/plugin/volaxmodels.ini"));
    for (const char* m : {"aircraft", "helicopter", "ground_vehicle", "ship", "munition", "person"}) {
        const std::string f = std::string("volax_") + m + ".obj";
        writeAll(dir + "/Resources/plugins/VOLAX/models/" + f,
                 readAll(std::string(VOLAX_SOURCE_DIR) + "/plugin/models/" + f));
    }
    // The geoid grid where the build found one: the default heights need it.
    const std::string grid = readAll(std::string(VOLAX_FED_DIR) + "/egm96_15.gtx");
    if (!grid.empty()) writeAll(dir + "/Resources/plugins/VOLAX/egm96_15.gtx", grid);
    writeAll(dir + "/prefs/volax.ini", ini);
    return dir;
}

typedef float (*TickFn)(float, float, int, void*);

// Starts the installed VOLAX in a fresh host flying north from 47N 8E at
// 1000 m, with the user's aircraft loaded; its plugin index, or -1 (said on
// standard error). *tick is VOLAX's flight-loop callback.
inline int startVolax(const std::string& dir, TickFn* tick) {
    std::string error;
    xphost::reset();
    xphost::setXPlaneDir(dir);
    xphost::setPrefsDir(dir + "/prefs");
    xphost::setOutputDir("");
    if (!xphost::setRoute("start 47 8 1000 0\nleg - 0 0 0 1000000\n", &error)) return -1;
    const int index = xphost::loadPlugin(dir + "/Resources/plugins/VOLAX/lin_x64/VOLAX.xpl", &error);
    if (index < 0 || !xphost::enablePlugin(index)) {
        std::fprintf(stderr, "cannot start VOLAX.xpl: %s\n", error.c_str());
        return -1;
    }
    xphost::loadUserAircraft(xphost::AircraftModel{"C172.acf", "/xp/Aircraft/C172.acf"});
    *tick = reinterpret_cast<TickFn>(xphost::pluginSymbol(index, "VOLAXTick"));
    return *tick ? index : -1;
}

// Times each of VOLAX's frames alone: `send(frame, t)` (the peers' traffic
// for this frame, t seconds in) runs first, untimed; `tick(frame)` is timed.
// Reports the median, 99th percentile and largest frame in microseconds and
// what the host shows at the end.
template <class Send, class Tick>
void timeTicks(benchmark::State& state, Send send, Tick tick) {
    std::vector<double> us;
    us.reserve(1 << 16);
    long long frame = 0;
    const auto start = std::chrono::steady_clock::now();
    for (auto _ : state) {
        ++frame;
        send(frame, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        auto t0 = std::chrono::steady_clock::now();
        benchmark::DoNotOptimize(tick(frame));
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        state.SetIterationTime(seconds);
        us.push_back(seconds * 1e6);
    }
    if (!us.empty()) {
        std::sort(us.begin(), us.end());
        state.counters["median_us"] = us[us.size() / 2];
        state.counters["p99_us"] = us[std::min(us.size() - 1, us.size() * 99 / 100)];
        state.counters["max_us"] = us.back();
    }
    state.counters["instances"] = static_cast<double>(xphost::drawnInstances().size());
    state.counters["tcas_targets"] = static_cast<double>(xphost::tcasTargets().size());
}

}  // namespace benchvolax

#endif
