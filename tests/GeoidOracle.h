// N, the EGM96 geoid above the WGS 84 ellipsoid, as PROJ's cct (Debian's
// proj-bin) reads the grid VOLAX is installed with: the independent truth for
// heights above mean sea level.
#ifndef VOLAX_TESTS_GEOIDORACLE_H
#define VOLAX_TESTS_GEOIDORACLE_H

#include <cmath>
#include <cstdio>
#include <string>

inline double projGeoidSeparation(double latitude, double longitude) {
    char command[512];
    std::snprintf(command, sizeof command,
                  "echo '%.12f %.12f 0' | cct -d 6 +proj=vgridshift +grids=%s +multiplier=1", longitude, latitude,
                  VOLAX_GEOID_GRID_PATH);
    double lon, lat, n = NAN;
    if (FILE* pipe = popen(command, "r")) {
        if (std::fscanf(pipe, "%lf %lf %lf", &lon, &lat, &n) != 3) n = NAN;
        pclose(pipe);
    }
    return n;
}

#endif
