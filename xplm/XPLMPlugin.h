#ifndef _XPLMPlugin_h_
#define _XPLMPlugin_h_

/* Plugin identity and the messages the simulator sends to plugins. */

#include "XPLMDefs.h"

#ifdef __cplusplus
extern "C" {
#endif

/* The calling plugin's id. */
XPLM_API XPLMPluginID XPLMGetMyID(void);

/* Number of loaded plugins. */
XPLM_API int XPLMCountPlugins(void);

/*
 * Name, full file path, signature and description of a plugin; buffers of at
 * least 256 chars, each may be NULL.
 */
XPLM_API void XPLMGetPluginInfo(XPLMPluginID inPlugin,
                                char * outName,
                                char * outFilePath,
                                char * outSignature,
                                char * outDescription);

/* The user's aircraft crashed. */
#define XPLM_MSG_PLANE_CRASHED 101

/* An aircraft was loaded; parameter: its index as an integer cast to a pointer, 0 = the user's. */
#define XPLM_MSG_PLANE_LOADED 102

/* The user's aircraft was placed at an airport. */
#define XPLM_MSG_AIRPORT_LOADED 103

/* New scenery was loaded (after a scenery shift, for one). */
#define XPLM_MSG_SCENERY_LOADED 104

/* The number of aircraft changed. */
#define XPLM_MSG_AIRPLANE_COUNT_CHANGED 105

#if defined(XPLM303)
/*
 * To the plugin holding the other aircraft: the sender wants them. The
 * parameter is unused.
 */
#define XPLM_MSG_RELEASE_PLANES 111
#endif

#ifdef __cplusplus
}
#endif

#endif
