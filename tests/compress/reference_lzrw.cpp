// SPDX-License-Identifier: GPL-3.0-or-later
#include "reference_codecs.h"

#include <vector>

namespace reference {

namespace {

unsigned hashAt(const Bytes& in, std::size_t x) {
    const uint32_t v = (uint32_t(in[x]) << 8) ^ (uint32_t(in[x + 1]) << 4) ^ in[x + 2];
    return ((v * 40543u) >> 4) & 0x0FFF;
}

} // namespace

Bytes lzrwCompress(const Bytes& in) {
    const std::size_t n = in.size();
    std::vector<int> table(4096, -1);
    Bytes out(n + 16, 0);
    out[0] = 0x40;
    std::size_t controlPos = 1;
    std::size_t y = 3;
    std::size_t x = 0;
    unsigned control = 0;
    int items = 0;
    auto putWord = [&](std::size_t at, unsigned value) {
        out[at] = uint8_t(value >> 8);
        out[at + 1] = uint8_t(value);
    };
    while (x < n && y <= n) {
        if (items == 16) {
            putWord(controlPos, control);
            controlPos = y;
            y += 2;
            items = 0;
            control = 0;
        }
        std::size_t run = 1;
        while (run < 4095 && x + run < n && in[x + run] == in[x])
            ++run;
        if (run >= 16) {
            out[y] = 0;
            putWord(y + 1, unsigned(run - 16));
            out[y + 3] = in[x];
            y += 4;
            x += run;
            control = (control << 1) | 1;
        } else {
            std::size_t length = 0;
            std::size_t distance = 0;
            if (x + 2 < n) {
                const unsigned h = hashAt(in, x);
                const int candidate = table[h];
                table[h] = int(x);
                if (candidate >= 0 && x - std::size_t(candidate) < 4096) {
                    distance = x - std::size_t(candidate);
                    while (length < 18 && x + length < n &&
                           in[x + length] == in[candidate + length])
                        ++length;
                }
            }
            if (length >= 3) {
                putWord(y, unsigned(distance * 16 + length - 3));
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
    putWord(controlPos, (control << (16 - items)) & 0xFFFF);
    if (y > n) {
        Bytes stored{0x80};
        stored.insert(stored.end(), in.begin(), in.end());
        return stored;
    }
    out.resize(y);
    return out;
}

Bytes lzrwDecompress(const Bytes& block) {
    Bytes out;
    if (block.size() <= 1)
        return out;
    if (block[0] == 0x80)
        return Bytes(block.begin() + 1, block.end());
    unsigned control = (unsigned(block[1]) << 8) | block[2];
    int bits = 16;
    std::size_t x = 3;
    while (x < block.size()) {
        if (bits == 0) {
            control = (unsigned(block[x]) << 8) | block[x + 1];
            x += 2;
            bits = 16;
        }
        if ((control & 0x8000) == 0) {
            out.push_back(block[x++]);
        } else {
            const std::size_t d = (std::size_t(block[x]) << 4) | (block[x + 1] >> 4);
            if (d == 0) {
                const std::size_t count = ((std::size_t(block[x + 1]) << 8) | block[x + 2]) + 16;
                out.insert(out.end(), count, block[x + 3]);
                x += 4;
            } else {
                const std::size_t length = (block[x + 1] & 0x0F) + 3;
                for (std::size_t i = 0; i < length; ++i)
                    out.push_back(out[out.size() - d]);
                x += 2;
            }
        }
        control = (control << 1) & 0xFFFF;
        --bits;
    }
    return out;
}

} // namespace reference
