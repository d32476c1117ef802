#include "tlzr.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <new>

namespace {

constexpr std::size_t kHashSize = 4096;
constexpr std::size_t kMaxDistance = 4095;
constexpr std::size_t kMinMatch = 3;
constexpr std::size_t kMaxMatch = 18;
constexpr std::size_t kMinRun = 16;
constexpr std::size_t kMaxRun = 4095;
constexpr uint8_t kCodedFlag = 0x40;
constexpr uint8_t kStoredFlag = 0x80;

inline unsigned hashAt(const uint8_t* p) {
    const uint32_t v = (uint32_t(p[0]) << 8) ^ (uint32_t(p[1]) << 4) ^ uint32_t(p[2]);
    return ((v * 40543u) >> 4) & 0x0FFF;
}

inline void putWord(uint8_t* out, unsigned value) {
    out[0] = uint8_t(value >> 8);
    out[1] = uint8_t(value);
}

// Length of the run of in[x] starting at x, at most `limit`.
inline std::size_t runLength(const uint8_t* in, std::size_t x, std::size_t limit) {
    const uint8_t b = in[x];
    std::size_t r = 1;
    while (r < limit && in[x + r] == b)
        ++r;
    return r;
}

// Length of the common start of a and b, at most `limit` (which both have).
inline std::size_t matchLength(const uint8_t* a, const uint8_t* b, std::size_t limit) {
    std::size_t length = 0;
    while (length + 8 <= limit) {
        uint64_t wa;
        uint64_t wb;
        std::memcpy(&wa, a + length, 8);
        std::memcpy(&wb, b + length, 8);
        if (const uint64_t diff = wa ^ wb) {
            if constexpr (std::endian::native == std::endian::little)
                return length + (std::countr_zero(diff) >> 3);
            else
                return length + (std::countl_zero(diff) >> 3);
        }
        length += 8;
    }
    while (length < limit && a[length] == b[length])
        ++length;
    return length;
}

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
        copyMatch(out + y, d, length, 24);
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

uint16_t TLZR::CompressBlock(const uint8_t* in, uint8_t* out, std::size_t n) {
    if (n > BlockSize)
        throw std::invalid_argument("TLZR::CompressBlock: block longer than 32768 bytes");
    int16_t* const table = m_hash.get();
    std::fill(table, table + kHashSize, int16_t(-1));

    out[0] = kCodedFlag;
    std::size_t controlPos = 1;
    std::size_t y = 3;
    std::size_t x = 0;
    unsigned control = 0;
    int items = 0;

    while (x < n && y <= n) {
        if (items == 16) {
            putWord(out + controlPos, control);
            controlPos = y;
            y += 2;
            items = 0;
            control = 0;
        }
        const std::size_t run = runLength(in, x, std::min(kMaxRun, n - x));
        if (run >= kMinRun) {
            out[y] = 0;
            putWord(out + y + 1, unsigned(run - kMinRun));
            out[y + 3] = in[x];
            y += 4;
            x += run;
            control = (control << 1) | 1;
        } else {
            std::size_t length = 0;
            std::size_t distance = 0;
            // With fewer than three bytes left no match can reach the minimum
            // length, so the hash (which reads three bytes) is not needed.
            if (x + 2 < n) {
                const unsigned h = hashAt(in + x);
                const int candidate = table[h];
                table[h] = int16_t(x);
                if (candidate >= 0 && x - std::size_t(candidate) <= kMaxDistance) {
                    length = matchLength(in + x, in + candidate, std::min(kMaxMatch, n - x));
                    distance = x - std::size_t(candidate);
                }
            }
            if (length >= kMinMatch) {
                putWord(out + y, unsigned(distance * 16 + (length - kMinMatch)));
                y += 2;
                x += length;
                control = (control << 1) | 1;
            } else {
                out[y++] = in[x++];
                control <<= 1;
            }
        }
        ++items;
    }
    putWord(out + controlPos, (control << (16 - items)) & 0xFFFF);

    if (y > n) {
        out[0] = kStoredFlag;
        if (n > 0)
            std::memcpy(out + 1, in, n);
        return uint16_t(n + 1);
    }
    return uint16_t(y);
}

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
