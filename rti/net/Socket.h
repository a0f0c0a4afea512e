// Small POSIX socket helpers shared by the TCP client transport and the RTI server.
#ifndef VOLAX_RTI_NET_SOCKET_H
#define VOLAX_RTI_NET_SOCKET_H

#include <csignal>
#include <cstddef>
#include <cstdint>
#include <poll.h>
#include <string>

namespace volax {
namespace rti {
namespace net {

constexpr std::uint16_t kDefaultPort = 18650;

enum class IoStatus { Data, WouldBlock, Closed, Error };

struct HostPort {
    std::string host;
    std::uint16_t port = 0;
    std::string str() const;  // "host:port", IPv6 hosts in brackets
};

// Parses "HOST:PORT", "[V6ADDR]:PORT", ":PORT" (loopback) or "HOST" (default port).
// Throws std::invalid_argument naming the problem.
HostPort parseHostPort(const std::string& text, bool portRequired);

// Owns a file descriptor; closes it when destroyed.
class Fd {
public:
    Fd() = default;
    explicit Fd(int fd) : fd_(fd) {}
    ~Fd() { reset(); }
    Fd(Fd&& o) noexcept : fd_(o.release()) {}
    Fd& operator=(Fd&& o) noexcept {
        if (this != &o) reset(o.release());
        return *this;
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;

    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    int release() {
        int f = fd_;
        fd_ = -1;
        return f;
    }
    void reset(int fd = -1);

private:
    int fd_ = -1;
};

// Non-blocking TCP connect with TCP_NODELAY, bounded by timeoutSeconds.
// Returns an invalid Fd and fills `error` on failure.
Fd connectTcp(const HostPort& where, double timeoutSeconds, std::string& error);

// Non-blocking listening socket (SO_REUSEADDR). Invalid Fd + `error` on failure.
Fd listenTcp(const HostPort& where, std::string& error);

// The port a bound socket actually got (useful after binding port 0).
std::uint16_t boundPort(int fd);
// Whether a bound socket listens on a loopback address only.
bool boundToLoopback(int fd);

bool setNonBlocking(int fd);
// TCP_NODELAY (small updates go out at once) and keepalive probes, so that a
// peer that vanished without a FIN (host down, cable cut) is noticed within
// about half a minute even on an idle connection.
void tuneConnection(int fd);

// Every other socket call of the transport goes through these, so that another
// platform's sockets are one file's concern.

// One non-blocking receive: Data (`got` > 0), Closed, WouldBlock, or Error
// with `err` = errno.
IoStatus receiveSome(int fd, void* buf, std::size_t room, std::size_t& got, int& err);
// One non-blocking send that never raises SIGPIPE: Data (`sent` > 0),
// WouldBlock, or Error with `err` = errno.
IoStatus sendSome(int fd, const void* data, std::size_t size, std::size_t& sent, int& err);
// One waiting connection, non-blocking and close-on-exec; -1 with `err`
// (EAGAIN when none waits).
int acceptConnection(int listenFd, int& err);
// "HOST:PORT" of the peer, "?" when unknown.
std::string peerAddress(int fd);
// Waits for `fds` at most `seconds` (negative: no limit) with `mask` in force
// meanwhile (null: unchanged). poll(2)'s result; -1 with errno.
int pollSockets(pollfd* fds, std::size_t n, double seconds, const sigset_t* mask);

// Seconds from a monotonic clock.
double monotonicSeconds();

}  // namespace net
}  // namespace rti
}  // namespace volax

#endif
