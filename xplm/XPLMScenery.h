#ifndef _XPLMScenery_h_
#define _XPLMScenery_h_

/*
 * Scenery objects: loading OBJ files for instanced drawing, and finding
 * objects in the scenery library.
 */

#include "XPLMDefs.h"

#ifdef __cplusplus
extern "C" {
#endif

/*
 * Where and how to draw: local ("OpenGL") coordinates in metres, angles in
 * degrees; heading clockwise from local north (-z). structSize is
 * sizeof(XPLMDrawInfo_t).
 */
typedef struct {
    int structSize;
    float x;
    float y;
    float z;
    float pitch;
    float heading;
    float roll;
} XPLMDrawInfo_t;

#if defined(XPLM200)

/* Terrain probes: what lies straight below a point of the local frame. */
typedef int XPLMProbeType;
enum {
    xplm_ProbeY = 0
};

typedef int XPLMProbeResult;
enum {
    xplm_ProbeHitTerrain = 0,
    xplm_ProbeError = 1,
    xplm_ProbeMissed = 2
};

typedef void * XPLMProbeRef;

/* What a probe found: the point hit (local frame), the terrain's normal and velocity. */
typedef struct {
    int structSize;
    float locationX;
    float locationY;
    float locationZ;
    float normalX;
    float normalY;
    float normalZ;
    float velocityX;
    float velocityY;
    float velocityZ;
    int is_wet;
} XPLMProbeInfo_t;

XPLM_API XPLMProbeRef XPLMCreateProbe(XPLMProbeType inProbeType);
XPLM_API void XPLMDestroyProbe(XPLMProbeRef inProbe);
/* Probes the terrain below the local point; outInfo->structSize must be set. */
XPLM_API XPLMProbeResult XPLMProbeTerrainXYZ(XPLMProbeRef inProbe,
                                             float inX,
                                             float inY,
                                             float inZ,
                                             XPLMProbeInfo_t * outInfo);

/* An OBJ file loaded into memory. */
typedef void * XPLMObjectRef;

#if defined(XPLM210)
/* Called once an asynchronous load ends: the object, or NULL on failure. */
typedef void (* XPLMObjectLoaded_f)(XPLMObjectRef inObject, void * inRefcon);
#endif

/*
 * Loads an OBJ file, path relative to the X-Plane folder. NULL if it is
 * missing or malformed. Every successful load needs one XPLMUnloadObject.
 */
XPLM_API XPLMObjectRef XPLMLoadObject(const char * inPath);

#if defined(XPLM210)
/*
 * Starts loading an OBJ file and returns at once; inCallback receives the
 * object (or NULL) later, while the simulator keeps flying.
 */
XPLM_API void XPLMLoadObjectAsync(const char * inPath,
                                  XPLMObjectLoaded_f inCallback,
                                  void * inRefcon);
#endif

/* Releases one load of an object. */
XPLM_API void XPLMUnloadObject(XPLMObjectRef inObject);

/* Called once per library element found; the path is relative to the X-Plane folder. */
typedef void (* XPLMLibraryEnumerator_f)(const char * inFilePath, void * inRef);

/*
 * Resolves a virtual library path near the given location, calling
 * enumerator for each file it names. Returns how many were found.
 */
XPLM_API int XPLMLookupObjects(const char * inPath,
                               float inLatitude,
                               float inLongitude,
                               XPLMLibraryEnumerator_f enumerator,
                               void * ref);

#endif /* XPLM200 */

#ifdef __cplusplus
}
#endif

#endif
