// xplm-host: loads X-Plane plugins and runs them headless, as the simulator
// would: start, enable, the user's aircraft, a simulated flight with flight
// loops at a fixed frame rate, scenario events, then disable and stop.

#include "XPLMHost.h"

#include "XPLMPlugin.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <vector>

namespace {

volatile std::sig_atomic_t gStop = 0;
void onSignal(int) { gStop = 1; }

const char* const kDefaultAircraft = "Aircraft/Laminar Research/Cessna 172SP/Cessna_172SP.acf";

void usage(FILE* f) {
    std::fprintf(f,
"Usage: xplm-host [options] PLUGIN.xpl [PLUGIN.xpl ...]\n"
"\n"
"Runs X-Plane plugins without the simulator. As in X-Plane, the plugins are\n"
"loaded in the order given into one process, started and enabled before any\n"
"aircraft exists; then the user's aircraft is loaded (message 102, parameter\n"
"0) and the airport (message 103), and the host runs frames of simulated\n"
"time: each frame steps a simulated flight and calls the flight loops that\n"
"are due. At the end, or on Ctrl-C (SIGINT or\n"
"SIGTERM: the current frame finishes first), every plugin is disabled and\n"
"stopped in reverse order.\n"
"\n"
"Options:\n"
"  --fps N            frames per simulated second (default 60)\n"
"  --realtime         pace frames to the wall clock (default: as fast as possible)\n"
"  --duration S       simulated seconds to run (default 60; 0 = until a scenario\n"
"                     'end' or Ctrl-C)\n"
"  --route FILE       route of the simulated flight (format below)\n"
"  --scenario FILE    timed events (format below)\n"
"  --origin-shift-km K  move the local frame's origin under the aircraft (a\n"
"                     scenery shift) when it is more than K km away (default\n"
"                     100, as X-Plane; 0.001 .. 10000)\n"
"  --terrain FILE     land in the world (format below; default: all sea)\n"
"  --scenery-delay S  seconds from a scenery shift until the new scenery is\n"
"                     loaded and message 104 sent (default 2; 0 .. 3600)\n"
"  --aircraft PATH    the user's aircraft model file (default\n"
"                     \"%s\");\n"
"                     relative paths are taken from the current folder\n"
"  --output DIR       folder for Log.txt (default: current folder; created if missing)\n"
"  --prefs DIR        preferences folder handed to plugins: XPLMGetPrefsPath gives\n"
"                     \"DIR/X-Plane.prf\" (default: the output folder)\n"
"  --xplane DIR       the X-Plane folder: object paths are relative to it and\n"
"                     the scenery library is read from the library.txt files of\n"
"                     DIR/Custom Scenery/* and DIR/Resources/default scenery/*\n"
"                     (default: the current folder)\n"
"  --traffic FILE     once per simulated second, write what plugins draw: every\n"
"                     placed instance and every TCAS target (format below)\n"
"  --quiet            do not copy log lines and spoken texts to standard output\n"
"  -h, --help         this text\n"
"\n"
"Output: text from XPLMDebugString goes to DIR/Log.txt and standard output;\n"
"spoken texts (XPLMSpeakString) appear as \"[speak] text\", host notes as\n"
"\"[host] text\", in both places.\n"
"\n"
"Route file: one item a line; lines starting with # are comments.\n"
"  start <lat deg> <lon deg> <elevation m> <heading deg>   exactly once, first\n"
"  leg <heading deg | -> <speed m/s> <climb m/s> <turn deg/s> <duration s>\n"
"A leg's heading is taken at once at its start ('-' keeps the current one);\n"
"speed is horizontal, climb vertical, a positive turn rate turns right. After\n"
"the last leg the aircraft flies on straight and level. Ranges: latitude\n"
"-89..89, longitude -180..180, elevation -1000..100000, heading 0..360,\n"
"speed 0..1000, climb -200..200, turn -90..90, duration > 0. Elevation is height\n"
"above the WGS 84 ellipsoid (X-Plane's sea level). The local frame is flat:\n"
"local_x east, local_y up, local_z south at its origin, which is on the\n"
"ellipsoid at lat_ref/lon_ref and moves only on a scenery shift, so far from\n"
"the origin local_y is not the height (785 m less at 100 km). The latitude,\n"
"longitude and elevation data references are doubles. The simulator clock\n"
"(zulu_time_sec, UTC) starts at 12:00 on January 1 (local_date_days 0) and\n"
"runs with simulated time; the date turns at midnight UTC. The default route:\n"
"\n"
"%s\n"
"Scenario file: one event a line, \"<seconds> <event> [args]\", in time\n"
"order; lines starting with # are comments. Events run right after the first\n"
"frame that reaches their time (time 0: before the first frame).\n"
"  <t> menu <title> <item text>     select a menu item as the user would, e.g.\n"
"                                   \"5 menu VOLAX Join...\"; a title with\n"
"                                   spaces goes in double quotes; a disabled\n"
"                                   or missing item is noted and skipped\n"
"  <t> crash                        the user's aircraft crashed (message 101)\n"
"  <t> aircraft <path/to/model.acf> load another user aircraft (message 102,\n"
"                                   parameter 0; its parts reset to 73 x 1)\n"
"  <t> airport                      airport loaded (message 103)\n"
"  <t> count <total> [active]       aircraft count changed (message 105)\n"
"  <t> message <number> [param]     any message to every plugin\n"
"  <t> disable <plugin>             disable a plugin as Plugin Admin does (by\n"
"  <t> enable <plugin>              its name, signature or file name)\n"
"  <t> reload                       \"Reload plugins\": every plugin is disabled,\n"
"                                   stopped, loaded, started and enabled again\n"
"                                   while the flight goes on (no aircraft or\n"
"                                   airport message follows)\n"
"  <t> flight                       a new flight: back to the route's start,\n"
"                                   the user's aircraft loaded again (102, parts\n"
"                                   reset) and placed (103)\n"
"  <t> pause / <t> resume           pause or resume the simulation: the flight\n"
"                                   and the clock stop (sim/time/paused 1),\n"
"                                   flight loops go on\n"
"  <t> planes acquire               another plugin (id 1000) takes the AI\n"
"                                   aircraft and with them the TCAS override; if\n"
"                                   a plugin holds them, it is asked to release\n"
"                                   them (message 111) and the other waits\n"
"  <t> planes release               that plugin gives them back\n"
"  <t> planes cut-in                another plugin takes them at the next\n"
"                                   release, before the plugins waiting for\n"
"                                   them hear they are free\n"
"  <t> end                          end the run\n"
"\n"
"Traffic file: each second a count, then one line per placed instance and per\n"
"live TCAS target:\n"
"  t=<s> instances=<n> tcas=<m>\n"
"  t=<s> instance=<id> model=<path> lat=<deg> lon=<deg> h=<m> hdg=<deg>\n"
"  t=<s> tcas slot=<n> modeS=<hex> flight=<id> ssr=<mode> lat=.. lon=.. h=.. hdg=..\n"
"h is the height above the ellipsoid; hdg the heading in the local frame.\n"
"\n"
"Terrain file: one area of flat land a line, in metres above mean sea level\n"
"(which in the host is the ellipsoid); elsewhere is sea, a later area lies\n"
"over earlier ones; # starts a comment.\n"
"  area <south lat> <west lon> <north lat> <east lon> <elevation m>\n"
"Scenery is loaded in 1x1 degree tiles: the tile under the local frame's\n"
"origin and one on each side. A terrain probe (along local_y) finds the land\n"
"or sea of a loaded tile, and elsewhere a sea-level sphere touching the\n"
"ellipsoid at the origin. After a scenery shift the old tiles stay until the\n"
"new ones arrive --scenery-delay seconds later with message 104.\n"
"\n"
"Each frame: objects loaded in the background land; flight loops registered\n"
"with XPLMRegisterFlightLoopCallback (and created for the before phase) run;\n"
"the flight model steps; new scenery arrives (104); then flight loops created\n"
"for the after-flight-model phase run.\n"
"\n"
"Exit status: 0 done; 1 a plugin file could not be loaded; 2 bad options,\n"
"route, terrain or scenario; 3 a plugin threw an exception (the run stopped cleanly).\n"
"A plugin whose XPluginStart returns 0 is reported and not enabled.\n",
                 kDefaultAircraft, xphost::defaultRouteText().c_str());
}

bool readFile(const std::string& path, std::string* text) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::ostringstream s;
    s << in.rdbuf();
    *text = s.str();
    return !in.bad();
}

bool makeDirs(const std::string& dir) {
    std::string partial;
    std::stringstream ss(dir);
    std::string part;
    if (!dir.empty() && dir[0] == '/') partial = "/";
    while (std::getline(ss, part, '/')) {
        if (part.empty()) continue;
        partial += part + "/";
        if (mkdir(partial.c_str(), 0777) != 0 && errno != EEXIST) return false;
    }
    struct stat st;
    return stat(dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

int fail(int code, const std::string& text) {
    std::fprintf(stderr, "xplm-host: %s\n", text.c_str());
    return code;
}

bool numberArg(const char* text, double lo, double hi, double* v) {
    char* end = nullptr;
    errno = 0;
    const double d = std::strtod(text, &end);
    if (!*text || *end || errno || !(d >= lo && d <= hi)) return false;
    *v = d;
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    double fps = 60, duration = 60, originShiftKm = 100;
    bool realtime = false, quiet = false;
    std::string routeFile, scenarioFile, outputDir = ".", prefsDir, aircraft = kDefaultAircraft;
    std::string xplaneDir, trafficFile, terrainFile;
    double sceneryDelay = 2;
    std::vector<std::string> pluginFiles;

    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto value = [&](std::string* out) {
            if (i + 1 >= argc) return false;
            *out = argv[++i];
            return true;
        };
        std::string v;
        if (a == "-h" || a == "--help") {
            usage(stdout);
            return 0;
        } else if (a == "--realtime") {
            realtime = true;
        } else if (a == "--quiet") {
            quiet = true;
        } else if (a == "--fps") {
            if (!value(&v) || !numberArg(v.c_str(), 1, 1000, &fps) || fps != static_cast<int>(fps))
                return fail(2, "--fps needs a whole number 1 .. 1000");
        } else if (a == "--duration") {
            if (!value(&v) || !numberArg(v.c_str(), 0, 1e9, &duration))
                return fail(2, "--duration needs a number of seconds >= 0");
        } else if (a == "--origin-shift-km") {
            if (!value(&v) || !numberArg(v.c_str(), 0.001, 10000, &originShiftKm))
                return fail(2, "--origin-shift-km needs a distance in km, 0.001 .. 10000");
        } else if (a == "--terrain") {
            if (!value(&terrainFile) || terrainFile.empty()) return fail(2, "--terrain needs a file");
        } else if (a == "--scenery-delay") {
            if (!value(&v) || !numberArg(v.c_str(), 0, 3600, &sceneryDelay))
                return fail(2, "--scenery-delay needs a number of seconds, 0 .. 3600");
        } else if (a == "--route") {
            if (!value(&routeFile)) return fail(2, "--route needs a file");
        } else if (a == "--scenario") {
            if (!value(&scenarioFile)) return fail(2, "--scenario needs a file");
        } else if (a == "--aircraft") {
            if (!value(&aircraft) || aircraft.empty()) return fail(2, "--aircraft needs a model file path");
        } else if (a == "--output") {
            if (!value(&outputDir) || outputDir.empty()) return fail(2, "--output needs a folder");
        } else if (a == "--prefs") {
            if (!value(&prefsDir) || prefsDir.empty()) return fail(2, "--prefs needs a folder");
        } else if (a == "--xplane") {
            if (!value(&xplaneDir) || xplaneDir.empty()) return fail(2, "--xplane needs a folder");
        } else if (a == "--traffic") {
            if (!value(&trafficFile) || trafficFile.empty()) return fail(2, "--traffic needs a file");
        } else if (a.size() > 1 && a[0] == '-') {
            return fail(2, "unknown option " + a + " (see --help)");
        } else {
            pluginFiles.push_back(a);
        }
    }
    if (pluginFiles.empty()) return fail(2, "no plugin file given (see --help)");

    // Check every input before any plugin runs.
    std::vector<xphost::ScenarioEvent> events;
    std::string text, error;
    if (!scenarioFile.empty()) {
        if (!readFile(scenarioFile, &text)) return fail(2, "cannot read " + scenarioFile + ": " + std::strerror(errno));
        if (!xphost::parseScenario(text, scenarioFile, &events, &error)) return fail(2, error);
    }
    if (!routeFile.empty()) {
        if (!readFile(routeFile, &text)) return fail(2, "cannot read " + routeFile + ": " + std::strerror(errno));
        if (!xphost::setRoute(text, &error, routeFile)) return fail(2, error);
    }
    if (!terrainFile.empty()) {
        if (!readFile(terrainFile, &text)) return fail(2, "cannot read " + terrainFile + ": " + std::strerror(errno));
        if (!xphost::setTerrain(text, &error, terrainFile)) return fail(2, error);
    }
    xphost::setSceneryLoadDelay(sceneryDelay);
    if (!makeDirs(outputDir)) return fail(2, "cannot create output folder " + outputDir);
    if (!prefsDir.empty() && !makeDirs(prefsDir)) return fail(2, "cannot create preferences folder " + prefsDir);
    if (!xplaneDir.empty()) {
        struct stat st;
        if (stat(xplaneDir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return fail(2, "--xplane " + xplaneDir + ": not a folder");
        xphost::setXPlaneDir(xplaneDir);
    }
    if (!trafficFile.empty() && !xphost::setTrafficFile(trafficFile, &error)) return fail(2, error);

    xphost::setEcho(!quiet);
    xphost::setOutputDir(outputDir);
    xphost::setPrefsDir(prefsDir.empty() ? outputDir : prefsDir);
    xphost::setFrameRate(static_cast<int>(fps));
    xphost::setOriginShiftDistance(originShiftKm * 1000);

    struct sigaction sa;
    std::memset(&sa, 0, sizeof sa);
    sa.sa_handler = onSignal;
    sigemptyset(&sa.sa_mask);
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);

    std::vector<int> loaded;
    for (const std::string& file : pluginFiles) {
        bool refused = false;
        const int index = xphost::loadPlugin(file, &error, &refused);
        if (index >= 0) {
            loaded.push_back(index);
        } else if (refused) {
            xphost::note(error + " (not enabled)");
        } else {
            xphost::note(error);
            xphost::unloadAll();
            return fail(xphost::pluginFaulted() ? 3 : 1, error);
        }
    }
    for (int index : loaded) xphost::enablePlugin(index);

    xphost::loadUserAircraft(xphost::modelFromPath(aircraft));
    xphost::sendMessage(XPLM_MSG_AIRPORT_LOADED, nullptr);

    size_t next = 0;
    bool ended = false;
    auto runDueEvents = [&] {
        while (!ended && next < events.size() && events[next].time <= xphost::simTime() + 1e-9 &&
               !xphost::pluginFaulted())
            if (!xphost::runScenarioEvent(events[next++])) ended = true;
    };
    const auto wallStart = std::chrono::steady_clock::now();
    const double simStart = xphost::simTime();
    runDueEvents();
    while (!ended && !gStop && !xphost::pluginFaulted()) {
        if (duration > 0 && xphost::simTime() >= duration - 1e-9) break;
        xphost::runFrames(1);
        runDueEvents();
        if (realtime) {
            const auto due = wallStart + std::chrono::duration<double>(xphost::simTime() - simStart);
            std::this_thread::sleep_until(due);
        }
    }
    const bool faulted = xphost::pluginFaulted();
    std::ostringstream summary;
    summary << "stopping after " << xphost::frameCount() << " frames, " << xphost::simTime() << " s simulated"
            << (gStop ? " (interrupted)" : faulted ? " (plugin fault)" : "");
    xphost::note(summary.str());
    xphost::unloadAll();
    xphost::setTrafficFile("", nullptr);
    if (faulted) return fail(3, xphost::pluginFault());
    return 0;
}
