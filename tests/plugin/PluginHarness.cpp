#include "PluginHarness.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

bool testRtiReachesPlugin() {
    if (!volax::test::kWindows) return true;
    const char* where = std::getenv("VOLAX_RTI");
    return where && std::string(where).find(':') != std::string::npos;
}

bool faultInjectionReachesPlugin() { return !volax::test::kWindows; }

const char* const kPluginHasItsOwnRti =
    "VOLAX.xpl links its own copy of the RTI on Windows: the test's in-process federates and faults cannot reach it";

void PluginTest::SetUp() {
    volax::test::setTimeZone("UTC");
    volax::test::unsetEnv("VOLAX_TRACE");
    xphost::reset();
    prefsDir = volax::test::TempDir("volax-plugin").release();
    ASSERT_FALSE(prefsDir.empty());
    xphost::setPrefsDir(prefsDir);
    xphost::setOutputDir("");
    xphost::setFlightModelEnabled(false);
}

void PluginTest::TearDown() {
    EXPECT_FALSE(xphost::pluginFaulted()) << xphost::pluginFault();
    xphost::unloadAll();
    EXPECT_FALSE(xphost::pluginFaulted()) << xphost::pluginFault();
    xphost::reset();
    volax::test::unsetEnv("VOLAX_TRACE");
    std::error_code ec;
    if (!prefsDir.empty()) std::filesystem::remove_all(prefsDir, ec);
}

void PluginTest::writePrefs(const std::string& fileName, const std::string& text) {
    std::ofstream out(prefsPath(fileName), std::ios::binary);
    out << text;
}

// Text mode: the plugin writes its files as text, with "\r\n" on Windows.
std::string PluginTest::readPrefs(const std::string& fileName) const {
    std::ifstream in(prefsPath(fileName));
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

int PluginTest::load(bool trace) {
    if (trace) volax::test::setEnv("VOLAX_TRACE", prefsPath("trace.txt"));
    std::string error;
    index = xphost::loadPlugin(pluginPath, &error);
    volax::test::unsetEnv("VOLAX_TRACE");
    EXPECT_GE(index, 0) << error;
    tickFn = index >= 0 ? reinterpret_cast<TickFn>(xphost::pluginSymbol(index, "VOLAXTick")) : nullptr;
    return index;
}

int PluginTest::loadAndEnable(bool trace) {
    if (load(trace) < 0) return -1;
    EXPECT_TRUE(xphost::enablePlugin(index));
    return index;
}

void PluginTest::unload() {
    xphost::unloadAll();
    index = -1;
    tickFn = nullptr;
}

std::string PluginTest::menuStates() const {
    std::string s;
    for (const char* item : {"Join...", "Resign", "Create Ownship"}) {
        int v = state(item);
        s += v < 0 ? '-' : static_cast<char>('0' + v);
    }
    return s;
}

float PluginTest::tick(float sinceLastFlightLoop) {
    EXPECT_NE(tickFn, nullptr);
    return tickFn ? tickFn(sinceLastFlightLoop, sinceLastFlightLoop, 1, nullptr) : 0.0f;
}

void PluginTest::loadUserAircraft(const std::string& file, const std::string& dir) {
    xphost::loadUserAircraft(xphost::AircraftModel{file, dir + "/" + file});
}

int PluginTest::countSpoken(const std::string& text) const {
    int n = 0;
    for (const std::string& s : xphost::spokenTexts()) n += (s == text);
    return n;
}
