#ifndef _XPLMProcessing_h_
#define _XPLMProcessing_h_

/* Flight-loop callbacks: periodic work on the simulator's main thread. */

#include "XPLMDefs.h"

#ifdef __cplusplus
extern "C" {
#endif

/*
 * A flight-loop callback. Arguments: seconds since this callback was last
 * called, seconds since the last flight loop, the flight-loop counter, the
 * registration's reference. Return: positive = seconds until the next call,
 * negative = number of flight loops until the next call (-1 = the next one),
 * 0 = no further calls (the callback stays registered).
 */
typedef float (* XPLMFlightLoop_f)(float inElapsedSinceLastCall,
                                   float inElapsedTimeSinceLastFlightLoop,
                                   int inCounter,
                                   void * inRefcon);

/* Seconds of simulated time since the simulator started. */
XPLM_API float XPLMGetElapsedTime(void);

/* Number of flight loops run so far. */
XPLM_API int XPLMGetCycleNumber(void);

/*
 * Registers a callback that runs before the flight model; inInterval has the
 * meaning of the callback's return value. The callback is identified by
 * (inFlightLoop, inRefcon).
 */
XPLM_API void XPLMRegisterFlightLoopCallback(XPLMFlightLoop_f inFlightLoop,
                                             float inInterval,
                                             void * inRefcon);

/* Unregisters a callback; harmless when it is not registered. */
XPLM_API void XPLMUnregisterFlightLoopCallback(XPLMFlightLoop_f inFlightLoop,
                                               void * inRefcon);

/*
 * Reschedules a registered callback, relative to now (inRelativeToNow non-zero)
 * or to its last call.
 */
XPLM_API void XPLMSetFlightLoopCallbackInterval(XPLMFlightLoop_f inFlightLoop,
                                                float inInterval,
                                                int inRelativeToNow,
                                                void * inRefcon);

#if defined(XPLM210)
/* When a flight loop created with XPLMCreateFlightLoop runs in a frame. */
enum {
    xplm_FlightLoop_Phase_BeforeFlightModel = 0,
    xplm_FlightLoop_Phase_AfterFlightModel = 1
};
typedef int XPLMFlightLoopPhaseType;

typedef void * XPLMFlightLoopID;

typedef struct {
    int structSize;
    XPLMFlightLoopPhaseType phase;
    XPLMFlightLoop_f callbackFunc;
    void * refcon;
} XPLMCreateFlightLoop_t;

/* Creates a flight loop, not scheduled until XPLMScheduleFlightLoop. */
XPLM_API XPLMFlightLoopID XPLMCreateFlightLoop(XPLMCreateFlightLoop_t * inParams);

XPLM_API void XPLMDestroyFlightLoop(XPLMFlightLoopID inFlightLoopID);

/*
 * Schedules it: inInterval as the callback's return value, relative to now
 * (inRelativeToNow non-zero) or to its last call (or its creation).
 */
XPLM_API void XPLMScheduleFlightLoop(XPLMFlightLoopID inFlightLoopID,
                                     float inInterval,
                                     int inRelativeToNow);
#endif

#ifdef __cplusplus
}
#endif

#endif
