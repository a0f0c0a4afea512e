// volax-rtiexec's requests as signals: SIGINT and SIGTERM stop, SIGUSR1 logs
// the status; its connections bounded by RLIMIT_NOFILE.
#include "ServerControl.h"

#include <algorithm>
#include <sys/resource.h>

namespace volax {
namespace rti {
namespace net {

namespace {

ServerRequests* gRequests = nullptr;
sigset_t gWaitMask;

void onStop(int) { gRequests->stop = 1; }
void onStatus(int) { gRequests->status = 1; }

}  // namespace

const char* const kServerRequestsHelp =
    "SIGUSR1 logs one status line per federation (federates, objects, unowned).\n"
    "SIGINT or SIGTERM stops the server (exit status 0).\n";

const sigset_t* routeServerRequests(ServerRequests& requests) {
    gRequests = &requests;
    sigset_t block;
    sigemptyset(&block);
    sigaddset(&block, SIGINT);
    sigaddset(&block, SIGTERM);
    sigaddset(&block, SIGUSR1);
    sigprocmask(SIG_BLOCK, &block, &gWaitMask);
    sigdelset(&gWaitMask, SIGINT);
    sigdelset(&gWaitMask, SIGTERM);
    sigdelset(&gWaitMask, SIGUSR1);
    struct sigaction sa {};
    sa.sa_handler = onStop;
    sigemptyset(&sa.sa_mask);
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);
    sa.sa_handler = onStatus;
    sigaction(SIGUSR1, &sa, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
    return &gWaitMask;
}

std::size_t defaultMaxConnections() {
    rlimit rl{};
    if (::getrlimit(RLIMIT_NOFILE, &rl) != 0 || rl.rlim_cur == RLIM_INFINITY) return 1000;
    if (rl.rlim_cur < 96) return 16;
    return std::min<std::size_t>(1000, static_cast<std::size_t>(rl.rlim_cur) - 64);
}

}  // namespace net
}  // namespace rti
}  // namespace volax
