#include "LineEnds.h"

namespace xphost {

// POSIX C libraries never translate "\n".
void useUnixLineEnds() {}

}  // namespace xphost
