// The spatial reference engine: checks and their messages, planning, applying plans.
#include "SRM.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <map>

namespace {

SRM_SRF_Parameters gd(SRM_Horizontal_Datum_Code hd = SRM_HDATUM_WGS_1984,
                      SRM_Vertical_Datum_Code vd = SRM_VDATUM_WGS84E, SRM_Elevation_Unit unit = SRM_ELEV_UNIT_METRE)
{
    SRM_SRF_Parameters p{};
    p.dimensionality = SRM_DIM_THREE_D;
    p.parameters.three_d.spatial_reference_frame = SRM_SRF_3D_GD;
    p.parameters.three_d.parameters.gd = SRM_GD_Parameters_3D{hd, vd, unit};
    return p;
}

SRM_SRF_Parameters gc()
{
    SRM_SRF_Parameters p{};
    p.dimensionality = SRM_DIM_THREE_D;
    p.parameters.three_d.spatial_reference_frame = SRM_SRF_3D_GC;
    return p;
}

SRM_SRF_Parameters ltp(double lat, double lon, double azimuth = 0.0, double xOffset = 0.0, double yOffset = 0.0,
                       SRM_Elevation_Unit unit = SRM_ELEV_UNIT_METRE)
{
    SRM_SRF_Parameters p{};
    p.dimensionality = SRM_DIM_THREE_D;
    p.parameters.three_d.spatial_reference_frame = SRM_SRF_3D_LTP;
    p.parameters.three_d.parameters.ltp = SRM_LTP_Parameters_3D{
        SRM_HDATUM_WGS_1984, SRM_VDATUM_WGS84E, lon, lat, azimuth, xOffset, yOffset, unit};
    return p;
}

SRM_Coordinate gdCoord(double lon, double lat, double h)
{
    SRM_Coordinate c{};
    c.dimensionality = SRM_DIM_THREE_D;
    c.coordinate.three_d.spatial_reference_frame = SRM_SRF_3D_GD;
    c.coordinate.three_d.coordinate.gd = SRM_GD_Coordinate_3D{lon, lat, h};
    return c;
}

SRM_Coordinate gcCoord(double x, double y, double z)
{
    SRM_Coordinate c{};
    c.dimensionality = SRM_DIM_THREE_D;
    c.coordinate.three_d.spatial_reference_frame = SRM_SRF_3D_GC;
    c.coordinate.three_d.coordinate.gc = SRM_GC_Coordinate_3D{x, y, z};
    return c;
}

SRM_Coordinate ltpCoord(double x, double y, double z)
{
    SRM_Coordinate c{};
    c.dimensionality = SRM_DIM_THREE_D;
    c.coordinate.three_d.spatial_reference_frame = SRM_SRF_3D_LTP;
    c.coordinate.three_d.coordinate.ltp = SRM_LTP_Coordinate_3D{x, y, z};
    return c;
}

// Owns a plan for the length of a test.
struct Plan {
    CoordOpParams* p = nullptr;
    SRM_Status_Code status;
    Plan(const SRM_SRF_Parameters& s, const SRM_SRF_Parameters& t) : status(createCoordOpParams(&s, &t, &p)) {}
    ~Plan()
    {
        if (p) destroyCoordOpParams(p);
    }
};

class SrmTest : public ::testing::Test {
protected:
    void SetUp() override { SRM_SetErrorStream(err.get()); }
    void TearDown() override { SRM_SetErrorStream(nullptr); }
    CapturedStream err;
};

TEST(SrmStatusNames, EveryCodeHasItsEnumeratorName)
{
    const std::map<int, const char*> expected = {
        {1, "SRM_STAT_CODE_SUCCESS"},
        {2, "SRM_STAT_CODE_INVALID_SOURCE_SRF_PARAMETERS"},
        {3, "SRM_STAT_CODE_INVALID_DEST_SRF_PARAMETERS"},
        {4, "SRM_STAT_CODE_INVALID_SRF_PAIR"},
        {5, "SRM_STAT_CODE_INVALID_SOURCE_COORD"},
        {6, "SRM_STAT_CODE_EXTENDED_SOURCE_COORD"},
        {7, "SRM_STAT_CODE_INVALID_DEST_COORD"},
        {8, "SRM_STAT_CODE_EXTENDED_DEST_COORD"},
        {9, "SRM_STAT_CODE_EXTENDED_SOURCE_AND_DEST_COORD"},
        {10, "SRM_STAT_CODE_UNSUPPORTED"},
        {11, "SRM_STAT_CODE_INVALID_SOURCE_VECTOR"},
        {12, "SRM_STAT_CODE_INVALID_DEST_VECTOR"},
        {13, "SRM_STAT_CODE_INVALID_SOURCE_MATRIX"},
        {14, "SRM_STAT_CODE_INVALID_DEST_MATRIX"},
        {15, "SRM_STAT_CODE_INVALID_DEST_COSINE_GAMMA"},
        {16, "SRM_STAT_CODE_INVALID_DEST_SINE_GAMMA"},
        {17, "SRM_STAT_CODE_MISSING_WGS84_GEOID_SEPARATION_FILE"},
        {18, "SRM_STAT_CODE_INVALID_WGS84_GEOID_SEPARATION_FILE"},
        {19, "SRM_STAT_CODE_FAILURE"},
    };
    for (const auto& [code, name] : expected) EXPECT_STREQ(statusName(static_cast<SRM_Status_Code>(code)), name);
    EXPECT_STREQ(statusName(0), "SRM_STAT_CODE_UNKNOWN");
    EXPECT_STREQ(statusName(20), "SRM_STAT_CODE_UNKNOWN");
    EXPECT_STREQ(statusName(-1), "SRM_STAT_CODE_UNKNOWN");
}

// ---- parameter checks ----

TEST_F(SrmTest, GeodeticParameterChecksReportEveryBadField)
{
    SRM_GD_Parameters_3D p{0, 15, 2};
    int failures = 0;
    EXPECT_EQ(SRM_ValidGDParameters3D(&p, 1, &failures), 0);
    EXPECT_EQ(failures, 3);
    EXPECT_EQ(err.take(),
              "Illegal SRM_Horizontal_Datum_Code value (0)\n"
              "Illegal SRM_Vertical_Datum_Code value (15)\n"
              "Illegal SRM_Elevation_Unit value (2)\n");

    p = SRM_GD_Parameters_3D{230, 1, 0};
    EXPECT_EQ(SRM_ValidGDParameters3D(&p, 0, nullptr), 0);
    EXPECT_EQ(err.take(), "");  // report off: silent
    p = SRM_GD_Parameters_3D{229, 14, 0};
    EXPECT_EQ(SRM_ValidGDParameters3D(&p, 1, nullptr), 1);
    p = SRM_GD_Parameters_3D{1, 1, 1};
    EXPECT_EQ(SRM_ValidGDParameters3D(&p, 1, nullptr), 1);
    EXPECT_EQ(err.take(), "");
}

TEST_F(SrmTest, DatumsMustAgreeWithinAFrame)
{
    // WGS84E heights need the WGS 84 datum.
    SRM_SRF_Parameters p = gd(SRM_HDATUM_WGS_1972, SRM_VDATUM_WGS84E);
    int failures = 0;
    EXPECT_EQ(SRM_ValidSRFParameters(&p, 1, &failures), 0);
    EXPECT_EQ(failures, 1);
    EXPECT_EQ(err.take(), "Illegal SRM_SRF_Parameters_3D value\n");
    {
        Plan plan(p, gc());
        EXPECT_EQ(plan.status, SRM_STAT_CODE_INVALID_SOURCE_SRF_PARAMETERS);
        EXPECT_EQ(plan.p, nullptr);
    }
    {
        Plan plan(gc(), p);
        EXPECT_EQ(plan.status, SRM_STAT_CODE_INVALID_DEST_SRF_PARAMETERS);
        EXPECT_EQ(plan.p, nullptr);
    }
    EXPECT_EQ(err.take(), "");  // planning checks silently

    for (SRM_Vertical_Datum_Code vd : {SRM_VDATUM_EGM96, SRM_VDATUM_NAVD88, SRM_VDATUM_NGVD29}) {
        p = gd(SRM_HDATUM_WGS_1984, vd);
        EXPECT_EQ(SRM_ValidSRFParameters(&p, 0, nullptr), 0) << vd;
    }
    p = gd(5, SRM_VDATUM_MSL);
    EXPECT_EQ(SRM_ValidSRFParameters(&p, 0, nullptr), 1);

    // The field failure and the frame record failure are both reported.
    p = gd(0, SRM_VDATUM_WGS84E);
    failures = 0;
    EXPECT_EQ(SRM_ValidSRFParameters(&p, 1, &failures), 0);
    EXPECT_EQ(failures, 3);
    EXPECT_EQ(err.take(),
              "Illegal SRM_Horizontal_Datum_Code value (0)\n"
              "Illegal SRM_GD_Parameters_3D value\n"
              "Illegal SRM_SRF_Parameters_3D value\n");
}

TEST_F(SrmTest, LocalTangentPlaneParameterRanges)
{
    SRM_SRF_Parameters p = ltp(0, 0, 360.0);
    EXPECT_EQ(SRM_ValidSRFParameters(&p, 1, nullptr), 1);
    p = ltp(90.0004, -180.0004, 0.0);
    EXPECT_EQ(SRM_ValidSRFParameters(&p, 1, nullptr), 1);
    EXPECT_EQ(err.take(), "");

    p = ltp(0, 0, 360.5);
    EXPECT_EQ(SRM_ValidSRFParameters(&p, 1, nullptr), 0);
    EXPECT_EQ(err.take(),
              "Illegal value_ptr->azimuth value (   360.50000)\n"
              "Illegal SRM_LTP_Parameters_3D value\n"
              "Illegal SRM_SRF_Parameters_3D value\n");
    p = ltp(0, 0, -0.1);
    EXPECT_EQ(SRM_ValidLTPParameters3D(&p.parameters.three_d.parameters.ltp, 1, nullptr), 0);
    EXPECT_EQ(err.take(), "Illegal value_ptr->azimuth value (    -0.10000)\n");

    // Every test runs, in field order.
    SRM_LTP_Parameters_3D l{0, 0, 180.0006, 90.0006, std::nan(""), 0, 0, 7};
    int failures = 0;
    EXPECT_EQ(SRM_ValidLTPParameters3D(&l, 1, &failures), 0);
    EXPECT_EQ(failures, 6);
    EXPECT_EQ(err.take(),
              "Illegal SRM_Horizontal_Datum_Code value (0)\n"
              "Illegal SRM_Vertical_Datum_Code value (0)\n"
              "Illegal value_ptr->geodetic_longitude value (   180.00060)\n"
              "Illegal value_ptr->geodetic_latitude value (    90.00060)\n"
              "Illegal value_ptr->azimuth value (         nan)\n"
              "Illegal SRM_Elevation_Unit value (7)\n");

    Plan bad(ltp(90.0006, 0), gc());
    EXPECT_EQ(bad.status, SRM_STAT_CODE_INVALID_SOURCE_SRF_PARAMETERS);
    EXPECT_EQ(bad.p, nullptr);
}

TEST_F(SrmTest, DimensionalityAndFrameCodes)
{
    SRM_SRF_Parameters p = gc();
    p.dimensionality = 2;
    int failures = 0;
    EXPECT_EQ(SRM_ValidSRFParameters(&p, 1, &failures), 0);
    EXPECT_EQ(failures, 1);
    EXPECT_EQ(err.take(), "Illegal SRM_Dimensionality value (2)\n");

    p = gc();
    p.parameters.three_d.spatial_reference_frame = 19;
    EXPECT_EQ(SRM_ValidSRFParameters(&p, 1, nullptr), 0);
    EXPECT_EQ(err.take(), "Illegal SRM_SRF_3D value (19)\n"
                          "Illegal SRM_SRF_Parameters_3D value\n");

    SRM_Coordinate c = gcCoord(1, 2, 3);
    c.coordinate.three_d.spatial_reference_frame = 0;
    failures = 0;
    EXPECT_EQ(SRM_ValidCoordinate(&c, 1, &failures), 0);
    EXPECT_EQ(failures, 2);
    EXPECT_EQ(err.take(), "Illegal SRM_SRF_3D value (0)\n"
                          "Illegal SRM_Coordinate_3D value\n");
    c.dimensionality = -1;
    EXPECT_EQ(SRM_ValidCoordinate(&c, 1, nullptr), 0);
    EXPECT_EQ(err.take(), "Illegal SRM_Dimensionality value (-1)\n");

    EXPECT_EQ(SRM_ValidCoordinate(nullptr, 1, nullptr), 0);
    EXPECT_EQ(SRM_ValidSRFParameters(nullptr, 1, nullptr), 0);
}

// ---- coordinate checks ----

TEST_F(SrmTest, GeodeticCoordinateMessagesComeInnermostFirst)
{
    SRM_Coordinate c = gdCoord(0.0, 95.0, 0.0);
    int failures = 0;
    EXPECT_EQ(SRM_ValidCoordinate(&c, 1, &failures), 0);
    EXPECT_EQ(failures, 3);
    EXPECT_EQ(err.take(),
              "Illegal value_ptr->geodetic_latitude value (    95.00000)\n"
              "Illegal SRM_GD_Coordinate_3D value\n"
              "Illegal SRM_Coordinate_3D value\n");

    // Both components are tested, longitude first.
    c = gdCoord(-200.0, -1234.5, 0.0);
    failures = 0;
    EXPECT_EQ(SRM_ValidCoordinate(&c, 1, &failures), 0);
    EXPECT_EQ(failures, 4);
    EXPECT_EQ(err.take(),
              "Illegal value_ptr->geodetic_longitude value (  -200.00000)\n"
              "Illegal value_ptr->geodetic_latitude value ( -1234.50000)\n"
              "Illegal SRM_GD_Coordinate_3D value\n"
              "Illegal SRM_Coordinate_3D value\n");

    const double nan = std::numeric_limits<double>::quiet_NaN();
    SRM_GD_Coordinate_3D g{0.0, nan, 0.0};
    EXPECT_EQ(SRM_ValidGDCoordinate3D(&g, 0, nullptr), 0);
    g = SRM_GD_Coordinate_3D{nan, 0.0, 0.0};
    EXPECT_EQ(SRM_ValidGDCoordinate3D(&g, 0, nullptr), 0);
    g = SRM_GD_Coordinate_3D{std::numeric_limits<double>::infinity(), 0.0, 0.0};
    EXPECT_EQ(SRM_ValidGDCoordinate3D(&g, 0, nullptr), 0);
    EXPECT_EQ(err.take(), "");

    // GC and LTP coordinates carry no range.
    c = gcCoord(nan, 1e300, -1e300);
    EXPECT_EQ(SRM_ValidCoordinate(&c, 1, nullptr), 1);
    c = ltpCoord(nan, 1e300, -1e300);
    EXPECT_EQ(SRM_ValidCoordinate(&c, 1, nullptr), 1);
}

// ---- planning ----

TEST_F(SrmTest, PlanHoldsCopiesOfItsParameterSets)
{
    SRM_SRF_Parameters s = ltp(10.0, 20.0), t = gc();
    Plan plan(s, t);
    ASSERT_EQ(plan.status, SRM_STAT_CODE_SUCCESS);
    ASSERT_NE(plan.p, nullptr);
    EXPECT_EQ(std::memcmp(&plan.p->source, &s, sizeof s), 0);
    EXPECT_EQ(std::memcmp(&plan.p->target, &t, sizeof t), 0);
    ASSERT_NE(plan.p->operations, nullptr);
    EXPECT_EQ(plan.p->operations->kind, SRM_OP_CONVERSION);
    EXPECT_EQ(plan.p->operations->next, nullptr);
    EXPECT_EQ(plan.p->operations->ellipsoid[0], 6378137.0);
    EXPECT_EQ(plan.p->operations->ellipsoid[2], 1.0 / 298.257223563);

    SRM_Coordinate before{};
    SRM_Coordinate in = ltpCoord(0, 0, 0), out{};
    ASSERT_EQ(changeCoordinate(plan.p, &in, &out), SRM_STAT_CODE_SUCCESS);
    before = out;
    s.parameters.three_d.parameters.ltp.geodetic_latitude = -50.0;  // the plan must not see this
    ASSERT_EQ(changeCoordinate(plan.p, &in, &out), SRM_STAT_CODE_SUCCESS);
    EXPECT_EQ(std::memcmp(&before, &out, sizeof out), 0);
}

TEST_F(SrmTest, UnsupportedPlansAreRefusedWithoutLeftovers)
{
    struct Case {
        SRM_SRF_Parameters s, t;
        SRM_Status_Code status;
    };
    SRM_SRF_Parameters twoD{};
    twoD.dimensionality = SRM_DIM_TWO_D;
    SRM_SRF_Parameters gm = gc();
    gm.parameters.three_d.spatial_reference_frame = SRM_SRF_3D_GM;
    const Case cases[] = {
        {gd(SRM_HDATUM_WGS_1972, SRM_VDATUM_MSL), gc(), SRM_STAT_CODE_UNSUPPORTED},
        {gc(), gd(SRM_HDATUM_WGS_1972, SRM_VDATUM_MSL), SRM_STAT_CODE_UNSUPPORTED},
        {gd(5, SRM_VDATUM_MSL), gc(), SRM_STAT_CODE_UNSUPPORTED},  // no datum shifts here
        {gd(SRM_HDATUM_WGS_1984, SRM_VDATUM_MSL), gc(), SRM_STAT_CODE_UNSUPPORTED},
        {gd(SRM_HDATUM_WGS_1984, SRM_VDATUM_WGS84G), gc(), SRM_STAT_CODE_MISSING_WGS84_GEOID_SEPARATION_FILE},
        {gd(), gd(), SRM_STAT_CODE_UNSUPPORTED},
        {gc(), gc(), SRM_STAT_CODE_UNSUPPORTED},
        {gc(), ltp(0, 0), SRM_STAT_CODE_UNSUPPORTED},
        {ltp(0, 0), gd(), SRM_STAT_CODE_UNSUPPORTED},
        {gm, gc(), SRM_STAT_CODE_UNSUPPORTED},
        {twoD, gc(), SRM_STAT_CODE_UNSUPPORTED},
        // the unit step is planned before the datum is looked at
        {gd(SRM_HDATUM_WGS_1972, SRM_VDATUM_MSL, SRM_ELEV_UNIT_FOOT), gc(), SRM_STAT_CODE_UNSUPPORTED},
    };
    CoordOpParams stale{};
    for (const Case& c : cases) {
        CoordOpParams* p = &stale;  // must be overwritten
        EXPECT_EQ(createCoordOpParams(&c.s, &c.t, &p), c.status);
        EXPECT_EQ(p, nullptr);
    }
    EXPECT_EQ(createCoordOpParams(nullptr, &cases[0].t, nullptr), SRM_STAT_CODE_FAILURE);
    CoordOpParams* p = nullptr;
    const SRM_SRF_Parameters g = gc();
    EXPECT_EQ(createCoordOpParams(nullptr, &g, &p), SRM_STAT_CODE_INVALID_SOURCE_SRF_PARAMETERS);
    EXPECT_EQ(createCoordOpParams(&g, nullptr, &p), SRM_STAT_CODE_INVALID_DEST_SRF_PARAMETERS);
    EXPECT_EQ(destroyCoordOpParams(nullptr), SRM_STAT_CODE_FAILURE);
}

// Fails the n-th allocation from now and counts what is live.
struct FailingAllocator {
    static int countdown;
    static int live;
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
    const SRM_SRF_Parameters plans[][2] = {
        {gd(), gc()}, {gc(), gd()}, {ltp(1, 2), gc()},
        {gd(SRM_HDATUM_WGS_1984, SRM_VDATUM_WGS84E, SRM_ELEV_UNIT_FOOT), gc()},
        {gc(), gd(SRM_HDATUM_WGS_1984, SRM_VDATUM_WGS84E, SRM_ELEV_UNIT_FOOT)},
    };
    for (const auto& pair : plans) {
        int succeededAt = -1;
        for (int n = 0; n < 10 && succeededAt < 0; ++n) {
            FailingAllocator::countdown = n;
            FailingAllocator::live = 0;
            CoordOpParams* p = nullptr;
            const SRM_Status_Code s = createCoordOpParams(&pair[0], &pair[1], &p);
            if (s == SRM_STAT_CODE_FAILURE) {
                EXPECT_EQ(p, nullptr);
                EXPECT_EQ(FailingAllocator::live, 0) << "allocation " << n;
            } else if (s == SRM_STAT_CODE_SUCCESS) {
                succeededAt = n;
                EXPECT_EQ(destroyCoordOpParams(p), SRM_STAT_CODE_SUCCESS);
                EXPECT_EQ(FailingAllocator::live, 0);
            } else {
                ADD_FAILURE() << "status " << s;
                break;
            }
        }
    }
    SRM_SetAllocator(nullptr, nullptr);
}

// ---- applying plans ----

TEST_F(SrmTest, ChangeCoordinateArgumentFailuresLeaveTheDestination)
{
    Plan plan(gd(), gc());
    ASSERT_EQ(plan.status, SRM_STAT_CODE_SUCCESS);
    SRM_Coordinate in = gdCoord(10, 20, 30);
    SRM_Coordinate out = gcCoord(-1, -2, -3);
    const SRM_Coordinate untouched = out;

    EXPECT_EQ(changeCoordinate(nullptr, &in, &out), SRM_STAT_CODE_INVALID_SOURCE_SRF_PARAMETERS);
    EXPECT_EQ(changeCoordinate(plan.p, &in, nullptr), SRM_STAT_CODE_INVALID_DEST_COORD);
    EXPECT_EQ(changeCoordinate(plan.p, nullptr, &out), SRM_STAT_CODE_INVALID_SOURCE_COORD);
    // A GC coordinate handed to a GD plan would be read as longitude/latitude.
    SRM_Coordinate wrongFrame = gcCoord(10, 20, 30);
    EXPECT_EQ(changeCoordinate(plan.p, &wrongFrame, &out), SRM_STAT_CODE_INVALID_SOURCE_COORD);
    SRM_Coordinate twoD{};
    twoD.dimensionality = SRM_DIM_TWO_D;
    EXPECT_EQ(changeCoordinate(plan.p, &twoD, &out), SRM_STAT_CODE_INVALID_SOURCE_COORD);
    // A non-finite height cannot give a point.
    in = gdCoord(10, 20, std::numeric_limits<double>::infinity());
    EXPECT_EQ(changeCoordinate(plan.p, &in, &out), SRM_STAT_CODE_INVALID_SOURCE_COORD);
    EXPECT_EQ(std::memcmp(&out, &untouched, sizeof out), 0);
    EXPECT_EQ(err.take(), "");

    in = gdCoord(-180.0006, 0, 0);
    EXPECT_EQ(changeCoordinate(plan.p, &in, &out), SRM_STAT_CODE_INVALID_SOURCE_COORD);
    EXPECT_EQ(err.take(),
              "Illegal value_ptr->geodetic_longitude value (  -180.00060)\n"
              "Illegal SRM_GD_Coordinate_3D value\n"
              "Illegal SRM_Coordinate_3D value\n");
    EXPECT_EQ(std::memcmp(&out, &untouched, sizeof out), 0);

    // The plan stays usable after failures.
    in = gdCoord(-180.0004, 0, 0);
    EXPECT_EQ(changeCoordinate(plan.p, &in, &out), SRM_STAT_CODE_SUCCESS);
    EXPECT_EQ(out.dimensionality, SRM_DIM_THREE_D);
    EXPECT_EQ(out.coordinate.three_d.spatial_reference_frame, SRM_SRF_3D_GC);
    EXPECT_NEAR(out.coordinate.three_d.coordinate.gc.x, -6378137.0 * std::cos(0.0004 * M_PI / 180), 1e-6);
    EXPECT_NEAR(out.coordinate.three_d.coordinate.gc.y, 6378137.0 * std::sin(0.0004 * M_PI / 180), 1e-6);

    CoordOpParams empty{};
    empty.source = gd();
    empty.target = gc();
    in = gdCoord(0, 0, 0);
    EXPECT_EQ(changeCoordinate(&empty, &in, &out), SRM_STAT_CODE_FAILURE);
}

TEST_F(SrmTest, PlansAppliedTwiceGiveIdenticalResultsAndKeepTheSource)
{
    Plan toGc(gd(), gc());
    Plan toGd(gc(), gd());
    Plan fromLtp(ltp(-33.9, 151.2), gc());
    const SRM_Coordinate sources[] = {gdCoord(151.2, -33.9, 120.5), gcCoord(-4646000.25, 2553000.5, -3534000.75),
                                      ltpCoord(1000.5, -2000.25, 300.125)};
    const CoordOpParams* plans[] = {toGc.p, toGd.p, fromLtp.p};
    for (int i = 0; i < 3; ++i) {
        const SRM_Coordinate src = sources[i];
        SRM_Coordinate a, b;
        std::memset(&a, 0xAB, sizeof a);
        std::memset(&b, 0xCD, sizeof b);
        ASSERT_EQ(changeCoordinate(plans[i], &src, &a), SRM_STAT_CODE_SUCCESS);
        ASSERT_EQ(changeCoordinate(plans[i], &src, &b), SRM_STAT_CODE_SUCCESS);
        EXPECT_EQ(a.dimensionality, b.dimensionality);
        EXPECT_EQ(std::memcmp(&a.coordinate.three_d.coordinate, &b.coordinate.three_d.coordinate,
                              sizeof(SRM_GC_Coordinate_3D)), 0);
        EXPECT_EQ(std::memcmp(&src, &sources[i], sizeof src), 0);
    }
}

TEST_F(SrmTest, GeocentricToGeodeticRefusesTheCentre)
{
    Plan plan(gc(), gd());
    SRM_Coordinate out = gdCoord(1, 2, 3);
    const SRM_Coordinate untouched = out;
    for (const SRM_Coordinate& in : {gcCoord(0, 0, 0), gcCoord(100, 100, 100), gcCoord(-0.0, 0.0, 0.0),
                                     gcCoord(0, 223, 0), gcCoord(100, 100, 0)}) {
        EXPECT_EQ(changeCoordinate(plan.p, &in, &out), SRM_STAT_CODE_INVALID_DEST_COORD);
        EXPECT_EQ(std::memcmp(&out, &untouched, sizeof out), 0);
    }
    const SRM_Coordinate nanIn = gcCoord(std::nan(""), 1, 1);
    EXPECT_EQ(changeCoordinate(plan.p, &nanIn, &out), SRM_STAT_CODE_INVALID_SOURCE_COORD);
    const SRM_Coordinate infIn = gcCoord(std::numeric_limits<double>::infinity(), 1, 1);
    EXPECT_EQ(changeCoordinate(plan.p, &infIn, &out), SRM_STAT_CODE_INVALID_SOURCE_COORD);
    EXPECT_EQ(std::memcmp(&out, &untouched, sizeof out), 0);

    // Just outside the refused sphere the closed form answers.
    const SRM_Coordinate near = gcCoord(0, 224, 0);
    ASSERT_EQ(changeCoordinate(plan.p, &near, &out), SRM_STAT_CODE_SUCCESS);
    EXPECT_EQ(out.coordinate.three_d.spatial_reference_frame, SRM_SRF_3D_GD);
    EXPECT_NEAR(out.coordinate.three_d.coordinate.gd.geodetic_longitude, 90.0, 1e-12);
    EXPECT_TRUE(std::isfinite(out.coordinate.three_d.coordinate.gd.elevation));
}

TEST_F(SrmTest, FeetAreScaledOnTheWayInAndOut)
{
    Plan metres(gd(), gc());
    Plan feet(gd(SRM_HDATUM_WGS_1984, SRM_VDATUM_WGS84E, SRM_ELEV_UNIT_FOOT), gc());
    ASSERT_EQ(feet.status, SRM_STAT_CODE_SUCCESS);
    ASSERT_NE(feet.p->operations, nullptr);
    EXPECT_EQ(feet.p->operations->kind, SRM_OP_MATRIX);
    SRM_Coordinate inM = gdCoord(7, 47, 304.8), inF = gdCoord(7, 47, 1000.0), a, b;
    ASSERT_EQ(changeCoordinate(metres.p, &inM, &a), SRM_STAT_CODE_SUCCESS);
    ASSERT_EQ(changeCoordinate(feet.p, &inF, &b), SRM_STAT_CODE_SUCCESS);
    EXPECT_NEAR(a.coordinate.three_d.coordinate.gc.x, b.coordinate.three_d.coordinate.gc.x, 1e-8);
    EXPECT_NEAR(a.coordinate.three_d.coordinate.gc.z, b.coordinate.three_d.coordinate.gc.z, 1e-8);

    Plan back(gc(), gd(SRM_HDATUM_WGS_1984, SRM_VDATUM_WGS84E, SRM_ELEV_UNIT_FOOT));
    ASSERT_EQ(changeCoordinate(back.p, &a, &b), SRM_STAT_CODE_SUCCESS);
    EXPECT_NEAR(b.coordinate.three_d.coordinate.gd.elevation, 1000.0, 1e-3);  // near-surface formula: ~0.1 mm
    EXPECT_NEAR(b.coordinate.three_d.coordinate.gd.geodetic_latitude, 47.0, 1e-8);

    Plan ltpFeet(ltp(0, 0, 0, 0, 0, SRM_ELEV_UNIT_FOOT), gc());
    SRM_Coordinate up = ltpCoord(0, 0, 1000.0);
    ASSERT_EQ(changeCoordinate(ltpFeet.p, &up, &a), SRM_STAT_CODE_SUCCESS);
    EXPECT_NEAR(a.coordinate.three_d.coordinate.gc.x, 6378137.0 + 304.8, 1e-8);
}

TEST_F(SrmTest, LocalTangentPlaneAzimuthAndOffsets)
{
    SRM_Coordinate out;
    // +y along the azimuth: at 90 degrees it points east (+Y at the origin 0/0).
    Plan east(ltp(0, 0, 90.0), gc());
    SRM_Coordinate in = ltpCoord(0, 1, 0);
    ASSERT_EQ(changeCoordinate(east.p, &in, &out), SRM_STAT_CODE_SUCCESS);
    EXPECT_NEAR(out.coordinate.three_d.coordinate.gc.x, 6378137.0, 1e-8);
    EXPECT_NEAR(out.coordinate.three_d.coordinate.gc.y, 1.0, 1e-8);
    EXPECT_NEAR(out.coordinate.three_d.coordinate.gc.z, 0.0, 1e-8);
    in = ltpCoord(1, 0, 0);  // +x is then south
    ASSERT_EQ(changeCoordinate(east.p, &in, &out), SRM_STAT_CODE_SUCCESS);
    EXPECT_NEAR(out.coordinate.three_d.coordinate.gc.z, -1.0, 1e-8);

    Plan west(ltp(0, 0, 270.0), gc());
    in = ltpCoord(0, 1, 0);
    ASSERT_EQ(changeCoordinate(west.p, &in, &out), SRM_STAT_CODE_SUCCESS);
    EXPECT_NEAR(out.coordinate.three_d.coordinate.gc.y, -1.0, 1e-8);

    // The offsets are the LTP coordinates of the origin point.
    Plan shifted(ltp(0, 0, 0.0, 100.0, -50.0), gc());
    in = ltpCoord(100.0, -50.0, 0.0);
    ASSERT_EQ(changeCoordinate(shifted.p, &in, &out), SRM_STAT_CODE_SUCCESS);
    EXPECT_NEAR(out.coordinate.three_d.coordinate.gc.x, 6378137.0, 1e-8);
    EXPECT_NEAR(out.coordinate.three_d.coordinate.gc.y, 0.0, 1e-8);
    EXPECT_NEAR(out.coordinate.three_d.coordinate.gc.z, 0.0, 1e-8);

    // 360 is the same direction as 0.
    Plan full(ltp(30, 40, 360.0), gc()), none(ltp(30, 40, 0.0), gc());
    SRM_Coordinate a, b;
    in = ltpCoord(1234.0, -567.0, 89.0);
    ASSERT_EQ(changeCoordinate(full.p, &in, &a), SRM_STAT_CODE_SUCCESS);
    ASSERT_EQ(changeCoordinate(none.p, &in, &b), SRM_STAT_CODE_SUCCESS);
    EXPECT_NEAR(a.coordinate.three_d.coordinate.gc.x, b.coordinate.three_d.coordinate.gc.x, 1e-8);
    EXPECT_NEAR(a.coordinate.three_d.coordinate.gc.y, b.coordinate.three_d.coordinate.gc.y, 1e-8);
    EXPECT_NEAR(a.coordinate.three_d.coordinate.gc.z, b.coordinate.three_d.coordinate.gc.z, 1e-8);
}

TEST_F(SrmTest, ChangeVectorConvertsTheVectorAsAPoint)
{
    Plan plan(ltp(0, 0), gc());
    const SRM_Coordinate pos = ltpCoord(1000, 2000, 3000);
    const double zero[3] = {0, 0, 0};
    double result[3] = {-1, -1, -1};
    ASSERT_EQ(changeVector(plan.p, &pos, zero, result), SRM_STAT_CODE_SUCCESS);
    // the origin, not the converted position argument
    EXPECT_EQ(result[0], 6378137.0);
    EXPECT_EQ(result[1], 0.0);
    EXPECT_EQ(result[2], 0.0);

    Plan inclined(ltp(48.1, 11.6), gc());
    SRM_Coordinate origin;
    const SRM_Coordinate o = ltpCoord(0, 0, 0);
    ASSERT_EQ(changeCoordinate(inclined.p, &o, &origin), SRM_STAT_CODE_SUCCESS);
    ASSERT_EQ(changeVector(inclined.p, &pos, zero, result), SRM_STAT_CODE_SUCCESS);
    EXPECT_EQ(std::memcmp(result, &origin.coordinate.three_d.coordinate.gc, sizeof result), 0);

    const double v[3] = {1, 2, 3};
    const double untouched[3] = {result[0], result[1], result[2]};
    EXPECT_EQ(changeVector(nullptr, &pos, v, result), SRM_STAT_CODE_INVALID_SRF_PAIR);
    EXPECT_EQ(changeVector(plan.p, &pos, nullptr, result), SRM_STAT_CODE_INVALID_SOURCE_VECTOR);
    EXPECT_EQ(changeVector(plan.p, &pos, v, nullptr), SRM_STAT_CODE_INVALID_DEST_VECTOR);
    EXPECT_EQ(changeVector(plan.p, nullptr, v, result), SRM_STAT_CODE_INVALID_SOURCE_COORD);
    const SRM_Coordinate gdPos = gdCoord(0, 0, 0);
    EXPECT_EQ(changeVector(plan.p, &gdPos, v, result), SRM_STAT_CODE_INVALID_SOURCE_COORD);
    const double nanVector[3] = {0, std::nan(""), 0};
    EXPECT_EQ(changeVector(plan.p, &pos, nanVector, result), SRM_STAT_CODE_INVALID_SOURCE_COORD);
    EXPECT_EQ(std::memcmp(result, untouched, sizeof result), 0);

    // Other pairs have no vector rule here.
    Plan gdToGc(gd(), gc());
    const SRM_Coordinate g = gdCoord(1, 2, 3);
    EXPECT_EQ(changeVector(gdToGc.p, &g, v, result), SRM_STAT_CODE_UNSUPPORTED);

    const SRM_Coordinate badPos = gdCoord(0, 100, 0);  // checked with report on
    EXPECT_EQ(changeVector(gdToGc.p, &badPos, v, result), SRM_STAT_CODE_INVALID_SOURCE_COORD);
    EXPECT_EQ(err.take(),
              "Illegal value_ptr->geodetic_latitude value (   100.00000)\n"
              "Illegal SRM_GD_Coordinate_3D value\n"
              "Illegal SRM_Coordinate_3D value\n");
}

}  // namespace
