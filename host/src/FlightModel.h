#ifndef VOLAX_HOST_FLIGHTMODEL_H
#define VOLAX_HOST_FLIGHTMODEL_H

// A kinematic aircraft flown along a Route. The state is kept in ECEF; the
// simulator's local frame (x east, y up, z south, origin on the ellipsoid at
// lat_ref/lon_ref) is derived from it. As in X-Plane the frame is flat and
// its origin stays put until the aircraft is more than the origin-shift
// distance away (a scenery shift), so far from the origin local_y is not the
// height: the earth curves away under the plane (785 m at 100 km).
//
// Within a leg: constant horizontal speed along the heading (true north at
// the aircraft), constant climb rate along the local vertical, constant turn
// rate; speed, climb and turn rate change at once at leg boundaries.
// Integration is midpoint (RK2) in ECEF; acceleration is the exact central
// difference of the velocity field. Pitch follows the flight path, bank is the
// coordinated-turn bank atan(v * omega / g); these are true_psi/true_theta/
// true_phi, and psi/theta/phi are the same attitude against the frame's axes.

#include "Route.h"
#include "Wgs84.h"
#include "XPLMHost.h"

namespace xphost {

class FlightModel {
public:
    static constexpr double kDefaultOriginShift = 100000.0;  // m

    void reset(const Route& route);
    // Takes effect at the next step; the current frame is kept.
    void setOriginShift(double metres) { originShift_ = metres; }
    double originShift() const { return originShift_; }
    const wgs84::LocalFrame& frame() const { return frame_; }
    // Scenery shifts since the last reset.
    long long shifts() const { return shifts_; }
    void step(double dt);
    void publish() const;  // writes the position data references
    FlightState state() const;
    const Route& route() const { return route_; }

private:
    struct Motion {
        double speed = 0, climb = 0, turnRate = 0;
    };
    wgs84::Vec3 velocity(const wgs84::Vec3& p, double psiDeg) const;
    void advance(double h);
    void nextLeg();
    void updateFrame();
    void frameAttitude(double lat, double lon, double psi, double theta, double phi, double* framePsi,
                       double* frameTheta, double* framePhi) const;

    Route route_;
    size_t leg_ = 0;
    double legLeft_ = 0;  // seconds left in the current leg
    Motion motion_;
    double psi_ = 0;
    wgs84::Vec3 pos_;
    wgs84::LocalFrame frame_;
    double originShift_ = kDefaultOriginShift;
    long long shifts_ = 0;
};

}  // namespace xphost

#endif
