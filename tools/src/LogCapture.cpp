#include "LogCapture.h"

#include <unistd.h>

namespace volaxfed {

LogCapture::LogCapture(bool echo, size_t keepBytes) : echo_(echo), keepBytes_(keepBytes) {
    cookie_io_functions_t io{};
    io.write = &LogCapture::write;
    stream_ = fopencookie(this, "w", io);
    if (stream_) setvbuf(stream_, nullptr, _IOLBF, 0);
}

LogCapture::~LogCapture() {
    if (stream_) fclose(stream_);
}

ssize_t LogCapture::write(void* cookie, const char* data, size_t size) {
    auto* self = static_cast<LogCapture*>(cookie);
    if (self->echo_) fwrite(data, 1, size, stderr);
    self->tail_.append(data, size);
    if (self->tail_.size() > self->keepBytes_) {
        // Cut at a line start so lines stay whole.
        size_t cut = self->tail_.size() - self->keepBytes_;
        const size_t nl = self->tail_.find('\n', cut);
        cut = nl == std::string::npos ? self->tail_.size() : nl + 1;
        self->tail_.erase(0, cut);
    }
    return static_cast<ssize_t>(size);
}

std::vector<std::string> LogCapture::linesAfter(const std::string& prefix) {
    if (stream_) fflush(stream_);
    std::vector<std::string> lines;
    size_t start = 0, end;
    while ((end = tail_.find('\n', start)) != std::string::npos) {
        if (end - start >= prefix.size() && tail_.compare(start, prefix.size(), prefix) == 0)
            lines.push_back(tail_.substr(start + prefix.size(), end - start - prefix.size()));
        start = end + 1;
    }
    return lines;
}

void LogCapture::clear() {
    if (stream_) fflush(stream_);
    tail_.clear();
}

}  // namespace volaxfed
