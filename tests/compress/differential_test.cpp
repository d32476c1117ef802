// SPDX-License-Identifier: GPL-3.0-or-later
// The fast codecs against the plain reference versions in this folder: the
// same bytes out for many random and structured inputs, near every edge the
// fast loops treat differently (block ends, short distances, long runs,
// sorted text that makes the LZH search trees degenerate).

#include "reference_codecs.h"
#include "testdata.h"
#include "tlzh.h"
#include "tlzr.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

namespace {

// Sorted words, one a line: each new line sorts after the ones before it.
Bytes sortedWords(std::size_t n, uint32_t seed) {
    std::mt19937 rng(seed);
    std::vector<std::string> words;
    std::size_t total = 0;
    while (total < n) {
        std::string w;
        const int length = 2 + int(rng() % 9);
        for (int i = 0; i < length; ++i)
            w += char('a' + rng() % (i == 0 ? 4 : 26));
        total += w.size() + 1;
        words.push_back(w);
    }
    std::sort(words.begin(), words.end());
    std::string text;
    for (const std::string& w : words)
        text += w + "\n";
    text.resize(n);
    return bytesOf(text);
}

// Machine-code-like bytes: short stretches of zeros among few distinct bytes.
Bytes zeroLaced(std::size_t n, uint32_t seed) {
    std::mt19937 rng(seed);
    Bytes out;
    while (out.size() < n) {
        if (rng() % 3 == 0)
            out.insert(out.end(), 1 + rng() % 24, 0);
        else
            out.push_back(uint8_t(rng() % 6 == 0 ? rng() : rng() % 8));
    }
    out.resize(n);
    return out;
}

// A pattern of `period` random bytes repeated, with an occasional change.
Bytes periodic(std::size_t n, std::size_t period, uint32_t seed) {
    std::mt19937 rng(seed);
    const Bytes unit = randomBytes(period, seed);
    Bytes out;
    for (std::size_t i = 0; i < n; ++i)
        out.push_back(rng() % 97 == 0 ? uint8_t(rng()) : unit[i % period]);
    return out;
}

std::vector<Bytes> inputs() {
    std::vector<Bytes> all;
    for (uint32_t seed = 1; seed <= 3; ++seed) {
        all.push_back(textBytes(70000, seed));
        all.push_back(sortedWords(70000, seed));
        all.push_back(zeroLaced(70000, seed));
        all.push_back(runBytes(70000, seed));
        all.push_back(randomBytes(33000, seed));
        all.push_back(blankLedBytes(9000, seed));
    }
    all.push_back(recordBytes(40000));
    for (std::size_t period = 1; period <= 40; ++period)
        all.push_back(periodic(3000, period, uint32_t(period)));
    // Every short length, where the coder's checked tail loop does it all.
    for (std::size_t n = 0; n <= 120; ++n) {
        all.push_back(textBytes(n, uint32_t(n)));
        all.push_back(zeroLaced(n, uint32_t(n)));
        all.push_back(periodic(n, 1 + n % 5, uint32_t(n)));
    }
    return all;
}

// Blocks of sound items that the coder itself would seldom write: mostly
// copies at distances 1 to 40, some far ones, literals and runs.
Bytes randomBlock(std::mt19937& rng, std::size_t* produced) {
    Bytes block{0x40, 0, 0};
    std::size_t controlPos = 1;
    unsigned control = 0;
    int items = 0;
    std::size_t y = 0;
    const std::size_t target = 1 + rng() % TLZR::BlockSize;
    while (y < target) {
        if (items == 16) {
            block[controlPos] = uint8_t(control >> 8);
            block[controlPos + 1] = uint8_t(control);
            controlPos = block.size();
            block.insert(block.end(), {0, 0});
            items = 0;
            control = 0;
        }
        const unsigned kind = rng() % 10;
        const std::size_t room = TLZR::BlockSize - y;
        if (kind < 3 || y == 0 || room < 18) {
            block.push_back(uint8_t(rng()));
            control <<= 1;
            y += 1;
        } else if (kind < 9 || room < 4095) {
            const std::size_t limit = std::min<std::size_t>(y, 4095);
            const std::size_t d =
                1 + (kind < 7 ? rng() % std::min<std::size_t>(limit, 40) : rng() % limit);
            const std::size_t length = 3 + rng() % 16;
            const unsigned value = unsigned(d * 16 + length - 3);
            block.insert(block.end(), {uint8_t(value >> 8), uint8_t(value)});
            control = (control << 1) | 1;
            y += length;
        } else {
            const std::size_t count = 16 + rng() % 200;
            block.insert(block.end(),
                         {0, uint8_t((count - 16) >> 8), uint8_t(count - 16), uint8_t(rng())});
            control = (control << 1) | 1;
            y += count;
        }
        ++items;
    }
    control <<= 16 - items;
    block[controlPos] = uint8_t(control >> 8);
    block[controlPos + 1] = uint8_t(control);
    *produced = y;
    return block;
}

} // namespace

TEST(Differential, LzrwCoderWritesTheReferenceBytes) {
    TLZR codec;
    for (const Bytes& in : inputs()) {
        for (std::size_t pos = 0; pos == 0 || pos < in.size(); pos += TLZR::BlockSize) {
            const std::size_t n = std::min(TLZR::BlockSize, in.size() - pos);
            const Bytes part(in.begin() + long(pos), in.begin() + long(pos + n));
            Bytes out(n + TLZR::OutputSlack);
            out.resize(codec.CompressBlock(part.data(), out.data(), n));
            ASSERT_EQ(out, reference::lzrwCompress(part)) << "block of " << n << " bytes";

            Bytes back(TLZR::BlockSize);
            bool damaged = true;
            back.resize(codec.DecompressBlock(out.data(), back.data(), out.size(), &damaged));
            ASSERT_FALSE(damaged);
            ASSERT_EQ(back, part) << "block of " << n << " bytes";
        }
    }
}

TEST(Differential, LzrwDecoderAgreesOnBlocksOfEveryItemMix) {
    TLZR codec;
    std::mt19937 rng(2024);
    for (int i = 0; i < 300; ++i) {
        std::size_t produced = 0;
        const Bytes block = randomBlock(rng, &produced);
        const Bytes expected = reference::lzrwDecompress(block);
        ASSERT_EQ(expected.size(), produced);
        Bytes out(TLZR::BlockSize + 64, 0xEE);
        bool damaged = true;
        const std::size_t n =
            codec.DecompressBlock(block.data(), out.data(), block.size(), &damaged);
        ASSERT_FALSE(damaged) << "block " << i;
        ASSERT_EQ(n, produced) << "block " << i;
        ASSERT_TRUE(std::equal(expected.begin(), expected.end(), out.begin())) << "block " << i;
        ASSERT_EQ(out[TLZR::BlockSize], 0xEE) << "block " << i;
    }
}

TEST(Differential, LzhCoderWritesTheReferenceStream) {
    for (const Bytes& in : inputs()) {
        TLZH codec;
        Bytes packed;
        codec.LZHPack(TLZH::readerOf(in.data(), in.size()),
                      [&](uint8_t b) { packed.push_back(b); });
        ASSERT_EQ(packed, reference::lzhPack(in)) << "input of " << in.size() << " bytes";
    }
}
