// Format checks for printf-style functions against the printf the program
// really calls: with __USE_MINGW_ANSI_STDIO, mingw's own C99 one (%zu, %lld),
// not msvcrt's, which the plain "printf" archetype means there.
#ifndef VOLAX_PLATFORM_PRINTFFORMAT_H
#define VOLAX_PLATFORM_PRINTFFORMAT_H

#include <cstdio>  // defines __MINGW_PRINTF_FORMAT on mingw

#ifdef __MINGW_PRINTF_FORMAT
#define VOLAX_PRINTF_FORMAT(fmt, first) __attribute__((format(__MINGW_PRINTF_FORMAT, fmt, first)))
#else
#define VOLAX_PRINTF_FORMAT(fmt, first) __attribute__((format(printf, fmt, first)))
#endif

#endif
