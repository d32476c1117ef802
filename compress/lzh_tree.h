// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The LZH coder's window: a 4,096-byte ring of recent input plus the binary
// search trees (one per first byte) over the 60-byte strings that start at its
// positions, used to find the longest earlier match of the coming bytes.

#include "lzh_huffman.h"

#include <cstdint>

namespace lzh {

class MatchTree {
public:
    static constexpr int kNil = kRingSize;

    MatchTree();

    // The ring, with its first kLookahead - 1 bytes mirrored after its end so
    // that a 60-byte comparison never wraps.
    uint8_t text[kRingSize + kLookahead - 1];

    // Enters position r; afterwards matchLength and matchPosition describe the
    // longest earlier string equal to the one at r (length 0 when none of
    // more than kThreshold bytes). Among equal lengths the nearest wins.
    void insert(int r);
    void remove(int p);

    int matchLength = 0;
    int matchPosition = 0; // distance back minus 1

private:
    void replace(int p, int r);

    int16_t m_left[kRingSize + 1];
    int16_t m_right[kRingSize + 257]; // entries above kRingSize are the roots
    int16_t m_parent[kRingSize + 1];
};

} // namespace lzh
