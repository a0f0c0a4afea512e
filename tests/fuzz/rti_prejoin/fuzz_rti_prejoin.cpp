// Bytes from a connection that has not joined, cut into reads as the first
// byte says: the receive buffer must refuse any frame over the pre-join limit
// as soon as its header is in (never grow towards a declared length), and the
// key check must take any answer without failing.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "Auth.h"
#include "Frame.h"
#include "Message.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace volax::rti;
    if (size < 1) return 0;
    const std::size_t step = 1 + data[0] % 61;
    net::RecvBuffer in;
    in.setMaxBody(net::kPreJoinMaxBody);
    static const std::string key = "fuzzing-key-0123456789";
    static const std::string nonce = net::makeNonce();
    try {
        for (std::size_t at = 1; at < size; at += step) {
            in.append(data + at, std::min(step, size - at));
            // What is held is what was sent of frames under the limit, nothing more.
            if (in.buffered() > net::kPreJoinMaxBody + kFrameHeader + step) std::abort();
            const std::uint8_t* frame = nullptr;
            std::size_t n = 0;
            while (in.nextFrame(frame, n)) {
                if (n > net::kPreJoinMaxBody + kFrameHeader) std::abort();
                Message m = decode(frame, n);
                if (m.kind == MessageKind::Authenticate && net::proofMatches(key, nonce, m.text)) std::abort();
            }
        }
    } catch (const DecodeError&) {
    }
    return 0;
}
