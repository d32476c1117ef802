// SPDX-License-Identifier: GPL-3.0-or-later
#include "tlzr.h"
#include "tlzr_format.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <new>

using namespace lzrw;

namespace {

// Copies `length` bytes from `d` bytes back; `room` bytes of output remain.
inline void copyMatch(uint8_t* to, std::size_t d, std::size_t length, std::size_t room) {
    const uint8_t* from = to - d;
    if (d >= 16 && room >= 24) {
        // Whole words cover the longest copy; each reads only bytes already
        // in place, and what lands past the copy is overwritten later or lies
        // beyond the count returned.
        std::memcpy(to, from, 16);
        std::memcpy(to + 16, from + 16, 8);
    } else if (d >= 8 && room >= 24) {
        std::memcpy(to, from, 8);
        std::memcpy(to + 8, from + 8, 8);
        std::memcpy(to + 16, from + 16, 8);
    } else if (d >= length) {
        std::memcpy(to, from, length);
    } else {
        // Overlapping copy: each byte may be one this copy just made.
        for (std::size_t i = 0; i < length; ++i)
            to[i] = from[i];
    }
}

// Short distances (1 to 7) repeat a pattern of d bytes. Its first eight
// bytes come from one word: the d known bytes times a constant that places a
// copy of them every d bytes. After that each byte equals the one `period`
// back (the smallest multiple of d that is at least 8), far enough for
// whole-word copies.
struct ShortPattern {
    uint64_t mask[8]{};
    uint64_t repeat[8]{};
    std::size_t period[8]{};
    constexpr ShortPattern() {
        for (std::size_t d = 1; d < 8; ++d) {
            mask[d] = (uint64_t(1) << (8 * d)) - 1;
            for (std::size_t at = 0; at < 8; at += d)
                repeat[d] |= uint64_t(1) << (8 * at);
            period[d] = (8 + d - 1) / d * d;
        }
    }
};
constexpr ShortPattern kShortPattern;

// Copies a match of at most 18 bytes from `d` (at least 1) bytes back,
// writing 24 bytes; only bytes in front of `to` and bytes this copy has
// already written are read.
inline void quickCopy(uint8_t* to, std::size_t d) {
    if (d >= 8) {
        std::memcpy(to, to - d, 8);
        std::memcpy(to + 8, to + 8 - d, 8);
        std::memcpy(to + 16, to + 16 - d, 8);
        return;
    }
    // The word read reaches into the copy's own bytes; the mask drops them.
    const uint64_t head = load64(to - d);
    store64(to, (head & kShortPattern.mask[d]) * kShortPattern.repeat[d]);
    const std::size_t period = kShortPattern.period[d];
    std::memcpy(to + 8, to + 8 - period, 8);
    std::memcpy(to + 16, to + 16 - period, 8);
}

// Room a group may need: 16 items of up to 4 input bytes plus a 16-byte
// literal read; 16 items of up to 18 output bytes plus a 24-byte copy.
constexpr std::size_t kQuickInput = 16 * 4 + 16;
constexpr std::size_t kQuickOutput = 16 * kMaxMatch + 24;

// Decodes the items of one control word without bounds checks (the caller
// made sure of the room above), stopping early in front of a run item, which
// can write far more. Copies reaching before the output start stop it too.
inline void decodeQuickGroup(const uint8_t* in, uint8_t* out, std::size_t& x, std::size_t& y,
                             unsigned& control, unsigned& items) {
    for (;;) {
        // The literals in front of the next copy item (perhaps none), copied
        // as one 16-byte word whatever their number: no branch to mispredict.
        const unsigned count = std::min(unsigned(std::countl_zero(uint16_t(control))), items);
        std::memcpy(out + y, in + x, 16);
        x += count;
        y += count;
        items -= count;
        control = (control << count) & 0xFFFF;
        if (items == 0)
            return;
        const std::size_t d = (std::size_t(in[x]) << 4) | (in[x + 1] >> 4);
        if (d == 0 || d > y)
            return;
        const std::size_t length = (in[x + 1] & 0x0F) + kMinMatch;
        quickCopy(out + y, d);
        y += length;
        x += 2;
        control = (control << 1) & 0xFFFF;
        if (--items == 0)
            return;
    }
}

} // namespace

TLZR::TLZR() {
    try {
        m_hash.reset(new int16_t[kHashSize]);
    } catch (const std::bad_alloc&) {
        throw ELzrw1KHCompressor("LZRW1KH : no memory for HASH table");
    }
}

TLZR::~TLZR() = default;

std::size_t TLZR::DecompressBlock(const uint8_t* in, uint8_t* out, std::size_t m, bool* damaged) {
    if (damaged)
        *damaged = false;
    auto fail = [&](std::size_t produced) {
        if (damaged)
            *damaged = true;
        return produced;
    };
    if (m <= 1)
        return 0;
    if (in[0] == kStoredFlag) {
        if (m - 1 > BlockSize) {
            std::memcpy(out, in + 1, BlockSize);
            return fail(BlockSize);
        }
        std::memcpy(out, in + 1, m - 1);
        return m - 1;
    }
    std::size_t x = 1;
    std::size_t y = 0;
    unsigned control = 0;
    unsigned items = 0;
    while (x < m) {
        if (items == 0) {
            // A control word is only ever written in front of an item.
            if (m - x < 3)
                return fail(y);
            control = (unsigned(in[x]) << 8) | in[x + 1];
            x += 2;
            items = 16;
            // Most groups lie well inside both blocks: then no literal or
            // match of the group can run off either end, and only runs (which
            // end the quick pass) need a check.
            if (m - x >= kQuickInput && BlockSize - y >= kQuickOutput) {
                // What it leaves (a run, or a damaged copy) is taken below.
                decodeQuickGroup(in, out, x, y, control, items);
                if (items == 0)
                    continue;
            }
        }
        if ((control & 0x8000) == 0) {
            // A stretch of literals, copied at once. Zero bits past the last
            // item of a block find no more bytes and end it.
            std::size_t count = std::min<std::size_t>(
                {std::size_t(std::countl_zero(uint16_t(control))), items, m - x});
            if (count > BlockSize - y) {
                std::memcpy(out + y, in + x, BlockSize - y);
                return fail(BlockSize);
            }
            std::memcpy(out + y, in + x, count);
            x += count;
            y += count;
            items -= unsigned(count);
            control = (control << count) & 0xFFFF;
            continue;
        }
        if (m - x < 2)
            return fail(y);
        const std::size_t d = (std::size_t(in[x]) << 4) | (in[x + 1] >> 4);
        if (d == 0) {
            if (m - x < 4)
                return fail(y);
            const std::size_t count = ((std::size_t(in[x + 1]) << 8) | in[x + 2]) + kMinRun;
            if (count > BlockSize - y)
                return fail(y);
            std::memset(out + y, in[x + 3], count);
            y += count;
            x += 4;
        } else {
            const std::size_t length = (in[x + 1] & 0x0F) + kMinMatch;
            if (d > y || length > BlockSize - y)
                return fail(y);
            copyMatch(out + y, d, length, BlockSize - y);
            y += length;
            x += 2;
        }
        control = (control << 1) & 0xFFFF;
        --items;
    }
    return y;
}
