// Capturing the text the conversion code writes to its streams.
#pragma once

#include <cstdio>
#include <string>

#include <unistd.h>

class CapturedStream {
public:
    CapturedStream() : file_(std::tmpfile()) {}
    ~CapturedStream()
    {
        if (file_) std::fclose(file_);
    }
    CapturedStream(const CapturedStream&) = delete;
    CapturedStream& operator=(const CapturedStream&) = delete;

    FILE* get() const { return file_; }

    // Everything written so far; empties the stream but keeps it open, so it
    // can stay installed as a log or error stream.
    std::string take()
    {
        std::fflush(file_);
        std::string text;
        std::rewind(file_);
        char buffer[4096];
        size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, file_)) > 0) text.append(buffer, n);
        std::rewind(file_);
        if (ftruncate(fileno(file_), 0) != 0) text += "<truncate failed>";
        return text;
    }

private:
    FILE* file_;
};
