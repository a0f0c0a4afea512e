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
void runFlightLoops(double now, double sinceLastFlightLoop, int counter);
void removeLoopsOf(int plugin);
void clearLoops();

// --- aircraft (Aircraft.cpp) ---
void resetAircraft();
void releasePlanesOf(int plugin);

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
