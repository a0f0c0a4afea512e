// What volax-rtiexec needs from its process besides sockets: the operator's
// requests to stop or to log the status, and how many connections the
// process may hold. One file per platform: ServerControlPosix.cpp (signals,
// the descriptor limit), ServerControlWindows.cpp (console control events).
#ifndef VOLAX_RTI_NET_SERVERCONTROL_H
#define VOLAX_RTI_NET_SERVERCONTROL_H

#include <csignal>
#include <cstddef>

#include "Socket.h"  // sigset_t on every platform

namespace volax {
namespace rti {
namespace net {

struct ServerRequests {
    volatile std::sig_atomic_t stop = 0;
    volatile std::sig_atomic_t status = 0;
};

// Routes the operator's stop and status requests to `requests` for the rest
// of the process. Returns the signal mask the server's wait must use (null:
// none); outside that wait the requests are held, so none is missed between
// a look at the flags and the wait.
const sigset_t* routeServerRequests(ServerRequests& requests);

// How the operator makes those requests, two lines for --help.
extern const char* const kServerRequestsHelp;

// The default for --max-connections: well under the process's descriptor
// limit, so the server never runs out of them.
std::size_t defaultMaxConnections();

}  // namespace net
}  // namespace rti
}  // namespace volax

#endif
