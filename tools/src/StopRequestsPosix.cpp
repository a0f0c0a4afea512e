#include "StopRequests.h"

namespace volaxfed {

volatile sig_atomic_t stopRequested = 0;

namespace {
void onStopSignal(int) { stopRequested = 1; }
}  // namespace

void installStopHandlers() {
    struct sigaction sa {};
    sa.sa_handler = onStopSignal;
    sigemptyset(&sa.sa_mask);
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);
    signal(SIGPIPE, SIG_IGN);
}

}  // namespace volaxfed
