// QVCoordConv: values, log lines and which outputs a failure leaves alone.
#include "QVCoordConv.h"
#include "SRM.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>

namespace {

constexpr float kSentinel = -12345.5f;

class CoordConvTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        QVCoordConv::setLogFile(log.get());
        SRM_SetErrorStream(err.get());
    }
    void TearDown() override
    {
        QVCoordConv::setLogFile(nullptr);
        SRM_SetErrorStream(nullptr);
    }
    CapturedStream log;
    CapturedStream err;
};

// Angles equal modulo 360 degrees.
::testing::AssertionResult sameAngle(double a, double b, double tol)
{
    double d = std::fmod(a - b, 360.0);
    if (d > 180.0) d -= 360.0;
    if (d < -180.0) d += 360.0;
    if (std::fabs(d) <= tol) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << a << " vs " << b;
}

struct State {
    float p[3], v[3], a[3], att[3];
};

struct Out {
    float p[3] = {kSentinel, kSentinel, kSentinel};
    float v[3] = {kSentinel, kSentinel, kSentinel};
    float a[3] = {kSentinel, kSentinel, kSentinel};
    float att[3] = {kSentinel, kSentinel, kSentinel};
};

bool ltp(float lat, float lon, const State& s, Out& o)
{
    return QVCoordConv::ltp2gcc(lat, lon, s.p[0], s.p[1], s.p[2], s.v[0], s.v[1], s.v[2], s.a[0], s.a[1], s.a[2],
                                s.att[0], s.att[1], s.att[2], o.p[0], o.p[1], o.p[2], o.v[0], o.v[1], o.v[2],
                                o.a[0], o.a[1], o.a[2], o.att[0], o.att[1], o.att[2]);
}

bool untouched(const float* v) { return v[0] == kSentinel && v[1] == kSentinel && v[2] == kSentinel; }

// ---- gdc2gcc, gcc2gdc ----

TEST_F(CoordConvTest, ReferencePoints)
{
    const struct {
        float in[3], out[3];
        bool toGc;
    } cases[] = {
        {{0, 0, 0}, {6378137, 0, 0}, true},
        {{0, 90, 0}, {0, 6378137, 0}, true},  // x: cos of 90 degrees in double, 4e-10 m
        {{90, 0, 0}, {0, 0, 6356752.5f}, true},
        {{-90, 0, 1000}, {0, 0, -6357752.5f}, true},
        {{0, -180, 0}, {-6378137, 0, 0}, true},
        {{6378137, 0, 0}, {0, 0, 0}, false},
        {{0, -6378137, 0}, {0, -90, 0}, false},
        {{0, 0, 6356752.5f}, {90, 0, 0.1858f}, false},  // polar axis rule
        {{0, 0, -6400000}, {-90, 0, 43247.686f}, false},
    };
    for (const auto& c : cases) {
        float o[3];
        ASSERT_TRUE(c.toGc ? QVCoordConv::gdc2gcc(c.in[0], c.in[1], c.in[2], o[0], o[1], o[2])
                           : QVCoordConv::gcc2gdc(c.in[0], c.in[1], c.in[2], o[0], o[1], o[2]));
        for (int k = 0; k < 3; ++k)
            EXPECT_NEAR(o[k], c.out[k], 1e-4) << c.in[0] << " " << c.in[1] << " " << k;  // float-exact positions
    }
    EXPECT_EQ(log.take(), "");
    EXPECT_EQ(err.take(), "");

    // Newton form of N: 0.1 mm short of b at the pole.
    double x, y, z;
    ASSERT_TRUE(QVCoordConv::gdc2gccDouble(90, 0, 0, x, y, z));
    EXPECT_NEAR(z, 6356752.31414, 5e-6);
    EXPECT_NEAR(6356752.314245179 - z, 1e-4, 0.5e-4);
}

TEST_F(CoordConvTest, FailuresWriteNoOutputs)
{
    const float nan = std::numeric_limits<float>::quiet_NaN(), inf = std::numeric_limits<float>::infinity();
    const std::string gdBad = "QVCoordConv::gdc2gcc : Failed to change pos! (SRM_STAT_CODE_INVALID_SOURCE_COORD)\n";
    const std::string centre = "QVCoordConv::gcc2gdc : Failed to change pos! (SRM_STAT_CODE_INVALID_DEST_COORD)\n";
    const std::string gcBad = "QVCoordConv::gcc2gdc : Failed to change pos! (SRM_STAT_CODE_INVALID_SOURCE_COORD)\n";
    const struct {
        float in[3];
        bool toGc;
        std::string line;
        const char* engine;  // the engine's messages, or null for none
    } cases[] = {
        {{90.001f, 0, 0}, true, gdBad,
         "Illegal value_ptr->geodetic_latitude value (    90.00100)\nIllegal SRM_GD_Coordinate_3D value\n"
         "Illegal SRM_Coordinate_3D value\n"},
        {{0, 180.001f, 0}, true, gdBad,
         "Illegal value_ptr->geodetic_longitude value (   180.00101)\nIllegal SRM_GD_Coordinate_3D value\n"
         "Illegal SRM_Coordinate_3D value\n"},
        {{nan, 0, 0}, true, gdBad,
         "Illegal value_ptr->geodetic_latitude value (         nan)\nIllegal SRM_GD_Coordinate_3D value\n"
         "Illegal SRM_Coordinate_3D value\n"},
        {{10, 10, inf}, true, gdBad, nullptr},  // would publish a non-finite position
        {{10, 10, nan}, true, gdBad, nullptr},
        {{0, 0, 0}, false, centre, nullptr},
        {{100, 100, 100}, false, centre, nullptr},
        {{-0.0f, 0, -0.0f}, false, centre, nullptr},
        {{nan, 1e6f, 1e6f}, false, gcBad, nullptr},
        {{0, 42000, 0}, false, centre, nullptr},       // inside the evolute's ellipse
        {{0, 0, -42800}, false, centre, nullptr},      // on the axis, too
        {{3e38f, 3e38f, 3e38f}, false, centre, nullptr},  // height beyond the float range
    };
    for (const auto& c : cases) {
        float o[3] = {kSentinel, kSentinel, kSentinel};
        EXPECT_FALSE(c.toGc ? QVCoordConv::gdc2gcc(c.in[0], c.in[1], c.in[2], o[0], o[1], o[2])
                            : QVCoordConv::gcc2gdc(c.in[0], c.in[1], c.in[2], o[0], o[1], o[2]));
        EXPECT_TRUE(untouched(o));
        EXPECT_EQ(log.take(), c.line);
        EXPECT_EQ(err.take(), c.engine ? c.engine : "");
    }
    float o[3];
    EXPECT_TRUE(QVCoordConv::gdc2gcc(90.0004f, -180.0004f, 0, o[0], o[1], o[2]));  // the accepted margin

    // The double pair fails alike, under its own tags.
    double x = kSentinel, y = kSentinel, z = kSentinel;
    EXPECT_FALSE(QVCoordConv::gdc2gccDouble(100.0, 0, 0, x, y, z));
    EXPECT_FALSE(QVCoordConv::gcc2gdcDouble(0, 0, 0, x, y, z));
    EXPECT_TRUE(x == kSentinel && y == kSentinel && z == kSentinel);
    EXPECT_EQ(log.take(),
              "QVCoordConv::gdc2gccDouble : Failed to change pos! (SRM_STAT_CODE_INVALID_SOURCE_COORD)\n"
              "QVCoordConv::gcc2gdcDouble : Failed to change pos! (SRM_STAT_CODE_INVALID_DEST_COORD)\n");

    // Without a log stream nothing is written, and the calls still fail.
    QVCoordConv::setLogFile(nullptr);
    EXPECT_FALSE(QVCoordConv::gdc2gcc(95, 0, 0, o[0], o[1], o[2]));
    EXPECT_FALSE(QVCoordConv::gcc2gdc(0, 0, 0, o[0], o[1], o[2]));
    EXPECT_EQ(log.take(), "");
}

// ---- ltp2gcc ----

TEST_F(CoordConvTest, LocalVelocityAxesAtTheEquator)
{
    const float axes[3][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
    const float expected[3][3] = {{0, 1, 0}, {0, 0, 1}, {1, 0, 0}};  // east, north, up in GC
    for (int i = 0; i < 3; ++i) {
        State s{};
        std::memcpy(s.v, axes[i], sizeof s.v);
        std::memcpy(s.a, axes[(i + 1) % 3], sizeof s.a);
        Out o;
        ASSERT_TRUE(ltp(0, 0, s, o));
        EXPECT_EQ(o.p[0], 6378137.0f);
        EXPECT_EQ(o.p[1], 0.0f);
        EXPECT_EQ(o.p[2], 0.0f);
        for (int k = 0; k < 3; ++k) {
            EXPECT_NEAR(o.v[k], expected[i][k], 1e-9) << i;
            EXPECT_NEAR(o.a[k], expected[(i + 1) % 3][k], 1e-9) << i;
        }
    }
    EXPECT_EQ(log.take(), "");
}

TEST_F(CoordConvTest, AttitudeReferenceCases)
{
    State s{};
    s.att[0] = 90;  // heading east, level
    Out o;
    ASSERT_TRUE(ltp(0, 0, s, o));
    EXPECT_TRUE(sameAngle(o.att[0], 90, 1e-4));
    EXPECT_NEAR(o.att[1], 0, 1e-4);
    EXPECT_TRUE(sameAngle(o.att[2], -90, 1e-4));

    s = State{};
    o = Out{};
    ASSERT_TRUE(ltp(45, 0, s, o));
    EXPECT_EQ(o.p[0], static_cast<float>(4517590.88));
    EXPECT_EQ(o.p[1], 0.0f);
    EXPECT_EQ(o.p[2], static_cast<float>(4487348.41));
    EXPECT_TRUE(sameAngle(o.att[0], 180, 1e-4));
    EXPECT_NEAR(o.att[1], -45, 1e-4);
    EXPECT_TRUE(sameAngle(o.att[2], 180, 1e-4));
}

// A body attitude converted to GC and rebuilt from its Euler angles must give
// back the same body axes (independent of the attitude code's conventions).
TEST_F(CoordConvTest, AttitudeRoundTripsThroughTheGeocentricAxes)
{
    std::mt19937 rng(7);
    std::uniform_real_distribution<float> latD(-89, 89), lonD(-180, 180), angD(-180, 180), thD(-85, 85);
    auto rot = [](double psi, double theta, double phi, double m[3][3]) {
        const double cp = std::cos(psi), sp = std::sin(psi), ct = std::cos(theta), st = std::sin(theta),
                     cf = std::cos(phi), sf = std::sin(phi);
        const double r[3][3] = {{ct * cp, -sp * cf + cp * st * sf, sp * sf + cf * cp * st},
                                {ct * sp, cp * cf + sf * sp * st, -cp * sf + cf * sp * st},
                                {-st, ct * sf, ct * cf}};
        std::memcpy(m, r, sizeof r);
    };
    const double d2r = M_PI / 180;
    for (int n = 0; n < 200; ++n) {
        const float lat = latD(rng), lon = lonD(rng);
        State s{};
        s.att[0] = angD(rng);
        s.att[1] = thD(rng);
        s.att[2] = angD(rng);
        Out o;
        ASSERT_TRUE(ltp(lat, lon, s, o));
        double body[3][3], geo[3][3];
        rot(s.att[0] * d2r, s.att[1] * d2r, s.att[2] * d2r, body);  // body axes in NED
        rot(o.att[0] * d2r, o.att[1] * d2r, o.att[2] * d2r, geo);   // body axes in GC
        const double sl = std::sin(lat * d2r), cl = std::cos(lat * d2r), so = std::sin(lon * d2r),
                     co = std::cos(lon * d2r);
        // north, east, down unit vectors in GC
        const double ned[3][3] = {{-sl * co, -sl * so, cl}, {-so, co, 0}, {-cl * co, -cl * so, -sl}};
        for (int axis = 0; axis < 3; ++axis)
            for (int r = 0; r < 3; ++r) {
                const double expected =
                    body[0][axis] * ned[0][r] + body[1][axis] * ned[1][r] + body[2][axis] * ned[2][r];
                EXPECT_NEAR(geo[r][axis], expected, 2e-5) << "lat " << lat << " lon " << lon;
            }
    }
}

TEST_F(CoordConvTest, PositionsAreOnTheFloatGridVelocitiesAreNot)
{
    std::mt19937 rng(3);
    std::uniform_real_distribution<float> latD(-80, 80), lonD(-180, 180), posD(-20000, 20000), velD(-300, 300);
    for (int n = 0; n < 500; ++n) {
        State s{};
        for (int k = 0; k < 3; ++k) {
            s.p[k] = posD(rng);
            s.v[k] = velD(rng);
            s.a[k] = velD(rng) / 100;
        }
        Out o;
        ASSERT_TRUE(ltp(latD(rng), lonD(rng), s, o));
        for (int k = 0; k < 3; ++k) {
            const double m = std::fabs(o.p[k]);
            if (m >= 4194304.0 && m < 8388608.0) {
                EXPECT_EQ(std::fmod(m, 0.5), 0.0);
            }
        }
        // Speed is kept to float precision, not the 0.5 m grid of positions.
        const double speedIn = std::sqrt(double(s.v[0]) * s.v[0] + double(s.v[1]) * s.v[1] + double(s.v[2]) * s.v[2]);
        const double speedOut =
            std::sqrt(double(o.v[0]) * o.v[0] + double(o.v[1]) * o.v[1] + double(o.v[2]) * o.v[2]);
        EXPECT_NEAR(speedOut, speedIn, 1e-4);
        const double accIn = std::sqrt(double(s.a[0]) * s.a[0] + double(s.a[1]) * s.a[1] + double(s.a[2]) * s.a[2]);
        const double accOut =
            std::sqrt(double(o.a[0]) * o.a[0] + double(o.a[1]) * o.a[1] + double(o.a[2]) * o.a[2]);
        EXPECT_NEAR(accOut, accIn, 1e-5);
    }
}

TEST_F(CoordConvTest, LocalToGeocentricFailuresKeepTheStepsAlreadyDone)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    State good{};
    good.p[0] = 10;
    good.v[1] = 5;
    good.a[2] = 1;
    good.att[0] = 30;

    Out o;
    EXPECT_FALSE(ltp(91, 0, good, o));
    EXPECT_EQ(log.take(), "QVCoordConv::ltp2gcc : Failed to create pair!\n");
    EXPECT_TRUE(untouched(o.p) && untouched(o.v) && untouched(o.a) && untouched(o.att));
    EXPECT_FALSE(ltp(0, -180.001f, good, o));
    EXPECT_EQ(log.take(), "QVCoordConv::ltp2gcc : Failed to create pair!\n");
    EXPECT_FALSE(ltp(nan, 0, good, o));
    EXPECT_EQ(log.take(), "QVCoordConv::ltp2gcc : Failed to create pair!\n");
    EXPECT_TRUE(untouched(o.p) && untouched(o.v) && untouched(o.a) && untouched(o.att));
    EXPECT_TRUE(ltp(90.0004f, 180.0004f, good, o));
    EXPECT_EQ(err.take(), "");  // origin checks are silent

    State s = good;
    s.p[1] = nan;
    o = Out{};
    EXPECT_FALSE(ltp(10, 10, s, o));
    EXPECT_EQ(log.take(), "QVCoordConv::ltp2gcc : Failed to change pos!\n");
    EXPECT_TRUE(untouched(o.p) && untouched(o.v) && untouched(o.a) && untouched(o.att));

    s = good;
    s.v[2] = std::numeric_limits<float>::infinity();
    o = Out{};
    EXPECT_FALSE(ltp(10, 10, s, o));
    EXPECT_EQ(log.take(), "QVCoordConv::ltp2gcc : Failed to change vel!\n");
    EXPECT_FALSE(untouched(o.p));
    EXPECT_TRUE(untouched(o.v) && untouched(o.a) && untouched(o.att));

    s = good;
    s.a[0] = nan;
    o = Out{};
    EXPECT_FALSE(ltp(10, 10, s, o));
    EXPECT_EQ(log.take(), "QVCoordConv::ltp2gcc : Failed to change acc!\n");
    EXPECT_FALSE(untouched(o.p) || untouched(o.v));
    EXPECT_TRUE(untouched(o.a) && untouched(o.att));

    for (int k = 0; k < 3; ++k) {
        s = good;
        s.att[k] = nan;
        o = Out{};
        EXPECT_FALSE(ltp(10, 10, s, o));
        EXPECT_EQ(log.take(), "QVCoordConv::ltp2gcc : Failed to change att!\n");
        EXPECT_FALSE(untouched(o.p) || untouched(o.v) || untouched(o.a));
        EXPECT_TRUE(untouched(o.att));
    }
    EXPECT_EQ(err.take(), "");
}

TEST_F(CoordConvTest, FailedPlanCreationIsLoggedForEveryOperation)
{
    SRM_SetAllocator([](std::size_t) -> void* { return nullptr; }, [](void*) {});
    float a, b, c;
    EXPECT_FALSE(QVCoordConv::gdc2gccByPlan(1, 2, 3, a, b, c));
    EXPECT_FALSE(QVCoordConv::gcc2gdcByPlan(7e6f, 0, 0, a, b, c));
    Out o;
    EXPECT_FALSE(QVCoordConv::ltp2gccByPlan(0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, o.p[0], o.p[1], o.p[2], o.v[0],
                                            o.v[1], o.v[2], o.a[0], o.a[1], o.a[2], o.att[0], o.att[1], o.att[2]));
    // A bad latitude through the direct path still reaches the plan path.
    EXPECT_FALSE(QVCoordConv::gdc2gcc(100, 0, 0, a, b, c));
    SRM_SetAllocator(nullptr, nullptr);
    EXPECT_EQ(log.take(),
              "QVCoordConv::gdc2gcc : Failed to create pair!\n"
              "QVCoordConv::gcc2gdc : Failed to create pair!\n"
              "QVCoordConv::ltp2gcc : Failed to create pair!\n"
              "QVCoordConv::gdc2gcc : Failed to create pair!\n");
    EXPECT_TRUE(untouched(o.p) && untouched(o.att));
}

}  // namespace
