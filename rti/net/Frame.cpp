#include "Frame.h"

#include <algorithm>
#include <cstring>
#include <string>

namespace volax {
namespace rti {
namespace net {

namespace {
constexpr std::size_t kReadChunk = 64 * 1024;
// Once this much has been written from the front of a send buffer that is still
// not empty, the rest is moved down so the buffer does not creep upwards.
constexpr std::size_t kCompactAfter = 1u << 20;
constexpr std::size_t kReleaseAbove = 8u << 20;
}  // namespace

void RecvBuffer::makeRoom(std::size_t want) {
    if (begin_ == end_) begin_ = end_ = 0;
    if (buf_.size() - end_ >= want) return;
    if (begin_ > 0) {
        std::memmove(buf_.data(), buf_.data() + begin_, end_ - begin_);
        end_ -= begin_;
        begin_ = 0;
    }
    if (buf_.size() - end_ < want) buf_.resize(end_ + want);
}

IoStatus RecvBuffer::readFrom(int fd, int& err, Stream& via) {
    makeRoom(kReadChunk);
    lastReadFull_ = false;
    const std::size_t room = buf_.size() - end_;
    std::size_t got = 0;
    IoStatus st = via.receive(fd, buf_.data() + end_, room, got, err);
    if (st == IoStatus::Data) {
        end_ += got;
        lastReadFull_ = via.moreMayWait(got == room);
    }
    return st;
}

void RecvBuffer::shrink() {
    if (buf_.size() <= 2 * kReadChunk || end_ - begin_ > kReadChunk) return;
    std::vector<std::uint8_t> kept(buf_.begin() + static_cast<std::ptrdiff_t>(begin_),
                                   buf_.begin() + static_cast<std::ptrdiff_t>(end_));
    kept.resize(std::max(kept.size(), kReadChunk));
    end_ = end_ - begin_;
    begin_ = 0;
    buf_.swap(kept);
}

void RecvBuffer::append(const void* data, std::size_t n) {
    if (n == 0) return;
    makeRoom(n);
    std::memcpy(buf_.data() + end_, data, n);
    end_ += n;
}

std::string RecvBuffer::takeAll() {
    std::string all(reinterpret_cast<const char*>(buf_.data()) + begin_, end_ - begin_);
    clear();
    return all;
}

bool RecvBuffer::nextFrame(const std::uint8_t*& frame, std::size_t& size) {
    std::size_t have = end_ - begin_;
    std::size_t need = frameSize(buf_.data() + begin_, have);
    if (need == 0) return false;
    if (need - kFrameHeader > maxBody_)
        throw DecodeError("frame of " + std::to_string(need - kFrameHeader) + " bytes exceeds the limit of " +
                          std::to_string(maxBody_));
    if (have < need) return false;
    frame = buf_.data() + begin_;
    size = need;
    begin_ += need;
    return true;
}

std::size_t SendBuffer::append(const Message& msg) {
    if (begin_ > 0 && begin_ == buf_.size()) clear();
    const std::size_t at = buf_.size();
    try {
        encode(msg, buf_);
    } catch (...) {
        buf_.resize(at);  // a half-written frame would garble the stream
        throw;
    }
    return at;
}

void SendBuffer::add(const Message& msg) { append(msg); }

void SendBuffer::add(const Message& msg, std::uint32_t serial) {
    const std::size_t at = append(msg);
    // Frame layout: u32 length, u16 kind, then the u32 serial, little-endian.
    std::uint8_t* p = buf_.data() + at + kFrameHeader + 2;
    for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(serial >> (8 * i));
}

IoStatus SendBuffer::flush(int fd, int& err, Stream& via) {
    while (begin_ < buf_.size()) {
        std::size_t sent = 0;
        IoStatus st = via.send(fd, buf_.data() + begin_, buf_.size() - begin_, sent, err);
        if (st == IoStatus::Data) {
            begin_ += sent;
            continue;
        }
        if (st == IoStatus::WouldBlock && begin_ >= kCompactAfter) {
            buf_.erase(buf_.begin(), buf_.begin() + static_cast<std::ptrdiff_t>(begin_));
            begin_ = 0;
        }
        return st;
    }
    clear();
    // A buffer that grew for an unusual backlog gives its memory back once
    // drained; ordinary bursts keep theirs and allocate nothing next time.
    if (buf_.capacity() > kReleaseAbove) std::vector<std::uint8_t>().swap(buf_);
    return IoStatus::Data;
}

}  // namespace net
}  // namespace rti
}  // namespace volax
