#include "DisEndpoint.h"

#include <cstdlib>

#include "DisPdu.h"

namespace dis {

bool isMulticast(uint32_t address) { return (address >> 28) == 0xE; }

bool parseDisAddress(const std::string& text, DisAddress& out, std::string& error) {
    std::string rest = text;
    DisAddress parsed;
    const std::size_t at = rest.find('@');
    if (at != std::string::npos) {
        if (!udp::parseAddress(rest.substr(at + 1), parsed.interfaceAddress)) {
            error = "interface \"" + rest.substr(at + 1) + "\" is no IPv4 address";
            return false;
        }
        rest.erase(at);
    }
    const std::size_t colon = rest.find(':');
    if (colon != std::string::npos) {
        const std::string port = rest.substr(colon + 1);
        char* end = nullptr;
        const long n = std::strtol(port.c_str(), &end, 10);
        if (port.empty() || *end != '\0' || n < 1 || n > 65535) {
            error = "port \"" + port + "\" is not 1 to 65535";
            return false;
        }
        parsed.port = static_cast<uint16_t>(n);
        rest.erase(colon);
    }
    if (!udp::parseAddress(rest, parsed.address) || parsed.address == 0) {
        error = "\"" + rest + "\" is no IPv4 address";
        return false;
    }
    out = parsed;
    return true;
}

bool DisEndpoint::open(const DisAddress& where, std::string& error) {
    close();
    socket_ = udp::open(where.port, error);
    if (socket_ == udp::kNoSocket) return false;
    where_ = where;
    multicast_ = isMulticast(where.address);
    broadcast_ = !multicast_ && udp::isBroadcastAddress(where.address, where.port);
    const bool ok = multicast_ ? udp::joinGroup(socket_, where.address, where.interfaceAddress, error)
                               : !broadcast_ || udp::enableBroadcast(socket_, error);
    if (!ok) close();
    buffer_.resize(MAX_PDU_SIZE * kBatch);
    return ok;
}

void DisEndpoint::close() {
    udp::close(socket_);
    socket_ = udp::kNoSocket;
    broadcast_ = multicast_ = false;
}

bool DisEndpoint::send(const uint8_t* data, std::size_t length) {
    if (!isOpen()) return false;
    return udp::sendTo(socket_, data, length, where_.address, where_.port) == static_cast<long>(length);
}

std::size_t DisEndpoint::receive(const std::function<void(const uint8_t*, std::size_t)>& handle,
                                 std::size_t limit) {
    std::size_t count = 0;
    std::size_t lengths[kBatch];
    while (isOpen() && count < limit) {
        const std::size_t want = limit - count < kBatch ? limit - count : kBatch;
        const std::size_t got = udp::receiveMany(socket_, buffer_.data(), MAX_PDU_SIZE, want, lengths);
        for (std::size_t i = 0; i < got; ++i) {
            // Longer than any PDU: no PDU, and a cut one must not pass for a whole one.
            if (lengths[i] != 0) handle(buffer_.data() + i * MAX_PDU_SIZE, lengths[i]);
        }
        count += got;
        if (got < want) break;  // nothing more waits
    }
    return count;
}

}  // namespace dis
