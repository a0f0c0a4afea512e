// The engine's geoid separation grid: EGM96 heights of the geoid above the
// WGS 84 ellipsoid, from a GTX file (NOAA's vertical grid format, the one of
// proj-data's egm96_15.gtx).
//
// GTX: a 40-byte big-endian header (latitude and longitude of the south-west
// node, latitude and longitude spacing as float64, in degrees; rows and
// columns as int32), then rows x columns big-endian float32 values in metres,
// row by row from the south, each row from the west. The grid must cover the
// globe (rows from -90 to +90, columns around 360 degrees, with or without a
// repeated first column); values are read bilinearly between the four nodes
// around a point, longitudes wrapping around, as PROJ reads the same file.
// Tested against PROJ's cct (tests/coord/geoid_test.cpp): within 1 mm.
#pragma once

#include "SRM_Types.h"

#include <cstdint>
#include <vector>

namespace srm_detail {

struct GeoidGrid {
    double south = 0, west = 0, dlat = 0, dlon = 0;  // degrees
    int32_t rows = 0, cols = 0;
    int32_t wrapCols = 0;  // distinct columns around the globe
    std::vector<float> values;  // rows * cols, south row first
};

// SUCCESS, MISSING_WGS84_GEOID_SEPARATION_FILE (cannot be opened or read) or
// INVALID_WGS84_GEOID_SEPARATION_FILE (bad header, not global, wrong size,
// values out of +-1000 m or not numbers). out is changed only on success.
SRM_Status_Code loadGtx(const char* path, GeoidGrid& out);

// Bilinear separation (metres) at a latitude in [-90, 90] and any longitude.
double separation(const GeoidGrid& grid, double latitude, double longitude);

}  // namespace srm_detail
