#include "Socket.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <stdexcept>
#include <sys/socket.h>
#include <time.h>
#include <unistd.h>

namespace volax {
namespace rti {
namespace net {

std::string HostPort::str() const {
    if (host.find(':') != std::string::npos) return "[" + host + "]:" + std::to_string(port);
    return host + ":" + std::to_string(port);
}

HostPort parseHostPort(const std::string& text, bool portRequired) {
    HostPort hp;
    std::string portText;
    if (text.empty()) throw std::invalid_argument("empty address");
    if (text[0] == '[') {
        size_t close = text.find(']');
        if (close == std::string::npos) throw std::invalid_argument("missing ']' in \"" + text + "\"");
        hp.host = text.substr(1, close - 1);
        if (close + 1 < text.size()) {
            if (text[close + 1] != ':') throw std::invalid_argument("expected ':' after ']' in \"" + text + "\"");
            portText = text.substr(close + 2);
            if (portText.empty()) throw std::invalid_argument("missing port in \"" + text + "\"");
        }
    } else {
        size_t colon = text.rfind(':');
        if (colon != std::string::npos && text.find(':') != colon)
            throw std::invalid_argument("IPv6 addresses need brackets: \"" + text + "\"");
        if (colon == std::string::npos) {
            hp.host = text;
        } else {
            hp.host = text.substr(0, colon);
            portText = text.substr(colon + 1);
            if (portText.empty()) throw std::invalid_argument("missing port in \"" + text + "\"");
        }
    }
    if (hp.host.empty()) hp.host = "127.0.0.1";
    if (portText.empty()) {
        if (portRequired) throw std::invalid_argument("missing port in \"" + text + "\" (expected HOST:PORT)");
        hp.port = kDefaultPort;
        return hp;
    }
    unsigned long value = 0;
    for (char c : portText) {
        if (c < '0' || c > '9') throw std::invalid_argument("bad port \"" + portText + "\"");
        value = value * 10 + static_cast<unsigned long>(c - '0');
        if (value > 65535) throw std::invalid_argument("port out of range \"" + portText + "\"");
    }
    hp.port = static_cast<std::uint16_t>(value);
    return hp;
}

void Fd::reset(int fd) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = fd;
}

bool setNonBlocking(int fd) {
    int flags = ::fcntl(fd, F_GETFL, 0);
    return flags >= 0 && ::fcntl(fd, F_SETFL, flags | O_NONBLOCK) == 0;
}

void tuneConnection(int fd) {
    int one = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    ::setsockopt(fd, SOL_SOCKET, SO_KEEPALIVE, &one, sizeof one);
    int idle = 10, interval = 5, count = 3;
    ::setsockopt(fd, IPPROTO_TCP, TCP_KEEPIDLE, &idle, sizeof idle);
    ::setsockopt(fd, IPPROTO_TCP, TCP_KEEPINTVL, &interval, sizeof interval);
    ::setsockopt(fd, IPPROTO_TCP, TCP_KEEPCNT, &count, sizeof count);
}

double monotonicSeconds() {
    timespec ts;
    ::clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

IoStatus receiveSome(int fd, void* buf, std::size_t room, std::size_t& got, int& err) {
    for (;;) {
        ssize_t n = ::recv(fd, buf, room, MSG_DONTWAIT);
        if (n > 0) {
            got = static_cast<std::size_t>(n);
            return IoStatus::Data;
        }
        if (n == 0) return IoStatus::Closed;
        if (errno == EINTR) continue;
        if (errno == EAGAIN || errno == EWOULDBLOCK) return IoStatus::WouldBlock;
        err = errno;
        return IoStatus::Error;
    }
}

IoStatus sendSome(int fd, const void* data, std::size_t size, std::size_t& sent, int& err) {
    for (;;) {
        ssize_t n = ::send(fd, data, size, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n > 0) {
            sent = static_cast<std::size_t>(n);
            return IoStatus::Data;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return IoStatus::WouldBlock;
        err = n < 0 ? errno : EPIPE;
        return IoStatus::Error;
    }
}

int acceptConnection(int listenFd, int& err) {
    for (;;) {
        int fd = ::accept4(listenFd, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd >= 0) return fd;
        if (errno == EINTR || errno == ECONNABORTED) continue;
        err = errno == EWOULDBLOCK ? EAGAIN : errno;
        return -1;
    }
}

std::string peerAddress(int fd) {
    sockaddr_storage ss{};
    socklen_t len = sizeof ss;
    if (::getpeername(fd, reinterpret_cast<sockaddr*>(&ss), &len) != 0) return "?";
    char host[INET6_ADDRSTRLEN] = "?";
    if (ss.ss_family == AF_INET) {
        auto* a = reinterpret_cast<sockaddr_in*>(&ss);
        ::inet_ntop(AF_INET, &a->sin_addr, host, sizeof host);
        return std::string(host) + ":" + std::to_string(ntohs(a->sin_port));
    }
    if (ss.ss_family == AF_INET6) {
        auto* a = reinterpret_cast<sockaddr_in6*>(&ss);
        ::inet_ntop(AF_INET6, &a->sin6_addr, host, sizeof host);
        return "[" + std::string(host) + "]:" + std::to_string(ntohs(a->sin6_port));
    }
    return "?";
}

int pollSockets(pollfd* fds, std::size_t n, double seconds, const sigset_t* mask) {
    if (seconds < 0) return ::ppoll(fds, n, nullptr, mask);
    timespec ts;
    ts.tv_sec = static_cast<time_t>(seconds);
    ts.tv_nsec = static_cast<long>((seconds - static_cast<double>(ts.tv_sec)) * 1e9);
    if (ts.tv_nsec >= 1000000000L) ts.tv_nsec = 999999999L;
    return ::ppoll(fds, n, &ts, mask);
}

namespace {

struct AddrList {
    addrinfo* head = nullptr;
    ~AddrList() {
        if (head) ::freeaddrinfo(head);
    }
};

bool resolve(const HostPort& where, bool passive, AddrList& out, std::string& error) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = passive ? AI_PASSIVE : 0;
    std::string port = std::to_string(where.port);
    int rc = ::getaddrinfo(where.host.c_str(), port.c_str(), &hints, &out.head);
    if (rc != 0) {
        error = "cannot resolve " + where.host + ": " + ::gai_strerror(rc);
        return false;
    }
    return true;
}

}  // namespace

Fd connectTcp(const HostPort& where, double timeoutSeconds, std::string& error) {
    AddrList addrs;
    if (!resolve(where, false, addrs, error)) return Fd();
    error = "no address for " + where.host;
    for (addrinfo* ai = addrs.head; ai; ai = ai->ai_next) {
        Fd fd(::socket(ai->ai_family, ai->ai_socktype | SOCK_CLOEXEC | SOCK_NONBLOCK, ai->ai_protocol));
        if (!fd.valid()) {
            error = std::string("socket: ") + std::strerror(errno);
            continue;
        }
        int rc = ::connect(fd.get(), ai->ai_addr, ai->ai_addrlen);
        if (rc != 0 && errno == EINPROGRESS) {
            double deadline = monotonicSeconds() + timeoutSeconds;
            for (;;) {
                pollfd p{fd.get(), POLLOUT, 0};
                double left = deadline - monotonicSeconds();
                int ms = left > 0 ? static_cast<int>(left * 1000.0) + 1 : 0;
                int n = ::poll(&p, 1, ms);
                if (n < 0 && errno == EINTR) continue;
                if (n == 0) {
                    errno = ETIMEDOUT;
                    rc = -1;
                    break;
                }
                int soerr = 0;
                socklen_t len = sizeof soerr;
                ::getsockopt(fd.get(), SOL_SOCKET, SO_ERROR, &soerr, &len);
                errno = soerr;
                rc = soerr == 0 ? 0 : -1;
                break;
            }
        }
        if (rc != 0) {
            error = "cannot connect to " + where.str() + ": " + std::strerror(errno);
            continue;
        }
        tuneConnection(fd.get());
        error.clear();
        return fd;
    }
    return Fd();
}

Fd listenTcp(const HostPort& where, std::string& error) {
    AddrList addrs;
    if (!resolve(where, true, addrs, error)) return Fd();
    error = "no address for " + where.host;
    for (addrinfo* ai = addrs.head; ai; ai = ai->ai_next) {
        Fd fd(::socket(ai->ai_family, ai->ai_socktype | SOCK_CLOEXEC | SOCK_NONBLOCK, ai->ai_protocol));
        if (!fd.valid()) {
            error = std::string("socket: ") + std::strerror(errno);
            continue;
        }
        int one = 1;
        ::setsockopt(fd.get(), SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
        if (::bind(fd.get(), ai->ai_addr, ai->ai_addrlen) != 0) {
            error = "cannot bind " + where.str() + ": " + std::strerror(errno);
            continue;
        }
        if (::listen(fd.get(), 128) != 0) {
            error = "cannot listen on " + where.str() + ": " + std::strerror(errno);
            continue;
        }
        error.clear();
        return fd;
    }
    return Fd();
}

std::uint16_t boundPort(int fd) {
    sockaddr_storage ss{};
    socklen_t len = sizeof ss;
    if (::getsockname(fd, reinterpret_cast<sockaddr*>(&ss), &len) != 0) return 0;
    if (ss.ss_family == AF_INET) return ntohs(reinterpret_cast<sockaddr_in*>(&ss)->sin_port);
    if (ss.ss_family == AF_INET6) return ntohs(reinterpret_cast<sockaddr_in6*>(&ss)->sin6_port);
    return 0;
}

bool boundToLoopback(int fd) {
    sockaddr_storage ss{};
    socklen_t len = sizeof ss;
    if (::getsockname(fd, reinterpret_cast<sockaddr*>(&ss), &len) != 0) return false;
    if (ss.ss_family == AF_INET)
        return (ntohl(reinterpret_cast<sockaddr_in*>(&ss)->sin_addr.s_addr) >> 24) == 127;
    if (ss.ss_family == AF_INET6) {
        const in6_addr& a = reinterpret_cast<sockaddr_in6*>(&ss)->sin6_addr;
        if (IN6_IS_ADDR_LOOPBACK(&a)) return true;
        return IN6_IS_ADDR_V4MAPPED(&a) && a.s6_addr[12] == 127;
    }
    return false;
}

}  // namespace net
}  // namespace rti
}  // namespace volax
