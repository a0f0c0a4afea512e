// Federate-side transport: how an ambassador reaches the executive.
//
// An RTIambassador owns exactly one Connection, made when it first needs one
// (see makeConnection). The Connection carries requests to the executive and
// brings back replies and the callbacks meant for this federate; it never sees
// an API class, the ambassador never sees how the bytes travel.
//
// Threading: one thread at a time calls call/post/next/close (the ambassador's
// caller). A transport may fill its callback queue from any thread, so
// pending() and waitForCallbacks() must be safe against that.
#ifndef VOLAX_RTI_CONNECTION_H
#define VOLAX_RTI_CONNECTION_H

#include <memory>
#include <string>
#include <utility>

#include "Message.h"

namespace volax {
namespace rti {

class Connection {
public:
    virtual ~Connection() = default;

    // Request-reply. Returns the executive's reply: kind Reply on success or
    // Error (handle = ErrorCode, text = reason). Callbacks the request caused for
    // this federate are already queued when it returns. Throws
    // RTI::RTIinternalError when the transport fails or times out.
    virtual Message call(const Message& request) = 0;

    // One-way (updates, interactions): the executive handles it in order with
    // every other request of this connection, and its reply is dropped. Use only
    // when the ambassador has already checked what could fail. Throws
    // RTI::RTIinternalError when the transport fails.
    virtual void post(const Message& request) = 0;

    // Cheap check (an atomic read, no lock) whether next() would return a
    // callback now. An empty RTI tick costs exactly this.
    virtual bool pending() const = 0;

    // Waits up to `seconds` (<= 0: no wait) until a callback is queued. True
    // when one is.
    virtual bool waitForCallbacks(double seconds) = 0;

    // The oldest queued callback, kept by the transport until the next call of
    // next() or discardCallbacks(); null when none is queued. The caller may
    // take its contents (tick delivers it in place, without a copy).
    virtual Message* next() = 0;

    // Takes the oldest queued callback. False when none is queued.
    bool poll(Message& callback) {
        Message* m = next();
        if (!m) return false;
        callback = std::move(*m);
        return true;
    }

    // Drops every queued callback (after a resign they are meaningless).
    virtual void discardCallbacks() = 0;
};

// The transport named by the environment variable VOLAX_RTI: unset, empty or
// "inprocess" gives the in-process executive; "HOST:PORT" a TCP connection to a
// volax-rtiexec server. Throws RTI::RTIinternalError when it cannot be made.
std::unique_ptr<Connection> makeConnection();

}  // namespace rti
}  // namespace volax

#endif
