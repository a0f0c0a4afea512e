// volax-rtiexec's requests as console control events: Ctrl-C, closing the
// console, logoff and shutdown stop; Ctrl-Break logs the status (Windows has
// no SIGUSR1, and Ctrl-Break is its usual "tell me your state" key).
#include "ServerControl.h"

#include <windows.h>

namespace volax {
namespace rti {
namespace net {

namespace {

ServerRequests* gRequests = nullptr;

// Windows calls this on a thread of its own; the server's loop looks at the
// flags at least five times a second.
BOOL WINAPI onControl(DWORD event) {
    switch (event) {
    case CTRL_C_EVENT:
        gRequests->stop = 1;
        return TRUE;
    case CTRL_BREAK_EVENT:
        gRequests->status = 1;
        return TRUE;
    case CTRL_CLOSE_EVENT:
    case CTRL_LOGOFF_EVENT:
    case CTRL_SHUTDOWN_EVENT:
        // Windows ends the process as soon as this returns: hold it, so the
        // loop resigns every federate first; main's return ends the process.
        gRequests->stop = 1;
        ::Sleep(INFINITE);
        return TRUE;
    default:
        return FALSE;
    }
}

}  // namespace

const char* const kServerRequestsHelp =
    "Ctrl-Break logs one status line per federation (federates, objects, unowned).\n"
    "Ctrl-C or closing its console stops the server (exit status 0).\n";

const sigset_t* routeServerRequests(ServerRequests& requests) {
    gRequests = &requests;
    ::SetConsoleCtrlHandler(onControl, TRUE);
    return nullptr;
}

// Winsock has no per-process descriptor limit, and WSAPoll no FD_SETSIZE.
std::size_t defaultMaxConnections() { return 1000; }

}  // namespace net
}  // namespace rti
}  // namespace volax
