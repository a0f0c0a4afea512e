#include "InProcessConnection.h"

#include <mutex>

namespace volax {
namespace rti {

namespace {

struct SharedExecutive {
    std::mutex mutex;
    Executive executive;
};

// One per process, never destroyed: ambassadors in static objects may still
// resign while the process exits.
SharedExecutive& shared() {
    static SharedExecutive* instance = new SharedExecutive;
    return *instance;
}

}  // namespace

InProcessConnection::InProcessConnection() { shared(); }

InProcessConnection::~InProcessConnection() {
    SharedExecutive& s = shared();
    std::lock_guard<std::mutex> lock(s.mutex);
    s.executive.disconnect(queue_);
}

Message InProcessConnection::call(const Message& request) {
    SharedExecutive& s = shared();
    std::lock_guard<std::mutex> lock(s.mutex);
    return s.executive.handle(queue_, request);
}

void InProcessConnection::post(const Message& request) { (void)call(request); }

}  // namespace rti
}  // namespace volax
