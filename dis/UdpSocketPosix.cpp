#include "UdpSocket.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/uio.h>
#include <unistd.h>

namespace dis {
namespace udp {

namespace {

sockaddr_in endpoint(uint32_t address, uint16_t port) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(address);
    a.sin_port = htons(port);
    return a;
}

bool fail(std::string& error, const char* what) {
    error = std::string(what) + ": " + std::strerror(errno);
    return false;
}

}  // namespace

Socket open(uint16_t port, std::string& error) {
    const int s = ::socket(AF_INET, SOCK_DGRAM, 0);
    if (s < 0) {
        fail(error, "socket");
        return kNoSocket;
    }
    const int on = 1;
    // A burst of a busy exercise waits in the kernel until the next frame.
    const int buffer = 4 << 20;
    ::setsockopt(s, SOL_SOCKET, SO_RCVBUF, &buffer, sizeof buffer);
    sockaddr_in any = endpoint(INADDR_ANY, port);
    const int flags = ::fcntl(s, F_GETFL, 0);
    if (::setsockopt(s, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on) != 0 ||
        ::fcntl(s, F_SETFL, flags | O_NONBLOCK) != 0 ||
        ::bind(s, reinterpret_cast<sockaddr*>(&any), sizeof any) != 0) {
        fail(error, "bind");
        ::close(s);
        return kNoSocket;
    }
    return s;
}

void close(Socket s) {
    if (s != kNoSocket) ::close(static_cast<int>(s));
}

bool joinGroup(Socket s, uint32_t group, uint32_t interfaceAddress, std::string& error) {
    ip_mreq request{};
    request.imr_multiaddr.s_addr = htonl(group);
    request.imr_interface.s_addr = htonl(interfaceAddress);
    const int fd = static_cast<int>(s);
    if (::setsockopt(fd, IPPROTO_IP, IP_ADD_MEMBERSHIP, &request, sizeof request) != 0)
        return fail(error, "joining the multicast group");
    in_addr out{};
    out.s_addr = htonl(interfaceAddress);
    if (interfaceAddress != 0 && ::setsockopt(fd, IPPROTO_IP, IP_MULTICAST_IF, &out, sizeof out) != 0)
        return fail(error, "choosing the multicast interface");
    const unsigned char loop = 1;
    if (::setsockopt(fd, IPPROTO_IP, IP_MULTICAST_LOOP, &loop, sizeof loop) != 0)
        return fail(error, "multicast loop");
    return true;
}

bool isBroadcastAddress(uint32_t address, uint16_t port) {
    // Linux refuses to connect a socket without the flag to a broadcast address.
    const int probe = ::socket(AF_INET, SOCK_DGRAM, 0);
    if (probe < 0) return false;
    sockaddr_in to = endpoint(address, port);
    const bool refused = ::connect(probe, reinterpret_cast<sockaddr*>(&to), sizeof to) != 0 && errno == EACCES;
    ::close(probe);
    return refused;
}

bool enableBroadcast(Socket s, std::string& error) {
    const int on = 1;
    if (::setsockopt(static_cast<int>(s), SOL_SOCKET, SO_BROADCAST, &on, sizeof on) != 0)
        return fail(error, "enabling broadcast");
    return true;
}

long sendTo(Socket s, const void* data, std::size_t length, uint32_t address, uint16_t port) {
    sockaddr_in to = endpoint(address, port);
    return static_cast<long>(
        ::sendto(static_cast<int>(s), data, length, 0, reinterpret_cast<sockaddr*>(&to), sizeof to));
}

std::size_t receiveMany(Socket s, uint8_t* buffer, std::size_t capacity, std::size_t count, std::size_t* lengths) {
    // One system call for a frame's worth of datagrams, not one each.
    enum { kMost = 64 };
    mmsghdr messages[kMost];
    iovec parts[kMost];
    if (count > kMost) count = kMost;
    for (std::size_t i = 0; i < count; ++i) {
        parts[i].iov_base = buffer + i * capacity;
        parts[i].iov_len = capacity;
        messages[i] = mmsghdr{};
        messages[i].msg_hdr.msg_iov = &parts[i];
        messages[i].msg_hdr.msg_iovlen = 1;
    }
    const int got = ::recvmmsg(static_cast<int>(s), messages, static_cast<unsigned>(count), MSG_DONTWAIT, nullptr);
    if (got <= 0) return 0;
    for (int i = 0; i < got; ++i)
        lengths[i] = (messages[i].msg_hdr.msg_flags & MSG_TRUNC) ? 0 : messages[i].msg_len;
    return static_cast<std::size_t>(got);
}

bool parseAddress(const std::string& text, uint32_t& address) {
    in_addr a{};
    if (::inet_pton(AF_INET, text.c_str(), &a) != 1) return false;
    address = ntohl(a.s_addr);
    return true;
}

}  // namespace udp
}  // namespace dis
