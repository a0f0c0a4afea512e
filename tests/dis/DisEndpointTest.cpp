// The UDP endpoint on loopback only: a multicast group joined on the loopback
// interface, the loopback network's broadcast address, and unicast to 127.0.0.1.

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "DisEndpoint.h"
#include "DisPdu.h"
#include "TestPlatform.h"

namespace {

using namespace dis;

// Ports apart from the default, and per test, so parallel runs do not meet.
uint16_t testPort(int n) { return static_cast<uint16_t>(41000 + (volax::test::processId() % 2000) * 4 + n); }

DisAddress address(const std::string& text) {
    DisAddress a;
    std::string error;
    EXPECT_TRUE(parseDisAddress(text, a, error)) << text << ": " << error;
    return a;
}

std::vector<std::string> drain(DisEndpoint& e, std::size_t limit = 100) {
    std::vector<std::string> got;
    for (int wait = 0; wait < 50 && got.empty(); ++wait) {
        e.receive([&](const uint8_t* d, std::size_t n) { got.emplace_back(reinterpret_cast<const char*>(d), n); },
                  limit);
        if (got.empty()) std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return got;
}

}  // namespace

TEST(DisAddress, ParsesAddressPortAndInterface) {
    struct Case {
        const char* text;
        bool ok;
        uint32_t address;
        uint16_t port;
        uint32_t interfaceAddress;
    } cases[] = {
        {"127.0.0.1", true, 0x7F000001, 3000, 0},
        {"239.1.2.3:3001", true, 0xEF010203, 3001, 0},
        {"239.1.2.3:62040@127.0.0.1", true, 0xEF010203, 62040, 0x7F000001},
        {"127.255.255.255:3000", true, 0x7FFFFFFF, 3000, 0},
        {"", false, 0, 0, 0},
        {"0.0.0.0", false, 0, 0, 0},
        {"localhost", false, 0, 0, 0},
        {"127.0.0.1:", false, 0, 0, 0},
        {"127.0.0.1:0", false, 0, 0, 0},
        {"127.0.0.1:65536", false, 0, 0, 0},
        {"127.0.0.1:30x", false, 0, 0, 0},
        {"239.1.2.3@lo", false, 0, 0, 0},
    };
    for (const Case& c : cases) {
        DisAddress a;
        std::string error;
        ASSERT_EQ(parseDisAddress(c.text, a, error), c.ok) << c.text;
        if (!c.ok) {
            EXPECT_FALSE(error.empty()) << c.text;
            continue;
        }
        EXPECT_EQ(a.address, c.address) << c.text;
        EXPECT_EQ(a.port, c.port) << c.text;
        EXPECT_EQ(a.interfaceAddress, c.interfaceAddress) << c.text;
    }
}

// Two applications of one machine share a port through a group on the loopback interface.
TEST(DisEndpoint, MulticastGroupSharesThePort) {
    const std::string where = "239.255.77.1:" + std::to_string(testPort(0)) + "@127.0.0.1";
    DisEndpoint a, b;
    std::string error;
    ASSERT_TRUE(a.open(address(where), error)) << error;
    ASSERT_TRUE(b.open(address(where), error)) << error;
    EXPECT_TRUE(a.multicasting());
    EXPECT_FALSE(a.broadcasting());
    const uint8_t hello[] = {1, 2, 3};
    ASSERT_TRUE(a.send(hello, sizeof hello));
    EXPECT_EQ(drain(b), std::vector<std::string>{std::string("\x01\x02\x03", 3)});
    EXPECT_EQ(drain(a).size(), 1u);  // its own send comes back: the receiver must know itself
}

// The flag is set for a broadcast address alone: loopback's own, never a real network's.
TEST(DisEndpoint, BroadcastFlagOnlyForABroadcastAddress) {
    DisEndpoint bcast, plain;
    std::string error;
    ASSERT_TRUE(bcast.open(address("127.255.255.255:" + std::to_string(testPort(1))), error)) << error;
    EXPECT_TRUE(bcast.broadcasting());
    ASSERT_TRUE(plain.open(address("127.0.0.1:" + std::to_string(testPort(2))), error)) << error;
    EXPECT_FALSE(plain.broadcasting());
    EXPECT_FALSE(plain.multicasting());
    const uint8_t ping[] = {9};
    EXPECT_TRUE(bcast.send(ping, 1));
    EXPECT_EQ(drain(bcast).size(), 1u);
}

// A flood is taken in bounded bites, and a datagram longer than any PDU is not handed on.
TEST(DisEndpoint, ReceiveIsBoundedAndDropsOversizedDatagrams) {
    DisEndpoint e;
    std::string error;
    ASSERT_TRUE(e.open(address("127.0.0.1:" + std::to_string(testPort(3))), error)) << error;
    std::vector<uint8_t> big(MAX_PDU_SIZE + 100, 7);
    ASSERT_TRUE(e.send(big.data(), big.size()));
    const uint8_t small[] = {1, 2};
    for (int i = 0; i < 10; ++i) ASSERT_TRUE(e.send(small, sizeof small));
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    std::size_t handed = 0;
    EXPECT_EQ(e.receive([&](const uint8_t*, std::size_t n) { handed += n == 2; }, 4), 4u);
    EXPECT_EQ(handed, 3u);  // the oversized one counted, not handed
    EXPECT_EQ(e.receive([&](const uint8_t*, std::size_t) { ++handed; }, 100), 7u);
    EXPECT_EQ(e.receive([&](const uint8_t*, std::size_t) { ++handed; }, 100), 0u);
}
