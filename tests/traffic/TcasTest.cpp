// TCAS targets: which entities, their addresses and flight ids.
#include <gtest/gtest.h>

#include <GeographicLib/Geocentric.hpp>

#include <cstring>
#include <map>
#include <set>
#include <string>

#include "Marking.h"
#include "ModeS.h"
#include "TrafficPicture.h"
#include "TruthSupport.h"

using namespace truth;

namespace {

const double kLat = -33.9, kLon = 151.2;

// An FPW state `north` metres from the ownship at height h with an ENU velocity.
Spatial state(double north, double h, V3 velocity) {
    V3 o;
    const M3 enu = enuToEcef(kLat, kLon, h, &o);
    const V3 p = add(o, times(enu, {0, north, 0}));
    const V3 v = times(enu, velocity);
    Spatial s;
    std::memset(&s, 0, sizeof s);
    s.algorithm = DRM_FPW;
    s.worldLocation = {p[0], p[1], p[2]};
    s.velocity = {static_cast<float>(v[0]), static_cast<float>(v[1]), static_cast<float>(v[2])};
    return s;
}

traffic::EntityUpdate entity(const Spatial& s, EntityType type, EntityIdentifier id, const char* marking) {
    traffic::EntityUpdate u;
    u.hasSpatial = true;
    u.spatial = s;
    u.hasEntityType = true;
    u.entityType = type;
    u.hasEntityIdentifier = true;
    u.entityIdentifier = id;
    if (marking) {
        u.hasMarking = true;
        u.markingEncoding = 1;
        std::memcpy(u.marking, marking, std::min<std::size_t>(std::strlen(marking), 11));
    }
    return u;
}

const EntityType kAirliner{1, 2, 225, 1, 1, 0, 0};
const EntityType kTank{1, 1, 225, 1, 1, 0, 0};
const EntityType kMissile{2, 2, 225, 1, 1, 0, 0};

void advance(traffic::TrafficPicture& p, double now) {
    traffic::OwnshipPosition o;
    o.latitude = kLat;
    o.longitude = kLon;
    o.height = 1000;
    traffic::FrameOrigin f;
    f.latRef = kLat;
    f.lonRef = kLon;
    p.advance(now, o, f);
}

TEST(TcasTargets, NearestAirborneAirPlatformsOnly) {
    traffic::TrafficPicture p;
    traffic::TrafficLimits limits;
    limits.maxEntities = 10;  // fewer drawn than on TCAS: both lists are chosen on their own
    p.setLimits(limits);
    // 100 fast aircraft at 1..100 km; non-targets nearer than all of them.
    for (int i = 1; i <= 100; ++i)
        p.reflect(i, entity(state(i * 1000.0, 3000, {0, 120, 0}), kAirliner, {1, 1, uint16_t(i)}, "AC"), 0);
    p.reflect(201, entity(state(100, 1000, {0, 20, 0}), kTank, {1, 1, 201}, "TANK"), 0);
    p.reflect(202, entity(state(200, 1000, {0, 300, 0}), kMissile, {1, 1, 202}, "AIM"), 0);
    p.reflect(203, entity(state(300, 1000, {0, 12, 0}), kAirliner, {1, 1, 203}, "TAXI"), 0);
    Spatial parked = state(400, 1000, {0, 0, 0});
    parked.isFrozen = 1;
    p.reflect(204, entity(parked, kAirliner, {1, 1, 204}, "PARKED"), 0);
    advance(p, 0);
    ASSERT_EQ(p.tcasTargets().size(), 63u);  // X-Plane's 64 slots less the user's
    for (std::size_t i = 0; i < p.tcasTargets().size(); ++i) {
        EXPECT_EQ(p.tcasTargets()[i].key, i + 1);
        EXPECT_EQ(p.tcasTargets()[i].ssrMode, 3);
    }
    EXPECT_EQ(p.drawn().size(), 10u);
    EXPECT_EQ(p.drawn()[0].key, 201u);
}

TEST(TcasTargets, APausedAircraftStaysATarget) {
    traffic::TrafficPicture p;
    Spatial paused = state(1000, 3000, {0, 120, 0});
    paused.isFrozen = 1;
    p.reflect(1, entity(paused, kAirliner, {1, 1, 1}, "PAUSED"), 0);
    advance(p, 2);
    ASSERT_EQ(p.tcasTargets().size(), 1u);
    EXPECT_EQ(p.tcasTargets()[0].pose.vz, 0) << "drawn standing still";
}

TEST(TcasTargets, TerrainDecidesWhoIsOnTheGround) {
    traffic::TrafficPicture p;
    // Terrain at 950 m: an aircraft 5 m above it is on the ground at any speed; a
    // hovering helicopter 100 m above is airborne.
    p.setGroundQuery([](double, double, double& ground) {
        ground = 950;
        return true;
    });
    p.reflect(1, entity(state(1000, 955, {0, 70, 0}), kAirliner, {1, 1, 1}, "ROLL"), 0);
    p.reflect(2, entity(state(2000, 1050, {0, 0, 0}), kAirliner, {1, 1, 2}, "HOVER"), 0);
    advance(p, 0);
    ASSERT_EQ(p.tcasTargets().size(), 1u);
    EXPECT_EQ(p.tcasTargets()[0].key, 2u);
}

TEST(TcasTargets, AddressesAreStableAndUnique) {
    traffic::TrafficPicture p;
    // Keys 1 and 2 share an identifier (a duplicate federate): same hash, distinct addresses.
    p.reflect(1, entity(state(1000, 3000, {0, 100, 0}), kAirliner, {7, 8, 9}, "A"), 0);
    p.reflect(2, entity(state(2000, 3000, {0, 100, 0}), kAirliner, {7, 8, 9}, "B"), 0);
    for (int i = 3; i <= 60; ++i)
        p.reflect(i, entity(state(i * 1000.0, 3000, {0, 100, 0}), kAirliner, {7, 8, uint16_t(i)}, "C"), 0);
    std::map<traffic::EntityKey, uint32_t> first;
    for (double t : {0.0, 0.5, 1.0}) {
        advance(p, t);
        std::set<uint32_t> seen;
        for (const traffic::TcasTarget& target : p.tcasTargets()) {
            EXPECT_GE(target.modeSId, 1u);
            EXPECT_LE(target.modeSId, 0xFFFFFEu);
            EXPECT_TRUE(seen.insert(target.modeSId).second) << "duplicate address";
            if (t == 0) first[target.key] = target.modeSId;
            else EXPECT_EQ(first[target.key], target.modeSId) << "address changed";
        }
    }
    EXPECT_EQ(first[1], traffic::ModeSAllocator::derive({7, 8, 9}));
    EXPECT_NE(first[2], first[1]);
    // Neighbouring identifiers do not crowd neighbouring addresses.
    std::set<uint32_t> derived;
    for (uint32_t n = 0; n < 65536; ++n) derived.insert(traffic::ModeSAllocator::derive({1, 1, uint16_t(n)}));
    EXPECT_GT(derived.size(), 65000u);
    // An address held by a removed entity is free again.
    p.remove(1);
    p.reflect(1, entity(state(1000, 3000, {0, 100, 0}), kAirliner, {7, 8, 9}, "A"), 2);
    advance(p, 2);
    EXPECT_EQ(p.tcasTargets()[0].modeSId, first[1]);
}

TEST(TcasTargets, FlightIdsFromMarkings) {
    struct Row {
        const char raw[11];
        const char* marking;
        const char* flightId;
    } rows[] = {
        {"", "", ""},
        {"DLH4X", "DLH4X", "DLH4X"},
        {{'L', 'O', 'N', 'G', 'C', 'A', 'L', 'L', 'S', 'I', 'G'}, "LONGCALLSIG", "LONGCAL"},
        {"  VIPER 1", "  VIPER 1", "VIPER 1"},
        {"AB\x01\xff", "AB??", "AB??"},
        {"X\0HIDDEN", "X", "X"},
        {"      ", "      ", ""},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.marking);
        char marking[traffic::kMarkingChars + 1];
        std::memset(marking, 'Z', sizeof marking);
        traffic::normalizeMarking(r.raw, marking);
        EXPECT_STREQ(marking, r.marking);
        char flightId[traffic::kFlightIdSize];
        traffic::flightIdFromMarking(marking, flightId);
        EXPECT_STREQ(flightId, r.flightId);
    }
    // Through the picture: the TCAS target carries it.
    traffic::TrafficPicture p;
    p.reflect(1, entity(state(1000, 3000, {0, 100, 0}), kAirliner, {1, 1, 1}, "QFA12 HEAVY"), 0);
    advance(p, 0);
    ASSERT_EQ(p.tcasTargets().size(), 1u);
    EXPECT_STREQ(p.tcasTargets()[0].flightId, "QFA12 H");
    EXPECT_STREQ(p.drawn()[0].marking, "QFA12 HEAVY");
}

}  // namespace
