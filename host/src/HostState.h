#ifndef VOLAX_HOST_HOSTSTATE_H
#define VOLAX_HOST_HOSTSTATE_H

// Internals shared by the host's parts. Plugin indices are positions in the
// load order; -1 stands for "no plugin" (the host itself, a test calling the
// XPLM functions directly).

#include "Wgs84.h"

#include <cstddef>
#include <exception>
#include <string>
#include <vector>

namespace xphost {
namespace detail {

// --- data references (DataRefs.cpp) ---
struct DataRef {
    std::string path;
    int types = 0;          // xplmType_* bits
    bool writable = false;  // by plugins; the host may always write
    double scalar = 0;      // int, float and double values
    std::vector<int> ints;
    std::vector<float> floats;
    std::vector<unsigned char> bytes;
    // X-Plane's own rules for some references: who may write now, which
    // leading elements are the simulator's, and what to note after a write.
    bool (*mayWrite)(const DataRef&) = nullptr;
    int reservedElements = 0;  // array elements (bytes: element * elementBytes) plugins cannot change
    int elementBytes = 1;
    void (*written)(DataRef&, int first, int count) = nullptr;
};
DataRef* findRef(const std::string& path);
DataRef& ref(const char* path);  // throws std::invalid_argument when unknown
void resetDataRefs();
void putFloat(DataRef& r, double v);  // stores a float value rounded to float

// --- plugins (Plugins.cpp) ---
int currentPlugin();
// Runs f as a call into plugin `index`, attributed to it; an escaping
// exception is reported as a plugin fault. Returns false on a fault.
template <class F> bool callPlugin(int index, const char* where, F&& f);
void reportFault(int index, const char* where, const char* what);
bool pluginIsEnabled(int index);
std::string pluginLabel(int index);
void sendMessageTo(int index, int from, int message, void* param);  // if it is enabled
void clearFault();

class PluginScope {
public:
    explicit PluginScope(int index);
    ~PluginScope();
    PluginScope(const PluginScope&) = delete;
    PluginScope& operator=(const PluginScope&) = delete;
private:
    int saved_;
};

template <class F> bool callPlugin(int index, const char* where, F&& f) {
    PluginScope scope(index);
    try {
        f();
        return true;
    } catch (const std::exception& e) {
        reportFault(index, where, e.what());
    } catch (...) {
        reportFault(index, where, "unknown exception");
    }
    return false;
}

// --- menus (Menus.cpp) ---
void removeMenusOf(int plugin);
void clearMenus();

// --- flight loops (FlightLoops.cpp) ---
// Runs the due callbacks of one phase (xplm_FlightLoop_Phase_*).
void runFlightLoops(double now, double sinceLastFlightLoop, int counter, int phase);
void removeLoopsOf(int plugin);
void clearLoops();

// --- terrain and scenery (Terrain.cpp) ---
void loadSceneryNow();  // around the frame's origin, at once (start, new flight)
void sceneryShifted();  // the origin moved: the new scenery loads in the background
bool sceneryFrame();    // true when a load has just completed (send 104)
void resetScenery();    // sea only, default load time, loaded around the origin

// --- aircraft (Aircraft.cpp) ---
void resetAircraft();
void releasePlanesOf(int plugin);
int planesHolder();  // plugin index, kOtherPlugin, or -1
const int kOtherPlugin = -2;   // the scenario's stand-in for another plugin
const int kOtherPluginId = 1000;
const int kTcasSlotCount = 64;  // the user's aircraft and 63 targets
// TCAS slots counted: those below the holder's XPLMSetActiveAircraftCount.
int tcasSlotLimit();

// --- TCAS override (Tcas.cpp) ---
void applyTcasRules(DataRef& d);  // for every reference under the TCAS paths
void resetTcas();
void tcasFrame();                 // after the flight loops: derived values, stale targets
void tcasReleased();              // the holder gave up the aircraft
// Local frame to world (XPLMLocalToWorld).
void localToWorld(double x, double y, double z, double* lat, double* lon, double* alt);

// --- objects and instances (Objects.cpp, Instances.cpp) ---
std::string xplaneDir();
std::string checkObj8(const std::string& text);  // "" or why X-Plane would refuse it
bool objectIsLoaded(void* ref);
std::string objectPath(void* ref);
void holdObject(void* ref, int delta);  // instances keep their object
void deliverLoadedObjects();            // at the start of a frame
void releaseObjectsOf(int plugin);
void clearObjects();
void releaseInstancesOf(int plugin);
void clearInstances();

// --- what is drawn, to a file (Traffic.cpp) ---
void trafficFrame(double t);

// --- outputs (Output.cpp) ---
void resetOutputs();
void hostLine(const std::string& text);  // "[host] text"
// A relative path taken from the current folder; "" and "." are that folder.
std::string absolutePath(const std::string& path);
// Into a caller's buffer of `size` bytes, always terminated; a null dst is ignored.
void copyTruncated(char* dst, size_t size, const std::string& src);

// --- clock and frames (Host.cpp) ---
double now();
int cycle();
const wgs84::LocalFrame& currentFrame();  // the local frame plugins see now
void restartFlight();                     // back to the route's start

}  // namespace detail
}  // namespace xphost

#endif
