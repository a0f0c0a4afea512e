// The ambassador's side of the test hooks in RTIfaultInjection.hh.
#ifndef VOLAX_RTI_FAULTS_H
#define VOLAX_RTI_FAULTS_H

#include <atomic>

namespace volax {
namespace rti {

extern std::atomic<int> gPendingFaults;

void raiseQueuedFault(const char* service);

// Raises the first queued fault meant for `service`, if any. Costs one atomic
// read when nothing is queued.
inline void checkFault(const char* service) {
    if (gPendingFaults.load(std::memory_order_acquire) != 0) raiseQueuedFault(service);
}

}  // namespace rti
}  // namespace volax

#endif
