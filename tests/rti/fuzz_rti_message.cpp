// Frames from the network are untrusted: decoding must reject garbage cleanly,
// and whatever it accepts must survive another encode/decode unchanged.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "Message.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace volax::rti;
    try {
        std::size_t n = frameSize(data, size);
        if (n == 0 || n > size) return 0;
        Message m = decode(data, n);
        std::vector<std::uint8_t> again = encode(m);
        if (!(decode(again.data(), again.size()) == m)) std::abort();
    } catch (const DecodeError&) {
    }
    return 0;
}
