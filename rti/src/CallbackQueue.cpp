#include "CallbackQueue.h"

#include <chrono>

namespace volax {
namespace rti {

void CallbackQueue::deliver(Message&& callback) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        queue_.push_back(std::move(callback));
        count_.store(queue_.size(), std::memory_order_release);
    }
    ready_.notify_all();
}

bool CallbackQueue::pop(Message& out) {
    if (!pending()) return false;
    std::lock_guard<std::mutex> lock(mutex_);
    if (queue_.empty()) return false;
    out = std::move(queue_.front());
    queue_.pop_front();
    count_.store(queue_.size(), std::memory_order_release);
    return true;
}

bool CallbackQueue::wait(double seconds) {
    if (pending()) return true;
    if (!(seconds > 0)) return false;  // also refuses NaN
    // Longer than any sensible tick; keeps the duration arithmetic in range.
    if (seconds > 1e6) seconds = 1e6;
    std::unique_lock<std::mutex> lock(mutex_);
    return ready_.wait_for(lock, std::chrono::duration<double>(seconds), [this] { return !queue_.empty(); });
}

void CallbackQueue::clear() {
    std::lock_guard<std::mutex> lock(mutex_);
    queue_.clear();
    count_.store(0, std::memory_order_release);
}

}  // namespace rti
}  // namespace volax
