// SPDX-License-Identifier: GPL-3.0-or-later
// The LZRW1/KH block codec: exact coded bytes for inputs worked out by hand,
// round trips, and a decoder that stays in bounds whatever it is fed.

#include "testdata.h"
#include "tlzr.h"

#include <gtest/gtest.h>

namespace {

Bytes compressBlock(TLZR& codec, const Bytes& in) {
    Bytes out(in.size() + TLZR::OutputSlack, 0xEE);
    const uint16_t length = codec.CompressBlock(in.data(), out.data(), in.size());
    out.resize(length);
    return out;
}

Bytes decompressBlock(TLZR& codec, const Bytes& block, bool* damaged = nullptr) {
    Bytes out(TLZR::BlockSize + 64, 0xEE);
    const std::size_t produced =
        codec.DecompressBlock(block.data(), out.data(), block.size(), damaged);
    // Nothing may be written past the block size, whatever the input.
    for (std::size_t i = TLZR::BlockSize; i < out.size(); ++i)
        EXPECT_EQ(out[i], 0xEE) << "byte written past the output block at " << i;
    out.resize(std::min(produced, TLZR::BlockSize));
    return out;
}

Bytes concat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& p : parts)
        out.insert(out.end(), p.begin(), p.end());
    return out;
}

} // namespace

TEST(LzrwBlock, ShortInputsAreStored) {
    TLZR codec;
    EXPECT_EQ(compressBlock(codec, {}), Bytes{0x80});
    EXPECT_EQ(compressBlock(codec, bytesOf("ab")), (Bytes{0x80, 'a', 'b'}));
    // Three equal bytes cannot be coded shorter than themselves.
    EXPECT_EQ(compressBlock(codec, bytesOf("zzz")), (Bytes{0x80, 'z', 'z', 'z'}));
    EXPECT_TRUE(decompressBlock(codec, {0x80}).empty());
    EXPECT_TRUE(decompressBlock(codec, {}).empty());
}

TEST(LzrwBlock, RunOfTwentyThenALiteral) {
    TLZR codec;
    Bytes in(20, 'A');
    in.push_back('B');
    // Flag, control word 1000...b, run item (0x00, count - 16 = 4, byte), literal.
    const Bytes expected{0x40, 0x80, 0x00, 0x00, 0x00, 0x04, 'A', 'B'};
    EXPECT_EQ(compressBlock(codec, in), expected);
    EXPECT_EQ(decompressBlock(codec, expected), in);
}

TEST(LzrwBlock, RepeatedPatternBecomesAnOverlappingMatch) {
    TLZR codec;
    const Bytes in = bytesOf("abcabcabc");
    // Three literals, then distance 3 length 6: 3 * 16 + (6 - 3) = 0x0033.
    const Bytes expected{0x40, 0x10, 0x00, 'a', 'b', 'c', 0x00, 0x33};
    EXPECT_EQ(compressBlock(codec, in), expected);
    EXPECT_EQ(decompressBlock(codec, expected), in);
}

TEST(LzrwBlock, SeventeenthItemStartsANewControlWord) {
    TLZR codec;
    Bytes in;
    for (uint8_t i = 0; i < 16; ++i)
        in.push_back(i);
    in.insert(in.end(), 20, 'x');
    Bytes expected{0x40, 0x00, 0x00};
    for (uint8_t i = 0; i < 16; ++i)
        expected.push_back(i);
    const Bytes tail{0x80, 0x00, 0x00, 0x00, 0x04, 'x'};
    expected.insert(expected.end(), tail.begin(), tail.end());
    EXPECT_EQ(compressBlock(codec, in), expected);
    EXPECT_EQ(decompressBlock(codec, expected), in);
}

TEST(LzrwBlock, MatchesReachBack4095BytesAndNoFurther) {
    TLZR codec;
    // The run between the two "XYZ" is never hashed, so the first "XYZ" is
    // still the candidate when the second one comes.
    const Bytes near = concat({bytesOf("XYZ"), Bytes(4092, 'Q'), bytesOf("XYZ")});
    const Bytes nearCoded{0x40, 0x18, 0x00, 'X', 'Y', 'Z', 0x00, 0x0F, 0xEC, 'Q', 0xFF, 0xF0};
    EXPECT_EQ(compressBlock(codec, near), nearCoded);
    EXPECT_EQ(decompressBlock(codec, nearCoded), near);

    const Bytes far = concat({bytesOf("XYZ"), Bytes(4093, 'Q'), bytesOf("XYZ")});
    const Bytes farCoded{0x40, 0x10, 0x00, 'X', 'Y', 'Z', 0x00, 0x0F, 0xED, 'Q', 'X', 'Y', 'Z'};
    EXPECT_EQ(compressBlock(codec, far), farCoded);
    EXPECT_EQ(decompressBlock(codec, farCoded), far);
}

TEST(LzrwBlock, LongestRunIs4095Bytes) {
    TLZR codec;
    const Bytes in(4096 + 17, 'r');
    // 4,095 in one item (count - 16 = 0x0FEF), the remaining 18 in a second.
    const Bytes expected{0x40, 0xC0, 0x00, 0x00, 0x0F, 0xEF, 'r', 0x00, 0x00, 0x02, 'r'};
    EXPECT_EQ(compressBlock(codec, in), expected);
    EXPECT_EQ(decompressBlock(codec, expected), in);
}

TEST(LzrwBlock, IncompressibleFullBlockIsStored) {
    TLZR codec;
    const Bytes in = randomBytes(TLZR::BlockSize, 7);
    const Bytes coded = compressBlock(codec, in);
    ASSERT_EQ(coded.size(), TLZR::BlockSize + 1);
    EXPECT_EQ(coded[0], 0x80);
    EXPECT_TRUE(std::equal(in.begin(), in.end(), coded.begin() + 1));
    EXPECT_EQ(decompressBlock(codec, coded), in);
}

TEST(LzrwBlock, DecoderRepeatsOneByteThroughAnOverlappingCopy) {
    TLZR codec;
    // Literal 'z', then a copy of distance 1 and length 18 (0x001F).
    const Bytes block{0x40, 0x40, 0x00, 'z', 0x00, 0x1F};
    bool damaged = true;
    EXPECT_EQ(decompressBlock(codec, block, &damaged), Bytes(19, 'z'));
    EXPECT_FALSE(damaged);
}

TEST(LzrwBlock, RoundTripsVariedData) {
    TLZR codec;
    const std::vector<Bytes> inputs = {
        textBytes(TLZR::BlockSize, 1),
        runBytes(TLZR::BlockSize, 2),
        recordBytes(TLZR::BlockSize),
        randomBytes(5000, 3),
        blankLedBytes(20000, 4),
        textBytes(1, 5),
        textBytes(17, 6),
        concat({randomBytes(100, 8), Bytes(4200, 0), randomBytes(100, 9)})};
    for (const Bytes& in : inputs) {
        const Bytes coded = compressBlock(codec, in);
        EXPECT_LE(coded.size(), in.size() + 1);
        bool damaged = true;
        EXPECT_EQ(decompressBlock(codec, coded, &damaged), in);
        EXPECT_FALSE(damaged);
    }
}

TEST(LzrwBlock, DamagedBlocksStopInsideTheirBounds) {
    TLZR codec;
    struct Case {
        const char* what;
        Bytes block;
        std::size_t produced;
    };
    Bytes manyRuns{0x40, 0xFF, 0xFF};
    for (int i = 0; i < 9; ++i) // 9 x 4,095 bytes > 32,768
        manyRuns.insert(manyRuns.end(), {0x00, 0x0F, 0xEF, 'r'});
    Bytes lateControl{0x40, 0x00, 0x00};
    for (uint8_t i = 0; i < 16; ++i)
        lateControl.push_back(i);
    lateControl.insert(lateControl.end(), {0x80, 0x00});
    const std::vector<Case> cases = {
        {"copy before the output start", {0x40, 0x40, 0x00, 'a', 0x00, 0x2F}, 1},
        {"run past the block size", manyRuns, 8 * 4095},
        {"copy item cut off", {0x40, 0x40, 0x00, 'a', 0x00}, 1},
        {"run item cut off", {0x40, 0x80, 0x00, 0x00, 0x00, 0x04}, 0},
        {"control word without items", lateControl, 16},
        {"first control word cut off", {0x40, 0x80}, 0},
        {"stored block too long", concat({{0x80}, Bytes(TLZR::BlockSize + 1, 's')}),
         TLZR::BlockSize},
    };
    for (const Case& c : cases) {
        bool damaged = false;
        Bytes out(TLZR::BlockSize + 64, 0xEE);
        const std::size_t produced =
            codec.DecompressBlock(c.block.data(), out.data(), c.block.size(), &damaged);
        EXPECT_TRUE(damaged) << c.what;
        EXPECT_EQ(produced, c.produced) << c.what;
        EXPECT_EQ(out[TLZR::BlockSize], 0xEE) << c.what;
    }
}
