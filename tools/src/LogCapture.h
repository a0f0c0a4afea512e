#ifndef VOLAX_TOOLS_LOGCAPTURE_H
#define VOLAX_TOOLS_LOGCAPTURE_H

// A C stream for the framework's log lines. It keeps the most recent text (a
// bounded tail) so a failure can be explained in one line, and with `echo`
// also copies everything to stderr.

#include <cstdio>
#include <string>
#include <vector>

namespace volaxfed {

class LogCapture {
public:
    explicit LogCapture(bool echo, size_t keepBytes = 16384);
    ~LogCapture();
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    FILE* stream() { return stream_; }

    // Takes what was written to stream() so far into the tail (and, with
    // echo, to stderr); linesAfter and clear do it first.
    void collect();
    // Every complete line starting with `prefix`, oldest first, prefix removed.
    std::vector<std::string> linesAfter(const std::string& prefix);
    void clear();

private:
    // How the stream reaches take() is the platform's: LogStreamCookie.cpp
    // (glibc's cookie stream, each write at once) or LogStreamFile.cpp (a
    // temporary file read back by collect()).
    friend struct LogStream;
    void take(const char* data, size_t size);

    FILE* stream_ = nullptr;
    bool echo_;
    size_t keepBytes_;
    std::string tail_;
};

}  // namespace volaxfed

#endif
