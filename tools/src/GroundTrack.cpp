#include "GroundTrack.h"

#include <cmath>

namespace volaxfed {

GroundTrack groundTrackFromGeocentric(double latitudeDeg, double longitudeDeg, double vx, double vy, double vz) {
    const double deg = M_PI / 180.0;
    const double sphi = std::sin(latitudeDeg * deg), cphi = std::cos(latitudeDeg * deg);
    const double slam = std::sin(longitudeDeg * deg), clam = std::cos(longitudeDeg * deg);
    GroundTrack t;
    t.east = -slam * vx + clam * vy;
    t.north = -sphi * clam * vx - sphi * slam * vy + cphi * vz;
    t.up = cphi * clam * vx + cphi * slam * vy + sphi * vz;
    t.groundSpeed = std::hypot(t.east, t.north);
    if (t.groundSpeed > 1e-9) {
        t.heading = std::atan2(t.east, t.north) / deg;
        if (t.heading < 0) t.heading += 360.0;
        if (t.heading >= 360.0) t.heading -= 360.0;
    }
    return t;
}

}  // namespace volaxfed
