// The messages that pass between a federate's ambassador and the executive.
//
// One plain struct carries every request, reply and callback; `kind` says which
// fields mean something (table below, unused fields stay empty/zero). The same
// struct travels in-process (by value) and over a byte stream (encode/decode).
//
// Wire form of one message (a frame), all integers little-endian:
//   u32 bodyLength                     bytes that follow this field
//   u16 kind
//   u32 serial, u32 handle, u32 handle2, u8 flag
//   str name, str name2, str text, str tag          str = u32 length + raw bytes
//   u32 n, then n x u32                              handles
//   u32 n, then n x (u32 handle, str value)          values (raw bytes, never converted)
// A frame whose body is longer than kMaxFrameBody, or whose fields do not fill
// the body exactly, is rejected.
//
// Field use per kind (R = request, A = its reply, C = callback):
//   CreateFederation   R name=federation text=FED content name2=FED file name (for error texts)
//                        flag=more: over TCP the FED text may come in pieces, each
//                        but the last posted one-way with flag set
//   DestroyFederation  R name=federation
//   JoinFederation     R name=federate name2=federation
//                      A handle=federate handle, text=FED content, name2=FED file name
//   ResignFederation   R handle=ResignAction (1..4)
//   PublishObjectClass R handle=class handles=attributes (empty = unpublish)
//   UnpublishObjectClass, PublishInteraction, UnpublishInteraction,
//   UnsubscribeObjectClass, UnsubscribeInteraction   R handle=class
//   SubscribeObjectClass R handle=class handles=attributes flag=active (empty = unsubscribe)
//   SubscribeInteraction R handle=class flag=active
//   RegisterObject     R handle=class flag=has name, name=instance name
//                      A handle=instance, name=instance name, handles=attributes the
//                        registrant owns (so it can check its own updates locally)
//   UpdateAttributes   R handle=instance values tag          (may be posted one-way)
//   SendInteraction    R handle=class values tag             (may be posted one-way)
//   DeleteObject       R handle=instance tag
//   RequestObjectUpdate R handle=instance handles=attributes
//   RequestClassUpdate R handle=class handles=attributes
//   GetObjectInstanceHandle R name          A handle
//   GetObjectInstanceName   R handle        A name
//   GetObjectClass          R handle        A handle=class the caller knows it as
//   Reply              A success; fields as listed for the request
//   Error              A handle=ErrorCode text=reason
//   Discover           C handle=instance handle2=class name=instance name
//   Reflect            C handle=instance values tag
//   Receive            C handle=class values tag
//   Remove             C handle=instance tag
//   ProvideUpdate      C handle=instance handles=attributes
//   Challenge          server's first frame on a connection: flag=a key is
//                      required, text=fresh nonce
//   Authenticate       R text=HMAC-SHA256 of the nonce under the federation key
// `serial` is free for a transport to match replies to requests; the executive
// copies it from request to reply.
#ifndef VOLAX_RTI_MESSAGE_H
#define VOLAX_RTI_MESSAGE_H

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace volax {
namespace rti {

enum class MessageKind : std::uint16_t {
    None = 0,
    // requests
    CreateFederation,
    DestroyFederation,
    JoinFederation,
    ResignFederation,
    PublishObjectClass,
    UnpublishObjectClass,
    PublishInteraction,
    UnpublishInteraction,
    SubscribeObjectClass,
    UnsubscribeObjectClass,
    SubscribeInteraction,
    UnsubscribeInteraction,
    RegisterObject,
    UpdateAttributes,
    SendInteraction,
    DeleteObject,
    RequestObjectUpdate,
    RequestClassUpdate,
    GetObjectInstanceHandle,
    GetObjectInstanceName,
    GetObjectClass,
    // replies
    Reply,
    Error,
    // callbacks
    Discover,
    Reflect,
    Receive,
    Remove,
    ProvideUpdate,
    // connection handshake (TCP only, before any request)
    Challenge,
    Authenticate,
    KindCount  // not a kind; one past the last
};

// Printable name of a kind ("UpdateAttributes"); "?" for values outside the enum.
const char* kindName(MessageKind kind);
bool isRequest(MessageKind kind);
bool isCallback(MessageKind kind);

// The RTI exceptions the executive can answer with. The ambassador turns an
// Error reply back into the RTI exception class of the same name.
enum class ErrorCode : std::uint32_t {
    RTIinternalError = 0,
    FederationExecutionAlreadyExists,
    FederationExecutionDoesNotExist,
    CouldNotOpenFED,
    ErrorReadingFED,
    FederatesCurrentlyJoined,
    FederateAlreadyExecutionMember,
    FederateNotExecutionMember,
    FederateOwnsAttributes,
    InvalidResignAction,
    NameNotFound,
    ObjectClassNotDefined,
    ObjectClassNotPublished,
    ObjectClassNotSubscribed,
    AttributeNotDefined,
    AttributeNotOwned,
    InteractionClassNotDefined,
    InteractionClassNotPublished,
    InteractionClassNotSubscribed,
    InteractionParameterNotDefined,
    ObjectAlreadyRegistered,
    ObjectNotKnown,
    DeletePrivilegeNotHeld,
    MemoryExhausted,
    CodeCount  // not a code; one past the last
};

const char* errorName(ErrorCode code);

struct HandleValue {
    std::uint32_t handle = 0;
    std::string value;  // raw bytes

    bool operator==(const HandleValue& o) const { return handle == o.handle && value == o.value; }
};

struct Message {
    MessageKind kind = MessageKind::None;
    std::uint32_t serial = 0;
    std::uint32_t handle = 0;
    std::uint32_t handle2 = 0;
    bool flag = false;
    std::string name;
    std::string name2;
    std::string text;
    std::string tag;
    std::vector<std::uint32_t> handles;
    std::vector<HandleValue> values;

    Message() = default;
    explicit Message(MessageKind k, std::uint32_t h = 0) : kind(k), handle(h) {}

    bool operator==(const Message& o) const;
    bool operator!=(const Message& o) const { return !(*this == o); }

    static Message error(ErrorCode code, std::string reason);
};

// Largest frame body accepted by decode: guards a reader against a corrupt or
// hostile length field.
constexpr std::size_t kMaxFrameBody = 64u * 1024u * 1024u;
constexpr std::size_t kFrameHeader = 4;

// Raised by decode for a malformed frame.
class DecodeError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Appends one frame (length prefix included) to `out`.
void encode(const Message& msg, std::vector<std::uint8_t>& out);
std::vector<std::uint8_t> encode(const Message& msg);

// Looks at the start of a receive buffer: 0 when fewer than kFrameHeader bytes
// are there, else the full frame size (header + body) the buffer must hold
// before decode can run. Throws DecodeError when the length exceeds kMaxFrameBody.
std::size_t frameSize(const std::uint8_t* data, std::size_t available);

// Decodes exactly one frame of `size` bytes (header included). Throws
// DecodeError when the frame is truncated, too long, or has an unknown kind.
Message decode(const std::uint8_t* data, std::size_t size);

}  // namespace rti
}  // namespace volax

#endif
