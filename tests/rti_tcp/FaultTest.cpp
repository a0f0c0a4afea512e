// The RTI over TCP when things go wrong: the server killed or silent, a peer
// federate process killed, garbage on the wire, callbacks racing replies.
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <RTI.hh>

#include "FederateFixture.h"
#include "ServerProcess.h"
#include "Message.h"
#include "Socket.h"

using rtitcp::Handles;
using rtitcp::Recorder;
using rtitcp::ServerProcess;
using rtitcp::tickUntil;

namespace {

double secondsSince(std::chrono::steady_clock::time_point t0) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

// Runs `call`, expects RTIinternalError whose reason contains `text`, within `limit` seconds.
template <class F>
void expectInternalError(F call, const std::string& text, double limit = 2.0) {
    auto t0 = std::chrono::steady_clock::now();
    try {
        call();
        ADD_FAILURE() << "no exception; expected RTIinternalError with \"" << text << "\"";
    } catch (const RTI::RTIinternalError& e) {
        EXPECT_NE(std::string(e._reason).find(text), std::string::npos) << e._reason;
    } catch (const RTI::Exception& e) {
        ADD_FAILURE() << "unexpected " << e._name << ": " << e._reason;
    }
    EXPECT_LT(secondsSince(t0), limit);
}

class TcpFaultTest : public ::testing::Test {
protected:
    void SetUp() override {
        ::unsetenv("VOLAX_RTI_TIMEOUT");
        server_ = std::make_unique<ServerProcess>(VOLAX_RTIEXEC);
        ::setenv("VOLAX_RTI", server_->address().c_str(), 1);
        fed_ = rtitcp::testFedPath();
        name_ = rtitcp::uniqueName("tcpfault");
    }
    void TearDown() override {
        if (server_ && server_->running()) {
            EXPECT_EQ(server_->stop(), 0) << server_->log();
        }
        ::unsetenv("VOLAX_RTI");
        ::unsetenv("VOLAX_RTI_TIMEOUT");
    }

    void join(RTI::RTIambassador& amb, Recorder& rec, const char* who, Handles& h) {
        amb.joinFederationExecution(who, name_.c_str(), &rec);
        h.lookUp(amb);
        rec.seqAttr = h.seq;
        rec.seqParam = h.echoSeq;
    }

    // Runs a test body; an RTI exception fails the test with its name and reason.
    void guard(const std::function<void()>& body) {
        try {
            body();
        } catch (const RTI::Exception& e) {
            ADD_FAILURE() << "uncaught " << e._name << ": " << e._reason << "\nserver log:\n"
                          << (server_ ? server_->log() : std::string());
        }
    }

    std::unique_ptr<ServerProcess> server_;
    std::string fed_;
    std::string name_;
};

TEST_F(TcpFaultTest, ServerKilledMidFlightThenRestarted) {
    guard([&] {
        RTI::RTIambassador amb;
        Recorder rec;
        Handles h;
        amb.createFederationExecution(name_.c_str(), fed_.c_str());
        join(amb, rec, "survivor", h);
        h.publishAircraft(amb);
        RTI::ObjectHandle obj = amb.registerObjectInstance(h.aircraft, "plane1");
        h.update(amb, obj, 1);
        amb.tick();

        const std::uint16_t port = server_->port();
        server_->kill();
        const std::string lost = "connection to RTI server 127.0.0.1:" + std::to_string(port) + " lost";

        // tick() reports the loss, with or without a wait, and never hangs.
        expectInternalError([&] { amb.tick(0.5, 1.0); }, lost);
        expectInternalError([&] { amb.tick(); }, lost);
        expectInternalError([&] { h.update(amb, obj, 2); }, lost);
        expectInternalError([&] { amb.registerObjectInstance(h.aircraft, "plane2"); }, lost);
        // The server resigned us when the link went: resign succeeds and frees the federate.
        EXPECT_NO_THROW(amb.resignFederationExecution(RTI::DELETE_OBJECTS_AND_RELEASE_ATTRIBUTES));
        // Once resigned, the dead link is no longer a reason for tick() to fail.
        EXPECT_NO_THROW(amb.tick());

        // A fresh server on the same port: the same ambassador creates and joins again.
        // The port was just freed; tests running in parallel may hold it for a moment.
        for (int attempt = 0; !server_ || !server_->running(); ++attempt) {
            try {
                server_ = std::make_unique<ServerProcess>(VOLAX_RTIEXEC, port);
            } catch (const std::runtime_error&) {
                if (attempt == 40) throw;
                ::usleep(50 * 1000);
            }
        }
        amb.createFederationExecution(name_.c_str(), fed_.c_str());
        join(amb, rec, "survivor", h);
        h.publishAircraft(amb);
        obj = amb.registerObjectInstance(h.aircraft, "plane1");
        h.update(amb, obj, 3);
        amb.resignFederationExecution(RTI::DELETE_OBJECTS_AND_RELEASE_ATTRIBUTES);
        amb.destroyFederationExecution(name_.c_str());
    });
}

TEST_F(TcpFaultTest, KilledPeerProcessIsResignedAndItsInstancesRemoved) {
    guard([&] {
        RTI::RTIambassador amb;
        Recorder rec;
        Handles h;
        amb.createFederationExecution(name_.c_str(), fed_.c_str());
        join(amb, rec, "survivor", h);
        h.subscribeAircraft(amb);

        int ready[2];
        ASSERT_EQ(::pipe(ready), 0);
        pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            // The peer: its own ambassador and connection, then it waits to be killed.
            ::close(ready[0]);
            int rc = 1;
            try {
                RTI::RTIambassador peer;
                Recorder prec;
                Handles ph;
                peer.joinFederationExecution("peer", name_.c_str(), &prec);
                ph.lookUp(peer);
                ph.publishAircraft(peer);
                RTI::ObjectHandle a = peer.registerObjectInstance(ph.aircraft, "peer-a");
                RTI::ObjectHandle b = peer.registerObjectInstance(ph.aircraft, "peer-b");
                ph.update(peer, a, 10);
                ph.update(peer, b, 20);
                peer.tick();
                rc = 0;
                if (::write(ready[1], "r", 1) != 1) rc = 1;
                ::pause();
            } catch (...) {
            }
            ::_exit(rc);
        }
        ::close(ready[1]);
        char c = 0;
        ASSERT_EQ(::read(ready[0], &c, 1), 1) << "peer did not come up: " << server_->log();
        ::close(ready[0]);

        ASSERT_TRUE(tickUntil(amb, [&] { return rec.discovered.size() == 2 && rec.seqs.size() == 2; }))
            << server_->log();
        ::kill(child, SIGKILL);
        ::waitpid(child, nullptr, 0);

        ASSERT_TRUE(tickUntil(amb, [&] { return rec.removed.size() == 2; })) << server_->log();
        EXPECT_EQ(rec.removed, rec.discovered);
        EXPECT_NE(server_->log().find("federate 'peer'"), std::string::npos) << server_->log();
        EXPECT_NE(server_->log().find("vanished"), std::string::npos) << server_->log();

        amb.resignFederationExecution(RTI::DELETE_OBJECTS_AND_RELEASE_ATTRIBUTES);
        amb.destroyFederationExecution(name_.c_str());  // nobody left joined
    });
}

TEST_F(TcpFaultTest, SilentServerTimesOutWithTheServiceName) {
    guard([&] {
        // A listening socket nobody serves: connects complete in the backlog, no reply ever comes.
        std::string error;
        volax::rti::net::Fd mute = volax::rti::net::listenTcp({"127.0.0.1", 0}, error);
        ASSERT_TRUE(mute.valid()) << error;
        std::string addr = "127.0.0.1:" + std::to_string(volax::rti::net::boundPort(mute.get()));
        ::setenv("VOLAX_RTI", addr.c_str(), 1);
        ::setenv("VOLAX_RTI_TIMEOUT", "0.3", 1);

        auto t0 = std::chrono::steady_clock::now();
        try {
            RTI::RTIambassador amb;
            Recorder rec;
            try {
                amb.joinFederationExecution("x", name_.c_str(), &rec);
                ADD_FAILURE() << "join answered by a silent server";
            } catch (const RTI::RTIinternalError& e) {
                EXPECT_STREQ(e._reason, ("RTI server " + addr + " did not answer joinFederationExecution within 0.3 s").c_str());
            }
        } catch (const RTI::Exception& e) {
            ADD_FAILURE() << e._name << ": " << e._reason;
        }
        double took = secondsSince(t0);
        EXPECT_GE(took, 0.25);
        EXPECT_LT(took, 2.0);
    });
}

TEST_F(TcpFaultTest, GarbageFromOneClientDoesNotDisturbTheOthers) {
    guard([&] {
        RTI::RTIambassador pub, sub;
        Recorder prec, srec;
        Handles ph, sh;
        pub.createFederationExecution(name_.c_str(), fed_.c_str());
        join(pub, prec, "pub", ph);
        join(sub, srec, "sub", sh);
        ph.publishAircraft(pub);
        sh.subscribeAircraft(sub);
        RTI::ObjectHandle obj = pub.registerObjectInstance(ph.aircraft, "plane");

        const std::vector<std::uint8_t> callback =
            volax::rti::encode(volax::rti::Message(volax::rti::MessageKind::Discover, 0));
        const std::vector<std::string> garbage = {
            std::string("\xff\xff\xff\x7f", 4) + "huge length",          // announces ~2 GB
            std::string("\x05\x00\x00\x00\x63\x00\x01\x02\x03", 9),     // unknown kind 99
            std::string(64, '\0'),                                       // zero-length body: no kind
            std::string("\x10\x00\x00\x00", 4) + std::string(16, '\xab'),  // random body
            "GET / HTTP/1.0\r\n\r\n",
            std::string(callback.begin(), callback.end()),  // well formed, but a callback is no request
        };
        volax::rti::net::HostPort where{"127.0.0.1", server_->port()};
        std::uint32_t n = 0;
        for (const std::string& junk : garbage) {
            std::string error;
            volax::rti::net::Fd raw = volax::rti::net::connectTcp(where, 2.0, error);
            ASSERT_TRUE(raw.valid()) << error;
            ASSERT_EQ(::send(raw.get(), junk.data(), junk.size(), MSG_NOSIGNAL), static_cast<ssize_t>(junk.size()));
            // The server drops the connection: after its greeting (one Challenge
            // frame) we read EOF (or a reset), bounded.
            std::size_t got = 0;
            for (;;) {
                pollfd p{raw.get(), POLLIN, 0};
                ASSERT_EQ(::poll(&p, 1, 3000), 1) << "server kept a garbage connection open";
                char buf[64];
                ssize_t r = ::recv(raw.get(), buf, sizeof buf, 0);
                if (r <= 0) break;
                got += static_cast<std::size_t>(r);
                ASSERT_LE(got, 64u) << "more than a greeting";
            }

            // The joined federates carry on.
            ph.update(pub, obj, ++n);
            ASSERT_TRUE(tickUntil(sub, [&] { return srec.seqs.size() == n; })) << server_->log();
            EXPECT_EQ(srec.seqs.back(), n);
        }
        EXPECT_NE(server_->log().find("bad message"), std::string::npos) << server_->log();

        pub.resignFederationExecution(RTI::DELETE_OBJECTS_AND_RELEASE_ATTRIBUTES);
        sub.resignFederationExecution(RTI::DELETE_OBJECTS_AND_RELEASE_ATTRIBUTES);
        pub.destroyFederationExecution(name_.c_str());
    });
}

TEST_F(TcpFaultTest, CallbacksArrivingDuringARequestAreQueuedInOrder) {
    guard([&] {
        RTI::RTIambassador pub, sub;
        Recorder prec, srec;
        Handles ph, sh;
        pub.createFederationExecution(name_.c_str(), fed_.c_str());
        join(pub, prec, "pub", ph);
        join(sub, srec, "sub", sh);
        ph.publishAircraft(pub);
        sh.subscribeAircraft(sub);
        sh.publishAircraft(sub);
        RTI::ObjectHandle obj = pub.registerObjectInstance(ph.aircraft, "plane");

        const std::uint32_t count = 3000;
        for (std::uint32_t i = 1; i <= count; ++i) ph.update(pub, obj, i);
        // Request-reply calls while the reflections stream in; none may be dropped.
        for (int i = 0; i < 20; ++i) {
            char* name = sub.getObjectInstanceName(sub.registerObjectInstance(sh.aircraft));
            delete[] name;
        }
        ASSERT_TRUE(tickUntil(sub, [&] { return srec.seqs.size() >= count; })) << srec.seqs.size();
        ASSERT_EQ(srec.seqs.size(), count);
        for (std::uint32_t i = 0; i < count; ++i) ASSERT_EQ(srec.seqs[i], i + 1);

        sub.resignFederationExecution(RTI::DELETE_OBJECTS_AND_RELEASE_ATTRIBUTES);
        pub.resignFederationExecution(RTI::DELETE_OBJECTS_AND_RELEASE_ATTRIBUTES);
        pub.destroyFederationExecution(name_.c_str());
    });
}

TEST_F(TcpFaultTest, ServerLogsJoinsAndResignsAndStopsCleanlyWithClientsConnected) {
    guard([&] {
        RTI::RTIambassador amb;
        Recorder rec;
        Handles h;
        amb.createFederationExecution(name_.c_str(), fed_.c_str());
        join(amb, rec, "logged", h);
        amb.resignFederationExecution(RTI::DELETE_OBJECTS_AND_RELEASE_ATTRIBUTES);
        join(amb, rec, "logged", h);
        std::string log = server_->log();
        EXPECT_NE(log.find("federation '" + name_ + "' created"), std::string::npos) << log;
        EXPECT_NE(log.find("federate 'logged' (handle"), std::string::npos) << log;
        EXPECT_NE(log.find("joined"), std::string::npos) << log;
        EXPECT_NE(log.find("resigned (DELETE_OBJECTS_AND_RELEASE_ATTRIBUTES)"), std::string::npos) << log;
        // SIGTERM with a federate still joined: exit status 0.
        EXPECT_EQ(server_->stop(), 0) << server_->log();
        expectInternalError([&] { amb.tick(); }, "lost");
    });
}

TEST_F(TcpFaultTest, AFederateThatStopsReadingIsDroppedAndTheOthersCarryOn) {
    guard([&] {
        server_->stop();
        server_ = std::make_unique<ServerProcess>(VOLAX_RTIEXEC, 0, std::vector<std::string>{"--max-queue", "1"});
        ::setenv("VOLAX_RTI", server_->address().c_str(), 1);

        RTI::RTIambassador pub, sleeper, reader;
        Recorder prec, zrec, rrec;
        Handles ph, zh, rh;
        pub.createFederationExecution(name_.c_str(), fed_.c_str());
        join(pub, prec, "pub", ph);
        join(sleeper, zrec, "sleeper", zh);
        join(reader, rrec, "reader", rh);
        ph.publishAircraft(pub);
        zh.subscribeAircraft(sleeper);
        rh.subscribeAircraft(reader);
        RTI::ObjectHandle obj = pub.registerObjectInstance(ph.aircraft, "plane");

        // Far more than 1 MB plus what the kernel buffers; `sleeper` never ticks.
        const std::uint32_t count = 100000;
        for (std::uint32_t i = 1; i <= count; ++i) {
            ph.update(pub, obj, i);
            if (i % 500 == 0) reader.tick();
        }
        // The publisher ticks too: the tail it could not send while held back waits in its buffer.
        ASSERT_TRUE(tickUntil(reader, [&] {
            pub.tick();
            return rrec.seqs.size() >= count;
        }, 20.0)) << rrec.seqs.size();
        ASSERT_EQ(rrec.seqs.size(), count);
        for (std::uint32_t i = 0; i < count; ++i) ASSERT_EQ(rrec.seqs[i], i + 1);

        std::string log = server_->log();
        EXPECT_NE(log.find("federate 'sleeper'"), std::string::npos) << log;
        EXPECT_NE(log.find("not reading its callbacks"), std::string::npos) << log;
        // The dropped federate learns of it once it looks: what it got is delivered, then the error.
        expectInternalError([&] { tickUntil(sleeper, [] { return false; }, 10.0); }, "lost", 11.0);
        EXPECT_LT(zrec.seqs.size(), count);
        for (std::size_t i = 0; i < zrec.seqs.size(); ++i) ASSERT_EQ(zrec.seqs[i], i + 1);
        EXPECT_NO_THROW(sleeper.resignFederationExecution(RTI::DELETE_OBJECTS_AND_RELEASE_ATTRIBUTES));

        reader.resignFederationExecution(RTI::DELETE_OBJECTS_AND_RELEASE_ATTRIBUTES);
        pub.resignFederationExecution(RTI::DELETE_OBJECTS_AND_RELEASE_ATTRIBUTES);
        pub.destroyFederationExecution(name_.c_str());
    });
}

TEST(ServerCommandLineTest, HelpBadArgumentsAndABusyPort) {
    auto run = [](const std::string& args, std::string& out) {
        std::string cmd = std::string(VOLAX_RTIEXEC) + " " + args + " 2>&1";
        FILE* p = ::popen(cmd.c_str(), "r");
        if (!p) return -1;
        char buf[512];
        out.clear();
        while (std::fgets(buf, sizeof buf, p)) out += buf;
        int st = ::pclose(p);
        return WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    };
    std::string out;
    EXPECT_EQ(run("--help", out), 0);
    EXPECT_NE(out.find("--listen HOST:PORT"), std::string::npos) << out;
    EXPECT_NE(out.find("VOLAX_RTI=HOST:PORT"), std::string::npos) << out;
    EXPECT_EQ(run("--bogus", out), 2);
    EXPECT_NE(out.find("unknown argument \"--bogus\""), std::string::npos) << out;
    EXPECT_EQ(run("--listen 127.0.0.1:99999", out), 2);
    EXPECT_EQ(run("--listen", out), 2);
    EXPECT_EQ(run("--max-queue 0", out), 2);

    ServerProcess first(VOLAX_RTIEXEC);
    EXPECT_EQ(run("--listen " + first.address(), out), 1);
    EXPECT_NE(out.find("cannot bind"), std::string::npos) << out;
    EXPECT_EQ(first.stop(), 0);
}

}  // namespace
