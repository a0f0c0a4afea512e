// The spatial reference engine: checks and their messages, planning, applying plans.
#include "SRM.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

namespace {

const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kInf = std::numeric_limits<double>::infinity();

SRM_SRF_Parameters frame(SRM_SRF_3D code)
{
    SRM_SRF_Parameters p{};
    p.dimensionality = SRM_DIM_THREE_D;
    p.parameters.three_d.spatial_reference_frame = code;
    return p;
}
SRM_SRF_Parameters gc() { return frame(SRM_SRF_3D_GC); }
SRM_SRF_Parameters gd(SRM_Horizontal_Datum_Code hd = SRM_HDATUM_WGS_1984, SRM_Vertical_Datum_Code vd = SRM_VDATUM_WGS84E,
                      SRM_Elevation_Unit unit = SRM_ELEV_UNIT_METRE)
{
    SRM_SRF_Parameters p = frame(SRM_SRF_3D_GD);
    p.parameters.three_d.parameters.gd = SRM_GD_Parameters_3D{hd, vd, unit};
    return p;
}
SRM_SRF_Parameters ltp(double lat, double lon, double azimuth = 0.0, double xOff = 0.0, double yOff = 0.0,
                       SRM_Elevation_Unit unit = SRM_ELEV_UNIT_METRE)
{
    SRM_SRF_Parameters p = frame(SRM_SRF_3D_LTP);
    p.parameters.three_d.parameters.ltp =
        SRM_LTP_Parameters_3D{SRM_HDATUM_WGS_1984, SRM_VDATUM_WGS84E, lon, lat, azimuth, xOff, yOff, unit};
    return p;
}

SRM_Coordinate coord(SRM_SRF_3D code, double a, double b, double c)
{
    SRM_Coordinate x{};
    x.dimensionality = SRM_DIM_THREE_D;
    x.coordinate.three_d.spatial_reference_frame = code;
    x.coordinate.three_d.coordinate.gc = SRM_GC_Coordinate_3D{a, b, c};  // same layout for every frame here
    if (code == SRM_SRF_3D_GD) x.coordinate.three_d.coordinate.gd = SRM_GD_Coordinate_3D{a, b, c};
    return x;
}
SRM_Coordinate gdC(double lon, double lat, double h) { return coord(SRM_SRF_3D_GD, lon, lat, h); }
SRM_Coordinate gcC(double x, double y, double z) { return coord(SRM_SRF_3D_GC, x, y, z); }
SRM_Coordinate ltpC(double x, double y, double z) { return coord(SRM_SRF_3D_LTP, x, y, z); }
const SRM_GC_Coordinate_3D& xyz(const SRM_Coordinate& c) { return c.coordinate.three_d.coordinate.gc; }

struct Plan {  // owns a plan for the length of a test
    CoordOpParams* p = nullptr;
    SRM_Status_Code status;
    Plan(const SRM_SRF_Parameters& s, const SRM_SRF_Parameters& t) : status(createCoordOpParams(&s, &t, &p)) {}
    ~Plan() { if (p) destroyCoordOpParams(p); }
};

class SrmTest : public ::testing::Test {
protected:
    void SetUp() override { SRM_SetErrorStream(err.get()); }
    void TearDown() override { SRM_SetErrorStream(nullptr); }
    CapturedStream err;
};

TEST(SrmStatusNames, EveryCodeHasItsEnumeratorName)
{
    const char* names[] = {"SUCCESS", "INVALID_SOURCE_SRF_PARAMETERS", "INVALID_DEST_SRF_PARAMETERS",
                           "INVALID_SRF_PAIR", "INVALID_SOURCE_COORD", "EXTENDED_SOURCE_COORD", "INVALID_DEST_COORD",
                           "EXTENDED_DEST_COORD", "EXTENDED_SOURCE_AND_DEST_COORD", "UNSUPPORTED",
                           "INVALID_SOURCE_VECTOR", "INVALID_DEST_VECTOR", "INVALID_SOURCE_MATRIX",
                           "INVALID_DEST_MATRIX", "INVALID_DEST_COSINE_GAMMA", "INVALID_DEST_SINE_GAMMA",
                           "MISSING_WGS84_GEOID_SEPARATION_FILE", "INVALID_WGS84_GEOID_SEPARATION_FILE", "FAILURE"};
    for (int code = 1; code <= 19; ++code)
        EXPECT_EQ(statusName(static_cast<SRM_Status_Code>(code)), std::string("SRM_STAT_CODE_") + names[code - 1]);
    for (int code : {0, 20, -1}) EXPECT_STREQ(statusName(static_cast<SRM_Status_Code>(code)), "SRM_STAT_CODE_UNKNOWN");
}

// ---- checks: every failed test counted, messages innermost first ----

TEST_F(SrmTest, ParameterChecks)
{
    SRM_SRF_Parameters dim2 = gc(), frame19 = gc();
    dim2.dimensionality = 2;
    frame19.parameters.three_d.spatial_reference_frame = 19;
    SRM_SRF_Parameters allBad = ltp(90.0006, 180.0006, kNaN, 0, 0, 7);
    allBad.parameters.three_d.parameters.ltp.horizontal_datum = 0;
    allBad.parameters.three_d.parameters.ltp.vertical_datum = 0;
    const struct {
        SRM_SRF_Parameters p;
        int failures;
        const char* messages;
    } cases[] = {
        {gd(), 0, ""},
        {gd(229, SRM_VDATUM_MSL, SRM_ELEV_UNIT_FOOT), 0, ""},
        {ltp(0, 0, 360.0), 0, ""},
        {ltp(90.0004, -180.0004, 0.0), 0, ""},
        {gd(0, 15, 2), 5,
         "Illegal SRM_Horizontal_Datum_Code value (0)\nIllegal SRM_Vertical_Datum_Code value (15)\n"
         "Illegal SRM_Elevation_Unit value (2)\nIllegal SRM_GD_Parameters_3D value\n"
         "Illegal SRM_SRF_Parameters_3D value\n"},
        {gd(230, 1, 0), 3,
         "Illegal SRM_Horizontal_Datum_Code value (230)\nIllegal SRM_GD_Parameters_3D value\n"
         "Illegal SRM_SRF_Parameters_3D value\n"},
        // datums must agree: WGS84E and EGM96 heights need the WGS 84 datum; other geoid models are refused
        {gd(SRM_HDATUM_WGS_1972, SRM_VDATUM_WGS84E), 1, "Illegal SRM_SRF_Parameters_3D value\n"},
        {gd(SRM_HDATUM_WGS_1984, SRM_VDATUM_EGM96), 0, ""},
        {gd(SRM_HDATUM_WGS_1972, SRM_VDATUM_EGM96), 1, "Illegal SRM_SRF_Parameters_3D value\n"},
        {gd(SRM_HDATUM_WGS_1984, SRM_VDATUM_NAVD88), 1, "Illegal SRM_SRF_Parameters_3D value\n"},
        {gd(SRM_HDATUM_WGS_1984, SRM_VDATUM_NGVD29), 1, "Illegal SRM_SRF_Parameters_3D value\n"},
        {ltp(0, 0, 360.5), 3,
         "Illegal value_ptr->azimuth value (   360.50000)\nIllegal SRM_LTP_Parameters_3D value\n"
         "Illegal SRM_SRF_Parameters_3D value\n"},
        {ltp(0, 0, -0.1), 3,
         "Illegal value_ptr->azimuth value (    -0.10000)\nIllegal SRM_LTP_Parameters_3D value\n"
         "Illegal SRM_SRF_Parameters_3D value\n"},
        {allBad, 8,  // every field test runs
         "Illegal SRM_Horizontal_Datum_Code value (0)\nIllegal SRM_Vertical_Datum_Code value (0)\n"
         "Illegal value_ptr->geodetic_longitude value (   180.00060)\n"
         "Illegal value_ptr->geodetic_latitude value (    90.00060)\n"
         "Illegal value_ptr->azimuth value (         nan)\nIllegal SRM_Elevation_Unit value (7)\n"
         "Illegal SRM_LTP_Parameters_3D value\nIllegal SRM_SRF_Parameters_3D value\n"},
        {dim2, 1, "Illegal SRM_Dimensionality value (2)\n"},
        {frame19, 2, "Illegal SRM_SRF_3D value (19)\nIllegal SRM_SRF_Parameters_3D value\n"},
    };
    for (const auto& c : cases) {
        int failures = 0;
        EXPECT_EQ(SRM_ValidSRFParameters(&c.p, 1, &failures), c.failures == 0 ? 1 : 0) << c.messages;
        EXPECT_EQ(failures, c.failures) << c.messages;
        EXPECT_EQ(err.take(), c.messages);
        EXPECT_EQ(SRM_ValidSRFParameters(&c.p, 0, nullptr), c.failures == 0 ? 1 : 0);
        EXPECT_EQ(err.take(), "");  // report off: silent
        // Plan creation checks both sides silently.
        if (c.failures) {
            Plan asSource(c.p, gc()), asTarget(gc(), c.p);
            EXPECT_EQ(asSource.status, SRM_STAT_CODE_INVALID_SOURCE_SRF_PARAMETERS);
            EXPECT_EQ(asTarget.status, SRM_STAT_CODE_INVALID_DEST_SRF_PARAMETERS);
            EXPECT_EQ(asSource.p, nullptr);
            EXPECT_EQ(err.take(), "");
        }
    }
    EXPECT_EQ(SRM_ValidSRFParameters(nullptr, 1, nullptr), 0);
}

TEST_F(SrmTest, CoordinateChecks)
{
    SRM_Coordinate frame0 = gcC(1, 2, 3), dimBad = gcC(1, 2, 3);
    frame0.coordinate.three_d.spatial_reference_frame = 0;
    dimBad.dimensionality = -1;
    const struct {
        SRM_Coordinate c;
        int failures;
        const char* messages;
    } cases[] = {
        {gdC(-180.0004, 90.0004, 0), 0, ""},
        {gcC(kNaN, 1e300, -kInf), 0, ""},  // GC and LTP carry no range
        {ltpC(kNaN, 1e300, -kInf), 0, ""},
        {gdC(0, 95, 0), 3,
         "Illegal value_ptr->geodetic_latitude value (    95.00000)\nIllegal SRM_GD_Coordinate_3D value\n"
         "Illegal SRM_Coordinate_3D value\n"},
        {gdC(-200, -1234.5, 0), 4,  // both tested, longitude first
         "Illegal value_ptr->geodetic_longitude value (  -200.00000)\n"
         "Illegal value_ptr->geodetic_latitude value ( -1234.50000)\n"
         "Illegal SRM_GD_Coordinate_3D value\nIllegal SRM_Coordinate_3D value\n"},
        {gdC(-180.0006, 0, 0), 3,
         "Illegal value_ptr->geodetic_longitude value (  -180.00060)\nIllegal SRM_GD_Coordinate_3D value\n"
         "Illegal SRM_Coordinate_3D value\n"},
        {gdC(0, kNaN, 0), 3,
         "Illegal value_ptr->geodetic_latitude value (         nan)\nIllegal SRM_GD_Coordinate_3D value\n"
         "Illegal SRM_Coordinate_3D value\n"},
        {gdC(kInf, 0, 0), 3,
         "Illegal value_ptr->geodetic_longitude value (         inf)\nIllegal SRM_GD_Coordinate_3D value\n"
         "Illegal SRM_Coordinate_3D value\n"},
        {frame0, 2, "Illegal SRM_SRF_3D value (0)\nIllegal SRM_Coordinate_3D value\n"},
        {dimBad, 1, "Illegal SRM_Dimensionality value (-1)\n"},
    };
    for (const auto& c : cases) {
        int failures = 0;
        EXPECT_EQ(SRM_ValidCoordinate(&c.c, 1, &failures), c.failures == 0 ? 1 : 0) << c.messages;
        EXPECT_EQ(failures, c.failures) << c.messages;
        EXPECT_EQ(err.take(), c.messages);
    }
    EXPECT_EQ(SRM_ValidCoordinate(nullptr, 1, nullptr), 0);
}

// ---- planning ----

TEST_F(SrmTest, PlanCopiesItsParameterSets)
{
    SRM_SRF_Parameters s = ltp(10.0, 20.0), t = gc();
    Plan plan(s, t);
    ASSERT_EQ(plan.status, SRM_STAT_CODE_SUCCESS);
    EXPECT_EQ(std::memcmp(&plan.p->source, &s, sizeof s), 0);
    EXPECT_EQ(std::memcmp(&plan.p->target, &t, sizeof t), 0);
    ASSERT_NE(plan.p->operations, nullptr);
    EXPECT_EQ(plan.p->operations->kind, SRM_OP_CONVERSION);
    EXPECT_EQ(plan.p->operations->next, nullptr);  // metres to metres: no unit steps
    EXPECT_EQ(plan.p->operations->ellipsoid[0], 6378137.0);
    EXPECT_EQ(plan.p->operations->ellipsoid[2], 1.0 / 298.257223563);

    const SRM_Coordinate in = ltpC(0, 0, 0);
    SRM_Coordinate a{}, b{};
    ASSERT_EQ(changeCoordinate(plan.p, &in, &a), SRM_STAT_CODE_SUCCESS);
    s.parameters.three_d.parameters.ltp.geodetic_latitude = -50.0;  // the plan must not see this
    ASSERT_EQ(changeCoordinate(plan.p, &in, &b), SRM_STAT_CODE_SUCCESS);
    EXPECT_EQ(std::memcmp(&a, &b, sizeof a), 0);
}

TEST_F(SrmTest, UnsupportedPlansAreRefusedWithoutLeftovers)
{
    SRM_SRF_Parameters twoD{};
    twoD.dimensionality = SRM_DIM_TWO_D;
    const struct {
        SRM_SRF_Parameters s, t;
        SRM_Status_Code status;
    } cases[] = {
        {gd(SRM_HDATUM_WGS_1972, SRM_VDATUM_MSL), gc(), SRM_STAT_CODE_UNSUPPORTED},
        {gc(), gd(SRM_HDATUM_WGS_1972, SRM_VDATUM_MSL), SRM_STAT_CODE_UNSUPPORTED},
        // the foot step is planned before the datum refuses: it must be released
        {gd(SRM_HDATUM_WGS_1972, SRM_VDATUM_MSL, SRM_ELEV_UNIT_FOOT), gc(), SRM_STAT_CODE_UNSUPPORTED},
        {gd(5, SRM_VDATUM_MSL), gc(), SRM_STAT_CODE_UNSUPPORTED},  // no datum shifts
        {gd(SRM_HDATUM_WGS_1984, SRM_VDATUM_MSL), gc(), SRM_STAT_CODE_UNSUPPORTED},
        {gd(SRM_HDATUM_WGS_1984, SRM_VDATUM_WGS84G), gc(), SRM_STAT_CODE_MISSING_WGS84_GEOID_SEPARATION_FILE},
        // no grid loaded here
        {gd(SRM_HDATUM_WGS_1984, SRM_VDATUM_EGM96), gc(), SRM_STAT_CODE_MISSING_WGS84_GEOID_SEPARATION_FILE},
        {gc(), gd(SRM_HDATUM_WGS_1984, SRM_VDATUM_EGM96), SRM_STAT_CODE_MISSING_WGS84_GEOID_SEPARATION_FILE},
        {gd(), gd(), SRM_STAT_CODE_UNSUPPORTED},
        {gc(), gc(), SRM_STAT_CODE_UNSUPPORTED},
        {gc(), ltp(0, 0), SRM_STAT_CODE_UNSUPPORTED},
        {ltp(0, 0), gd(), SRM_STAT_CODE_UNSUPPORTED},
        {frame(SRM_SRF_3D_GM), gc(), SRM_STAT_CODE_UNSUPPORTED},
        {twoD, gc(), SRM_STAT_CODE_UNSUPPORTED},
    };
    CoordOpParams stale{};
    for (const auto& c : cases) {
        CoordOpParams* p = &stale;  // must be overwritten
        EXPECT_EQ(createCoordOpParams(&c.s, &c.t, &p), c.status);
        EXPECT_EQ(p, nullptr);
    }
    const SRM_SRF_Parameters g = gc();
    CoordOpParams* p = nullptr;
    EXPECT_EQ(createCoordOpParams(&g, &g, nullptr), SRM_STAT_CODE_FAILURE);
    EXPECT_EQ(createCoordOpParams(nullptr, &g, &p), SRM_STAT_CODE_INVALID_SOURCE_SRF_PARAMETERS);
    EXPECT_EQ(createCoordOpParams(&g, nullptr, &p), SRM_STAT_CODE_INVALID_DEST_SRF_PARAMETERS);
    EXPECT_EQ(destroyCoordOpParams(nullptr), SRM_STAT_CODE_FAILURE);
}

struct FailingAllocator {  // fails the n-th allocation from now, counts live blocks
    static int countdown, live;
    static void* alloc(std::size_t n)
    {
        if (countdown-- == 0) return nullptr;
        ++live;
        return std::malloc(n);
    }
    static void release(void* p)
    {
        --live;
        std::free(p);
    }
};
int FailingAllocator::countdown = -1;
int FailingAllocator::live = 0;

TEST_F(SrmTest, OutOfMemoryAtAnyAllocationFailsCleanly)
{
    SRM_SetAllocator(FailingAllocator::alloc, FailingAllocator::release);
    const SRM_SRF_Parameters pairs[][2] = {
        {gd(), gc()}, {gc(), gd()}, {ltp(1, 2), gc()},
        {gd(SRM_HDATUM_WGS_1984, SRM_VDATUM_WGS84E, SRM_ELEV_UNIT_FOOT), gc()},
        {gc(), gd(SRM_HDATUM_WGS_1984, SRM_VDATUM_WGS84E, SRM_ELEV_UNIT_FOOT)},
    };
    for (const auto& pair : pairs) {
        SRM_Status_Code s = SRM_STAT_CODE_FAILURE;
        for (int n = 0; n < 10 && s == SRM_STAT_CODE_FAILURE; ++n) {
            FailingAllocator::countdown = n;
            FailingAllocator::live = 0;
            CoordOpParams* p = nullptr;
            s = createCoordOpParams(&pair[0], &pair[1], &p);
            if (s == SRM_STAT_CODE_SUCCESS) {
                EXPECT_EQ(destroyCoordOpParams(p), SRM_STAT_CODE_SUCCESS);
            } else {
                EXPECT_EQ(p, nullptr);
            }
            EXPECT_EQ(FailingAllocator::live, 0) << "allocation " << n;
        }
        EXPECT_EQ(s, SRM_STAT_CODE_SUCCESS);
    }
    SRM_SetAllocator(nullptr, nullptr);
}

// ---- applying plans ----

TEST_F(SrmTest, ChangeCoordinateFailuresLeaveTheDestination)
{
    Plan plan(gd(), gc());
    ASSERT_EQ(plan.status, SRM_STAT_CODE_SUCCESS);
    SRM_Coordinate in = gdC(10, 20, 30), out = gcC(-1, -2, -3);
    const SRM_Coordinate untouched = out;
    SRM_Coordinate twoD{};
    twoD.dimensionality = SRM_DIM_TWO_D;
    const SRM_Coordinate gcIn = gcC(10, 20, 30), infHeight = gdC(10, 20, kInf), badLon = gdC(-180.0006, 0, 0);

    EXPECT_EQ(changeCoordinate(nullptr, &in, &out), SRM_STAT_CODE_INVALID_SOURCE_SRF_PARAMETERS);
    EXPECT_EQ(changeCoordinate(plan.p, &in, nullptr), SRM_STAT_CODE_INVALID_DEST_COORD);
    EXPECT_EQ(changeCoordinate(plan.p, nullptr, &out), SRM_STAT_CODE_INVALID_SOURCE_COORD);
    // A GC coordinate given to a GD plan would be read as longitude/latitude.
    EXPECT_EQ(changeCoordinate(plan.p, &gcIn, &out), SRM_STAT_CODE_INVALID_SOURCE_COORD);
    EXPECT_EQ(changeCoordinate(plan.p, &twoD, &out), SRM_STAT_CODE_INVALID_SOURCE_COORD);
    // A non-finite height cannot give a point.
    EXPECT_EQ(changeCoordinate(plan.p, &infHeight, &out), SRM_STAT_CODE_INVALID_SOURCE_COORD);
    EXPECT_EQ(err.take(), "");
    EXPECT_EQ(changeCoordinate(plan.p, &badLon, &out), SRM_STAT_CODE_INVALID_SOURCE_COORD);
    EXPECT_NE(err.take(), "");  // checked with report on
    EXPECT_EQ(std::memcmp(&out, &untouched, sizeof out), 0);

    // The plan stays usable after failures.
    in = gdC(-180.0004, 0, 0);
    ASSERT_EQ(changeCoordinate(plan.p, &in, &out), SRM_STAT_CODE_SUCCESS);
    EXPECT_EQ(out.dimensionality, SRM_DIM_THREE_D);
    EXPECT_EQ(out.coordinate.three_d.spatial_reference_frame, SRM_SRF_3D_GC);
    EXPECT_NEAR(xyz(out).x, -6378137.0 * std::cos(0.0004 * M_PI / 180), 1e-6);
    EXPECT_NEAR(xyz(out).y, 6378137.0 * std::sin(0.0004 * M_PI / 180), 1e-6);

    CoordOpParams empty{};
    empty.source = gd();
    empty.target = gc();
    EXPECT_EQ(changeCoordinate(&empty, &in, &out), SRM_STAT_CODE_FAILURE);
}

TEST_F(SrmTest, PlansAppliedTwiceGiveIdenticalResultsAndKeepTheSource)
{
    Plan toGc(gd(), gc()), toGd(gc(), gd()), fromLtp(ltp(-33.9, 151.2), gc());
    const SRM_Coordinate sources[] = {gdC(151.2, -33.9, 120.5), gcC(-4646000.25, 2553000.5, -3534000.75),
                                      ltpC(1000.5, -2000.25, 300.125)};
    const CoordOpParams* plans[] = {toGc.p, toGd.p, fromLtp.p};
    for (int i = 0; i < 3; ++i) {
        const SRM_Coordinate src = sources[i];
        SRM_Coordinate a, b;
        std::memset(&a, 0xAB, sizeof a);
        std::memset(&b, 0xCD, sizeof b);
        ASSERT_EQ(changeCoordinate(plans[i], &src, &a), SRM_STAT_CODE_SUCCESS);
        ASSERT_EQ(changeCoordinate(plans[i], &src, &b), SRM_STAT_CODE_SUCCESS);
        EXPECT_EQ(std::memcmp(&xyz(a), &xyz(b), sizeof(SRM_GC_Coordinate_3D)), 0);
        EXPECT_EQ(std::memcmp(&src, &sources[i], sizeof src), 0);
    }
}

// Around the centre the meridian's evolute leaves a point without one geodetic
// position, and the closed form's G is not positive: the ellipse with semi-axes
// e^2 a = 42697.67 m (equator plane) and (a^2 - b^2) / b = 42841.31 m (axis).
TEST_F(SrmTest, GeocentricToGeodeticRefusesTheEllipseAroundTheCentre)
{
    Plan plan(gc(), gd());
    SRM_Coordinate out = gdC(1, 2, 3);
    const SRM_Coordinate untouched = out;
    const double r = 42697.67, zr = 42841.31, d = std::sqrt(0.5);
    const struct {
        SRM_Coordinate in;
        bool refused;
    } cases[] = {
        {gcC(0, 0, 0), true},
        {gcC(-0.0, 0.0, 0.0), true},
        {gcC(100, 100, 100), true},
        {gcC(0, 224, 0), true},  // outside the old 224 m sphere, still inside
        {gcC(r - 1, 0, 0), true},
        {gcC(0, -(r - 1), 0), true},
        {gcC(0, 0, zr - 1), true},  // on the polar axis too
        {gcC(0, 0, -(zr - 1)), true},
        {gcC((r - 1) * d * 0.6, (r - 1) * d * 0.8, (zr - 1) * d), true},
        {gcC(r + 1, 0, 0), false},
        {gcC(0, 0, zr + 1), false},
        {gcC(0, 0, -(zr + 1)), false},
        {gcC((r + 1) * d * 0.6, (r + 1) * d * 0.8, (zr + 1) * d), false},
    };
    for (const auto& c : cases) {
        const SRM_GC_Coordinate_3D& p = c.in.coordinate.three_d.coordinate.gc;
        if (c.refused) {
            EXPECT_EQ(changeCoordinate(plan.p, &c.in, &out), SRM_STAT_CODE_INVALID_DEST_COORD)
                << p.x << " " << p.y << " " << p.z;
            continue;
        }
        SRM_Coordinate got = gdC(1, 2, 3);
        ASSERT_EQ(changeCoordinate(plan.p, &c.in, &got), SRM_STAT_CODE_SUCCESS) << p.x << " " << p.y << " " << p.z;
        // The foot point is the geodetic position back on the ellipsoid: it must lie on
        // the ellipsoid, and the point must lie on its normal at the given height.
        const SRM_GD_Coordinate_3D& g = got.coordinate.three_d.coordinate.gd;
        const double a = 6378137.0, e2 = 0.0066943799901413165;
        const double la = g.geodetic_latitude * M_PI / 180, lo = g.geodetic_longitude * M_PI / 180;
        const double n = a / std::sqrt(1 - e2 * std::sin(la) * std::sin(la));
        const double x = (n + g.elevation) * std::cos(la) * std::cos(lo), y = (n + g.elevation) * std::cos(la) * std::sin(lo),
                     z = (n * (1 - e2) + g.elevation) * std::sin(la);
        EXPECT_NEAR(x, p.x, 1e-6);
        EXPECT_NEAR(y, p.y, 1e-6);
        EXPECT_NEAR(z, p.z, 1e-6);
    }
    for (const SRM_Coordinate& in : {gcC(kNaN, 1, 1), gcC(kInf, 1, 1), gcC(0, 0, -kInf)})
        EXPECT_EQ(changeCoordinate(plan.p, &in, &out), SRM_STAT_CODE_INVALID_SOURCE_COORD);
    // Squares that overflow: a result, never an infinity.
    for (const SRM_Coordinate& in : {gcC(1e200, 1e200, 0), gcC(1e300, 1e300, 1e300), gcC(1e300, 0, 1e300)})
        EXPECT_EQ(changeCoordinate(plan.p, &in, &out), SRM_STAT_CODE_INVALID_DEST_COORD);
    EXPECT_EQ(std::memcmp(&out, &untouched, sizeof out), 0);
}

TEST_F(SrmTest, FeetAreScaledOnTheWayInAndOut)
{
    const SRM_SRF_Parameters gdFeet = gd(SRM_HDATUM_WGS_1984, SRM_VDATUM_WGS84E, SRM_ELEV_UNIT_FOOT);
    Plan metres(gd(), gc()), feet(gdFeet, gc()), back(gc(), gdFeet), ltpFeet(ltp(0, 0, 0, 0, 0, SRM_ELEV_UNIT_FOOT), gc());
    ASSERT_EQ(feet.p->operations->kind, SRM_OP_MATRIX);
    const SRM_Coordinate inM = gdC(7, 47, 304.8), inF = gdC(7, 47, 1000.0), up = ltpC(0, 0, 1000.0);
    SRM_Coordinate a, b;
    ASSERT_EQ(changeCoordinate(metres.p, &inM, &a), SRM_STAT_CODE_SUCCESS);
    ASSERT_EQ(changeCoordinate(feet.p, &inF, &b), SRM_STAT_CODE_SUCCESS);
    EXPECT_NEAR(xyz(a).x, xyz(b).x, 1e-8);
    EXPECT_NEAR(xyz(a).z, xyz(b).z, 1e-8);
    ASSERT_EQ(changeCoordinate(back.p, &a, &b), SRM_STAT_CODE_SUCCESS);
    EXPECT_NEAR(b.coordinate.three_d.coordinate.gd.elevation, 1000.0, 1e-3);  // near-surface formula: ~0.1 mm
    ASSERT_EQ(changeCoordinate(ltpFeet.p, &up, &a), SRM_STAT_CODE_SUCCESS);
    EXPECT_NEAR(xyz(a).x, 6378137.0 + 304.8, 1e-8);
}

TEST_F(SrmTest, LocalTangentPlaneAzimuthAndOffsets)
{
    const struct {
        SRM_SRF_Parameters frame;
        SRM_Coordinate in;
        double x, y, z;
    } cases[] = {
        {ltp(0, 0, 90.0), ltpC(0, 1, 0), 6378137.0, 1.0, 0.0},    // +y along the azimuth: east
        {ltp(0, 0, 90.0), ltpC(1, 0, 0), 6378137.0, 0.0, -1.0},   // +x then points south
        {ltp(0, 0, 270.0), ltpC(0, 1, 0), 6378137.0, -1.0, 0.0},  // west
        {ltp(0, 0, 0.0, 100.0, -50.0), ltpC(100.0, -50.0, 0.0), 6378137.0, 0.0, 0.0},  // offsets: origin's x, y
    };
    for (const auto& c : cases) {
        Plan plan(c.frame, gc());
        SRM_Coordinate out;
        ASSERT_EQ(changeCoordinate(plan.p, &c.in, &out), SRM_STAT_CODE_SUCCESS);
        EXPECT_NEAR(xyz(out).x, c.x, 1e-8);
        EXPECT_NEAR(xyz(out).y, c.y, 1e-8);
        EXPECT_NEAR(xyz(out).z, c.z, 1e-8);
    }
}

TEST_F(SrmTest, ChangeVectorConvertsTheVectorAsAPoint)
{
    Plan plan(ltp(48.1, 11.6), gc());
    const SRM_Coordinate pos = ltpC(1000, 2000, 3000), origin = ltpC(0, 0, 0);
    SRM_Coordinate originGc;
    ASSERT_EQ(changeCoordinate(plan.p, &origin, &originGc), SRM_STAT_CODE_SUCCESS);
    const double zero[3] = {0, 0, 0};
    double result[3] = {-1, -1, -1};
    // The zero vector gives the origin, not the converted position argument.
    ASSERT_EQ(changeVector(plan.p, &pos, zero, result), SRM_STAT_CODE_SUCCESS);
    EXPECT_EQ(std::memcmp(result, &xyz(originGc), sizeof result), 0);

    const double v[3] = {1, 2, 3}, nanVector[3] = {0, kNaN, 0};
    const double untouched[3] = {result[0], result[1], result[2]};
    const SRM_Coordinate gdPos = gdC(0, 0, 0);
    EXPECT_EQ(changeVector(nullptr, &pos, v, result), SRM_STAT_CODE_INVALID_SRF_PAIR);
    EXPECT_EQ(changeVector(plan.p, &pos, nullptr, result), SRM_STAT_CODE_INVALID_SOURCE_VECTOR);
    EXPECT_EQ(changeVector(plan.p, &pos, v, nullptr), SRM_STAT_CODE_INVALID_DEST_VECTOR);
    EXPECT_EQ(changeVector(plan.p, nullptr, v, result), SRM_STAT_CODE_INVALID_SOURCE_COORD);
    EXPECT_EQ(changeVector(plan.p, &gdPos, v, result), SRM_STAT_CODE_INVALID_SOURCE_COORD);
    EXPECT_EQ(changeVector(plan.p, &pos, nanVector, result), SRM_STAT_CODE_INVALID_SOURCE_COORD);
    EXPECT_EQ(std::memcmp(result, untouched, sizeof result), 0);

    Plan gdToGc(gd(), gc());  // no vector rule for other pairs
    EXPECT_EQ(changeVector(gdToGc.p, &gdPos, v, result), SRM_STAT_CODE_UNSUPPORTED);
    const SRM_Coordinate badPos = gdC(0, 100, 0);  // the position is checked with report on
    EXPECT_EQ(changeVector(gdToGc.p, &badPos, v, result), SRM_STAT_CODE_INVALID_SOURCE_COORD);
    EXPECT_EQ(err.take(),
              "Illegal value_ptr->geodetic_latitude value (   100.00000)\nIllegal SRM_GD_Coordinate_3D value\n"
              "Illegal SRM_Coordinate_3D value\n");
}

}  // namespace
