// volax-fed fly's tracks, the truth peers check extrapolation against: the
// geometry checked in GeographicLib's local frame, and every state dead-reckoned
// by its own algorithm lands on the later truth where the algorithm is exact.
#include <gtest/gtest.h>

#include <GeographicLib/LocalCartesian.hpp>

#include <cmath>

#include "DeadReckoning.h"
#include "FlyPlan.h"
#include "SyntheticTrack.h"
#include "TruthSupport.h"

using namespace truth;

namespace {

const double kLat = 35.5, kLon = 139.7, kH = 800;

volaxfed::TrackShape shape(bool circle, DeadReckoningAlgorithm a) {
    volaxfed::TrackShape s;
    s.latitude = kLat;
    s.longitude = kLon;
    s.height = kH;
    s.radius = 2500;
    s.speed = 110;
    s.phase = 0.8;
    s.circle = circle;
    s.banked = true;
    s.algorithm = a;
    return s;
}

// The body-to-ENU matrix of a state's orientation.
M3 times3(const M3& enuToGc, const Spatial& s) {
    return mul(transpose(enuToGc), bodyToWorld(s.orientation.x, s.orientation.y, s.orientation.z));
}

V3 local(const GeographicLib::LocalCartesian& lc, const double p[3]) {
    double lat, lon, h;
    GeographicLib::Geocentric::WGS84().Reverse(p[0], p[1], p[2], lat, lon, h);
    V3 enu;
    lc.Forward(lat, lon, h, enu[0], enu[1], enu[2]);
    return enu;
}

TEST(SyntheticTrack, CircleGeometry) {
    volaxfed::SyntheticTrack track;
    const char* error = nullptr;
    ASSERT_TRUE(track.setup(shape(true, DRM_RVW), &error));
    const GeographicLib::LocalCartesian lc(kLat, kLon, kH);
    for (double t : {0.0, 7.3, 60.0, 200.0}) {
        SCOPED_TRACE(t);
        const Spatial s = track.stateAt(t);
        const double p[3] = {s.worldLocation.x, s.worldLocation.y, s.worldLocation.z};
        // In the tangent plane (LocalCartesian's frame is that plane), on the circle.
        V3 enu = local(lc, p);
        EXPECT_NEAR(std::hypot(enu[0], enu[1]), 2500, 1e-6);
        EXPECT_NEAR(enu[2], 0, 1e-5);
        // Clockwise: the velocity is the radius turned 90 degrees to the right.
        std::vector<double> m(9);
        double x, y, z;
        GeographicLib::Geocentric::WGS84().Forward(kLat, kLon, kH, x, y, z, m);
        const M3 enuToGc{{{m[0], m[1], m[2]}, {m[3], m[4], m[5]}, {m[6], m[7], m[8]}}};
        const V3 v = times(transpose(enuToGc), {s.velocity.x, s.velocity.y, s.velocity.z});
        EXPECT_NEAR(v[0], 110 * enu[1] / 2500, 1e-3);
        EXPECT_NEAR(v[1], -110 * enu[0] / 2500, 1e-3);
        EXPECT_NEAR(v[2], 0, 1e-3);
        // Centripetal acceleration v^2/r towards the centre.
        const V3 a = times(transpose(enuToGc), {s.acceleration.x, s.acceleration.y, s.acceleration.z});
        EXPECT_NEAR(a[0], -110.0 * 110.0 / 2500 * enu[0] / 2500, 1e-4);
        EXPECT_NEAR(a[1], -110.0 * 110.0 / 2500 * enu[1] / 2500, 1e-4);
        // Banked like a coordinated turn: the body's z axis leans into the turn by atan(v^2 / g r).
        const M3 body = times3(enuToGc, s);
        const double bank = std::atan(110.0 * 110.0 / (9.80665 * 2500));
        EXPECT_NEAR(-body[2][2], std::cos(bank), 1e-6);
    }
}

TEST(SyntheticTrack, LegsTurnAtTheirEnds) {
    volaxfed::SyntheticTrack track;
    const char* error = nullptr;
    ASSERT_TRUE(track.setup(shape(false, DRM_FPW), &error));
    const GeographicLib::LocalCartesian lc(kLat, kLon, kH);
    const double legTime = 2 * 2500 / 110.0;
    EXPECT_EQ(track.legAt(0), 0);
    EXPECT_EQ(track.legAt(legTime / 2 - 0.01), 0);
    EXPECT_EQ(track.legAt(legTime / 2 + 0.01), 1);
    double p[3];
    track.positionAt(legTime / 2, p);
    V3 end = local(lc, p);
    EXPECT_NEAR(std::hypot(end[0], end[1]), 2500, 1e-6);
    EXPECT_NEAR(std::atan2(end[0], end[1]), 0.8, 1e-9);  // along the bearing
    track.positionAt(legTime * 1.5, p);
    end = local(lc, p);
    EXPECT_NEAR(std::atan2(end[0], end[1]), 0.8 - 3.14159265358979323846, 1e-9);
}

// The states are dead-reckonable: each algorithm that can follow the motion
// exactly lands on the truth seconds later.
TEST(SyntheticTrack, StatesDeadReckonToTheTruth) {
    struct Row {
        bool circle;
        DeadReckoningAlgorithm algorithm;
        double tolerance;  // metres after 4 s
    } rows[] = {
        // RVW misses the turn's jerk v^3/r^2: t^3/6 of it, 2.27 m after 4 s.
        {true, DRM_RPB, 1e-3}, {true, DRM_RVB, 1e-3}, {true, DRM_RVW, 2.28},
        {false, DRM_FPW, 1e-3}, {false, DRM_RVW, 1e-3}, {false, DRM_FPB, 1e-3}, {false, DRM_RVB, 1e-3},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(static_cast<int>(r.algorithm));
        volaxfed::SyntheticTrack track;
        const char* error = nullptr;
        ASSERT_TRUE(track.setup(shape(r.circle, r.algorithm), &error));
        for (double t0 : {3.0, 17.0}) {
            DeadReckonedState out;
            ASSERT_TRUE(deadReckon(track.stateAt(t0), 4.0, out));
            double truth[3];
            track.positionAt(t0 + 4.0, truth);
            const V3 d{out.position[0] - truth[0], out.position[1] - truth[1], out.position[2] - truth[2]};
            EXPECT_LT(norm(d), r.tolerance) << t0;
            // And the attitude too, for the rotating ones.
            const Spatial later = track.stateAt(t0 + 4.0);
            if (r.algorithm == DRM_RPB || r.algorithm == DRM_RVB) {
                EXPECT_LT(maxDifference(bodyToWorld(out.psi, out.theta, out.phi),
                                        bodyToWorld(later.orientation.x, later.orientation.y, later.orientation.z)),
                          1e-5);
            }
        }
    }
}

TEST(FlyPlan, NumbersMarkingsAndSpread) {
    volaxfed::FlyRequest request;
    request.latitude = kLat;
    request.longitude = kLon;
    request.height = 1000;
    request.count = 12;
    request.markingPrefix = "LONGPREFIX";
    std::vector<volaxfed::FlyPlanEntry> plan;
    std::string error;
    ASSERT_TRUE(volaxfed::makeFlyPlan(request, plan, &error));
    ASSERT_EQ(plan.size(), 12u);
    EXPECT_EQ(plan[0].identifier.entityNumber, 1);
    EXPECT_EQ(plan[11].identifier.application, 200);
    EXPECT_EQ(markingText(plan[0].marking), "LONGPREFIX1");
    EXPECT_EQ(markingText(plan[11].marking), "LONGPREFIX1");  // "LONGPREFIX12" cut to 11
    EXPECT_EQ(plan[3].track.shape().height, 1450);
    EXPECT_EQ(plan[10].track.shape().height, 1000);
    EXPECT_NEAR(plan[11].track.shape().radius, 2000, 1e-9);
    request.longitude = 500;
    EXPECT_FALSE(volaxfed::makeFlyPlan(request, plan, &error));
}

}  // namespace
