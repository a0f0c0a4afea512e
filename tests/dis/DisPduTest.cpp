// The PDU codec against the layouts of IEEE 1278.1 (offsets as the standard's tables
// give them) and against datagrams nobody should send. Reading and writing every
// field of every PDU is checked against open-dis (opendis/check.js).

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "DisPdu.h"

namespace {

using namespace dis;

EntityStatePdu sampleEntity() {
    EntityStatePdu e;
    e.entityIdentifier = {0x0102, 0x0304, 0x0506};
    e.force = 2;
    e.entityType = {1, 2, 225, 1, 3, 4, 5};
    e.alternativeType = {1, 2, 222, 6, 7, 8, 9};
    e.linearVelocity = {1.5f, -2.5f, 3.0f};
    e.location = {3912345.125, 312345.5, 5012345.75};
    e.orientation = {0.5f, -0.25f, 1.0f};
    e.appearance = platformAppearance(DAMAGE_DESTROYED, true);
    e.algorithm = DRM_FVW;
    e.otherParameters[0] = 0xAB;
    e.linearAcceleration = {0.25f, 0.5f, -9.75f};
    e.angularVelocity = {0.125f, 0.0f, -0.5f};
    e.marking.encoding = MARKING_ASCII;
    std::memcpy(e.marking.characters, "VOLAX 1", 7);
    e.capabilities = 0x11223344;
    return e;
}


}  // namespace

// Every way a datagram can lie is refused before a field is read (ASan watches the reads).
TEST(DisPdu, HostileDatagramsAreRefused) {
    PduHeader h;
    std::vector<uint8_t> es(144);
    ASSERT_EQ(encodeEntityState(h, sampleEntity(), es.data(), es.size()), 144u);
    EXPECT_EQ(encodeEntityState(h, sampleEntity(), es.data(), 143), 0u);  // no room: nothing written
    auto with = [&](std::size_t at, uint8_t value) {
        std::vector<uint8_t> v = es;
        v[at] = value;
        return v;
    };
    std::vector<uint8_t> withParameters = es;
    withParameters.resize(144 + 32);
    withParameters[9] = 144 + 32;
    withParameters[19] = 2;
    struct Case {
        const char* what;
        std::vector<uint8_t> bytes;
        Decode expected;
    } cases[] = {
        {"empty", {}, Decode::TooShort},
        {"half a header", std::vector<uint8_t>(es.begin(), es.begin() + 6), Decode::TooShort},
        {"cut after the header", std::vector<uint8_t>(es.begin(), es.begin() + 12), Decode::LengthMismatch},
        {"length says one more", with(9, 145), Decode::LengthMismatch},
        {"length says one less", with(9, 143), Decode::LengthMismatch},
        {"length says 65535", with(8, 0xFF), Decode::LengthMismatch},
        {"version 5", with(0, 5), Decode::BadVersion},
        {"version 8", with(0, 8), Decode::BadVersion},
        {"fire PDU", with(2, 2), Decode::Ignored},
        {"entity state type in the warfare family", with(3, 2), Decode::Ignored},
        {"one variable parameter counted, none there", with(19, 1), Decode::BadParameterCount},
        {"two variable parameters", withParameters, Decode::Ok},
    };
    for (const Case& c : cases) {
        Pdu p;
        std::vector<uint8_t> copy = c.bytes;  // exact size, so ASan sees any overread
        EXPECT_EQ(decodePdu(copy.data(), copy.size(), p), c.expected) << c.what;
    }
    // A header claiming a short Entity State or Detonation or a long Start/Resume.
    for (uint8_t type : {PDU_ENTITY_STATE, PDU_DETONATION, PDU_START_RESUME}) {
        for (std::size_t size : {std::size_t(12), std::size_t(43), std::size_t(45), std::size_t(103)}) {
            std::vector<uint8_t> v(size, 0);
            v[0] = 7;
            v[2] = type;
            v[3] = type == PDU_ENTITY_STATE ? 1 : type == PDU_DETONATION ? 2 : 5;
            v[8] = static_cast<uint8_t>(size >> 8);
            v[9] = static_cast<uint8_t>(size);
            Pdu p;
            EXPECT_NE(decodePdu(v.data(), v.size(), p), Decode::Ok) << int(type) << " " << size;
        }
    }
}

TEST(DisPdu, TimestampCountsPastTheHour) {
    EXPECT_EQ(timestamp(0.0, false), 0u);
    EXPECT_EQ(timestamp(0.0, true), 1u);
    EXPECT_EQ(timestamp(3600.0 + 1800.0, false), 0x80000000u);  // the hour is dropped
    EXPECT_EQ(timestamp(3599.9999999, true) >> 1, 0x7FFFFFFFu);
    EXPECT_EQ(timestamp(-1800.0, false), 0x80000000u);
    EXPECT_EQ(timestamp(NAN, true), 1u);
}
