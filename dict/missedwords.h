// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The words a round's players could have found and nobody did, for the list
// shown when the round ends.

#include "tdictn.h"

#include <string>
#include <string_view>
#include <vector>

// Up to `limit` of the longest listed words that begin with `prefix` and have
// `length` letters (any length when 0), leaving out the words in `found` (upper
// case, as the server sends them). Longest first; words of one length in list
// (alphabetical) order.
std::vector<std::string> missedWords(const TDictn& dictionary, std::string_view prefix, int length,
                                     const std::vector<std::string>& found, std::size_t limit = 10);
