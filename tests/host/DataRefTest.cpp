// Data references as plugins see them: lookup, types, X-Plane's access rules.

#include "HostFixture.h"

#include "XPLMDataAccess.h"

#include <stdexcept>
#include <vector>

namespace {

const char* const kParts = "sim/aircraft/prop/acf_part_eq";

using DataRefs = HostTest;

TEST_F(DataRefs, EveryPathHasItsTypeAndAccess) {
    struct Expect {
        const char* path;
        int type;
        int writable;
    };
    const std::string pos = "sim/flightmodel/position/";
    std::vector<Expect> all;
    std::vector<std::string> keep;  // owns the composed paths
    for (const char* n : {"local_x", "local_y", "local_z", "local_vx", "local_vy", "local_vz", "local_ax", "local_ay",
                          "local_az", "psi", "theta", "phi", "lat_ref", "lon_ref", "true_psi", "true_theta", "true_phi"})
        keep.push_back(pos + n);
    for (auto& p : keep) all.push_back({p.c_str(), xplmType_Float, 0});
    const std::string global[] = {pos + "latitude", pos + "longitude", pos + "elevation"};
    for (auto& p : global) all.push_back({p.c_str(), xplmType_Float | xplmType_Double, 0});
    all.push_back({kParts, xplmType_IntArray, 1});
    all.push_back({"sim/time/use_system_time", xplmType_Int, 1});
    all.push_back({"sim/time/local_date_days", xplmType_Int, 1});
    all.push_back({"sim/time/zulu_time_sec", xplmType_Float, 1});
    all.push_back({"sim/time/total_running_time_sec", xplmType_Float, 0});
    all.push_back({"sim/time/paused", xplmType_Int, 0});
    for (const Expect& e : all) {
        XPLMDataRef r = XPLMFindDataRef(e.path);
        ASSERT_NE(r, nullptr) << e.path;
        EXPECT_EQ(XPLMGetDataRefTypes(r), e.type) << e.path;
        EXPECT_EQ(XPLMCanWriteDataRef(r), e.writable) << e.path;
        EXPECT_EQ(XPLMIsDataRefGood(r), 1) << e.path;
        EXPECT_EQ(XPLMFindDataRef(e.path), r) << "a path always gives the same handle";
    }
}

TEST_F(DataRefs, UnknownPathsAndNullHandlesAreHarmless) {
    EXPECT_EQ(XPLMFindDataRef("sim/no/such/ref"), nullptr);
    EXPECT_EQ(XPLMFindDataRef(""), nullptr);
    EXPECT_EQ(XPLMFindDataRef(nullptr), nullptr);
    EXPECT_EQ(XPLMIsDataRefGood(nullptr), 0);
    EXPECT_EQ(XPLMCanWriteDataRef(nullptr), 0);
    EXPECT_EQ(XPLMGetDataRefTypes(nullptr), xplmType_Unknown);
    EXPECT_EQ(XPLMGetDatai(nullptr), 0);
    EXPECT_EQ(XPLMGetDataf(nullptr), 0.0f);
    EXPECT_EQ(XPLMGetDatad(nullptr), 0.0);
    int buf[4] = {7, 7, 7, 7};
    EXPECT_EQ(XPLMGetDatavi(nullptr, buf, 0, 4), 0);
    EXPECT_EQ(XPLMGetDatavi(nullptr, nullptr, 0, 0), 0);
    XPLMSetDatai(nullptr, 1);
    XPLMSetDataf(nullptr, 1);
    XPLMSetDatavi(nullptr, buf, 0, 4);
    EXPECT_EQ(buf[0], 7);
    // A pointer that is not a handle is treated like NULL, not dereferenced.
    int notAHandle = 5;
    EXPECT_EQ(XPLMIsDataRefGood(&notAHandle), 0);
    EXPECT_EQ(XPLMGetDatai(&notAHandle), 0);
    XPLMSetDatai(&notAHandle, 9);
    EXPECT_EQ(notAHandle, 5);
}

TEST_F(DataRefs, WrongTypedAccessReadsZeroAndWritesNothing) {
    XPLMDataRef days = XPLMFindDataRef("sim/time/local_date_days");
    XPLMDataRef zulu = XPLMFindDataRef("sim/time/zulu_time_sec");
    XPLMDataRef parts = XPLMFindDataRef(kParts);
    xphost::setInt("sim/time/local_date_days", 42);
    xphost::setFloat("sim/time/zulu_time_sec", 3600.5f);
    EXPECT_EQ(XPLMGetDataf(days), 0.0f);
    EXPECT_EQ(XPLMGetDatad(days), 0.0);
    EXPECT_EQ(XPLMGetDatai(zulu), 0);
    EXPECT_EQ(XPLMGetDatai(parts), 0);
    float f[2] = {1, 1};
    EXPECT_EQ(XPLMGetDatavf(parts, f, 0, 2), 0);
    EXPECT_EQ(XPLMGetDatavf(parts, nullptr, 0, 0), 0);
    XPLMSetDataf(days, 7.0f);
    XPLMSetDatai(zulu, 7);
    XPLMSetDatad(zulu, 7.0);
    EXPECT_EQ(XPLMGetDatai(days), 42);
    EXPECT_EQ(XPLMGetDataf(zulu), 3600.5f);
}

TEST_F(DataRefs, ScalarsReadAndWriteByType) {
    XPLMDataRef days = XPLMFindDataRef("sim/time/local_date_days");
    XPLMSetDatai(days, 200);
    EXPECT_EQ(XPLMGetDatai(days), 200);
    EXPECT_EQ(xphost::getInt("sim/time/local_date_days"), 200);
    XPLMDataRef zulu = XPLMFindDataRef("sim/time/zulu_time_sec");
    XPLMSetDataf(zulu, 1234.25f);
    EXPECT_EQ(XPLMGetDataf(zulu), 1234.25f);
    xphost::setDouble("sim/flightmodel/position/elevation", 1234.5678901234);
    EXPECT_DOUBLE_EQ(XPLMGetDatad(XPLMFindDataRef("sim/flightmodel/position/elevation")), 1234.5678901234);
}

TEST_F(DataRefs, ReadOnlyRefsIgnorePluginWritesButNotTheHost) {
    XPLMDataRef x = XPLMFindDataRef("sim/flightmodel/position/local_x");
    xphost::setFlightModelEnabled(false);
    xphost::setFloat("sim/flightmodel/position/local_x", 12.5f);
    XPLMSetDataf(x, 99.0f);
    EXPECT_EQ(XPLMGetDataf(x), 12.5f);
    XPLMDataRef q = XPLMFindDataRef("sim/flightmodel/position/q");
    float values[4] = {9, 9, 9, 9};
    XPLMSetDatavf(q, values, 0, 4);
    EXPECT_NE(xphost::getFloatArray("sim/flightmodel/position/q")[0], 9.0f);
}

TEST_F(DataRefs, IntArrayClipsToTheArrayAndReportsCounts) {
    XPLMDataRef parts = XPLMFindDataRef(kParts);
    EXPECT_EQ(XPLMGetDatavi(parts, nullptr, 0, 0), 73);
    std::vector<int> buf(80, -1);
    EXPECT_EQ(XPLMGetDatavi(parts, buf.data(), 0, 80), 73) << "more asked than there is";
    EXPECT_EQ(buf[72], 1) << "fresh aircraft parts are all 1";
    EXPECT_EQ(buf[73], -1) << "nothing written past the count";
    EXPECT_EQ(XPLMGetDatavi(parts, buf.data(), 70, 10), 3);
    EXPECT_EQ(XPLMGetDatavi(parts, buf.data(), 73, 10), 0);
    EXPECT_EQ(XPLMGetDatavi(parts, buf.data(), -1, 10), 0);
    EXPECT_EQ(XPLMGetDatavi(parts, buf.data(), 0, -5), 0);

    int zeros[10] = {0};
    XPLMSetDatavi(parts, zeros, 68, 10);  // clipped to elements 68..72
    XPLMSetDatavi(parts, zeros, -2, 4);   // refused
    XPLMSetDatavi(parts, nullptr, 0, 4);  // refused
    std::vector<int> now = xphost::getIntArray(kParts);
    ASSERT_EQ(now.size(), 73u);
    for (int i = 0; i < 73; ++i) EXPECT_EQ(now[i], i >= 68 ? 0 : 1) << i;
}

TEST_F(DataRefs, FloatArrayAndBytesFollowTheSameRules) {
    XPLMDataRef q = XPLMFindDataRef("sim/flightmodel/position/q");
    ASSERT_EQ(XPLMGetDataRefTypes(q), xplmType_FloatArray);
    EXPECT_EQ(XPLMGetDatavf(q, nullptr, 0, 0), 4);
    float f[6] = {0};
    EXPECT_EQ(XPLMGetDatavf(q, f, 1, 6), 3);

    XPLMDataRef tail = XPLMFindDataRef("sim/aircraft/view/acf_tailnum");
    ASSERT_EQ(XPLMGetDataRefTypes(tail), xplmType_Data);
    EXPECT_EQ(XPLMGetDatab(tail, nullptr, 0, 0), 40);
    char text[8] = "ABCDEFG";
    XPLMSetDatab(tail, text, 36, 8);  // clipped to the last 4 bytes
    char back[64] = {0};
    EXPECT_EQ(XPLMGetDatab(tail, back, 0, 64), 40);
    EXPECT_EQ(std::string(back, 6), "PH-VLX");
    EXPECT_EQ(std::string(back + 36, 4), "ABCD");
    EXPECT_EQ(XPLMGetDatab(XPLMFindDataRef(kParts), back, 0, 4), 0) << "not a byte reference";
}

TEST_F(DataRefs, HostAccessorsRejectUnknownPathsAndKinds) {
    EXPECT_THROW(xphost::setFloat("sim/no/such", 1), std::invalid_argument);
    EXPECT_THROW(xphost::getInt("sim/flightmodel/position/local_x"), std::invalid_argument);
    EXPECT_THROW(xphost::setIntArray(kParts, std::vector<int>(74, 1)), std::invalid_argument);
    EXPECT_THROW(xphost::getIntArray("sim/time/zulu_time_sec"), std::invalid_argument);
}

TEST_F(DataRefs, ResetRestoresDefaults) {
    xphost::setIntArray(kParts, std::vector<int>(73, 0));
    xphost::setInt("sim/time/use_system_time", 0);
    xphost::reset();
    EXPECT_EQ(xphost::getIntArray(kParts), std::vector<int>(73, 1));
    EXPECT_EQ(xphost::getInt("sim/time/use_system_time"), 1);
}

TEST_F(DataRefs, SimulatorClockRunsWithFramesUnlessTheModelIsOff) {
    xphost::setFloat("sim/time/zulu_time_sec", 86400.0f - 0.5f);
    xphost::setInt("sim/time/local_date_days", 364);
    xphost::runSeconds(1.0);
    EXPECT_NEAR(xphost::getFloat("sim/time/zulu_time_sec"), 0.5f, 1e-3);
    EXPECT_EQ(xphost::getInt("sim/time/local_date_days"), 0) << "the day wraps at the year's end";
    EXPECT_NEAR(xphost::getFloat("sim/time/total_running_time_sec"), 1.0f, 1e-4);
    xphost::setFlightModelEnabled(false);
    xphost::setFloat("sim/time/zulu_time_sec", 100.0f);
    xphost::runSeconds(1.0);
    EXPECT_EQ(xphost::getFloat("sim/time/zulu_time_sec"), 100.0f);
}

}  // namespace
