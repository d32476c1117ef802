// SPDX-License-Identifier: GPL-3.0-or-later
// wordgen: builds the game's two word lists from Debian's scowl lists at build time.
//
//   wordgen <scowl dir> <word list out> <starter list out>
//
// The word list is what the dictionary searches: 15-byte records, byte 0 = 0x1E and
// bytes 1..14 the word in capitals, blank-padded, sorted by those bytes, no duplicates.
// The starter list is the server's pool of round starters: common lower-case words of
// 1 to 7 letters, one per line, sorted.
//
// Everything here is deterministic: the same scowl files always give the same bytes.

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <set>
#include <string>
#include <vector>

namespace {

// scowl sizes, most common first. Sizes 80 and 95 are mostly obscure or technical
// words that players would call junk, so they are never used.
constexpr std::array<int, 7> kCommonSizes{10, 20, 35, 40, 50, 55, 60};
// Size 70 still holds real words (oryx, miso, ilex) but its two- and three-letter
// entries are mostly abbreviations (kb, lm, csc), so only its longer words count.
constexpr int kRareSize = 70;
constexpr std::size_t kRareMinLength = 4;

// English spellings common to all variants, plus the American and British forms,
// so that both "color" and "colour" are accepted.
constexpr std::array<const char*, 3> kDictionaryLists{"english-words", "american-words",
                                                      "british-words"};
// Starters are drawn from the shared and American lists only.
constexpr std::array<const char*, 2> kStarterLists{"english-words", "american-words"};

// How many starters of each length (index = letters), the spread the game was tuned
// with: 7,687 words in all.
constexpr std::array<std::size_t, 8> kStarterQuota{0, 6, 56, 395, 1439, 1655, 2009, 2127};

// Words the dictionary accepts but that must never be shown as a round's starter:
// slurs, vulgarities and a few that would sour a friendly game.
const std::set<std::string> kNoStarters{
    "anus",   "arse", "ass",   "bastard", "bitch",   "bugger", "chink",  "cock", "coon",
    "crap",   "cunt", "dago",  "damn",    "dick",    "dyke",   "fag",    "fags", "fuck",
    "gook",   "kike", "nazi",  "nigger",  "paki",    "penis",  "piss",   "porn", "queer",
    "queers", "rape", "raped", "rapes",   "rapist",  "retard", "semen",  "sex",  "sexy",
    "shit",   "slut", "sluts", "spic",    "suicide", "tits",   "tranny", "twat", "vagina",
    "whore",  "wog",  "wop",   "yid"};

bool isLowerWord(const std::string& w, std::size_t minLen, std::size_t maxLen) {
    if (w.size() < minLen || w.size() > maxLen)
        return false;
    return std::all_of(w.begin(), w.end(), [](char c) { return c >= 'a' && c <= 'z'; });
}

// scowl lists plurals of letters ("cs", "ts") as two-letter words; they are not words.
bool isLetterPlural(const std::string& w) {
    return w.size() == 2 && w.find_first_of("aeiouy") == std::string::npos;
}

bool acceptedInDictionary(const std::string& w, int size) {
    if (!isLowerWord(w, 2, 14) || isLetterPlural(w))
        return false;
    return size != kRareSize || w.size() >= kRareMinLength;
}

// Reads one scowl file (ISO-8859-1, one entry a line). Entries with capitals,
// apostrophes or accented letters are simply not lower-case a-z words and are
// dropped by the callers' filters. A missing file is an error: a changed scowl
// package must not silently shrink the list.
std::vector<std::string> readList(const std::string& dir, const std::string& name, int size) {
    const std::string path = dir + "/" + name + "." + std::to_string(size);
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        std::cerr << "wordgen: cannot read " << path << "\n";
        std::exit(1);
    }
    std::vector<std::string> words;
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        words.push_back(line);
    }
    return words;
}

std::set<std::string> dictionaryWords(const std::string& dir) {
    std::set<std::string> words;
    auto addSize = [&](int size) {
        for (const char* list : kDictionaryLists)
            for (const std::string& w : readList(dir, list, size))
                if (acceptedInDictionary(w, size))
                    words.insert(w);
    };
    for (int size : kCommonSizes)
        addSize(size);
    addSize(kRareSize);
    return words;
}

// Fills each length's quota from the most common sizes first. When a size has more
// candidates than the quota still needs, evenly spaced ones are taken from its sorted
// candidates, so the pick covers the whole alphabet.
std::set<std::string> starterWords(const std::string& dir, const std::set<std::string>& dict) {
    std::set<std::string> chosen;
    std::array<std::size_t, kStarterQuota.size()> have{};
    for (int size : kCommonSizes) {
        std::array<std::set<std::string>, kStarterQuota.size()> candidates;
        for (const char* list : kStarterLists)
            for (const std::string& w : readList(dir, list, size)) {
                if (!isLowerWord(w, 1, kStarterQuota.size() - 1) || kNoStarters.count(w) ||
                    chosen.count(w))
                    continue;
                // One-letter words are never in the dictionary; every longer starter is.
                if (w.size() > 1 && !dict.count(w))
                    continue;
                candidates[w.size()].insert(w);
            }
        for (std::size_t len = 1; len < kStarterQuota.size(); ++len) {
            const std::vector<std::string> pool(candidates[len].begin(), candidates[len].end());
            const std::size_t need = kStarterQuota[len] - have[len];
            const std::size_t take = std::min(need, pool.size());
            for (std::size_t i = 0; i < take; ++i)
                chosen.insert(pool[(2 * i + 1) * pool.size() / (2 * take)]);
            have[len] += take;
        }
    }
    for (std::size_t len = 1; len < kStarterQuota.size(); ++len)
        if (have[len] != kStarterQuota[len]) {
            std::cerr << "wordgen: only " << have[len] << " starters of " << len << " letters, "
                      << kStarterQuota[len] << " wanted\n";
            std::exit(1);
        }
    return chosen;
}

void writeOrDie(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) {
        std::cerr << "wordgen: cannot write " << path << "\n";
        std::exit(1);
    }
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::cerr << "usage: wordgen <scowl dir> <word list out> <starter list out>\n";
        return 2;
    }
    const std::string dir = argv[1];
    const std::set<std::string> dict = dictionaryWords(dir);

    // std::set orders lower-case words by bytes; upper-casing every letter keeps that
    // order, and so does blank padding, since a blank sorts before every letter.
    std::string records;
    records.reserve(dict.size() * 15);
    for (const std::string& w : dict) {
        std::string rec(15, ' ');
        rec[0] = '\x1e';
        for (std::size_t i = 0; i < w.size(); ++i)
            rec[1 + i] = static_cast<char>(w[i] - 'a' + 'A');
        records += rec;
    }
    writeOrDie(argv[2], records);

    std::string starters;
    for (const std::string& w : starterWords(dir, dict))
        starters += w + "\n";
    writeOrDie(argv[3], starters);

    std::cout << "wordgen: " << dict.size() << " dictionary words\n";
    return 0;
}
