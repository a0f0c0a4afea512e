// The RTI executive served over TCP: one thread, poll(2) over the listening
// socket and every federate connection. Each connection is one federate; its
// requests are handled in arrival order, replies and callbacks are written
// through a per-connection send buffer that never blocks the loop.
//
// A connection that sends a malformed frame, closes, or lets more than
// `maxQueuedBytes` of callbacks pile up unread is dropped with one log line; if
// its federate was joined, the executive resigns it with action 3 so the others
// see its instances removed.
#ifndef VOLAX_RTI_NET_RTISERVER_H
#define VOLAX_RTI_NET_RTISERVER_H

#include <csignal>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "Executive.h"
#include "Socket.h"

namespace volax {
namespace rti {
namespace net {

struct ServerOptions {
    std::size_t maxQueuedBytes = 64u << 20;
    bool verbose = false;  // also log connections that never join
};

class RtiServer {
public:
    RtiServer(Fd listening, ServerOptions options, std::FILE* log);
    ~RtiServer();
    RtiServer(const RtiServer&) = delete;
    RtiServer& operator=(const RtiServer&) = delete;

    // Serves until *stop becomes non-zero (true) or waiting fails (false).
    // `waitMask` is the signal mask in force while the loop waits, so that a
    // SIGTERM blocked elsewhere can interrupt the wait.
    bool run(const volatile std::sig_atomic_t* stop, const sigset_t* waitMask);

    std::size_t connectionCount() const;

private:
    struct Client;

    void acceptAll();
    void readFrom(Client& c);
    void dispatch(Client& c, const Message& request);
    void closeDoomed();
    void flushAll();
    void log(const char* fmt, ...) __attribute__((format(printf, 2, 3)));
    std::string describe(const Client& c) const;

    Fd listen_;
    ServerOptions options_;
    std::FILE* log_;
    Executive exec_;
    std::vector<std::unique_ptr<Client>> clients_;
    double acceptPausedUntil_ = 0;
    unsigned long nextClientId_ = 1;
};

}  // namespace net
}  // namespace rti
}  // namespace volax

#endif
