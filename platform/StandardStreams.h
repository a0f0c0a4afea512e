// How a command-line program's output leaves it: the one place that knows
// msvcrt's text mode and buffering.
#ifndef VOLAX_PLATFORM_STANDARDSTREAMS_H
#define VOLAX_PLATFORM_STANDARDSTREAMS_H

#include <cstdio>
#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <stdlib.h>
#endif

namespace volax {

// Lines end in "\n" on standard output, standard error and every file opened
// later, as on POSIX (msvcrt's text mode would write "\r\n"), so that outputs
// read and compare the same on every platform.
inline void unixLineEnds() {
#ifdef _WIN32
    ::_setmode(::_fileno(stdout), _O_BINARY);
    ::_setmode(::_fileno(stderr), _O_BINARY);
    *::__p__fmode() = _O_BINARY;
#endif
}

// Standard output goes out a line at a time, so whoever reads it sees each
// line as it is printed. msvcrt has no line buffering: it is unbuffered there.
inline void lineAtATimeOutput() {
#ifdef _WIN32
    std::setvbuf(stdout, nullptr, _IONBF, 0);
#else
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
#endif
}

}  // namespace volax

#endif
