#ifndef VOLAX_PLUGIN_PLUGINSTATE_H
#define VOLAX_PLUGIN_PLUGINSTATE_H

// Plugin-wide state of VOLAX.xpl: one instance for the life of the loaded
// plugin, touched only from X-Plane's main thread.

#include <cstdio>

#include "PrintfFormat.h"
#include "QVCoordConv.h"
#include "VolaxConfig.h"
#include "XPLMDataAccess.h"
#include "XPLMMenus.h"

namespace volax {

class XPAircraftObject;

constexpr int kPartCount = 73;

struct DataRefs {
    XPLMDataRef localX = nullptr, localY = nullptr, localZ = nullptr;
    XPLMDataRef localVx = nullptr, localVy = nullptr, localVz = nullptr;
    XPLMDataRef localAx = nullptr, localAy = nullptr, localAz = nullptr;
    XPLMDataRef psi = nullptr, theta = nullptr, phi = nullptr;
    XPLMDataRef latitude = nullptr, longitude = nullptr, elevation = nullptr;  // doubles
    XPLMDataRef latRef = nullptr, lonRef = nullptr;
    XPLMDataRef partEq = nullptr;         // sim/aircraft/prop/acf_part_eq, 73 ints
    XPLMDataRef useSystemTime = nullptr;  // sim/time/use_system_time
    XPLMDataRef localDateDays = nullptr;  // sim/time/local_date_days
    XPLMDataRef zuluTimeSec = nullptr;    // sim/time/zulu_time_sec
    XPLMDataRef paused = nullptr;         // sim/time/paused
    XPLMDataRef tailNumber = nullptr;     // sim/aircraft/view/acf_tailnum, bytes
};

struct Menu {
    XPLMMenuID id = nullptr;
    int joinItem = -1;
    int resignItem = -1;
    int createItem = -1;
};

extern VolaxSettings settings;
extern FILE* prefsFile;
extern FILE* traceStream;
extern bool traceStreamOwned;  // false for stderr, which is never closed
extern Menu menu;
extern XPAircraftObject* ownship;
extern bool userAircraftLoaded;
extern int intactParts[kPartCount];
extern bool intactPartsSaved;  // intactParts holds a snapshot of the user's aircraft
extern bool tickRegistered;    // VOLAXTick is registered with X-Plane
extern EntityTypeTable entityTypeTable;
extern DataRefs dataRefs;
// What X-Plane's heights are measured from: EGM96 unless VERTICALDATUM says
// WGS84E or the geoid grid could not be read.
extern QVCoordConv::VerticalDatum heightDatum;

// Formatted line to the trace stream, when one is open.
void trace(const char* format, ...) VOLAX_PRINTF_FORMAT(1, 2);

// Enables or disables one menu item; a no-op while the menu does not exist.
void setItemEnabled(int item, bool enabled);

// Looks up every data reference the plugin uses.
void getDataRefs();

}  // namespace volax

#endif
