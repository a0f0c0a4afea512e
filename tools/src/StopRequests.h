#ifndef VOLAX_TOOLS_STOPREQUESTS_H
#define VOLAX_TOOLS_STOPREQUESTS_H

// A stop request from the user: Ctrl-C, or SIGTERM on POSIX and closing the
// console on Windows. Every wait ends early once it is set, and the command
// leaves cleanly (resigns, deletes what it registered). One file per
// platform: StopRequestsPosix.cpp (signals), StopRequestsWindows.cpp
// (console control events).

#include <csignal>

namespace volaxfed {

extern volatile sig_atomic_t stopRequested;
void installStopHandlers();

}  // namespace volaxfed

#endif
