// A federate's queue of callbacks: filled by the executive (any thread),
// emptied by the ambassador's tick. pending() is one atomic read so that an
// empty tick costs next to nothing. Usable by any transport.
#ifndef VOLAX_RTI_CALLBACKQUEUE_H
#define VOLAX_RTI_CALLBACKQUEUE_H

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <mutex>

#include "Executive.h"
#include "Message.h"

namespace volax {
namespace rti {

class CallbackQueue : public FederateEndpoint {
public:
    void deliver(Message&& callback) override;

    bool pending() const { return count_.load(std::memory_order_acquire) != 0; }
    std::size_t size() const { return count_.load(std::memory_order_acquire); }
    bool pop(Message& out);
    // Waits up to `seconds` for a callback; true when one is queued.
    bool wait(double seconds);
    void clear();

private:
    mutable std::mutex mutex_;
    std::condition_variable ready_;
    std::deque<Message> queue_;
    std::atomic<std::size_t> count_{0};
};

}  // namespace rti
}  // namespace volax

#endif
