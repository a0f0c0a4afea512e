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

// ---- gdc2gcc ----

TEST_F(CoordConvTest, GeodeticToGeocentricReferencePoints)
{
    float x, y, z;
    ASSERT_TRUE(QVCoordConv::gdc2gcc(0, 0, 0, x, y, z));
    EXPECT_EQ(x, 6378137.0f);
    EXPECT_EQ(y, 0.0f);
    EXPECT_EQ(z, 0.0f);

    ASSERT_TRUE(QVCoordConv::gdc2gcc(0, 90, 0, x, y, z));
    EXPECT_NEAR(x, 0.0f, 1e-6);
    EXPECT_EQ(y, 6378137.0f);
    EXPECT_EQ(z, 0.0f);

    // Newton form of N: 0.1 mm short of b at the pole.
    double dx, dy, dz;
    ASSERT_TRUE(QVCoordConv::gdc2gccDouble(90, 0, 0, dx, dy, dz));
    const double b = 6356752.314245179;
    EXPECT_NEAR(dz, 6356752.31414, 5e-6);
    EXPECT_GT(b - dz, 0.5e-4);
    EXPECT_LT(b - dz, 2e-4);
    ASSERT_TRUE(QVCoordConv::gdc2gcc(90, 0, 0, x, y, z));
    EXPECT_EQ(z, 6356752.5f);

    ASSERT_TRUE(QVCoordConv::gdc2gcc(-90, 0, 1000, x, y, z));
    EXPECT_EQ(z, -6357752.5f);
    ASSERT_TRUE(QVCoordConv::gdc2gcc(0, -180, 0, x, y, z));
    EXPECT_EQ(x, -6378137.0f);
    EXPECT_EQ(log.take(), "");
    EXPECT_EQ(err.take(), "");
}

TEST_F(CoordConvTest, GeodeticToGeocentricRangeLimits)
{
    float x, y, z;
    EXPECT_TRUE(QVCoordConv::gdc2gcc(90.0004f, 0, 0, x, y, z));
    EXPECT_TRUE(QVCoordConv::gdc2gcc(0, -180.0004f, 0, x, y, z));
    EXPECT_EQ(log.take(), "");

    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float bad[][3] = {{90.001f, 0, 0}, {0, 180.001f, 0}, {-90.001f, 0, 0}, {nan, 0, 0}, {0, nan, 0}};
    for (const auto& in : bad) {
        x = y = z = kSentinel;
        EXPECT_FALSE(QVCoordConv::gdc2gcc(in[0], in[1], in[2], x, y, z));
        EXPECT_EQ(x, kSentinel);
        EXPECT_EQ(y, kSentinel);
        EXPECT_EQ(z, kSentinel);
        EXPECT_EQ(log.take(), "QVCoordConv::gdc2gcc : Failed to change pos! (SRM_STAT_CODE_INVALID_SOURCE_COORD)\n");
        EXPECT_NE(err.take().find("Illegal SRM_GD_Coordinate_3D value\n"), std::string::npos);
    }

    // The engine's messages for one bad latitude, in order.
    EXPECT_FALSE(QVCoordConv::gdc2gcc(90.001f, 0, 0, x, y, z));
    EXPECT_EQ(err.take(),
              "Illegal value_ptr->geodetic_latitude value (    90.00100)\n"
              "Illegal SRM_GD_Coordinate_3D value\n"
              "Illegal SRM_Coordinate_3D value\n");
    log.take();

    // A height that is not finite would publish a non-finite position.
    EXPECT_FALSE(QVCoordConv::gdc2gcc(10, 10, std::numeric_limits<float>::infinity(), x, y, z));
    EXPECT_FALSE(QVCoordConv::gdc2gcc(10, 10, nan, x, y, z));
    EXPECT_EQ(x, kSentinel);
    EXPECT_EQ(log.take(), "QVCoordConv::gdc2gcc : Failed to change pos! (SRM_STAT_CODE_INVALID_SOURCE_COORD)\n"
                          "QVCoordConv::gdc2gcc : Failed to change pos! (SRM_STAT_CODE_INVALID_SOURCE_COORD)\n");
    EXPECT_EQ(err.take(), "");

    // Without a log stream failures are silent in the log but still fail.
    QVCoordConv::setLogFile(nullptr);
    EXPECT_FALSE(QVCoordConv::gdc2gcc(95, 0, 0, x, y, z));
    EXPECT_FALSE(QVCoordConv::gcc2gdc(0, 0, 0, x, y, z));
    float o[12];
    EXPECT_FALSE(QVCoordConv::ltp2gcc(91, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, o[0], o[1], o[2], o[3], o[4],
                                      o[5], o[6], o[7], o[8], o[9], o[10], o[11]));
    EXPECT_EQ(log.take(), "");
}

TEST_F(CoordConvTest, DoublePairUsesItsOwnTags)
{
    double x = 1, y = 2, z = 3;
    EXPECT_FALSE(QVCoordConv::gdc2gccDouble(100.0, 0, 0, x, y, z));
    EXPECT_FALSE(QVCoordConv::gcc2gdcDouble(0, 0, 0, x, y, z));
    EXPECT_EQ(x, 1);
    EXPECT_EQ(y, 2);
    EXPECT_EQ(z, 3);
    EXPECT_EQ(log.take(),
              "QVCoordConv::gdc2gccDouble : Failed to change pos! (SRM_STAT_CODE_INVALID_SOURCE_COORD)\n"
              "QVCoordConv::gcc2gdcDouble : Failed to change pos! (SRM_STAT_CODE_INVALID_DEST_COORD)\n");
    err.take();

    // Full double precision: no rounding to the 0.5 m float grid.
    ASSERT_TRUE(QVCoordConv::gdc2gccDouble(45.0, 45.0, 0.3, x, y, z));
    double lat, lon, h;
    ASSERT_TRUE(QVCoordConv::gcc2gdcDouble(x, y, z, lat, lon, h));
    EXPECT_NEAR(lat, 45.0, 1e-8);
    EXPECT_NEAR(lon, 45.0, 1e-12);
    EXPECT_NEAR(h, 0.3, 1e-3);
}

// ---- gcc2gdc ----

TEST_F(CoordConvTest, GeocentricToGeodeticReferencePoints)
{
    float lat, lon, h;
    ASSERT_TRUE(QVCoordConv::gcc2gdc(6378137, 0, 0, lat, lon, h));
    EXPECT_EQ(lat, 0.0f);
    EXPECT_EQ(lon, 0.0f);
    EXPECT_NEAR(h, 0.0f, 1e-6);

    // Polar axis rule.
    ASSERT_TRUE(QVCoordConv::gcc2gdc(0, 0, 6356752.5f, lat, lon, h));
    EXPECT_EQ(lat, 90.0f);
    EXPECT_EQ(lon, 0.0f);
    EXPECT_NEAR(h, 0.1858, 1e-4);
    ASSERT_TRUE(QVCoordConv::gcc2gdc(0, 0, -6400000, lat, lon, h));
    EXPECT_EQ(lat, -90.0f);
    EXPECT_EQ(lon, 0.0f);
    EXPECT_EQ(h, static_cast<float>(43247.686));

    ASSERT_TRUE(QVCoordConv::gcc2gdc(0, -6378137, 0, lat, lon, h));
    EXPECT_EQ(lon, -90.0f);
    EXPECT_EQ(log.take(), "");
}

TEST_F(CoordConvTest, GeocentricToGeodeticRefusesTheCentre)
{
    const float inputs[][3] = {{0, 0, 0}, {100, 100, 100}, {-0.0f, 0, -0.0f}};
    for (const auto& in : inputs) {
        float lat = kSentinel, lon = kSentinel, h = kSentinel;
        EXPECT_FALSE(QVCoordConv::gcc2gdc(in[0], in[1], in[2], lat, lon, h));
        EXPECT_EQ(lat, kSentinel);
        EXPECT_EQ(lon, kSentinel);
        EXPECT_EQ(h, kSentinel);
        EXPECT_EQ(log.take(), "QVCoordConv::gcc2gdc : Failed to change pos! (SRM_STAT_CODE_INVALID_DEST_COORD)\n");
    }
    float lat = kSentinel, lon = kSentinel, h = kSentinel;
    EXPECT_FALSE(QVCoordConv::gcc2gdc(std::nanf(""), 1e6f, 1e6f, lat, lon, h));
    EXPECT_EQ(log.take(), "QVCoordConv::gcc2gdc : Failed to change pos! (SRM_STAT_CODE_INVALID_SOURCE_COORD)\n");
    EXPECT_EQ(lat, kSentinel);
    EXPECT_EQ(err.take(), "");
}

TEST_F(CoordConvTest, ShellBoundariesRoundTripBothWays)
{
    // Either side of the near-surface shell, on several latitudes.
    for (double height : {49990.0, 50010.0, -9990.0, -10010.0, 0.0, 1e6, -1e6}) {
        for (double lat : {0.0, 12.5, 45.0, -67.25, 89.9, -89.999}) {
            double x, y, z, lat2, lon2, h2;
            ASSERT_TRUE(QVCoordConv::gdc2gccDouble(lat, 33.0, height, x, y, z));
            ASSERT_TRUE(QVCoordConv::gcc2gdcDouble(x, y, z, lat2, lon2, h2));
            EXPECT_NEAR(h2, height, 1e-3) << lat;
            EXPECT_NEAR(lat2, lat, 1e-8) << height;
            EXPECT_NEAR(lon2, 33.0, 1e-10);
        }
    }
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

// Nose along the earth's axis: the sine of the pitch is 1 up to rounding and
// may land just above it; the orientation must stay a number.
TEST_F(CoordConvTest, AttitudeAlongTheEarthAxisStaysFinite)
{
    std::mt19937 rng(11);
    std::uniform_real_distribution<float> pos(-5000, 5000);
    for (int n = 0; n < 2000; ++n) {
        const float lat = static_cast<float>(n % 89 + 1);
        State s{};
        s.p[0] = pos(rng);
        s.p[1] = pos(rng);
        s.p[2] = pos(rng);
        s.att[1] = lat;  // pitch up by the latitude, heading north
        Out o;
        ASSERT_TRUE(ltp(lat, static_cast<float>(n % 360 - 180), s, o));
        ASSERT_TRUE(std::isfinite(o.att[0]) && std::isfinite(o.att[1]) && std::isfinite(o.att[2]))
            << "lat " << lat << " n " << n;
        EXPECT_NEAR(o.att[1], -90.0f, 0.05f);
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
    State s{};
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
    (void)s;
}

}  // namespace
