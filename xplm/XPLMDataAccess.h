#ifndef _XPLMDataAccess_h_
#define _XPLMDataAccess_h_

/*
 * Data references: the simulator's named values. A handle is found once by
 * path and used for the plugin's life. Access with the wrong type reads 0 and
 * writes nothing; a NULL handle is ignored.
 */

#include "XPLMDefs.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Opaque data reference handle; NULL when the path is unknown. */
typedef void * XPLMDataRef;

/* Bit set of the types a data reference can be accessed as. */
enum {
    xplmType_Unknown = 0,
    xplmType_Int = 1,
    xplmType_Float = 2,
    xplmType_Double = 4,
    xplmType_FloatArray = 8,
    xplmType_IntArray = 16,
    xplmType_Data = 32
};
typedef int XPLMDataTypeID;

XPLM_API XPLMDataRef XPLMFindDataRef(const char * inDataRefName);
XPLM_API int XPLMCanWriteDataRef(XPLMDataRef inDataRef);
XPLM_API int XPLMIsDataRefGood(XPLMDataRef inDataRef);
XPLM_API XPLMDataTypeID XPLMGetDataRefTypes(XPLMDataRef inDataRef);

XPLM_API int XPLMGetDatai(XPLMDataRef inDataRef);
XPLM_API void XPLMSetDatai(XPLMDataRef inDataRef, int inValue);
XPLM_API float XPLMGetDataf(XPLMDataRef inDataRef);
XPLM_API void XPLMSetDataf(XPLMDataRef inDataRef, float inValue);
XPLM_API double XPLMGetDatad(XPLMDataRef inDataRef);
XPLM_API void XPLMSetDatad(XPLMDataRef inDataRef, double inValue);

/*
 * Array access copies at most inMax values starting at element inOffset and
 * returns the count copied; with outValues NULL it returns the array's size.
 */
XPLM_API int XPLMGetDatavi(XPLMDataRef inDataRef, int * outValues, int inOffset, int inMax);
XPLM_API void XPLMSetDatavi(XPLMDataRef inDataRef, int * inValues, int inoffset, int inCount);
XPLM_API int XPLMGetDatavf(XPLMDataRef inDataRef, float * outValues, int inOffset, int inMax);
XPLM_API void XPLMSetDatavf(XPLMDataRef inDataRef, float * inValues, int inoffset, int inCount);
XPLM_API int XPLMGetDatab(XPLMDataRef inDataRef, void * outValue, int inOffset, int inMaxBytes);
XPLM_API void XPLMSetDatab(XPLMDataRef inDataRef, void * inValue, int inOffset, int inLength);

#ifdef __cplusplus
}
#endif

#endif
