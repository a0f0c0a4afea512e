#include <RTIfaultInjection.hh>

#include <cstring>
#include <deque>
#include <mutex>
#include <string>
#include <utility>

#include "Faults.h"

namespace volax {
namespace rti {

std::atomic<int> gPendingFaults{0};

namespace {

struct Fault {
    std::string service;  // empty: any service
    std::exception_ptr error;
};

std::mutex& faultMutex() {
    static std::mutex* m = new std::mutex;
    return *m;
}

std::deque<Fault>& faults() {
    static std::deque<Fault>* q = new std::deque<Fault>;
    return *q;
}

}  // namespace

void raiseQueuedFault(const char* service) {
    std::exception_ptr error;
    {
        std::lock_guard<std::mutex> lock(faultMutex());
        auto& q = faults();
        for (auto it = q.begin(); it != q.end(); ++it) {
            if (it->service.empty() || (service != nullptr && it->service == service)) {
                error = it->error;
                q.erase(it);
                gPendingFaults.store(static_cast<int>(q.size()), std::memory_order_release);
                break;
            }
        }
    }
    if (error) std::rethrow_exception(error);
}

}  // namespace rti
}  // namespace volax

namespace rtitest {

void failNextCall(const char* service, std::exception_ptr error) {
    if (!error) return;
    std::lock_guard<std::mutex> lock(volax::rti::faultMutex());
    auto& q = volax::rti::faults();
    q.push_back(volax::rti::Fault{service ? std::string(service) : std::string(), std::move(error)});
    volax::rti::gPendingFaults.store(static_cast<int>(q.size()), std::memory_order_release);
}

void clearFaults() {
    std::lock_guard<std::mutex> lock(volax::rti::faultMutex());
    volax::rti::faults().clear();
    volax::rti::gPendingFaults.store(0, std::memory_order_release);
}

int pendingFaults() { return volax::rti::gPendingFaults.load(std::memory_order_acquire); }

}  // namespace rtitest
