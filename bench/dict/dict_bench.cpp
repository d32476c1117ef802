// SPDX-License-Identifier: GPL-3.0-or-later
// dict_bench: what one dictionary lookup costs.
//
// Looks up the same seeded mix of words, half of them in the list and half plausible
// typing slips that are not, three ways: TDictn::IsWord (binary search over the
// memory-mapped working file), an in-memory std::unordered_set<std::string>, and a
// binary search over a sorted in-memory std::vector<std::string>. Prints nanoseconds
// per lookup for each (best of several passes) and, last, IsWord's ratio to the
// in-memory binary search. Also prints what finding the words nobody found in a
// round costs for the busiest prefixes.

#include "missedwords.h"
#include "tdictn.h"
#include "wordlists.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <unordered_set>
#include <vector>

#include <unistd.h>

namespace {

constexpr std::size_t kLookups = 1 << 18;
constexpr int kPasses = 7;

std::vector<std::string> wordsOf(const std::string& records) {
    std::vector<std::string> words;
    for (std::size_t at = 0; at + 15 <= records.size(); at += 15) {
        std::string w = records.substr(at + 1, 14);
        w.erase(w.find_last_not_of(' ') + 1);
        words.push_back(w);
    }
    return words;
}

// A word as a hurried player might mistype it: one letter changed, added, dropped,
// or two neighbours swapped.
std::string slip(std::string w, std::mt19937& rng) {
    auto at = [&](std::size_t n) { return std::uniform_int_distribution<std::size_t>(0, n)(rng); };
    const char letter = static_cast<char>('A' + at(25));
    switch (at(3)) {
    case 0:
        w[at(w.size() - 1)] = letter;
        break;
    case 1:
        w.insert(w.begin() + static_cast<std::ptrdiff_t>(at(w.size())), letter);
        break;
    case 2:
        w.erase(at(w.size() - 1), 1);
        break;
    default: {
        const std::size_t i = at(w.size() - 2);
        std::swap(w[i], w[i + 1]);
    }
    }
    return w;
}

std::vector<std::string> lookupMix(const std::vector<std::string>& words,
                                   const std::unordered_set<std::string>& set) {
    std::mt19937 rng(7772u * 31u);
    std::uniform_int_distribution<std::size_t> any(0, words.size() - 1);
    std::vector<std::string> keys;
    while (keys.size() < kLookups / 2)
        keys.push_back(words[any(rng)]);
    while (keys.size() < kLookups) {
        const std::string miss = slip(words[any(rng)], rng);
        if (miss.size() >= 2 && miss.size() <= 14 && !set.count(miss))
            keys.push_back(miss);
    }
    std::shuffle(keys.begin(), keys.end(), rng);
    return keys;
}

template <typename Lookup>
double nanosPerLookup(const std::vector<std::string>& keys, Lookup lookup, std::size_t& hits) {
    double best = 1e300;
    for (int pass = 0; pass < kPasses; ++pass) {
        std::size_t found = 0;
        const auto start = std::chrono::steady_clock::now();
        for (const std::string& k : keys)
            found += lookup(k) ? 1 : 0;
        const auto end = std::chrono::steady_clock::now();
        best = std::min(best, std::chrono::duration<double, std::nano>(end - start).count());
        hits = found;
    }
    return best / static_cast<double>(keys.size());
}

// The prefix of `letters` letters that the most listed words begin with: the
// round whose missed words take longest to find.
std::string busiestPrefix(const std::vector<std::string>& words, std::size_t letters) {
    std::string best;
    std::size_t bestCount = 0;
    for (std::size_t i = 0; i < words.size();) {
        const std::string prefix = words[i].substr(0, letters);
        std::size_t j = i;
        while (j < words.size() && words[j].starts_with(prefix))
            ++j;
        if (prefix.size() == letters && j - i > bestCount) {
            best = prefix;
            bestCount = j - i;
        }
        i = j;
    }
    return best;
}

// What the list of missed words costs at the end of a round, for the worst
// prefix of each length and every round length (the median of several passes,
// so that a pass the system happened to interrupt does not decide).
void printMissedWordsCost(const TDictn& dict, const std::vector<std::string>& words) {
    std::printf("missed words at the end of a round (the busiest prefix of each length):\n");
    double worst = 0;
    for (std::size_t letters = 1; letters <= 3; ++letters) {
        const std::string prefix = busiestPrefix(words, letters);
        for (int length : {0, 3, 4, 5, 6, 7}) {
            std::vector<double> times;
            std::size_t count = 0;
            for (int pass = 0; pass < 3 * kPasses; ++pass) {
                const auto start = std::chrono::steady_clock::now();
                count = missedWords(dict, prefix, length, {}).size();
                const auto end = std::chrono::steady_clock::now();
                times.push_back(std::chrono::duration<double, std::milli>(end - start).count());
            }
            std::sort(times.begin(), times.end());
            const double median = times[times.size() / 2];
            std::printf("  prefix %-3s length %d: %6.3f ms median, %6.3f ms slowest (%zu words)\n",
                        prefix.c_str(), length, median, times.back(), count);
            worst = std::max(worst, median);
        }
    }
    std::printf("missed words, worst median: %.3f ms (goal: under 2 ms)\n", worst);
}

} // namespace

int main() {
    const std::optional<std::string> records = loadWordListResource();
    if (!records || records->empty()) {
        std::fprintf(stderr, "dict_bench: the word list resource is missing\n");
        return 1;
    }
    char dirTemplate[] = "/tmp/dict_bench.XXXXXX";
    if (!::mkdtemp(dirTemplate)) {
        std::perror("dict_bench: mkdtemp");
        return 1;
    }
    const std::string dir = dirTemplate;

    const std::vector<std::string> sorted = wordsOf(*records);
    const std::unordered_set<std::string> set(sorted.begin(), sorted.end());
    const std::vector<std::string> keys = lookupMix(sorted, set);

    double isWordNs = 0;
    std::size_t isWordHits = 0;
    {
        TDictn dict(dir, loadWordListResource);
        if (!dict.Available()) {
            std::fprintf(stderr, "dict_bench: the dictionary is not available\n");
            return 1;
        }
        isWordNs = nanosPerLookup(
            keys, [&](const std::string& k) { return dict.IsWord(k); }, isWordHits);
        printMissedWordsCost(dict, sorted);
    }
    std::filesystem::remove_all(dir);

    std::size_t setHits = 0;
    const double setNs = nanosPerLookup(
        keys, [&](const std::string& k) { return set.count(k) != 0; }, setHits);
    std::size_t vectorHits = 0;
    const double vectorNs = nanosPerLookup(
        keys,
        [&](const std::string& k) { return std::binary_search(sorted.begin(), sorted.end(), k); },
        vectorHits);

    std::printf("dict_bench: %zu words, %zu lookups a pass (half hits, half typing slips), "
                "best of %d passes\n",
                sorted.size(), keys.size(), kPasses);
    std::printf("  TDictn::IsWord (mapped file)        %7.1f ns/lookup  (%zu hits)\n", isWordNs,
                isWordHits);
    std::printf("  std::unordered_set<std::string>     %7.1f ns/lookup  (%zu hits)\n", setNs,
                setHits);
    std::printf("  binary search, vector<std::string>  %7.1f ns/lookup  (%zu hits)\n", vectorNs,
                vectorHits);
    if (isWordHits != setHits || isWordHits != vectorHits) {
        std::fprintf(stderr, "dict_bench: the three lookups disagree\n");
        return 1;
    }
    std::printf("IsWord / vector binary search: %.2f (goal: at most 1.50)\n", isWordNs / vectorNs);
    return 0;
}
