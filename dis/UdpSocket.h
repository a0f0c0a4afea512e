// The operating system's UDP sockets, the one platform seam of dis/: one file per
// socket API implements it (UdpSocketPosix.cpp, UdpSocketWindows.cpp).
// IPv4 addresses and ports are in host byte order.
#ifndef VOLAX_DIS_UDPSOCKET_H
#define VOLAX_DIS_UDPSOCKET_H

#include <cstddef>
#include <cstdint>
#include <string>

namespace dis {
namespace udp {

typedef intptr_t Socket;
constexpr Socket kNoSocket = -1;

// A non-blocking UDP socket bound to `port` on every local address, with address
// reuse so that several applications of one machine share the port.
Socket open(uint16_t port, std::string& error);
void close(Socket s);
// Joins `group` on the interface with address `interfaceAddress` (0: the system's
// choice), sends multicast through that interface and hears its own sends.
bool joinGroup(Socket s, uint32_t group, uint32_t interfaceAddress, std::string& error);
// Whether the system takes `address` for a broadcast address (it refuses to send
// there without the broadcast flag).
bool isBroadcastAddress(uint32_t address, uint16_t port);
bool enableBroadcast(Socket s, std::string& error);
// Bytes sent, or -1.
long sendTo(Socket s, const void* data, std::size_t length, uint32_t address, uint16_t port);
// Up to `count` waiting datagrams in one call, the i-th into buffer + i * capacity:
// lengths[i] its bytes, 0 for one longer than `capacity` (not handed on). Returns how
// many were taken, 0 when none waits.
std::size_t receiveMany(Socket s, uint8_t* buffer, std::size_t capacity, std::size_t count, std::size_t* lengths);
// Dotted-quad text to an address; false for anything else.
bool parseAddress(const std::string& text, uint32_t& address);

}  // namespace udp
}  // namespace dis

#endif
