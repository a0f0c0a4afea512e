// The direct path of QVCoordConv against the plan path, bit for bit: results,
// return values, outputs left untouched, log lines and engine messages.
#include "QVCoordConv.h"
#include "SRM.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <string>

namespace {

constexpr int kSamples = 100000;

// Distinct bit pattern so an output left alone compares equal on both paths.
constexpr float kUntouched = -987654.25f;

class Inputs {
public:
    explicit Inputs(unsigned seed) : rng_(seed) {}

    float uniform(float lo, float hi) { return std::uniform_real_distribution<float>(lo, hi)(rng_); }

    // Mostly ordinary values; now and then a NaN, an infinity or a huge value.
    float spiced(float lo, float hi)
    {
        const int r = std::uniform_int_distribution<int>(0, 999)(rng_);
        if (r == 0) return std::numeric_limits<float>::quiet_NaN();
        if (r == 1) return std::numeric_limits<float>::infinity();
        if (r == 2) return -std::numeric_limits<float>::infinity();
        if (r == 3) return uniform(-3e38f, 3e38f);
        if (r == 4) return 0.0f;
        return uniform(lo, hi);
    }

    int pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng_); }

private:
    std::mt19937 rng_;
};

bool sameBits(const float* a, const float* b, int n) { return std::memcmp(a, b, sizeof(float) * n) == 0; }

// Both paths write their lines to separate streams so they can be compared.
class DirectPathTest : public ::testing::Test {
protected:
    void TearDown() override
    {
        QVCoordConv::setLogFile(nullptr);
        SRM_SetErrorStream(nullptr);
    }
    void useDirect()
    {
        QVCoordConv::setLogFile(directLog.get());
        SRM_SetErrorStream(directErr.get());
    }
    void usePlan()
    {
        QVCoordConv::setLogFile(planLog.get());
        SRM_SetErrorStream(planErr.get());
    }
    void expectSameText(int* failures)
    {
        const std::string dl = directLog.take(), pl = planLog.take();
        const std::string de = directErr.take(), pe = planErr.take();
        EXPECT_EQ(dl, pl);
        EXPECT_EQ(de, pe);
        *failures += static_cast<int>(std::count(dl.begin(), dl.end(), '\n'));
    }
    CapturedStream directLog, planLog, directErr, planErr;
};

TEST_F(DirectPathTest, GeodeticToGeocentricMatchesThePlanPath)
{
    Inputs in(20261208);
    int mismatches = 0, failures = 0;
    for (int n = 0; n < kSamples; ++n) {
        float lat, lon;
        if (in.pick(20) == 0) {  // around the accepted limits
            lat = in.uniform(-90.002f, 90.002f);
            lon = in.pick(2) ? in.uniform(179.998f, 180.002f) : in.uniform(-180.002f, -179.998f);
            if (in.pick(2)) lat = in.pick(2) ? in.uniform(89.998f, 90.002f) : in.uniform(-90.002f, -89.998f);
        } else {
            lat = in.spiced(-90, 90);
            lon = in.spiced(-180, 180);
        }
        const float h = in.spiced(-20000, 100000);
        float d[3] = {kUntouched, kUntouched, kUntouched}, p[3] = {kUntouched, kUntouched, kUntouched};
        useDirect();
        const bool okD = QVCoordConv::gdc2gcc(lat, lon, h, d[0], d[1], d[2]);
        usePlan();
        const bool okP = QVCoordConv::gdc2gccByPlan(lat, lon, h, p[0], p[1], p[2]);
        const bool finite = std::isfinite(d[0]) && std::isfinite(d[1]) && std::isfinite(d[2]);
        if (okD != okP || !sameBits(d, p, 3) || (okD && !finite)) {
            if (++mismatches < 5) ADD_FAILURE() << "lat " << lat << " lon " << lon << " h " << h;
        }
    }
    expectSameText(&failures);
    EXPECT_EQ(mismatches, 0);
    EXPECT_GT(failures, 100);  // the failure paths were exercised
}

TEST_F(DirectPathTest, GeocentricToGeodeticMatchesThePlanPath)
{
    Inputs in(77);
    int mismatches = 0, failures = 0;
    for (int n = 0; n < kSamples; ++n) {
        float x, y, z;
        const int kind = in.pick(10);
        if (kind == 0) {  // around the refused ellipse near the centre
            x = in.uniform(-60000, 60000);
            y = in.uniform(-60000, 60000);
            z = in.uniform(-60000, 60000);
        } else if (kind == 1) {  // on or near the polar axis
            x = in.pick(2) ? 0.0f : in.uniform(-1, 1);
            y = in.pick(2) ? -0.0f : 0.0f;
            z = in.spiced(-8e6f, 8e6f);
        } else {
            // From the surface out to far beyond the shell, both hemispheres.
            const float r = kind < 7 ? in.uniform(6.33e6f, 6.45e6f) : in.spiced(1e3f, 5e7f);
            const float a = in.uniform(-3.1416f, 3.1416f), b = in.uniform(-1.5708f, 1.5708f);
            x = r * std::cos(b) * std::cos(a);
            y = r * std::cos(b) * std::sin(a);
            z = in.pick(50) == 0 ? in.spiced(-1e7f, 1e7f) : r * std::sin(b);
        }
        float d[3] = {kUntouched, kUntouched, kUntouched}, p[3] = {kUntouched, kUntouched, kUntouched};
        useDirect();
        const bool okD = QVCoordConv::gcc2gdc(x, y, z, d[0], d[1], d[2]);
        usePlan();
        const bool okP = QVCoordConv::gcc2gdcByPlan(x, y, z, p[0], p[1], p[2]);
        // Equal NaNs on both paths would pass the bit comparison: a success is a number.
        const bool finite = std::isfinite(d[0]) && std::isfinite(d[1]) && std::isfinite(d[2]);
        if (okD != okP || !sameBits(d, p, 3) || (okD && !finite)) {
            if (++mismatches < 5) ADD_FAILURE() << "x " << x << " y " << y << " z " << z;
        }
    }
    expectSameText(&failures);
    EXPECT_EQ(mismatches, 0);
    EXPECT_GT(failures, 100);
}

TEST_F(DirectPathTest, LocalToGeocentricMatchesThePlanPath)
{
    Inputs in(4242);
    int mismatches = 0, failures = 0;
    for (int n = 0; n < kSamples; ++n) {
        const float lat = in.pick(50) == 0 ? in.spiced(-90.01f, 90.01f) : in.uniform(-90, 90);
        const float lon = in.pick(50) == 0 ? in.spiced(-180.01f, 180.01f) : in.uniform(-180, 180);
        float s[12];
        for (int k = 0; k < 3; ++k) s[k] = in.spiced(-1e5f, 1e5f);
        for (int k = 3; k < 6; ++k) s[k] = in.spiced(-500, 500);
        for (int k = 6; k < 9; ++k) s[k] = in.spiced(-50, 50);
        for (int k = 9; k < 12; ++k) s[k] = in.spiced(-360, 360);
        float d[12], p[12];
        for (int k = 0; k < 12; ++k) d[k] = p[k] = kUntouched;
        useDirect();
        const bool okD = QVCoordConv::ltp2gcc(lat, lon, s[0], s[1], s[2], s[3], s[4], s[5], s[6], s[7], s[8], s[9],
                                              s[10], s[11], d[0], d[1], d[2], d[3], d[4], d[5], d[6], d[7], d[8],
                                              d[9], d[10], d[11]);
        usePlan();
        const bool okP = QVCoordConv::ltp2gccByPlan(lat, lon, s[0], s[1], s[2], s[3], s[4], s[5], s[6], s[7], s[8],
                                                    s[9], s[10], s[11], p[0], p[1], p[2], p[3], p[4], p[5], p[6],
                                                    p[7], p[8], p[9], p[10], p[11]);
        bool finite = true;
        for (int k = 0; k < 12; ++k) finite = finite && std::isfinite(d[k]);
        if (okD != okP || !sameBits(d, p, 12) || (okD && !finite)) {
            if (++mismatches < 5) ADD_FAILURE() << "sample " << n << " lat " << lat << " lon " << lon;
        }
    }
    expectSameText(&failures);
    EXPECT_EQ(mismatches, 0);
    EXPECT_GT(failures, 500);
}

}  // namespace
