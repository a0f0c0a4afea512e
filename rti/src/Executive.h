// The executive: every federation execution, its FOM, handles, instances,
// ownership, publications, subscriptions and routing. It works on decoded
// Messages only and never sees an API class or a socket.
//
// A transport hands it each request together with the FederateEndpoint it came
// from and sends the reply back; callbacks go to the endpoints they concern,
// from inside handle(). The executive has no threads and no lock of its own:
// the caller serialises every call (the in-process transport with one mutex,
// the server with its single thread).
//
// Use:
//   Executive exec;
//   Message reply = exec.handle(endpoint, request);   // request from `endpoint`
//   ...
//   exec.disconnect(endpoint);   // endpoint gone: resigned as with action 3
#ifndef VOLAX_RTI_EXECUTIVE_H
#define VOLAX_RTI_EXECUTIVE_H

#include <memory>
#include <string>
#include <vector>

#include "Message.h"

namespace volax {
namespace rti {

// Where the callbacks of one federate go: one per connected ambassador.
class FederateEndpoint {
public:
    virtual ~FederateEndpoint() = default;

    // Queues a callback for this federate. Called from inside
    // Executive::handle/disconnect; must not call back into the executive.
    virtual void deliver(Message&& callback) = 0;

    // A Reflect of best-effort attributes only: a receiver that lags behind may
    // keep just the newest value of each attribute of each instance.
    virtual void deliverLatest(Message&& reflect) { deliver(std::move(reflect)); }
};

struct FederationStatus {
    std::string name;
    std::size_t federates = 0;
    std::size_t objects = 0;
    std::size_t unowned = 0;  // left behind by a federate that resigned releasing them
};

class Executive {
public:
    Executive();
    ~Executive();
    Executive(const Executive&) = delete;
    Executive& operator=(const Executive&) = delete;

    // Handles one request from `from` and returns its reply: kind Reply on
    // success, Error (handle = ErrorCode, text = reason) on failure; `serial` is
    // copied from the request. Never throws.
    Message handle(FederateEndpoint& from, const Message& request);

    // `endpoint` is going away (ambassador destroyed, socket closed). If it is
    // joined, it is resigned with DELETE_OBJECTS_AND_RELEASE_ATTRIBUTES. After
    // this the executive holds no reference to it. Never throws.
    void disconnect(FederateEndpoint& endpoint);

    // Number of federation executions that exist (for tests and the server).
    std::size_t federationCount() const;

    // Instances one federate may own at a time (0: no limit); registering one
    // more fails with RTIinternalError.
    void setObjectQuota(std::size_t perFederate);

    std::vector<FederationStatus> status() const;

private:
    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace rti
}  // namespace volax

#endif
