#include "SRM.h"

#include "SRM_Geoid.h"
#include "SRM_Kernels.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

namespace {

FILE* g_errorStream = nullptr;  // null: stderr
SRM_Alloc_Function g_alloc = nullptr;
SRM_Free_Function g_free = nullptr;

FILE* errorStream() { return g_errorStream ? g_errorStream : stderr; }

// The EGM96 grid, and why there is none (17 never loaded or unreadable, 18 invalid).
srm_detail::GeoidGrid g_geoid;
SRM_Status_Code g_geoidStatus = SRM_STAT_CODE_MISSING_WGS84_GEOID_SEPARATION_FILE;

void* allocZeroed(std::size_t size)
{
    void* p = g_alloc ? g_alloc(size) : std::malloc(size);
    if (p) std::memset(p, 0, size);
    return p;
}

void release(void* p)
{
    if (!p) return;
    if (g_free)
        g_free(p);
    else
        std::free(p);
}

// One failed test: count it.
void failed(int* failures) { if (failures) ++*failures; }

bool usable(SRM_Status_Code s)
{
    return s == SRM_STAT_CODE_SUCCESS || s == SRM_STAT_CODE_EXTENDED_SOURCE_COORD ||
           s == SRM_STAT_CODE_EXTENDED_DEST_COORD;
}

bool validHorizontalDatum(SRM_Horizontal_Datum_Code c) { return c >= SRM_HDATUM_FIRST && c <= SRM_HDATUM_LAST; }
bool validVerticalDatum(SRM_Vertical_Datum_Code c) { return c >= SRM_VDATUM_MSL && c <= SRM_VDATUM_NGVD29; }
bool validUnit(SRM_Elevation_Unit u) { return u == SRM_ELEV_UNIT_FOOT || u == SRM_ELEV_UNIT_METRE; }
bool validFrameCode(SRM_SRF_3D f) { return f >= SRM_SRF_3D_GD && f <= SRM_SRF_3D_AUPS; }

// Datums of one side; a frame without datums (GC) has 0 for both.
struct SideInfo {
    SRM_SRF_3D frame;
    int hdatum;
    int vdatum;
    SRM_Elevation_Unit unit;
};

SideInfo sideInfo(const SRM_SRF_Parameters_3D& p)
{
    SideInfo s{p.spatial_reference_frame, 0, 0, SRM_ELEV_UNIT_METRE};
    if (p.spatial_reference_frame == SRM_SRF_3D_GD) {
        s.hdatum = p.parameters.gd.horizontal_datum;
        s.vdatum = p.parameters.gd.vertical_datum;
        s.unit = p.parameters.gd.elevation_unit;
    } else if (p.spatial_reference_frame == SRM_SRF_3D_LTP) {
        s.hdatum = p.parameters.ltp.horizontal_datum;
        s.vdatum = p.parameters.ltp.vertical_datum;
        s.unit = p.parameters.ltp.z_unit;
    }
    return s;
}

bool datumsAgree(const SRM_SRF_Parameters_3D& p)
{
    const SideInfo s = sideInfo(p);
    if (s.vdatum == 0 && s.hdatum != 0) return false;
    if ((s.vdatum == SRM_VDATUM_WGS84E || s.vdatum == SRM_VDATUM_EGM96) && s.hdatum != SRM_HDATUM_WGS_1984)
        return false;
    if (s.vdatum == SRM_VDATUM_NAVD88 || s.vdatum == SRM_VDATUM_NGVD29) return false;
    return true;
}

void checkDatums(SRM_Horizontal_Datum_Code hd, SRM_Vertical_Datum_Code vd, int report, int* failures, bool* ok)
{
    if (!validHorizontalDatum(hd)) {
        failed(failures);
        if (report) std::fprintf(errorStream(), "Illegal SRM_Horizontal_Datum_Code value (%d)\n", hd);
        *ok = false;
    }
    if (!validVerticalDatum(vd)) {
        failed(failures);
        if (report) std::fprintf(errorStream(), "Illegal SRM_Vertical_Datum_Code value (%d)\n", vd);
        *ok = false;
    }
}

void checkUnit(SRM_Elevation_Unit u, int report, int* failures, bool* ok)
{
    if (!validUnit(u)) {
        failed(failures);
        if (report) std::fprintf(errorStream(), "Illegal SRM_Elevation_Unit value (%d)\n", u);
        *ok = false;
    }
}

void checkLongitude(double lon, int report, int* failures, bool* ok)
{
    if (!srm_detail::longitudeInRange(lon)) {
        failed(failures);
        if (report)
            std::fprintf(errorStream(), "Illegal value_ptr->geodetic_longitude value (%*.*f)\n", 12, 5, lon);
        *ok = false;
    }
}

void checkLatitude(double lat, int report, int* failures, bool* ok)
{
    if (!srm_detail::latitudeInRange(lat)) {
        failed(failures);
        if (report)
            std::fprintf(errorStream(), "Illegal value_ptr->geodetic_latitude value (%*.*f)\n", 12, 5, lat);
        *ok = false;
    }
}

// ---- conversion steps ----

srm_detail::EllipsoidValues ellipsoidOf(const SRM_Operation* op)
{
    srm_detail::EllipsoidValues v;
    static_assert(sizeof v == sizeof op->ellipsoid, "ellipsoid values are eleven doubles");
    std::memcpy(&v, op->ellipsoid, sizeof v);
    return v;
}

SRM_Status_Code stepGdToGc(const SRM_Operation* op, const double* in, double* out)
{
    const SRM_Status_Code s = srm_detail::gdToGc(ellipsoidOf(op), in, out);
    out[3] = in[3];
    return s;
}

SRM_Status_Code stepGcToGd(const SRM_Operation* op, const double* in, double* out)
{
    const auto* block = static_cast<const srm_detail::GcToGdBlock*>(op->data);
    const SRM_Status_Code s = srm_detail::gcToGd(ellipsoidOf(op), *block, in, out);
    out[3] = in[3];
    return s;
}

SRM_Status_Code stepLtpToGc(const SRM_Operation* op, const double* in, double* out)
{
    const auto* block = static_cast<const srm_detail::LtpToGcBlock*>(op->data);
    const SRM_Status_Code s = srm_detail::ltpToGc(*block, in, out);
    out[3] = in[3];
    return s;
}

// Heights above the geoid to heights above the ellipsoid (add) and back.
SRM_Status_Code stepGeoid(const double* in, double* out, double sign)
{
    if (g_geoidStatus != SRM_STAT_CODE_SUCCESS) return g_geoidStatus;  // unloaded since planning
    if (!srm_detail::latitudeInRange(in[1]) || !std::isfinite(in[0])) return SRM_STAT_CODE_INVALID_SOURCE_COORD;
    out[0] = in[0];
    out[1] = in[1];
    out[2] = in[2] + sign * srm_detail::separation(g_geoid, in[1], in[0]);
    out[3] = in[3];
    return SRM_STAT_CODE_SUCCESS;
}

SRM_Status_Code stepGeoidToEllipsoid(const SRM_Operation*, const double* in, double* out)
{
    return stepGeoid(in, out, 1.0);
}

SRM_Status_Code stepEllipsoidToGeoid(const SRM_Operation*, const double* in, double* out)
{
    return stepGeoid(in, out, -1.0);
}

// ---- planning ----

void freeOperations(SRM_Operation* op)
{
    while (op) {
        SRM_Operation* next = op->next;
        release(op->data);
        std::memset(op, 0, sizeof *op);
        release(op);
        op = next;
    }
}

void freePlan(CoordOpParams* plan)
{
    freeOperations(plan->operations);
    std::memset(plan, 0, sizeof *plan);
    release(plan);
}

SRM_Operation* appendOperation(CoordOpParams* plan, SRM_Operation_Kind kind, std::size_t dataSize)
{
    auto* op = static_cast<SRM_Operation*>(allocZeroed(sizeof(SRM_Operation)));
    if (!op) return nullptr;
    if (dataSize) {
        op->data = allocZeroed(dataSize);
        if (!op->data) {
            release(op);
            return nullptr;
        }
    }
    op->kind = kind;
    SRM_Operation** tail = &plan->operations;
    while (*tail) tail = &(*tail)->next;
    *tail = op;
    return op;
}

constexpr double kMetresPerFoot = 0.3048;

// Scales the third component (elevation or z).
SRM_Status_Code appendUnitStep(CoordOpParams* plan, double factor)
{
    SRM_Operation* op = appendOperation(plan, SRM_OP_MATRIX, 16 * sizeof(double));
    if (!op) return SRM_STAT_CODE_FAILURE;
    auto* m = static_cast<double*>(op->data);
    m[0] = 1.0;
    m[5] = 1.0;
    m[10] = factor;
    m[15] = 1.0;
    return SRM_STAT_CODE_SUCCESS;
}

SRM_Status_Code planOperations(CoordOpParams* plan)
{
    if (plan->source.dimensionality != SRM_DIM_THREE_D || plan->target.dimensionality != SRM_DIM_THREE_D)
        return SRM_STAT_CODE_UNSUPPORTED;
    const SRM_SRF_Parameters_3D& src = plan->source.parameters.three_d;
    const SRM_SRF_Parameters_3D& dst = plan->target.parameters.three_d;
    const SideInfo s = sideInfo(src);
    const SideInfo t = sideInfo(dst);

    if (s.unit == SRM_ELEV_UNIT_FOOT) {
        const SRM_Status_Code st = appendUnitStep(plan, kMetresPerFoot);
        if (st != SRM_STAT_CODE_SUCCESS) return st;
    }

    if (s.hdatum == SRM_HDATUM_WGS_1972 || t.hdatum == SRM_HDATUM_WGS_1972) return SRM_STAT_CODE_UNSUPPORTED;
    // Only the WGS 84 datum has its ellipsoid here; any shift is out of reach.
    if ((s.hdatum != 0 && s.hdatum != SRM_HDATUM_WGS_1984) || (t.hdatum != 0 && t.hdatum != SRM_HDATUM_WGS_1984))
        return SRM_STAT_CODE_UNSUPPORTED;
    for (int vd : {s.vdatum, t.vdatum}) {
        if (vd == SRM_VDATUM_WGS84G) return SRM_STAT_CODE_MISSING_WGS84_GEOID_SEPARATION_FILE;
        if (vd != 0 && vd != SRM_VDATUM_WGS84E && vd != SRM_VDATUM_EGM96) return SRM_STAT_CODE_UNSUPPORTED;
    }
    // Geoid heights are geodetic heights: an LTP's z is measured from its origin on the ellipsoid.
    if (s.vdatum == SRM_VDATUM_EGM96 || t.vdatum == SRM_VDATUM_EGM96) {
        if ((s.vdatum == SRM_VDATUM_EGM96 && s.frame != SRM_SRF_3D_GD) ||
            (t.vdatum == SRM_VDATUM_EGM96 && t.frame != SRM_SRF_3D_GD))
            return SRM_STAT_CODE_UNSUPPORTED;
        if (g_geoidStatus != SRM_STAT_CODE_SUCCESS) return g_geoidStatus;
    }
    if (s.vdatum == SRM_VDATUM_EGM96) {
        SRM_Operation* geoid = appendOperation(plan, SRM_OP_CONVERSION, 0);
        if (!geoid) return SRM_STAT_CODE_FAILURE;
        geoid->step = stepGeoidToEllipsoid;
    }

    const srm_detail::EllipsoidValues ev =
        srm_detail::makeEllipsoidValues(srm_detail::kWgs84A, srm_detail::kWgs84InverseFlattening);
    SRM_Operation* op = nullptr;
    if (s.frame == SRM_SRF_3D_GD && t.frame == SRM_SRF_3D_GC) {
        op = appendOperation(plan, SRM_OP_CONVERSION, 0);
        if (!op) return SRM_STAT_CODE_FAILURE;
        op->step = stepGdToGc;
    } else if (s.frame == SRM_SRF_3D_GC && t.frame == SRM_SRF_3D_GD) {
        op = appendOperation(plan, SRM_OP_CONVERSION, sizeof(srm_detail::GcToGdBlock));
        if (!op) return SRM_STAT_CODE_FAILURE;
        op->step = stepGcToGd;
        *static_cast<srm_detail::GcToGdBlock*>(op->data) = srm_detail::makeGcToGdBlock(ev);
    } else if (s.frame == SRM_SRF_3D_LTP && t.frame == SRM_SRF_3D_GC) {
        op = appendOperation(plan, SRM_OP_CONVERSION, sizeof(srm_detail::LtpToGcBlock));
        if (!op) return SRM_STAT_CODE_FAILURE;
        op->step = stepLtpToGc;
        *static_cast<srm_detail::LtpToGcBlock*>(op->data) = srm_detail::makeLtpToGcBlock(ev, src.parameters.ltp);
    } else {
        return SRM_STAT_CODE_UNSUPPORTED;
    }
    std::memcpy(op->ellipsoid, &ev, sizeof op->ellipsoid);

    if (t.vdatum == SRM_VDATUM_EGM96) {
        SRM_Operation* geoid = appendOperation(plan, SRM_OP_CONVERSION, 0);
        if (!geoid) return SRM_STAT_CODE_FAILURE;
        geoid->step = stepEllipsoidToGeoid;
    }

    if (t.unit == SRM_ELEV_UNIT_FOOT) {
        const SRM_Status_Code st = appendUnitStep(plan, 1.0 / kMetresPerFoot);
        if (st != SRM_STAT_CODE_SUCCESS) return st;
    }
    return SRM_STAT_CODE_SUCCESS;
}

// ---- application ----

bool sameFrame(const SRM_SRF_Parameters& params, const SRM_Coordinate& c)
{
    if (params.dimensionality != c.dimensionality) return false;
    if (c.dimensionality == SRM_DIM_THREE_D)
        return params.parameters.three_d.spatial_reference_frame == c.coordinate.three_d.spatial_reference_frame;
    return params.parameters.two_d.spatial_reference_frame == c.coordinate.two_d.spatial_reference_frame;
}

void componentsOf(const SRM_Coordinate_3D& c, double* v)
{
    if (c.spatial_reference_frame == SRM_SRF_3D_GD) {
        v[0] = c.coordinate.gd.geodetic_longitude;
        v[1] = c.coordinate.gd.geodetic_latitude;
        v[2] = c.coordinate.gd.elevation;
    } else if (c.spatial_reference_frame == SRM_SRF_3D_LTP) {
        v[0] = c.coordinate.ltp.x;
        v[1] = c.coordinate.ltp.y;
        v[2] = c.coordinate.ltp.z;
    } else {
        v[0] = c.coordinate.gc.x;
        v[1] = c.coordinate.gc.y;
        v[2] = c.coordinate.gc.z;
    }
}

SRM_Status_Code runPlan(const CoordOpParams* plan, const double* in, double* out)
{
    if (!plan->operations) return SRM_STAT_CODE_FAILURE;
    double w[4] = {in[0], in[1], in[2], 1.0};
    SRM_Status_Code status = SRM_STAT_CODE_SUCCESS;
    for (const SRM_Operation* op = plan->operations; op; op = op->next) {
        double next[4];
        switch (op->kind) {
        case SRM_OP_CONVERSION: {
            if (!op->step) return SRM_STAT_CODE_FAILURE;
            const SRM_Status_Code s = op->step(op, w, next);
            if (!usable(s)) return s;
            status = s;
            break;
        }
        case SRM_OP_MATRIX: {
            const auto* m = static_cast<const double*>(op->data);
            if (!m) return SRM_STAT_CODE_FAILURE;
            for (int i = 0; i < 4; ++i)
                next[i] = m[4 * i] * w[0] + m[4 * i + 1] * w[1] + m[4 * i + 2] * w[2] + m[4 * i + 3] * w[3];
            break;
        }
        case SRM_OP_COPY:
            std::memcpy(next, w, sizeof w);
            break;
        default:
            return SRM_STAT_CODE_FAILURE;  // not a plan this engine made
        }
        std::memcpy(w, next, sizeof w);
    }
    out[0] = w[0];
    out[1] = w[1];
    out[2] = w[2];
    return status;
}

}  // namespace

// ---- checks ----

int SRM_ValidGDParameters3D(const SRM_GD_Parameters_3D* value, int report, int* failures)
{
    if (!value) {
        failed(failures);
        return 0;
    }
    bool ok = true;
    checkDatums(value->horizontal_datum, value->vertical_datum, report, failures, &ok);
    checkUnit(value->elevation_unit, report, failures, &ok);
    return ok ? 1 : 0;
}

int SRM_ValidLTPParameters3D(const SRM_LTP_Parameters_3D* value, int report, int* failures)
{
    if (!value) {
        failed(failures);
        return 0;
    }
    bool ok = true;
    checkDatums(value->horizontal_datum, value->vertical_datum, report, failures, &ok);
    checkLongitude(value->geodetic_longitude, report, failures, &ok);
    checkLatitude(value->geodetic_latitude, report, failures, &ok);
    if (!(value->azimuth >= 0.0 && value->azimuth <= 360.0)) {
        failed(failures);
        if (report)
            std::fprintf(errorStream(), "Illegal value_ptr->azimuth value (%*.*f)\n", 12, 5, value->azimuth);
        ok = false;
    }
    checkUnit(value->z_unit, report, failures, &ok);
    return ok ? 1 : 0;
}

int SRM_ValidSRFParameters3D(const SRM_SRF_Parameters_3D* value, int report, int* failures)
{
    if (!value) {
        failed(failures);
        return 0;
    }
    switch (value->spatial_reference_frame) {
    case SRM_SRF_3D_GD:
        if (!SRM_ValidGDParameters3D(&value->parameters.gd, report, failures)) {
            failed(failures);
            if (report) std::fputs("Illegal SRM_GD_Parameters_3D value\n", errorStream());
            return 0;
        }
        return 1;
    case SRM_SRF_3D_LTP:
        if (!SRM_ValidLTPParameters3D(&value->parameters.ltp, report, failures)) {
            failed(failures);
            if (report) std::fputs("Illegal SRM_LTP_Parameters_3D value\n", errorStream());
            return 0;
        }
        return 1;
    default:
        if (!validFrameCode(value->spatial_reference_frame)) {
            failed(failures);
            if (report)
                std::fprintf(errorStream(), "Illegal SRM_SRF_3D value (%d)\n", value->spatial_reference_frame);
            return 0;
        }
        // GC has no parameters; other frames are refused when planning.
        return 1;
    }
}

int SRM_ValidSRFParameters(const SRM_SRF_Parameters* value, int report, int* failures)
{
    if (!value) {
        failed(failures);
        return 0;
    }
    if (value->dimensionality == SRM_DIM_TWO_D) return 1;
    if (value->dimensionality != SRM_DIM_THREE_D) {
        failed(failures);
        if (report) std::fprintf(errorStream(), "Illegal SRM_Dimensionality value (%d)\n", value->dimensionality);
        return 0;
    }
    const SRM_SRF_Parameters_3D& p = value->parameters.three_d;
    if (!SRM_ValidSRFParameters3D(&p, report, failures) || !datumsAgree(p)) {
        failed(failures);
        if (report) std::fputs("Illegal SRM_SRF_Parameters_3D value\n", errorStream());
        return 0;
    }
    return 1;
}

int SRM_ValidGDCoordinate3D(const SRM_GD_Coordinate_3D* value, int report, int* failures)
{
    if (!value) {
        failed(failures);
        return 0;
    }
    bool ok = true;
    checkLongitude(value->geodetic_longitude, report, failures, &ok);
    checkLatitude(value->geodetic_latitude, report, failures, &ok);
    return ok ? 1 : 0;
}

int SRM_ValidCoordinate3D(const SRM_Coordinate_3D* value, int report, int* failures)
{
    if (!value) {
        failed(failures);
        return 0;
    }
    if (value->spatial_reference_frame == SRM_SRF_3D_GD) {
        if (!SRM_ValidGDCoordinate3D(&value->coordinate.gd, report, failures)) {
            failed(failures);
            if (report) std::fputs("Illegal SRM_GD_Coordinate_3D value\n", errorStream());
            return 0;
        }
        return 1;
    }
    if (!validFrameCode(value->spatial_reference_frame)) {
        failed(failures);
        if (report) std::fprintf(errorStream(), "Illegal SRM_SRF_3D value (%d)\n", value->spatial_reference_frame);
        return 0;
    }
    return 1;
}

int SRM_ValidCoordinate(const SRM_Coordinate* value, int report, int* failures)
{
    if (!value) {
        failed(failures);
        return 0;
    }
    if (value->dimensionality == SRM_DIM_TWO_D) return 1;
    if (value->dimensionality != SRM_DIM_THREE_D) {
        failed(failures);
        if (report) std::fprintf(errorStream(), "Illegal SRM_Dimensionality value (%d)\n", value->dimensionality);
        return 0;
    }
    if (!SRM_ValidCoordinate3D(&value->coordinate.three_d, report, failures)) {
        failed(failures);
        if (report) std::fputs("Illegal SRM_Coordinate_3D value\n", errorStream());
        return 0;
    }
    return 1;
}

// ---- plans ----

SRM_Status_Code createCoordOpParams(const SRM_SRF_Parameters* source, const SRM_SRF_Parameters* target,
                                    CoordOpParams** plan)
{
    if (!plan) return SRM_STAT_CODE_FAILURE;
    *plan = nullptr;
    if (!source || !SRM_ValidSRFParameters(source, 0, nullptr)) return SRM_STAT_CODE_INVALID_SOURCE_SRF_PARAMETERS;
    if (!target || !SRM_ValidSRFParameters(target, 0, nullptr)) return SRM_STAT_CODE_INVALID_DEST_SRF_PARAMETERS;

    auto* p = static_cast<CoordOpParams*>(allocZeroed(sizeof(CoordOpParams)));
    if (!p) return SRM_STAT_CODE_FAILURE;
    p->source = *source;
    p->target = *target;

    const SRM_Status_Code status = planOperations(p);
    if (!usable(status)) {
        freePlan(p);
        return status;
    }
    *plan = p;
    return status;
}

SRM_Status_Code changeCoordinate(const CoordOpParams* plan, const SRM_Coordinate* source,
                                 SRM_Coordinate* destination)
{
    if (!plan) return SRM_STAT_CODE_INVALID_SOURCE_SRF_PARAMETERS;
    if (!destination) return SRM_STAT_CODE_INVALID_DEST_COORD;
    if (!source) return SRM_STAT_CODE_INVALID_SOURCE_COORD;
    if (!SRM_ValidCoordinate(source, 1, nullptr)) return SRM_STAT_CODE_INVALID_SOURCE_COORD;
    if (plan->target.dimensionality == SRM_DIM_TWO_D && source->dimensionality == SRM_DIM_THREE_D)
        return SRM_STAT_CODE_INVALID_SOURCE_COORD;
    // A coordinate of another frame would be read as if it were of the plan's.
    if (!sameFrame(plan->source, *source)) return SRM_STAT_CODE_INVALID_SOURCE_COORD;
    if (!plan->operations) return SRM_STAT_CODE_FAILURE;

    double in[3], out[3];
    componentsOf(source->coordinate.three_d, in);
    const SRM_Status_Code status = runPlan(plan, in, out);
    if (!usable(status)) return status;

    const SRM_SRF_3D frame = plan->target.parameters.three_d.spatial_reference_frame;
    destination->dimensionality = plan->target.dimensionality;
    destination->coordinate.three_d.spatial_reference_frame = frame;
    if (frame == SRM_SRF_3D_GD) {
        destination->coordinate.three_d.coordinate.gd = SRM_GD_Coordinate_3D{out[0], out[1], out[2]};
    } else if (frame == SRM_SRF_3D_LTP) {
        destination->coordinate.three_d.coordinate.ltp = SRM_LTP_Coordinate_3D{out[0], out[1], out[2]};
    } else {
        destination->coordinate.three_d.coordinate.gc = SRM_GC_Coordinate_3D{out[0], out[1], out[2]};
    }
    return status;
}

SRM_Status_Code changeVector(const CoordOpParams* plan, const SRM_Coordinate* position, const double* vector,
                             double* result)
{
    if (!plan) return SRM_STAT_CODE_INVALID_SRF_PAIR;
    if (!vector) return SRM_STAT_CODE_INVALID_SOURCE_VECTOR;
    if (!result) return SRM_STAT_CODE_INVALID_DEST_VECTOR;
    if (!position || !SRM_ValidCoordinate(position, 1, nullptr)) return SRM_STAT_CODE_INVALID_SOURCE_COORD;
    if (!sameFrame(plan->source, *position)) return SRM_STAT_CODE_INVALID_SOURCE_COORD;
    if (plan->source.dimensionality != SRM_DIM_THREE_D || plan->target.dimensionality != SRM_DIM_THREE_D ||
        plan->source.parameters.three_d.spatial_reference_frame != SRM_SRF_3D_LTP ||
        plan->target.parameters.three_d.spatial_reference_frame != SRM_SRF_3D_GC)
        return SRM_STAT_CODE_UNSUPPORTED;

    double out[3];
    const SRM_Status_Code status = runPlan(plan, vector, out);
    if (!usable(status)) return status;
    result[0] = out[0];
    result[1] = out[1];
    result[2] = out[2];
    return status;
}

SRM_Status_Code destroyCoordOpParams(CoordOpParams* plan)
{
    if (!plan) return SRM_STAT_CODE_FAILURE;
    freePlan(plan);
    return SRM_STAT_CODE_SUCCESS;
}

const char* statusName(SRM_Status_Code status)
{
    static const char* const names[] = {
        "SRM_STAT_CODE_SUCCESS",
        "SRM_STAT_CODE_INVALID_SOURCE_SRF_PARAMETERS",
        "SRM_STAT_CODE_INVALID_DEST_SRF_PARAMETERS",
        "SRM_STAT_CODE_INVALID_SRF_PAIR",
        "SRM_STAT_CODE_INVALID_SOURCE_COORD",
        "SRM_STAT_CODE_EXTENDED_SOURCE_COORD",
        "SRM_STAT_CODE_INVALID_DEST_COORD",
        "SRM_STAT_CODE_EXTENDED_DEST_COORD",
        "SRM_STAT_CODE_EXTENDED_SOURCE_AND_DEST_COORD",
        "SRM_STAT_CODE_UNSUPPORTED",
        "SRM_STAT_CODE_INVALID_SOURCE_VECTOR",
        "SRM_STAT_CODE_INVALID_DEST_VECTOR",
        "SRM_STAT_CODE_INVALID_SOURCE_MATRIX",
        "SRM_STAT_CODE_INVALID_DEST_MATRIX",
        "SRM_STAT_CODE_INVALID_DEST_COSINE_GAMMA",
        "SRM_STAT_CODE_INVALID_DEST_SINE_GAMMA",
        "SRM_STAT_CODE_MISSING_WGS84_GEOID_SEPARATION_FILE",
        "SRM_STAT_CODE_INVALID_WGS84_GEOID_SEPARATION_FILE",
        "SRM_STAT_CODE_FAILURE",
    };
    if (status < SRM_STAT_CODE_SUCCESS || status > SRM_STAT_CODE_FAILURE) return "SRM_STAT_CODE_UNKNOWN";
    return names[status - 1];
}

SRM_Status_Code SRM_LoadGeoidSeparationFile(const char* path)
{
    srm_detail::GeoidGrid grid;
    SRM_Status_Code status;
    try {
        status = srm_detail::loadGtx(path, grid);
    } catch (...) {  // no memory for the grid
        status = SRM_STAT_CODE_FAILURE;
    }
    if (status == SRM_STAT_CODE_SUCCESS) {
        g_geoid = std::move(grid);
    } else {
        g_geoid = srm_detail::GeoidGrid();
        if (status == SRM_STAT_CODE_FAILURE) status = SRM_STAT_CODE_INVALID_WGS84_GEOID_SEPARATION_FILE;
    }
    g_geoidStatus = status;
    return status;
}

void SRM_UnloadGeoidSeparationFile()
{
    g_geoid = srm_detail::GeoidGrid();
    g_geoidStatus = SRM_STAT_CODE_MISSING_WGS84_GEOID_SEPARATION_FILE;
}

SRM_Status_Code SRM_GeoidSeparation(double latitude, double longitude, double* separation)
{
    if (g_geoidStatus != SRM_STAT_CODE_SUCCESS) return g_geoidStatus;
    if (!separation) return SRM_STAT_CODE_INVALID_DEST_COORD;
    if (!srm_detail::latitudeInRange(latitude) || !std::isfinite(longitude)) return SRM_STAT_CODE_INVALID_SOURCE_COORD;
    *separation = srm_detail::separation(g_geoid, latitude, longitude);
    return SRM_STAT_CODE_SUCCESS;
}

void SRM_SetErrorStream(FILE* stream) { g_errorStream = stream; }

FILE* SRM_GetErrorStream() { return errorStream(); }

void SRM_SetAllocator(SRM_Alloc_Function alloc, SRM_Free_Function releaseFn)
{
    if (alloc && releaseFn) {
        g_alloc = alloc;
        g_free = releaseFn;
    } else {
        g_alloc = nullptr;
        g_free = nullptr;
    }
}
