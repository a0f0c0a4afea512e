// The nine entry points of VOLAX.xpl. Each one catches everything: an
// exception must never unwind into X-Plane.

#include <cstdint>
#include <exception>
#include <string>

#include "Lifecycle.h"
#include "PluginState.h"
#include "TrafficView.h"
#include "XPLMDefs.h"
#include "XPLMUtilities.h"
#include "XPWidgetDefs.h"

namespace {

void reportEscaped(const char* where, const char* what) {
    std::string line = std::string("VOLAX internal error in ") + where + ": " + (what ? what : "unknown") + "\n";
    XPLMDebugString(line.c_str());
    volax::trace("%s", line.c_str());
}

template <class F>
auto guarded(const char* where, F&& body, decltype(body()) fallback) -> decltype(body()) {
    try {
        return body();
    } catch (const std::exception& e) {
        reportEscaped(where, e.what());
    } catch (...) {
        reportEscaped(where, "unknown exception");
    }
    return fallback;
}

template <class F>
void guardedVoid(const char* where, F&& body) {
    try {
        body();
    } catch (const std::exception& e) {
        reportEscaped(where, e.what());
    } catch (...) {
        reportEscaped(where, "unknown exception");
    }
}

}  // namespace

PLUGIN_API int XPluginStart(char* outName, char* outSig, char* outDesc) {
    return guarded("XPluginStart", [&] { return volax::pluginStart(outName, outSig, outDesc); }, 0);
}

PLUGIN_API void XPluginStop(void) {
    guardedVoid("XPluginStop", [] { volax::pluginStop(); });
}

PLUGIN_API int XPluginEnable(void) {
    return guarded("XPluginEnable", [] { return volax::pluginEnable(); }, 1);
}

PLUGIN_API void XPluginDisable(void) {
    guardedVoid("XPluginDisable", [] { volax::pluginDisable(); });
}

PLUGIN_API void XPluginReceiveMessage(XPLMPluginID inFromWho, int inMessage, void* inParam) {
    guardedVoid("XPluginReceiveMessage", [&] { volax::receiveMessage(inFromWho, inMessage, inParam); });
}

PLUGIN_API void VOLAXMenuSelect(void* inMenuRef, void* inItemRef) {
    guardedVoid("VOLAXMenuSelect", [&] { volax::menuSelect(inMenuRef, inItemRef); });
}

PLUGIN_API float VOLAXTick(float inElapsedSinceLastCall, float inElapsedTimeSinceLastFlightLoop, int inCounter,
                           void* inRefcon) {
    return guarded(
        "VOLAXTick",
        [&] {
            return volax::flightLoop(inElapsedSinceLastCall, inElapsedTimeSinceLastFlightLoop, inCounter, inRefcon);
        },
        volax::settings.timeStep);
}

PLUGIN_API int VOLAXWidgetHandler(XPWidgetMessage /*inMessage*/, XPWidgetID /*inWidget*/, intptr_t /*inParam1*/,
                                  intptr_t /*inParam2*/) {
    return guarded("VOLAXWidgetHandler", [] {
        volax::trace("VOLAX plugin WIDGET\n");
        return 0;
    }, 0);
}

PLUGIN_API void planesAvailable(void* /*inRefcon*/) {
    guardedVoid("planesAvailable", [] {
        volax::trace("planesAvailable : VOLAX acquired planes!\n");
        volax::trafficPlanesAvailable();
    });
}
