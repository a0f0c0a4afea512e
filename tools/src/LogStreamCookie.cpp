// glibc's cookie stream: every write (a line at a time) goes straight to take().
#include "LogStream.h"

#include <sys/types.h>

namespace volaxfed {

namespace {

ssize_t writeToCapture(void* cookie, const char* data, size_t size) {
    LogStream::take(*static_cast<LogCapture*>(cookie), data, size);
    return static_cast<ssize_t>(size);
}

}  // namespace

FILE* LogStream::open(LogCapture& capture) {
    cookie_io_functions_t io{};
    io.write = &writeToCapture;
    FILE* stream = fopencookie(&capture, "w", io);
    if (stream) setvbuf(stream, nullptr, _IOLBF, 0);
    return stream;
}

void LogStream::collect(LogCapture& capture) { fflush(capture.stream()); }

}  // namespace volaxfed
