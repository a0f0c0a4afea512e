// The plugin's parts linked directly: clock conversion, day numbers, the
// ownship's change thresholds and its Spatial, and the trace stream hand-over.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>

#include "TestPlatform.h"
#include "UtcTime.h"

#include "ClockTimeConversion.h"
#include "Lifecycle.h"
#include "PluginState.h"
#include "QVCoordConv.h"
#include "QVHLAManager.h"
#include "XPAircraftObject.h"
#include "XPLMHost.h"

using volax::CalendarTime;
using volax::XPAircraftObject;

namespace {

class UtcTest : public ::testing::Test {
protected:
    void SetUp() override {
        volax::test::setTimeZone("UTC");
    }
};

int32_t hoursSince1970(int year, int month, int day) {
    struct tm t {};
    t.tm_year = year - 1900;
    t.tm_mon = month - 1;
    t.tm_mday = day;
    return static_cast<int32_t>(volax::utcSeconds(t) / 3600);
}

CalendarTime convert(int32_t hours, uint32_t pastTheHour) {
    CalendarTime c{};
    EXPECT_TRUE(volax::clockTimeToCalendar(ClockTime{hours, pastTheHour}, c));
    return c;
}

int secondsOfDay(const CalendarTime& c) { return c.hour * 3600 + c.minute * 60 + c.second; }

}  // namespace

TEST_F(UtcTest, ClockTimeBreaksDownInUtc) {
    CalendarTime c = convert(306816, 0);  // 2005-01-01 00:00 UTC
    EXPECT_EQ(c.month, 1);
    EXPECT_EQ(c.day, 1);
    EXPECT_EQ(secondsOfDay(c), 0);
    EXPECT_EQ(secondsOfDay(convert(306816, 0xC0000000u)), 2700);
    EXPECT_EQ(secondsOfDay(convert(306816, 0x7FFFFFFEu)), 1799);  // 1799.99999916, truncated
    CalendarTime full = convert(306816, 0xFFFFFFFEu);
    EXPECT_EQ(secondsOfDay(full), 3600);
    EXPECT_EQ(secondsOfDay(convert(306816, 1u)), 0);  // bit 0 is not time
    CalendarTime leap = convert(hoursSince1970(2008, 2, 29) + 13, 0);
    EXPECT_EQ(leap.month, 2);
    EXPECT_EQ(leap.day, 29);
    EXPECT_EQ(leap.hour, 13);
}

// zulu_time_sec is UTC: the host's time zone must not shift hour or date.
TEST_F(UtcTest, ClockTimeIgnoresTheHostTimeZone) {
    const int32_t newYear2005 = 306816;
    for (const char* zone : {"Europe/Zurich", "America/New_York", "Asia/Kolkata", "CET-1"}) {
        SCOPED_TRACE(zone);
        volax::test::setTimeZone(zone);
        CalendarTime c = convert(newYear2005 + 12, 0x40000000u);  // 12:15 UTC
        EXPECT_EQ(c.month, 1);
        EXPECT_EQ(c.day, 1);
        EXPECT_EQ(secondsOfDay(c), 12 * 3600 + 15 * 60);
        CalendarTime late = convert(newYear2005 - 1, 0);  // 2004-12-31 23:00 UTC
        EXPECT_EQ(late.month, 12);
        EXPECT_EQ(late.day, 31);
        EXPECT_EQ(late.hour, 23);
    }
}

TEST_F(UtcTest, UnrepresentableClockTimesHaveNoResult) {
    CalendarTime c{7, 7, 7, 7, 7};
    EXPECT_FALSE(volax::clockTimeToCalendar(ClockTime{600000, 0}, c));      // hours * 3600 beyond 32 bits
    EXPECT_FALSE(volax::clockTimeToCalendar(ClockTime{INT32_MAX, 0}, c));   // would overflow in 32 bits
    EXPECT_FALSE(volax::clockTimeToCalendar(ClockTime{INT32_MIN, 0}, c));
    EXPECT_FALSE(volax::clockTimeToCalendar(ClockTime{-1, 0}, c));          // before 1970
    EXPECT_EQ(c.month, 7);
    EXPECT_EQ(c.second, 7);
    EXPECT_TRUE(volax::clockTimeToCalendar(ClockTime{596523, 0}, c));       // last hour that fits
    EXPECT_TRUE(volax::clockTimeToCalendar(ClockTime{-1, 0xFFFFFFFEu}, c)); // -3600 + 3600 s = epoch
    EXPECT_EQ(c.month, 1);
    EXPECT_EQ(c.day, 1);
}

// X-Plane's local_date_days: January 1 is 0, December 31 is 364.
TEST(DayNumber, CountsFromZeroOnJanuaryFirstWithoutLeapDays) {
    const struct {
        int month, day, expected;
        bool legal;
    } cases[] = {
        {1, 1, 0, true},    {1, 31, 30, true},  {2, 1, 31, true},  {2, 28, 58, true}, {2, 29, 58, true},
        {3, 1, 59, true},   {4, 0, 90, true},   {4, 31, 119, true}, {12, 31, 364, true}, {12, 32, 364, true},
        {13, 5, 4, false},  {0, -4, 0, false},
    };
    for (const auto& c : cases) {
        bool legal = !c.legal;
        EXPECT_EQ(volax::dayNumber(c.month, c.day, legal), c.expected) << c.month << "/" << c.day;
        EXPECT_EQ(legal, c.legal) << c.month << "/" << c.day;
    }
}

namespace {

struct Sample {
    float p[3] = {0, 0, 0};
    float v[3] = {0, 0, 0};
    float a[3] = {0, 0, 0};
    float q[3] = {0, 0, 0};
};

bool feed(XPAircraftObject& o, const Sample& s) { return o.updateSample(s.p, s.v, s.a, s.q, 52.0, 4.0, 0.0); }

}  // namespace

// Per vector, on every axis: a change of exactly the limit is held back, a
// larger one (either sign) is kept; the distance is summed over the axes.
TEST(OwnshipThresholds, EachVectorHasItsOwnInclusiveLimit) {
    const struct {
        float (Sample::*vector)[3];
        float limit;
    } limits[] = {{&Sample::p, 2.0f}, {&Sample::v, 2.0f}, {&Sample::a, 1.0f}, {&Sample::q, 3.0f}};
    for (const auto& l : limits) {
        for (int axis = 0; axis < 3; ++axis) {
            SCOPED_TRACE(::testing::Message() << "limit " << l.limit << " axis " << axis);
            XPAircraftObject o;
            Sample s;
            EXPECT_FALSE(feed(o, s));  // identical to the all-zero start
            (s.*l.vector)[axis] = l.limit;
            EXPECT_FALSE(feed(o, s));
            (s.*l.vector)[axis] = -1.01f * l.limit;
            EXPECT_TRUE(feed(o, s));
            EXPECT_TRUE(o.isSampleChanged());
            EXPECT_FALSE(feed(o, s));  // measured from the sample just kept
        }
    }
    XPAircraftObject o;
    Sample s;
    s.p[0] = 1.5f;
    s.p[2] = 1.5f;  // 1.5^2 + 1.5^2 = 4.5 > 4
    EXPECT_TRUE(feed(o, s));
}

TEST(OwnshipThresholds, HeadingHasNoWrapAround) {
    XPAircraftObject o;
    Sample s;
    s.q[0] = 359.0f;
    EXPECT_TRUE(feed(o, s));
    s.q[0] = 1.0f;  // 2 degrees of turn, 358 of difference
    EXPECT_TRUE(feed(o, s));
}

// The motion X-Plane gives in its local frame (x east, y up, z south, angles
// against those axes) in geocentric terms, built from the north, east and down
// vectors at the frame's origin and the heading-pitch-roll rotation matrix, not
// with our converters: velocity and acceleration component by component, and
// the RPR orientation (psi about Z, theta about the new Y, phi about the new X).
void expectGeocentricMotion(const Spatial& s, double lat0, double lon0, const float v[3], const float a[3],
                            const float q[3]) {
    const double d = M_PI / 180, la = lat0 * d, lo = lon0 * d;
    const double north[3] = {-std::sin(la) * std::cos(lo), -std::sin(la) * std::sin(lo), std::cos(la)};
    const double east[3] = {-std::sin(lo), std::cos(lo), 0};
    const double down[3] = {-std::cos(la) * std::cos(lo), -std::cos(la) * std::sin(lo), -std::sin(la)};
    const float got[2][3] = {{s.velocity.x, s.velocity.y, s.velocity.z},
                             {s.acceleration.x, s.acceleration.y, s.acceleration.z}};
    for (int k = 0; k < 2; ++k) {
        const float* l = k == 0 ? v : a;
        for (int i = 0; i < 3; ++i)
            EXPECT_NEAR(got[k][i], l[0] * east[i] - l[1] * down[i] - l[2] * north[i], 1e-3)
                << (k == 0 ? "velocity " : "acceleration ") << i;
    }
    const double h = q[0] * d, t = q[1] * d, r = q[2] * d;
    const double ch = std::cos(h), sh = std::sin(h), ct = std::cos(t), st = std::sin(t), cr = std::cos(r),
                 sr = std::sin(r);
    // Body to north-east-down, then to geocentric.
    const double ned[3][3] = {{ct * ch, sr * st * ch - cr * sh, cr * st * ch + sr * sh},
                              {ct * sh, sr * st * sh + cr * ch, cr * st * sh - sr * ch},
                              {-st, sr * ct, cr * ct}};
    double m[3][3];
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) m[i][j] = north[i] * ned[0][j] + east[i] * ned[1][j] + down[i] * ned[2][j];
    EXPECT_NEAR(s.orientation.x, std::atan2(m[1][0], m[0][0]), 2e-5) << "psi";
    EXPECT_NEAR(s.orientation.y, -std::asin(m[2][0]), 2e-5) << "theta";
    EXPECT_NEAR(s.orientation.z, std::atan2(m[2][1], m[2][2]), 2e-5) << "phi";
}

TEST(OwnshipSpatial, KeptSampleBecomesAGeocentricFvwSpatial) {
    XPAircraftObject o;
    EXPECT_FALSE(o.hasSpatial());
    o.prepareUpdate();  // nothing kept yet
    EXPECT_FALSE(o.hasSpatial());

    o.setReference(52.0f, 4.0f);
    float p[3] = {100.0f, 1500.0f, -200.0f};
    float v[3] = {50.0f, 1.0f, 0.0f};
    float a[3] = {0.0f, 0.0f, 0.5f};
    float q[3] = {90.0f, 5.0f, -10.0f};
    // The elevation, not local y, is the height: they part far from the origin.
    const double lat = 52.00123456789, lon = 4.00234567891, elevation = 1234.567;
    ASSERT_TRUE(o.updateSample(p, v, a, q, lat, lon, elevation));
    o.prepareUpdate();
    ASSERT_TRUE(o.hasSpatial());
    EXPECT_TRUE(o.isSpatialPending());
    EXPECT_FALSE(o.isSampleChanged());

    const Spatial& s = o.peekSpatial();
    EXPECT_EQ(s.algorithm, 5);
    EXPECT_EQ(s.isFrozen, 0);
    // Geocentric WGS 84 of the exact global position, without float rounding.
    const double kA = 6378137.0, kE2 = (2 - 1 / 298.257223563) / 298.257223563, kDeg = M_PI / 180;
    const double n = kA / std::sqrt(1 - kE2 * std::pow(std::sin(lat * kDeg), 2));
    EXPECT_NEAR(s.worldLocation.x, (n + elevation) * std::cos(lat * kDeg) * std::cos(lon * kDeg), 1e-3);
    EXPECT_NEAR(s.worldLocation.y, (n + elevation) * std::cos(lat * kDeg) * std::sin(lon * kDeg), 1e-3);
    EXPECT_NEAR(s.worldLocation.z, (n * (1 - kE2) + elevation) * std::sin(lat * kDeg), 1e-3);

    expectGeocentricMotion(s, 52.0, 4.0, v, a, q);
}

// Northbound, climbing and banked, and the other way round: every component
// of the published velocity, acceleration and orientation.
TEST(OwnshipSpatial, MotionIsGeocentricComponentByComponent) {
    struct Case {
        float v[3], a[3], q[3];  // local x east, y up, z south; psi, theta, phi in degrees
    };
    const Case cases[] = {
        {{0.0f, 6.0f, -120.0f}, {0.5f, 0.2f, -1.5f}, {0.0f, 4.0f, 25.0f}},
        {{-80.0f, -3.0f, 60.0f}, {-1.0f, -0.3f, 0.8f}, {233.0f, -3.0f, -15.0f}},
    };
    for (const Case& c : cases) {
        XPAircraftObject o;
        o.setReference(52.0f, 4.0f);
        const float p[3] = {0.0f, 1500.0f, 0.0f};  // over the frame's origin
        ASSERT_TRUE(o.updateSample(p, c.v, c.a, c.q, 52.0, 4.0, 1500.0));
        o.prepareUpdate();
        ASSERT_TRUE(o.hasSpatial());
        SCOPED_TRACE(c.q[0]);
        expectGeocentricMotion(o.peekSpatial(), 52.0, 4.0, c.v, c.a, c.q);
    }
}

TEST(OwnshipSpatial, FailedConversionKeepsTheSampleForTheNextUpdate) {
    XPAircraftObject o;
    o.setReference(95.0f, 4.0f);  // origin beyond the pole
    float p[3] = {10.0f, 10.0f, 10.0f}, zero[3] = {0, 0, 0};
    ASSERT_TRUE(o.updateSample(p, zero, zero, zero, 52.0, 4.0, 10.0));
    o.prepareUpdate();
    EXPECT_FALSE(o.hasSpatial());
    EXPECT_TRUE(o.isSampleChanged());
    o.setReference(52.0f, 4.0f);
    o.prepareUpdate();
    EXPECT_TRUE(o.hasSpatial());
    EXPECT_FALSE(o.isSampleChanged());
}

// Stop must take the trace stream away from the manager and the coordinate
// service before closing it; they would otherwise write into a closed stream.
TEST(TraceStream, StopClearsEveryHolderBeforeClosing) {
    volax::test::TempDir dir("volax-units");
    ASSERT_TRUE(dir.ok());
    std::string tracePath = dir.file("trace.txt");
    xphost::reset();
    xphost::setPrefsDir(dir.path());
    volax::test::setEnv("VOLAX_TRACE", tracePath);
    char name[256], sig[256], desc[256];
    ASSERT_EQ(volax::pluginStart(name, sig, desc), 1);
    volax::test::unsetEnv("VOLAX_TRACE");
    EXPECT_NE(QVHLAManager::getInstance()->getLogFile(), nullptr);
    EXPECT_EQ(QVCoordConv::getLogFile(), QVHLAManager::getInstance()->getLogFile());
    volax::pluginStop();
    EXPECT_EQ(QVHLAManager::getInstance()->getLogFile(), nullptr);
    EXPECT_EQ(QVCoordConv::getLogFile(), nullptr);
    EXPECT_EQ(volax::traceStream, nullptr);

    FILE* f = std::fopen(tracePath.c_str(), "r");
    ASSERT_TRUE(f);
    char buffer[4096] = {};
    size_t n = std::fread(buffer, 1, sizeof buffer - 1, f);
    std::fclose(f);
    std::string text(buffer, n);
    EXPECT_NE(text.find("Using configuration files "), std::string::npos);
    EXPECT_NE(text.find("VOLAX plugin getDataRefs() BEGIN\n"), std::string::npos);
    EXPECT_NE(text.find("VOLAX plugin STOP\n"), std::string::npos);

    // "stderr" is used but never closed.
    volax::test::setEnv("VOLAX_TRACE", "stderr");
    ASSERT_EQ(volax::pluginStart(name, sig, desc), 1);
    volax::test::unsetEnv("VOLAX_TRACE");
    EXPECT_EQ(volax::traceStream, stderr);
    volax::pluginStop();
    EXPECT_NE(std::fprintf(stderr, "%s", ""), -1);
    EXPECT_EQ(std::ferror(stderr), 0);
    xphost::reset();
}
