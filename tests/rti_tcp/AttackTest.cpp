// volax-rtiexec attacked on loopback, beside a legitimate publisher and
// subscriber. Each row runs one attack, bounded in count and time, against a
// server with small limits; for every row the server's memory stays bounded,
// the subscriber gets every reliable update in order and is never dropped, and
// a new federate joins within 1 s while the attack goes on.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <RTI.hh>

#include "FederateFixture.h"
#include "Message.h"
#include "ServerProcess.h"
#include "Socket.h"

using rtitcp::Handles;
using rtitcp::Recorder;
using rtitcp::ServerProcess;
using rtitcp::tickUntil;
using volax::rti::Message;
using volax::rti::MessageKind;
namespace net = volax::rti::net;

namespace {

using Clock = std::chrono::steady_clock;

double since(Clock::time_point t0) { return std::chrono::duration<double>(Clock::now() - t0).count(); }

long rssKb(long pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(in, line))
        if (line.compare(0, 6, "VmRSS:") == 0) return std::atol(line.c_str() + 6);
    return -1;
}

std::string frame(const Message& m) {
    std::vector<std::uint8_t> v = volax::rti::encode(m);
    return std::string(v.begin(), v.end());
}

// A hostile client speaking the wire format directly, never reading.
struct Raw {
    net::Fd fd;
    explicit Raw(std::uint16_t port) {
        std::string error;
        fd = net::connectTcp(net::HostPort{"127.0.0.1", port}, 2.0, error);
    }
    // Sends what the socket takes now; false once the server has closed it.
    bool push(const std::string& bytes) {
        std::size_t sent = 0;
        int err = 0;
        return net::sendSome(fd.get(), bytes.data(), bytes.size(), sent, err) != net::IoStatus::Error;
    }
    // Whether the server closes it within `seconds` (whatever it sent first is read).
    bool closedWithin(double seconds) {
        auto t0 = Clock::now();
        char buf[4096];
        while (since(t0) < seconds) {
            std::size_t got = 0;
            int err = 0;
            net::IoStatus st = net::receiveSome(fd.get(), buf, sizeof buf, got, err);
            if (st == net::IoStatus::Closed || st == net::IoStatus::Error) return true;
            if (st == net::IoStatus::WouldBlock) std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return false;
    }
};

// Records the latest Spatial bytes of each instance, besides the Seq values.
class LatestRecorder : public Recorder {
public:
    std::map<RTI::ObjectHandle, std::vector<std::uint32_t>> seqsOf;
    std::map<RTI::ObjectHandle, std::string> spatialOf;
    RTI::AttributeHandle spatialAttr = 0;

    std::map<RTI::ObjectHandle, std::size_t> reflectsOf;

    // A subscriber slower than a flooder: about 10 us of work per callback.
    void reflectAttributeValues(RTI::ObjectHandle o, const RTI::AttributeHandleValuePairSet& set,
                                const char* tag) override {
        auto t0 = Clock::now();
        while (since(t0) < 10e-6) {
        }
        ++reflectsOf[o];
        std::size_t before = seqs.size();
        Recorder::reflectAttributeValues(o, set, tag);
        seqsOf[o].insert(seqsOf[o].end(), seqs.begin() + static_cast<std::ptrdiff_t>(before), seqs.end());
        for (RTI::ULong i = 0; i < set.size(); ++i) {
            if (set.getHandle(i) != spatialAttr) continue;
            RTI::ULong len = 0;
            const char* p = set.getValuePointer(i, len);
            spatialOf[o].assign(p, len);
        }
    }
};

// What an attack knows, and what it leaves for its row's own check.
struct Context {
    std::uint16_t port = 0;
    std::string federation;
    std::atomic<bool> attackOver{false};  // the attack stopped sending
    std::atomic<bool> finish{false};      // the checks are done: let go
    RTI::ObjectHandle object = 0;          // the attacker's instance
    std::uint32_t last = 0;                // the attacker's last value sent
    std::size_t count = 0;
    std::string error;                     // what the attacker was told
    double seconds = 0;                    // how long the attack took
};

constexpr double kAttackSeconds = 2.0;
constexpr int kMaxConnections = 24;
constexpr int kMaxObjects = 2000;

// A joined attacker federate in its own thread; `body` runs while joined.
void asFederate(Context& ctx, const char* name, const std::function<void(RTI::RTIambassador&, Handles&)>& body) {
    Recorder rec;
    Handles h;
    RTI::RTIambassador amb;
    try {
        amb.joinFederationExecution(name, ctx.federation.c_str(), &rec);
        h.lookUp(amb);
        h.publishAircraft(amb);
        body(amb, h);
    } catch (const RTI::Exception& e) {
        ctx.error = std::string(e._name) + ": " + e._reason;
    }
    ctx.attackOver = true;
    while (!ctx.finish) {
        try {
            amb.tick(0.01, 0.02);
        } catch (const RTI::Exception&) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }
    try {
        amb.resignFederationExecution(RTI::DELETE_OBJECTS_AND_RELEASE_ATTRIBUTES);
    } catch (const RTI::Exception&) {
    }
}

// Repeats `burst` on raw connections for the attack's time, never reading.
void rawFlood(Context& ctx, int connections, const std::string& burst) {
    std::vector<std::unique_ptr<Raw>> raws;
    for (int i = 0; i < connections; ++i) raws.push_back(std::make_unique<Raw>(ctx.port));
    auto t0 = Clock::now();
    while (since(t0) < kAttackSeconds) {
        for (auto& r : raws) r->push(burst);
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    ctx.attackOver = true;
    while (!ctx.finish) std::this_thread::sleep_for(std::chrono::milliseconds(10));
}

void floodUpdates(Context& ctx, bool reliable) {
    asFederate(ctx, "flooder", [&](RTI::RTIambassador& amb, Handles& h) {
        ctx.object = amb.registerObjectInstance(h.aircraft, "flood");
        std::unique_ptr<RTI::AttributeHandleValuePairSet> s(RTI::AttributeSetFactory::create(1));
        const std::string tag(1000, 't');  // heavy callbacks: the subscriber cannot keep up
        auto t0 = Clock::now();
        for (std::uint32_t n = 1; since(t0) < kAttackSeconds; ++n) {
            s->empty();
            s->add(reliable ? h.seq : h.spatial, reinterpret_cast<const char*>(&n), 4);
            amb.updateAttributeValues(ctx.object, *s, tag.c_str());
            ctx.last = n;
        }
    });
}

struct Attack {
    const char* name;
    std::function<void(Context&)> run;
    // The row's own check, once the subscriber has caught up.
    std::function<void(Context&, LatestRecorder&, RTI::RTIambassador& sub, const std::string& log)> check;
    // Why the row cannot hold under Wine, where it would measure the emulator's speed.
    const char* notUnderWine = nullptr;
};

// The attacker under Wine is too slow to reach the server's limits in the attack's time.
const char* const kTooSlowUnderWine = "under Wine the attacker is too slow to outrun the subscriber or reach the limit";

const Attack kAttacks[] = {
    {"NeverReadsAndAsksForLargeReplies",
     [](Context& ctx) {
         Message join(MessageKind::JoinFederation);
         join.name = "hog";
         join.name2 = ctx.federation;
         join.serial = 1;
         Message resign(MessageKind::ResignFederation, 3);
         resign.serial = 2;
         Message destroy(MessageKind::DestroyFederation);  // its error echoes the name
         destroy.name = std::string(12000, 'x');
         destroy.serial = 3;
         rawFlood(ctx, 4, frame(join) + frame(resign) + frame(destroy));
     },
     nullptr},
    {"JoinedFederateFloodsBestEffortUpdates", [](Context& ctx) { floodUpdates(ctx, false); },
     [](Context& ctx, LatestRecorder& rec, RTI::RTIambassador& sub, const std::string& log) {
         // The newest value of the flooded attribute arrives, however many were skipped.
         std::string want(reinterpret_cast<const char*>(&ctx.last), 4);
         EXPECT_TRUE(tickUntil(sub, [&] { return rec.spatialOf[ctx.object] == want; }, 10.0))
             << ctx.last << " " << ctx.error << log;
         // It lagged and kept only the newest values, rather than slowing the flooder to its pace.
         EXPECT_LT(rec.reflectsOf[ctx.object], ctx.last);
     },
     kTooSlowUnderWine},
    {"JoinedFederateFloodsReliableUpdates", [](Context& ctx) { floodUpdates(ctx, true); },
     [](Context& ctx, LatestRecorder& rec, RTI::RTIambassador& sub, const std::string& log) {
         // Every one, in order: the flooder was slowed, nothing dropped.
         ASSERT_TRUE(tickUntil(sub, [&] { return rec.seqsOf[ctx.object].size() >= ctx.last; }, 20.0))
             << rec.seqsOf[ctx.object].size() << " of " << ctx.last << " " << ctx.error << log;
         const auto& got = rec.seqsOf[ctx.object];
         ASSERT_EQ(got.size(), ctx.last);
         for (std::uint32_t i = 0; i < ctx.last; ++i) ASSERT_EQ(got[i], i + 1);
     }},
    {"DeclaresHugeFramesAndSendsAlmostAll",
     [](Context& ctx) {
         std::string header("\x00\x00\x00\x04", 4);  // a 64 MiB body announced
         std::vector<std::unique_ptr<Raw>> raws;
         std::string chunk(64 * 1024, '\x5a');
         for (int i = 0; i < 8; ++i) {
             raws.push_back(std::make_unique<Raw>(ctx.port));
             raws.back()->push(header);
         }
         auto t0 = Clock::now();
         while (since(t0) < kAttackSeconds)
             for (auto& r : raws) r->push(chunk);
         for (auto& r : raws) ctx.count += r->closedWithin(1.0) ? 1 : 0;
         ctx.attackOver = true;
         while (!ctx.finish) std::this_thread::sleep_for(std::chrono::milliseconds(10));
     },
     [](Context& ctx, LatestRecorder&, RTI::RTIambassador&, const std::string& log) {
         EXPECT_EQ(ctx.count, 8u) << "the server kept connections with oversized frames open";
         EXPECT_NE(log.find("exceeds the limit"), std::string::npos) << log;
     }},
    {"HoldsManyIdleConnections",
     [](Context& ctx) {
         std::vector<std::unique_ptr<Raw>> raws;
         for (int i = 0; i < 3 * kMaxConnections; ++i) raws.push_back(std::make_unique<Raw>(ctx.port));
         std::this_thread::sleep_for(std::chrono::duration<double>(kAttackSeconds + 0.3));
         // Past the join deadline (2 s) every one of them is gone.
         for (auto& r : raws) ctx.count += r->closedWithin(1.5) ? 1 : 0;
         ctx.attackOver = true;
         while (!ctx.finish) std::this_thread::sleep_for(std::chrono::milliseconds(10));
     },
     [](Context& ctx, LatestRecorder&, RTI::RTIambassador&, const std::string& log) {
         EXPECT_EQ(ctx.count, 3u * kMaxConnections);
         EXPECT_NE(log.find("to make room"), std::string::npos) << log;
     }},
    {"RegistersObjectsWithoutEnd",
     [](Context& ctx) {
         asFederate(ctx, "hoarder", [&](RTI::RTIambassador& amb, Handles& h) {
             auto t0 = Clock::now();
             while (since(t0) < kAttackSeconds) {
                 amb.registerObjectInstance(h.aircraft);
                 ++ctx.count;
             }
         });
     },
     [](Context& ctx, LatestRecorder&, RTI::RTIambassador&, const std::string&) {
         EXPECT_EQ(ctx.count, static_cast<std::size_t>(kMaxObjects));
         EXPECT_NE(ctx.error.find("limit"), std::string::npos) << ctx.error;
     },
     kTooSlowUnderWine},
    {"ForgesLogLinesAndRepeatsFailures",
     [](Context& ctx) {
         asFederate(ctx, "x\n2001-01-01T00:00:00Z volax-rtiexec: federation 'XP' destroyed by 1.2.3.4",
                    [&](RTI::RTIambassador& amb, Handles&) {
                        const auto t0 = Clock::now();
                        for (int i = 0; i < 2000; ++i) {
                            try {
                                amb.destroyFederationExecution("no-such-federation");
                            } catch (const RTI::FederationExecutionDoesNotExist&) {
                                ++ctx.count;
                            }
                        }
                        ctx.seconds = since(t0);
                    });
     },
     [](Context& ctx, LatestRecorder&, RTI::RTIambassador&, const std::string& log) {
         EXPECT_EQ(ctx.count, 2000u) << ctx.error;
         EXPECT_EQ(log.find("\n2001-01-01"), std::string::npos) << log;
         EXPECT_NE(log.find("'x\\x0a2001-01-01"), std::string::npos) << log;
         std::size_t lines = 0;
         for (std::size_t at = 0; (at = log.find("destroy of federation", at)) != std::string::npos; ++at) ++lines;
         // Five lines a second, however long a loaded machine takes over the 2,000.
         EXPECT_LT(lines, 5 * (ctx.seconds + 2) + 10) << "failures are not rate-limited (" << ctx.seconds << " s)";
     }},
};

// ctest's lines name the row, not its bytes.
void PrintTo(const Attack& a, std::ostream* os) { *os << a.name; }

class AttackTest : public ::testing::TestWithParam<Attack> {};

TEST_P(AttackTest, LegitimateFederatesCarryOnAndMemoryStaysBounded) {
    const Attack& attack = GetParam();
    if (volax::test::kWindows && attack.notUnderWine) GTEST_SKIP() << attack.notUnderWine;
    // Under AddressSanitizer freed memory waits in a quarantine that would pass
    // for growth; a small one keeps the bound meaningful (no effect otherwise).
    static const int quarantine = [] {
        const char* asan = std::getenv("ASAN_OPTIONS");
        std::string opts = asan && *asan ? std::string(asan) + ":" : std::string();
        volax::test::setEnv("ASAN_OPTIONS", opts + "quarantine_size_mb=4");
        return 0;
    }();
    (void)quarantine;
    ServerProcess server(VOLAX_RTIEXEC, 0,
                         {"--max-queue", "2", "--max-connections", std::to_string(kMaxConnections), "--max-objects",
                          std::to_string(kMaxObjects), "--join-deadline", "2", "--stall-timeout", "3"});
    volax::test::setEnv("VOLAX_RTI", server.address().c_str());
    volax::test::unsetEnv("VOLAX_RTI_KEY_FILE");
    Context ctx;
    ctx.port = server.port();
    ctx.federation = rtitcp::uniqueName("attack");
    std::thread attacker;
    struct Release {
        Context& ctx;
        std::thread& t;
        ~Release() {
            ctx.finish = true;
            if (t.joinable()) t.join();
        }
    } release{ctx, attacker};
    try {
        RTI::RTIambassador pub, sub;
        Recorder prec;
        LatestRecorder srec;
        Handles ph, sh;
        pub.createFederationExecution(ctx.federation.c_str(), rtitcp::testFedPath().c_str());
        pub.joinFederationExecution("pub", ctx.federation.c_str(), &prec);
        sub.joinFederationExecution("sub", ctx.federation.c_str(), &srec);
        ph.lookUp(pub);
        sh.lookUp(sub);
        srec.seqAttr = sh.seq;
        srec.spatialAttr = sh.spatial;
        ph.publishAircraft(pub);
        sh.subscribeAircraft(sub);
        RTI::ObjectHandle plane = pub.registerObjectInstance(ph.aircraft, "plane");
        ASSERT_TRUE(tickUntil(sub, [&] { return srec.discovered.count(plane) == 1; }));
        const long idleKb = rssKb(server.pid());
        long peakKb = idleKb;

        attacker = std::thread(attack.run, std::ref(ctx));
        auto t0 = Clock::now();
        // The publisher in its own thread, as it would be in its own process.
        std::atomic<bool> pubStop{false};
        std::atomic<std::uint32_t> sentCount{0};
        std::string pubError;
        std::thread publisher([&] {
            try {
                while (!pubStop) {
                    ph.update(pub, plane, sentCount + 1);
                    ++sentCount;
                    std::this_thread::sleep_for(std::chrono::milliseconds(2));
                }
            } catch (const RTI::Exception& e) {
                pubError = std::string(e._name) + ": " + e._reason;
            }
        });
        struct JoinPublisher {
            std::atomic<bool>& stop;
            std::thread& t;
            ~JoinPublisher() {
                stop = true;
                if (t.joinable()) t.join();
            }
        } joinPublisher{pubStop, publisher};
        bool newcomerTried = false;
        while (!ctx.attackOver || since(t0) < kAttackSeconds) {
            sub.tick(0.001, 0.002);
            peakKb = std::max(peakKb, rssKb(server.pid()));
            if (!newcomerTried && since(t0) > kAttackSeconds / 2) {
                newcomerTried = true;
                RTI::RTIambassador late;
                Recorder lrec;
                auto j0 = Clock::now();
                late.joinFederationExecution("late", ctx.federation.c_str(), &lrec);
                EXPECT_LT(since(j0), 1.0) << "a new federate had to wait";
                late.resignFederationExecution(RTI::NO_ACTION);
            }
            ASSERT_LT(since(t0), 20.0) << "the attack did not end";
        }
        pubStop = true;
        publisher.join();
        ASSERT_EQ(pubError, "");
        const std::uint32_t sent = sentCount;
        ASSERT_TRUE(newcomerTried);
        ASSERT_TRUE(tickUntil(sub, [&] { return srec.seqsOf[plane].size() >= sent; }, 15.0))
            << srec.seqsOf[plane].size() << " of " << sent << "\n"
            << server.log();
        const auto& got = srec.seqsOf[plane];
        ASSERT_EQ(got.size(), sent);
        for (std::uint32_t i = 0; i < sent; ++i) ASSERT_EQ(got[i], i + 1);
        peakKb = std::max(peakKb, rssKb(server.pid()));
        // Windows has no /proc to read the server's size from.
        if (!volax::test::kWindows) {
            EXPECT_LT(peakKb - idleKb, 48 * 1024) << "server grew from " << idleKb << " kB";
        }

        const std::string log = server.log();
        if (attack.check) attack.check(ctx, srec, sub, log);
        // The subscriber was never dropped.
        for (std::size_t at = log.find("federate 'sub'"); at != std::string::npos; at = log.find("federate 'sub'", at + 1))
            EXPECT_EQ(log.substr(at, log.find('\n', at) - at).find("vanished"), std::string::npos) << log;
        ctx.finish = true;
        attacker.join();
        sub.resignFederationExecution(RTI::DELETE_OBJECTS_AND_RELEASE_ATTRIBUTES);
        pub.resignFederationExecution(RTI::DELETE_OBJECTS_AND_RELEASE_ATTRIBUTES);
    } catch (const RTI::Exception& e) {
        ADD_FAILURE() << e._name << ": " << e._reason << "\n" << server.log();
    }
    volax::test::unsetEnv("VOLAX_RTI");
}

INSTANTIATE_TEST_SUITE_P(Rows, AttackTest, ::testing::ValuesIn(kAttacks),
                         [](const ::testing::TestParamInfo<Attack>& info) { return std::string(info.param.name); });

}  // namespace
