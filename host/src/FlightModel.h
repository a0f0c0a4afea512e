#ifndef VOLAX_HOST_FLIGHTMODEL_H
#define VOLAX_HOST_FLIGHTMODEL_H

// A kinematic aircraft flown along a Route. The state is kept in ECEF; the
// simulator's local frame (x east, y up, z south, origin on the ellipsoid at
// lat_ref/lon_ref) is derived from it, and its origin moves under the
// aircraft when the aircraft is more than kOriginShiftDistance away, so that
// local_y stays within 0.3 m of the height above the ellipsoid.
//
// Within a leg: constant horizontal speed along the heading (true north at
// the aircraft), constant climb rate along the local vertical, constant turn
// rate; speed, climb and turn rate change at once at leg boundaries.
// Integration is midpoint (RK2) in ECEF; acceleration is the exact central
// difference of the velocity field. Pitch follows the flight path, bank is the
// coordinated-turn bank atan(v * omega / g).

#include "Route.h"
#include "Wgs84.h"
#include "XPLMHost.h"

namespace xphost {

class FlightModel {
public:
    static constexpr double kOriginShiftDistance = 1900.0;

    void reset(const Route& route);
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

    Route route_;
    size_t leg_ = 0;
    double legLeft_ = 0;  // seconds left in the current leg
    Motion motion_;
    double psi_ = 0;
    wgs84::Vec3 pos_;
    wgs84::LocalFrame frame_;
};

}  // namespace xphost

#endif
