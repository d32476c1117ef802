// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The adaptive Huffman code of the LZH stream: 314 symbols (256 literal bytes
// and the match lengths 3 to 60), in a tree whose nodes are kept in ascending
// order of their counts, so that a node's two children always stand next to
// each other and a code bit is the parity of a node's place.

#include "lzh_bits.h"

#include <cstdint>

namespace lzh {

constexpr int kRingSize = 4096;
constexpr int kLookahead = 60;
constexpr int kThreshold = 2;
constexpr int kSymbols = 256 - kThreshold + kLookahead; // 314
constexpr int kNodes = 2 * kSymbols - 1;                // 627
constexpr int kRoot = kNodes - 1;                       // 626
constexpr unsigned kMaxFreq = 0x8000;

class AdaptiveHuffman {
public:
    AdaptiveHuffman();

    void encode(unsigned symbol, BitWriter& out);
    unsigned decode(BitReader& in);

    // Encodes and decodes the upper 6 bits of a match position with the fixed
    // table, followed by the lower 6 bits as plain bits.
    static void encodePosition(unsigned position, BitWriter& out);
    static unsigned decodePosition(BitReader& in);

private:
    void update(unsigned symbol);
    void rebuild();

    uint16_t m_freq[kNodes + 1];         // the last entry is a sentinel above every count
    int16_t m_parent[kNodes + kSymbols]; // nodes, then one entry per leaf symbol
    int16_t m_son[kNodes];               // first child, or kNodes + symbol for a leaf
};

} // namespace lzh
