// Framing, socket helpers and client settings of the TCP transport.
#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <poll.h>
#include <thread>
#include <csignal>
#include <cstdlib>
#include <string>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

#include <RTI.hh>

#include "Frame.h"
#include "Message.h"
#include "Socket.h"
#include "TcpClientConnection.h"
#include "TcpConnection.h"

using namespace volax::rti;
using namespace volax::rti::net;

namespace {

Message sampleUpdate(std::uint32_t seq) {
    Message m(MessageKind::UpdateAttributes, 7);
    m.tag = "sometag";
    m.values.push_back({0, std::string(88, static_cast<char>(seq))});
    m.values.push_back({3, std::string(reinterpret_cast<const char*>(&seq), 4)});
    m.serial = seq;
    return m;
}

}  // namespace

TEST(HostPortTest, AcceptsTheUsualForms) {
    EXPECT_EQ(parseHostPort("127.0.0.1:18650", true).str(), "127.0.0.1:18650");
    EXPECT_EQ(parseHostPort("localhost:0", true).port, 0);
    EXPECT_EQ(parseHostPort(":9000", true).host, "127.0.0.1");
    EXPECT_EQ(parseHostPort("[::1]:77", true).str(), "[::1]:77");
    HostPort d = parseHostPort("example.org", false);
    EXPECT_EQ(d.host, "example.org");
    EXPECT_EQ(d.port, kDefaultPort);
}

TEST(HostPortTest, RejectsMalformedAddresses) {
    for (const char* bad : {"", "host", "host:", "host:x1", "host:65536", "host:-1", "::1:80", "[::1", "[::1]x80",
                            "[::1]:"}) {
        EXPECT_THROW(parseHostPort(bad, true), std::invalid_argument) << bad;
    }
    EXPECT_THROW(parseHostPort("h:99999", false), std::invalid_argument);
}

TEST(RecvBufferTest, ReassemblesFramesSplitAtEveryByte) {
    std::vector<std::uint8_t> stream;
    for (std::uint32_t i = 1; i <= 3; ++i) encode(sampleUpdate(i), stream);
    for (std::size_t cut = 0; cut <= stream.size(); ++cut) {
        RecvBuffer in;
        std::vector<Message> got;
        const std::uint8_t* f = nullptr;
        std::size_t n = 0;
        in.append(stream.data(), cut);
        while (in.nextFrame(f, n)) got.push_back(decode(f, n));
        in.append(stream.data() + cut, stream.size() - cut);
        while (in.nextFrame(f, n)) got.push_back(decode(f, n));
        ASSERT_EQ(got.size(), 3u) << "cut at " << cut;
        for (std::uint32_t i = 0; i < 3; ++i) EXPECT_EQ(got[i], sampleUpdate(i + 1));
        EXPECT_EQ(in.buffered(), 0u);
    }
}

TEST(SendBufferTest, FullSocketKeepsTheRestAndLosesNothing) {
    int sv[2];
    ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM, 0, sv), 0);
    int small = 4096;
    ::setsockopt(sv[0], SOL_SOCKET, SO_SNDBUF, &small, sizeof small);
    ::setsockopt(sv[1], SOL_SOCKET, SO_RCVBUF, &small, sizeof small);

    SendBuffer out;
    RecvBuffer in;
    int err = 0;
    // Fill the socket until it refuses more.
    std::uint32_t sent = 0, received = 0;
    bool sawWouldBlock = false;
    while (!sawWouldBlock && sent < 100000) {
        out.add(sampleUpdate(++sent));
        IoStatus st = out.flush(sv[0], err);
        ASSERT_NE(st, IoStatus::Error);
        sawWouldBlock = st == IoStatus::WouldBlock;
    }
    ASSERT_TRUE(sawWouldBlock);
    EXPECT_GT(out.pending(), 0u);
    // Then keep adding while the reader drains: every frame arrives once, in order.
    const std::uint32_t total = sent + 2000;
    while (received < total) {
        if (sent < total) out.add(sampleUpdate(++sent));
        ASSERT_NE(out.flush(sv[0], err), IoStatus::Error);
        while (in.readFrom(sv[1], err) == IoStatus::Data) {
        }
        const std::uint8_t* f = nullptr;
        std::size_t n = 0;
        while (in.nextFrame(f, n)) {
            Message m = decode(f, n);
            ASSERT_EQ(m.serial, ++received);
        }
    }
    EXPECT_TRUE(sawWouldBlock);
    EXPECT_TRUE(out.empty());
    ::close(sv[0]);
    ::close(sv[1]);
}

TEST(SendBufferTest, SerialOverrideAndARefusedMessageLeaveTheStreamIntact) {
    SendBuffer out;
    const Message m = sampleUpdate(42);
    out.add(m, 0);
    Message huge(MessageKind::UpdateAttributes, 7);
    huge.tag.assign(kMaxFrameBody + 1, 't');
    EXPECT_THROW(out.add(huge, 5), DecodeError);
    out.add(m, 0xA1B2C3D4u);

    int sv[2];
    ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM, 0, sv), 0);
    int err = 0;
    ASSERT_EQ(out.flush(sv[0], err), IoStatus::Data);
    RecvBuffer in;
    while (in.readFrom(sv[1], err) == IoStatus::Data) {
    }
    const std::uint8_t* f = nullptr;
    std::size_t n = 0;
    for (std::uint32_t want : {0u, 0xA1B2C3D4u}) {
        ASSERT_TRUE(in.nextFrame(f, n));
        Message got = decode(f, n);
        EXPECT_EQ(got.serial, want);
        got.serial = m.serial;
        EXPECT_EQ(got, m);
    }
    EXPECT_EQ(in.buffered(), 0u);
    ::close(sv[0]);
    ::close(sv[1]);
}

TEST(SendBufferTest, WritingToAClosedPeerIsAnErrorNotASignal) {
    int sv[2];
    ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM, 0, sv), 0);
    ::close(sv[1]);
    SendBuffer out;
    out.add(sampleUpdate(1));
    int err = 0;
    EXPECT_EQ(out.flush(sv[0], err), IoStatus::Error);  // SIGPIPE would have ended the test binary
    EXPECT_EQ(err, EPIPE);
    ::close(sv[0]);

    RecvBuffer in;
    ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM, 0, sv), 0);
    ::close(sv[1]);
    EXPECT_EQ(in.readFrom(sv[0], err), IoStatus::Closed);
    ::close(sv[0]);
}

TEST(ClientSettingsTest, TimeoutComesFromTheEnvironmentOrDefaults) {
    ::unsetenv("VOLAX_RTI_TIMEOUT");
    EXPECT_DOUBLE_EQ(timeoutFromEnvironment(), kDefaultTimeoutSeconds);
    ::setenv("VOLAX_RTI_TIMEOUT", "0.25", 1);
    EXPECT_DOUBLE_EQ(timeoutFromEnvironment(), 0.25);
    for (const char* bad : {"0", "-1", "abc", "5s", "nan", "inf"}) {
        ::setenv("VOLAX_RTI_TIMEOUT", bad, 1);
        EXPECT_THROW(timeoutFromEnvironment(), RTI::RTIinternalError) << bad;
    }
    ::unsetenv("VOLAX_RTI_TIMEOUT");
}

TEST(ClientSettingsTest, BadAddressOrNoServerRaisesRTIinternalError) {
    for (const char* bad : {"nohostport", "127.0.0.1:", "127.0.0.1:http"}) {
        try {
            makeTcpConnection(bad);
            ADD_FAILURE() << bad;
        } catch (const RTI::RTIinternalError& e) {
            EXPECT_NE(std::string(e._reason).find("VOLAX_RTI"), std::string::npos) << e._reason;
        }
    }
    // A port nobody listens on: bind one, read its number, close it.
    std::string error;
    Fd l = listenTcp(HostPort{"127.0.0.1", 0}, error);
    ASSERT_TRUE(l.valid()) << error;
    std::string addr = "127.0.0.1:" + std::to_string(boundPort(l.get()));
    l.reset();
    try {
        makeTcpConnection(addr);
        ADD_FAILURE() << "connected to a closed port";
    } catch (const RTI::RTIinternalError& e) {
        EXPECT_NE(std::string(e._reason).find("cannot reach RTI server " + addr), std::string::npos) << e._reason;
    }
}

TEST(ClientSettingsTest, EveryRequestKindHasAServiceName) {
    for (auto k = static_cast<std::uint16_t>(MessageKind::CreateFederation);
         k <= static_cast<std::uint16_t>(MessageKind::GetObjectClass); ++k) {
        std::string name = serviceName(static_cast<MessageKind>(k));
        EXPECT_TRUE(name.size() > 3 && std::islower(static_cast<unsigned char>(name[0]))) << name;
    }
    EXPECT_STREQ(serviceName(MessageKind::JoinFederation), "joinFederationExecution");
}

TEST(ClientConnectionTest, PostsToAServerThatStopsReadingFailWithinTheTimeout) {
    // A listener nobody accepts from: the kernel takes a few megabytes, then nothing.
    std::string error;
    Fd mute = listenTcp(HostPort{"127.0.0.1", 0}, error);
    ASSERT_TRUE(mute.valid()) << error;
    TcpClientConnection conn(HostPort{"127.0.0.1", boundPort(mute.get())}, 0.2);

    Message big(MessageKind::UpdateAttributes, 1);
    big.values.push_back({0, std::string(64 * 1024, 'x')});
    auto t0 = std::chrono::steady_clock::now();
    int posted = 0;
    try {
        for (; posted < 100000; ++posted) conn.post(big);
        ADD_FAILURE() << "the socket never filled";
    } catch (const RTI::RTIinternalError& e) {
        EXPECT_NE(std::string(e._reason).find("did not accept updateAttributeValues within 0.2 s"), std::string::npos)
            << e._reason;
    }
    EXPECT_GT(posted, 10);  // a short stall is absorbed by the send buffer
    EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count(), 5.0);
    EXPECT_FALSE(conn.connected());
    // Not joined, so nothing to report from tick(); a new request connects afresh.
    EXPECT_FALSE(conn.pending());
    EXPECT_THROW(conn.call(Message(MessageKind::JoinFederation)), RTI::RTIinternalError);  // mute again: timeout
}

TEST(ClientConnectionTest, RepliesAreMatchedBySerialAndCallbacksKeptInOrder) {
    // A hand-driven server: answers a request with a stale reply, two callbacks, then the real reply.
    std::string error;
    Fd listener = listenTcp(HostPort{"127.0.0.1", 0}, error);
    ASSERT_TRUE(listener.valid()) << error;
    TcpClientConnection conn(HostPort{"127.0.0.1", boundPort(listener.get())}, 2.0);
    pollfd p{listener.get(), POLLIN, 0};
    ASSERT_EQ(::poll(&p, 1, 2000), 1);
    Fd server(::accept(listener.get(), nullptr, nullptr));
    ASSERT_TRUE(server.valid());

    std::thread peer([&] {
        RecvBuffer in;
        int err = 0;
        const std::uint8_t* f = nullptr;
        std::size_t n = 0;
        while (!in.nextFrame(f, n)) {
            pollfd q{server.get(), POLLIN, 0};
            if (::poll(&q, 1, 2000) != 1 || in.readFrom(server.get(), err) != IoStatus::Data) return;
        }
        Message rq = decode(f, n);
        SendBuffer out;
        Message stale(MessageKind::Reply, 99);
        stale.serial = rq.serial + 1000;
        out.add(stale);
        Message d(MessageKind::Discover, 5);
        out.add(d);
        Message r(MessageKind::Reflect, 5);
        r.tag = "sometag";
        out.add(r);
        Message reply(MessageKind::Reply, 42);
        reply.serial = rq.serial;
        out.add(reply);
        while (out.flush(server.get(), err) == IoStatus::WouldBlock) {
        }
    });
    Message reply = conn.call(Message(MessageKind::JoinFederation));
    peer.join();
    EXPECT_EQ(reply.kind, MessageKind::Reply);
    EXPECT_EQ(reply.handle, 42u);
    EXPECT_TRUE(conn.joined());
    ASSERT_TRUE(conn.pending());
    Message cb;
    ASSERT_TRUE(conn.poll(cb));
    EXPECT_EQ(cb.kind, MessageKind::Discover);
    ASSERT_TRUE(conn.poll(cb));
    EXPECT_EQ(cb.kind, MessageKind::Reflect);
    EXPECT_FALSE(conn.poll(cb));

    // The server goes: joined, so poll() reports it once the queue is empty.
    server.reset();
    EXPECT_TRUE(conn.waitForCallbacks(2.0));
    EXPECT_THROW(conn.poll(cb), RTI::RTIinternalError);
}
