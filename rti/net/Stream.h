// How the bytes of one connection cross its socket: as they are, or through
// TLS (Tls.h). The frame buffers and both ends of the transport read and write
// through this, so encryption is one object's concern.
#ifndef VOLAX_RTI_NET_STREAM_H
#define VOLAX_RTI_NET_STREAM_H

#include <cstring>
#include <string>

#include "Socket.h"  // poll events and the plain receive/send

namespace volax {
namespace rti {
namespace net {

class Stream {
public:
    virtual ~Stream() = default;
    // One non-blocking receive/send, as receiveSome/sendSome.
    virtual IoStatus receive(int fd, void* buf, std::size_t room, std::size_t& got, int& err) {
        return receiveSome(fd, buf, room, got, err);
    }
    virtual IoStatus send(int fd, const void* data, std::size_t size, std::size_t& sent, int& err) {
        return sendSome(fd, data, size, sent, err);
    }
    // Bytes already taken from the socket and readable without waiting on it.
    virtual bool buffered() const { return false; }
    // Whether a receive that did not fill its room may still leave bytes in the
    // socket (TLS hands over one record at a time).
    virtual bool moreMayWait(bool filled) const { return filled; }
    // poll(2) events to wait for when the caller wants to read and/or write.
    virtual short events(bool read, bool write) const {
        return static_cast<short>((read ? POLLIN : 0) | (write ? POLLOUT : 0));
    }
    // What an Error status meant.
    virtual std::string errorText(int err) const { return std::strerror(err); }

    // The stream of a plain TCP connection (stateless, shared).
    static Stream& plain() {
        static Stream s;
        return s;
    }
};

}  // namespace net
}  // namespace rti
}  // namespace volax

#endif
