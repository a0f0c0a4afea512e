// Where a DIS exercise is heard and spoken to: one UDP port, sending to one address.
//
// "ADDRESS[:PORT][@INTERFACE]" names it: a unicast, broadcast or multicast IPv4
// address, the port (3000 by default) and, for a multicast group, the local
// interface's address to join it on (the system's choice without one). The port is
// bound with address reuse on every local address; a multicast address joins the
// group (so applications of one machine share the port), a broadcast address enables
// broadcast, and nothing else does.
//
// Nothing blocks: receive hands over every datagram waiting, up to a bound per call
// so that a flood cannot stall the frame (the rest wait in the kernel's buffer).
#ifndef VOLAX_DIS_DISENDPOINT_H
#define VOLAX_DIS_DISENDPOINT_H

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "UdpSocket.h"

namespace dis {

constexpr uint16_t kDefaultPort = 3000;

struct DisAddress {
    uint32_t address = 0;
    uint16_t port = kDefaultPort;
    uint32_t interfaceAddress = 0;  // multicast only; 0: the system's choice
};

// False, with the reason in `error`, for text that is not ADDRESS[:PORT][@INTERFACE]
// (port 1 to 65535).
bool parseDisAddress(const std::string& text, DisAddress& out, std::string& error);
bool isMulticast(uint32_t address);

class DisEndpoint {
public:
    DisEndpoint() = default;
    ~DisEndpoint() { close(); }
    DisEndpoint(const DisEndpoint&) = delete;
    DisEndpoint& operator=(const DisEndpoint&) = delete;

    bool open(const DisAddress& where, std::string& error);
    void close();
    bool isOpen() const { return socket_ != udp::kNoSocket; }
    bool broadcasting() const { return broadcast_; }
    bool multicasting() const { return multicast_; }

    bool send(const uint8_t* data, std::size_t length);
    // Calls `handle` for each datagram waiting, at most `limit`; returns how many.
    // A datagram longer than a PDU may be is counted but not handed over.
    std::size_t receive(const std::function<void(const uint8_t*, std::size_t)>& handle, std::size_t limit);

private:
    enum : std::size_t { kBatch = 32 };  // datagrams a system call
    udp::Socket socket_ = udp::kNoSocket;
    DisAddress where_;
    bool broadcast_ = false;
    bool multicast_ = false;
    std::vector<uint8_t> buffer_;
};

}  // namespace dis

#endif
