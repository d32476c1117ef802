#include "lzh_tree.h"

#include <bit>
#include <cstring>

namespace lzh {

namespace {

// The first i in 1..59 where the two strings differ, or kLookahead when they
// agree throughout (their first bytes are equal by the tree they share).
// Eight bytes at a time: insertion is where the coder spends its time.
inline int firstDifference(const uint8_t* key, const uint8_t* other) {
    int i = 1;
    for (; i + 8 <= kLookahead; i += 8) {
        uint64_t a;
        uint64_t b;
        std::memcpy(&a, key + i, 8);
        std::memcpy(&b, other + i, 8);
        if (const uint64_t x = a ^ b) {
            if constexpr (std::endian::native == std::endian::little)
                return i + (std::countr_zero(x) >> 3);
            else
                return i + (std::countl_zero(x) >> 3);
        }
    }
    for (; i < kLookahead; ++i)
        if (key[i] != other[i])
            return i;
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
    const uint8_t* key = &text[r];
    int p = kRingSize + 1 + key[0];
    int cmp = 1;
    m_right[r] = m_left[r] = kNil;
    // Kept in locals during the walk, so the compiler need not assume that
    // storing them changes the window it keeps reading.
    int bestLength = 0;
    int bestPosition = matchPosition;
    for (;;) {
        if (cmp >= 0) {
            if (m_right[p] != kNil) {
                p = m_right[p];
            } else {
                m_right[p] = int16_t(r);
                m_parent[r] = int16_t(p);
                matchLength = bestLength;
                matchPosition = bestPosition;
                return;
            }
        } else {
            if (m_left[p] != kNil) {
                p = m_left[p];
            } else {
                m_left[p] = int16_t(r);
                m_parent[r] = int16_t(p);
                matchLength = bestLength;
                matchPosition = bestPosition;
                return;
            }
        }
        const int i = firstDifference(key, &text[p]);
        cmp = i < kLookahead ? int(key[i]) - int(text[p + i]) : 0;
        if (i > kThreshold) {
            const int position = ((r - p) & (kRingSize - 1)) - 1;
            if (i > bestLength) {
                bestPosition = position;
                bestLength = i;
                if (bestLength >= kLookahead)
                    break;
            } else if (i == bestLength && position < bestPosition) {
                bestPosition = position;
            }
        }
    }
    matchLength = bestLength;
    matchPosition = bestPosition;
    // A full-length match: the new position takes the old one's place.
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
