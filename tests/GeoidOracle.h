// N, the EGM96 geoid above the WGS 84 ellipsoid, as PROJ's cct (Debian's
// proj-bin) reads the grid VOLAX is installed with: the independent truth for
// heights above mean sea level.
#ifndef VOLAX_TESTS_GEOIDORACLE_H
#define VOLAX_TESTS_GEOIDORACLE_H

#include <cmath>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "TestPlatform.h"

inline double projGeoidSeparation(double latitude, double longitude) {
    volax::test::TempDir dir("volax-cct");
    char point[128];
    std::snprintf(point, sizeof point, "%.12f %.12f 0\n", longitude, latitude);
    std::ofstream(dir.file("in.txt")) << point;
    const volax::test::ProcessResult r = volax::test::runProcess(
        {"cct", "-d", "6", "+proj=vgridshift", std::string("+grids=") + VOLAX_GEOID_GRID_PATH, "+multiplier=1",
         dir.file("in.txt")});
    double lon, lat, n = NAN;
    std::istringstream out(r.output);
    if (r.exitCode != 0 || !(out >> lon >> lat >> n)) n = NAN;
    return n;
}

#endif
