// EGM96 heights: the grid against PROJ's own reading of the same file (cct,
// Debian's proj-bin), EGM96 positions against GeographicLib, and grid files
// that are missing, truncated or not what they claim.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <GeographicLib/Geocentric.hpp>

#include "QVCoordConv.h"
#include "SRM.h"
#include "test_support.h"

namespace {

const std::string kGrid = VOLAX_GEOID_GRID_PATH;

struct Place {
    const char* name;
    double latitude, longitude;
    double about;  // what the place is known for, to see that the oracle ran at all
};

// The places the geoid is known by, the poles, and around the date line (the
// grid's last column is 179.75 E; east of it the first one follows).
const Place kPlaces[] = {
    {"Zurich", 47.3769, 8.5417, 47.3},
    {"San Francisco", 37.7749, -122.4194, -32.3},
    {"Indian Ocean low", 4.75, 78.75, -107.0},
    {"south of Ceylon", 4.0, 77.0, -104.2},
    {"north pole", 90.0, 0.0, 13.6},
    {"north pole, another meridian", 90.0, -135.0, 13.6},
    {"south pole", -90.0, 0.0, -29.5},
    {"Fiji, west of the date line", -16.5, 179.9, 53.0},
    {"Fiji, east of the date line", -16.5, -179.9, 52.2},
    {"date line from the east", -16.5, 180.0, 52.6},
    {"date line from the west", -16.5, -180.0, 52.6},
    {"between the last column and the first", 0.1, 179.875, 21.1},
    {"a grid node", 45.0, 10.0, 39.0},
};

// N at every place, as PROJ's cct reads the same grid.
std::vector<double> projSeparations()
{
    std::string input;
    for (const Place& p : kPlaces) input += std::to_string(p.longitude) + " " + std::to_string(p.latitude) + " 0\n";
    const std::string inFile = testing::TempDir() + "geoid_points.txt";
    std::ofstream(inFile) << input;
    const std::string command = "cct -d 6 +proj=vgridshift +grids=" + kGrid + " +multiplier=1 " + inFile;
    std::vector<double> out;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return out;
    char line[256];
    while (std::fgets(line, sizeof line, pipe)) {
        double lon, lat, n;
        if (std::sscanf(line, "%lf %lf %lf", &lon, &lat, &n) == 3) out.push_back(n);
    }
    pclose(pipe);
    return out;
}

class GeoidTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(QVCoordConv::loadGeoid(kGrid.c_str()), SRM_STAT_CODE_SUCCESS) << kGrid; }
    void TearDown() override { SRM_UnloadGeoidSeparationFile(); }
};

}  // namespace

TEST_F(GeoidTest, SeparationAgreesWithProjWithinOneCentimetre)
{
    const std::vector<double> proj = projSeparations();
    ASSERT_EQ(proj.size(), std::size(kPlaces)) << "cct (Debian's proj-bin) must be installed";
    const GeographicLib::Geocentric& earth = GeographicLib::Geocentric::WGS84();
    double worst = 0;
    for (std::size_t i = 0; i < proj.size(); ++i) {
        const Place& p = kPlaces[i];
        SCOPED_TRACE(p.name);
        EXPECT_NEAR(proj[i], p.about, 0.5) << "the oracle itself";
        double n = NAN;
        ASSERT_TRUE(QVCoordConv::geoidSeparation(p.latitude, p.longitude, n));
        EXPECT_NEAR(n, proj[i], 0.01);
        worst = std::max(worst, std::fabs(n - proj[i]));

        // 1000 m above mean sea level is 1000 + N above the ellipsoid, both ways.
        double x, y, z, exact[3];
        ASSERT_TRUE(QVCoordConv::gdc2gccDouble(p.latitude, p.longitude, 1000.0, QVCoordConv::VerticalDatum::EGM96,
                                               x, y, z));
        earth.Forward(p.latitude, p.longitude, 1000.0 + proj[i], exact[0], exact[1], exact[2]);
        EXPECT_LT(std::hypot(x - exact[0], y - exact[1], z - exact[2]), 0.01);
        double lat, lon, h;
        ASSERT_TRUE(QVCoordConv::gcc2gdcDouble(exact[0], exact[1], exact[2], QVCoordConv::VerticalDatum::EGM96, lat,
                                               lon, h));
        EXPECT_NEAR(h, 1000.0, 0.01);
    }
    std::printf("largest difference from cct: %.6f m\n", worst);
}

// The engine's own plans: feet above the geoid go to metres before N is added,
// and GC -> GD(EGM96) takes N off after the conversion.
TEST_F(GeoidTest, PlansCarryTheGeoidStepInOrder)
{
    SRM_SRF_Parameters gd{}, gc{};
    gd.dimensionality = gc.dimensionality = SRM_DIM_THREE_D;
    gd.parameters.three_d.spatial_reference_frame = SRM_SRF_3D_GD;
    gd.parameters.three_d.parameters.gd = {SRM_HDATUM_WGS_1984, SRM_VDATUM_EGM96, SRM_ELEV_UNIT_FOOT};
    gc.parameters.three_d.spatial_reference_frame = SRM_SRF_3D_GC;
    CoordOpParams* toGc = nullptr;
    CoordOpParams* toGd = nullptr;
    ASSERT_EQ(createCoordOpParams(&gd, &gc, &toGc), SRM_STAT_CODE_SUCCESS);
    ASSERT_EQ(createCoordOpParams(&gc, &gd, &toGd), SRM_STAT_CODE_SUCCESS);
    SRM_Coordinate in{}, mid{}, back{};
    in.dimensionality = SRM_DIM_THREE_D;
    in.coordinate.three_d.spatial_reference_frame = SRM_SRF_3D_GD;
    in.coordinate.three_d.coordinate.gd = {8.5417, 47.3769, 1000.0};  // feet
    ASSERT_EQ(changeCoordinate(toGc, &in, &mid), SRM_STAT_CODE_SUCCESS);
    ASSERT_EQ(changeCoordinate(toGd, &mid, &back), SRM_STAT_CODE_SUCCESS);
    EXPECT_NEAR(back.coordinate.three_d.coordinate.gd.elevation, 1000.0, 0.002);  // the inverse is good to 0.42 mm

    double x, y, z;
    ASSERT_TRUE(QVCoordConv::gdc2gccDouble(47.3769, 8.5417, 304.8, QVCoordConv::VerticalDatum::EGM96, x, y, z));
    const SRM_GC_Coordinate_3D& g = mid.coordinate.three_d.coordinate.gc;
    EXPECT_LT(std::hypot(g.x - x, g.y - y, g.z - z), 1e-6);

    // An LTP's z is not a geoid height: refused.
    SRM_SRF_Parameters ltp{};
    ltp.dimensionality = SRM_DIM_THREE_D;
    ltp.parameters.three_d.spatial_reference_frame = SRM_SRF_3D_LTP;
    ltp.parameters.three_d.parameters.ltp = {SRM_HDATUM_WGS_1984, SRM_VDATUM_EGM96, 8.5, 47.3, 0, 0, 0,
                                             SRM_ELEV_UNIT_METRE};
    CoordOpParams* none = nullptr;
    EXPECT_EQ(createCoordOpParams(&ltp, &gc, &none), SRM_STAT_CODE_UNSUPPORTED);
    destroyCoordOpParams(toGc);
    destroyCoordOpParams(toGd);
}

namespace {

std::string readAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

std::string writeTemp(const std::string& name, const std::string& bytes)
{
    const std::string path = testing::TempDir() + name;
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
}

}  // namespace

// Every bad grid leaves none: EGM96 conversions then fail with the load's
// status, and a good grid loaded later serves again.
TEST(GeoidFile, MissingOrInvalidGridsAreRefused)
{
    const std::string good = readAll(kGrid);
    ASSERT_EQ(good.size(), 40u + 721u * 1440u * 4u);
    std::string regional = good;
    regional[1] = 0x50;  // south edge -66 degrees, no longer global
    std::string nan = good;
    for (int i = 0; i < 4; ++i) nan[40 + 4 * 5000 + i] = '\xff';
    struct Case {
        const char* name;
        std::string path;
        SRM_Status_Code status;
    } cases[] = {
        {"no such file", testing::TempDir() + "no-such-grid.gtx", SRM_STAT_CODE_MISSING_WGS84_GEOID_SEPARATION_FILE},
        {"a folder", testing::TempDir(), SRM_STAT_CODE_MISSING_WGS84_GEOID_SEPARATION_FILE},
        {"header cut", writeTemp("short-header.gtx", good.substr(0, 20)),
         SRM_STAT_CODE_INVALID_WGS84_GEOID_SEPARATION_FILE},
        {"values cut", writeTemp("truncated.gtx", good.substr(0, good.size() - 4)),
         SRM_STAT_CODE_INVALID_WGS84_GEOID_SEPARATION_FILE},
        {"bytes beyond the grid", writeTemp("long.gtx", good + "x"), SRM_STAT_CODE_INVALID_WGS84_GEOID_SEPARATION_FILE},
        {"not global", writeTemp("regional.gtx", regional), SRM_STAT_CODE_INVALID_WGS84_GEOID_SEPARATION_FILE},
        {"a value not a number", writeTemp("nan.gtx", nan), SRM_STAT_CODE_INVALID_WGS84_GEOID_SEPARATION_FILE},
    };
    CapturedStream log;
    QVCoordConv::setLogFile(log.get());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(QVCoordConv::loadGeoid(kGrid.c_str()), SRM_STAT_CODE_SUCCESS);
        EXPECT_EQ(QVCoordConv::loadGeoid(c.path.c_str()), c.status);
        double n, x, y, z;
        EXPECT_FALSE(QVCoordConv::geoidSeparation(47, 8, n));
        log.take();
        EXPECT_FALSE(QVCoordConv::gdc2gccDouble(47, 8, 0, QVCoordConv::VerticalDatum::EGM96, x, y, z));
        EXPECT_EQ(log.take(), "QVCoordConv::gdc2gccDouble : Failed to create pair!\n");
        SRM_SRF_Parameters gd{}, gc{};
        gd.dimensionality = gc.dimensionality = SRM_DIM_THREE_D;
        gd.parameters.three_d.spatial_reference_frame = SRM_SRF_3D_GD;
        gd.parameters.three_d.parameters.gd = {SRM_HDATUM_WGS_1984, SRM_VDATUM_EGM96, SRM_ELEV_UNIT_METRE};
        gc.parameters.three_d.spatial_reference_frame = SRM_SRF_3D_GC;
        CoordOpParams* plan = nullptr;
        EXPECT_EQ(createCoordOpParams(&gd, &gc, &plan), c.status);
        EXPECT_EQ(plan, nullptr);
        // Ellipsoid heights never need the grid.
        EXPECT_TRUE(QVCoordConv::gdc2gccDouble(47, 8, 0, QVCoordConv::VerticalDatum::WGS84E, x, y, z));
    }
    QVCoordConv::setLogFile(nullptr);
    EXPECT_EQ(QVCoordConv::loadGeoid(kGrid.c_str()), SRM_STAT_CODE_SUCCESS);
    double n;
    EXPECT_TRUE(QVCoordConv::geoidSeparation(47, 8, n));
    SRM_UnloadGeoidSeparationFile();
}
