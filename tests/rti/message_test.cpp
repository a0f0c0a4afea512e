// Encode/decode of the messages between ambassador and executive.
#include <gtest/gtest.h>

#include "Message.h"

using namespace volax::rti;

namespace {

Message sample(MessageKind kind) {
    Message m(kind, 0xA1B2C3D4u);
    m.serial = 77;
    m.handle2 = 0;  // handle 0 is valid and must survive
    m.flag = true;
    m.name = "ObjectRoot.BaseEntity";
    m.name2 = std::string("with\0nul", 8);
    m.text = std::string(70000, 'x');  // larger than any 16-bit length
    m.tag = "sometag";
    m.handles = {0, 1, 0xFFFFFFFFu};
    m.values = {{0, std::string("\x00\x01\x02\xff", 4)}, {5, ""}, {9, std::string(300, '\x80')}};
    return m;
}

}  // namespace

TEST(MessageCodec, EveryKindRoundTrips) {
    for (int k = 1; k < static_cast<int>(MessageKind::KindCount); ++k) {
        Message in = sample(static_cast<MessageKind>(k));
        std::vector<std::uint8_t> bytes = encode(in);
        ASSERT_EQ(frameSize(bytes.data(), bytes.size()), bytes.size()) << kindName(in.kind);
        Message out = decode(bytes.data(), bytes.size());
        EXPECT_EQ(in, out) << kindName(in.kind);
    }
    Message empty(MessageKind::Reply);
    std::vector<std::uint8_t> bytes = encode(empty);
    EXPECT_EQ(decode(bytes.data(), bytes.size()), empty);
}

TEST(MessageCodec, LayoutIsLittleEndianWithLengthPrefix) {
    Message m(MessageKind::Reflect, 0x01020304u);
    std::vector<std::uint8_t> bytes = encode(m);
    std::uint32_t body = bytes[0] | (bytes[1] << 8) | (bytes[2] << 16) | (bytes[3] << 24);
    EXPECT_EQ(body + 4u, bytes.size());
    EXPECT_EQ(bytes[4], static_cast<std::uint8_t>(MessageKind::Reflect));
    EXPECT_EQ(bytes[5], 0);
    // serial (4 bytes) then handle
    EXPECT_EQ(bytes[10], 0x04);
    EXPECT_EQ(bytes[13], 0x01);
}

TEST(MessageCodec, FramesConcatenateInOneBuffer) {
    std::vector<std::uint8_t> buf;
    encode(sample(MessageKind::Discover), buf);
    encode(sample(MessageKind::Remove), buf);
    std::size_t first = frameSize(buf.data(), buf.size());
    ASSERT_GT(first, 0u);
    EXPECT_EQ(decode(buf.data(), first).kind, MessageKind::Discover);
    std::size_t second = frameSize(buf.data() + first, buf.size() - first);
    ASSERT_EQ(first + second, buf.size());
    EXPECT_EQ(decode(buf.data() + first, second).kind, MessageKind::Remove);
    EXPECT_EQ(frameSize(buf.data(), 3), 0u);  // header not complete yet
}

TEST(MessageCodec, RejectsMalformedFrames) {
    std::vector<std::uint8_t> good = encode(sample(MessageKind::UpdateAttributes));
    // Every truncation (with the header patched to match, and without) fails cleanly.
    for (std::size_t n = 0; n < good.size(); n += (n < 64 ? 1 : 997)) {
        std::vector<std::uint8_t> cut(good.begin(), good.begin() + n);
        EXPECT_THROW(decode(cut.data(), cut.size()), DecodeError) << n;
        if (n >= 4) {
            std::uint32_t body = static_cast<std::uint32_t>(n - 4);
            for (int i = 0; i < 4; ++i) cut[i] = static_cast<std::uint8_t>(body >> (8 * i));
            EXPECT_THROW(decode(cut.data(), cut.size()), DecodeError) << n;
        }
    }
    // Trailing garbage inside the declared body.
    std::vector<std::uint8_t> longer = good;
    longer.push_back(0);
    std::uint32_t body = static_cast<std::uint32_t>(longer.size() - 4);
    for (int i = 0; i < 4; ++i) longer[i] = static_cast<std::uint8_t>(body >> (8 * i));
    EXPECT_THROW(decode(longer.data(), longer.size()), DecodeError);

    // Unknown kinds.
    std::vector<std::uint8_t> bad = good;
    bad[4] = 0;
    EXPECT_THROW(decode(bad.data(), bad.size()), DecodeError);
    bad[4] = 0xFF;
    bad[5] = 0x7F;
    EXPECT_THROW(decode(bad.data(), bad.size()), DecodeError);

    // A flag byte (after length, kind, serial, handle, handle2) other than 0 or 1.
    for (std::uint8_t flag : {std::uint8_t{2}, std::uint8_t{0x80}, std::uint8_t{0xFF}}) {
        bad = good;
        bad[4 + 2 + 4 + 4 + 4] = flag;
        EXPECT_THROW(decode(bad.data(), bad.size()), DecodeError) << int(flag);
    }

    // A length beyond the limit is refused before anything is allocated.
    std::uint8_t huge[4] = {0xFF, 0xFF, 0xFF, 0xFF};
    EXPECT_THROW(frameSize(huge, 4), DecodeError);
    EXPECT_THROW(decode(huge, 4), DecodeError);
    EXPECT_THROW(decode(nullptr, 0), DecodeError);
}

TEST(MessageCodec, HugeCountIsRejectedNotAllocated) {
    Message m(MessageKind::Reflect);
    std::vector<std::uint8_t> bytes = encode(m);
    // The handle count sits 4 bytes before the value count at the end of the frame.
    std::size_t countAt = bytes.size() - 8;
    bytes[countAt] = bytes[countAt + 1] = bytes[countAt + 2] = 0xFF;
    bytes[countAt + 3] = 0x0F;
    EXPECT_THROW(decode(bytes.data(), bytes.size()), DecodeError);
}
