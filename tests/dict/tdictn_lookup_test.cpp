// SPDX-License-Identifier: GPL-3.0-or-later
// Looking words up in hand-made lists: normalisation of the key, the binary search,
// and records that an existing file may hold in odd shapes.

#include "recordfile.h"
#include "tdictn.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

using namespace std::string_literals;

namespace {

class Lookup : public ::testing::Test {
protected:
    QTemporaryDir tmp;

    std::unique_ptr<TDictn> open(const std::string& bytes) {
        dict.reset();
        return std::make_unique<TDictn>(tmp.path().toStdString(),
                                        [bytes]() { return std::optional<std::string>(bytes); });
    }
    std::unique_ptr<TDictn> dict;
};

const std::vector<std::string> kList = {
    "AB", "ABCDEFGHIJKLMN", "CAT", "CATS", "DOG", "QUIZ", "ZYXWVUTSRQPONM", "ZYXWVUTSRQPONM",
};

TEST_F(Lookup, EmptyAndBlankWordsAreNotFound) {
    dict = open(makeRecords(kList));
    EXPECT_FALSE(dict->IsWord(""));
    EXPECT_FALSE(dict->IsWord(" "));
    EXPECT_FALSE(dict->IsWord("               "));
    EXPECT_FALSE(dict->IsWord("\0\0 \0"s));
}

TEST_F(Lookup, CaseAndSurroundingBlanksDoNotMatter) {
    dict = open(makeRecords(kList));
    for (const char* w : {"CAT", "cat", "Cat", "cAt", " CAT ", "   cat", "CAT          "})
        EXPECT_TRUE(dict->IsWord(w)) << '"' << w << '"';
    EXPECT_FALSE(dict->IsWord("CA T"));
    EXPECT_FALSE(dict->IsWord("CAT."));
    EXPECT_FALSE(dict->IsWord("\tCAT"));
    EXPECT_FALSE(dict->IsWord("CA"));
    EXPECT_FALSE(dict->IsWord("CATSS"));
}

TEST_F(Lookup, OneLetterWordsAreNotInAListThatStartsAtTwo) {
    dict = open(makeRecords(kList));
    EXPECT_FALSE(dict->IsWord("A"));
    EXPECT_FALSE(dict->IsWord("a"));
    EXPECT_TRUE(dict->IsWord("ab"));
}

TEST_F(Lookup, FourteenLettersAreFoundButFifteenOrMoreNeverAre) {
    dict = open(makeRecords(kList));
    EXPECT_TRUE(dict->IsWord("ABCDEFGHIJKLMN"));
    EXPECT_TRUE(dict->IsWord("abcdefghijklmn "));
    EXPECT_FALSE(dict->IsWord("ABCDEFGHIJKLMNO"));
    EXPECT_FALSE(dict->IsWord("ABCDEFGHIJKLMNOPQRSTUVWXYZ"));
    EXPECT_FALSE(dict->IsWord("ZYXWVUTSRQPONML"));
}

TEST_F(Lookup, AWordStoredInAdjacentRecordsIsFound) {
    dict = open(makeRecords(kList));
    EXPECT_TRUE(dict->IsWord("zyxwvutsrqponm"));
    // The same with the duplicates wherever the search's first probe falls.
    for (std::size_t copies = 1; copies <= 9; ++copies) {
        std::vector<std::string> list{"AA", "BB"};
        list.insert(list.end(), copies, "MOOSE");
        list.insert(list.end(), {"XX", "YY", "ZZ"});
        dict = open(makeRecords(list));
        EXPECT_TRUE(dict->IsWord("moose")) << copies << " copies";
        EXPECT_FALSE(dict->IsWord("MOOS")) << copies << " copies";
    }
}

TEST_F(Lookup, ZeroBytesInTheKeyAreBlanks) {
    dict = open(makeRecords({"CA T", "CAT"}));
    EXPECT_TRUE(dict->IsWord("\0CAT\0\0"s));
    EXPECT_TRUE(dict->IsWord("CA\0T"s));
    EXPECT_FALSE(dict->IsWord("C\0AT"s));
}

TEST_F(Lookup, OnlyTheFirst255CharactersCount) {
    dict = open(makeRecords(kList));
    EXPECT_TRUE(dict->IsWord(std::string(252, ' ') + "CAT"));
    EXPECT_FALSE(dict->IsWord(std::string(253, ' ') + "CAT")); // leaves "CA"
    EXPECT_TRUE(dict->IsWord(std::string(253, ' ') + "AB"));
    EXPECT_TRUE(dict->IsWord("CAT" + std::string(1000, ' ') + "JUNK"));
}

TEST_F(Lookup, NoLocaleCaseMapping) {
    // Only a to z are folded; accented letters stand as they are.
    dict = open(makeRecords({"\xC4"
                             "BC",
                             "ZOO"}));
    EXPECT_TRUE(dict->IsWord("\xC4"
                             "bc"));
    EXPECT_FALSE(dict->IsWord("\xE4"
                              "bc"));
}

TEST_F(Lookup, EveryStoredWordIsFoundAndNothingBetween) {
    // Lists of every length up to 64 records, so the search meets its bounds at
    // every position.
    for (int n = 1; n <= 64; ++n) {
        std::vector<std::string> list;
        for (int i = 0; i < n; ++i)
            list.push_back(std::string(1, char('A' + i / 26)) + char('A' + i % 26) + "M");
        dict = open(makeRecords(list));
        ASSERT_EQ(dict->LastIndex(), n - 1);
        for (const std::string& w : list) {
            EXPECT_TRUE(dict->IsWord(w)) << w << " in " << n;
            EXPECT_FALSE(dict->IsWord(w.substr(0, 2) + "A")) << n; // just before
            EXPECT_FALSE(dict->IsWord(w.substr(0, 2) + "Z")) << n; // just after
            EXPECT_FALSE(dict->IsWord(w + "S")) << n;
        }
        EXPECT_FALSE(dict->IsWord("AA"));
        EXPECT_FALSE(dict->IsWord("ZZZ"));
    }
}

TEST_F(Lookup, RecordsOfAnExistingFileAreNormalisedToo) {
    // A list not made by our generator: lower case, leading blanks, zero padding,
    // inner zero bytes. Kept in the order of the normalised words.
    std::string bytes = makeRecords(
        {"  ant", "bee", "cat\0\0\0\0\0\0\0\0\0\0\0"s, "DO\0G"s, "\0\0EMU"s, "gNu", "yAk"});
    dict = open(bytes);
    for (const char* w : {"ANT", "bee", "CAT", "DO G", "EMU", "GNU", "yak"})
        EXPECT_TRUE(dict->IsWord(w)) << w;
    EXPECT_FALSE(dict->IsWord("DOG"));
    EXPECT_FALSE(dict->IsWord("AN"));
}

TEST_F(Lookup, ARecordOutOfOrderCanBeMissed) {
    // The lookup searches, it does not scan: a list that is not sorted loses words.
    dict = open(makeRecords({"AA", "BB", "CC", "DD", "EE", "FF", "GG", "HH", "AB"}));
    EXPECT_TRUE(dict->IsWord("EE"));
    EXPECT_FALSE(dict->IsWord("AB"));
}

} // namespace

TEST_F(Lookup, WordsWithAPrefixAreVisitedInOrderUntilTheVisitorStops) {
    dict = open(makeRecords({"BA", "CAB", "CAT", "CATS", "CAVE", "COT", "DOG"}));
    auto visited = [&](std::string_view prefix, std::size_t stopAfter = 100) {
        std::vector<std::string> words;
        dict->ForEachWithPrefix(prefix, [&](std::string_view w) {
            words.emplace_back(w);
            return words.size() < stopAfter;
        });
        return words;
    };
    EXPECT_EQ(visited("CA"), (std::vector<std::string>{"CAB", "CAT", "CATS", "CAVE"}));
    EXPECT_EQ(visited("cat"), (std::vector<std::string>{"CAT", "CATS"}));
    EXPECT_EQ(visited("CA", 2), (std::vector<std::string>{"CAB", "CAT"}));
    EXPECT_EQ(visited("DOG"), (std::vector<std::string>{"DOG"}));
    EXPECT_TRUE(visited("DOGS").empty());
    EXPECT_TRUE(visited("E").empty());
    EXPECT_TRUE(visited("").empty());
    EXPECT_TRUE(visited("A").empty());
}
