#include "PluginHarness.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <ftw.h>
#include <unistd.h>

namespace {

int removeEntry(const char* path, const struct stat*, int, struct FTW*) { return std::remove(path); }

}  // namespace

void PluginTest::SetUp() {
    setenv("TZ", "UTC", 1);
    tzset();
    unsetenv("VOLAX_TRACE");
    xphost::reset();
    char dir[] = "/tmp/volax-plugin-XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    prefsDir = dir;
    xphost::setPrefsDir(prefsDir);
    xphost::setOutputDir("");
    xphost::setFlightModelEnabled(false);
}

void PluginTest::TearDown() {
    EXPECT_FALSE(xphost::pluginFaulted()) << xphost::pluginFault();
    xphost::unloadAll();
    EXPECT_FALSE(xphost::pluginFaulted()) << xphost::pluginFault();
    xphost::reset();
    unsetenv("VOLAX_TRACE");
    if (!prefsDir.empty()) nftw(prefsDir.c_str(), removeEntry, 8, FTW_DEPTH | FTW_PHYS);
}

void PluginTest::writePrefs(const std::string& fileName, const std::string& text) {
    std::ofstream out(prefsPath(fileName), std::ios::binary);
    out << text;
}

std::string PluginTest::readPrefs(const std::string& fileName) const {
    std::ifstream in(prefsPath(fileName), std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

int PluginTest::load(bool trace) {
    if (trace) setenv("VOLAX_TRACE", prefsPath("trace.txt").c_str(), 1);
    std::string error;
    index = xphost::loadPlugin(pluginPath, &error);
    unsetenv("VOLAX_TRACE");
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
