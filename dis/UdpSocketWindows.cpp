// Winsock 2 behind the calls of UdpSocket.h. Windows has no recvmmsg: the waiting
// datagrams are taken with recvfrom in a bounded loop.
#include "UdpSocket.h"

#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>

#include <string>

#include "WinsockReady.h"

namespace dis {
namespace udp {

namespace {

using volax::winsockReady;

SOCKET sock(Socket s) { return static_cast<SOCKET>(s); }

sockaddr_in endpoint(uint32_t address, uint16_t port) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(address);
    a.sin_port = htons(port);
    return a;
}

std::string describe(int wsa) {
    char text[256] = "";
    DWORD n = ::FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                               static_cast<DWORD>(wsa), 0, text, sizeof text, nullptr);
    while (n && (text[n - 1] == '\r' || text[n - 1] == '\n' || text[n - 1] == '.')) text[--n] = '\0';
    return n ? std::string(text) : "Winsock error " + std::to_string(wsa);
}

bool fail(std::string& error, const char* what) {
    error = std::string(what) + ": " + describe(::WSAGetLastError());
    return false;
}

bool setInt(SOCKET s, int level, int name, DWORD value) {
    return ::setsockopt(s, level, name, reinterpret_cast<const char*>(&value), sizeof value) == 0;
}

}  // namespace

Socket open(uint16_t port, std::string& error) {
    if (!winsockReady()) {
        error = "Winsock 2 is not available";
        return kNoSocket;
    }
    const SOCKET s = ::socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    if (s == INVALID_SOCKET) {
        fail(error, "socket");
        return kNoSocket;
    }
    // Not inherited by child processes (the counterpart of close-on-exec).
    ::SetHandleInformation(reinterpret_cast<HANDLE>(s), HANDLE_FLAG_INHERIT, 0);
    // A burst of a busy exercise waits in the kernel until the next frame.
    setInt(s, SOL_SOCKET, SO_RCVBUF, 4 << 20);
    sockaddr_in any = endpoint(INADDR_ANY, port);
    u_long nonBlocking = 1;
    if (!setInt(s, SOL_SOCKET, SO_REUSEADDR, 1) || ::ioctlsocket(s, FIONBIO, &nonBlocking) != 0 ||
        ::bind(s, reinterpret_cast<sockaddr*>(&any), sizeof any) != 0) {
        fail(error, "bind");
        ::closesocket(s);
        return kNoSocket;
    }
    return static_cast<Socket>(s);
}

void close(Socket s) {
    if (s != kNoSocket) ::closesocket(sock(s));
}

bool joinGroup(Socket s, uint32_t group, uint32_t interfaceAddress, std::string& error) {
    ip_mreq request{};
    request.imr_multiaddr.s_addr = htonl(group);
    request.imr_interface.s_addr = htonl(interfaceAddress);
    if (::setsockopt(sock(s), IPPROTO_IP, IP_ADD_MEMBERSHIP, reinterpret_cast<const char*>(&request),
                     sizeof request) != 0)
        return fail(error, "joining the multicast group");
    in_addr out{};
    out.s_addr = htonl(interfaceAddress);
    if (interfaceAddress != 0 && ::setsockopt(sock(s), IPPROTO_IP, IP_MULTICAST_IF,
                                              reinterpret_cast<const char*>(&out), sizeof out) != 0)
        return fail(error, "choosing the multicast interface");
    // Windows takes DWORDs for these; the hop limit is stated as Linux's default.
    if (!setInt(sock(s), IPPROTO_IP, IP_MULTICAST_LOOP, 1)) return fail(error, "multicast loop");
    if (!setInt(sock(s), IPPROTO_IP, IP_MULTICAST_TTL, 1)) return fail(error, "multicast hop limit");
    return true;
}

bool isBroadcastAddress(uint32_t address, uint16_t port) {
    // Winsock, like Linux, refuses to connect a socket without the flag to a
    // broadcast address (WSAEACCES).
    if (!winsockReady()) return false;
    const SOCKET probe = ::socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    if (probe == INVALID_SOCKET) return false;
    sockaddr_in to = endpoint(address, port);
    const bool refused = ::connect(probe, reinterpret_cast<sockaddr*>(&to), sizeof to) != 0 &&
                         ::WSAGetLastError() == WSAEACCES;
    ::closesocket(probe);
    return refused;
}

bool enableBroadcast(Socket s, std::string& error) {
    if (!setInt(sock(s), SOL_SOCKET, SO_BROADCAST, 1)) return fail(error, "enabling broadcast");
    return true;
}

long sendTo(Socket s, const void* data, std::size_t length, uint32_t address, uint16_t port) {
    sockaddr_in to = endpoint(address, port);
    return static_cast<long>(::sendto(sock(s), static_cast<const char*>(data), static_cast<int>(length), 0,
                                      reinterpret_cast<sockaddr*>(&to), sizeof to));
}

std::size_t receiveMany(Socket s, uint8_t* buffer, std::size_t capacity, std::size_t count, std::size_t* lengths) {
    enum { kMost = 64 };
    if (count > kMost) count = kMost;
    std::size_t got = 0;
    // Bounded: an error that consumes nothing must not keep the frame here.
    for (std::size_t tries = 0; got < count && tries < 2 * count; ++tries) {
        const int n = ::recvfrom(sock(s), reinterpret_cast<char*>(buffer + got * capacity),
                                 static_cast<int>(capacity), 0, nullptr, nullptr);
        if (n >= 0) {
            lengths[got++] = static_cast<std::size_t>(n);
            continue;
        }
        const int e = ::WSAGetLastError();
        // A longer datagram is dropped by Winsock after filling the buffer: not handed on.
        if (e == WSAEMSGSIZE) {
            lengths[got++] = 0;
            continue;
        }
        // An ICMP "port unreachable" from an earlier send surfaces here; the socket is fine.
        if (e == WSAECONNRESET) continue;
        break;  // WSAEWOULDBLOCK: none waits
    }
    return got;
}

bool parseAddress(const std::string& text, uint32_t& address) {
    if (!winsockReady()) return false;
    in_addr a{};
    if (::inet_pton(AF_INET, text.c_str(), &a) != 1) return false;
    address = ntohl(a.s_addr);
    return true;
}

}  // namespace udp
}  // namespace dis
