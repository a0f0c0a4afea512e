// Files written by the host and its plugins end lines with "\n" on every
// platform, so that outputs read (and compare) the same everywhere.
#ifndef VOLAX_HOST_LINEENDS_H
#define VOLAX_HOST_LINEENDS_H

namespace xphost {

// For the whole process: call before any file is opened.
void useUnixLineEnds();

}  // namespace xphost

#endif
