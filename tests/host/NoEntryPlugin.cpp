// A plugin file that lacks XPluginReceiveMessage.

#include "XPLMDefs.h"

PLUGIN_API int XPluginStart(char* outName, char*, char*) {
    outName[0] = 0;
    return 1;
}
PLUGIN_API void XPluginStop(void) {}
PLUGIN_API int XPluginEnable(void) { return 1; }
PLUGIN_API void XPluginDisable(void) {}
