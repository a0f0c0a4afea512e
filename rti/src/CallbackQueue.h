// A federate's queue of callbacks: filled by the executive (any thread),
// emptied by the ambassador's tick (one thread). pending() is a plain and an
// atomic read, so that an empty tick costs next to nothing.
//
// The consumer takes every queued callback at once (one lock per batch, not
// per callback) and hands them out where they lie: next() moves nothing, and
// the vectors keep their capacity from batch to batch.
#ifndef VOLAX_RTI_CALLBACKQUEUE_H
#define VOLAX_RTI_CALLBACKQUEUE_H

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <vector>

#include "Executive.h"
#include "Message.h"

namespace volax {
namespace rti {

class CallbackQueue : public FederateEndpoint {
public:
    void deliver(Message&& callback) override;

    // Consumer side (the ambassador's thread) from here on.
    bool pending() const { return left_ != 0 || incomingCount_.load(std::memory_order_acquire) != 0; }
    // The oldest callback, valid until the next call of next() or clear();
    // null when none is queued. The caller may take its contents.
    Message* next();
    // Waits up to `seconds` for a callback; true when one is queued.
    bool wait(double seconds);
    void clear();

private:
    mutable std::mutex mutex_;
    std::condition_variable ready_;
    std::vector<Message> incoming_;  // guarded by mutex_
    std::atomic<std::size_t> incomingCount_{0};
    std::vector<Message> taken_;  // the batch being handed out; consumer only
    std::size_t next_ = 0;        // its first callback not yet handed out
    std::size_t left_ = 0;        // how many are not yet handed out
};

}  // namespace rti
}  // namespace volax

#endif
