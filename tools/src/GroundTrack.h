#ifndef VOLAX_TOOLS_GROUNDTRACK_H
#define VOLAX_TOOLS_GROUNDTRACK_H

// Ground speed and true heading from a geocentric (earth-fixed, WGS 84)
// velocity, by rotating it into the local east/north/up frame at the given
// geodetic latitude and longitude (degrees).

namespace volaxfed {

struct GroundTrack {
    double east = 0, north = 0, up = 0;  // m/s
    double groundSpeed = 0;              // m/s, horizontal
    double heading = 0;                  // degrees true, [0, 360); 0 when not moving horizontally
};

GroundTrack groundTrackFromGeocentric(double latitudeDeg, double longitudeDeg, double vx, double vy, double vz);

}  // namespace volaxfed

#endif
