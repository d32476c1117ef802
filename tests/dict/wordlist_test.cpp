// SPDX-License-Identifier: GPL-3.0-or-later
// The generated word lists, as the program carries them: the dictionary's records in
// :/TEXT_DEMO and the round starters in :/words/starters.txt. Loading them here also
// shows that the resources of the static library reach an executable that links it.

#include "missedwords.h"
#include "tdictn.h"
#include "wordlists.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <memory>

namespace {

class WordList : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        tmp = std::make_unique<QTemporaryDir>();
        dict = std::make_unique<TDictn>(tmp->path().toStdString(), loadWordListResource);
    }
    static void TearDownTestSuite() {
        dict.reset();
        tmp.reset();
    }
    static std::unique_ptr<QTemporaryDir> tmp;
    static std::unique_ptr<TDictn> dict;
};
std::unique_ptr<QTemporaryDir> WordList::tmp;
std::unique_ptr<TDictn> WordList::dict;

TEST_F(WordList, RecordsAreFifteenBytesOfCapitalsSortedWithoutDuplicates) {
    const QByteArray list = wordListResource();
    ASSERT_GT(list.size(), 100000 * 15);
    ASSERT_EQ(list.size() % 15, 0);
    QByteArray previous;
    for (qsizetype at = 0; at < list.size(); at += 15) {
        ASSERT_EQ(list[at], '\x1e') << "record " << at / 15;
        const QByteArray word = list.mid(at + 1, 14);
        const qsizetype letters = word.indexOf(' ') < 0 ? 14 : word.indexOf(' ');
        ASSERT_GE(letters, 2) << word.constData();
        for (qsizetype i = 0; i < 14; ++i) {
            const char c = word[i];
            ASSERT_TRUE(i < letters ? (c >= 'A' && c <= 'Z') : c == ' ') << word.constData();
        }
        ASSERT_LT(previous, word) << "record " << at / 15;
        previous = word;
    }
}

TEST_F(WordList, LoadersAgreeOnTheBytes) {
    const std::optional<std::string> bytes = loadWordListResource();
    ASSERT_TRUE(bytes.has_value());
    const QByteArray list = wordListResource();
    EXPECT_EQ(QByteArray::fromStdString(*bytes), list);
    EXPECT_EQ(dict->LastIndex(), list.size() / 15 - 1);
}

TEST_F(WordList, AcceptsWhatPlayersCommonlyType) {
    ASSERT_TRUE(dict->Available());
    for (const char* w :
         {"CATS", "WALKED", "RUNNING", "QUIZ", "the", "Zoo", "boxes", "cities", "jumped", "happier",
          "quickly", "colour", "color", "zebras", "oryx", "unbelievable", "hmm"})
        EXPECT_TRUE(dict->IsWord(w)) << w;
}

TEST_F(WordList, RejectsJunk) {
    for (const char* w : {"XQZT", "ZZZZ", "QWRTY", "ASDFG", "CATZ", "RUNNNING", "AA", "KB", "TS",
                          "CS", "A", "I", "ISN'T"})
        EXPECT_FALSE(dict->IsWord(w)) << w;
}

TEST_F(WordList, StartersHaveTheTunedSpreadAndAreNearlyAllWords) {
    const QStringList starters = starterWords();
    EXPECT_NEAR(starters.size(), 7700, 100);
    std::array<int, 8> byLength{};
    int notWords = 0;
    QString previous;
    for (const QString& s : starters) {
        ASSERT_GE(s.size(), 1);
        ASSERT_LE(s.size(), 7);
        for (QChar c : s)
            ASSERT_TRUE(c >= u'a' && c <= u'z') << qPrintable(s);
        ASSERT_LT(previous, s);
        previous = s;
        ++byLength[s.size()];
        if (!dict->IsWord(s.toStdString()))
            ++notWords;
    }
    const std::array<int, 8> spread{0, 6, 56, 395, 1439, 1655, 2009, 2127};
    EXPECT_EQ(byLength, spread);
    EXPECT_LE(notWords, starters.size() / 100);
    EXPECT_TRUE(starters.contains(QStringLiteral("cat")));
}

} // namespace

// The missed words of a round against the same words picked straight from the
// list: every word of the prefix and length, minus those found, longest first.
TEST_F(WordList, MissedWordsAreTheLongestUnfoundWordsOfThePrefix) {
    const QByteArray list = wordListResource();
    auto expected = [&](const std::string& prefix, int length,
                        const std::vector<std::string>& found) {
        std::vector<std::string> words;
        for (qsizetype at = 0; at < list.size(); at += 15) {
            const std::string word = list.mid(at + 1, 14).trimmed().toStdString();
            if (word.starts_with(prefix) && (length == 0 || int(word.size()) == length) &&
                std::find(found.begin(), found.end(), word) == found.end())
                words.push_back(word);
        }
        std::stable_sort(
            words.begin(), words.end(),
            [](const std::string& a, const std::string& b) { return a.size() > b.size(); });
        words.resize(std::min<std::size_t>(words.size(), 10));
        return words;
    };
    const std::vector<std::string> found = {"BRISK", "BRINE", "BRAIN"};
    EXPECT_EQ(missedWords(*dict, "BR", 5, found), expected("BR", 5, found));
    EXPECT_EQ(missedWords(*dict, "br", 5, {}), expected("BR", 5, {}));
    for (const char* prefix : {"S", "QU", "XYL", "ZZZ"})
        for (int length : {0, 3, 7})
            EXPECT_EQ(missedWords(*dict, prefix, length, {}), expected(prefix, length, {}))
                << prefix << " " << length;
    const std::vector<std::string> longest = missedWords(*dict, "S", 0, {});
    ASSERT_EQ(longest.size(), 10u);
    EXPECT_EQ(longest.front().size(), 14u);
    EXPECT_TRUE(missedWords(*dict, "", 0, {}).empty());
}
