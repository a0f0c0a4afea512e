// Each algorithm against the motion it describes, built here from geometry:
// straight lines and constant accelerations in the world, helices (circles at a
// constant turn rate, climbing or not) and accelerating turns in the body,
// rotations from quaternions.
#include <gtest/gtest.h>

#include <cstring>

#include "DeadReckoning.h"
#include "TruthSupport.h"

using namespace truth;

namespace {

enum class Motion { None, World, BodyHelix, BodyIntegrated };

struct Case {
    const char* name;
    DeadReckoningAlgorithm algorithm;
    Vector3f velocity, acceleration, angularVelocity;
    Motion motion;
    bool rotates;
};

void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

V3 v3(const Vector3f& v) { return {v.x, v.y, v.z}; }

Spatial makeState(const Case& c, const V3& p0, const Vector3f& orientation) {
    Spatial s;
    std::memset(&s, 0, sizeof s);
    s.algorithm = c.algorithm;
    s.worldLocation = {p0[0], p0[1], p0[2]};
    s.orientation = orientation;
    s.velocity = c.velocity;
    s.acceleration = c.acceleration;
    s.angularVelocity = c.angularVelocity;
    return s;
}

// Body displacement of constant body velocity u under constant body rate w:
// the part of u along w goes straight, the rest turns on a circle of radius |u_perp|/|w|.
V3 helix(V3 u, V3 w, double t) {
    const double rate = norm(w);
    if (rate == 0) return scale(u, t);
    const V3 axis = scale(w, 1 / rate);
    const V3 along = scale(axis, dot(u, axis));
    const V3 across = add(u, scale(along, -1));
    const double th = rate * t;
    return add(add(scale(along, t), scale(across, std::sin(th) / rate)),
               scale(cross(axis, across), (1 - std::cos(th)) / rate));
}

// The same kinematics integrated numerically (composite Simpson) with a body
// velocity that grows linearly.
V3 integrated(V3 u, V3 a, V3 w, double t) {
    const int n = 4000;
    const double h = t / n;
    V3 sum{0, 0, 0};
    for (int i = 0; i <= n; ++i) {
        const double s = i * h;
        const double weight = (i == 0 || i == n) ? 1 : (i % 2 ? 4 : 2);
        sum = add(sum, scale(times(quatRotation(w, norm(w) * s), add(u, scale(a, s))), weight));
    }
    return scale(sum, h / 3);
}

const Case kCases[] = {
    // Members an algorithm does not carry are set and must be ignored.
    {"Static", DRM_STATIC, {80, 10, -5}, {3, 1, 1}, {0.2f, 0.1f, 0.3f}, Motion::None, false},
    {"FPW", DRM_FPW, {120, -45, 30}, {3, 1, 1}, {0.2f, 0.1f, 0.3f}, Motion::World, false},
    {"RPW", DRM_RPW, {120, -45, 30}, {3, 1, 1}, {0.2f, -0.35f, 0.5f}, Motion::World, true},
    {"RVW", DRM_RVW, {120, -45, 30}, {2.5f, -9.75f, 4}, {0.2f, -0.35f, 0.5f}, Motion::World, true},
    {"FVW", DRM_FVW, {120, -45, 30}, {2.5f, -9.75f, 4}, {0.2f, -0.35f, 0.5f}, Motion::World, false},
    {"FPB", DRM_FPB, {150, 5, -3}, {3, 1, 1}, {0.2f, 0.1f, 0.3f}, Motion::World, false},
    {"RPB_level_turn", DRM_RPB, {150, 0, 0}, {3, 1, 1}, {0, 0, 0.25f}, Motion::BodyHelix, true},
    {"RPB_climbing_helix", DRM_RPB, {150, 4, -12}, {3, 1, 1}, {0.05f, -0.1f, 0.3f}, Motion::BodyHelix, true},
    {"RPB_gentle", DRM_RPB, {150, 0, -2}, {3, 1, 1}, {0, 0.0005f, 0.002f}, Motion::BodyHelix, true},
    {"RPB_spinning", DRM_RPB, {60, 0, 0}, {3, 1, 1}, {6, 0.5f, 2}, Motion::BodyHelix, true},
    {"RVB_accelerating_turn", DRM_RVB, {100, 0, -5}, {4, 0, 0.5f}, {0.02f, 0.05f, 0.3f}, Motion::BodyIntegrated, true},
    {"RVB_gentle", DRM_RVB, {100, 0, -5}, {4, 0.25f, 0.5f}, {0, 0.001f, 0.002f}, Motion::BodyIntegrated, true},
    {"RVB_straight", DRM_RVB, {100, 0, -5}, {4, 0.25f, 0.5f}, {0, 0, 0}, Motion::BodyIntegrated, true},
    {"FVB", DRM_FVB, {100, 2, -5}, {4, 0.25f, -0.5f}, {0.2f, 0.1f, 0.3f}, Motion::World, false},
};

class DeadReckoningAlgorithms : public ::testing::TestWithParam<Case> {};

TEST_P(DeadReckoningAlgorithms, MatchTheMotionTheyDescribe) {
    const Case& c = GetParam();
    V3 p0;
    enuToEcef(47.25, 11.5, 3000, &p0);
    // An attitude with every angle non-zero, against the geocentric axes.
    const Vector3f orientation{2.1f, -0.7f, 0.4f};
    const M3 m0 = bodyToWorld(orientation.x, orientation.y, orientation.z);
    const Spatial state = makeState(c, p0, orientation);
    const bool body = c.algorithm >= DRM_FPB;
    const bool accelerates = c.algorithm == DRM_RVW || c.algorithm == DRM_FVW || c.algorithm == DRM_RVB ||
                             c.algorithm == DRM_FVB;
    const V3 w = v3(c.angularVelocity);

    for (double t : {0.05, 1.0, 4.0, 9.5}) {
        SCOPED_TRACE(t);
        V3 displacement{0, 0, 0};
        V3 velocity{0, 0, 0};
        M3 attitude = m0;
        if (c.rotates) attitude = mul(m0, quatRotation(w, norm(w) * t));
        const V3 u = v3(c.velocity);
        const V3 a = accelerates ? v3(c.acceleration) : V3{0, 0, 0};
        switch (c.motion) {
        case Motion::None:
            break;
        case Motion::World: {
            const V3 local = add(scale(u, t), scale(a, t * t / 2));
            displacement = body ? times(m0, local) : local;
            velocity = body ? times(m0, add(u, scale(a, t))) : add(u, scale(a, t));
            break;
        }
        case Motion::BodyHelix:
            displacement = times(m0, helix(u, w, t));
            velocity = times(attitude, u);
            break;
        case Motion::BodyIntegrated:
            displacement = times(m0, integrated(u, a, w, t));
            velocity = times(attitude, add(u, scale(a, t)));
            break;
        }
        DeadReckonedState out;
        ASSERT_TRUE(deadReckon(state, t, out));
        // The position alone (ranking, the ground test) must be the drawn one.
        DeadReckoner reckoner;
        ASSERT_TRUE(reckoner.reset(state));
        double alone[3];
        reckoner.position(t, alone);
        const V3 expected = add(p0, displacement);
        for (int i = 0; i < 3; ++i) {
            EXPECT_NEAR(out.position[i], expected[i], 2e-6 + 1e-9 * norm(displacement)) << "axis " << i;
            EXPECT_NEAR(alone[i], expected[i], 2e-6 + 1e-9 * norm(displacement)) << "position() axis " << i;
            EXPECT_NEAR(out.velocity[i], velocity[i], 1e-6) << "axis " << i;
        }
        EXPECT_NEAR(reckoner.speed(t), norm(velocity), 1e-6);
        M3 got;
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j < 3; ++j) got[i][j] = out.bodyToWorld.m[i][j];
        EXPECT_LT(maxDifference(got, attitude), 1e-12);
        EXPECT_LT(maxDifference(bodyToWorld(out.psi, out.theta, out.phi), attitude), 1e-12);
    }
}

INSTANTIATE_TEST_SUITE_P(All, DeadReckoningAlgorithms, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<Case>& info) { return std::string(info.param.name); });

TEST(DeadReckoning, RefusesAlgorithmsOutsideOneToNine) {
    for (int algorithm : {0, 10, 11, 127, 255}) {
        Spatial s;
        std::memset(&s, 0, sizeof s);
        s.algorithm = static_cast<DeadReckoningAlgorithm>(algorithm);
        s.worldLocation = {6378137, 0, 0};
        DeadReckonedState out;
        out.position[0] = 42;
        EXPECT_FALSE(deadReckon(s, 1, out)) << algorithm;
        EXPECT_EQ(out.position[0], 42) << algorithm;
    }
}

// The Euler angles come back from the matrix, gimbal lock included.
TEST(DeadReckoning, EulerRoundTripAgainstQuaternionMatrices) {
    const double angles[][3] = {{0, 0, 0},      {3.0, 1.2, -2.9}, {-1.0, -1.5, 0.3}, {0.4, 1.5707963267948966, 0},
                                {0.4, -1.5707963267948966, 0},    {-3.1, 0.01, 3.1}};
    for (const auto& a : angles) {
        const M3 m = bodyToWorld(a[0], a[1], a[2]);
        Rotation3 r;
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j < 3; ++j) r.m[i][j] = m[i][j];
        const Rotation3 ours = bodyToWorldFromEuler(a[0], a[1], a[2]);
        double psi, theta, phi;
        eulerFromBodyToWorld(r, psi, theta, phi);
        M3 fromOurs;
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j < 3; ++j) fromOurs[i][j] = ours.m[i][j];
        EXPECT_LT(maxDifference(fromOurs, m), 1e-15);
        EXPECT_LT(maxDifference(bodyToWorld(psi, theta, phi), m), 1e-9);
    }
}

}  // namespace
