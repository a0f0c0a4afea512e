// Spatial reference engine: conversion plans between reference frames.
//
// Frames: geodetic (GD: longitude, latitude in degrees, elevation above the
// ellipsoid), geocentric (GC: earth-centred earth-fixed x, y, z in metres) and
// local tangent plane (LTP: east, north, up in metres from an origin on the
// ellipsoid), on the WGS 84 ellipsoid (a = 6378137 m, 1/f = 298.257223563).
// Supported plans: GD -> GC, GC -> GD and LTP -> GC, with elevation or z in
// metres or feet. A GD side may hold heights above the EGM96 geoid
// (SRM_VDATUM_EGM96, mean sea level): the plan adds or subtracts the geoid
// separation N of the grid loaded with SRM_LoadGeoidSeparationFile, read
// bilinearly (SRM_Geoid.h; within 1 mm of PROJ's cct on the same file).
// Without a grid such plans fail with the status of the last load (17
// missing, 18 invalid). Other frames, datums and vertical datums are refused
// with SRM_STAT_CODE_UNSUPPORTED (WGS84G heights with
// SRM_STAT_CODE_MISSING_WGS84_GEOID_SEPARATION_FILE: no grid for that geoid).
//
// Method: a plan (CoordOpParams) is made once from two frame parameter sets
// and holds an ordered list of operations (unit scalings as 4x4 matrices, one
// conversion step with its precomputed constants). Applying it checks the
// source coordinate, runs the operations and writes the destination.
//  - GD -> GC: closed formula; N from two Newton steps of the square root
//    (0.1 mm short at the poles).
//  - GC -> GD: between about -10 km and +50 km height one rational
//    expression, elsewhere the closed form of Heikkinen; points within about
//    224 m of the centre have no geodetic position.
//  - LTP -> GC: rotation and translation by the origin.
// Accuracy, measured against GeographicLib's Geocentric in double precision
// (tests/coord/oracle_test.cpp, all latitudes and longitudes):
//  - GD -> GC: 0.006 mm up to 45 degrees latitude, 0.1 mm at the poles.
//  - GC -> GD inside the shell (-10 km .. +50 km): 0.42 mm in height,
//    7e-9 degrees in latitude; outside it (-1000 km .. 36000 km): 2e-8 m and
//    3e-14 degrees. Tested bounds: 1 mm and 1e-8 degrees.
//
// Example:
//   SRM_SRF_Parameters gd = ..., gc = ...;   // see SRM_Types.h
//   CoordOpParams* plan = nullptr;
//   if (createCoordOpParams(&gd, &gc, &plan) == SRM_STAT_CODE_SUCCESS) {
//       SRM_Coordinate in = ..., out;
//       changeCoordinate(plan, &in, &out);
//       destroyCoordOpParams(plan);
//   }
//
// Diagnostics of the checks go to the engine's error stream (stderr unless
// set). Single-threaded: plans share only read-only tables and that stream.
#pragma once

#include "SRM_Types.h"

#include <cstddef>
#include <cstdio>

enum SRM_Operation_Kind {
    SRM_OP_COPY = 0,        // working value unchanged
    SRM_OP_CONVERSION = 1,  // a conversion step
    SRM_OP_MATRIX = 2       // 4x4 matrix on the homogeneous working value
};

struct SRM_Operation;

// A conversion step: working value in (4 doubles), result out (4 doubles).
typedef SRM_Status_Code (*SRM_Step_Function)(const SRM_Operation* op, const double* in,
                                             double* out);

struct SRM_Operation {
    SRM_Operation_Kind kind;
    SRM_Step_Function step;     // SRM_OP_CONVERSION
    double ellipsoid[11];       // a, a (sphere), f, b, e^2, e, e'^2, e/2, e^2/4, a^2, b^2
    void* data;                 // conversion: precomputed block; matrix: 16 doubles, row-major
    SRM_Operation* next;
};

// The conversion plan ("pair"). Owned by its creator; release it with
// destroyCoordOpParams. Applying it does not change it.
struct CoordOpParams {
    SRM_SRF_Parameters source;
    SRM_SRF_Parameters target;
    SRM_Operation* operations;  // in order
};

// Plans the conversion from source to target frame. On a usable status
// (SUCCESS, EXTENDED_SOURCE_COORD, EXTENDED_DEST_COORD) *plan is the new plan;
// otherwise *plan is set to null and nothing stays allocated.
// Statuses: 2/3 invalid source/target parameters, 10 unsupported frame pair
// or datum, 17/18 EGM96 heights without a loaded grid (WGS84G heights: 17),
// 19 no memory or no place for the plan.
SRM_Status_Code createCoordOpParams(const SRM_SRF_Parameters* source, const SRM_SRF_Parameters* target,
                                    CoordOpParams** plan);

// Converts source (in the plan's source frame) into *destination.
// Statuses: 2 no plan, 7 no destination, 5 no source, invalid source (messages
// on the error stream) or a source in another frame than the plan's, 19 empty
// plan, else the conversion's status (GC -> GD: 7 at or near the centre).
// On failure the destination is left untouched.
SRM_Status_Code changeCoordinate(const CoordOpParams* plan, const SRM_Coordinate* source,
                                 SRM_Coordinate* destination);

// LTP -> GC plans only (others: 10). position is checked (5 when missing,
// invalid or not in the plan's source frame) but not otherwise used: the
// vector's components are converted as a point into result. The caller
// subtracts the converted position itself. Statuses: 4 no plan, 11 no vector,
// 12 no result.
SRM_Status_Code changeVector(const CoordOpParams* plan, const SRM_Coordinate* position,
                             const double* vector, double* result);

// Releases the plan and its operations. FAILURE when plan is null.
SRM_Status_Code destroyCoordOpParams(CoordOpParams* plan);

// The enumerator's name, e.g. "SRM_STAT_CODE_INVALID_SOURCE_COORD";
// "SRM_STAT_CODE_UNKNOWN" outside 1..19.
const char* statusName(SRM_Status_Code status);

// Checks: 1 valid, 0 invalid. Each failed test adds one to *failures (when
// given) and, with report set, writes its message to the error stream.
int SRM_ValidSRFParameters(const SRM_SRF_Parameters* value, int report, int* failures);
int SRM_ValidSRFParameters3D(const SRM_SRF_Parameters_3D* value, int report, int* failures);
int SRM_ValidGDParameters3D(const SRM_GD_Parameters_3D* value, int report, int* failures);
int SRM_ValidLTPParameters3D(const SRM_LTP_Parameters_3D* value, int report, int* failures);
int SRM_ValidCoordinate(const SRM_Coordinate* value, int report, int* failures);
int SRM_ValidCoordinate3D(const SRM_Coordinate_3D* value, int report, int* failures);
int SRM_ValidGDCoordinate3D(const SRM_GD_Coordinate_3D* value, int report, int* failures);

// The EGM96 geoid separation grid, a GTX file such as proj-data's
// egm96_15.gtx, for every plan and call that follows. Statuses: 1 loaded, 17
// SRM_STAT_CODE_MISSING_WGS84_GEOID_SEPARATION_FILE (not there or not
// readable), 18 SRM_STAT_CODE_INVALID_WGS84_GEOID_SEPARATION_FILE (truncated,
// not global, not a GTX grid). A failed load leaves no grid.
SRM_Status_Code SRM_LoadGeoidSeparationFile(const char* path);
void SRM_UnloadGeoidSeparationFile();
// N, the height of the EGM96 geoid above the WGS 84 ellipsoid (metres), at a
// geodetic latitude and longitude (degrees). Statuses: 1; 17 or 18 without a
// grid (as the last load said); 5 latitude outside +-90.0005 or longitude not
// finite; 7 no result.
SRM_Status_Code SRM_GeoidSeparation(double latitude, double longitude, double* separation);

// Where the check messages go; null restores the standard error stream.
void SRM_SetErrorStream(FILE* stream);
FILE* SRM_GetErrorStream();

// Plan memory comes from here (default: std::malloc / std::free); null
// restores the default. Change it only while no plan exists. Lets tests
// exercise the out-of-memory path.
typedef void* (*SRM_Alloc_Function)(std::size_t size);
typedef void (*SRM_Free_Function)(void* block);
void SRM_SetAllocator(SRM_Alloc_Function alloc, SRM_Free_Function release);
