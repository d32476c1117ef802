// SPDX-License-Identifier: GPL-3.0-or-later
#include "wordkey.h"

#include <cstring>

namespace {

constexpr std::uint64_t kOnes = ~std::uint64_t{0} / 255;
constexpr std::uint64_t kHighBits = kOnes * 0x80;
constexpr std::uint64_t kLowBits = kOnes * 0x7F;

unsigned char upper(unsigned char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<unsigned char>(c - 'a' + 'A') : c;
}

std::uint64_t loadNative(const unsigned char* p) {
    std::uint64_t v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

// Byte order as integer order: the first byte in memory becomes the most significant.
std::uint64_t toBigEndian(std::uint64_t v) {
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
    return v;
#else
    return __builtin_bswap64(v);
#endif
}

// True when some byte of v is zero.
bool hasZeroByte(std::uint64_t v) {
    return ((v - kOnes) & ~v & kHighBits) != 0;
}

// True when some byte of v is a lower-case letter a..z: per byte, the low seven
// bits t satisfy 'a' <= t <= 'z' and the top bit is clear. No byte lane can borrow
// or carry into the next.
bool hasLowerCase(std::uint64_t v) {
    const std::uint64_t t = v & kLowBits;
    const std::uint64_t belowEnd = kOnes * (127 + 'z' + 1) - t;    // top bit: t <= 'z'
    const std::uint64_t fromStart = t + kOnes * (127 - ('a' - 1)); // top bit: t >= 'a'
    return (belowEnd & ~v & fromStart & kHighBits) != 0;
}

// The record's word normalised into 14 bytes: the slow route, for records that are
// not plain capitals (only a file that was already in place can hold such records).
void normaliseRecordWord(const unsigned char* word, unsigned char* out) {
    std::size_t first = 0;
    while (first < WordKey::kWordBytes && (word[first] == ' ' || word[first] == 0))
        ++first;
    std::size_t n = 0;
    for (std::size_t i = first; i < WordKey::kWordBytes; ++i)
        out[n++] = word[i] == 0 ? ' ' : upper(word[i]);
    while (n < WordKey::kWordBytes)
        out[n++] = ' ';
}

// Compares big-endian key words with a record word's bytes 0..7 and 6..13 as loaded
// in native order.
int compareWords(std::uint64_t keyHead, std::uint64_t keyTail, std::uint64_t head,
                 std::uint64_t tail) {
    head = toBigEndian(head);
    if (keyHead != head)
        return keyHead < head ? -1 : 1;
    tail = toBigEndian(tail);
    if (keyTail != tail)
        return keyTail < tail ? -1 : 1;
    return 0;
}

} // namespace

bool WordKey::set(std::string_view word) {
    word = word.substr(0, kMaxInput);
    auto isBlank = [](char c) { return c == ' ' || c == '\0'; };
    std::size_t begin = 0;
    std::size_t end = word.size();
    while (begin < end && isBlank(word[begin]))
        ++begin;
    while (end > begin && isBlank(word[end - 1]))
        --end;
    if (begin == end || end - begin > kWordBytes)
        return false;

    unsigned char bytes[kWordBytes];
    std::size_t n = 0;
    for (std::size_t i = begin; i < end; ++i)
        bytes[n++] = word[i] == '\0' ? ' ' : upper(static_cast<unsigned char>(word[i]));
    while (n < kWordBytes)
        bytes[n++] = ' ';
    head_ = toBigEndian(loadNative(bytes));
    tail_ = toBigEndian(loadNative(bytes + 6));
    return true;
}

int WordKey::compareWithRecord(const unsigned char* record) const {
    const unsigned char* word = record + 1;
    // Records as the list is generated (capitals, blank padding, no leading blank)
    // already are their normalised form and are compared in place.
    const std::uint64_t head = loadNative(word);
    const std::uint64_t tail = loadNative(word + 6);
    const bool plain = word[0] != ' ' && !hasZeroByte(head) && !hasZeroByte(tail) &&
                       !hasLowerCase(head) && !hasLowerCase(tail);
    if (plain)
        return compareWords(head_, tail_, head, tail);
    unsigned char normal[kWordBytes];
    normaliseRecordWord(word, normal);
    return compareWords(head_, tail_, loadNative(normal), loadNative(normal + 6));
}
