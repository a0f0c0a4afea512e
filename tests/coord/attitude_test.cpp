// The published attitude of ltp2gcc as a rotation, against a construction that shares
// nothing with the conversion code: unit quaternions composed from elementary turns.
//
// Truth: body in GC = (NED frame at the origin, in GC) * (body in NED), where the NED
// frame is the GC frame turned by the longitude about z, then by -(90 + latitude)
// degrees about the new y. The published angles are turned into a quaternion the same
// way (psi about z, theta about the new y, phi about the newest x) after the plugin's
// own float conversion to radians; the error is the angle of the rotation between the
// two. Measured worst case over the table and 20000 random states: about 7e-7 rad.
#include "QVCoordConv.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

namespace {

struct Quat {
    double w, x, y, z;
};

Quat mul(const Quat& a, const Quat& b)
{
    return {a.w * b.w - a.x * b.x - a.y * b.y - a.z * b.z, a.w * b.x + a.x * b.w + a.y * b.z - a.z * b.y,
            a.w * b.y - a.x * b.z + a.y * b.w + a.z * b.x, a.w * b.z + a.x * b.y - a.y * b.x + a.z * b.w};
}

// Turn by `angle` radians about the unit axis k (0 x, 1 y, 2 z).
Quat turn(int k, double angle)
{
    Quat q{std::cos(angle / 2), 0, 0, 0};
    const double s = std::sin(angle / 2);
    (k == 0 ? q.x : k == 1 ? q.y : q.z) = s;
    return q;
}

Quat euler(double psi, double theta, double phi) { return mul(mul(turn(2, psi), turn(1, theta)), turn(0, phi)); }

// Angle of the rotation that takes a onto b.
double angleBetween(const Quat& a, const Quat& b)
{
    const Quat c{a.w, -a.x, -a.y, -a.z};
    const Quat d = mul(c, b);
    const double v = std::sqrt(d.x * d.x + d.y * d.y + d.z * d.z);
    return 2.0 * std::atan2(v, std::fabs(d.w));
}

const double kDeg = M_PI / 180.0;

// Error (radians) of the published attitude for a body attitude (degrees, NED) at an origin.
double attitudeError(float lat, float lon, float psi, float theta, float phi)
{
    float p[3], v[3], a[3], o[3];
    if (!QVCoordConv::ltp2gcc(lat, lon, 0, 0, 0, 0, 0, 0, 0, 0, 0, psi, theta, phi, p[0], p[1], p[2], v[0], v[1],
                              v[2], a[0], a[1], a[2], o[0], o[1], o[2]))
        return 1e9;
    // As the ownship sends it.
    const float r[3] = {o[0] * 3.1415926535f / 180.0f, o[1] * 3.1415926535f / 180.0f, o[2] * 3.1415926535f / 180.0f};
    const Quat ned = mul(turn(2, lon * kDeg), turn(1, -(90.0 + lat) * kDeg));
    const Quat truth = mul(ned, euler(psi * kDeg, theta * kDeg, phi * kDeg));
    return angleBetween(truth, euler(r[0], r[1], r[2]));
}

TEST(AttitudeAsARotation, CaseTable)
{
    const struct {
        const char* what;
        float lat, lon, psi, theta, phi;
    } cases[] = {
        // Nose along the earth's axis: due north or south, level, at the equator.
        {"north lon 0", 0, 0, 0, 0, 0},
        {"north lon 30", 0, 30, 0, 0, 0},
        {"north lon 30 roll 20", 0, 30, 0, 0, 20},
        {"north lon 90 roll -45", 0, 90, 0, 0, -45},
        {"north lon 179 roll 150", 0, 179, 0, 0, 150},
        {"north lon -120 roll 180", 0, -120, 0, 0, 180},
        {"south lon 60 roll 10", 0, 60, 180, 0, 10},
        {"south lon -179.5 roll -180", 0, -179.5f, 180, 0, -180},
        {"south lon 45 inverted", 0, 45, -180, 0, 179.9f},
        {"north, near the equator", 0.001f, 75, 0.0001f, 0.0002f, 35},
        // Pitched along the axis away from the equator.
        {"lat 40 climbing 40", 40, 10, 0, 40, 25},
        {"lat -60 diving 30 southward", -60, -70, 180, -30, -90},
        // Heading wrap-around and roll at +-180.
        {"heading 359.99", 45, 5, 359.99f, 5, 0},
        {"heading 0.01", 45, 5, 0.01f, 5, 0},
        {"heading -180", 45, 5, -180, 5, 0},
        {"heading 540", 45, 5, 540, 5, 0},
        {"roll 180", 30, -100, 75, 10, 180},
        {"roll -180", 30, -100, 75, 10, -180},
        // Straight up or down, where psi and phi share one axis already.
        {"vertical climb equator", 0, 20, 33, 90, 12},
        {"vertical dive", 52, 4, 270, -90, 0},
        // Poles: every heading is south (north), and the nose may lie along the axis.
        {"north pole level", 90, 0, 0, 0, 0},
        {"north pole heading 123", 90, 0, 123, 0, 40},
        {"north pole nose up", 90, 17, 0, 90, 0},
        {"south pole rolled", -90, -45, 250, 5, -170},
        {"south pole nose down", -90, 0, 10, -90, 30},
        {"near the pole", 89.999f, 100, 300, 2, 3},
    };
    for (const auto& c : cases)
        EXPECT_LT(attitudeError(c.lat, c.lon, c.psi, c.theta, c.phi), 1e-4) << c.what;
}

TEST(AttitudeAsARotation, EveryAttitudeAndPlace)
{
    std::mt19937 rng(1278);
    std::uniform_real_distribution<float> lat(-90, 90), lon(-180, 180), ang(-180, 180), pitch(-90, 90);
    double worst = 0;
    for (int n = 0; n < 20000; ++n) {
        float la = lat(rng), lo = lon(rng), ps = ang(rng), th = pitch(rng), ph = ang(rng);
        if (n % 4 == 0) {  // the nose near the earth's axis
            la = la / 1000;
            ps = n % 8 ? 0.0f : 180.0f;
            th = th / 1000;
        }
        worst = std::max(worst, attitudeError(la, lo, ps, th, ph));
    }
    EXPECT_LT(worst, 1e-4);
    std::printf("worst attitude error %.3g rad\n", worst);
}

}  // namespace
