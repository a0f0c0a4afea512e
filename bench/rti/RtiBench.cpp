// RTI benchmarks: update throughput and update/interaction round trip through a
// volax-rtiexec server between two processes, and the cost of an empty tick()
// on the TCP and in-process transports.
//
// The server is started once (a free loopback port); each cross-process
// benchmark forks its peer federate after the publisher has joined.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>
#include <vector>

#include <RTI.hh>

#include "FederateFixture.h"
#include "ServerProcess.h"

using rtitcp::Handles;
using rtitcp::Recorder;

namespace {

std::unique_ptr<rtitcp::ServerProcess> gServer;

using Clock = std::chrono::steady_clock;

struct PeerReport {
    std::uint64_t received = 0;
    std::uint64_t lost = 0;
    std::int32_t ok = 0;
};

// A forked peer federate: runs `body`, writes its report into a pipe, exits.
template <class F>
pid_t forkPeer(int& reportFd, int& readyFd, F body) {
    int report[2], ready[2];
    if (::pipe(report) != 0 || ::pipe(ready) != 0) return -1;
    pid_t pid = ::fork();
    if (pid == 0) {
        ::close(report[0]);
        ::close(ready[0]);
        PeerReport r;
        try {
            body(r, ready[1]);
        } catch (const RTI::Exception& e) {
            std::fprintf(stderr, "peer: %s: %s\n", e._name, e._reason);
            r.ok = 0;
        }
        if (::write(report[1], &r, sizeof r) != sizeof r) ::_exit(1);
        ::_exit(0);
    }
    ::close(report[1]);
    ::close(ready[1]);
    reportFd = report[0];
    readyFd = ready[0];
    return pid;
}

bool waitReady(int fd) {
    char c;
    return ::read(fd, &c, 1) == 1;
}

void signalReady(int fd) {
    if (::write(fd, "r", 1) != 1) std::abort();
}

void useTcp() { ::setenv("VOLAX_RTI", gServer->address().c_str(), 1); }

void BM_UpdateThroughputViaServer(benchmark::State& state) {
    const std::uint32_t count = static_cast<std::uint32_t>(state.range(0));
    useTcp();
    for (auto _ : state) {
        std::string fedName = rtitcp::uniqueName("bench-throughput");
        RTI::RTIambassador pub;
        Recorder prec;
        Handles h;
        pub.createFederationExecution(fedName.c_str(), rtitcp::testFedPath().c_str());
        pub.joinFederationExecution("publisher", fedName.c_str(), &prec);
        h.lookUp(pub);
        h.publishAircraft(pub);
        RTI::ObjectHandle obj = pub.registerObjectInstance(h.aircraft, "bench-plane");

        int reportFd = -1, readyFd = -1;
        pid_t child = forkPeer(reportFd, readyFd, [&](PeerReport& r, int ready) {
            RTI::RTIambassador sub;
            Recorder rec;
            Handles sh;
            sub.joinFederationExecution("subscriber", fedName.c_str(), &rec);
            sh.lookUp(sub);
            rec.seqAttr = sh.seq;
            sh.subscribeAircraft(sub);
            signalReady(ready);
            rec.seqs.reserve(count);
            auto deadline = Clock::now() + std::chrono::seconds(60);
            while (rec.seqs.size() < count && Clock::now() < deadline) sub.tick(0.1, 0.5);
            r.received = rec.seqs.size();
            std::uint32_t expect = 1;
            for (std::uint32_t s : rec.seqs) {
                if (s != expect) r.lost += s > expect ? s - expect : 1;
                expect = s + 1;
            }
            if (r.received < count) r.lost += count - r.received;
            r.ok = 1;
            sub.resignFederationExecution(RTI::DELETE_OBJECTS_AND_RELEASE_ATTRIBUTES);
        });
        if (child < 0 || !waitReady(readyFd)) {
            state.SkipWithError("peer did not start");
            break;
        }
        auto t0 = Clock::now();
        for (std::uint32_t i = 1; i <= count; ++i) {
            h.update(pub, obj, i);
            if ((i & 1023) == 0) pub.tick();
        }
        PeerReport r;
        bool got = ::read(reportFd, &r, sizeof r) == sizeof r;
        auto t1 = Clock::now();
        ::waitpid(child, nullptr, 0);
        ::close(reportFd);
        ::close(readyFd);
        if (!got || !r.ok) {
            state.SkipWithError("peer failed");
            break;
        }
        double secs = std::chrono::duration<double>(t1 - t0).count();
        state.SetIterationTime(secs);
        state.counters["updates_per_s"] = static_cast<double>(r.received) / secs;
        state.counters["received"] = static_cast<double>(r.received);
        state.counters["lost"] = static_cast<double>(r.lost);
        pub.resignFederationExecution(RTI::DELETE_OBJECTS_AND_RELEASE_ATTRIBUTES);
        pub.destroyFederationExecution(fedName.c_str());
    }
}
BENCHMARK(BM_UpdateThroughputViaServer)->Arg(200000)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_RoundTripViaServer(benchmark::State& state) {
    const std::uint32_t count = static_cast<std::uint32_t>(state.range(0));
    useTcp();
    for (auto _ : state) {
        std::string fedName = rtitcp::uniqueName("bench-roundtrip");
        RTI::RTIambassador pub;
        Recorder prec;
        Handles h;
        pub.createFederationExecution(fedName.c_str(), rtitcp::testFedPath().c_str());
        pub.joinFederationExecution("publisher", fedName.c_str(), &prec);
        h.lookUp(pub);
        prec.seqParam = h.echoSeq;
        h.publishAircraft(pub);
        pub.subscribeInteractionClass(h.echo, RTI::RTI_TRUE);
        RTI::ObjectHandle obj = pub.registerObjectInstance(h.aircraft, "bench-plane");

        int reportFd = -1, readyFd = -1;
        pid_t child = forkPeer(reportFd, readyFd, [&](PeerReport& r, int ready) {
            RTI::RTIambassador peer;
            Recorder rec;
            Handles sh;
            peer.joinFederationExecution("echoer", fedName.c_str(), &rec);
            sh.lookUp(peer);
            rec.seqAttr = sh.seq;
            sh.subscribeAircraft(peer);
            peer.publishInteractionClass(sh.echo);
            signalReady(ready);
            std::size_t answered = 0;
            auto deadline = Clock::now() + std::chrono::seconds(60);
            while (answered < count && Clock::now() < deadline) {
                peer.tick(1.0, 1.0);
                // Answer after tick() returns: services may not be called from callbacks.
                for (; answered < rec.seqs.size(); ++answered) sh.sendEcho(peer, rec.seqs[answered]);
            }
            r.received = answered;
            r.ok = 1;
            // Stay joined until the publisher has its last echo.
            peer.tick(0.2, 0.2);
            peer.resignFederationExecution(RTI::DELETE_OBJECTS_AND_RELEASE_ATTRIBUTES);
        });
        if (child < 0 || !waitReady(readyFd)) {
            state.SkipWithError("peer did not start");
            break;
        }
        // The peer discovers the instance with the first update; warm up with a few.
        std::vector<double> us;
        us.reserve(count);
        bool failed = false;
        for (std::uint32_t i = 1; i <= count && !failed; ++i) {
            auto t0 = Clock::now();
            h.update(pub, obj, i);
            auto deadline = t0 + std::chrono::seconds(5);
            while (prec.echoes.size() < i) {
                pub.tick(1.0, 1.0);
                if (Clock::now() > deadline) {
                    failed = true;
                    break;
                }
            }
            us.push_back(std::chrono::duration<double, std::micro>(Clock::now() - t0).count());
        }
        PeerReport r;
        bool got = ::read(reportFd, &r, sizeof r) == sizeof r;
        ::waitpid(child, nullptr, 0);
        ::close(reportFd);
        ::close(readyFd);
        if (failed || !got || !r.ok) {
            state.SkipWithError("round trip lost");
            break;
        }
        std::vector<double> sorted = us;
        std::sort(sorted.begin(), sorted.end());
        double total = 0;
        for (double v : us) total += v;
        state.SetIterationTime(total * 1e-6);
        state.counters["median_us"] = sorted[sorted.size() / 2];
        state.counters["p99_us"] = sorted[sorted.size() * 99 / 100];
        state.counters["max_us"] = sorted.back();
        state.counters["round_trips"] = static_cast<double>(us.size());
        pub.resignFederationExecution(RTI::DELETE_OBJECTS_AND_RELEASE_ATTRIBUTES);
        pub.destroyFederationExecution(fedName.c_str());
    }
}
BENCHMARK(BM_RoundTripViaServer)->Arg(10000)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

void emptyTick(benchmark::State& state, bool tcp) {
    if (tcp)
        useTcp();
    else
        ::unsetenv("VOLAX_RTI");
    std::string fedName = rtitcp::uniqueName(tcp ? "bench-tick-tcp" : "bench-tick-inproc");
    RTI::RTIambassador amb;
    Recorder rec;
    amb.createFederationExecution(fedName.c_str(), rtitcp::testFedPath().c_str());
    amb.joinFederationExecution("ticker", fedName.c_str(), &rec);
    for (auto _ : state) benchmark::DoNotOptimize(amb.tick());
    amb.resignFederationExecution(RTI::DELETE_OBJECTS_AND_RELEASE_ATTRIBUTES);
    amb.destroyFederationExecution(fedName.c_str());
}

void BM_EmptyTickTcp(benchmark::State& state) { emptyTick(state, true); }
void BM_EmptyTickInProcess(benchmark::State& state) { emptyTick(state, false); }
BENCHMARK(BM_EmptyTickTcp);
BENCHMARK(BM_EmptyTickInProcess);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    try {
        // VOLAX_BENCH_TLS=DIR (fed.key, server.pem, server.key, ca.pem) measures
        // the same with the federation key and TLS.
        std::vector<std::string> args;
        if (const char* tls = std::getenv("VOLAX_BENCH_TLS")) {
            const std::string d = tls;
            args = {"--key-file", d + "/fed.key", "--tls-cert", d + "/server.pem", "--tls-key", d + "/server.key",
                    "--tls-only"};
            ::setenv("VOLAX_RTI_KEY_FILE", (d + "/fed.key").c_str(), 1);
            ::setenv("VOLAX_RTI_TLS_CA", (d + "/ca.pem").c_str(), 1);
        }
        gServer = std::make_unique<rtitcp::ServerProcess>(VOLAX_RTIEXEC, 0, args);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench_rti: %s\n", e.what());
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    int status = gServer->stop();
    gServer.reset();
    return status == 0 ? 0 : 1;
}
