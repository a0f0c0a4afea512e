// The default transport: every ambassador of the process talks to one shared
// Executive, serialised by one mutex; callbacks land directly in the calling
// federate's queue.
#ifndef VOLAX_RTI_INPROCESSCONNECTION_H
#define VOLAX_RTI_INPROCESSCONNECTION_H

#include "CallbackQueue.h"
#include "Connection.h"
#include "Executive.h"

namespace volax {
namespace rti {

class InProcessConnection : public Connection {
public:
    InProcessConnection();
    // Leaving without resigning counts as resigning with action 3.
    ~InProcessConnection() override;

    Message call(const Message& request) override;
    void post(const Message& request) override;
    bool pending() const override { return queue_.pending(); }
    bool waitForCallbacks(double seconds) override { return queue_.wait(seconds); }
    Message* next() override { return queue_.next(); }
    void discardCallbacks() override { queue_.clear(); }

private:
    CallbackQueue queue_;
};

}  // namespace rti
}  // namespace volax

#endif
