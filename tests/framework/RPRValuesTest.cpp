#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "FrameworkTestSupport.h"
#include "RPRValues.h"

namespace {

uint32_t floatBits(float f) {
    uint32_t u;
    std::memcpy(&u, &f, 4);
    return u;
}

float floatFromBits(uint32_t u) {
    float f;
    std::memcpy(&f, &u, 4);
    return f;
}

double doubleFromBits(uint64_t u) {
    double d;
    std::memcpy(&d, &u, 8);
    return d;
}

Vector3f vec(float x, float y, float z) {
    return Vector3f{x, y, z};
}

// Every member distinct and non-zero so that a misplaced field shows.
Spatial sampleSpatial(DeadReckoningAlgorithm a) {
    Spatial s;
    std::memset(&s, 0, sizeof s);
    s.algorithm = a;
    s.worldLocation = WorldLocation{1.0, -2.0, 4096.5};
    s.isFrozen = 1;
    s.orientation = vec(0.5f, -0.25f, 1.0f);
    s.velocity = vec(10.0f, 11.0f, 12.0f);
    s.acceleration = vec(20.0f, 21.0f, 22.0f);
    s.angularVelocity = vec(30.0f, 31.0f, 32.0f);
    return s;
}

std::string vectorBytes(const Vector3f& v) {
    return encoded(vectorToNet(v), 12);
}

bool sameBits(const Vector3f& a, const Vector3f& b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

bool isZero(const Vector3f& v) {
    return floatBits(v.x) == 0 && floatBits(v.y) == 0 && floatBits(v.z) == 0;
}

}  // namespace

TEST(RPRValues, EncodesTheWireExamples) {
    EXPECT_EQ(encoded(entityIdentifierToNet(EntityIdentifier{1, 2, 3}), 6), bytes({0, 1, 0, 2, 0, 3}));
    EXPECT_EQ(encoded(entityTypeToNet(EntityType{1, 2, 225, 1, 2, 3, 4}), 8), bytes({1, 2, 0, 0xE1, 1, 2, 3, 4}));
    EXPECT_EQ(encoded(clockTimeToNet(ClockTime{1, 2}), 8), bytes({0, 0, 0, 1, 0, 0, 0, 2}));
    EXPECT_EQ(encoded(clockTimeToNet(ClockTime{-1, 0x80000000u}), 8),
              bytes({0xFF, 0xFF, 0xFF, 0xFF, 0x80, 0, 0, 0}));
    EXPECT_EQ(encoded(forceIdentifierToNet(ForceIdentifier(2)), 1), bytes({2}));
    EXPECT_EQ(encoded(uint16ToNet(0x1234), 2), bytes({0x12, 0x34}));
    EXPECT_EQ(encoded(uint32ToNet(0x89ABCDEFu), 4), bytes({0x89, 0xAB, 0xCD, 0xEF}));
    EXPECT_EQ(encoded(worldLocationToNet(WorldLocation{1.0, 0.0, -2.0}), 24),
              bytes({0x3F, 0xF0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xC0, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(vectorBytes(vec(1.0f, -2.0f, 0.0f)), bytes({0x3F, 0x80, 0, 0, 0xC0, 0, 0, 0, 0, 0, 0, 0}));

    char out[8];
    const double one = 1.0;
    doubleToNet(&one, out);
    EXPECT_EQ(std::string(out, 8), bytes({0x3F, 0xF0, 0, 0, 0, 0, 0, 0}));
    const float minusTwo = -2.0f;
    floatToNet(&minusTwo, out);
    EXPECT_EQ(std::string(out, 4), bytes({0xC0, 0, 0, 0}));
}

TEST(RPRValues, DecodersInvertEncodersBitForBitIncludingNaNs) {
    const uint32_t fNaNs[] = {0x7FC00000u, 0x7FA00001u, 0xFF800001u, 0x80000000u};
    const uint64_t dNaNs[] = {0x7FF8000000000000ull, 0x7FF0000000000001ull, 0xFFF4000000000123ull};
    for (uint32_t fb : fNaNs) {
        Vector3f v = vec(floatFromBits(fb), 1.5f, floatFromBits(fb ^ 1));
        NetBuffer b = vectorToNet(v);
        Vector3f back;
        ASSERT_TRUE(netToVector(b.get(), 12, back));
        EXPECT_TRUE(sameBits(v, back)) << std::hex << fb;
        uint32_t net;
        floatToNet(&v.x, &net);
        float again;
        floatToNet(&net, &again);
        EXPECT_EQ(floatBits(again), fb);
    }
    for (uint64_t db : dNaNs) {
        WorldLocation w{doubleFromBits(db), -0.0, doubleFromBits(db + 1)};
        NetBuffer b = worldLocationToNet(w);
        WorldLocation back;
        ASSERT_TRUE(netToWorldLocation(b.get(), 24, back));
        EXPECT_EQ(std::memcmp(&w, &back, sizeof w), 0) << std::hex << db;
    }

    for (DeadReckoningAlgorithm a = 1; a <= 9; ++a) {
        Spatial s = sampleSpatial(a);
        s.worldLocation.y = doubleFromBits(0x7FF0000000000001ull);
        s.orientation.z = floatFromBits(0x7FA00001u);
        s.velocity.x = floatFromBits(0xFFC00123u);
        s.angularVelocity.z = floatFromBits(0x7F800001u);
        NetBuffer b = spatialToNet(s);
        Spatial back;
        ASSERT_EQ(netToSpatial(b.get(), 88, back), SpatialDecode::Ok);
        EXPECT_EQ(back.algorithm, a);
        EXPECT_EQ(std::memcmp(&back.worldLocation, &s.worldLocation, 24), 0);
        EXPECT_EQ(back.isFrozen, 1);
        EXPECT_TRUE(sameBits(back.orientation, s.orientation));
        const bool vel = a != 1, acc = a == 4 || a == 5 || a == 8 || a == 9,
                   ang = a == 3 || a == 4 || a == 7 || a == 8;
        EXPECT_TRUE(vel ? sameBits(back.velocity, s.velocity) : isZero(back.velocity)) << int(a);
        EXPECT_TRUE(acc ? sameBits(back.acceleration, s.acceleration) : isZero(back.acceleration)) << int(a);
        EXPECT_TRUE(ang ? sameBits(back.angularVelocity, s.angularVelocity) : isZero(back.angularVelocity))
            << int(a);
    }
}

// Where each member lands for each dead-reckoning variant, and that the rest is zero.
TEST(RPRValues, SpatialVariantsPlaceCarriedMembersAndZeroTheRest) {
    struct Layout {
        DeadReckoningAlgorithm a;
        int velocity, acceleration, angular;  // offsets, -1: absent
    };
    const Layout layouts[] = {{1, -1, -1, -1}, {2, 48, -1, -1}, {3, 48, -1, 60}, {4, 48, 60, 72}, {5, 48, 60, -1},
                              {6, 48, -1, -1}, {7, 48, -1, 60}, {8, 48, 60, 72}, {9, 48, 60, -1}};
    for (const Layout& l : layouts) {
        const Spatial s = sampleSpatial(l.a);
        NetBuffer b = spatialToNet(s);
        std::string expected(88, '\0');
        expected[0] = static_cast<char>(l.a);
        expected.replace(8, 24, encoded(worldLocationToNet(s.worldLocation), 24));
        expected[32] = 1;
        expected.replace(36, 12, vectorBytes(s.orientation));
        if (l.velocity >= 0) expected.replace(l.velocity, 12, vectorBytes(s.velocity));
        if (l.acceleration >= 0) expected.replace(l.acceleration, 12, vectorBytes(s.acceleration));
        if (l.angular >= 0) expected.replace(l.angular, 12, vectorBytes(s.angularVelocity));
        EXPECT_EQ(encoded(b, 88), expected) << "algorithm " << int(l.a);
    }
}

TEST(RPRValues, ShortValuesAreRejectedAndLongOnesDecodeTheirLeadingBytes) {
    const std::string ones(32, '\x01');
    EntityIdentifier ei{9, 9, 9};
    EXPECT_FALSE(netToEntityIdentifier(ones.data(), 5, ei));
    EXPECT_FALSE(netToEntityIdentifier(nullptr, 6, ei));
    EXPECT_EQ(ei.site, 9);
    EXPECT_TRUE(netToEntityIdentifier(ones.data(), 32, ei));
    EXPECT_EQ(ei.entityNumber, 0x0101);
    EntityType et{};
    WorldLocation w{};
    Vector3f v{};
    ClockTime c{};
    ForceIdentifier f = 7;
    uint16_t u16 = 0;
    uint32_t u32 = 0;
    EXPECT_FALSE(netToEntityType(ones.data(), 7, et) || netToWorldLocation(ones.data(), 23, w) ||
                 netToVector(ones.data(), 11, v) || netToClockTime(ones.data(), 7, c) ||
                 netToForceIdentifier(ones.data(), 0, f) || netToUInt16(ones.data(), 1, u16) ||
                 netToUInt32(ones.data(), 3, u32));
    EXPECT_EQ(f, 7);
}

// Peers send only the bytes their algorithm carries; fewer than that, or an algorithm
// without a wire alternative, is refused and leaves the destination untouched.
TEST(RPRValues, SpatialAcceptsCarriedLengthsAndRefusesUnknownAlgorithms) {
    const size_t carried[] = {0, 48, 60, 72, 84, 72, 60, 72, 84, 72};
    for (DeadReckoningAlgorithm a = 1; a <= 9; ++a) {
        NetBuffer b = spatialToNet(sampleSpatial(a));
        EXPECT_EQ(spatialCarriedSize(a), carried[a]);
        Spatial out = sampleSpatial(2);
        out.worldLocation.x = 77.0;
        EXPECT_EQ(netToSpatial(b.get(), carried[a] - 1, out), SpatialDecode::TooShort) << int(a);
        EXPECT_EQ(out.worldLocation.x, 77.0);
        EXPECT_EQ(netToSpatial(b.get(), carried[a], out), SpatialDecode::Ok) << int(a);
        EXPECT_EQ(out.worldLocation.x, 1.0);
    }
    NetBuffer b = spatialToNet(sampleSpatial(5));
    Spatial out = sampleSpatial(5);
    out.worldLocation.x = 77.0;
    for (int bad : {0, 10, 255}) {
        b[0] = static_cast<char>(bad);
        EXPECT_EQ(netToSpatial(b.get(), 88, out), SpatialDecode::BadAlgorithm) << bad;
    }
    EXPECT_EQ(netToSpatial(b.get(), 0, out), SpatialDecode::TooShort);
    EXPECT_EQ(out.worldLocation.x, 77.0);

    // Padding and the bytes after the carried members are not looked at.
    b = spatialToNet(sampleSpatial(3));
    for (int i : {1, 2, 3, 4, 5, 6, 7, 33, 34, 35, 72, 80, 87}) b[i] = '\x5A';
    ASSERT_EQ(netToSpatial(b.get(), 88, out), SpatialDecode::Ok);
    const Spatial s = sampleSpatial(3);
    EXPECT_EQ(std::memcmp(&out.worldLocation, &s.worldLocation, 24), 0);
    EXPECT_EQ(out.isFrozen, 1);
    EXPECT_TRUE(sameBits(out.angularVelocity, s.angularVelocity));
    EXPECT_TRUE(isZero(out.acceleration));
}

TEST(RPRValues, SpatialToNetLogsEachCoordinateOnlyWithALogStream) {
    Spatial s = sampleSpatial(5);
    s.worldLocation = WorldLocation{1.0, 2.0, -3.5};
    {
        LogCapture log;
        spatialToNet(s);
        std::vector<std::string> lines = log.lines();
        ASSERT_EQ(lines.size(), 3u);
        const double coords[3] = {1.0, 2.0, -3.5};
        const char* axes[3] = {"X", "Y", "Z"};
        for (int i = 0; i < 3; ++i) {
            double reversed;
            doubleToNet(&coords[i], &reversed);
            char expected[200];
            std::snprintf(expected, sizeof expected, "spatialToNet() : Double %s: %f -> %f", axes[i], coords[i],
                          reversed);
            EXPECT_EQ(lines[i], expected);
        }
        EXPECT_EQ(lines[0], "spatialToNet() : Double X: 1.000000 -> 0.000000");
    }
    LogCapture quiet;
    QVHLAManager::getInstance()->setLogFile(nullptr);
    spatialToNet(s);
    EXPECT_TRUE(quiet.lines().empty());
}

// MarkingStruct: encoding byte, then 11 characters NUL-padded; DamageStatusEnum32 big-endian.
TEST(RPRValues, MarkingAndDamageStateWireForms) {
    EXPECT_EQ(encoded(markingToNet(asciiMarking("N172SP")), 12),
              bytes({1, 'N', '1', '7', '2', 'S', 'P', 0, 0, 0, 0, 0}));
    // Longer than 11: cut, no terminator; control bytes and 8-bit bytes become '?'.
    EXPECT_EQ(encoded(markingToNet(asciiMarking("ABCDEFGHIJKLMN")), 12),
              bytes({1, 'A', 'B', 'C', 'D', 'E', 'F', 'G', 'H', 'I', 'J', 'K'}));
    EXPECT_EQ(encoded(markingToNet(asciiMarking("a\tb\xE9")), 12), bytes({1, 'a', '?', 'b', '?', 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(encoded(markingToNet(asciiMarking("")), 12), std::string("\x01", 1) + std::string(11, '\0'));
    EXPECT_EQ(encoded(damageStateToNet(DAMAGE_DESTROYED), 4), bytes({0, 0, 0, 3}));
    EXPECT_EQ(encoded(damageStateToNet(DAMAGE_NO_DAMAGE), 4), bytes({0, 0, 0, 0}));

    // A peer's full 11 characters, with an encoding we do not write, decode as sent.
    const std::string peer = bytes({2, 'C', 'A', 'L', 'L', 'S', 'I', 'G', 'N', '1', '2', '3'});
    Marking m = asciiMarking("x");
    EXPECT_FALSE(netToMarking(peer.data(), 11, m));
    EXPECT_FALSE(netToMarking(nullptr, 12, m));
    EXPECT_EQ(markingText(m), "x");
    ASSERT_TRUE(netToMarking(peer.data(), 12, m));
    EXPECT_EQ(m.encoding, 2);
    EXPECT_EQ(markingText(m), "CALLSIGN123");
    const std::string odd = bytes({1, 'A', 0x7F, '\n', 0, 'Z', 0, 0, 0, 0, 0, 0});
    ASSERT_TRUE(netToMarking(odd.data(), 12, m));
    EXPECT_EQ(markingText(m), "A??");

    struct Case {
        std::string wire;
        bool ok;
        DamageState value;
    } cases[] = {{bytes({0, 0, 0, 0}), true, DAMAGE_NO_DAMAGE},  {bytes({0, 0, 0, 1}), true, DAMAGE_SLIGHT},
                 {bytes({0, 0, 0, 2}), true, DAMAGE_MODERATE},   {bytes({0, 0, 0, 3, 9}), true, DAMAGE_DESTROYED},
                 {bytes({0, 0, 0, 4}), false, 0},                {bytes({3, 0, 0, 0}), false, 0},
                 {bytes({0, 0, 3}), false, 0}};
    for (const Case& c : cases) {
        DamageState d = 77;
        EXPECT_EQ(netToDamageState(c.wire.data(), c.wire.size(), d), c.ok) << testing::PrintToString(c.wire);
        EXPECT_EQ(d, c.ok ? c.value : 77u);
    }
    EXPECT_STREQ(damageStateName(DAMAGE_DESTROYED), "Destroyed");
    EXPECT_STREQ(damageStateName(DAMAGE_NO_DAMAGE), "NoDamage");
    EXPECT_STREQ(damageStateName(9), "Unknown");
}

// Big-endian IEEE bytes worked out arithmetically (sign, exponent, fraction from frexp),
// without looking at how the host lays a double out in memory.
TEST(RPRValues, FloatingPointBytesFollowTheValueNotTheHostByteOrder) {
    auto reference = [](double v, int bytes) {
        const int fractionBits = bytes == 8 ? 52 : 23, bias = bytes == 8 ? 1023 : 127;
        int e;
        const double m = std::frexp(std::fabs(v), &e);  // |v| = m * 2^e, m in [0.5, 1)
        uint64_t bits = std::signbit(v) ? 1 : 0;
        uint64_t exponent = 0, fraction = 0;
        if (v != 0.0) {
            exponent = static_cast<uint64_t>(e - 1 + bias);
            fraction = static_cast<uint64_t>(std::ldexp(m * 2.0 - 1.0, fractionBits));
        }
        bits = (bits << (bytes * 8 - 1)) | (exponent << fractionBits) | fraction;
        std::string out;
        for (int i = bytes - 1; i >= 0; --i) out.push_back(static_cast<char>((bits >> (8 * i)) & 0xFF));
        return out;
    };
    for (double v : {1.0, -2.0, 6378137.0, -4487348.41, 0.1, 1e-300, 123456789.123, -0.0, 3.0e38}) {
        char d[8];
        doubleToNet(&v, d);
        EXPECT_EQ(std::string(d, 8), reference(v, 8)) << v;
        const float f = static_cast<float>(v);
        if (v == 1e-300) continue;  // not a normal float
        char b[4];
        floatToNet(&f, b);
        EXPECT_EQ(std::string(b, 4), reference(f, 4)) << v;
    }
}
