// Giving freed heap pages back to the system: the one place that knows which
// C library needs to be asked (glibc keeps them until malloc_trim; msvcrt and
// macOS's allocator return them themselves).
#ifndef VOLAX_PLATFORM_FREEMEMORY_H
#define VOLAX_PLATFORM_FREEMEMORY_H

#include <cstdlib>
#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace volax {

inline void returnFreeMemory() {
#ifdef __GLIBC__
    ::malloc_trim(0);
#endif
}

}  // namespace volax

#endif
