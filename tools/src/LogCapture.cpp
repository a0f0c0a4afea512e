#include "LogCapture.h"

#include "LogStream.h"

namespace volaxfed {

LogCapture::LogCapture(bool echo, size_t keepBytes) : echo_(echo), keepBytes_(keepBytes) {
    stream_ = LogStream::open(*this);
}

LogCapture::~LogCapture() {
    if (stream_) fclose(stream_);
}

void LogCapture::collect() {
    if (stream_) LogStream::collect(*this);
}

void LogCapture::take(const char* data, size_t size) {
    if (echo_) fwrite(data, 1, size, stderr);
    tail_.append(data, size);
    if (tail_.size() > keepBytes_) {
        // Cut at a line start so lines stay whole.
        size_t cut = tail_.size() - keepBytes_;
        const size_t nl = tail_.find('\n', cut);
        cut = nl == std::string::npos ? tail_.size() : nl + 1;
        tail_.erase(0, cut);
    }
}

std::vector<std::string> LogCapture::linesAfter(const std::string& prefix) {
    collect();
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
    collect();
    tail_.clear();
}

}  // namespace volaxfed
