// One VOLAXTick of VOLAX.xpl in the headless host while an in-process peer
// flies N entities on circles around the ownship, each updated at 10 Hz
// (every sixth frame at 60 fps, spread evenly over the frames): the tick
// receives and decodes the frame's reflections, dead-reckons every entity,
// places the nearest MAXENTITIES as instances and fills TCAS.
//
// Each call is timed alone; the counters give its median and 99th percentile
// in microseconds. The peer's updates are sent outside the timed region.

#include <benchmark/benchmark.h>

#include <GeographicLib/LocalCartesian.hpp>

#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "InstalledVolax.h"
#include "TrafficPeer.h"
#include "XPLMHost.h"

namespace {

using benchvolax::TickFn;
const int kFps = 60;
const int kUpdateEvery = 6;  // frames: 10 Hz

struct Session {
    std::string dir;
    int index = -1;
    TickFn tick = nullptr;
    std::unique_ptr<TrafficPeer> peer;
    std::vector<RTI::ObjectHandle> objects;
    std::vector<EntityState> states;
    std::vector<double> radius, phase;
    GeographicLib::LocalCartesian frame;

    bool open(int entities, int maxEntities) {
        setenv("VOLAX_FED_PATH", VOLAX_FED_DIR, 0);
        unsetenv("VOLAX_TRACE");
        // VOLAX installed in an X-Plane folder with its models.
        dir = benchvolax::installVolax("/tmp/volax-bench-traffic-",
                                       "FEDERATION BenchTraffic\nMAXENTITIES " + std::to_string(maxEntities) + "\n");
        if (dir.empty()) return false;

        index = benchvolax::startVolax(dir, &tick);
        if (index < 0) return false;

        const xphost::FlightState f = xphost::flightState();
        frame.Reset(f.latRef, f.lonRef, 0);
        peer.reset(new TrafficPeer);
        peer->join("BenchTraffic", false, "BenchPeer");
        for (int i = 0; i < entities; ++i) {
            radius.push_back(500.0 + 40.0 * i);  // nearest first, out to 20 or 200 km
            phase.push_back(i * 2.399963);      // golden angle: spread around the ownship
            states.push_back(state(i, 0));
            const bool air = i % 5 != 0;
            objects.push_back(peer->add(air ? "Platform.Aircraft" : "Platform.GroundVehicle",
                                        static_cast<uint16_t>(i + 1), air ? "1:2:225:1:1:1:0" : "1:1:225:1:1:1:0",
                                        "B" + std::to_string(i), states.back()));
        }
        // Discovery, models loaded, instances made: the steady state is measured.
        for (int i = 0; i < kFps; ++i) {
            peer->tick();
            xphost::runFrames(1);
        }
        return true;
    }

    // On a circle of its radius at 80 m/s, 1500 m up (ground vehicles at 0 m, 15 m/s).
    EntityState state(int i, double t) {
        const bool air = i % 5 != 0;
        const double speed = air ? 80.0 : 15.0;
        const double a = phase[i] + speed * t / radius[i];
        EntityState s;
        frame.Reverse(radius[i] * std::sin(a), radius[i] * std::cos(a), air ? 1500.0 : 0.0, s.lat, s.lon, s.height);
        s.heading = std::fmod(a * 180.0 / M_PI + 90.0, 360.0);
        s.speed = speed;
        s.algorithm = 2;
        return s;
    }

    void close() {
        peer.reset();
        xphost::unloadAll();
        xphost::reset();
        (void)std::system(("rm -rf '" + dir + "'").c_str());
    }
};

void runTicks(benchmark::State& state) {
    const int entities = static_cast<int>(state.range(0));
    const int maxEntities = static_cast<int>(state.range(1));
    Session s;
    if (!s.open(entities, maxEntities)) {
        state.SkipWithError("plugin did not start");
        s.close();
        return;
    }
    benchvolax::timeTicks(
        state,
        [&](long long frame, double t) {
            for (int i = static_cast<int>(frame % kUpdateEvery); i < entities; i += kUpdateEvery)
                s.peer->update(s.objects[i], s.state(i, t));
        },
        [&](long long frame) { return s.tick(1.0f / kFps, 1.0f / kFps, static_cast<int>(frame), nullptr); });
    s.close();
}

}  // namespace

BENCHMARK(runTicks)->Name("BM_TrafficTick")->Args({500, 500})->Args({5000, 500})
    ->UseManualTime()->Iterations(3000)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
