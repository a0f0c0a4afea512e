#ifndef VOLAX_TOOLS_LOGSTREAM_H
#define VOLAX_TOOLS_LOGSTREAM_H

// The platform's part of LogCapture: one file per platform,
// LogStreamCookie.cpp (glibc) or LogStreamFile.cpp (Windows).

#include <cstdio>

#include "LogCapture.h"

namespace volaxfed {

struct LogStream {
    // A stream whose text reaches capture.take(); null when none can be made.
    static FILE* open(LogCapture& capture);
    // Hands everything written so far to capture.take().
    static void collect(LogCapture& capture);
    static void take(LogCapture& capture, const char* data, size_t size) { capture.take(data, size); }
};

}  // namespace volaxfed

#endif
