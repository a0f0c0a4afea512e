// VOLAX.xpl in the host: start, enable, the menu, messages, disable and stop,
// and the effect of volax.ini and volaxexp.ini on them.

#include <RTI.hh>

#include <algorithm>
#include <cstdio>
#include <set>
#include <sstream>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "PluginHarness.h"

#if VOLAX_OWN_RTI_FLAG
#include <stdexcept>

#include "RTIfaultInjection.hh"
#endif

namespace {

const char kDefaultIni[] =
    "FEDERATE X-Plane\nFEDERATION XP_Federation\nFEDFILE XP_Federation.fed\nFORCEID 3\nSITEID 1\n"
    "APPLICATIONID 2\nAUTOJOIN 1\nCREATE 1\nTIMESTEP 0.10\nAUTOCREATE 1\n";

size_t occurrences(const std::string& text, const std::string& what) {
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + what.size())) ++n;
    return n;
}

}  // namespace

TEST_F(PluginTest, FirstStartWritesDefaultsAndJoinsAtEnable) {
    ASSERT_GE(load(true), 0);
    EXPECT_EQ(xphost::pluginName(index), "VOLAX");
    EXPECT_EQ(xphost::pluginSignature(index), "Quorvanti.XP.VOLAX");
    EXPECT_EQ(xphost::pluginDescription(index), "VOLAX v0.95 - High Level Architecture for X-Plane.");
    EXPECT_EQ(readPrefs("volax.ini"), kDefaultIni);
    EXPECT_TRUE(contains(xphost::logText(), "VOLAX failed to open configuration file volaxexp.ini\n"));
    EXPECT_EQ(xphost::flightLoopCount(), 0);

    ASSERT_TRUE(xphost::enablePlugin(index));
    EXPECT_EQ(countSpoken("Joining federation"), 1);
    EXPECT_FALSE(contains(xphost::logText(), "failed to join"));
    EXPECT_EQ(menuStates(), "011");  // no user aircraft yet: Create Ownship stays enabled
    EXPECT_EQ(xphost::menuItems("VOLAX"), (std::vector<std::string>{"Join...", "Resign", "Create Ownship"}));
    EXPECT_EQ(xphost::flightLoopCount(), 1);

    unload();
    EXPECT_EQ(countSpoken("Resigning federation"), 1);
    EXPECT_FALSE(contains(xphost::logText(), "failed to resign"));
    std::string t = traceText();
    EXPECT_TRUE(contains(t, "Using configuration files " + prefsPath("volax.ini") + " and " +
                                prefsPath("volaxexp.ini") + "\n"));
    EXPECT_TRUE(contains(t, "Failed to open " + prefsPath("volaxexp.ini") + "\n"));
    const char* inOrder[] = {"VOLAX plugin getDataRefs() BEGIN\n",
                             "VOLAX plugin ENABLE\n",
                             "VOLAX plugin JOIN XP_Federation as X-Plane\n",
                             "Creating federation with fedfile XP_Federation.fed\n",
                             "JOIN SUCCESS\n",
                             "VOLAX plugin DISABLE\n",
                             "VOLAX plugin RESIGN\n",
                             "VOLAX plugin STOP\n"};
    size_t at = 0;
    for (const char* line : inOrder) {
        size_t found = t.find(line, at);
        ASSERT_NE(found, std::string::npos) << line;
        at = found;
    }
    EXPECT_FALSE(xphost::menuExists("VOLAX"));
    EXPECT_EQ(xphost::flightLoopCount(), 0);
}

TEST_F(PluginTest, JoinWithoutFedFileFailsWhenNoExecutionExists) {
    writePrefs("volax.ini", "CREATE 0\n");
    ASSERT_GE(loadAndEnable(true), 0);
    EXPECT_EQ(countSpoken("Failed to join federation"), 1);
    std::string log = xphost::logText();
    size_t first = log.find("VOLAX failed to join federation!\n");
    ASSERT_NE(first, std::string::npos);
    EXPECT_NE(log.find("VOLAX failed to join federation\n", first), std::string::npos);
    EXPECT_EQ(menuStates(), "100");
    EXPECT_EQ(xphost::flightLoopCount(), 0);
    unload();
    std::string t = traceText();
    EXPECT_TRUE(contains(t, "JOIN FAILURE\n"));
    EXPECT_FALSE(contains(t, "Creating federation with fedfile"));
    EXPECT_EQ(readPrefs("volax.ini"), "CREATE 0\n");  // read, never rewritten
}

TEST_F(PluginTest, JoinsAnExistingExecutionWithAndWithoutFedFile) {
    if (!testRtiReachesPlugin()) GTEST_SKIP() << kPluginHasItsOwnRti;
    RTI::RTIambassador other;
    other.createFederationExecution("Existing", "XP_Federation.fed");
    for (const char* create : {"0", "1"}) {
        SCOPED_TRACE(create);
        writePrefs("volax.ini", std::string("FEDERATION Existing\nFEDERATE Me\nCREATE ") + create + "\n");
        ASSERT_GE(loadAndEnable(true), 0);
        EXPECT_EQ(menuStates(), "011");
        EXPECT_FALSE(contains(xphost::logText(), "failed to join"));
        unload();
        EXPECT_TRUE(contains(traceText(), "VOLAX plugin JOIN Existing as Me\n"));
    }
    // Neither join created the execution, so neither resign destroyed it.
    EXPECT_NO_THROW(other.destroyFederationExecution("Existing"));
}

TEST_F(PluginTest, ChangedIniChangesTheJoin) {
    writePrefs("volax.ini", "FEDERATE Pilot one\nFEDERATION Training\nAUTOJOIN 0\nTIMESTEP 0.5 seconds\n");
    ASSERT_GE(loadAndEnable(true), 0);
    EXPECT_TRUE(xphost::spokenTexts().empty());
    EXPECT_EQ(menuStates(), "100");
    EXPECT_EQ(xphost::flightLoopCount(), 0);

    select("Join...");
    EXPECT_EQ(menuStates(), "011");
    EXPECT_FLOAT_EQ(tick(0.25f), 0.5f);
    EXPECT_FLOAT_EQ(tick(0.0f), 0.5f);
    select("Resign");
    EXPECT_EQ(menuStates(), "100");
    EXPECT_EQ(xphost::flightLoopCount(), 0);
    select("Join...");  // join and resign as often as wanted
    EXPECT_EQ(menuStates(), "011");
    unload();
    std::string t = traceText();
    EXPECT_EQ(occurrences(t, "VOLAX plugin JOIN Training as Pilot\n"), 2u);
    EXPECT_TRUE(contains(t, "#################### TICK time 0.250000 ####################\n"));
}

TEST_F(PluginTest, TimestepDrivesTheFlightLoopAndComesBackUnchanged) {
    writePrefs("volax.ini", "TIMESTEP 5\n");
    ASSERT_GE(loadAndEnable(true), 0);
    EXPECT_FLOAT_EQ(tick(), 2.0f);
    xphost::setFrameRate(60);
    xphost::runSeconds(4.9);  // first call after 2 s, then every 2 s
    unload();
    EXPECT_EQ(occurrences(traceText(), "#################### TICK time"), 3u);
}

TEST_F(PluginTest, MenuStatesFollowEveryEvent) {
    writePrefs("volax.ini", "AUTOJOIN 1\n");  // without AUTOCREATE
    ASSERT_GE(loadAndEnable(), 0);
    EXPECT_EQ(menuStates(), "011");
    loadUserAircraft();  // 102: no change
    EXPECT_EQ(menuStates(), "011");
    select("Create Ownship");
    EXPECT_EQ(menuStates(), "010");
    xphost::sendMessage(101, nullptr);  // crash: ownship gone, Create Ownship again
    EXPECT_EQ(menuStates(), "011");
    select("Create Ownship");
    EXPECT_EQ(menuStates(), "010");
    loadUserAircraft("C172.acf", "/xp/Aircraft/C172");  // removes the ownship: Create Ownship again
    EXPECT_EQ(menuStates(), "011");
    select("Create Ownship");
    select("Resign");
    EXPECT_EQ(menuStates(), "100");
    xphost::sendMessage(101, nullptr);
    EXPECT_EQ(menuStates(), "101");
    select("Join...");  // the aircraft is loaded: the join creates the ownship
    EXPECT_EQ(menuStates(), "010");
}

TEST_F(PluginTest, JoinWithAircraftLoadedCreatesTheOwnship) {
    writePrefs("volax.ini", "AUTOJOIN 0\n");
    writePrefs("volaxexp.ini", "nomatch 9 9 9 9 9 9 9\nf16 1 2 225 1 2 3 4\naircraft 1 2 225 9 9 9 9\n");
    ASSERT_GE(loadAndEnable(true), 0);
    loadUserAircraft();
    select("Join...");
    EXPECT_EQ(menuStates(), "010");
    select("Create Ownship");  // disabled: nothing happens
    unload();
    std::string t = traceText();
    EXPECT_EQ(occurrences(t, "Creating ownship...\n"), 1u);
    EXPECT_TRUE(contains(t, "Testing names (F16_Falcon.acf - nomatch) and (/xp/Aircraft/Fighters/F16/F16_Falcon.acf"
                            " - nomatch)...\n"));
    EXPECT_TRUE(contains(t, "Set AC# 0 to Entitytype (1, 2, 225, 1, 2, 3, 4)\n"));
}

TEST_F(PluginTest, EntityTypeFallsBackToPathThenDefault) {
    writePrefs("volaxexp.ini", "AIRCRAFT 1 2 225 9 9 9 9\n");
    ASSERT_GE(loadAndEnable(true), 0);
    loadUserAircraft("C172.acf", "/xp/Aircraft/C172");
    select("Create Ownship");
    select("Resign");
    loadUserAircraft("glider.acf", "/xp/planes");
    select("Join...");
    unload();
    std::string t = traceText();
    EXPECT_TRUE(contains(t, "Set AC# 0 to Entitytype (1, 2, 225, 9, 9, 9, 9)\n"));
    EXPECT_TRUE(contains(t, "Set AC# 0 to EntityType DEFAULT\n"));
    EXPECT_FALSE(contains(xphost::logText(), "volaxexp.ini"));
}

TEST_F(PluginTest, CreateOwnshipNeedsAnAircraftAndNoOwnship) {
    ASSERT_GE(loadAndEnable(true), 0);
    select("Create Ownship");  // no aircraft yet: nothing, the item stays enabled
    EXPECT_EQ(menuStates(), "011");
    xphost::sendMessage(102, reinterpret_cast<void*>(3));  // another aircraft: not the user's
    select("Create Ownship");
    EXPECT_EQ(menuStates(), "011");
    loadUserAircraft();
    select("Create Ownship");
    xphost::sendMessage(102, reinterpret_cast<void*>(1));  // leaves the ownship alone
    unload();
    std::string t = traceText();
    EXPECT_EQ(occurrences(t, "Creating ownship...\n"), 1u);
    EXPECT_EQ(occurrences(t, "OWNSHIP LOADED\n"), 1u);
    EXPECT_EQ(occurrences(t, "RECEIVE MSG XPLM_MSG_PLANE_LOADED\n"), 3u);
}

TEST_F(PluginTest, PartsAreSavedOnLoadAndRestoredOnCrashAndAirport) {
    ASSERT_GE(loadAndEnable(true), 0);
    xphost::sendMessage(103, nullptr);  // nothing saved yet: nothing written
    xphost::sendMessage(101, nullptr);
    EXPECT_EQ(parts(), std::vector<int>(73, 1));
    loadUserAircraft();
    std::vector<int> intact = parts();
    ASSERT_EQ(intact.size(), 73u);
    std::vector<int> broken(73, 0);
    xphost::setIntArray("sim/aircraft/prop/acf_part_eq", broken);
    xphost::sendMessage(103, nullptr);
    EXPECT_EQ(parts(), intact);
    xphost::setIntArray("sim/aircraft/prop/acf_part_eq", broken);
    xphost::sendMessage(101, nullptr);
    EXPECT_EQ(parts(), intact);
    unload();
    std::string t = traceText();
    EXPECT_TRUE(contains(t, "VOLAX plugin RECEIVE MSG 103\nRECEIVE MSG XPLM_MSG_AIRPORT_LOADED\n"));
    EXPECT_TRUE(contains(t, "VOLAX plugin RECEIVE MSG 101\nRECEIVE MSG XPLM_MSG_PLANE_CRASHED\n"));
    EXPECT_TRUE(contains(t, "RECEIVE MSG XPLM_MSG_PLANE_LOADED\nOWNSHIP LOADED\n"));
}

TEST_F(PluginTest, AircraftCountAndUnknownMessagesOnlyTrace) {
    ASSERT_GE(loadAndEnable(true), 0);
    xphost::setAircraftCount(4, 2);
    xphost::setAircraftCount(1, 1);
    xphost::sendMessage(999, nullptr);
    auto menuSelect = reinterpret_cast<void (*)(void*, void*)>(xphost::pluginSymbol(index, "VOLAXMenuSelect"));
    ASSERT_NE(menuSelect, nullptr);
    std::string before = menuStates();
    menuSelect(nullptr, const_cast<char*>("VOLAXjoin"));  // case differs: no command
    EXPECT_EQ(menuStates(), before);
    unload();
    std::string t = traceText();
    EXPECT_TRUE(contains(t, "RECEIVE MSG XPLM_MSG_AIRPLANE_COUNT_CHANGED\nSet number of external ACs to 3\n"));
    EXPECT_EQ(occurrences(t, "Set number of external ACs to"), 1u);
    EXPECT_TRUE(contains(t, "VOLAX plugin RECEIVE MSG 999\n"));
    EXPECT_TRUE(contains(t, "VOLAX plugin MENU VOLAXjoin\n"));
    EXPECT_EQ(occurrences(t, "VOLAX plugin JOIN "), 1u);
}

TEST_F(PluginTest, DisableWhileNotJoinedStillResignsCleanly) {
    writePrefs("volax.ini", "AUTOJOIN 0\n");
    ASSERT_GE(loadAndEnable(true), 0);
    xphost::disablePlugin(index);
    EXPECT_EQ(countSpoken("Resigning federation"), 1);
    EXPECT_FALSE(contains(xphost::logText(), "failed to resign"));
    EXPECT_FALSE(xphost::menuExists("VOLAX"));
    ASSERT_TRUE(xphost::enablePlugin(index));  // a new menu, as at the first enable
    EXPECT_EQ(menuStates(), "100");
}

TEST_F(PluginTest, UncreatableIniRefusesTheStart) {
    ASSERT_TRUE(std::filesystem::create_directory(prefsPath("volax.ini")));  // a folder cannot be opened as a file
    std::string error;
    bool refused = false;
    EXPECT_EQ(xphost::loadPlugin(VOLAX_PLUGIN_PATH, &error, &refused), -1);
    EXPECT_TRUE(refused);
    // Windows will not open a folder as a file at all, so the read fails first.
    const std::string failed = volax::test::kWindows ? "Failed to read prefs file " : "Failed to create prefs file ";
    EXPECT_TRUE(contains(error, failed + prefsPath("volax.ini"))) << error;
    EXPECT_EQ(xphost::pluginCount(), 0);
}

TEST_F(PluginTest, UnwritableTraceFileIsReportedAndStartGoesOn) {
    volax::test::setEnv("VOLAX_TRACE", "/nonexistent-folder/trace.txt");
    std::string error;
    index = xphost::loadPlugin(VOLAX_PLUGIN_PATH, &error);
    volax::test::unsetEnv("VOLAX_TRACE");
    ASSERT_GE(index, 0) << error;
    EXPECT_TRUE(contains(xphost::logText(), "VOLAX could not open the trace file /nonexistent-folder/trace.txt\n"));
}

TEST_F(PluginTest, UnusedEntryPointsOnlyTrace) {
    ASSERT_GE(load(true), 0);
    auto widget = reinterpret_cast<int (*)(int, void*, intptr_t, intptr_t)>(
        xphost::pluginSymbol(index, "VOLAXWidgetHandler"));
    auto planes = reinterpret_cast<void (*)(void*)>(xphost::pluginSymbol(index, "planesAvailable"));
    ASSERT_NE(widget, nullptr);
    ASSERT_NE(planes, nullptr);
    EXPECT_EQ(widget(1, nullptr, 0, 0), 0);
    planes(nullptr);
    unload();
    EXPECT_TRUE(contains(traceText(), "VOLAX plugin WIDGET\n"));
    EXPECT_TRUE(contains(traceText(), "planesAvailable : VOLAX acquired planes!\n"));
}

TEST(PluginExports, ExactlyTheNineEntryPoints) {
    if (volax::test::kWindows)
        GTEST_SKIP() << "nm -D reads ELF symbols; the Windows stage checks the DLL's export table (objdump -p)";
    const volax::test::ProcessResult nm = volax::test::runProcess({"nm", "-D", "--defined-only", VOLAX_PLUGIN_PATH});
    ASSERT_EQ(nm.exitCode, 0) << nm.output;
    std::set<std::string> names;
    std::istringstream lines(nm.output);
    for (std::string line; std::getline(lines, line);) {
        std::istringstream in(line);
        std::string address, kind, name;
        if (in >> address >> kind >> name) names.insert(name);
    }
    std::set<std::string> expected{"XPluginStart",    "XPluginEnable",   "XPluginDisable",
                                   "XPluginStop",     "XPluginReceiveMessage", "VOLAXMenuSelect",
                                   "VOLAXTick",       "VOLAXWidgetHandler",    "planesAvailable"};
    EXPECT_EQ(names, expected);
}

// Enabled late (Plugin Admin) or after "Reload plugins", the plugin never sees
// the load message of the aircraft already flying: it must find it, save its
// parts then, and never write parts it has not saved.
TEST_F(PluginTest, LateEnableAndReloadFindTheAircraftAndKeepItsParts) {
    std::vector<int> intact(73, 1);
    for (int i = 0; i < 73; i += 7) intact[i] = 0;  // parts this aircraft lacks
    const std::vector<int> hit = [&] {
        std::vector<int> p = intact;
        for (int i : {8, 10, 12, 14, 16}) p[i] = 0;
        return p;
    }();
    for (const char* way : {"late enable", "reload"}) {
        SCOPED_TRACE(way);
        writePrefs("volax.ini", "AUTOJOIN 1\n");
        if (std::string(way) == "late enable") {
            ASSERT_GE(load(true), 0);
            loadUserAircraft();  // the plugin is not enabled: no message reaches it
            xphost::setIntArray("sim/aircraft/prop/acf_part_eq", intact);
            ASSERT_TRUE(xphost::enablePlugin(index));
        } else {
            ASSERT_GE(loadAndEnable(), 0);
            loadUserAircraft();
            xphost::setIntArray("sim/aircraft/prop/acf_part_eq", intact);
            volax::test::setEnv("VOLAX_TRACE", prefsPath("trace.txt"));
            ASSERT_EQ(xphost::reloadPlugins(), 1);
            volax::test::unsetEnv("VOLAX_TRACE");
            index = 0;
        }
        EXPECT_EQ(menuStates(), "010") << "the join found the aircraft and created the ownship";
        xphost::setIntArray("sim/aircraft/prop/acf_part_eq", hit);
        xphost::sendMessage(101, nullptr);
        EXPECT_EQ(parts(), intact);
        EXPECT_EQ(menuStates(), "011");
        select("Create Ownship");
        EXPECT_EQ(menuStates(), "010");
        xphost::setIntArray("sim/aircraft/prop/acf_part_eq", hit);
        xphost::sendMessage(103, nullptr);
        EXPECT_EQ(parts(), intact);
        unload();
        EXPECT_EQ(occurrences(traceText(), "Creating ownship...\n"), 2u);
        EXPECT_FALSE(contains(traceText(), "OWNSHIP LOADED")) << "no load message was seen";
        xphost::reset();
        xphost::setPrefsDir(prefsDir);
        xphost::setFlightModelEnabled(false);
    }
}

// Disabled and enabled again (Plugin Admin) the module keeps the snapshot it
// took: a hit before the disable must not become the "intact" aircraft. An
// aircraft loaded while disabled is snapshot anew.
TEST_F(PluginTest, EnableAgainKeepsTheSnapshotOfTheSameAircraft) {
    std::vector<int> other(73, 1);
    for (int i = 0; i < 73; i += 5) other[i] = 0;  // parts the second aircraft lacks
    auto hitOf = [](std::vector<int> p) {
        for (int i : {8, 10, 12, 14, 16}) p[i] = 0;
        return p;
    };
    ASSERT_GE(loadAndEnable(), 0);
    loadUserAircraft();
    const std::vector<int> intact = parts();
    xphost::setIntArray("sim/aircraft/prop/acf_part_eq", hitOf(intact));
    xphost::disablePlugin(index);
    ASSERT_TRUE(xphost::enablePlugin(index));
    xphost::sendMessage(101, nullptr);
    EXPECT_EQ(parts(), intact) << "same aircraft";

    xphost::disablePlugin(index);
    loadUserAircraft("Other.acf", "Aircraft/Other");  // no message reaches the disabled plugin
    xphost::setIntArray("sim/aircraft/prop/acf_part_eq", other);
    ASSERT_TRUE(xphost::enablePlugin(index));
    xphost::setIntArray("sim/aircraft/prop/acf_part_eq", hitOf(other));
    xphost::sendMessage(101, nullptr);
    EXPECT_EQ(parts(), other) << "another aircraft";
}

// A new aircraft or a new flight while joined: the old ownship goes, and the
// new aircraft can be published again (Create Ownship, or at once with
// AUTOCREATE 1); not joined, the menu stays as it is.
TEST_F(PluginTest, AircraftChangeWhileJoined) {
    const struct {
        const char* ini;
        const char* afterLoad;  // menu states after each aircraft load
        size_t created;         // ownships made by the loads alone
    } cases[] = {
        {"AUTOJOIN 1\n", "011", 0},
        {"AUTOJOIN 1\nAUTOCREATE 1\n", "010", 3},
        {"AUTOJOIN 0\nAUTOCREATE 1\n", "100", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.ini);
        writePrefs("volax.ini", c.ini);
        ASSERT_GE(loadAndEnable(true), 0);
        loadUserAircraft();
        EXPECT_EQ(menuStates(), c.afterLoad);
        loadUserAircraft("C172.acf", "/xp/Aircraft/C172");
        EXPECT_EQ(menuStates(), c.afterLoad);
        ASSERT_TRUE(xphost::startNewFlight());
        EXPECT_EQ(menuStates(), c.afterLoad);
        xphost::sendMessage(102, reinterpret_cast<void*>(2));  // another aircraft: nothing
        EXPECT_EQ(menuStates(), c.afterLoad);
        unload();
        EXPECT_EQ(occurrences(traceText(), "Creating ownship...\n"), c.created);
        xphost::reset();
        xphost::setPrefsDir(prefsDir);
        xphost::setFlightModelEnabled(false);
    }
}

// The preferences folder and volax.ini may be read-only: read, never written.
// Root ignores file modes, so the load runs as nobody then.
TEST_F(PluginTest, ReadOnlyIniIsReadAndKept) {
    const std::string ini = "FEDERATE \"Read only\"\nAUTOJOIN 0\nSITEID 12\n";
    writePrefs("volax.ini", ini);
    ASSERT_TRUE(volax::test::setMode(prefsPath("volax.ini"), 0444));
    ASSERT_TRUE(volax::test::setMode(prefsDir, 0555));
    volax::test::AsOtherUser nobody(VOLAX_PLUGIN_PATH);
    if (!nobody.active()) GTEST_SKIP() << nobody.reason();
    std::string error;
    index = xphost::loadPlugin(VOLAX_PLUGIN_PATH, &error);
    nobody.restore();
    ASSERT_GE(index, 0) << error;
    ASSERT_TRUE(xphost::enablePlugin(index));
    EXPECT_EQ(menuStates(), "100") << "AUTOJOIN 0 was read";
    select("Join...");
    unload();
    volax::test::setMode(prefsDir, 0700);
    EXPECT_EQ(readPrefs("volax.ini"), ini);
    EXPECT_EQ(countSpoken("Joining federation"), 1);
}

// An existing volax.ini that cannot be read refuses the start, with the
// reason, and is never replaced by the defaults.
TEST_F(PluginTest, UnreadableIniRefusesTheStartAndIsKept) {
    writePrefs("volax.ini", "SITEID 12\n");
    ASSERT_TRUE(volax::test::setMode(prefsPath("volax.ini"), 0));
    ASSERT_TRUE(volax::test::setMode(prefsDir, 0777));
    volax::test::AsOtherUser nobody(VOLAX_PLUGIN_PATH);
    if (!nobody.active()) GTEST_SKIP() << nobody.reason();
    std::string error;
    bool refused = false;
    EXPECT_EQ(xphost::loadPlugin(VOLAX_PLUGIN_PATH, &error, &refused), -1);
    nobody.restore();
    EXPECT_TRUE(refused);
    EXPECT_TRUE(contains(error, "Failed to read prefs file " + prefsPath("volax.ini") + ": Permission denied"))
        << error;
    volax::test::setMode(prefsPath("volax.ini"), 0644);
    volax::test::setMode(prefsDir, 0700);
    EXPECT_EQ(readPrefs("volax.ini"), "SITEID 12\n");
}

// A FED file in a folder with blanks, named by a quoted value; then one that
// lacks the aircraft class: the join succeeds but says what cannot work.
TEST_F(PluginTest, QuotedFedFileAndAJoinThatCannotPublish) {
    const char* fedPath = std::getenv("VOLAX_FED_PATH");
    ASSERT_NE(fedPath, nullptr);
    std::ifstream in(std::string(fedPath) + "/XP_Federation.fed");
    std::stringstream fed;
    fed << in.rdbuf();
    ASSERT_TRUE(contains(fed.str(), "(class Aircraft)"));
    const std::string folder = prefsDir + "/X-Plane 12/Fed files";
    ASSERT_TRUE(std::filesystem::create_directories(folder));
    std::ofstream(folder + "/full fed.fed") << fed.str();
    std::string without = fed.str();
    without.erase(without.find("(class Aircraft)"), std::string("(class Aircraft)").size());
    std::ofstream(folder + "/no aircraft.fed") << without;

    const struct {
        const char* federation;
        const char* file;
        bool publishes;
    } cases[] = {{"Blanks", "full fed.fed", true}, {"NoAircraft", "no aircraft.fed", false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        xphost::clearOutputs();
        writePrefs("volax.ini", std::string("FEDERATION ") + c.federation + "\nFEDFILE \"" + folder + "/" + c.file +
                                    "\"\nAUTOCREATE 1\n");
        ASSERT_GE(loadAndEnable(true), 0);
        EXPECT_EQ(menuStates(), "011");
        EXPECT_EQ(countSpoken("Failed to join federation"), 0);
        loadUserAircraft();
        unload();
        EXPECT_TRUE(contains(traceText(), "Creating federation with fedfile " + folder + "/" + c.file + "\n"));
        const std::string complaint =
            "VOLAX joined, but its FED file has no BaseEntity.PhysicalEntity.Platform.Aircraft with EntityIdentifier, "
            "EntityType, Spatial and ForceIdentifier: the ownship cannot be published\n";
        EXPECT_EQ(occurrences(xphost::logText(), complaint), c.publishes ? 0u : 1u) << xphost::logText();
        EXPECT_EQ(occurrences(xphost::logText(), "VOLAX joined, but"), c.publishes ? 0u : 1u);
        xphost::reset();
        xphost::setPrefsDir(prefsDir);
        xphost::setFlightModelEnabled(false);
    }
}

#if VOLAX_OWN_RTI_FLAG
TEST_F(PluginTest, FailedResignKeepsTheCallbackAndTheMenu) {
    if (!faultInjectionReachesPlugin()) GTEST_SKIP() << kPluginHasItsOwnRti;
    ASSERT_GE(loadAndEnable(), 0);
    loadUserAircraft();
    select("Create Ownship");
    ASSERT_EQ(menuStates(), "010");
    rtitest::failNextCall<RTI::RTIinternalError>("resignFederationExecution", "refused");
    select("Resign");
    EXPECT_TRUE(contains(xphost::logText(), "VOLAX failed to resign federation!\n"));
    EXPECT_EQ(menuStates(), "010");
    EXPECT_EQ(xphost::flightLoopCount(), 1);
    select("Resign");  // the second attempt goes through
    EXPECT_EQ(menuStates(), "100");
    EXPECT_EQ(xphost::flightLoopCount(), 0);
    EXPECT_FALSE(xphost::pluginFaulted());
}

// A resign that fails at disable leaves the plugin joined: the next enable
// shows the joined menu, keeps one callback, and a later resign works.
TEST_F(PluginTest, EnableAfterAFailedResignAtDisableShowsTheJoinedMenu) {
    if (!faultInjectionReachesPlugin()) GTEST_SKIP() << kPluginHasItsOwnRti;
    writePrefs("volax.ini", "AUTOJOIN 1\n");
    ASSERT_GE(loadAndEnable(true), 0);
    loadUserAircraft();
    select("Create Ownship");
    rtitest::failNextCall<RTI::RTIinternalError>("resignFederationExecution", "refused");
    xphost::disablePlugin(index);
    EXPECT_TRUE(contains(xphost::logText(), "VOLAX failed to resign federation!\n"));
    ASSERT_TRUE(xphost::enablePlugin(index));
    EXPECT_EQ(menuStates(), "011") << "joined, the ownship went with the disable";
    EXPECT_EQ(xphost::flightLoopCount(), 1);
    EXPECT_EQ(countSpoken("Joining federation"), 1) << "no second join";
    xphost::setFrameRate(10);
    xphost::runSeconds(1);  // one call per period: 10
    select("Create Ownship");
    EXPECT_EQ(menuStates(), "010");
    select("Resign");
    EXPECT_EQ(menuStates(), "100");
    EXPECT_EQ(xphost::flightLoopCount(), 0);
    unload();
    EXPECT_EQ(occurrences(traceText(), "#################### TICK time"), 10u);
}

TEST_F(PluginTest, RtiFailuresNeverReachTheHost) {
    if (!faultInjectionReachesPlugin()) GTEST_SKIP() << kPluginHasItsOwnRti;
    ASSERT_GE(loadAndEnable(), 0);
    rtitest::failNextCall<std::runtime_error>("tick", "boom");
    EXPECT_FLOAT_EQ(tick(), 0.1f);
    rtitest::failNextCall<std::runtime_error>("joinFederationExecution", "boom");
    select("Resign");
    select("Join...");
    EXPECT_EQ(menuStates(), "100");
    EXPECT_EQ(countSpoken("Failed to join federation"), 1);
    rtitest::clearFaults();
    select("Join...");  // and a later join works
    EXPECT_EQ(menuStates(), "011");
    EXPECT_FALSE(xphost::pluginFaulted());
}
#endif
