// The generated word lists, as the program carries them: the dictionary's records in
// :/TEXT_DEMO and the round starters in :/words/starters.txt. Loading them here also
// shows that the resources of the static library reach an executable that links it.

#include "tdictn.h"
#include "wordlists.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

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
