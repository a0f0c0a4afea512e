// The platform seams under the federation key and the server's clock: HMAC-SHA256
// against RFC 4231's published vectors, and UTC conversions against known instants.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "Crypto.h"
#include "UtcTime.h"

using namespace volax::rti::net;

namespace {

std::string hex(const std::string& bytes) {
    std::string out;
    char b[3];
    for (unsigned char c : bytes) {
        std::snprintf(b, sizeof b, "%02x", c);
        out += b;
    }
    return out;
}

}  // namespace

TEST(CryptoSeamTest, HmacSha256MatchesRfc4231) {
    struct Case {
        std::string key, data, mac;
    } cases[] = {
        {std::string(20, '\x0b'), "Hi There",
         "b0344c61d8db38535ca8afceaf0bf12b881dc200c9833da726e9376c2e32cff7"},
        {"Jefe", "what do ya want for nothing?",
         "5bdcc146bf60754e6a042426089575c75a003f089d2739839dec58b964ec3843"},
        {std::string(20, '\xaa'), std::string(50, '\xdd'),
         "773ea91e36800e46854db8ebd09181a72959098b3ef8c122d9635514ced565fe"},
        // A key longer than SHA-256's block is hashed first.
        {std::string(131, '\xaa'), "Test Using Larger Than Block-Size Key - Hash Key First",
         "60e431591ee0b67f0d8a26aacbf5b77f8e0bc6213728c5140546040f0ee37f54"},
    };
    for (const Case& c : cases) EXPECT_EQ(hex(hmacSha256(c.key, c.data)), c.mac) << c.data.substr(0, 20);
}

TEST(CryptoSeamTest, RandomBytesAndComparison) {
    std::string a = randomBytes(32), b = randomBytes(32);
    EXPECT_EQ(a.size(), 32u);
    EXPECT_NE(a, b);
    EXPECT_TRUE(randomBytes(0).empty());
    EXPECT_TRUE(sameConstantTime(a, a));
    std::string c = a;
    c[31] ^= 1;
    EXPECT_FALSE(sameConstantTime(a, c));
    EXPECT_FALSE(sameConstantTime(a, a.substr(0, 31)));
}

TEST(UtcTimeSeamTest, CalendarAndSecondsAgreeWithKnownInstants) {
    struct Case {
        std::time_t t;
        int year, month, day, hour, minute, second;
    } cases[] = {
        {0, 1970, 1, 1, 0, 0, 0},
        {1104582600, 2005, 1, 1, 12, 30, 0},
        {951782400, 2000, 2, 29, 0, 0, 0},     // leap day of a century leap year
        {2147483647, 2038, 1, 19, 3, 14, 7},   // the last second of 32-bit time
    };
    for (const Case& c : cases) {
        std::tm tm{};
        ASSERT_TRUE(volax::utcCalendar(c.t, tm)) << c.t;
        EXPECT_EQ(tm.tm_year + 1900, c.year) << c.t;
        EXPECT_EQ(tm.tm_mon + 1, c.month) << c.t;
        EXPECT_EQ(tm.tm_mday, c.day) << c.t;
        EXPECT_EQ(tm.tm_hour * 3600 + tm.tm_min * 60 + tm.tm_sec, c.hour * 3600 + c.minute * 60 + c.second) << c.t;
        EXPECT_EQ(volax::utcSeconds(tm), c.t);
    }
}
