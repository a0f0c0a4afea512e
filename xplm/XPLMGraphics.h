#ifndef _XPLMGraphics_h_
#define _XPLMGraphics_h_

/*
 * Conversion between the simulator's global coordinates (latitude, longitude,
 * elevation above mean sea level) and its local OpenGL frame: x east, y up,
 * z south at the frame's origin, a point on the surface at sea level that the
 * simulator moves now and then (a scenery shift). Convert with these rather
 * than with a model of the earth of one's own; world coordinates are the less
 * precise ones, so avoid round trips.
 */

#include "XPLMDefs.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Global (degrees, degrees, metres MSL) to local (metres) in the current frame. */
XPLM_API void XPLMWorldToLocal(double inLatitude,
                               double inLongitude,
                               double inAltitude,
                               double * outX,
                               double * outY,
                               double * outZ);

/* Local (metres) in the current frame to global (degrees, degrees, metres MSL). */
XPLM_API void XPLMLocalToWorld(double inX,
                               double inY,
                               double inZ,
                               double * outLatitude,
                               double * outLongitude,
                               double * outAltitude);

#ifdef __cplusplus
}
#endif

#endif
