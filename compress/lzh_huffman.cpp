// SPDX-License-Identifier: GPL-3.0-or-later
#include "lzh_huffman.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace lzh {

namespace {

// The fixed code for the upper 6 bits of a position: a canonical prefix code
// with 3 bits for code 0, then 4, 5, 6, 7 and 8 bits for the groups below.
struct PositionTables {
    std::array<uint8_t, 64> encodeLength{};
    std::array<uint8_t, 64> encodeCode{}; // left-aligned in 8 bits
    std::array<uint8_t, 256> decodeCode{};
    std::array<uint8_t, 256> decodeLength{};

    PositionTables() {
        unsigned code = 0;
        unsigned length = 3;
        for (unsigned i = 0; i < 64; ++i) {
            const unsigned wanted = i < 1    ? 3
                                    : i < 4  ? 4
                                    : i < 12 ? 5
                                    : i < 24 ? 6
                                    : i < 48 ? 7
                                             : 8;
            code <<= (wanted - length);
            length = wanted;
            encodeLength[i] = uint8_t(length);
            encodeCode[i] = uint8_t(code << (8 - length));
            const unsigned span = 1u << (8 - length);
            for (unsigned k = 0; k < span; ++k) {
                decodeCode[encodeCode[i] + k] = uint8_t(i);
                decodeLength[encodeCode[i] + k] = uint8_t(length);
            }
            ++code;
        }
    }
};

const PositionTables& positionTables() {
    static const PositionTables tables;
    return tables;
}

} // namespace

AdaptiveHuffman::AdaptiveHuffman() {
    for (int i = 0; i < kSymbols; ++i) {
        m_freq[i] = 1;
        m_son[i] = int16_t(i + kNodes);
        m_parent[i + kNodes] = int16_t(i);
    }
    for (int i = 0, j = kSymbols; j <= kRoot; i += 2, ++j) {
        m_freq[j] = uint16_t(m_freq[i] + m_freq[i + 1]);
        m_son[j] = int16_t(i);
        m_parent[i] = m_parent[i + 1] = int16_t(j);
    }
    m_freq[kNodes] = 0xFFFF;
    m_parent[kRoot] = 0;
}

void AdaptiveHuffman::encode(unsigned symbol, BitWriter& out) {
    // Gather the bits leaf first; the code is sent root first. A tree whose
    // counts stay below kMaxFreq is far shallower than 64 levels.
    uint64_t bits = 0;
    unsigned length = 0;
    int node = m_parent[symbol + kNodes];
    do {
        bits |= uint64_t(node & 1) << length;
        ++length;
        node = m_parent[node];
    } while (node != kRoot);
    while (length > 32) {
        length -= 32;
        out.put(32, uint32_t(bits >> length));
    }
    out.put(length, uint32_t(bits));
    update(symbol);
}

unsigned AdaptiveHuffman::decode(BitReader& in) {
    int node = m_son[kRoot];
    while (node < kNodes)
        node = m_son[node + int(in.bit())];
    const unsigned symbol = unsigned(node - kNodes);
    update(symbol);
    return symbol;
}

void AdaptiveHuffman::encodePosition(unsigned position, BitWriter& out) {
    const PositionTables& t = positionTables();
    const unsigned upper = position >> 6;
    out.put(t.encodeLength[upper], t.encodeCode[upper] >> (8 - t.encodeLength[upper]));
    out.put(6, position & 0x3F);
}

unsigned AdaptiveHuffman::decodePosition(BitReader& in) {
    const PositionTables& t = positionTables();
    unsigned i = in.byte();
    const unsigned upper = t.decodeCode[i];
    for (int extra = t.decodeLength[i] - 2; extra > 0; --extra)
        i = (i << 1) | in.bit();
    return (upper << 6) | (i & 0x3F);
}

void AdaptiveHuffman::update(unsigned symbol) {
    if (m_freq[kRoot] == kMaxFreq)
        rebuild();
    int c = m_parent[symbol + kNodes];
    do {
        const unsigned k = ++m_freq[c];
        if (k > m_freq[c + 1]) {
            // Move this node behind the last one whose count is still smaller,
            // so the counts stay in ascending order. Everything after c is
            // still sorted (the sentinel ends it), so a binary search finds it.
            // The place is usually a step or two away: look there first.
            int l = c + 1;
            while (l < c + 5 && m_freq[l + 1] < k)
                ++l;
            if (l == c + 5 && m_freq[l + 1] < k)
                l = int(std::lower_bound(m_freq + l + 2, m_freq + kNodes + 1, k) - m_freq) - 1;
            m_freq[c] = m_freq[l];
            m_freq[l] = uint16_t(k);

            const int i = m_son[c];
            m_parent[i] = int16_t(l);
            if (i < kNodes)
                m_parent[i + 1] = int16_t(l);
            const int j = m_son[l];
            m_son[l] = int16_t(i);
            m_parent[j] = int16_t(c);
            if (j < kNodes)
                m_parent[j + 1] = int16_t(c);
            m_son[c] = int16_t(j);
            c = l;
        }
        c = m_parent[c];
    } while (c != 0);
}

void AdaptiveHuffman::rebuild() {
    // Gather the leaves at the front with their counts halved (rounding up).
    int j = 0;
    for (int i = 0; i < kNodes; ++i) {
        if (m_son[i] >= kNodes) {
            m_freq[j] = uint16_t((m_freq[i] + 1) / 2);
            m_son[j] = m_son[i];
            ++j;
        }
    }
    // Join nodes 2k and 2k + 1 in turn, each new node placed after the last
    // node whose count is not greater than its own.
    for (int i = 0, n = kSymbols; n < kNodes; i += 2, ++n) {
        const unsigned f = unsigned(m_freq[i]) + m_freq[i + 1];
        int k = n - 1;
        while (f < m_freq[k])
            --k;
        ++k;
        const std::size_t moved = std::size_t(n - k);
        std::memmove(&m_freq[k + 1], &m_freq[k], moved * sizeof(m_freq[0]));
        m_freq[k] = uint16_t(f);
        std::memmove(&m_son[k + 1], &m_son[k], moved * sizeof(m_son[0]));
        m_son[k] = int16_t(i);
    }
    for (int i = 0; i < kNodes; ++i) {
        const int k = m_son[i];
        m_parent[k] = int16_t(i);
        if (k < kNodes)
            m_parent[k + 1] = int16_t(i);
    }
}

} // namespace lzh
