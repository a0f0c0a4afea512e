#include "CallbackQueue.h"

#include <chrono>
#include <utility>

namespace volax {
namespace rti {

namespace {

// Callbacks' room kept between batches; a burst beyond it is given back.
constexpr std::size_t kKeptRoom = 4096;

void recycle(std::vector<Message>& batch) {
    if (batch.capacity() > kKeptRoom && batch.size() < batch.capacity() / 4)
        std::vector<Message>().swap(batch);
    else
        batch.clear();
}

}  // namespace

void CallbackQueue::deliver(Message&& callback) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        incoming_.push_back(std::move(callback));
        incomingCount_.store(incoming_.size(), std::memory_order_release);
    }
    ready_.notify_all();
}

Message* CallbackQueue::next() {
    // The callback handed out last is done with: its values are freed now,
    // while still in the cache, not when the next batch comes.
    if (next_ != 0) std::vector<HandleValue>().swap(taken_[next_ - 1].values);
    if (left_ == 0) {
        if (incomingCount_.load(std::memory_order_acquire) == 0) return nullptr;
        // The last batch is done: its storage becomes the producers' next one.
        recycle(taken_);
        next_ = 0;
        std::lock_guard<std::mutex> lock(mutex_);
        taken_.swap(incoming_);
        incomingCount_.store(0, std::memory_order_release);
        left_ = taken_.size();
        if (left_ == 0) return nullptr;
    }
    --left_;
    return &taken_[next_++];
}

bool CallbackQueue::wait(double seconds) {
    if (pending()) return true;
    if (!(seconds > 0)) return false;  // also refuses NaN
    // Longer than any sensible tick; keeps the duration arithmetic in range.
    if (seconds > 1e6) seconds = 1e6;
    std::unique_lock<std::mutex> lock(mutex_);
    return ready_.wait_for(lock, std::chrono::duration<double>(seconds), [this] { return !incoming_.empty(); });
}

void CallbackQueue::clear() {
    taken_.clear();
    next_ = 0;
    left_ = 0;
    std::lock_guard<std::mutex> lock(mutex_);
    incoming_.clear();
    incomingCount_.store(0, std::memory_order_release);
}

}  // namespace rti
}  // namespace volax
