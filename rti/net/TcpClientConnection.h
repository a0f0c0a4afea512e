// The federate side of the TCP transport: one socket to a volax-rtiexec server.
//
// No thread of its own. Everything is read inside the ambassador's calls:
// pending()/next()/waitForCallbacks() read what has arrived without blocking
// (waitForCallbacks waits in poll(2) up to its limit), decode complete frames and
// queue the callbacks; call() waits for its reply at most `timeout` seconds and
// queues callbacks that arrive meanwhile. Writes go through a send buffer and
// are flushed at the end of each call; a full socket is waited on for at most
// `timeout` seconds.
//
// Faults: a closed, reset or garbled connection, or a server that does not
// answer in time, closes the socket. While joined, every later call (tick
// included, once callbacks received before the loss are delivered) raises
// RTI::RTIinternalError "connection to RTI server HOST:PORT lost (why)"; a resign in
// that state raises it too but leaves the connection not joined, and the next
// request connects afresh.
#ifndef VOLAX_RTI_NET_TCPCLIENTCONNECTION_H
#define VOLAX_RTI_NET_TCPCLIENTCONNECTION_H

#include <deque>
#include <string>

#include "Connection.h"
#include "Frame.h"
#include "Socket.h"
#include "Tls.h"

namespace volax {
namespace rti {
namespace net {

constexpr double kDefaultTimeoutSeconds = 5.0;

// VOLAX_RTI_TIMEOUT in seconds, or the default when unset or empty. Throws
// RTI::RTIinternalError for anything but a positive number.
double timeoutFromEnvironment();

// The RTI service a request stands for ("joinFederationExecution"), for errors.
const char* serviceName(MessageKind kind);

class TcpClientConnection final : public Connection {
public:
    // Connects at once; throws RTI::RTIinternalError when that fails. With a
    // `key`, it answers the server's challenge before anything else; with
    // `tls`, it first starts TLS and checks the server's certificate.
    TcpClientConnection(const HostPort& server, double timeoutSeconds, std::string key = std::string(),
                        std::shared_ptr<TlsConfig> tls = nullptr);
    ~TcpClientConnection() override;

    Message call(const Message& request) override;
    void post(const Message& request) override;
    bool pending() const override;
    bool waitForCallbacks(double seconds) override;
    Message* next() override;
    void discardCallbacks() override;

    bool connected() const { return fd_.valid(); }
    bool joined() const { return joined_; }

private:
    void connect();
    Message readHello(double deadline);
    void startTls(double deadline);
    Stream& stream() { return tls_ ? static_cast<Stream&>(*tls_) : Stream::plain(); }
    void ensureConnected(MessageKind kind);
    void dropConnection(const std::string& why);
    void forgetFederation();
    [[noreturn]] void throwLost() const;
    [[noreturn]] void throwTimeout(MessageKind kind, const char* what);

    // Reads everything the socket holds now and queues decoded callbacks. A reply
    // whose serial is `wantSerial` (non-zero) is stored in `reply` and the
    // function returns true. Drops the connection on EOF, error or bad data.
    bool drain(std::uint32_t wantSerial, Message* reply);
    bool decodeFrames(std::uint32_t wantSerial, Message* reply);
    void flushOrWait(MessageKind kind, std::size_t allowedBacklog);

    HostPort server_;
    std::string serverText_;
    double timeout_;
    std::string key_;
    std::shared_ptr<TlsConfig> tlsConfig_;
    std::unique_ptr<TlsStream> tls_;
    Fd fd_;
    RecvBuffer in_;
    SendBuffer out_;
    std::deque<Message> queue_;
    Message current_;  // the callback next() handed out last
    std::uint32_t nextSerial_ = 1;
    bool joined_ = false;
    std::string lossReason_;
};

}  // namespace net
}  // namespace rti
}  // namespace volax

#endif
