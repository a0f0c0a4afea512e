// The RTI executive served over TCP: one thread, poll(2) over the listening
// socket and every federate connection. Each connection is one federate; its
// requests are handled in arrival order, replies and callbacks are written
// through a per-connection send buffer that never blocks the loop.
//
// Memory per connection is bounded whatever a client sends: every byte queued
// for it (replies, callbacks, a FED text coming in pieces) counts against
// `maxQueuedBytes`. A client whose output is backed up is not read until it
// drains; a receiver that lags keeps only the newest best-effort value of each
// attribute, and while one cannot take reliable traffic the senders of its
// federation are not read. Only a receiver that takes nothing for
// `stallSeconds` is dropped, with one log line naming it. Before it joins a
// connection may send only small frames and must join within `joinDeadline`.
//
// A dropped federate that was joined is resigned with action 3, so the others
// see its instances removed.
#ifndef VOLAX_RTI_NET_RTISERVER_H
#define VOLAX_RTI_NET_RTISERVER_H

#include <csignal>
#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "Executive.h"
#include "PrintfFormat.h"
#include "Socket.h"
#include "Tls.h"

namespace volax {
namespace rti {
namespace net {

constexpr std::size_t kMaxFedTextBytes = 16u << 20;

struct ServerOptions {
    std::size_t maxQueuedBytes = 64u << 20;
    std::size_t maxConnections = 256;
    std::size_t maxObjects = 100000;  // per federate
    double joinDeadline = 10.0;
    double stallSeconds = 4.0;  // under a federate's 5 s timeout, so held-back senders do not fail
    std::string key;            // empty: no key asked for
    std::shared_ptr<TlsConfig> tls;  // null: plain TCP only (TLS needs a key)
    bool tlsOnly = false;            // refuse clients that do not start TLS
    bool verbose = false;       // also log connections that never join
};

// Clients' names and texts as they may appear in a log line: printable ASCII,
// everything else as \xNN, at most `limit` bytes shown.
std::string logSafe(const std::string& text, std::size_t limit = 200);

class RtiServer {
public:
    RtiServer(Fd listening, ServerOptions options, std::FILE* log);
    ~RtiServer();
    RtiServer(const RtiServer&) = delete;
    RtiServer& operator=(const RtiServer&) = delete;

    // Serves until *stop becomes non-zero (true) or waiting fails (false).
    // `waitMask` is the signal mask in force while the loop waits, so that a
    // SIGTERM blocked elsewhere can interrupt the wait. Whenever *status is
    // non-zero, one line per federation is logged and it is reset.
    bool run(const volatile std::sig_atomic_t* stop, const sigset_t* waitMask,
             volatile std::sig_atomic_t* status = nullptr);

    std::size_t connectionCount() const;
    void logStatus();

private:
    struct Client;
    struct Gate {
        int members = 0;
        int full = 0;  // members that cannot take more reliable traffic
    };
    // Events of one kind from many connections: one log line a second at most.
    struct Tally {
        double last = -1e9;
        unsigned long unlogged = 0;
    };

    void acceptAll(double now);
    bool canRead(const Client& c) const;
    void readFrom(Client& c);
    bool dispatchBuffered(Client& c);
    void dispatch(Client& c, Message& request);
    void refuseKey(Client& c, const Message& request, const char* why, const char* answer);
    bool startTls(Client& c);
    void tlsFailed(Client& c);
    void enterFederation(Client& c);
    void leaveFederation(Client& c);
    void checkDeadlines(double now);
    void closeDoomed();
    void flushAll();
    void log(const char* fmt, ...) VOLAX_PRINTF_FORMAT(2, 3);
    void clientLog(Client& c, const char* fmt, ...) VOLAX_PRINTF_FORMAT(3, 4);
    bool count(Tally& t, double now);
    std::string describe(const Client& c) const;

    Fd listen_;
    ServerOptions options_;
    std::FILE* log_;
    Executive exec_;
    std::vector<std::unique_ptr<Client>> clients_;
    std::map<std::string, Gate> gates_;
    double acceptPausedUntil_ = 0;
    double lastTrim_ = 0;
    bool freed_ = false;
    unsigned long nextClientId_ = 1;
    Tally refusedFull_, acceptFailed_, refusedKey_, joinTimeouts_, tlsFailed_;
};

}  // namespace net
}  // namespace rti
}  // namespace volax

#endif
