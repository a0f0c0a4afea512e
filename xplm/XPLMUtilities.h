#ifndef _XPLMUtilities_h_
#define _XPLMUtilities_h_

/* Log, speech and file-system helpers. */

#include "XPLMDefs.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Full path of the preferences file (buffer of at least 512 chars). */
XPLM_API void XPLMGetPrefsPath(char * outPrefsPath);

/*
 * Cuts a full path in place: the buffer keeps the folder, without a trailing
 * separator; returns a pointer to the file-name part.
 */
XPLM_API char * XPLMExtractFileAndPath(char * inFullPath);

/* The directory separator, a one-character string. */
XPLM_API const char * XPLMGetDirectorySeparator(void);

/* Appends text to the simulator's log (Log.txt) and flushes it. */
XPLM_API void XPLMDebugString(const char * inString);

/* Shows and speaks a text; returns at once. */
XPLM_API void XPLMSpeakString(const char * inString);

#ifdef __cplusplus
}
#endif

#endif
