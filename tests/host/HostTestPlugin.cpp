// A plugin that exercises the host: it logs every call it receives through
// XPLMDebugString ("<name>: ...") and offers menu items that make it speak,
// throw, destroy its menu, report what the host tells it, take the other
// aircraft, load objects (the file in HOSTTEST_OBJ), place an instance, look
// up the library path in HOSTTEST_LIB, and write a TCAS target each frame.
// Built twice, as hosttest.xpl and hosttest2.xpl.

#include "XPLMDataAccess.h"
#include "XPLMInstance.h"
#include "XPLMMenus.h"
#include "XPLMPlanes.h"
#include "XPLMPlugin.h"
#include "XPLMProcessing.h"
#include "XPLMUtilities.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <string>

#ifndef HOSTTEST_NAME
#define HOSTTEST_NAME "HostTest"
#endif

namespace {

XPLMMenuID gMenu = nullptr;
bool gArmed = false;
int gTicks = 0;
float gInterval = -1;
XPLMObjectRef gObject = nullptr;
XPLMInstanceRef gInstance = nullptr;
bool gTcas = false;
bool gNoId = false;

void writeTarget() {
    // Slot 0 is the user's: its values must not change. Slot 1 carries ours.
    int ids[2] = {0x111111, gNoId ? 0 : 0xABCDEF};
    float xs[2] = {-1, 100}, ys[2] = {-1, 1000}, zs[2] = {-1, -2000};
    char flight[16] = "USER\0\0\0\0VLX01";
    XPLMSetDatavi(XPLMFindDataRef("sim/cockpit2/tcas/targets/modeS_id"), ids, 0, 2);
    XPLMSetDatab(XPLMFindDataRef("sim/cockpit2/tcas/targets/flight_id"), flight, 0, 16);
    XPLMSetDatavf(XPLMFindDataRef("sim/cockpit2/tcas/targets/position/x"), xs, 0, 2);
    XPLMSetDatavf(XPLMFindDataRef("sim/cockpit2/tcas/targets/position/y"), ys, 0, 2);
    XPLMSetDatavf(XPLMFindDataRef("sim/cockpit2/tcas/targets/position/z"), zs, 0, 2);
}


void logf(const char* fmt, ...) {
    char text[1024];
    va_list ap;
    va_start(ap, fmt);
    std::vsnprintf(text, sizeof text, fmt, ap);
    va_end(ap);
    XPLMDebugString((std::string(HOSTTEST_NAME) + ": " + text + "\n").c_str());
}

// "HOSTTEST_X=HostTest2" selects a behaviour for one of the two builds only.
bool asked(const char* var) {
    const char* v = std::getenv(var);
    return v && std::strcmp(v, HOSTTEST_NAME) == 0;
}

void objectLoaded(XPLMObjectRef object, void* refcon) {
    logf("loaded %s %s", object ? "object" : "null", static_cast<const char*>(refcon));
    if (object) gObject = object;
}

void libraryFile(const char* path, void* ref) { logf("library %s %s", path, static_cast<const char*>(ref)); }

float tick(float sinceLastCall, float sinceLastLoop, int counter, void* refcon) {
    ++gTicks;
    if (gTcas) writeTarget();
    logf("tick %d %.4f %.4f %s", counter, sinceLastCall, sinceLastLoop, static_cast<const char*>(refcon));
    if (gArmed) throw std::runtime_error("armed tick");
    return gInterval;
}

// A notice that the holder let go: acquire again, as X-Plane's sample does.
void planesAvailable(void* refcon) {
    XPLMPluginID holder = 0;
    XPLMCountAircraft(nullptr, nullptr, &holder);
    const int got = XPLMAcquirePlanes(nullptr, planesAvailable, refcon);
    logf("planes available %s held by %d acquire %d", static_cast<const char*>(refcon), holder, got);
}

void menuHandler(void* menuRef, void* itemRef) {
    const std::string item = static_cast<const char*>(itemRef);
    logf("menu %s %s", static_cast<const char*>(menuRef), item.c_str());
    if (item == "speak") {
        XPLMSpeakString("Hello from " HOSTTEST_NAME);
    } else if (item == "throw") {
        throw std::runtime_error("menu throw");
    } else if (item == "arm") {
        gArmed = true;
    } else if (item == "destroy") {
        XPLMDestroyMenu(gMenu);
        gMenu = nullptr;
    } else if (item == "unregister") {
        XPLMUnregisterFlightLoopCallback(tick, const_cast<char*>(HOSTTEST_NAME));
    } else if (item == "info") {
        int total = -1, active = -1;
        XPLMPluginID controller = -2;
        XPLMCountAircraft(&total, &active, &controller);
        char file[256], path[512], prefs[512];
        XPLMGetNthAircraftModel(0, file, path);
        XPLMGetPrefsPath(prefs);
        const char* prefsFile = XPLMExtractFileAndPath(prefs);
        logf("info total=%d active=%d controller=%d file=%s path=%s prefsdir=%s prefsfile=%s sep=%s myid=%d", total,
             active, controller, file, path, prefs, prefsFile, XPLMGetDirectorySeparator(), XPLMGetMyID());
    } else if (item == "acquire") {
        logf("acquire %d", XPLMAcquirePlanes(nullptr, planesAvailable, const_cast<char*>(HOSTTEST_NAME)));
    } else if (item == "release") {
        XPLMReleasePlanes();
    } else if (item == "obj") {
        gObject = XPLMLoadObject(std::getenv("HOSTTEST_OBJ"));
        logf("obj %s", gObject ? "object" : "null");
    } else if (item == "objasync") {
        XPLMLoadObjectAsync(std::getenv("HOSTTEST_OBJ"), objectLoaded, const_cast<char*>("async"));
        logf("objasync returned");
    } else if (item == "unload") {
        XPLMUnloadObject(gObject);
    } else if (item == "instance") {
        const char* none[] = {nullptr};
        gInstance = XPLMCreateInstance(gObject, none);
        XPLMDrawInfo_t where = {sizeof(XPLMDrawInfo_t), 10, 20, -30, 1, 90, 2};
        const float data[1] = {0};
        XPLMInstanceSetPosition(gInstance, &where, data);
        logf("instance %s", gInstance ? "made" : "null");
    } else if (item == "destroyinstance") {
        XPLMDestroyInstance(gInstance);
        gInstance = nullptr;
    } else if (item == "lookup") {
        logf("lookup %d", XPLMLookupObjects(std::getenv("HOSTTEST_LIB"), 47, 8, libraryFile, const_cast<char*>("ref")));
    } else if (item == "tcas") {
        XPLMSetDatai(XPLMFindDataRef("sim/operation/override/override_TCAS"), 1);
        gTcas = true;
        writeTarget();
        logf("tcas override=%d", XPLMGetDatai(XPLMFindDataRef("sim/operation/override/override_TCAS")));
    } else if (item == "tcasrelative") {
        // Slot 2 in relative mode: 1 km off the right wing, 300 m above.
        float bearing = 90, distance = 1000, altitude = 300;
        int id = 0x123456;
        XPLMSetDatavi(XPLMFindDataRef("sim/cockpit2/tcas/targets/modeS_id"), &id, 2, 1);
        XPLMSetDatavf(XPLMFindDataRef("sim/cockpit2/tcas/indicators/relative_bearing_degs"), &bearing, 2, 1);
        XPLMSetDatavf(XPLMFindDataRef("sim/cockpit2/tcas/indicators/relative_distance_mtrs"), &distance, 2, 1);
        XPLMSetDatavf(XPLMFindDataRef("sim/cockpit2/tcas/indicators/relative_altitude_mtrs"), &altitude, 2, 1);
    } else if (item == "tcasstop") {
        gTcas = false;
    } else if (item == "tcasnoid") {
        gNoId = true;
    } else if (item == "count2") {
        XPLMSetActiveAircraftCount(2);  // the user and one target
    } else if (item == "break") {
        XPLMSetDatai(XPLMFindDataRef("sim/time/use_system_time"), 0);
        int broken[5] = {0, 0, 0, 0, 0};
        XPLMSetDatavi(XPLMFindDataRef("sim/aircraft/prop/acf_part_eq"), broken, 10, 5);
    }
}

}  // namespace

PLUGIN_API int hosttest_ticks() { return gTicks; }

PLUGIN_API int XPluginStart(char* outName, char* outSig, char* outDesc) {
    std::strcpy(outName, HOSTTEST_NAME);
    std::strcpy(outSig, "volax.test." HOSTTEST_NAME);
    std::strcpy(outDesc, "Exercises the headless host.");
    gMenu = nullptr;
    gArmed = false;
    gTicks = 0;
    gInterval = -1;
    gObject = nullptr;
    gInstance = nullptr;
    gTcas = false;
    if (const char* v = std::getenv("HOSTTEST_INTERVAL")) gInterval = static_cast<float>(std::atof(v));
    logf("start");
    if (asked("HOSTTEST_THROW_START")) throw std::runtime_error("start throw");
    if (asked("HOSTTEST_REFUSE")) {
        // Leftovers of a failed start are the host's to clean up.
        XPLMRegisterFlightLoopCallback(tick, 1.0f, const_cast<char*>(HOSTTEST_NAME));
        XPLMCreateMenu("Refused " HOSTTEST_NAME, nullptr, 0, menuHandler, nullptr);
        std::strcpy(outDesc, "refused on request");
        return 0;
    }
    return 1;
}

PLUGIN_API int XPluginEnable(void) {
    char file[256] = "?", path[512] = "?";
    XPLMGetNthAircraftModel(0, file, path);
    logf("enable aircraft=%s", file);
    gMenu = XPLMCreateMenu(HOSTTEST_NAME, nullptr, 0, menuHandler, const_cast<char*>("menuref"));
    static const char* const kItems[][2] = {{"Alpha", "A"},        {"Beta", "B"},          {"Off", "off"},
                                            {"Speak", "speak"},    {"Throw", "throw"},     {"Arm throw", "arm"},
                                            {"Destroy", "destroy"}, {"Unregister", "unregister"},
                                            {"Info", "info"},      {"Acquire", "acquire"}, {"Release", "release"},
                                            {"Break", "break"}, {"Obj", "obj"}, {"Obj async", "objasync"},
                                            {"Unload", "unload"}, {"Instance", "instance"},
                                            {"Destroy instance", "destroyinstance"}, {"Lookup", "lookup"},
                                            {"TCAS", "tcas"}, {"TCAS stop", "tcasstop"},
                                            {"TCAS relative", "tcasrelative"}, {"TCAS no id", "tcasnoid"},
                                            {"Count 2", "count2"}};
    for (auto& item : kItems) {
        const int index = XPLMAppendMenuItem(gMenu, item[0], const_cast<char*>(item[1]), 1);
        if (std::strcmp(item[1], "off") == 0) XPLMEnableMenuItem(gMenu, index, 0);
    }
    XPLMRegisterFlightLoopCallback(tick, gInterval, const_cast<char*>(HOSTTEST_NAME));
    return 1;
}

PLUGIN_API void XPluginDisable(void) {
    logf("disable");
    XPLMUnregisterFlightLoopCallback(tick, const_cast<char*>(HOSTTEST_NAME));
    if (gMenu) XPLMDestroyMenu(gMenu);
    gMenu = nullptr;
}

PLUGIN_API void XPluginStop(void) { logf("stop"); }

PLUGIN_API void XPluginReceiveMessage(XPLMPluginID inFrom, int inMessage, void* inParam) {
    logf("msg %d %d %ld", inFrom, inMessage, static_cast<long>(reinterpret_cast<intptr_t>(inParam)));
}
