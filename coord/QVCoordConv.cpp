#include "QVCoordConv.h"

#include "SRM.h"
#include "SRM_Kernels.h"

#include <algorithm>
#include <cmath>
#include <cstdarg>

namespace {

FILE* g_logFile = nullptr;

#if defined(__GNUC__)
__attribute__((format(printf, 1, 2)))
#endif
void logLine(const char* format, ...)
{
    if (!g_logFile) return;
    va_list args;
    va_start(args, format);
    std::vfprintf(g_logFile, format, args);
    va_end(args);
}

// pi as the attitude code has always used it, in both directions.
constexpr double kAttitudePi = 3.14159265358979;

// ---- frame parameter sets and coordinates ----

SRM_SRF_Parameters gdParameters()
{
    SRM_SRF_Parameters p{};
    p.dimensionality = SRM_DIM_THREE_D;
    p.parameters.three_d.spatial_reference_frame = SRM_SRF_3D_GD;
    p.parameters.three_d.parameters.gd.horizontal_datum = SRM_HDATUM_WGS_1984;
    p.parameters.three_d.parameters.gd.vertical_datum = SRM_VDATUM_WGS84E;
    p.parameters.three_d.parameters.gd.elevation_unit = SRM_ELEV_UNIT_METRE;
    return p;
}

SRM_SRF_Parameters gdEgm96Parameters()
{
    SRM_SRF_Parameters p = gdParameters();
    p.parameters.three_d.parameters.gd.vertical_datum = SRM_VDATUM_EGM96;
    return p;
}

SRM_SRF_Parameters gcParameters()
{
    SRM_SRF_Parameters p{};
    p.dimensionality = SRM_DIM_THREE_D;
    p.parameters.three_d.spatial_reference_frame = SRM_SRF_3D_GC;
    return p;
}

SRM_LTP_Parameters_3D ltpRecord(double originLatitude, double originLongitude)
{
    SRM_LTP_Parameters_3D l{};
    l.horizontal_datum = SRM_HDATUM_WGS_1984;
    l.vertical_datum = SRM_VDATUM_WGS84E;
    l.geodetic_longitude = originLongitude;
    l.geodetic_latitude = originLatitude;
    l.azimuth = 0.0;
    l.x_offset = 0.0;
    l.y_offset = 0.0;
    l.z_unit = SRM_ELEV_UNIT_METRE;
    return l;
}

SRM_SRF_Parameters ltpParameters(double originLatitude, double originLongitude)
{
    SRM_SRF_Parameters p{};
    p.dimensionality = SRM_DIM_THREE_D;
    p.parameters.three_d.spatial_reference_frame = SRM_SRF_3D_LTP;
    p.parameters.three_d.parameters.ltp = ltpRecord(originLatitude, originLongitude);
    return p;
}

SRM_Coordinate gdCoordinate(double latitude, double longitude, double height)
{
    SRM_Coordinate c{};
    c.dimensionality = SRM_DIM_THREE_D;
    c.coordinate.three_d.spatial_reference_frame = SRM_SRF_3D_GD;
    c.coordinate.three_d.coordinate.gd = SRM_GD_Coordinate_3D{longitude, latitude, height};
    return c;
}

SRM_Coordinate gcCoordinate(double x, double y, double z)
{
    SRM_Coordinate c{};
    c.dimensionality = SRM_DIM_THREE_D;
    c.coordinate.three_d.spatial_reference_frame = SRM_SRF_3D_GC;
    c.coordinate.three_d.coordinate.gc = SRM_GC_Coordinate_3D{x, y, z};
    return c;
}

SRM_Coordinate ltpCoordinate(double x, double y, double z)
{
    SRM_Coordinate c{};
    c.dimensionality = SRM_DIM_THREE_D;
    c.coordinate.three_d.spatial_reference_frame = SRM_SRF_3D_LTP;
    c.coordinate.three_d.coordinate.ltp = SRM_LTP_Coordinate_3D{x, y, z};
    return c;
}

// The direct path's constants. The conversion steps never read e or e/2, the
// only values that need a square root, so these can be compile-time constants.
constexpr srm_detail::EllipsoidValues kWgs84 =
    srm_detail::makeEllipsoidValuesWithoutE(srm_detail::kWgs84A, srm_detail::kWgs84InverseFlattening);
constexpr srm_detail::GcToGdBlock kGcToGd = srm_detail::makeGcToGdBlock(kWgs84);

// ---- attitude ----

// Body axes (columns: x forward, y right, z down) in north-east-down rows.
void bodyToNed(float psi, float theta, float phi, double m[3][3])
{
    const float psiR = static_cast<float>(static_cast<double>(psi) * kAttitudePi / 180.0);
    const float thetaR = static_cast<float>(static_cast<double>(theta) * kAttitudePi / 180.0);
    const float phiR = static_cast<float>(static_cast<double>(phi) * kAttitudePi / 180.0);
    const double cps = static_cast<float>(std::cos(static_cast<double>(psiR)));
    const double sps = static_cast<float>(std::sin(static_cast<double>(psiR)));
    const double cth = static_cast<float>(std::cos(static_cast<double>(thetaR)));
    const double sth = static_cast<float>(std::sin(static_cast<double>(thetaR)));
    const double cph = static_cast<float>(std::cos(static_cast<double>(phiR)));
    const double sph = static_cast<float>(std::sin(static_cast<double>(phiR)));

    m[0][0] = cth * cps;
    m[0][1] = -sps * cph + cps * sth * sph;
    m[0][2] = sps * sph + cph * cps * sth;
    m[1][0] = cth * sps;
    m[1][1] = cps * cph + sph * sps * sth;
    m[1][2] = -cps * sph + cph * sps * sth;
    m[2][0] = -sth;
    m[2][1] = cth * sph;
    m[2][2] = cth * cph;
}

// The LTP point of body axis i, offset from the position (NED turned into ENU).
void axisPoint(const double p[3], const double m[3][3], int i, double out[3])
{
    out[0] = p[0] + m[1][i];
    out[1] = p[1] + m[0][i];
    out[2] = p[2] - m[2][i];
}

float toDegrees(float radians) { return static_cast<float>(static_cast<double>(radians) * 180.0 / kAttitudePi); }

// Euler angles of the body axes g (columns, in GC rows x, y, z), degrees.
// psi comes from the nose's projection on the equator plane; theta and phi from the
// axes turned back by that psi. With the nose along the earth's axis the projection
// vanishes and psi is arbitrary, but theta and phi are then taken against the psi
// actually chosen, so the three angles still describe the same rotation (an asin of
// the nose's z and atan2s of vanishing components would not).
void eulerFromAxes(const double g[3][3], float& psi, float& theta, float& phi)
{
    const float ps = static_cast<float>(std::atan2(g[1][0], g[0][0]));
    const double c = std::cos(static_cast<double>(ps)), s = std::sin(static_cast<double>(ps));
    const float th = static_cast<float>(std::atan2(-g[2][0], c * g[0][0] + s * g[1][0]));
    const float ph = static_cast<float>(std::atan2(s * g[0][2] - c * g[1][2], c * g[1][1] - s * g[0][1]));
    psi = toDegrees(ps);
    theta = toDegrees(th);
    phi = toDegrees(ph);
}

// ---- plan path ----

// One plan applied to one coordinate: the common frame of gdc2gcc and gcc2gdc.
bool convertPlanned(const char* tag, const SRM_SRF_Parameters& src, const SRM_SRF_Parameters& dst,
                    const SRM_Coordinate& in, SRM_Coordinate& result)
{
    CoordOpParams* plan = nullptr;
    if (createCoordOpParams(&src, &dst, &plan) != SRM_STAT_CODE_SUCCESS) {
        logLine("%s : Failed to create pair!\n", tag);
        return false;
    }
    const SRM_Status_Code status = changeCoordinate(plan, &in, &result);
    destroyCoordOpParams(plan);
    if (status != SRM_STAT_CODE_SUCCESS) {
        logLine("%s : Failed to change pos! (%s)\n", tag, statusName(status));
        return false;
    }
    return true;
}

bool gdc2gccPlanned(const char* tag, double latitude, double longitude, double height, double out[3])
{
    SRM_Coordinate result{};
    if (!convertPlanned(tag, gdParameters(), gcParameters(), gdCoordinate(latitude, longitude, height), result))
        return false;
    out[0] = result.coordinate.three_d.coordinate.gc.x;
    out[1] = result.coordinate.three_d.coordinate.gc.y;
    out[2] = result.coordinate.three_d.coordinate.gc.z;
    return true;
}

// out: latitude, longitude, height.
bool gcc2gdcPlanned(const char* tag, double x, double y, double z, double out[3])
{
    SRM_Coordinate result{};
    if (!convertPlanned(tag, gcParameters(), gdParameters(), gcCoordinate(x, y, z), result)) return false;
    out[0] = result.coordinate.three_d.coordinate.gd.geodetic_latitude;
    out[1] = result.coordinate.three_d.coordinate.gd.geodetic_longitude;
    out[2] = result.coordinate.three_d.coordinate.gd.elevation;
    return true;
}

// ---- direct path: false means "let the plan path decide" ----

bool gdc2gccDirect(double latitude, double longitude, double height, double out[3])
{
    if (!srm_detail::longitudeInRange(longitude) || !srm_detail::latitudeInRange(latitude)) return false;
    const double in[3] = {longitude, latitude, height};
    return srm_detail::gdToGc(kWgs84, in, out) == SRM_STAT_CODE_SUCCESS;
}

bool gcc2gdcDirect(double x, double y, double z, double out[3])
{
    const double in[3] = {x, y, z};
    double gd[3];
    if (srm_detail::gcToGd(kWgs84, kGcToGd, in, gd) != SRM_STAT_CODE_SUCCESS) return false;
    out[0] = gd[1];
    out[1] = gd[0];
    out[2] = gd[2];
    return true;
}

// A value beyond the float range would be published as an infinity.
bool storable(const double v[3])
{
    return std::isfinite(static_cast<float>(v[0])) && std::isfinite(static_cast<float>(v[1])) &&
           std::isfinite(static_cast<float>(v[2]));
}

bool storableDifference(const double v[3], const double p[3])
{
    const double d[3] = {v[0] - p[0], v[1] - p[1], v[2] - p[2]};
    return storable(d);
}

void logUnstorable(const char* tag)
{
    logLine("%s : Failed to change pos! (%s)\n", tag, statusName(SRM_STAT_CODE_INVALID_DEST_COORD));
}

void store(const double v[3], float& a, float& b, float& c)
{
    a = static_cast<float>(v[0]);
    b = static_cast<float>(v[1]);
    c = static_cast<float>(v[2]);
}

void storeDifference(const double v[3], const double p[3], float& a, float& b, float& c)
{
    a = static_cast<float>(v[0] - p[0]);
    b = static_cast<float>(v[1] - p[1]);
    c = static_cast<float>(v[2] - p[2]);
}

}  // namespace

void QVCoordConv::setLogFile(FILE* stream) { g_logFile = stream; }

FILE* QVCoordConv::getLogFile() { return g_logFile; }

// ---- plan path ----

bool QVCoordConv::gdc2gccByPlan(float latitude, float longitude, float height, float& x, float& y, float& z)
{
    double out[3];
    if (!gdc2gccPlanned("QVCoordConv::gdc2gcc", latitude, longitude, height, out)) return false;
    if (!storable(out)) {
        logUnstorable("QVCoordConv::gdc2gcc");
        return false;
    }
    store(out, x, y, z);
    return true;
}

bool QVCoordConv::gcc2gdcByPlan(float x, float y, float z, float& latitude, float& longitude, float& height)
{
    double out[3];
    if (!gcc2gdcPlanned("QVCoordConv::gcc2gdc", x, y, z, out)) return false;
    if (!storable(out)) {
        logUnstorable("QVCoordConv::gcc2gdc");
        return false;
    }
    store(out, latitude, longitude, height);
    return true;
}

bool QVCoordConv::ltp2gccByPlan(float originLatitude, float originLongitude,
                                float px, float py, float pz, float vx, float vy, float vz,
                                float ax, float ay, float az, float psi, float theta, float phi,
                                float& gpx, float& gpy, float& gpz, float& gvx, float& gvy, float& gvz,
                                float& gax, float& gay, float& gaz, float& gpsi, float& gtheta, float& gphi)
{
    const SRM_SRF_Parameters src = ltpParameters(originLatitude, originLongitude);
    const SRM_SRF_Parameters dst = gcParameters();
    CoordOpParams* plan = nullptr;
    if (createCoordOpParams(&src, &dst, &plan) != SRM_STAT_CODE_SUCCESS) {
        logLine("QVCoordConv::ltp2gcc : Failed to create pair!\n");
        return false;
    }

    const double pos[3] = {px, py, pz};
    const SRM_Coordinate position = ltpCoordinate(pos[0], pos[1], pos[2]);
    SRM_Coordinate converted{};
    if (changeCoordinate(plan, &position, &converted) != SRM_STAT_CODE_SUCCESS) {
        logLine("QVCoordConv::ltp2gcc : Failed to change pos!\n");
        destroyCoordOpParams(plan);
        return false;
    }
    const double P[3] = {converted.coordinate.three_d.coordinate.gc.x, converted.coordinate.three_d.coordinate.gc.y,
                         converted.coordinate.three_d.coordinate.gc.z};
    if (!storable(P)) {
        logLine("QVCoordConv::ltp2gcc : Failed to change pos!\n");
        destroyCoordOpParams(plan);
        return false;
    }
    store(P, gpx, gpy, gpz);

    double point[3], result[3];
    point[0] = pos[0] + static_cast<double>(vx);
    point[1] = pos[1] + static_cast<double>(vy);
    point[2] = pos[2] + static_cast<double>(vz);
    if (changeVector(plan, &position, point, result) != SRM_STAT_CODE_SUCCESS || !storableDifference(result, P)) {
        logLine("QVCoordConv::ltp2gcc : Failed to change vel!\n");
        destroyCoordOpParams(plan);
        return false;
    }
    storeDifference(result, P, gvx, gvy, gvz);

    point[0] = pos[0] + static_cast<double>(ax);
    point[1] = pos[1] + static_cast<double>(ay);
    point[2] = pos[2] + static_cast<double>(az);
    if (changeVector(plan, &position, point, result) != SRM_STAT_CODE_SUCCESS || !storableDifference(result, P)) {
        logLine("QVCoordConv::ltp2gcc : Failed to change acc!\n");
        destroyCoordOpParams(plan);
        return false;
    }
    storeDifference(result, P, gax, gay, gaz);

    double m[3][3], g[3][3];
    bodyToNed(psi, theta, phi, m);
    for (int i = 0; i < 3; ++i) {
        axisPoint(pos, m, i, point);
        if (changeVector(plan, &position, point, result) != SRM_STAT_CODE_SUCCESS) {
            logLine("QVCoordConv::ltp2gcc : Failed to change att!\n");
            destroyCoordOpParams(plan);
            return false;
        }
        for (int r = 0; r < 3; ++r) g[r][i] = result[r] - P[r];
    }
    eulerFromAxes(g, gpsi, gtheta, gphi);

    destroyCoordOpParams(plan);
    return true;
}

// ---- direct path ----

bool QVCoordConv::gdc2gcc(float latitude, float longitude, float height, float& x, float& y, float& z)
{
    double out[3];
    if (!gdc2gccDirect(latitude, longitude, height, out) || !storable(out))
        return gdc2gccByPlan(latitude, longitude, height, x, y, z);
    store(out, x, y, z);
    return true;
}

bool QVCoordConv::gcc2gdc(float x, float y, float z, float& latitude, float& longitude, float& height)
{
    double out[3];
    if (!gcc2gdcDirect(x, y, z, out) || !storable(out)) return gcc2gdcByPlan(x, y, z, latitude, longitude, height);
    store(out, latitude, longitude, height);
    return true;
}

bool QVCoordConv::gdc2gccDouble(double latitude, double longitude, double height, double& x, double& y, double& z)
{
    double out[3];
    if (!gdc2gccDirect(latitude, longitude, height, out) &&
        !gdc2gccPlanned("QVCoordConv::gdc2gccDouble", latitude, longitude, height, out))
        return false;
    x = out[0];
    y = out[1];
    z = out[2];
    return true;
}

bool QVCoordConv::gcc2gdcDouble(double x, double y, double z, double& latitude, double& longitude, double& height)
{
    double out[3];
    if (!gcc2gdcDirect(x, y, z, out) && !gcc2gdcPlanned("QVCoordConv::gcc2gdcDouble", x, y, z, out)) return false;
    latitude = out[0];
    longitude = out[1];
    height = out[2];
    return true;
}

int QVCoordConv::loadGeoid(const char* path) { return SRM_LoadGeoidSeparationFile(path); }

bool QVCoordConv::geoidSeparation(double latitude, double longitude, double& separation)
{
    return SRM_GeoidSeparation(latitude, longitude, &separation) == SRM_STAT_CODE_SUCCESS;
}

bool QVCoordConv::gdc2gccDouble(double latitude, double longitude, double height, VerticalDatum datum, double& x,
                                double& y, double& z)
{
    if (datum == VerticalDatum::WGS84E) return gdc2gccDouble(latitude, longitude, height, x, y, z);
    // Direct: N, then the ellipsoid's formula; any failure goes to the plan for its status and log line.
    double n, out[3];
    if (!srm_detail::longitudeInRange(longitude) || SRM_GeoidSeparation(latitude, longitude, &n) != SRM_STAT_CODE_SUCCESS ||
        !gdc2gccDirect(latitude, longitude, height + n, out)) {
        SRM_Coordinate result{};
        if (!convertPlanned("QVCoordConv::gdc2gccDouble", gdEgm96Parameters(), gcParameters(),
                            gdCoordinate(latitude, longitude, height), result))
            return false;
        out[0] = result.coordinate.three_d.coordinate.gc.x;
        out[1] = result.coordinate.three_d.coordinate.gc.y;
        out[2] = result.coordinate.three_d.coordinate.gc.z;
    }
    x = out[0];
    y = out[1];
    z = out[2];
    return true;
}

bool QVCoordConv::gcc2gdcDouble(double x, double y, double z, VerticalDatum datum, double& latitude,
                                double& longitude, double& height)
{
    if (datum == VerticalDatum::WGS84E) return gcc2gdcDouble(x, y, z, latitude, longitude, height);
    double out[3], n;
    if (gcc2gdcDirect(x, y, z, out) && SRM_GeoidSeparation(out[0], out[1], &n) == SRM_STAT_CODE_SUCCESS) {
        out[2] -= n;
    } else {
        SRM_Coordinate result{};
        if (!convertPlanned("QVCoordConv::gcc2gdcDouble", gcParameters(), gdEgm96Parameters(), gcCoordinate(x, y, z),
                            result))
            return false;
        out[0] = result.coordinate.three_d.coordinate.gd.geodetic_latitude;
        out[1] = result.coordinate.three_d.coordinate.gd.geodetic_longitude;
        out[2] = result.coordinate.three_d.coordinate.gd.elevation;
    }
    latitude = out[0];
    longitude = out[1];
    height = out[2];
    return true;
}

bool QVCoordConv::ltp2gcc(float originLatitude, float originLongitude,
                          float px, float py, float pz, float vx, float vy, float vz,
                          float ax, float ay, float az, float psi, float theta, float phi,
                          float& gpx, float& gpy, float& gpz, float& gvx, float& gvy, float& gvz,
                          float& gax, float& gay, float& gaz, float& gpsi, float& gtheta, float& gphi)
{
    const double lat0 = originLatitude, lon0 = originLongitude;
    if (srm_detail::longitudeInRange(lon0) && srm_detail::latitudeInRange(lat0)) {
        const srm_detail::LtpToGcBlock k = srm_detail::makeLtpToGcBlock(kWgs84, ltpRecord(lat0, lon0));
        const double pos[3] = {px, py, pz};
        const double vel[3] = {pos[0] + static_cast<double>(vx), pos[1] + static_cast<double>(vy),
                               pos[2] + static_cast<double>(vz)};
        const double acc[3] = {pos[0] + static_cast<double>(ax), pos[1] + static_cast<double>(ay),
                               pos[2] + static_cast<double>(az)};
        double m[3][3], axes[3][3];
        bodyToNed(psi, theta, phi, m);
        for (int i = 0; i < 3; ++i) axisPoint(pos, m, i, axes[i]);

        double P[3], V[3], A[3], B[3][3];
        bool ok = srm_detail::ltpToGc(k, pos, P) == SRM_STAT_CODE_SUCCESS;
        ok = ok && srm_detail::ltpToGc(k, vel, V) == SRM_STAT_CODE_SUCCESS;
        ok = ok && srm_detail::ltpToGc(k, acc, A) == SRM_STAT_CODE_SUCCESS;
        for (int i = 0; i < 3 && ok; ++i) ok = srm_detail::ltpToGc(k, axes[i], B[i]) == SRM_STAT_CODE_SUCCESS;
        ok = ok && storable(P) && storableDifference(V, P) && storableDifference(A, P);
        if (ok) {
            double g[3][3];
            for (int i = 0; i < 3; ++i)
                for (int r = 0; r < 3; ++r) g[r][i] = B[i][r] - P[r];
            store(P, gpx, gpy, gpz);
            storeDifference(V, P, gvx, gvy, gvz);
            storeDifference(A, P, gax, gay, gaz);
            eulerFromAxes(g, gpsi, gtheta, gphi);
            return true;
        }
    }
    return ltp2gccByPlan(originLatitude, originLongitude, px, py, pz, vx, vy, vz, ax, ay, az, psi, theta, phi,
                         gpx, gpy, gpz, gvx, gvy, gvz, gax, gay, gaz, gpsi, gtheta, gphi);
}
