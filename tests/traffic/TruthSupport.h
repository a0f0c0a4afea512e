// Geometry for the traffic tests, built independently of the code under test:
// rotations from unit quaternions, frames from GeographicLib.
#pragma once

#include <GeographicLib/Geocentric.hpp>

#include <array>
#include <cmath>
#include <vector>

namespace truth {

using V3 = std::array<double, 3>;
using M3 = std::array<std::array<double, 3>, 3>;

inline V3 add(V3 a, V3 b) { return {a[0] + b[0], a[1] + b[1], a[2] + b[2]}; }
inline V3 scale(V3 a, double s) { return {a[0] * s, a[1] * s, a[2] * s}; }
inline double dot(V3 a, V3 b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }
inline V3 cross(V3 a, V3 b) {
    return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}
inline double norm(V3 a) { return std::sqrt(dot(a, a)); }

inline V3 times(const M3& m, V3 v) {
    return {dot(m[0], v), dot(m[1], v), dot(m[2], v)};
}
inline M3 mul(const M3& a, const M3& b) {
    M3 r{};
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            for (int k = 0; k < 3; ++k) r[i][j] += a[i][k] * b[k][j];
    return r;
}
inline M3 transpose(const M3& a) {
    M3 r{};
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) r[i][j] = a[j][i];
    return r;
}

// Active rotation by `angle` about the unit `axis`, from the quaternion.
inline M3 quatRotation(V3 axis, double angle) {
    const double n = norm(axis);
    if (n == 0) return M3{{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}};
    const double w = std::cos(angle / 2), s = std::sin(angle / 2);
    const double x = axis[0] / n * s, y = axis[1] / n * s, z = axis[2] / n * s;
    return M3{{{1 - 2 * (y * y + z * z), 2 * (x * y - w * z), 2 * (x * z + w * y)},
               {2 * (x * y + w * z), 1 - 2 * (x * x + z * z), 2 * (y * z - w * x)},
               {2 * (x * z - w * y), 2 * (y * z + w * x), 1 - 2 * (x * x + y * y)}}};
}

// Body-to-world of the Euler sequence psi about z, theta about new y, phi about newest x.
inline M3 bodyToWorld(double psi, double theta, double phi) {
    return mul(mul(quatRotation({0, 0, 1}, psi), quatRotation({0, 1, 0}, theta)), quatRotation({1, 0, 0}, phi));
}

// ENU-to-geocentric rotation at a geodetic point, and the point itself.
inline M3 enuToEcef(double lat, double lon, double h, V3* ecef = nullptr) {
    std::vector<double> m(9);
    double x, y, z;
    GeographicLib::Geocentric::WGS84().Forward(lat, lon, h, x, y, z, m);
    if (ecef) *ecef = {x, y, z};
    return M3{{{m[0], m[1], m[2]}, {m[3], m[4], m[5]}, {m[6], m[7], m[8]}}};
}

// Largest element difference between two matrices.
inline double maxDifference(const M3& a, const M3& b) {
    double d = 0;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) d = std::fmax(d, std::fabs(a[i][j] - b[i][j]));
    return d;
}

}  // namespace truth

namespace truth {

// psi, theta, phi of a body-to-world matrix (z, new y, newest x), for building inputs.
inline void euler(const M3& m, double& psi, double& theta, double& phi) {
    theta = -std::asin(m[2][0]);
    psi = std::atan2(m[1][0], m[0][0]);
    phi = std::atan2(m[2][1], m[2][2]);
}

// Body-to-ENU of a heading (clockwise from north), pitch (nose up) and roll (right
// wing down), degrees: yaw about down, pitch about the new right, roll about the nose.
inline M3 bodyToEnu(double heading, double pitch, double roll) {
    const double d = 3.14159265358979323846 / 180;
    // NED to ENU, then the aerospace sequence in NED.
    const M3 nedToEnu{{{0, 1, 0}, {1, 0, 0}, {0, 0, -1}}};
    return mul(nedToEnu, mul(mul(quatRotation({0, 0, 1}, heading * d), quatRotation({0, 1, 0}, pitch * d)),
                             quatRotation({1, 0, 0}, roll * d)));
}

}  // namespace truth
