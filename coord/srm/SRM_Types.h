// Codes and records of the spatial reference engine (SRM vocabulary).
//
// Only the three-dimensional frames geodetic (GD), geocentric (GC) and local
// tangent plane (LTP) carry parameter and coordinate records here; the other
// frame codes exist so that a record naming them can be checked and refused.
// All enumerations are plain integers of the stated width.
#pragma once

#include <cstdint>

typedef std::int32_t SRM_Dimensionality;
enum : SRM_Dimensionality { SRM_DIM_TWO_D = 0, SRM_DIM_THREE_D = 1 };

typedef std::int16_t SRM_SRF_3D;
enum : SRM_SRF_3D {
    SRM_SRF_3D_GD = 1,
    SRM_SRF_3D_GC = 2,
    SRM_SRF_3D_GM = 3,
    SRM_SRF_3D_GEI = 4,
    SRM_SRF_3D_GSE = 5,
    SRM_SRF_3D_GSM = 6,
    SRM_SRF_3D_SM = 7,
    SRM_SRF_3D_GCS = 8,
    SRM_SRF_3D_AEC = 9,
    SRM_SRF_3D_APS = 10,
    SRM_SRF_3D_ALCC = 11,
    SRM_SRF_3D_ATM = 12,
    SRM_SRF_3D_AUTM = 13,
    SRM_SRF_3D_LTP = 14,
    SRM_SRF_3D_LSR = 15,
    SRM_SRF_3D_AM = 16,
    SRM_SRF_3D_AOM = 17,
    SRM_SRF_3D_AUPS = 18
};

// Two-dimensional frames: none is supported by this engine slice.
typedef std::int16_t SRM_SRF_2D;

typedef std::int16_t SRM_Horizontal_Datum_Code;
enum : SRM_Horizontal_Datum_Code {
    SRM_HDATUM_FIRST = 1,
    SRM_HDATUM_WGS_1972 = 180,
    SRM_HDATUM_WGS_1984 = 181,
    SRM_HDATUM_LAST = 229
};

typedef std::int16_t SRM_Vertical_Datum_Code;
enum : SRM_Vertical_Datum_Code {
    SRM_VDATUM_MSL = 1,
    SRM_VDATUM_WGS84G = 2,
    SRM_VDATUM_WGS84E = 3,
    SRM_VDATUM_SPHERICAL_ACM = 4,
    SRM_VDATUM_SPHERICAL_COA = 5,
    SRM_VDATUM_SPHERICAL_NOG = 6,
    SRM_VDATUM_SPHERICAL_MFE = 7,
    SRM_VDATUM_SPHERICAL_MOD_M = 8,
    SRM_VDATUM_SPHERICAL_MOD_S = 9,
    SRM_VDATUM_SPHERICAL_MOD_T = 10,
    SRM_VDATUM_SPHERICAL_MM5 = 11,
    SRM_VDATUM_EGM96 = 12,
    SRM_VDATUM_NAVD88 = 13,
    SRM_VDATUM_NGVD29 = 14
};

typedef std::int32_t SRM_Elevation_Unit;
enum : SRM_Elevation_Unit { SRM_ELEV_UNIT_FOOT = 0, SRM_ELEV_UNIT_METRE = 1 };

typedef std::int32_t SRM_Ellipsoid_Of_Revolution;
enum : SRM_Ellipsoid_Of_Revolution { SRM_EOR_WGS_1984 = 25 };

typedef std::int16_t SRM_Status_Code;
enum : SRM_Status_Code {
    SRM_STAT_CODE_SUCCESS = 1,
    SRM_STAT_CODE_INVALID_SOURCE_SRF_PARAMETERS = 2,
    SRM_STAT_CODE_INVALID_DEST_SRF_PARAMETERS = 3,
    SRM_STAT_CODE_INVALID_SRF_PAIR = 4,
    SRM_STAT_CODE_INVALID_SOURCE_COORD = 5,
    SRM_STAT_CODE_EXTENDED_SOURCE_COORD = 6,
    SRM_STAT_CODE_INVALID_DEST_COORD = 7,
    SRM_STAT_CODE_EXTENDED_DEST_COORD = 8,
    SRM_STAT_CODE_EXTENDED_SOURCE_AND_DEST_COORD = 9,
    SRM_STAT_CODE_UNSUPPORTED = 10,
    SRM_STAT_CODE_INVALID_SOURCE_VECTOR = 11,
    SRM_STAT_CODE_INVALID_DEST_VECTOR = 12,
    SRM_STAT_CODE_INVALID_SOURCE_MATRIX = 13,
    SRM_STAT_CODE_INVALID_DEST_MATRIX = 14,
    SRM_STAT_CODE_INVALID_DEST_COSINE_GAMMA = 15,
    SRM_STAT_CODE_INVALID_DEST_SINE_GAMMA = 16,
    SRM_STAT_CODE_MISSING_WGS84_GEOID_SEPARATION_FILE = 17,
    SRM_STAT_CODE_INVALID_WGS84_GEOID_SEPARATION_FILE = 18,
    SRM_STAT_CODE_FAILURE = 19
};

// ---- frame parameter records ----

struct SRM_GD_Parameters_3D {
    SRM_Horizontal_Datum_Code horizontal_datum;
    SRM_Vertical_Datum_Code vertical_datum;
    SRM_Elevation_Unit elevation_unit;
};

struct SRM_GC_Parameters_3D {
    int ignore_na;
};

// The origin lies on the ellipsoid; there is no origin height.
struct SRM_LTP_Parameters_3D {
    SRM_Horizontal_Datum_Code horizontal_datum;
    SRM_Vertical_Datum_Code vertical_datum;
    double geodetic_longitude;  // degrees
    double geodetic_latitude;   // degrees
    double azimuth;             // degrees, 0..360: direction of +y, clockwise from north
    double x_offset;            // metres: LTP x of the origin point
    double y_offset;            // metres: LTP y of the origin point
    SRM_Elevation_Unit z_unit;
};

struct SRM_SRF_Parameters_3D {
    SRM_SRF_3D spatial_reference_frame;
    union {
        SRM_GD_Parameters_3D gd;
        SRM_GC_Parameters_3D gc;
        SRM_LTP_Parameters_3D ltp;
    } parameters;
};

struct SRM_SRF_Parameters_2D {
    SRM_SRF_2D spatial_reference_frame;
};

struct SRM_SRF_Parameters {
    SRM_Dimensionality dimensionality;
    union {
        SRM_SRF_Parameters_2D two_d;
        SRM_SRF_Parameters_3D three_d;
    } parameters;
};

// ---- coordinate records ----

struct SRM_GD_Coordinate_3D {
    double geodetic_longitude;  // degrees
    double geodetic_latitude;   // degrees
    double elevation;           // in the frame's elevation unit
};

struct SRM_GC_Coordinate_3D {
    double x, y, z;  // metres
};

struct SRM_LTP_Coordinate_3D {
    double x, y, z;  // metres (z in the frame's z_unit)
};

struct SRM_Coordinate_3D {
    SRM_SRF_3D spatial_reference_frame;
    union {
        SRM_GD_Coordinate_3D gd;
        SRM_GC_Coordinate_3D gc;
        SRM_LTP_Coordinate_3D ltp;
    } coordinate;
};

struct SRM_Coordinate_2D {
    SRM_SRF_2D spatial_reference_frame;
    double c0, c1;
};

struct SRM_Coordinate {
    SRM_Dimensionality dimensionality;
    union {
        SRM_Coordinate_2D two_d;
        SRM_Coordinate_3D three_d;
    } coordinate;
};
