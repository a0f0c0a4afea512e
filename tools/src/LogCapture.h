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

    // Every complete line starting with `prefix`, oldest first, prefix removed.
    std::vector<std::string> linesAfter(const std::string& prefix);
    void clear();

private:
    static ssize_t write(void* cookie, const char* data, size_t size);
    FILE* stream_ = nullptr;
    bool echo_;
    size_t keepBytes_;
    std::string tail_;
};

}  // namespace volaxfed

#endif
