// Windows has no cookie streams: the log goes to a temporary file (deleted
// when closed) that collect() reads back and empties.
#include "LogStream.h"

#include <fcntl.h>
#include <io.h>
#include <windows.h>

namespace volaxfed {

FILE* LogStream::open(LogCapture&) {
    char dir[MAX_PATH + 1], path[MAX_PATH + 1];
    const DWORD n = ::GetTempPathA(sizeof dir, dir);
    if (n == 0 || n > sizeof dir || ::GetTempFileNameA(dir, "vfl", 0, path) == 0) return nullptr;
    HANDLE h = ::CreateFileA(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                             CREATE_ALWAYS, FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        ::DeleteFileA(path);
        return nullptr;
    }
    const int fd = ::_open_osfhandle(reinterpret_cast<intptr_t>(h), _O_RDWR | _O_BINARY);
    if (fd < 0) {
        ::CloseHandle(h);
        return nullptr;
    }
    FILE* stream = ::_fdopen(fd, "w+b");
    if (!stream) ::_close(fd);
    return stream;
}

void LogStream::collect(LogCapture& capture) {
    FILE* f = capture.stream();
    if (fflush(f) != 0) return;
    const long size = ftell(f);
    if (size <= 0) return;
    rewind(f);
    char buf[4096];
    for (long left = size; left > 0;) {
        const size_t got = fread(buf, 1, left < static_cast<long>(sizeof buf) ? static_cast<size_t>(left) : sizeof buf, f);
        if (got == 0) break;
        take(capture, buf, got);
        left -= static_cast<long>(got);
    }
    rewind(f);
    ::_chsize(::_fileno(f), 0);
}

}  // namespace volaxfed
