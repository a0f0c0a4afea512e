// One VOLAXTick of VOLAX.xpl in the headless host, with the embedded RTI and a
// peer that subscribes the ownship. Moving: every call passes the change
// thresholds (sample, both conversions, encoding, update, RTI tick). Standing:
// nothing changes (sample, threshold test, RTI tick).
//
// Each call is timed alone; the counters give its median and 99th percentile
// in microseconds. The peer drains its callbacks outside the timed region.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

#include "Peer.h"
#include "XPLMHost.h"

namespace {

typedef float (*TickFn)(float, float, int, void*);

struct Session {
    std::string prefsDir;
    int index = -1;
    TickFn tick = nullptr;
    std::unique_ptr<Peer> peer;

    bool open() {
        setenv("VOLAX_FED_PATH", VOLAX_FED_DIR, 0);
        unsetenv("VOLAX_TRACE");
        char dir[] = "/tmp/volax-bench-XXXXXX";
        if (!mkdtemp(dir)) return false;
        prefsDir = dir;
        xphost::reset();
        xphost::setPrefsDir(prefsDir);
        xphost::setOutputDir("");
        xphost::setFlightModelEnabled(false);
        peer.reset(new Peer());
        peer->join("XP_Federation", true);
        peer->subscribeAircraft();
        std::string error;
        index = xphost::loadPlugin(VOLAX_PLUGIN_PATH, &error);
        if (index < 0 || !xphost::enablePlugin(index)) {
            std::fprintf(stderr, "cannot start VOLAX.xpl: %s\n", error.c_str());
            return false;
        }
        xphost::loadUserAircraft(xphost::AircraftModel{"C172.acf", "/xp/Aircraft/C172.acf"});
        xphost::selectMenuItem("VOLAX", "Create Ownship");
        tick = reinterpret_cast<TickFn>(xphost::pluginSymbol(index, "VOLAXTick"));
        place(0.0f);
        xphost::setFloat("sim/flightmodel/position/latitude", 52.3f);
        xphost::setFloat("sim/flightmodel/position/longitude", 4.76f);
        xphost::setFloat("sim/flightmodel/position/lat_ref", 52.3f);
        xphost::setFloat("sim/flightmodel/position/lon_ref", 4.76f);
        xphost::setFloat("sim/flightmodel/position/local_y", 1000.0f);
        xphost::setDouble("sim/flightmodel/position/elevation", 1000.0);
        xphost::setFloat("sim/flightmodel/position/local_vx", 60.0f);
        xphost::setFloat("sim/flightmodel/position/psi", 90.0f);
        return tick != nullptr;
    }

    void place(float x) { xphost::setFloat("sim/flightmodel/position/local_x", x); }

    void close() {
        xphost::unloadAll();
        peer.reset();
        xphost::reset();
        std::remove((prefsDir + "/volax.ini").c_str());
        rmdir(prefsDir.c_str());
    }
};

void report(benchmark::State& state, std::vector<double>& us) {
    if (us.empty()) return;
    std::sort(us.begin(), us.end());
    state.counters["median_us"] = us[us.size() / 2];
    state.counters["p99_us"] = us[std::min(us.size() - 1, us.size() * 99 / 100)];
    state.counters["max_us"] = us.back();
}

void runTicks(benchmark::State& state, bool moving) {
    Session s;
    if (!s.open()) {
        state.SkipWithError("plugin did not start");
        s.close();
        return;
    }
    float x = 0.0f;
    std::vector<double> us;
    us.reserve(1 << 16);
    for (auto _ : state) {
        if (moving) {
            x += 3.0f;  // beyond the 2 m threshold on every call
            if (x > 20000.0f) x = 0.0f;
            s.place(x);
        }
        auto t0 = std::chrono::steady_clock::now();
        float next = s.tick(0.1f, 0.1f, 1, nullptr);
        auto t1 = std::chrono::steady_clock::now();
        benchmark::DoNotOptimize(next);
        double seconds = std::chrono::duration<double>(t1 - t0).count();
        state.SetIterationTime(seconds);
        us.push_back(seconds * 1e6);
        s.peer->rti.tick();  // drain outside the timed region
    }
    report(state, us);
    state.counters["spatial_reflections"] = s.peer->spatialCount();
    s.peer->reflections.clear();
    s.close();
}

void BM_TickMoving(benchmark::State& state) { runTicks(state, true); }
void BM_TickStandingStill(benchmark::State& state) { runTicks(state, false); }

}  // namespace

BENCHMARK(BM_TickMoving)->UseManualTime()->Iterations(20000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_TickStandingStill)->UseManualTime()->Iterations(20000)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
