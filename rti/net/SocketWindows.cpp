// Winsock 2 behind the same calls as the POSIX socket file. Socket handles are
// kept in an int: Windows guarantees they fit in 32 bits for interop.
#include "Socket.h"

#include <winsock2.h>
#include <ws2tcpip.h>
#include <mstcpip.h>
#include <windows.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <string>

#include "WinsockReady.h"

namespace volax {
namespace rti {
namespace net {

namespace {

using volax::winsockReady;

SOCKET sock(int fd) { return static_cast<SOCKET>(static_cast<std::intptr_t>(fd)); }

// Callers report `err` through strerror, so Winsock's codes become errno values.
int toErrno(int wsa) {
    switch (wsa) {
    case WSAEWOULDBLOCK: return EAGAIN;
    case WSAEINTR: return EINTR;
    case WSAECONNRESET: return ECONNRESET;
    case WSAECONNABORTED: return ECONNABORTED;
    case WSAECONNREFUSED: return ECONNREFUSED;
    case WSAETIMEDOUT: return ETIMEDOUT;
    case WSAENOTCONN:
    case WSAESHUTDOWN: return EPIPE;
    case WSAEADDRINUSE: return EADDRINUSE;
    case WSAEHOSTUNREACH: return EHOSTUNREACH;
    case WSAENETUNREACH: return ENETUNREACH;
    default: return EIO;
    }
}

std::string describe(int wsa) {
    char text[256] = "";
    DWORD n = ::FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                               static_cast<DWORD>(wsa), 0, text, sizeof text, nullptr);
    while (n && (text[n - 1] == '\r' || text[n - 1] == '\n' || text[n - 1] == '.')) text[--n] = '\0';
    return n ? std::string(text) : "Winsock error " + std::to_string(wsa);
}

// Not inherited by child processes (the counterpart of close-on-exec).
int adopt(SOCKET s) {
    if (s == INVALID_SOCKET) return -1;
    ::SetHandleInformation(reinterpret_cast<HANDLE>(s), HANDLE_FLAG_INHERIT, 0);
    return static_cast<int>(s);
}

struct AddrList {
    addrinfo* head = nullptr;
    ~AddrList() {
        if (head) ::freeaddrinfo(head);
    }
};

bool resolve(const HostPort& where, bool passive, AddrList& out, std::string& error) {
    if (!winsockReady()) {
        error = "Winsock 2.2 is not available";
        return false;
    }
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = passive ? AI_PASSIVE : 0;
    std::string port = std::to_string(where.port);
    int rc = ::getaddrinfo(where.host.c_str(), port.c_str(), &hints, &out.head);
    if (rc != 0) {
        error = "cannot resolve " + where.host + ": " + describe(rc);
        return false;
    }
    return true;
}

bool localAddress(int fd, sockaddr_storage& ss) {
    int len = sizeof ss;
    return ::getsockname(sock(fd), reinterpret_cast<sockaddr*>(&ss), &len) == 0;
}

}  // namespace

void Fd::reset(int fd) {
    if (fd_ >= 0) ::closesocket(sock(fd_));
    fd_ = fd;
}

bool setNonBlocking(int fd) {
    u_long on = 1;
    return ::ioctlsocket(sock(fd), FIONBIO, &on) == 0;
}

void tuneConnection(int fd) {
    BOOL one = TRUE;
    ::setsockopt(sock(fd), IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&one), sizeof one);
    ::setsockopt(sock(fd), SOL_SOCKET, SO_KEEPALIVE, reinterpret_cast<const char*>(&one), sizeof one);
    // First probe after 10 s idle, then every 5 s (Windows sends 10 probes).
    tcp_keepalive ka{1, 10000, 5000};
    DWORD got = 0;
    ::WSAIoctl(sock(fd), SIO_KEEPALIVE_VALS, &ka, sizeof ka, nullptr, 0, &got, nullptr, nullptr);
}

double monotonicSeconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

IoStatus receiveSome(int fd, void* buf, std::size_t room, std::size_t& got, int& err) {
    int want = room > 0x40000000u ? 0x40000000 : static_cast<int>(room);
    for (;;) {
        int n = ::recv(sock(fd), static_cast<char*>(buf), want, 0);
        if (n > 0) {
            got = static_cast<std::size_t>(n);
            return IoStatus::Data;
        }
        if (n == 0) return IoStatus::Closed;
        int e = ::WSAGetLastError();
        if (e == WSAEINTR) continue;
        if (e == WSAEWOULDBLOCK) return IoStatus::WouldBlock;
        err = toErrno(e);
        return IoStatus::Error;
    }
}

// Windows never raises a signal for a closed peer: a plain send is enough.
IoStatus sendSome(int fd, const void* data, std::size_t size, std::size_t& sent, int& err) {
    int want = size > 0x40000000u ? 0x40000000 : static_cast<int>(size);
    for (;;) {
        int n = ::send(sock(fd), static_cast<const char*>(data), want, 0);
        if (n > 0) {
            sent = static_cast<std::size_t>(n);
            return IoStatus::Data;
        }
        int e = n < 0 ? ::WSAGetLastError() : WSAESHUTDOWN;
        if (e == WSAEINTR) continue;
        if (e == WSAEWOULDBLOCK) return IoStatus::WouldBlock;
        err = toErrno(e);
        return IoStatus::Error;
    }
}

int acceptConnection(int listenFd, int& err) {
    for (;;) {
        SOCKET s = ::accept(sock(listenFd), nullptr, nullptr);
        if (s != INVALID_SOCKET) {
            int fd = adopt(s);
            setNonBlocking(fd);
            return fd;
        }
        int e = ::WSAGetLastError();
        if (e == WSAEINTR || e == WSAECONNRESET) continue;
        err = toErrno(e);
        return -1;
    }
}

std::string peerAddress(int fd) {
    sockaddr_storage ss{};
    int len = sizeof ss;
    if (::getpeername(sock(fd), reinterpret_cast<sockaddr*>(&ss), &len) != 0) return "?";
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

// No signals to unmask on Windows: `mask` has nothing to do.
int pollSockets(PollEntry* fds, std::size_t n, double seconds, const sigset_t*) {
    int ms = seconds < 0 ? -1 : static_cast<int>(seconds * 1000.0 + 0.999);
    if (n == 0) {
        ::Sleep(ms < 0 ? INFINITE : static_cast<DWORD>(ms));
        return 0;
    }
    int rc = ::WSAPoll(fds, static_cast<ULONG>(n), ms);
    if (rc < 0) errno = toErrno(::WSAGetLastError());
    return rc;
}

Fd connectTcp(const HostPort& where, double timeoutSeconds, std::string& error) {
    AddrList addrs;
    if (!resolve(where, false, addrs, error)) return Fd();
    error = "no address for " + where.host;
    for (addrinfo* ai = addrs.head; ai; ai = ai->ai_next) {
        Fd fd(adopt(::socket(ai->ai_family, ai->ai_socktype, ai->ai_protocol)));
        if (!fd.valid() || !setNonBlocking(fd.get())) {
            error = "socket: " + describe(::WSAGetLastError());
            continue;
        }
        int wsa = 0;
        if (::connect(sock(fd.get()), ai->ai_addr, static_cast<int>(ai->ai_addrlen)) != 0) {
            wsa = ::WSAGetLastError();
            if (wsa == WSAEWOULDBLOCK) {
                // select, not WSAPoll: older WSAPoll never reports a refused connect.
                fd_set w, x;
                FD_ZERO(&w);
                FD_ZERO(&x);
                FD_SET(sock(fd.get()), &w);
                FD_SET(sock(fd.get()), &x);
                double t = timeoutSeconds > 0 ? timeoutSeconds : 0;
                timeval tv;
                tv.tv_sec = static_cast<long>(t);
                tv.tv_usec = static_cast<long>((t - static_cast<double>(tv.tv_sec)) * 1e6);
                int n = ::select(0, nullptr, &w, &x, &tv);
                if (n == 0) {
                    wsa = WSAETIMEDOUT;
                } else if (n < 0) {
                    wsa = ::WSAGetLastError();
                } else {
                    int soerr = 0;
                    int len = sizeof soerr;
                    ::getsockopt(sock(fd.get()), SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&soerr), &len);
                    wsa = FD_ISSET(sock(fd.get()), &x) && soerr == 0 ? WSAECONNREFUSED : soerr;
                }
            }
        }
        if (wsa != 0) {
            error = "cannot connect to " + where.str() + ": " + describe(wsa);
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
        Fd fd(adopt(::socket(ai->ai_family, ai->ai_socktype, ai->ai_protocol)));
        if (!fd.valid() || !setNonBlocking(fd.get())) {
            error = "socket: " + describe(::WSAGetLastError());
            continue;
        }
        // Windows' SO_REUSEADDR would let another program take the port over.
        BOOL one = TRUE;
        ::setsockopt(sock(fd.get()), SOL_SOCKET, SO_EXCLUSIVEADDRUSE, reinterpret_cast<const char*>(&one), sizeof one);
        if (::bind(sock(fd.get()), ai->ai_addr, static_cast<int>(ai->ai_addrlen)) != 0) {
            error = "cannot bind " + where.str() + ": " + describe(::WSAGetLastError());
            continue;
        }
        if (::listen(sock(fd.get()), 128) != 0) {
            error = "cannot listen on " + where.str() + ": " + describe(::WSAGetLastError());
            continue;
        }
        error.clear();
        return fd;
    }
    return Fd();
}

std::uint16_t boundPort(int fd) {
    sockaddr_storage ss{};
    if (!localAddress(fd, ss)) return 0;
    if (ss.ss_family == AF_INET) return ntohs(reinterpret_cast<sockaddr_in*>(&ss)->sin_port);
    if (ss.ss_family == AF_INET6) return ntohs(reinterpret_cast<sockaddr_in6*>(&ss)->sin6_port);
    return 0;
}

bool boundToLoopback(int fd) {
    sockaddr_storage ss{};
    if (!localAddress(fd, ss)) return false;
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
