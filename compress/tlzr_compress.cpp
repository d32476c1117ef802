// SPDX-License-Identifier: GPL-3.0-or-later
// The LZRW1/KH coder. Most of a block is coded by a loop that may read up to
// kFastMargin bytes ahead without checking, with whole-word tests for runs and
// matches; the last bytes of the block go through a plain loop that checks
// every read. Both make exactly the same decisions, byte for byte.

#include "tlzr.h"
#include "tlzr_format.h"

#include <algorithm>
#include <stdexcept>

using namespace lzrw;

namespace {

// Room ahead of x that the fast loop reads without checking: the longest
// match (18 bytes) and the 16 bytes that tell a run, with some to spare.
constexpr std::size_t kFastMargin = 24;

// The hash of the three bytes b0 b1 b2 held in the low 24 bits of `bytes`
// (b0 lowest).
inline unsigned hashOf(uint32_t bytes) {
    const uint32_t v =
        ((bytes & 0xFF) << 8) ^ (((bytes >> 8) & 0xFF) << 4) ^ ((bytes >> 16) & 0xFF);
    return ((v * 40543u) >> 4) & 0x0FFF;
}

// Length of the run of p[0], at most `limit` (at least 1).
inline std::size_t runLength(const uint8_t* p, std::size_t limit) {
    std::size_t r = 1;
    while (r < limit && p[r] == p[0])
        ++r;
    return r;
}

// Length of a run known to hold 16 bytes equal to every byte of `word`, at
// most `limit`; eight bytes at a time.
inline std::size_t longRunLength(const uint8_t* p, std::size_t limit, uint64_t word) {
    std::size_t r = kMinRun;
    for (; r + 8 <= limit; r += 8)
        if (const uint64_t diff = load64(p + r) ^ word)
            return r + firstDifferentByte(diff);
    return r + runLength(p + r - 1, limit - r + 1) - 1;
}

// Length of the common start of a and b, at most `limit`.
inline std::size_t matchLength(const uint8_t* a, const uint8_t* b, std::size_t limit) {
    std::size_t length = 0;
    while (length < limit && a[length] == b[length])
        ++length;
    return length;
}

// Length of the common start of a and b, whose first eight bytes are equal,
// at most kMaxMatch; reads 18 bytes of each.
inline std::size_t longMatchLength(const uint8_t* a, const uint8_t* b) {
    if (const uint64_t diff = load64(a + 8) ^ load64(b + 8))
        return 8 + firstDifferentByte(diff);
    // Bytes 10 to 17: the first six of them are already known to agree.
    if (const uint64_t diff = load64(a + 10) ^ load64(b + 10))
        return 10 + firstDifferentByte(diff);
    return kMaxMatch;
}

// The block being coded: output position, the control word being filled and
// where it goes.
struct Items {
    uint8_t* out;
    std::size_t y = 3;
    std::size_t controlPos = 1;
    unsigned control = 0;
    int count = 0;

    // Starts a new control word when the current one holds 16 items.
    void makeRoom() {
        if (count == 16) {
            putWord(out + controlPos, control);
            controlPos = y;
            y += 2;
            count = 0;
            control = 0;
        }
    }
    void literal(uint8_t b) {
        out[y++] = b;
        control <<= 1;
        ++count;
    }
    void match(std::size_t distance, std::size_t length) {
        putWord(out + y, unsigned(distance * 16 + (length - kMinMatch)));
        y += 2;
        control = (control << 1) | 1;
        ++count;
    }
    void run(std::size_t length, uint8_t b) {
        out[y] = 0;
        putWord(out + y + 1, unsigned(length - kMinRun));
        out[y + 3] = b;
        y += 4;
        control = (control << 1) | 1;
        ++count;
    }
};

} // namespace

uint16_t TLZR::CompressBlock(const uint8_t* in, uint8_t* out, std::size_t n) {
    if (n > BlockSize)
        throw std::invalid_argument("TLZR::CompressBlock: block longer than 32768 bytes");
    int16_t* const table = m_hash.get();
    std::fill(table, table + kHashSize, int16_t(-1));

    out[0] = kCodedFlag;
    Items items{out};
    std::size_t x = 0;

    const std::size_t fastEnd = n > kFastMargin ? n - kFastMargin : 0;
    while (x < fastEnd && items.y <= n) {
        items.makeRoom();
        const uint64_t word = load64(in + x);
        // All eight bytes equal, and the next eight equal to them: a run.
        if (((word ^ (word >> 8)) << 8) == 0 && word == load64(in + x + 8)) {
            const std::size_t run = longRunLength(in + x, std::min(kMaxRun, n - x), word);
            items.run(run, uint8_t(word));
            x += run;
            continue;
        }
        const unsigned h = hashOf(uint32_t(word));
        // An empty entry (-1) reads as 65,535, always too far back; one
        // unsigned test covers both. The candidate is read even when too far
        // (x itself stands in for an empty one), so that the only branch left
        // is the one on the outcome.
        const std::size_t candidate = uint16_t(table[h]);
        table[h] = int16_t(x);
        const std::size_t distance = x - candidate;
        const std::size_t from = candidate < x ? candidate : x;
        const uint64_t diff = load64(in + from) ^ word;
        // Distances of 4,096 and more have bits above the low 12.
        static_assert(kMaxDistance == 0xFFF);
        if (((diff & 0xFFFFFF) | (distance >> 12)) == 0) {
            const std::size_t length =
                diff ? firstDifferentByte(diff) : longMatchLength(in + x, in + from);
            items.match(distance, length);
            x += length;
            continue;
        }
        items.literal(uint8_t(word));
        ++x;
    }

    // The last bytes, every read checked against the block end.
    while (x < n && items.y <= n) {
        items.makeRoom();
        const std::size_t run = runLength(in + x, std::min(kMaxRun, n - x));
        if (run >= kMinRun) {
            items.run(run, in[x]);
            x += run;
            continue;
        }
        // With fewer than three bytes left no match can reach the minimum
        // length, so the hash (which reads three bytes) is not needed.
        if (x + 2 < n) {
            const unsigned h =
                hashOf(in[x] | (uint32_t(in[x + 1]) << 8) | (uint32_t(in[x + 2]) << 16));
            const int candidate = table[h];
            table[h] = int16_t(x);
            if (candidate >= 0 && x - std::size_t(candidate) <= kMaxDistance) {
                const std::size_t length =
                    matchLength(in + x, in + candidate, std::min(kMaxMatch, n - x));
                if (length >= kMinMatch) {
                    items.match(x - std::size_t(candidate), length);
                    x += length;
                    continue;
                }
            }
        }
        items.literal(in[x]);
        ++x;
    }
    putWord(out + items.controlPos, (items.control << (16 - items.count)) & 0xFFFF);

    if (items.y > n) {
        out[0] = kStoredFlag;
        if (n > 0)
            std::memcpy(out + 1, in, n);
        return uint16_t(n + 1);
    }
    return uint16_t(items.y);
}
