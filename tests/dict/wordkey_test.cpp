// SPDX-License-Identifier: GPL-3.0-or-later
// The key comparison takes a shortcut for records in plain capitals; checked here
// against a straightforward normalisation on many seeded random records, with bytes
// chosen around every boundary the shortcut tests.

#include "wordkey.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>

namespace {

std::string normalised(std::string s) {
    for (char& c : s)
        if (c == '\0')
            c = ' ';
    const auto first = s.find_first_not_of(' ');
    s = first == std::string::npos ? std::string() : s.substr(first);
    while (!s.empty() && s.back() == ' ')
        s.pop_back();
    for (char& c : s)
        if (c >= 'a' && c <= 'z')
            c = char(c - 'a' + 'A');
    if (s.size() < 15)
        s.resize(15, ' ');
    return s;
}

int sign(int v) {
    return (v > 0) - (v < 0);
}

// What the search must conclude for a key and a record's 14 word bytes.
int expectedOrder(const std::string& key, const std::string& word) {
    const std::string k = normalised(key);
    std::string r = normalised(word);
    return sign(k.compare(r));
}

const char kAlphabet[] = {'\0',   ' ',    '!',    '@',    'A', 'B', 'M',    'Z',    '[',
                          '`',    'a',    'b',    'm',    'z', '{', '\x7f', '\x80', '\xc1',
                          '\xda', '\xe1', '\xfa', '\xff', 'A', 'Z', 'A',    'Z',    ' '};

TEST(WordKey, AgreesWithPlainNormalisationOnRandomRecords) {
    std::mt19937 rng(20261208);
    std::uniform_int_distribution<int> pick(0, sizeof kAlphabet - 1);
    std::uniform_int_distribution<int> len(0, 14);
    auto randomText = [&](int n) {
        std::string s;
        for (int i = 0; i < n; ++i)
            s += kAlphabet[pick(rng)];
        return s;
    };
    int checked = 0;
    for (int round = 0; round < 200000; ++round) {
        std::string word = randomText(len(rng));
        word.resize(14, ' ');
        std::string keyText = randomText(len(rng));
        // Often the key is the record's own word in another shape, so that equality
        // and near-equality come up as often as plain order.
        if (round % 3 == 0) {
            keyText = word;
            std::transform(keyText.begin(), keyText.end(), keyText.begin(),
                           [](char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; });
        }
        WordKey key;
        if (!key.set(keyText))
            continue;
        const std::string record = "\x1e" + word;
        ASSERT_EQ(
            sign(key.compareWithRecord(reinterpret_cast<const unsigned char*>(record.data()))),
            expectedOrder(keyText, word))
            << "key \"" << keyText << "\" record \"" << word << '"';
        ++checked;
    }
    EXPECT_GT(checked, 100000);
}

TEST(WordKey, RefusesKeysNoRecordCanMatch) {
    WordKey key;
    EXPECT_FALSE(key.set(""));
    EXPECT_FALSE(key.set("   "));
    EXPECT_FALSE(key.set(std::string(3, '\0')));
    EXPECT_FALSE(key.set("ABCDEFGHIJKLMNO"));
    EXPECT_TRUE(key.set("  ABCDEFGHIJKLMN  "));
    EXPECT_TRUE(key.set("A"));
}

TEST(WordKey, ByteOrderIsUnsigned) {
    WordKey key;
    ASSERT_TRUE(key.set("\xC4"));
    const std::string low = "\x1e"
                            "Z             ";
    const std::string high = "\x1e"
                             "\xE9             ";
    EXPECT_GT(key.compareWithRecord(reinterpret_cast<const unsigned char*>(low.data())), 0);
    EXPECT_LT(key.compareWithRecord(reinterpret_cast<const unsigned char*>(high.data())), 0);
}

} // namespace
