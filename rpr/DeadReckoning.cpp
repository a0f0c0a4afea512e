#include "DeadReckoning.h"

#include <cmath>

namespace {

// Below this |w| dt the closed forms lose digits to cancellation.
constexpr double kSeriesAngle = 0.02;

struct Vec {
    double x, y, z;
};

Vec mul(const Rotation3& r, const Vec& v) {
    return {r.m[0][0] * v.x + r.m[0][1] * v.y + r.m[0][2] * v.z,
            r.m[1][0] * v.x + r.m[1][1] * v.y + r.m[1][2] * v.z,
            r.m[2][0] * v.x + r.m[2][1] * v.y + r.m[2][2] * v.z};
}

Rotation3 mul(const Rotation3& a, const Rotation3& b) {
    Rotation3 r;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) r.m[i][j] = a.m[i][0] * b.m[0][j] + a.m[i][1] * b.m[1][j] + a.m[i][2] * b.m[2][j];
    return r;
}

// a I + b [w]x + c [w]x^2, the shape of every function of [w]x.
Rotation3 skewPolynomial(const Vec& w, double a, double b, double c) {
    const double xx = w.x * w.x, yy = w.y * w.y, zz = w.z * w.z;
    const double xy = w.x * w.y, xz = w.x * w.z, yz = w.y * w.z;
    // [w]x^2 = w w^T - |w|^2 I
    Rotation3 r;
    r.m[0][0] = a + c * (-yy - zz);
    r.m[1][1] = a + c * (-xx - zz);
    r.m[2][2] = a + c * (-xx - yy);
    r.m[0][1] = -b * w.z + c * xy;
    r.m[1][0] = b * w.z + c * xy;
    r.m[0][2] = b * w.y + c * xz;
    r.m[2][0] = -b * w.y + c * xz;
    r.m[1][2] = -b * w.x + c * yz;
    r.m[2][1] = b * w.x + c * yz;
    return r;
}

struct BodyIntegrals {
    Rotation3 turn;  // exp([w]x dt)
    Rotation3 r1;    // int_0^dt exp([w]x s) ds
    Rotation3 r2;    // int_0^dt s exp([w]x s) ds
};

// `turn` and `travel` say which of the results are wanted (the others are left unset).
BodyIntegrals integrals(const Vec& w, double t, bool turn = true, bool travel = true) {
    const double rate = std::sqrt(w.x * w.x + w.y * w.y + w.z * w.z);
    const double th = rate * t;
    const double t2 = t * t, t3 = t2 * t, t4 = t3 * t;
    double s0, c0, s1, c1, s2, c2;  // sin/cos-based coefficients of turn, r1, r2
    if (std::fabs(th) < kSeriesAngle) {
        const double q = th * th;
        s0 = t * (1 - q / 6 * (1 - q / 20));
        c0 = t2 * (0.5 - q / 24 * (1 - q / 30));
        s1 = t2 * (0.5 - q / 24 * (1 - q / 30));
        c1 = t3 * (1.0 / 6 - q / 120 * (1 - q / 42));
        s2 = t3 * (1.0 / 3 - q / 30 + q * q / 840);
        c2 = t4 * (1.0 / 8 - q / 144);
    } else {
        const double sn = std::sin(th), cs = std::cos(th);
        const double r2 = rate * rate, r3 = r2 * rate;
        s0 = sn / rate;
        c0 = (1 - cs) / r2;
        s1 = (1 - cs) / r2;
        c1 = (th - sn) / r3;
        s2 = (sn - th * cs) / r3;
        c2 = (t2 / 2 - (th * sn + cs - 1) / r2) / r2;
    }
    BodyIntegrals out{};
    if (turn) out.turn = skewPolynomial(w, 1, s0, c0);
    if (travel) {
        out.r1 = skewPolynomial(w, t, s1, c1);
        out.r2 = skewPolynomial(w, t2 / 2, s2, c2);
    }
    return out;
}

Vec vec(const Vector3f& v) { return {v.x, v.y, v.z}; }

}  // namespace

Rotation3 multiply(const Rotation3& a, const Rotation3& b) { return mul(a, b); }

bool isDeadReckoningAlgorithm(DeadReckoningAlgorithm algorithm) {
    return algorithm >= DRM_STATIC && algorithm <= DRM_FVB;
}

Rotation3 bodyToWorldFromEuler(double psi, double theta, double phi) {
    const double cp = std::cos(psi), sp = std::sin(psi);
    const double ct = std::cos(theta), st = std::sin(theta);
    const double cf = std::cos(phi), sf = std::sin(phi);
    // Rows of the world-to-body matrix Rx(phi) Ry(theta) Rz(psi) are the columns here.
    Rotation3 r;
    r.m[0][0] = ct * cp;
    r.m[1][0] = ct * sp;
    r.m[2][0] = -st;
    r.m[0][1] = sf * st * cp - cf * sp;
    r.m[1][1] = sf * st * sp + cf * cp;
    r.m[2][1] = sf * ct;
    r.m[0][2] = cf * st * cp + sf * sp;
    r.m[1][2] = cf * st * sp - sf * cp;
    r.m[2][2] = cf * ct;
    return r;
}

void eulerFromBodyToWorld(const Rotation3& r, double& psi, double& theta, double& phi) {
    double s = -r.m[2][0];
    if (s > 1) s = 1;
    if (s < -1) s = -1;
    theta = std::asin(s);
    if (std::fabs(s) > 1 - 1e-12) {
        // Gimbal lock: only psi - phi (or psi + phi) is defined; put it all in psi.
        phi = 0;
        psi = std::atan2(-r.m[0][1], r.m[1][1]);
    } else {
        psi = std::atan2(r.m[1][0], r.m[0][0]);
        phi = std::atan2(r.m[2][1], r.m[2][2]);
    }
}

bool DeadReckoner::reset(const Spatial& state) {
    const DeadReckoningAlgorithm a = state.algorithm;
    if (!isDeadReckoningAlgorithm(a)) return false;
    state_ = state;
    m0Built_ = false;
    rotates_ = a == DRM_RPW || a == DRM_RVW || a == DRM_RPB || a == DRM_RVB;
    accelerates_ = a == DRM_RVW || a == DRM_FVW || a == DRM_RVB || a == DRM_FVB;
    body_ = a >= DRM_FPB;
    return true;
}

void DeadReckoner::buildM0() const {
    m0_ = bodyToWorldFromEuler(state_.orientation.x, state_.orientation.y, state_.orientation.z);
    m0Built_ = true;
}

void DeadReckoner::position(double dt, double out[3]) const {
    const WorldLocation& p0 = state_.worldLocation;
    out[0] = p0.x;
    out[1] = p0.y;
    out[2] = p0.z;
    if (state_.algorithm == DRM_STATIC) return;
    const Vec v0 = vec(state_.velocity);
    const Vec acc = accelerates_ ? vec(state_.acceleration) : Vec{0, 0, 0};
    Vec d;
    if (body_ && rotates_) {
        const BodyIntegrals k = integrals(vec(state_.angularVelocity), dt, false, true);
        const Vec d1 = mul(k.r1, v0), d2 = mul(k.r2, acc);
        d = mul(m0(), Vec{d1.x + d2.x, d1.y + d2.y, d1.z + d2.z});
    } else {
        d = {v0.x * dt + acc.x * dt * dt / 2, v0.y * dt + acc.y * dt * dt / 2, v0.z * dt + acc.z * dt * dt / 2};
        if (body_) d = mul(m0(), d);
    }
    out[0] += d.x;
    out[1] += d.y;
    out[2] += d.z;
}

double DeadReckoner::speed(double dt) const {
    if (state_.algorithm == DRM_STATIC) return 0;
    const Vec v0 = vec(state_.velocity);
    const Vec acc = accelerates_ ? vec(state_.acceleration) : Vec{0, 0, 0};
    const Vec v{v0.x + acc.x * dt, v0.y + acc.y * dt, v0.z + acc.z * dt};
    return std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
}

void DeadReckoner::extrapolate(double dt, DeadReckonedState& out, bool withEuler) const {
    const DeadReckoningAlgorithm a = state_.algorithm;
    const WorldLocation& p0 = state_.worldLocation;
    const Vec v0 = vec(state_.velocity);
    const Vec acc = accelerates_ ? vec(state_.acceleration) : Vec{0, 0, 0};
    Vec d{0, 0, 0}, v{0, 0, 0};
    Rotation3 m = m0();
    if (a != DRM_STATIC) {
        const Vec vt{v0.x + acc.x * dt, v0.y + acc.y * dt, v0.z + acc.z * dt};
        if (rotates_) {
            const BodyIntegrals k = integrals(vec(state_.angularVelocity), dt, true, body_);
            m = mul(m0(), k.turn);
            if (body_) {
                const Vec d1 = mul(k.r1, v0), d2 = mul(k.r2, acc);
                d = mul(m0(), Vec{d1.x + d2.x, d1.y + d2.y, d1.z + d2.z});
            }
        }
        if (!(body_ && rotates_)) {
            d = {v0.x * dt + acc.x * dt * dt / 2, v0.y * dt + acc.y * dt * dt / 2, v0.z * dt + acc.z * dt * dt / 2};
            if (body_) d = mul(m0(), d);
        }
        // Body velocities turn with the body; world ones are already world.
        v = body_ ? mul(m, vt) : vt;
    }
    out.position[0] = p0.x + d.x;
    out.position[1] = p0.y + d.y;
    out.position[2] = p0.z + d.z;
    out.velocity[0] = v.x;
    out.velocity[1] = v.y;
    out.velocity[2] = v.z;
    out.bodyToWorld = m;
    if (withEuler) {
        eulerFromBodyToWorld(m, out.psi, out.theta, out.phi);
    } else {
        out.psi = out.theta = out.phi = 0;
    }
}

bool deadReckon(const Spatial& state, double dt, DeadReckonedState& out) {
    DeadReckoner reckoner;
    if (!reckoner.reset(state)) return false;
    reckoner.extrapolate(dt, out);
    return true;
}
