#ifndef _XPLMPlanes_h_
#define _XPLMPlanes_h_

/* The user's and the other aircraft. */

#include "XPLMDefs.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Called when the aircraft a plugin asked for become available to it. */
typedef void (* XPLMPlanesAvailable_f)(void * inRefcon);

/*
 * Total and active aircraft and the plugin controlling the other aircraft
 * (XPLM_NO_PLUGIN_ID when none); each pointer may be NULL.
 */
XPLM_API void XPLMCountAircraft(int * outTotalAircraft,
                                int * outActiveAircraft,
                                XPLMPluginID * outController);

/*
 * Model of aircraft inIndex (0 = the user's): file name (buffer of at least
 * 256 chars) and full path (at least 512 chars).
 */
XPLM_API void XPLMGetNthAircraftModel(int inIndex, char * outFileName, char * outPath);

/*
 * Asks for exclusive control of the other aircraft (the AI aircraft, and with
 * them the TCAS override). inAircraft is a NULL-terminated array of model
 * paths to load, or NULL for none. Returns 1 when granted at once; otherwise
 * 0, and inCallback runs when they become available. Disabling a plugin
 * releases them.
 */
XPLM_API int XPLMAcquirePlanes(char ** inAircraft,
                               XPLMPlanesAvailable_f inCallback,
                               void * inRefcon);

/* Gives up control of the other aircraft. */
XPLM_API void XPLMReleasePlanes(void);

/*
 * Sets how many of the other aircraft are active (the holder of the aircraft
 * only).
 */
XPLM_API void XPLMSetActiveAircraftCount(int inCount);

#ifdef __cplusplus
}
#endif

#endif
