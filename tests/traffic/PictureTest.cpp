// The picture from the outside: what is fed in, what comes out to draw and to put
// on TCAS. Positions and frames come from GeographicLib.
#include <gtest/gtest.h>

#include <GeographicLib/Geocentric.hpp>

#include <cmath>
#include <cstring>
#include <string>

#include "TrafficPicture.h"
#include "TruthSupport.h"

using namespace truth;
using traffic::DrawnEntity;
using traffic::EntityUpdate;
using traffic::TrafficPicture;

namespace {

const double kLat = 50.9, kLon = 6.95;  // the frame origin and where the ownship flies

class Trace {
public:
    Trace() : file_(std::tmpfile()) {}
    ~Trace() { std::fclose(file_); }
    FILE* get() { return file_; }
    std::string take() {
        std::fflush(file_);
        std::string text;
        std::rewind(file_);
        char b[4096];
        std::size_t n;
        while ((n = std::fread(b, 1, sizeof b, file_)) > 0) text.append(b, n);
        std::fclose(file_);
        file_ = std::tmpfile();
        return text;
    }

private:
    FILE* file_;
};

int lines(const std::string& text) {
    int n = 0;
    for (char c : text) n += c == '\n';
    return n;
}

// A state at a geodetic point with a local attitude and an ENU velocity, in
// geocentric terms; algorithm FPW unless told.
Spatial at(double lat, double lon, double h, double heading = 0, double pitch = 0, double roll = 0,
           V3 enuVelocity = {0, 0, 0}, DeadReckoningAlgorithm algorithm = DRM_FPW) {
    V3 p;
    const M3 enu = enuToEcef(lat, lon, h, &p);
    double psi, theta, phi;
    euler(mul(enu, bodyToEnu(heading, pitch, roll)), psi, theta, phi);
    const V3 v = times(enu, enuVelocity);
    Spatial s;
    std::memset(&s, 0, sizeof s);
    s.algorithm = algorithm;
    s.worldLocation = {p[0], p[1], p[2]};
    s.orientation = {static_cast<float>(psi), static_cast<float>(theta), static_cast<float>(phi)};
    s.velocity = {static_cast<float>(v[0]), static_cast<float>(v[1]), static_cast<float>(v[2])};
    return s;
}

EntityUpdate update(const Spatial& s, EntityType type = {1, 2, 225, 1, 1, 0, 0}, uint16_t number = 1) {
    EntityUpdate u;
    u.hasSpatial = true;
    u.spatial = s;
    u.hasEntityType = true;
    u.entityType = type;
    u.hasEntityIdentifier = true;
    u.entityIdentifier = {1, 3, number};
    return u;
}

traffic::OwnshipPosition ownship(double h = 1000) {
    traffic::OwnshipPosition o;
    o.latitude = kLat;
    o.longitude = kLon;
    o.height = h;
    return o;
}

traffic::FrameOrigin origin() {
    traffic::FrameOrigin f;
    f.latRef = kLat;
    f.lonRef = kLon;
    return f;
}

// Geodetic point `north`/`east` metres from the origin on the ellipsoid, at height h.
void offset(double north, double east, double h, double& lat, double& lon) {
    const M3 enu = enuToEcef(kLat, kLon, 0);
    V3 o;
    enuToEcef(kLat, kLon, 0, &o);
    const V3 p = add(o, times(enu, {east, north, 0}));
    double hh;
    GeographicLib::Geocentric::WGS84().Reverse(p[0], p[1], p[2], lat, lon, hh);
    (void)h;
}

TEST(TrafficPicture, PoseAgainstTheLocalFrame) {
    struct Row {
        double north, east, h, heading, pitch, roll;
    } rows[] = {
        {0, 0, 500, 0, 0, 0},          {0, 0, 500, 90, 0, 0},        {0, 0, 500, 359.5, 0, 0},
        {0, 0, 500, 123, 10, -35},     {2000, -3000, 800, 250, -5, 60}, {0, 0, 500, 45, 89.99, 0},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.heading);
        double lat, lon;
        offset(r.north, r.east, r.h, lat, lon);
        TrafficPicture p;
        const V3 velocity{30, -40, 5};
        p.reflect(7, update(at(lat, lon, r.h, r.heading, r.pitch, r.roll, velocity, DRM_FPW)), 0);
        p.advance(0, ownship(), origin());
        ASSERT_EQ(p.drawn().size(), 1u);
        const traffic::EntityPose& pose = p.drawn()[0].pose;
        EXPECT_NEAR(pose.latitude, lat, 1e-9);
        EXPECT_NEAR(pose.longitude, lon, 1e-9);
        EXPECT_NEAR(pose.height, r.h, 1e-3);
        // Within a few km the flat frame's axes differ from the entity's own by
        // under 0.03 degrees; the float orientation on the wire adds 1e-5.
        const double tolerance = (r.north || r.east) ? 0.05 : 2e-4;
        EXPECT_NEAR(std::remainder(pose.heading - r.heading, 360.0), 0, r.pitch > 89 ? 0.1 : tolerance);
        EXPECT_GE(pose.heading, 0);
        EXPECT_LT(pose.heading, 360);
        EXPECT_NEAR(pose.pitch, r.pitch, tolerance);
        if (r.pitch < 89) {
            EXPECT_NEAR(pose.roll, r.roll, tolerance);
        }
        // Local axes: x east, y up, z south.
        EXPECT_NEAR(pose.vx, 30, 0.05);
        EXPECT_NEAR(pose.vy, 5, 0.05);
        EXPECT_NEAR(pose.vz, 40, 0.05);
    }
}

// Far from the origin the flat frame tilts against the entity's horizon: a level
// entity 100 km north shows its nose down by the angle between the two verticals.
TEST(TrafficPicture, AttitudeIsAgainstTheOriginNotTheEntityHorizon) {
    double lat, lon;
    offset(100000, 0, 0, lat, lon);
    TrafficPicture p;
    p.reflect(1, update(at(lat, lon, 3000, 0, 0, 0)), 0);
    p.advance(0, ownship(), origin());
    ASSERT_EQ(p.drawn().size(), 1u);
    V3 o, e;
    const M3 mo = enuToEcef(kLat, kLon, 0, &o);
    const M3 me = enuToEcef(lat, lon, 0, &e);
    // Angle between the two up axes (third columns).
    const V3 upO{mo[0][2], mo[1][2], mo[2][2]}, upE{me[0][2], me[1][2], me[2][2]};
    const double tilt = std::acos(dot(upO, upE)) * 180 / 3.14159265358979323846;
    EXPECT_GT(tilt, 0.8);
    EXPECT_NEAR(p.drawn()[0].pose.pitch, -tilt, 1e-3);
}

TEST(TrafficPicture, ConvergesToACorrectionWithinOneSecond) {
    const V3 east{100, 0, 0};
    TrafficPicture p;
    p.reflect(1, update(at(kLat, kLon, 1000, 90, 0, 0, east)), 0);
    p.advance(2.0, ownship(), origin());
    const traffic::EntityPose before = p.drawn()[0].pose;
    // The update says the entity is 40 m further north and turned 30 degrees.
    double lat, lon;
    offset(40, 200, 1000, lat, lon);
    p.reflect(1, update(at(lat, lon, 1000, 120, 0, 0, east)), 2.0);
    p.advance(2.0, ownship(), origin());
    const traffic::EntityPose now = p.drawn()[0].pose;
    EXPECT_NEAR(now.latitude, before.latitude, 1e-9) << "no jump at the update";
    EXPECT_NEAR(now.longitude, before.longitude, 1e-9);
    EXPECT_NEAR(now.heading, before.heading, 1e-3);
    double lastHeading = now.heading;
    for (double t : {2.25, 2.5, 2.75}) {
        p.advance(t, ownship(), origin());
        const float h = p.drawn()[0].pose.heading;
        EXPECT_GT(h, lastHeading) << t;
        EXPECT_LT(h, 120) << t;
        lastHeading = h;
    }
    // Past the second: the new update's extrapolation (to the millimetre that
    // the frame-to-frame geodetic conversion allows).
    TrafficPicture truthPicture;
    truthPicture.reflect(1, update(at(lat, lon, 1000, 120, 0, 0, east)), 2.0);
    for (double t : {3.0, 3.5}) {
        p.advance(t, ownship(), origin());
        truthPicture.advance(t, ownship(), origin());
        EXPECT_NEAR(p.drawn()[0].pose.latitude, truthPicture.drawn()[0].pose.latitude, 1e-8);
        EXPECT_EQ(p.drawn()[0].pose.heading, truthPicture.drawn()[0].pose.heading);
    }
}

TEST(TrafficPicture, AnOriginShiftTurnsTheDrawnAttitudeWithTheFrame) {
    // Attitudes are measured against the origin's axes: a new origin 0.5 degrees
    // east must show the same entity with a new heading, as a fresh picture does.
    const Spatial s = at(kLat, kLon + 0.25, 1000, 30, 0, 0, {0, 0, 0}, DRM_FPW);
    TrafficPicture p, fresh;
    p.reflect(1, update(s), 0);
    fresh.reflect(1, update(s), 0);
    p.advance(0.5, ownship(), origin());
    const float before = p.drawn()[0].pose.heading;
    traffic::FrameOrigin moved = origin();
    moved.lonRef += 0.5;
    p.advance(0.6, ownship(), moved);
    fresh.advance(0.6, ownship(), moved);
    EXPECT_EQ(p.drawn()[0].pose.heading, fresh.drawn()[0].pose.heading);
    EXPECT_GT(std::fabs(p.drawn()[0].pose.heading - before), 0.3f);  // the meridians converge 0.39 degrees
}

TEST(TrafficPicture, FrozenEntitiesStayPut) {
    Spatial s = at(kLat, kLon, 1000, 10, 0, 0, {50, 50, 0}, DRM_RVW);
    s.acceleration = {1, 1, 1};
    s.isFrozen = 1;
    TrafficPicture p;
    p.reflect(1, update(s), 0);
    p.advance(0.1, ownship(), origin());
    const traffic::EntityPose first = p.drawn()[0].pose;
    p.advance(5, ownship(), origin());
    EXPECT_EQ(p.drawn()[0].pose.latitude, first.latitude);
    EXPECT_EQ(p.drawn()[0].pose.height, first.height);
    EXPECT_TRUE(p.drawn()[0].frozen);
    EXPECT_EQ(p.drawn()[0].pose.vx, 0);
    // Unfrozen, it moves again.
    s.isFrozen = 0;
    p.reflect(1, update(s), 5);
    p.advance(6, ownship(), origin());
    EXPECT_NE(p.drawn()[0].pose.latitude, first.latitude);
    EXPECT_FALSE(p.drawn()[0].frozen);
}

TEST(TrafficPicture, HostileStatesAreFrozenOrNotDrawnWithOneTraceLine) {
    struct Row {
        const char* name;
        void (*spoil)(Spatial&);
        bool drawn;
    } rows[] = {
        {"NaN location", [](Spatial& s) { s.worldLocation.y = std::nan(""); }, false},
        {"inside the earth", [](Spatial& s) { s.worldLocation = {1000, 0, 0}; }, false},
        {"far in space", [](Spatial& s) { s.worldLocation = {2e8, 0, 0}; }, false},
        {"infinite orientation", [](Spatial& s) { s.orientation.x = INFINITY; }, false},
        {"algorithm Other", [](Spatial& s) { s.algorithm = 0; }, true},
        {"algorithm 12", [](Spatial& s) { s.algorithm = 12; }, true},
        {"NaN velocity", [](Spatial& s) { s.velocity.z = std::nan(""); }, true},
        {"absurd velocity", [](Spatial& s) { s.velocity.x = 3e5f; }, true},
        {"absurd acceleration", [](Spatial& s) { s.algorithm = DRM_RVW; s.acceleration.y = -1e6f; }, true},
        {"infinite rotation", [](Spatial& s) { s.algorithm = DRM_RPB; s.angularVelocity.x = INFINITY; }, true},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        Trace trace;
        TrafficPicture p;
        p.setTraceStream(trace.get());
        Spatial s = at(kLat, kLon, 1000, 0, 0, 0, {100, 0, 0});
        r.spoil(s);
        for (double t : {0.0, 0.5, 1.0}) p.reflect(1, update(s), t);  // repeated: still one line
        p.advance(3, ownship(), origin());
        const std::string text = trace.take();
        EXPECT_EQ(lines(text), 1) << text;
        EXPECT_NE(text.find(r.drawn ? "frozen" : "not drawn"), std::string::npos) << text;
        ASSERT_EQ(p.drawn().size(), r.drawn ? 1u : 0u);
        if (r.drawn) {
            EXPECT_TRUE(p.drawn()[0].frozen);
            EXPECT_TRUE(std::isfinite(p.drawn()[0].pose.latitude));
            EXPECT_NEAR(p.drawn()[0].pose.latitude, kLat, 1e-9) << "stays where it was reported";
        }
        // A good update afterwards brings it back.
        p.reflect(1, update(at(kLat, kLon, 1000)), 4);
        p.advance(4, ownship(), origin());
        EXPECT_EQ(p.drawn().size(), 1u);
        EXPECT_FALSE(p.drawn()[0].frozen);
    }
    // Members the algorithm does not use are not judged.
    Spatial s = at(kLat, kLon, 1000, 0, 0, 0, {100, 0, 0}, DRM_FPW);
    s.acceleration.x = std::nan("");
    s.angularVelocity.y = INFINITY;
    TrafficPicture p;
    p.reflect(1, update(s), 0);
    p.advance(1, ownship(), origin());
    ASSERT_EQ(p.drawn().size(), 1u);
    EXPECT_FALSE(p.drawn()[0].frozen);
}

TEST(TrafficPicture, TimeoutsAndRemoval) {
    struct Row {
        double timeout, lastUpdate, now;
        bool kept;
    } rows[] = {{12, 0, 11.9, true}, {12, 0, 12.1, false}, {0, 0, 3600, true}, {5, 10, 14, true}};
    for (const Row& r : rows) {
        Trace trace;
        TrafficPicture p;
        p.setTraceStream(trace.get());
        traffic::TrafficLimits limits;
        limits.entityTimeout = r.timeout;
        p.setLimits(limits);
        p.reflect(1, update(at(kLat, kLon, 1000)), 0);
        if (r.lastUpdate > 0) p.reflect(1, EntityUpdate(), r.lastUpdate);  // any attribute counts
        p.advance(r.now, ownship(), origin());
        EXPECT_EQ(p.contains(1), r.kept) << r.timeout << " " << r.now;
        EXPECT_EQ(p.drawn().size(), r.kept ? 1u : 0u);
        EXPECT_EQ(trace.take().find("timed out") != std::string::npos, !r.kept);
    }
    TrafficPicture p;
    p.reflect(1, update(at(kLat, kLon, 1000)), 0);
    p.remove(1);
    p.advance(0, ownship(), origin());
    EXPECT_TRUE(p.drawn().empty());
    EXPECT_EQ(p.size(), 0u);
}

TEST(TrafficPicture, AFloodOfRegistrationsStaysBounded) {
    Trace trace;
    TrafficPicture p;
    p.setTraceStream(trace.get());
    traffic::TrafficLimits limits;
    limits.capacity = 100;
    limits.maxEntities = 10;
    p.setLimits(limits);
    for (traffic::EntityKey k = 0; k < 5000; ++k) p.discover(k, 0);
    for (traffic::EntityKey k = 5000; k < 6000; ++k) p.reflect(k, update(at(kLat, kLon, 1000)), 0);
    EXPECT_EQ(p.size(), 100u);
    EXPECT_FALSE(p.discover(99999, 0));
    EXPECT_EQ(lines(trace.take()), 1);
    // Room again after removals.
    p.remove(3);
    EXPECT_TRUE(p.discover(99999, 0));
}

TEST(TrafficPicture, DrawsTheNearestMaxEntities) {
    TrafficPicture p;
    traffic::TrafficLimits limits;
    limits.maxEntities = 5;
    p.setLimits(limits);
    // Keys 1..20 at 1..20 km, in shuffled order of feeding.
    for (int i = 0; i < 20; ++i) {
        const int k = (i * 7) % 20 + 1;
        double lat, lon;
        offset(k * 1000.0, 0, 1000, lat, lon);
        p.reflect(k, update(at(lat, lon, 1000)), 0);
    }
    p.advance(0, ownship(), origin());
    ASSERT_EQ(p.drawn().size(), 5u);
    for (int i = 0; i < 5; ++i) EXPECT_EQ(p.drawn()[i].key, static_cast<traffic::EntityKey>(i + 1));
    EXPECT_NEAR(p.drawn()[0].distance, 1000, 1);
}

}  // namespace

// A gateway relays one aircraft onto the second network: drawn once, under the key
// heard first, until that one goes; an identifier given up frees the other copy.
TEST(TrafficPicture, OneIdentifierOnTwoNetworksIsDrawnOnce) {
    TrafficPicture picture;
    const Spatial s = at(kLat, kLon, 1500, 0, 0, 0, {0, 100, 0});
    const traffic::EntityKey hla = 7, dis = (uint64_t(1) << 63) | 7;
    EntityUpdate relayed = update(s);
    relayed.network = 1;
    picture.reflect(hla, update(s), 0.0);
    picture.reflect(dis, relayed, 0.0);
    picture.reflect(9, update(s), 0.0);  // a second federate numbered alike: drawn
    picture.advance(0.05, ownship(), origin());
    EXPECT_EQ(picture.drawn().size(), 2u);
    picture.remove(9);
    picture.reflect(8, update(s, {1, 2, 225, 1, 1, 0, 0}, 2), 0.0);
    picture.advance(0.1, ownship(), origin());
    ASSERT_EQ(picture.drawn().size(), 2u);
    EXPECT_EQ(picture.tcasTargets().size(), 2u);
    for (const traffic::DrawnEntity& e : picture.drawn()) EXPECT_NE(e.key, dis);

    picture.remove(hla);
    picture.reflect(dis, relayed, 0.2);  // the next PDU takes over
    picture.advance(0.3, ownship(), origin());
    ASSERT_EQ(picture.drawn().size(), 2u);
    EXPECT_TRUE(picture.drawn()[0].key == dis || picture.drawn()[1].key == dis);

    picture.reflect(8, update(s, {1, 2, 225, 1, 1, 0, 0}, 3), 0.4);  // renumbered: 1:3:2 is free
    picture.reflect(hla, update(s, {1, 2, 225, 1, 1, 0, 0}, 2), 0.4);
    picture.advance(0.5, ownship(), origin());
    EXPECT_EQ(picture.drawn().size(), 3u);
}
