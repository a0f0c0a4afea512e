#include "Message.h"

#include <cstring>

namespace volax {
namespace rti {

namespace {

const char* const kKindNames[] = {
    "None",
    "CreateFederation",
    "DestroyFederation",
    "JoinFederation",
    "ResignFederation",
    "PublishObjectClass",
    "UnpublishObjectClass",
    "PublishInteraction",
    "UnpublishInteraction",
    "SubscribeObjectClass",
    "UnsubscribeObjectClass",
    "SubscribeInteraction",
    "UnsubscribeInteraction",
    "RegisterObject",
    "UpdateAttributes",
    "SendInteraction",
    "DeleteObject",
    "RequestObjectUpdate",
    "RequestClassUpdate",
    "GetObjectInstanceHandle",
    "GetObjectInstanceName",
    "GetObjectClass",
    "Reply",
    "Error",
    "Discover",
    "Reflect",
    "Receive",
    "Remove",
    "ProvideUpdate",
    "Challenge",
    "Authenticate",
};
static_assert(sizeof(kKindNames) / sizeof(kKindNames[0]) == static_cast<std::size_t>(MessageKind::KindCount),
              "kind names out of step with MessageKind");

const char* const kErrorNames[] = {
    "RTIinternalError",
    "FederationExecutionAlreadyExists",
    "FederationExecutionDoesNotExist",
    "CouldNotOpenFED",
    "ErrorReadingFED",
    "FederatesCurrentlyJoined",
    "FederateAlreadyExecutionMember",
    "FederateNotExecutionMember",
    "FederateOwnsAttributes",
    "InvalidResignAction",
    "NameNotFound",
    "ObjectClassNotDefined",
    "ObjectClassNotPublished",
    "ObjectClassNotSubscribed",
    "AttributeNotDefined",
    "AttributeNotOwned",
    "InteractionClassNotDefined",
    "InteractionClassNotPublished",
    "InteractionClassNotSubscribed",
    "InteractionParameterNotDefined",
    "ObjectAlreadyRegistered",
    "ObjectNotKnown",
    "DeletePrivilegeNotHeld",
    "MemoryExhausted",
};
static_assert(sizeof(kErrorNames) / sizeof(kErrorNames[0]) == static_cast<std::size_t>(ErrorCode::CodeCount),
              "error names out of step with ErrorCode");

// Writes into a buffer already sized for the whole frame: encoding is on the
// path of every update, so it sizes once and copies fields, never byte by byte.
class Writer {
public:
    explicit Writer(std::uint8_t* p) : p_(p) {}
    void u8(std::uint8_t v) { *p_++ = v; }
    void u16(std::uint16_t v) {
        p_[0] = static_cast<std::uint8_t>(v);
        p_[1] = static_cast<std::uint8_t>(v >> 8);
        p_ += 2;
    }
    void u32(std::uint32_t v) {
        for (int i = 0; i < 4; ++i) p_[i] = static_cast<std::uint8_t>(v >> (8 * i));
        p_ += 4;
    }
    void str(const std::string& s) {
        u32(static_cast<std::uint32_t>(s.size()));
        if (!s.empty()) std::memcpy(p_, s.data(), s.size());
        p_ += s.size();
    }

private:
    std::uint8_t* p_;
};

std::uint32_t readU32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

class Reader {
public:
    Reader(const std::uint8_t* p, std::size_t n) : p_(p), end_(p + n) {}

    std::uint8_t u8() {
        need(1);
        return *p_++;
    }
    std::uint16_t u16() {
        need(2);
        std::uint16_t v = static_cast<std::uint16_t>(p_[0] | (p_[1] << 8));
        p_ += 2;
        return v;
    }
    std::uint32_t u32() {
        need(4);
        std::uint32_t v = readU32(p_);
        p_ += 4;
        return v;
    }
    std::string str() {
        std::uint32_t n = u32();
        need(n);
        std::string s(reinterpret_cast<const char*>(p_), n);
        p_ += n;
        return s;
    }
    // A count of items each at least `minItemSize` bytes long: checked against
    // what is left so that a bad count cannot trigger a huge allocation.
    std::uint32_t count(std::size_t minItemSize) {
        std::uint32_t n = u32();
        if (static_cast<std::size_t>(end_ - p_) / minItemSize < n) throw DecodeError("message count exceeds frame");
        return n;
    }
    bool atEnd() const { return p_ == end_; }

private:
    void need(std::size_t n) const {
        if (static_cast<std::size_t>(end_ - p_) < n) throw DecodeError("message truncated");
    }
    const std::uint8_t* p_;
    const std::uint8_t* end_;
};

}  // namespace

const char* kindName(MessageKind kind) {
    auto i = static_cast<std::size_t>(kind);
    return i < static_cast<std::size_t>(MessageKind::KindCount) ? kKindNames[i] : "?";
}

bool isRequest(MessageKind kind) {
    return kind >= MessageKind::CreateFederation && kind <= MessageKind::GetObjectClass;
}

bool isCallback(MessageKind kind) {
    return kind >= MessageKind::Discover && kind <= MessageKind::ProvideUpdate;
}

const char* errorName(ErrorCode code) {
    auto i = static_cast<std::size_t>(code);
    return i < static_cast<std::size_t>(ErrorCode::CodeCount) ? kErrorNames[i] : "RTIinternalError";
}

bool Message::operator==(const Message& o) const {
    return kind == o.kind && serial == o.serial && handle == o.handle && handle2 == o.handle2 && flag == o.flag &&
           name == o.name && name2 == o.name2 && text == o.text && tag == o.tag && handles == o.handles &&
           values == o.values;
}

Message Message::error(ErrorCode code, std::string reason) {
    Message m(MessageKind::Error, static_cast<std::uint32_t>(code));
    m.text = std::move(reason);
    return m;
}

void encode(const Message& msg, std::vector<std::uint8_t>& out) {
    // Body size in size_t first, so an oversized message is refused before
    // anything is appended and no length field can wrap.
    std::size_t body = 2 + 4 + 4 + 4 + 1 + 4 * 4 + msg.name.size() + msg.name2.size() + msg.text.size() +
                       msg.tag.size() + 4 + 4 * msg.handles.size() + 4;
    for (const HandleValue& hv : msg.values) body += 4 + 4 + hv.value.size();
    if (body > kMaxFrameBody) throw DecodeError("message too large to encode");

    const std::size_t start = out.size();
    out.resize(start + kFrameHeader + body);
    Writer w(out.data() + start);
    w.u32(static_cast<std::uint32_t>(body));
    w.u16(static_cast<std::uint16_t>(msg.kind));
    w.u32(msg.serial);
    w.u32(msg.handle);
    w.u32(msg.handle2);
    w.u8(msg.flag ? 1 : 0);
    w.str(msg.name);
    w.str(msg.name2);
    w.str(msg.text);
    w.str(msg.tag);
    w.u32(static_cast<std::uint32_t>(msg.handles.size()));
    for (std::uint32_t h : msg.handles) w.u32(h);
    w.u32(static_cast<std::uint32_t>(msg.values.size()));
    for (const HandleValue& hv : msg.values) {
        w.u32(hv.handle);
        w.str(hv.value);
    }
}

std::vector<std::uint8_t> encode(const Message& msg) {
    std::vector<std::uint8_t> out;
    encode(msg, out);
    return out;
}

std::size_t frameSize(const std::uint8_t* data, std::size_t available) {
    if (available < kFrameHeader) return 0;
    std::uint32_t body = readU32(data);
    if (body > kMaxFrameBody) throw DecodeError("frame length exceeds limit");
    return kFrameHeader + body;
}

Message decode(const std::uint8_t* data, std::size_t size) {
    if (data == nullptr || size < kFrameHeader) throw DecodeError("message truncated");
    std::uint32_t body = readU32(data);
    if (body > kMaxFrameBody) throw DecodeError("frame length exceeds limit");
    if (size - kFrameHeader != body) throw DecodeError("frame length does not match its header");

    Reader r(data + kFrameHeader, body);
    Message m;
    std::uint16_t kind = r.u16();
    if (kind == 0 || kind >= static_cast<std::uint16_t>(MessageKind::KindCount))
        throw DecodeError("unknown message kind " + std::to_string(kind));
    m.kind = static_cast<MessageKind>(kind);
    m.serial = r.u32();
    m.handle = r.u32();
    m.handle2 = r.u32();
    std::uint8_t flag = r.u8();
    if (flag > 1) throw DecodeError("bad flag byte");
    m.flag = flag != 0;
    m.name = r.str();
    m.name2 = r.str();
    m.text = r.str();
    m.tag = r.str();
    std::uint32_t nh = r.count(4);
    m.handles.reserve(nh);
    for (std::uint32_t i = 0; i < nh; ++i) m.handles.push_back(r.u32());
    std::uint32_t nv = r.count(8);
    m.values.reserve(nv);
    for (std::uint32_t i = 0; i < nv; ++i) {
        HandleValue hv;
        hv.handle = r.u32();
        hv.value = r.str();
        m.values.push_back(std::move(hv));
    }
    if (!r.atEnd()) throw DecodeError("trailing bytes after message");
    return m;
}

}  // namespace rti
}  // namespace volax
