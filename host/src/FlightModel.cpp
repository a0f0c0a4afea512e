#include "FlightModel.h"

#include "HostState.h"

#include <algorithm>
#include <cmath>

namespace xphost {
namespace {
const double kDeg = M_PI / 180.0;
const double kG = 9.80665;
const double kAccelStep = 0.01;  // s, central difference of the velocity field

double wrapHeading(double deg) {
    double h = std::fmod(deg, 360.0);
    if (h < 0) h += 360.0;
    return h;
}

// The reference point is what plugins read from float data references, so
// keep it exactly representable as a float.
double asFloat(double v) { return static_cast<double>(static_cast<float>(v)); }
}  // namespace

void FlightModel::reset(const Route& route) {
    route_ = route;
    leg_ = 0;
    psi_ = wrapHeading(route.heading);
    pos_ = wgs84::toEcef(route.latitude, route.longitude, route.elevation);
    frame_ = wgs84::localFrame(asFloat(route.latitude), asFloat(route.longitude));
    shifts_ = 0;
    motion_ = Motion();
    if (!route_.legs.empty()) {
        leg_ = 0;
        const RouteLeg& l = route_.legs[0];
        if (l.setHeading) psi_ = wrapHeading(l.heading);
        motion_ = Motion{l.speed, l.climb, l.turnRate};
        legLeft_ = l.duration;
    }
}

wgs84::Vec3 FlightModel::velocity(const wgs84::Vec3& p, double psiDeg) const {
    double lat, lon, h;
    wgs84::fromEcef(p, &lat, &lon, &h);
    wgs84::Vec3 e, n, u;
    wgs84::enuAxes(lat, lon, &e, &n, &u);
    const double psi = psiDeg * kDeg;
    return e * (motion_.speed * std::sin(psi)) + n * (motion_.speed * std::cos(psi)) + u * motion_.climb;
}

void FlightModel::advance(double h) {
    const wgs84::Vec3 k1 = velocity(pos_, psi_);
    const wgs84::Vec3 k2 = velocity(pos_ + k1 * (h / 2), psi_ + motion_.turnRate * h / 2);
    pos_ = pos_ + k2 * h;
    psi_ = wrapHeading(psi_ + motion_.turnRate * h);
}

void FlightModel::nextLeg() {
    ++leg_;
    if (leg_ < route_.legs.size()) {
        const RouteLeg& l = route_.legs[leg_];
        if (l.setHeading) psi_ = wrapHeading(l.heading);
        motion_ = Motion{l.speed, l.climb, l.turnRate};
        legLeft_ = l.duration;
    } else {
        // Past the route: straight and level at the last speed.
        motion_.climb = 0;
        motion_.turnRate = 0;
    }
}

void FlightModel::step(double dt) {
    while (dt > 0) {
        const bool inRoute = leg_ < route_.legs.size();
        const double h = inRoute ? std::min(dt, legLeft_) : dt;
        if (h > 0) advance(h);
        dt -= h;
        if (inRoute) {
            legLeft_ -= h;
            if (legLeft_ <= 1e-12) nextLeg();
        }
    }
    updateFrame();
}

void FlightModel::updateFrame() {
    const wgs84::Vec3 local = wgs84::toLocal(frame_, pos_);
    if (std::hypot(local.x, local.z) <= originShift_) return;
    double lat, lon, h;
    wgs84::fromEcef(pos_, &lat, &lon, &h);
    frame_ = wgs84::localFrame(asFloat(lat), asFloat(lon));
    ++shifts_;
}

// X-Plane gives psi/theta/phi against the flat frame's axes, which tilt away
// from north, east and up under the aircraft by its distance from the origin
// over the earth's radius (true_psi and friends are the local ones). The body
// axes, built from the local angles, are re-expressed in the frame's
// north-east-down axes and the angles read back from them.
void FlightModel::frameAttitude(double lat, double lon, double psi, double theta, double phi, double* framePsi,
                                double* frameTheta, double* framePhi) const {
    wgs84::Vec3 e, n, u;
    wgs84::enuAxes(lat, lon, &e, &n, &u);
    const wgs84::Vec3 d = u * -1.0;
    const double cp = std::cos(psi * kDeg), sp = std::sin(psi * kDeg), ct = std::cos(theta * kDeg),
                 st = std::sin(theta * kDeg), cr = std::cos(phi * kDeg), sr = std::sin(phi * kDeg);
    // Body x (nose), y (right wing), z (down) in the local north-east-down axes.
    const wgs84::Vec3 bx = n * (ct * cp) + e * (ct * sp) + d * (-st);
    const wgs84::Vec3 by = n * (sr * st * cp - cr * sp) + e * (sr * st * sp + cr * cp) + d * (sr * ct);
    const wgs84::Vec3 bz = n * (cr * st * cp + sr * sp) + e * (cr * st * sp - sr * cp) + d * (cr * ct);
    const wgs84::Vec3 fd = frame_.up * -1.0;
    const double xd = std::max(-1.0, std::min(1.0, wgs84::dot(bx, fd)));
    *framePsi = wrapHeading(std::atan2(wgs84::dot(bx, frame_.east), wgs84::dot(bx, frame_.north)) / kDeg);
    *frameTheta = -std::asin(xd) / kDeg;
    *framePhi = std::atan2(wgs84::dot(by, fd), wgs84::dot(bz, fd)) / kDeg;
}

FlightState FlightModel::state() const {
    FlightState s;
    wgs84::fromEcef(pos_, &s.latitude, &s.longitude, &s.elevation);
    s.latRef = frame_.latRef;
    s.lonRef = frame_.lonRef;
    const wgs84::Vec3 l = wgs84::toLocal(frame_, pos_);
    s.x = l.x;
    s.y = l.y;
    s.z = l.z;
    const wgs84::Vec3 v = velocity(pos_, psi_);
    const wgs84::Vec3 lv = wgs84::dirToLocal(frame_, v);
    s.vx = lv.x;
    s.vy = lv.y;
    s.vz = lv.z;
    const double d = kAccelStep;
    const wgs84::Vec3 ahead = velocity(pos_ + v * d, psi_ + motion_.turnRate * d);
    const wgs84::Vec3 behind = velocity(pos_ - v * d, psi_ - motion_.turnRate * d);
    const wgs84::Vec3 la = wgs84::dirToLocal(frame_, (ahead - behind) * (1 / (2 * d)));
    s.ax = la.x;
    s.ay = la.y;
    s.az = la.z;
    s.truePsi = psi_;
    s.trueTheta = (motion_.speed == 0 && motion_.climb == 0) ? 0 : std::atan2(motion_.climb, motion_.speed) / kDeg;
    s.truePhi = std::atan(motion_.speed * motion_.turnRate * kDeg / kG) / kDeg;
    frameAttitude(s.latitude, s.longitude, s.truePsi, s.trueTheta, s.truePhi, &s.psi, &s.theta, &s.phi);
    s.speed = motion_.speed;
    s.climb = motion_.climb;
    s.turnRate = motion_.turnRate;
    return s;
}

void FlightModel::publish() const {
    using detail::DataRef;
    // Looked up once: the registry keeps its entries for the life of the process.
    enum { kFloats = 18, kLatitude = kFloats, kLongitude, kElevation, kQ, kCount };
    static DataRef* const* refs = [] {
        static const char* const kNames[kCount] = {
            "local_x", "local_y", "local_z", "local_vx", "local_vy", "local_vz", "local_ax", "local_ay", "local_az",
            "psi", "theta", "phi", "lat_ref", "lon_ref", "groundspeed", "true_psi", "true_theta", "true_phi",
            "latitude", "longitude", "elevation", "q"};
        static DataRef* r[kCount];
        for (int i = 0; i < kCount; ++i)
            r[i] = &detail::ref(("sim/flightmodel/position/" + std::string(kNames[i])).c_str());
        return r;
    }();
    const FlightState s = state();
    const double floats[kFloats] = {s.x,   s.y,     s.z,   s.vx,       s.vy,        s.vz,     s.ax,     s.ay,   s.az,
                                    s.psi, s.theta, s.phi, s.latRef, s.lonRef, s.speed,
                                    s.truePsi, s.trueTheta, s.truePhi};
    for (int i = 0; i < kFloats; ++i) detail::putFloat(*refs[i], floats[i]);
    // The global position is double in X-Plane: the flight model's exact state.
    refs[kLatitude]->scalar = s.latitude;
    refs[kLongitude]->scalar = s.longitude;
    refs[kElevation]->scalar = s.elevation;
    // Attitude quaternion from heading, pitch and roll against the frame.
    const double hp = s.psi * kDeg / 2, ht = s.theta * kDeg / 2, hr = s.phi * kDeg / 2;
    const double cp = std::cos(hp), sp = std::sin(hp), ct = std::cos(ht), st = std::sin(ht), cr = std::cos(hr),
                 sr = std::sin(hr);
    std::vector<float>& q = refs[kQ]->floats;
    q[0] = static_cast<float>(cp * ct * cr + sp * st * sr);
    q[1] = static_cast<float>(cp * ct * sr - sp * st * cr);
    q[2] = static_cast<float>(cp * st * cr + sp * ct * sr);
    q[3] = static_cast<float>(-cp * st * sr + sp * ct * cr);
}

}  // namespace xphost
