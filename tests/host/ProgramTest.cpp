// The xplm-host program end to end: options, a scenario run with two
// plugins, exit codes for bad input, clean shutdown on a fault or Ctrl-C.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <algorithm>
#include <filesystem>
#include <iterator>
#include <fstream>
#include <vector>
#include <sstream>
#include <string>
#include <thread>

#include "TestPlatform.h"

namespace {

struct Result {
    int status = -1;
    std::string output;  // stdout and stderr
};

// args: blank-separated (the tests' paths have no blanks).
Result run(const std::string& args, const volax::test::ProcessOptions& options = {}) {
    std::vector<std::string> argv{XPLM_HOST_PROGRAM};
    std::istringstream words(args);
    for (std::string w; words >> w;) argv.push_back(w);
    const volax::test::ProcessResult p = volax::test::runProcess(argv, options);
    return Result{p.exitCode, p.output};
}

volax::test::ProcessOptions withEnv(const std::string& name, const std::string& value) {
    volax::test::ProcessOptions o;
    o.env.emplace_back(name, value);
    return o;
}

bool has(const std::string& text, const std::string& what) { return text.find(what) != std::string::npos; }

class Program : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = volax::test::TempDir("xplm-host-test").release();
        ASSERT_FALSE(dir_.empty());
    }
    void TearDown() override {
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }
    std::string file(const std::string& name, const std::string& text) {
        const std::string path = dir_ + "/" + name;
        std::ofstream(path) << text;
        return path;
    }
    std::string readLog() {
        std::ifstream in(dir_ + "/out/Log.txt");
        std::ostringstream s;
        s << in.rdbuf();
        return s.str();
    }
    std::string dir_;
};

TEST_F(Program, HelpDocumentsEveryOptionAndFormat) {
    const Result r = run("--help");
    EXPECT_EQ(r.status, 0);
    for (const char* what : {"--fps", "--realtime", "--duration", "--route", "--scenario", "--aircraft", "--output",
                             "--prefs", "--quiet", "start <lat deg>", "leg <heading deg | ->", "<t> menu <title>",
                             "<t> crash", "<t> aircraft", "<t> airport", "<t> count", "<t> end", "Log.txt", "--origin-shift-km",
                             "<t> disable", "<t> enable", "<t> reload", "<t> flight", "<t> pause", "<t> resume",
                             "--xplane", "--traffic", "<t> planes acquire", "<t> planes release",
                             "t=<s> instance=<id>", "--terrain", "--scenery-delay", "area <south lat>",
                             "[speak]", "Exit status"})
        EXPECT_TRUE(has(r.output, what)) << what;
}

TEST_F(Program, RunsTwoPluginsThroughAScenario) {
    const std::string scenario = file("s.txt",
                                      "# speak, crash, swap the aircraft, stop\n"
                                      "0.5 menu HostTest Speak\n"
                                      "0.5 menu HostTest2 Info\n"
                                      "1 crash\n"
                                      "1.5 aircraft other/Glider.acf\n"
                                      "2 end\n");
    const Result r = run("--output " + dir_ + "/out --prefs " + dir_ + "/prefs --fps 30 --aircraft /a/Jet.acf --scenario " +
                         scenario + " " HOSTTEST_PLUGIN " " HOSTTEST2_PLUGIN);
    EXPECT_EQ(r.status, 0) << r.output;
    const std::string log = readLog();
    for (const std::string& line : std::vector<std::string>{"HostTest: start", "HostTest2: enable", "HostTest: msg 0 102 0", "HostTest2: msg 0 103 0",
          "[speak] Hello from HostTest", "HostTest: msg 0 101 0", "file=Jet.acf path=/a/Jet.acf",
          "prefsdir=" + dir_ + "/prefs prefsfile=X-Plane.prf", "stopping after 60 frames", "HostTest2: disable",
          "HostTest: stop"}) {
        EXPECT_TRUE(has(log, line)) << line << "\n" << log;
        EXPECT_TRUE(has(r.output, line)) << line;
    }
    EXPECT_LT(log.find("HostTest: msg 0 101 0"), log.find("Glider.acf"));
    // As in X-Plane: enabled before any aircraft exists, the aircraft after.
    EXPECT_TRUE(has(log, "HostTest2: enable aircraft=\n")) << log;
    EXPECT_LT(log.find("HostTest2: enable"), log.find("HostTest: msg 0 102 0"));
    EXPECT_LT(log.find("HostTest2: stop"), log.find("HostTest: stop")) << "stopped in reverse order";
}

TEST_F(Program, TrafficFileShowsInstancesAndTcasTargetsEachSecond) {
    std::filesystem::create_directories(dir_ + "/xp/objs");
    file("xp/objs/t.obj",
         "I\n800\nOBJ\nPOINT_COUNTS 3 0 0 3\nVT 0 0 0 0 1 0 0 0\nVT 1 0 0 0 1 0 1 0\nVT 0 0 1 0 1 0 0 1\n"
         "IDX 0\nIDX 1\nIDX 2\nTRIS 0 3\n");
    const std::string scenario = file("s.txt",
                                      "0 menu HostTest Obj\n"
                                      "0 menu HostTest Instance\n"
                                      "0 menu HostTest Acquire\n"
                                      "0 menu HostTest TCAS\n"
                                      "2.5 planes acquire\n"
                                      "2.5 menu HostTest Release\n"
                                      "3.5 planes release\n");
    const std::string traffic = dir_ + "/traffic.txt";
    const Result r = run("--quiet --duration 4 --fps 20 --output " + dir_ + "/out --xplane " + dir_ + "/xp --traffic " +
                             traffic + " --scenario " + scenario + " " HOSTTEST_PLUGIN,
                         withEnv("HOSTTEST_OBJ", "objs/t.obj"));
    EXPECT_EQ(r.status, 0) << r.output;
    std::ifstream in(traffic);
    std::vector<std::string> lines;
    for (std::string l; std::getline(in, l);) lines.push_back(l);
    auto count = [&](const std::string& what) {
        return std::count_if(lines.begin(), lines.end(), [&](const std::string& l) { return has(l, what); });
    };
    // Seconds 0..4 show the instance; the target until the plugin let go at 2.5.
    EXPECT_EQ(count("instance=1 model=objs/t.obj lat="), 5) << readLog();
    EXPECT_EQ(count(" hdg=90.0"), 5);
    EXPECT_EQ(count("tcas slot=1 modeS=ABCDEF flight=VLX01 ssr=3 "), 3);
    EXPECT_EQ(count("t=3 tcas"), 0);
    EXPECT_TRUE(has(readLog(), "another plugin now holds the AI aircraft"));
    EXPECT_TRUE(has(readLog(), "HostTest: msg 1000 111 0"));
    // After the stand-in let go, the aircraft are free: nobody else waits.
    EXPECT_TRUE(has(readLog(), "scenario line 7 at 3.5 s: planes release"));
}

TEST_F(Program, DurationAndQuiet) {
    const Result r = run("--quiet --duration 1 --fps 30 --output " + dir_ + "/out " HOSTTEST_PLUGIN);
    EXPECT_EQ(r.status, 0) << r.output;
    EXPECT_EQ(r.output, "");
    EXPECT_TRUE(has(readLog(), "stopping after 30 frames"));
    EXPECT_TRUE(has(readLog(), "HostTest: tick 30 "));
}

TEST_F(Program, APluginNamedWithoutAFolderIsTheFileHere) {
    // As a user types it from the build folder: "xplm-host VOLAX.xpl".
    const std::string plugin = HOSTTEST_PLUGIN;
    const std::string folder = plugin.substr(0, plugin.rfind('/'));
    const std::string name = plugin.substr(plugin.rfind('/') + 1);
    volax::test::ProcessOptions inFolder;
    inFolder.workingDir = folder;
    const Result r = run("--quiet --duration 0.1 --output " + dir_ + "/out " + name, inFolder);
    EXPECT_EQ(r.status, 0) << r.output;
}

TEST_F(Program, BadInputIsRefusedWithAClearMessage) {
    // The load errors themselves are checked in PluginTest; here one of them
    // and its exit status.
    const std::string out = " --output " + dir_ + "/out ";
    Result r = run(out + file("junk.xpl", "junk") + " " HOSTTEST_PLUGIN);
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(has(r.output, "cannot load it as a shared library")) << r.output;

    const std::string badScenario = file("bad.txt", "# ok\n1 crash\n2 menu VOLAX\n");
    r = run(out + "--scenario " + badScenario + " " HOSTTEST_PLUGIN);
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(has(r.output, badScenario + ":3: expected: menu <title> <item text>")) << r.output;
    EXPECT_FALSE(has(r.output, "HostTest: start")) << "input is checked before any plugin runs";

    const std::string badRoute = file("route.txt", "start 52 5 0 270\nleg - 60 5\n");
    r = run(out + "--route " + badRoute + " " HOSTTEST_PLUGIN);
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(has(r.output, badRoute + ":2: expected: leg")) << r.output;
    const std::string badTerrain = file("terrain.txt", "area 47 8 48 9 500\narea 47 8\n");
    r = run(out + "--terrain " + badTerrain + " " HOSTTEST_PLUGIN);
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(has(r.output, badTerrain + ":2: area needs")) << r.output;

    for (const char* args : {"", "--fps 0 x.xpl", "--fps", "--bogus x.xpl", "--duration -1 x.xpl",
                             "--scenario /no/such/file x.xpl", "--origin-shift-km 0 x.xpl",
                             "--origin-shift-km far x.xpl", "--terrain /no/such/file x.xpl",
                             "--scenery-delay -1 x.xpl"}) {
        r = run(out + args);
        EXPECT_EQ(r.status, 2) << args << ": " << r.output;
    }
}

TEST_F(Program, APluginRefusingToStartIsNotEnabled) {
    const Result r = run("--duration 0.5 --output " + dir_ + "/out " HOSTTEST_PLUGIN " " HOSTTEST2_PLUGIN,
                         withEnv("HOSTTEST_REFUSE", "HostTest"));
    EXPECT_EQ(r.status, 0) << r.output;
    EXPECT_TRUE(has(r.output, "XPluginStart returned 0: refused on request (not enabled)")) << r.output;
    EXPECT_FALSE(has(r.output, "HostTest: enable"));
    EXPECT_TRUE(has(r.output, "HostTest2: tick"));
}

TEST_F(Program, AThrowingPluginStopsTheRunCleanly) {
    const std::string scenario = file("s.txt", "1 menu HostTest2 Throw\n");
    const Result r =
        run("--output " + dir_ + "/out --scenario " + scenario + " " HOSTTEST_PLUGIN " " HOSTTEST2_PLUGIN);
    EXPECT_EQ(r.status, 3) << r.output;
    EXPECT_TRUE(has(r.output, "plugin HostTest2 threw an exception from its menu handler: menu throw"));
    EXPECT_TRUE(has(r.output, "(plugin fault)"));
    EXPECT_TRUE(has(readLog(), "HostTest2: stop"));
    EXPECT_TRUE(has(readLog(), "HostTest: stop"));
}

TEST_F(Program, InterruptFinishesTheFrameAndShutsDown) {
    if (volax::test::kWindows) GTEST_SKIP() << "Windows sends Ctrl-C to a whole console, not to one child process";
    const std::string out = dir_ + "/out";
    volax::test::Process host(
        {XPLM_HOST_PROGRAM, "--realtime", "--duration", "0", "--output", out, HOSTTEST_PLUGIN});
    ASSERT_TRUE(host.started());
    // Wait until the plugin runs, then interrupt.
    for (int i = 0; i < 200 && !has(readLog(), "HostTest: tick"); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    ASSERT_TRUE(host.interrupt());
    EXPECT_EQ(host.wait().exitCode, 0);
    const std::string log = readLog();
    EXPECT_TRUE(has(log, "(interrupted)")) << log;
    EXPECT_TRUE(has(log, "HostTest: stop"));
}

}  // namespace
