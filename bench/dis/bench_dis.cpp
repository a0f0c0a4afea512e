// DIS costs: decoding an Entity State PDU and handing it to the traffic picture,
// encoding the ownship's PDU, and one VOLAXTick of VOLAX.xpl (NETWORK DIS) in the
// headless host while a peer on a multicast group of the loopback interface sends
// N entities' PDUs at 10 Hz (every sixth frame at 60 fps, spread over the frames):
// the tick takes the frame's datagrams, decodes them, dead-reckons every entity,
// places the nearest MAXENTITIES as instances and fills TCAS. Each tick is timed
// alone; the counters give its median and 99th percentile in microseconds. The
// peer's sends are outside the timed region.

#include <benchmark/benchmark.h>

#include <GeographicLib/Geocentric.hpp>
#include <GeographicLib/LocalCartesian.hpp>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "DisEndpoint.h"
#include "InstalledVolax.h"
#include "DisPdu.h"
#include "TrafficPicture.h"
#include "XPLMHost.h"

namespace {

using benchvolax::TickFn;
const int kFps = 60;
const int kUpdateEvery = 6;  // frames: 10 Hz

dis::EntityStatePdu aircraft(uint16_t number, double x, double y, double z) {
    dis::EntityStatePdu e;
    e.entityIdentifier = {3, 3, number};
    e.force = 1;
    e.entityType = {1, 2, 225, 1, 1, 1, 0};
    e.algorithm = DRM_FPW;
    e.location = {x, y, z};
    e.linearVelocity = {40.0f, -60.0f, 10.0f};
    e.orientation = {0.3f, 0.1f, -0.2f};
    e.marking.encoding = MARKING_ASCII;
    std::snprintf(e.marking.characters, sizeof e.marking.characters, "D%u", number);
    return e;
}

void BM_DecodeAndIngest(benchmark::State& state) {
    traffic::TrafficPicture picture;
    std::vector<std::vector<uint8_t>> datagrams;
    double x, y, z;
    GeographicLib::Geocentric::WGS84().Forward(47, 8, 1500, x, y, z);
    for (uint16_t i = 1; i <= 500; ++i) {
        std::vector<uint8_t> b(dis::ENTITY_STATE_SIZE);
        dis::encodeEntityState(dis::PduHeader(), aircraft(i, x + i * 50, y, z), b.data(), b.size());
        datagrams.push_back(b);
    }
    std::size_t n = 0;
    double now = 0;
    dis::Pdu pdu;
    for (auto _ : state) {
        const std::vector<uint8_t>& d = datagrams[n++ % datagrams.size()];
        if (dis::decodePdu(d.data(), d.size(), pdu) != dis::Decode::Ok) state.SkipWithError("decode");
        // What the plugin hands over per PDU.
        const dis::EntityStatePdu& e = pdu.entityState;
        traffic::EntityUpdate u;
        u.network = 1;
        u.hasEntityIdentifier = u.hasEntityType = u.hasForceIdentifier = u.hasMarking = true;
        u.entityIdentifier = e.entityIdentifier;
        u.entityType = e.entityType;
        u.forceIdentifier = e.force;
        std::memcpy(u.marking, e.marking.characters, sizeof u.marking);
        u.hasDamageState = true;
        u.damageState = dis::appearanceDamage(e.appearance);
        u.hasSpatial = true;
        u.spatial = dis::spatialOf(e);
        now += 1e-4;
        benchmark::DoNotOptimize(picture.reflect(uint64_t(1) << 63 | e.entityIdentifier.entityNumber, u, now));
    }
}
BENCHMARK(BM_DecodeAndIngest)->Unit(benchmark::kNanosecond);

void BM_EncodeOwnship(benchmark::State& state) {
    dis::EntityStatePdu e = aircraft(1, 4e6, 6e5, 4.8e6);
    e.algorithm = DRM_FVW;
    dis::PduHeader h;
    uint8_t buffer[dis::ENTITY_STATE_SIZE];
    for (auto _ : state) {
        e.location.x += 0.01;
        benchmark::DoNotOptimize(dis::encodeEntityState(h, e, buffer, sizeof buffer));
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_EncodeOwnship)->Unit(benchmark::kNanosecond);

struct Session {
    std::string dir, group;
    TickFn tick = nullptr;
    dis::DisEndpoint peer;
    std::vector<double> radius, phase;
    GeographicLib::LocalCartesian frame;

    bool open(int entities, int maxEntities) {
        unsetenv("VOLAX_TRACE");
        group = "239.255.77.3:" + std::to_string(44000 + getpid() % 8000) + "@127.0.0.1";
        dir = benchvolax::installVolax("/tmp/volax-bench-dis-", "NETWORK DIS\nDISADDRESS " + group +
                                                                    "\nMAXENTITIES " + std::to_string(maxEntities) + "\n");
        if (dir.empty()) return false;
        dis::DisAddress where;
        std::string error;
        if (!dis::parseDisAddress(group, where, error) || !peer.open(where, error)) return false;

        if (benchvolax::startVolax(dir, &tick) < 0) return false;
        const xphost::FlightState f = xphost::flightState();
        frame.Reset(f.latRef, f.lonRef, 0);
        for (int i = 0; i < entities; ++i) {
            radius.push_back(500.0 + 40.0 * i);
            phase.push_back(i * 2.399963);
        }
        // Every entity heard, models loaded, instances made: the steady state is measured.
        for (int n = 0; n < kFps; ++n) {
            sendFrame(n, n / double(kFps), entities);
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
            xphost::runFrames(1);
        }
        return true;
    }

    // This frame's share of the entities, each on its circle at 80 m/s, 1500 m up.
    void sendFrame(long long frameNumber, double t, int entities) {
        for (int i = static_cast<int>(frameNumber % kUpdateEvery); i < entities; i += kUpdateEvery) {
            const double a = phase[i] + 80.0 * t / radius[i];
            double lat, lon, h, x, y, z;
            frame.Reverse(radius[i] * std::sin(a), radius[i] * std::cos(a), 1500.0, lat, lon, h);
            GeographicLib::Geocentric::WGS84().Forward(lat, lon, h, x, y, z);
            dis::EntityStatePdu e = aircraft(static_cast<uint16_t>(i + 1), x, y, z);
            uint8_t b[dis::ENTITY_STATE_SIZE];
            peer.send(b, dis::encodeEntityState(dis::PduHeader(), e, b, sizeof b));
        }
    }

    void close() {
        xphost::unloadAll();
        xphost::reset();
        peer.close();
        (void)std::system(("rm -rf '" + dir + "'").c_str());
    }
};

void BM_DisTick(benchmark::State& state) {
    const int entities = static_cast<int>(state.range(0));
    Session s;
    if (!s.open(entities, static_cast<int>(state.range(1)))) {
        state.SkipWithError("plugin did not start on DIS");
        s.close();
        return;
    }
    benchvolax::timeTicks(
        state, [&](long long frame, double t) { s.sendFrame(frame, t, entities); },  // loopback delivers within the send
        [&](long long frame) { return s.tick(1.0f / kFps, 1.0f / kFps, static_cast<int>(frame), nullptr); });
    s.close();
}

}  // namespace

BENCHMARK(BM_DisTick)->Args({500, 500})->UseManualTime()->Iterations(3000)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
