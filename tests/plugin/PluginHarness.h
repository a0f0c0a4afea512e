#ifndef VOLAX_TESTS_PLUGIN_PLUGINHARNESS_H
#define VOLAX_TESTS_PLUGIN_PLUGINHARNESS_H

// VOLAX.xpl in the headless host with a fresh preferences folder per test.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TestPlatform.h"
#include "XPLMHost.h"

typedef float (*TickFn)(float, float, int, void*);

// On Windows VOLAX.xpl carries its own copy of the RTI: a federate of the test
// process meets the plugin only through a volax-rtiexec (VOLAX_RTI=host:port),
// and the test's fault injection never reaches the plugin's copy.
bool testRtiReachesPlugin();
bool faultInjectionReachesPlugin();
extern const char* const kPluginHasItsOwnRti;

class PluginTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Writes a file into the preferences folder.
    void writePrefs(const std::string& fileName, const std::string& text);
    std::string readPrefs(const std::string& fileName) const;
    std::string prefsPath(const std::string& fileName) const { return prefsDir + "/" + fileName; }

    // Loads (XPluginStart) the plugin; with `trace`, VOLAX_TRACE names a file
    // in the preferences folder for this load.
    int load(bool trace = false);
    int loadAndEnable(bool trace = false);
    // Disables, stops and unloads the plugin: the trace file is complete after it.
    void unload();
    std::string traceText() const { return readPrefs("trace.txt"); }

    int state(const std::string& item) const { return xphost::menuItemState("VOLAX", item); }
    // Join, Resign, Create Ownship states as "JRC" digits, e.g. "011".
    std::string menuStates() const;

    // The registered flight-loop callback, called directly for exact control.
    float tick(float sinceLastFlightLoop = 0.1f);
    void select(const std::string& item) { xphost::selectMenuItem("VOLAX", item); }
    void loadUserAircraft(const std::string& file = "F16_Falcon.acf",
                          const std::string& dir = "/xp/Aircraft/Fighters/F16");
    std::vector<int> parts() const { return xphost::getIntArray("sim/aircraft/prop/acf_part_eq"); }
    int countSpoken(const std::string& text) const;
    static bool contains(const std::string& haystack, const std::string& needle) {
        return haystack.find(needle) != std::string::npos;
    }

    std::string prefsDir;
    std::string pluginPath = VOLAX_PLUGIN_PATH;  // a test may load a copy from an X-Plane folder
    int index = -1;
    TickFn tickFn = nullptr;
};

#endif
