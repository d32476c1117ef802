// The ranges of the server's random draws: which entries of the starter list a
// round or the computer can take, and how long a round's prefix can be. Each
// test runs a server without connections and calls its operations directly.

#include "tserver.h"

#include <QSet>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <map>
#include <memory>

namespace {

std::unique_ptr<TServer> quietServer(const QTemporaryDir& dir, quint32 seed) {
    auto s = std::make_unique<TServer>(dir.path());
    s->setManualTicks(true);
    s->seed(seed);
    s->numrounds = 1000000;
    return s;
}

// Begins `rounds` rounds at the given length setting, with the record of used
// prefixes emptied before each, and answers the prefix lengths seen per round
// word length.
std::map<int, QSet<int>> prefixLengths(TServer& s, int lengthSetting, int rounds) {
    std::map<int, QSet<int>> seen;
    s.lengthsetting = lengthSetting;
    for (int r = 0; r < rounds; ++r) {
        s.listbox_prefix.clear();
        s.starttheround();
        if (s.starterword.size() >= 3)
            seen[s.wordlength].insert(int(s.prefix.size()));
        EXPECT_TRUE(s.starterword.startsWith(s.prefix));
    }
    return seen;
}

} // namespace

TEST(ServerDraws, PrefixLengthDependsOnTheRoundsWordLength) {
    QTemporaryDir dir;
    auto s = quietServer(dir, 31);
    EXPECT_EQ(prefixLengths(*s, 3, 200)[3], (QSet<int>{1}));
    EXPECT_EQ(prefixLengths(*s, 4, 200)[4], (QSet<int>{1, 2}));
    for (int length : {5, 6, 7})
        EXPECT_EQ(prefixLengths(*s, length, 300)[length], (QSet<int>{1, 2, 3})) << length;
    // Random rounds: no limit half of the time, and the same rule per length.
    const std::map<int, QSet<int>> random = prefixLengths(*s, 8, 1500);
    EXPECT_EQ(random.at(0), (QSet<int>{1, 2, 3}));
    EXPECT_EQ(random.at(3), (QSet<int>{1}));
    EXPECT_EQ(random.at(4), (QSet<int>{1, 2}));
    EXPECT_EQ(random.at(7), (QSet<int>{1, 2, 3}));
    EXPECT_EQ(random.size(), 6u); // 0 and 3 to 7, never anything else
}

TEST(ServerDraws, LastStarterEntryIsNeverDrawn) {
    QTemporaryDir dir;
    auto s = quietServer(dir, 7);
    s->listbox_words = {"bat", "cow", "dog", "zebra"};
    QSet<QByteArray> starters;
    for (int r = 0; r < 300; ++r) {
        s->listbox_prefix.clear();
        s->starttheround();
        starters.insert(s->starterword);
    }
    EXPECT_EQ(starters, (QSet<QByteArray>{"BAT", "COW", "DOG"}));
}

TEST(ServerDraws, ComputerNeverTriesTheLastTenEntries) {
    QTemporaryDir dir;
    auto s = quietServer(dir, 99);
    s->roundopen = true;
    s->countdown = 60;
    s->wordlength = 0;
    s->prefix = "CA";
    // Index 19 is the highest the computer may draw from 30 entries; the ten
    // words after it all fit the round and are in the dictionary.
    QList<QByteArray> words;
    for (int i = 0; i < 19; ++i)
        words << "dog";
    words << "xyz";
    words << QList<QByteArray>{"cab", "cad", "cam", "can",  "cap",
                               "car", "cat", "caw", "cats", "cars"};
    s->listbox_words = words;
    for (int tick = 0; tick < 50; ++tick)
        s->computerfindword();
    EXPECT_EQ(s->players[2].roundwords, 0);
    EXPECT_TRUE(s->listbox_gotten.isEmpty());

    // The same word at index 19 is found at once.
    s->listbox_words[19] = "cat";
    s->computerfindword();
    EXPECT_EQ(s->listbox_gotten, QList<QByteArray>{"CAT"});
    EXPECT_EQ(s->players[2].roundwords, 1);
    EXPECT_EQ(s->players[2].roundpoints, 3);
}

TEST(ServerDraws, ComputerTakesOnlyWordsOfTheRoundsLength) {
    QTemporaryDir dir;
    auto s = quietServer(dir, 5);
    s->roundopen = true;
    s->countdown = 60;
    s->wordlength = 4;
    s->prefix = "C";
    QList<QByteArray> words{"cat", "car", "cab", "cart"};
    for (int i = 0; i < 10; ++i)
        words << "cats"; // never drawn
    s->listbox_words = words;
    s->computerfindword();
    EXPECT_EQ(s->listbox_gotten, QList<QByteArray>{"CART"});
}
