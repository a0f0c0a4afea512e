#include "LineEnds.h"

#include <fcntl.h>
#include <stdlib.h>

namespace xphost {

// Text mode is msvcrt.dll's default for every module of the process, plugins
// included; binary mode keeps "\n" as written.
void useUnixLineEnds() { *__p__fmode() = _O_BINARY; }

}  // namespace xphost
