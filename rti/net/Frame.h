// Byte-stream buffers for framed messages (the frame layout is Message's own:
// a length prefix, then the body). Neither buffer ever blocks.
#ifndef VOLAX_RTI_NET_FRAME_H
#define VOLAX_RTI_NET_FRAME_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "Message.h"
#include "Socket.h"
#include "Stream.h"

namespace volax {
namespace rti {
namespace net {

// Largest frame body a connection may send before it has joined: enough for a
// create or join; the FED text of a create comes in pieces of kFedPieceBytes.
constexpr std::size_t kPreJoinMaxBody = 16u * 1024;
constexpr std::size_t kFedPieceBytes = 8u * 1024;

// Bytes received but not yet consumed, cut into frames.
class RecvBuffer {
public:
    // One non-blocking receive into the buffer. `err` gets errno on Error.
    IoStatus readFrom(int fd, int& err, Stream& via = Stream::plain());
    // Whether the last readFrom filled all the room it had: only then can more
    // be waiting in the socket right now (saves a recv that would find nothing).
    bool lastReadFull() const { return lastReadFull_; }

    // The next complete frame (header included), valid until the next
    // readFrom/append. Throws DecodeError when the header announces a frame
    // longer than the limit.
    bool nextFrame(const std::uint8_t*& frame, std::size_t& size);

    std::size_t buffered() const { return end_ - begin_; }
    // Frames with a longer body are refused as soon as their header is in, so a
    // peer cannot make the buffer grow towards a length it merely declares.
    void setMaxBody(std::size_t bytes) { maxBody_ = bytes; }
    std::size_t capacity() const { return buf_.capacity(); }
    // Gives back the memory of a buffer that grew for one large frame (once
    // little is left in it).
    void shrink();
    void append(const void* data, std::size_t n);
    void clear() { begin_ = end_ = 0; }
    // Moves every buffered byte out (to hand them to another reader).
    std::string takeAll();

private:
    void makeRoom(std::size_t want);

    std::vector<std::uint8_t> buf_;
    std::size_t begin_ = 0;
    std::size_t end_ = 0;
    bool lastReadFull_ = false;
    std::size_t maxBody_ = kMaxFrameBody;
};

// Frames waiting to be written.
class SendBuffer {
public:
    // Appends one encoded frame. Throws DecodeError if it is too large.
    void add(const Message& msg);
    // The same, with `serial` in place of msg.serial (no copy of the message).
    void add(const Message& msg, std::uint32_t serial);

    // Writes as much as the socket takes (MSG_NOSIGNAL). Data: all written;
    // WouldBlock: some left; Error: `err` holds errno (EPIPE, ECONNRESET, ...).
    IoStatus flush(int fd, int& err, Stream& via = Stream::plain());

    bool empty() const { return begin_ == buf_.size(); }
    std::size_t pending() const { return buf_.size() - begin_; }
    void clear() {
        buf_.clear();
        begin_ = 0;
    }

private:
    std::size_t append(const Message& msg);  // offset of the new frame

    std::vector<std::uint8_t> buf_;
    std::size_t begin_ = 0;
};

}  // namespace net
}  // namespace rti
}  // namespace volax

#endif
