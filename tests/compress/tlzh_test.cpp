// SPDX-License-Identifier: GPL-3.0-or-later
// The LZH codec: streams worked out by hand from the initial Huffman tree,
// the fixed position code, round trips and the decoder's stopping rules.

#include "lzh_bits.h"
#include "lzh_huffman.h"
#include "testdata.h"
#include "tlzh.h"

#include <gtest/gtest.h>

namespace {

Bytes pack(const Bytes& in, int64_t* counted = nullptr) {
    TLZH codec;
    Bytes out;
    const int64_t n =
        codec.LZHPack(TLZH::readerOf(in.data(), in.size()), [&](uint8_t b) { out.push_back(b); });
    if (counted)
        *counted = n;
    return out;
}

Bytes unpack(const Bytes& in, int64_t count, int* readsPastEnd = nullptr) {
    TLZH codec;
    std::size_t pos = 0;
    int past = 0;
    Bytes out;
    codec.LZHUnpack(
        count,
        [&](uint8_t& b) {
            if (pos == in.size()) {
                ++past;
                return false;
            }
            b = in[pos++];
            return true;
        },
        [&](uint8_t b) { out.push_back(b); });
    if (readsPastEnd)
        *readsPastEnd = past;
    return out;
}

std::string bitsOf(const std::function<void(lzh::BitWriter&)>& write) {
    Bytes bytes;
    lzh::ByteWriter sink = [&](uint8_t b) { bytes.push_back(b); };
    lzh::BitWriter out(sink);
    write(out);
    out.flush();
    std::string bits;
    for (uint8_t b : bytes)
        for (int i = 7; i >= 0; --i)
            bits += char('0' + ((b >> i) & 1));
    return bits;
}

} // namespace

// In the starting tree the symbol s sits at node s and node 314 + k holds the
// children 2k and 2k + 1; a code bit is the parity of each node on the way up.
TEST(LzhStream, EmptyInputSendsTheBlankAtTheWindowEnd) {
    int64_t counted = -1;
    // Symbol 32: nodes 32, 330, 479, 553, 590, 609, 618, 623, 625 give
    // 0 0 1 1 0 1 0 1 1, sent root first: 110101100.
    EXPECT_EQ(pack({}, &counted), (Bytes{0xD6, 0x00}));
    EXPECT_EQ(counted, 0);
    EXPECT_TRUE(unpack({0xD6, 0x00}, 0).empty());
}

TEST(LzhStream, OneAndTwoLiterals) {
    // 'A' (65): nodes 65, 346, 487, 557, 592, 610, 619, 623, 625: 111001101.
    EXPECT_EQ(pack(bytesOf("A")), (Bytes{0xE6, 0x80}));
    // Coding 'A' swaps its leaf with symbol 313's at node 313 and leaves the
    // path of 'B' (66: nodes 66, 347, 487, ...) as it was: 111001110.
    EXPECT_EQ(pack(bytesOf("AB")), (Bytes{0xE6, 0xF3, 0x80}));
    EXPECT_EQ(unpack({0xE6, 0xF3, 0x80}, 2), bytesOf("AB"));
}

TEST(LzhStream, LeadingBlanksMatchTheStartingWindow) {
    // The window starts as blanks, so every one of the 60 positions entered
    // before the first byte holds 60 blanks and replaces the one before it:
    // only position 3976 is left, 60 bytes back. Three blanks code as symbol
    // 256 (length 3; nodes 256, 442, 535, 581, 604, 616, 622, 625 give
    // 10001100) and position 59 (upper code 000, lower bits 111011).
    const Bytes coded = pack(bytesOf("   "));
    EXPECT_EQ(coded, (Bytes{0x8C, 0x1D, 0x80}));
    EXPECT_EQ(unpack(coded, 3), bytesOf("   "));
}

TEST(LzhStream, PositionCodeIsTheFixedCanonicalCode) {
    using lzh::AdaptiveHuffman;
    auto position = [](unsigned p) {
        return bitsOf([p](lzh::BitWriter& out) { AdaptiveHuffman::encodePosition(p, out); });
    };
    // Upper 6 bits, then the lower 6 bits plain; padded to whole bytes.
    EXPECT_EQ(position(0), "0000000000000000");
    EXPECT_EQ(position(1 << 6 | 5), "0010000101000000");
    EXPECT_EQ(position(4 << 6 | 63), "0101011111100000");
    EXPECT_EQ(position(12 << 6), "1001000000000000");
    EXPECT_EQ(position(24 << 6), "1100000000000000");
    EXPECT_EQ(position(47 << 6), "1110111000000000");
    EXPECT_EQ(position(48 << 6), "1111000000000000");
    EXPECT_EQ(position(4095), "1111111111111100");

    for (unsigned p = 0; p < 4096; ++p) {
        Bytes bytes;
        lzh::ByteWriter sink = [&](uint8_t b) { bytes.push_back(b); };
        lzh::BitWriter out(sink);
        AdaptiveHuffman::encodePosition(p, out);
        out.flush();
        std::size_t pos = 0;
        lzh::ByteReader source = [&](uint8_t& b) {
            if (pos == bytes.size())
                return false;
            b = bytes[pos++];
            return true;
        };
        lzh::BitReader in(source);
        ASSERT_EQ(AdaptiveHuffman::decodePosition(in), p);
    }
}

TEST(LzhStream, RunOfThousandBytesIsOneLiteralThenLongMatches) {
    const Bytes in(1000, 'A');
    const Bytes coded = pack(in);
    // One literal and 17 matches (16 of 60 bytes and one of 39).
    EXPECT_GT(coded.size(), 17u);
    EXPECT_LT(coded.size(), 48u);
    EXPECT_EQ(coded[0], 0xE6); // the literal 'A' leads, as in the one-byte stream
    EXPECT_EQ(unpack(coded, 1000), in);

    // Walk the stream symbol by symbol with the codec's own Huffman tree.
    std::size_t pos = 0;
    lzh::ByteReader source = [&](uint8_t& b) {
        if (pos == coded.size())
            return false;
        b = coded[pos++];
        return true;
    };
    lzh::BitReader bits(source);
    lzh::AdaptiveHuffman tree;
    EXPECT_EQ(tree.decode(bits), unsigned('A'));
    for (int i = 0; i < 16; ++i) {
        EXPECT_EQ(tree.decode(bits), 253u + 60u) << "match " << i;
        EXPECT_EQ(lzh::AdaptiveHuffman::decodePosition(bits), 0u) << "match " << i;
    }
    EXPECT_EQ(tree.decode(bits), 253u + 39u); // 1000 = 1 + 16 x 60 + 39
    EXPECT_EQ(lzh::AdaptiveHuffman::decodePosition(bits), 0u);
    EXPECT_EQ(pos, coded.size());
}

TEST(LzhStream, RoundTripsVariedData) {
    const std::vector<Bytes> inputs = {
        textBytes(100000, 1),    runBytes(70000, 2),      recordBytes(50000),
        randomBytes(40000, 3),   blankLedBytes(30000, 4), bytesOf(" "),
        Bytes(59, ' '),          Bytes(61, ' '),          Bytes(5000, 0),
        textBytes(4096 + 60, 5), randomBytes(1, 6),       textBytes(123, 7)};
    for (const Bytes& in : inputs) {
        int64_t counted = -1;
        const Bytes coded = pack(in, &counted);
        EXPECT_EQ(counted, int64_t(in.size()));
        int past = 0;
        EXPECT_EQ(unpack(coded, int64_t(in.size()), &past), in);
        // A sound stream never needs more than two bytes beyond its end.
        EXPECT_LE(past, 2);
    }
}

TEST(LzhStream, NoSoundStreamNeedsMoreThanTwoBytesPastItsEnd) {
    // The container relies on this to tell a lying size from a sound stream.
    for (std::size_t n = 0; n < 400; n += 1 + n / 40) {
        for (const Bytes& in :
             {textBytes(n, uint32_t(n)), randomBytes(n, uint32_t(n)), runBytes(n, uint32_t(n))}) {
            int past = 0;
            ASSERT_EQ(unpack(pack(in), int64_t(n), &past), in) << n;
            ASSERT_LE(past, 2) << n;
        }
    }
}

TEST(LzhStream, SkewedInputForcesTreeRebuilds) {
    // Over 0x8000 symbols with a lopsided spread: the counts are halved and the
    // tree rebuilt several times on the way.
    Bytes in = randomBytes(200000, 11);
    for (std::size_t i = 0; i < in.size(); ++i)
        in[i] = uint8_t(in[i] % 7 == 0 ? in[i] : (in[i] & 3));
    const Bytes coded = pack(in);
    EXPECT_LT(coded.size(), in.size() / 2);
    EXPECT_EQ(unpack(coded, int64_t(in.size())), in);
}

TEST(LzhStream, DecoderStopsAtTheCount) {
    const Bytes in = textBytes(5000, 9);
    const Bytes coded = pack(in);
    // Fewer than the coded bytes: decoding stops at the count, padding unread.
    const Bytes head = unpack(coded, 10);
    ASSERT_GE(head.size(), 10u);
    EXPECT_TRUE(std::equal(in.begin(), in.begin() + 10, head.begin()));
    // More than were coded: the missing input reads as zero bits, so it goes
    // on to the count (the container is what refuses such a stream).
    EXPECT_GE(unpack(coded, 6000).size(), 6000u);
}

TEST(LzhStream, ReaderOfABufferGivesItsBytesThenOnlyTheEnd) {
    const Bytes in = bytesOf("ab");
    const TLZH::ByteReader read = TLZH::readerOf(in.data(), in.size());
    uint8_t b = 0;
    ASSERT_TRUE(read(b));
    EXPECT_EQ(b, 'a');
    ASSERT_TRUE(read(b));
    EXPECT_EQ(b, 'b');
    b = 0x55;
    EXPECT_FALSE(read(b));
    EXPECT_FALSE(read(b));
    EXPECT_EQ(b, 0x55); // the end leaves the byte alone
    // Two readers of one buffer each read it from the start.
    const TLZH::ByteReader other = TLZH::readerOf(in.data(), in.size());
    ASSERT_TRUE(other(b));
    EXPECT_EQ(b, 'a');
}
