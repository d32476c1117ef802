// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// WordKey: a looked-up word in the form the dictionary's records are compared in.
//
// Both the key and each record's word are normalised the same way: zero bytes become
// blanks, blanks around the word are dropped, a to z become A to Z (nothing else
// changes, whatever the locale), and the result is padded with blanks. A stored word
// has at most 14 letters and is always followed by a blank when padded to 15, so only
// the first 14 bytes of either side ever decide a comparison, and a key of 15 or more
// characters can never be equal to any record.

#include <cstdint>
#include <string_view>

class WordKey {
public:
    // Only this many characters of a looked-up word count.
    static constexpr std::size_t kMaxInput = 255;
    // Letters a record can hold, after its marker byte.
    static constexpr std::size_t kWordBytes = 14;

    // Takes a word to look up. Returns false when no record can match it: nothing
    // but blanks (or zero bytes), or 15 or more characters once trimmed.
    bool set(std::string_view word);

    // <0, 0 or >0 as the key sorts before, equal to or after the word of the
    // 15-byte record at `record` (unsigned byte order on the normalised forms).
    int compareWithRecord(const unsigned char* record) const;

private:
    // The 14 key bytes as two big-endian words over bytes 0..7 and 6..13, so that an
    // integer comparison is a byte-order comparison.
    std::uint64_t head_ = 0;
    std::uint64_t tail_ = 0;
};
