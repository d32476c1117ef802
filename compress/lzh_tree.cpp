// SPDX-License-Identifier: GPL-3.0-or-later
#include "lzh_tree.h"

#include <bit>
#include <cstring>

namespace lzh {

namespace {

inline uint64_t load64(const uint8_t* p) {
    uint64_t v;
    std::memcpy(&v, p, 8);
    return v;
}

// Eight bytes as a number that orders like the bytes themselves do.
inline uint64_t loadOrdered(const uint8_t* p) {
    if constexpr (std::endian::native == std::endian::little)
        return __builtin_bswap64(load64(p));
    else
        return load64(p);
}

// Where two strings first differ past their first nine bytes (which the
// caller found equal): an index in 9..59, or kLookahead when they agree
// throughout. Eight bytes at a time; the last word overlaps the one before.
inline int differenceAfterNine(const uint8_t* key, const uint8_t* other) {
    for (int i = 9; i < kLookahead; i += 8) {
        const int at = i + 8 <= kLookahead ? i : kLookahead - 8;
        const uint64_t a = loadOrdered(key + at);
        const uint64_t b = loadOrdered(other + at);
        if (a != b)
            return at + (std::countl_zero(a ^ b) >> 3);
    }
    return kLookahead;
}

} // namespace

MatchTree::MatchTree() {
    // The window starts as blanks, the mirror and the lookahead area included:
    // an empty input sends the blank standing at the current position.
    std::memset(text, ' ', sizeof text);
    for (int i = kRingSize + 1; i <= kRingSize + 256; ++i)
        m_right[i] = kNil;
    for (int i = 0; i < kRingSize; ++i)
        m_parent[i] = kNil;
}

void MatchTree::insert(int r) {
    const uint8_t* const key = &text[r];
    // Bytes 1 to 8 of the key decide almost every comparison on their own:
    // read as one ordered number they give both the place of the first
    // difference and its direction, without touching single bytes.
    const uint64_t keyHead = loadOrdered(key + 1);
    int p = kRingSize + 1 + key[0];
    bool right = true;
    m_right[r] = m_left[r] = kNil;
    // Kept in locals during the walk, so the compiler need not assume that
    // storing them changes the window it keeps reading.
    int bestLength = 0;
    int bestPosition = matchPosition;
    for (;;) {
        // Two plain branches rather than a selected link: the direction is
        // usually predictable, and a guessed branch lets the next node load
        // start before this comparison has finished.
        int next;
        if (right) {
            next = m_right[p];
            if (next == kNil) {
                m_right[p] = int16_t(r);
                m_parent[r] = int16_t(p);
                break;
            }
        } else {
            next = m_left[p];
            if (next == kNil) {
                m_left[p] = int16_t(r);
                m_parent[r] = int16_t(p);
                break;
            }
        }
        p = next;
        const uint64_t head = loadOrdered(&text[p + 1]);
        if (head != keyHead) {
            right = keyHead > head;
            // A difference in bytes 1 or 2 leaves too short a match to count.
            const uint64_t diff = keyHead ^ head;
            if (diff >> 48)
                continue;
            const int i = 1 + (std::countl_zero(diff) >> 3);
            const int position = ((r - p) & (kRingSize - 1)) - 1;
            if (i > bestLength) {
                bestPosition = position;
                bestLength = i;
            } else if (i == bestLength && position < bestPosition) {
                bestPosition = position;
            }
            continue;
        }
        const int i = differenceAfterNine(key, &text[p]);
        right = i >= kLookahead || key[i] > text[p + i];
        const int position = ((r - p) & (kRingSize - 1)) - 1;
        if (i > bestLength) {
            bestPosition = position;
            bestLength = i;
            if (bestLength >= kLookahead) {
                replace(p, r);
                break;
            }
        } else if (i == bestLength && position < bestPosition) {
            bestPosition = position;
        }
    }
    matchLength = bestLength;
    matchPosition = bestPosition;
}

// A full-length match: the new position r takes the old one's place p.
void MatchTree::replace(int p, int r) {
    m_parent[r] = m_parent[p];
    m_left[r] = m_left[p];
    m_right[r] = m_right[p];
    m_parent[m_left[p]] = int16_t(r);
    m_parent[m_right[p]] = int16_t(r);
    if (m_right[m_parent[p]] == p)
        m_right[m_parent[p]] = int16_t(r);
    else
        m_left[m_parent[p]] = int16_t(r);
    m_parent[p] = kNil;
}

void MatchTree::remove(int p) {
    if (m_parent[p] == kNil)
        return;
    int q;
    if (m_right[p] == kNil) {
        q = m_left[p];
    } else if (m_left[p] == kNil) {
        q = m_right[p];
    } else {
        q = m_left[p];
        if (m_right[q] != kNil) {
            do {
                q = m_right[q];
            } while (m_right[q] != kNil);
            m_right[m_parent[q]] = m_left[q];
            m_parent[m_left[q]] = m_parent[q];
            m_left[q] = m_left[p];
            m_parent[m_left[p]] = int16_t(q);
        }
        m_right[q] = m_right[p];
        m_parent[m_right[p]] = int16_t(q);
    }
    m_parent[q] = m_parent[p];
    if (m_right[m_parent[p]] == p)
        m_right[m_parent[p]] = int16_t(q);
    else
        m_left[m_parent[p]] = int16_t(q);
    m_parent[p] = kNil;
}

} // namespace lzh
