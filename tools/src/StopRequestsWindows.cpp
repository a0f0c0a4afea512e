#include "StopRequests.h"

#include <windows.h>

namespace volaxfed {

volatile sig_atomic_t stopRequested = 0;

namespace {

// Windows calls this on a thread of its own; every wait looks at the flag at
// least five times a second.
BOOL WINAPI onControl(DWORD event) {
    switch (event) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
        stopRequested = 1;
        return TRUE;
    case CTRL_CLOSE_EVENT:
    case CTRL_LOGOFF_EVENT:
    case CTRL_SHUTDOWN_EVENT:
        // Windows ends the process as soon as this returns: hold it so the
        // command resigns first; main's return ends the process.
        stopRequested = 1;
        ::Sleep(INFINITE);
        return TRUE;
    default:
        return FALSE;
    }
}

}  // namespace

void installStopHandlers() { ::SetConsoleCtrlHandler(onControl, TRUE); }

}  // namespace volaxfed
