// The correction that fades a disagreement out: starts exactly at what was drawn,
// turns through the shorter way at an even pace in angle, and is gone after one
// second. Rotations from quaternions; half turns included.
#include <gtest/gtest.h>

#include <cmath>

#include "Convergence.h"
#include "TruthSupport.h"

using namespace truth;

namespace {

DeadReckonedState state(const M3& m, V3 p) {
    DeadReckonedState s{};
    for (int i = 0; i < 3; ++i) {
        s.position[i] = p[i];
        for (int j = 0; j < 3; ++j) s.bodyToWorld.m[i][j] = m[i][j];
    }
    return s;
}

M3 matrix(const DeadReckonedState& s) {
    M3 m;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) m[i][j] = s.bodyToWorld.m[i][j];
    return m;
}

// Angle of the rotation taking b onto a.
double angleBetween(const M3& a, const M3& b) {
    const M3 d = mul(a, transpose(b));
    const double c = (d[0][0] + d[1][1] + d[2][2] - 1) / 2;
    return std::acos(std::fmax(-1.0, std::fmin(1.0, c)));
}

TEST(Correction, FadesPositionAndAttitudeWithinOneSecond) {
    const double pi = 3.14159265358979323846;
    const M3 fresh = bodyToWorld(0.7, -0.3, 1.9);
    const V3 axis{0.2, -0.9, 0.4};
    for (double angle : {0.0, 1e-7, 0.3, pi / 2, pi - 1e-4, pi}) {
        SCOPED_TRACE(angle);
        const M3 drawn = mul(quatRotation(axis, angle), fresh);
        traffic::Correction c;
        c.start(state(drawn, {100, -40, 7}), state(fresh, {0, 0, 0}), 10.0);
        struct Row {
            double t, left;  // share of the difference still shown
        } rows[] = {{10.0, 1.0}, {10.5, 0.5}, {10.25, 0.84375}, {11.0, 0.0}, {12.0, 0.0}};
        for (const Row& r : rows) {
            DeadReckonedState s = state(fresh, {0, 0, 0});
            c.apply(r.t, s);
            EXPECT_NEAR(s.position[0], 100 * r.left, 1e-9) << r.t;
            EXPECT_NEAR(s.position[2], 7 * r.left, 1e-9) << r.t;
            // On the way from drawn to fresh about the same axis: angle*left from fresh, the rest from drawn.
            EXPECT_NEAR(angleBetween(matrix(s), fresh), angle * r.left, 1e-6) << r.t;
            EXPECT_NEAR(angleBetween(matrix(s), drawn), angle * (1 - r.left), 1e-6) << r.t;
        }
    }
}

TEST(Correction, ARepositionIsNotSmoothed) {
    const M3 m = bodyToWorld(0, 0, 0);
    traffic::Correction c;
    c.start(state(m, {traffic::kSnapDistance + 1, 0, 0}), state(m, {0, 0, 0}), 0);
    EXPECT_FALSE(c.active(0.1));
    DeadReckonedState s = state(m, {0, 0, 0});
    c.apply(0.1, s);
    EXPECT_EQ(s.position[0], 0);
}

}  // namespace
