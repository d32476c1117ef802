// SPDX-License-Identifier: GPL-3.0-or-later
#include "missedwords.h"

#include "wordkey.h"

#include <algorithm>
#include <array>

std::vector<std::string> missedWords(const TDictn& dictionary, std::string_view prefix, int length,
                                     const std::vector<std::string>& found, std::size_t limit) {
    // The list is visited once, in order, so each length keeps its first
    // `limit` words and the answer takes the longest lengths first: no sort,
    // however many words the prefix has.
    std::array<std::vector<std::string>, WordKey::kWordBytes + 1> byLength;
    dictionary.ForEachWithPrefix(prefix, [&](std::string_view word) {
        if (length != 0 && word.size() != std::size_t(length))
            return true;
        std::vector<std::string>& bucket = byLength[word.size()];
        if (bucket.size() < limit && std::find(found.begin(), found.end(), word) == found.end())
            bucket.emplace_back(word);
        return true;
    });
    std::vector<std::string> missed;
    for (auto bucket = byLength.rbegin(); bucket != byLength.rend() && missed.size() < limit;
         ++bucket)
        for (const std::string& word : *bucket)
            if (missed.size() < limit)
                missed.push_back(word);
    return missed;
}
