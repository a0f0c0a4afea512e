#ifndef _XPLMInstance_h_
#define _XPLMInstance_h_

/*
 * Instanced drawing: an object placed in the world and moved from a flight
 * loop, drawn by the simulator without any drawing callback.
 */

#include "XPLMDefs.h"
#include "XPLMScenery.h"

#ifdef __cplusplus
extern "C" {
#endif

/* One placed copy of an object. */
typedef void * XPLMInstanceRef;

/*
 * Creates an instance of a fully loaded object. datarefs is a NULL-terminated
 * array of data reference names the object animates with; pass a
 * one-element array holding NULL for none, never NULL itself.
 */
XPLM_API XPLMInstanceRef XPLMCreateInstance(XPLMObjectRef obj, const char ** datarefs);

/* Destroys an instance. */
XPLM_API void XPLMDestroyInstance(XPLMInstanceRef instance);

/*
 * Moves an instance and sets its data references: data holds one float per
 * registered data reference. Call from a flight loop, never from a drawing
 * callback.
 */
XPLM_API void XPLMInstanceSetPosition(XPLMInstanceRef instance,
                                      const XPLMDrawInfo_t * new_position,
                                      const float * data);

#ifdef __cplusplus
}
#endif

#endif
