#include "PluginState.h"

#include <cstdarg>

namespace volax {

VolaxSettings settings;
FILE* prefsFile = nullptr;
FILE* traceStream = nullptr;
bool traceStreamOwned = false;
Menu menu;
XPAircraftObject* ownship = nullptr;
bool userAircraftLoaded = false;
int intactParts[kPartCount] = {};
bool intactPartsSaved = false;
bool tickRegistered = false;
EntityTypeTable entityTypeTable;
DataRefs dataRefs;
QVCoordConv::VerticalDatum heightDatum = QVCoordConv::VerticalDatum::WGS84E;

void trace(const char* format, ...) {
    if (!traceStream) return;
    va_list args;
    va_start(args, format);
    std::vfprintf(traceStream, format, args);
    va_end(args);
}

void setItemEnabled(int item, bool enabled) {
    if (menu.id && item >= 0) XPLMEnableMenuItem(menu.id, item, enabled ? 1 : 0);
}

void getDataRefs() {
    trace("VOLAX plugin getDataRefs() BEGIN\n");
    dataRefs.localX = XPLMFindDataRef("sim/flightmodel/position/local_x");
    dataRefs.localY = XPLMFindDataRef("sim/flightmodel/position/local_y");
    dataRefs.localZ = XPLMFindDataRef("sim/flightmodel/position/local_z");
    dataRefs.localVx = XPLMFindDataRef("sim/flightmodel/position/local_vx");
    dataRefs.localVy = XPLMFindDataRef("sim/flightmodel/position/local_vy");
    dataRefs.localVz = XPLMFindDataRef("sim/flightmodel/position/local_vz");
    dataRefs.localAx = XPLMFindDataRef("sim/flightmodel/position/local_ax");
    dataRefs.localAy = XPLMFindDataRef("sim/flightmodel/position/local_ay");
    dataRefs.localAz = XPLMFindDataRef("sim/flightmodel/position/local_az");
    dataRefs.psi = XPLMFindDataRef("sim/flightmodel/position/psi");
    dataRefs.theta = XPLMFindDataRef("sim/flightmodel/position/theta");
    dataRefs.phi = XPLMFindDataRef("sim/flightmodel/position/phi");
    dataRefs.latitude = XPLMFindDataRef("sim/flightmodel/position/latitude");
    dataRefs.longitude = XPLMFindDataRef("sim/flightmodel/position/longitude");
    dataRefs.elevation = XPLMFindDataRef("sim/flightmodel/position/elevation");
    dataRefs.latRef = XPLMFindDataRef("sim/flightmodel/position/lat_ref");
    dataRefs.lonRef = XPLMFindDataRef("sim/flightmodel/position/lon_ref");
    dataRefs.partEq = XPLMFindDataRef("sim/aircraft/prop/acf_part_eq");
    dataRefs.useSystemTime = XPLMFindDataRef("sim/time/use_system_time");
    dataRefs.localDateDays = XPLMFindDataRef("sim/time/local_date_days");
    dataRefs.zuluTimeSec = XPLMFindDataRef("sim/time/zulu_time_sec");
    dataRefs.paused = XPLMFindDataRef("sim/time/paused");
    dataRefs.tailNumber = XPLMFindDataRef("sim/aircraft/view/acf_tailnum");
}

}  // namespace volax
