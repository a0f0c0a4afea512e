// QVCoordConv: the ownship's state from simulator frames to geocentric WGS 84.
//
// Frames and units (all on WGS 84, a = 6378137 m, 1/f = 298.257223563):
//  - geocentric (GC): x, y, z in metres, earth-centred earth-fixed; +x at
//    latitude 0 / longitude 0, +y at longitude 90 E, +z at the north pole.
//  - geodetic (GD): latitude, longitude in degrees, height in metres above
//    the ellipsoid. Arguments always give the latitude first.
//  - local tangent plane (LTP): x east, y north, z up in metres, origin on the
//    ellipsoid at the given latitude/longitude.
//  - attitude in: psi, theta, phi (degrees) of the body against local
//    north-east-down; out: the same body attitude against the GC axes
//    (successive rotations about z, new y, newest x), degrees. Extracted as
//    psi from the nose's projection on the equator plane, then theta and phi
//    from the axes turned back by psi, so the output stays the same rotation
//    with the nose along the earth's axis (within 1e-6 rad of an independent
//    quaternion construction, tests/coord/attitude_test.cpp).
//
// Method: each call describes its frames as parameter sets of the spatial
// reference engine (coord/srm/SRM.h) and runs the engine's arithmetic: Newton
// form of the prime-vertical radius, a rational near-surface inverse between
// about -10 km and +50 km height and Heikkinen's closed form elsewhere, and an
// affine LTP map (velocity, acceleration and body axes are converted as points
// offset from the position, then the converted position is subtracted).
// Inputs are floats widened to double, every intermediate is double, outputs
// are rounded to float once. gdc2gcc/gcc2gdc/ltp2gcc take a direct path
// without a plan object; whenever an input would fail they hand over to the
// plan path (the *ByPlan functions), so results, statuses, log lines and the
// outputs written on failure are those of the plan path, bit for bit
// (tests/coord checks 1e5 random states).
//
// Accuracy (tests/coord/oracle_test.cpp, the double functions against
// GeographicLib::Geocentric, all latitudes and longitudes): gdc2gcc within
// 0.006 mm up to 45 degrees latitude and 0.1 mm at the poles (Newton form of
// N); gcc2gdc within 0.42 mm in height and 7e-9 degrees between -10 km and
// +50 km, 2e-8 m and 3e-14 degrees from -1000 km to 36000 km. The float
// functions round GC positions near the surface to the float grid of 0.5 m.
//
// Failures return false and write the operation's line to the log stream:
//   "QVCoordConv::<op> : Failed to create pair!"            plan not made
//   "QVCoordConv::gdc2gcc : Failed to change pos! (<status name>)"
//   "QVCoordConv::ltp2gcc : Failed to change pos!|vel!|acc!|att!"
// gdc2gcc fails for latitude outside +-90.0005, longitude outside +-180.0005
// degrees, a NaN, or a non-finite height (the engine also prints its check
// messages to its error stream); gcc2gdc for non-finite input and for points
// where Heikkinen's G = W^2 + (1-e^2) Z^2 - e^2 (a^2-b^2) is not positive (an
// ellipse around the centre 42.7 km across the equator plane, 42.8 km along
// the axis, on the polar axis too), status SRM_STAT_CODE_INVALID_DEST_COORD;
// ltp2gcc for an origin out of range or a non-finite input. No conversion
// hands out a non-finite value: a result that overflows (double, or float for
// the float functions) fails with SRM_STAT_CODE_INVALID_DEST_COORD ("pos",
// "vel" or "acc" for ltp2gcc). A failing gdc2gcc/gcc2gdc writes no output; a
// failing ltp2gcc leaves the outputs of the steps done before written.
//
// Example:
//   float x, y, z;
//   if (QVCoordConv::gdc2gcc(52.0f, 4.5f, 120.0f, x, y, z)) { ... }
//
// Not thread-safe: the log stream is a plain class-wide value.
#pragma once

#include <cstdio>

class QVCoordConv {
public:
    QVCoordConv() = delete;

    // null: no log lines.
    static void setLogFile(FILE* stream);
    static FILE* getLogFile();

    static bool gdc2gcc(float latitude, float longitude, float height, float& x, float& y, float& z);
    static bool gcc2gdc(float x, float y, float z, float& latitude, float& longitude, float& height);
    static bool ltp2gcc(float originLatitude, float originLongitude,
                        float px, float py, float pz, float vx, float vy, float vz, float ax, float ay, float az,
                        float psi, float theta, float phi,
                        float& gpx, float& gpy, float& gpz, float& gvx, float& gvy, float& gvz,
                        float& gax, float& gay, float& gaz, float& gpsi, float& gtheta, float& gphi);

    // Double-precision pair for peer tools (e.g. turning a received float64
    // world location back into latitude/longitude/height without float
    // rounding). Same arithmetic, checks and failures as the float functions;
    // log lines carry the tags "QVCoordConv::gdc2gccDouble" and
    // "QVCoordConv::gcc2gdcDouble".
    static bool gdc2gccDouble(double latitude, double longitude, double height, double& x, double& y, double& z);
    static bool gcc2gdcDouble(double x, double y, double z, double& latitude, double& longitude, double& height);

    // Vertical datum of geodetic heights: the WGS 84 ellipsoid, or the EGM96
    // geoid (mean sea level: X-Plane's elevations, KML's absolute altitudes).
    // EGM96 heights are h - N, with N from the grid of loadGeoid read
    // bilinearly as PROJ does (coord/srm/SRM_Geoid.h; within 1 mm of PROJ's
    // cct, tests/coord/geoid_test.cpp).
    enum class VerticalDatum { WGS84E, EGM96 };

    // Loads the EGM96 grid (a GTX file such as proj-data's egm96_15.gtx) for
    // every EGM96 conversion that follows. Returns the engine's status:
    // SRM_STAT_CODE_SUCCESS (1), _MISSING_WGS84_GEOID_SEPARATION_FILE (17),
    // _INVALID_WGS84_GEOID_SEPARATION_FILE (18); a failed load leaves no grid.
    static int loadGeoid(const char* path);
    // N in metres (geoid above the ellipsoid); false without a grid or for a
    // latitude out of range.
    static bool geoidSeparation(double latitude, double longitude, double& separation);
    // As the double pair above, heights in `datum`. Without a grid an EGM96
    // call fails ("Failed to create pair!", the engine's status 17 or 18).
    static bool gdc2gccDouble(double latitude, double longitude, double height, VerticalDatum datum, double& x,
                              double& y, double& z);
    static bool gcc2gdcDouble(double x, double y, double z, VerticalDatum datum, double& latitude, double& longitude,
                              double& height);

    // Reference path: every call creates, applies and destroys an engine plan.
    // Same results as the functions above; kept for tests and comparisons.
    static bool gdc2gccByPlan(float latitude, float longitude, float height, float& x, float& y, float& z);
    static bool gcc2gdcByPlan(float x, float y, float z, float& latitude, float& longitude, float& height);
    static bool ltp2gccByPlan(float originLatitude, float originLongitude,
                              float px, float py, float pz, float vx, float vy, float vz,
                              float ax, float ay, float az, float psi, float theta, float phi,
                              float& gpx, float& gpy, float& gpz, float& gvx, float& gvy, float& gvz,
                              float& gax, float& gay, float& gaz, float& gpsi, float& gtheta, float& gphi);
};
