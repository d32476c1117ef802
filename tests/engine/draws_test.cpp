// SPDX-License-Identifier: GPL-3.0-or-later
// The ranges of the engine's random draws: which entries of the starter list a
// round or the computer can take, how long a round's prefix can be, and that a
// seed repeats them. Each test plays rounds out by ticking the round clock.

#include "enginerig.h"
#include "messages.h"

#include <QSet>

#include <gtest/gtest.h>

#include <map>

namespace {

// Plays `rounds` rounds of a game with the given length choice and answers the
// prefix lengths seen per round word length.
std::map<int, QSet<int>> prefixLengths(const char* lengthChoice, int rounds, quint32 seed) {
    EngineRig rig(seed);
    rig.pause = 1;
    Player& host = rig.join("Host");
    host.send(wire::startgame("Host", "1000000", "1", lengthChoice, "1"));
    std::map<int, QSet<int>> seen;
    for (int r = 0; r < rounds; ++r) {
        const RoundState& s = rig->round();
        if (s.starterword.size() >= 3)
            seen[s.wordlength].insert(int(s.prefix.size()));
        EXPECT_TRUE(s.starterword.startsWith(s.prefix));
        rig.runPhase();
        rig.runPhase();
    }
    return seen;
}

// Ten 3-letter words of the round's prefix "C", all in the dictionary, as the
// last ten entries of a list; the computer may draw only what comes before.
const QList<QByteArray> kLastTen{"cab", "cad", "cam", "can", "cap",
                                 "car", "cat", "caw", "cot", "cub"};

QList<QByteArray> wordsEndingInTen(const QByteArray& atNineteen) {
    QList<QByteArray> words;
    for (int i = 0; i < 19; ++i)
        words << "cart"; // never of a 3-letter round
    words << atNineteen << kLastTen;
    return words;
}

} // namespace

TEST(EngineDraws, PrefixLengthDependsOnTheRoundsWordLength) {
    EXPECT_EQ(prefixLengths("1", 200, 31)[3], (QSet<int>{1}));
    EXPECT_EQ(prefixLengths("2", 200, 31)[4], (QSet<int>{1, 2}));
    for (int length : {5, 6, 7}) {
        const QByteArray choice = QByteArray::number(length - 2);
        EXPECT_EQ(prefixLengths(choice.constData(), 300, 31)[length], (QSet<int>{1, 2, 3}))
            << length;
    }
    // Random rounds: no limit half of the time, and the same rule per length.
    const std::map<int, QSet<int>> random = prefixLengths("6", 1500, 31);
    EXPECT_EQ(random.at(0), (QSet<int>{1, 2, 3}));
    EXPECT_EQ(random.at(3), (QSet<int>{1}));
    EXPECT_EQ(random.at(4), (QSet<int>{1, 2}));
    EXPECT_EQ(random.at(7), (QSet<int>{1, 2, 3}));
    EXPECT_EQ(random.size(), 6u); // 0 and 3 to 7, never anything else
}

TEST(EngineDraws, LastStarterEntryIsNeverDrawn) {
    EngineRig rig({"bat", "cow", "dog", "zebra"}, 7);
    rig.pause = 1;
    Player& host = rig.join("Host");
    host.send(wire::startgame("Host", "1000000", "1", "0", "1"));
    QSet<QByteArray> starters;
    for (int r = 0; r < 300; ++r) {
        starters.insert(rig->round().starterword);
        rig.runPhase();
        rig.runPhase();
    }
    EXPECT_EQ(starters, (QSet<QByteArray>{"BAT", "COW", "DOG"}));
}

TEST(EngineDraws, ComputerNeverTriesTheLastTenEntries) {
    const WordLookup dictionary = realDictionary();
    for (const QByteArray& w : kLastTen)
        ASSERT_TRUE(dictionary(w.toUpper())) << w.constData();
    // Index 19 is the highest the computer may draw from 30 entries; the ten
    // words after it all fit the round.
    {
        EngineRig rig(wordsEndingInTen("coat"), 99);
        Player& host = rig.join("Host");
        host.send(wire::startgame("Host", "5", "60", "1", "1"));
        ASSERT_EQ(rig->round().prefix, "C");
        rig.computerTick(100);
        EXPECT_EQ(rig->players()[2].roundwords, 0);
        EXPECT_TRUE(rig->acceptedWords().isEmpty());
    }
    // The same word at index 19 is found.
    EngineRig rig(wordsEndingInTen("cat"), 99);
    Player& host = rig.join("Host");
    host.send(wire::startgame("Host", "5", "60", "1", "1"));
    for (int i = 0; i < 100 && rig->players()[2].roundwords == 0; ++i)
        rig.computerTick();
    EXPECT_EQ(rig->acceptedWords(), QList<QByteArray>{"CAT"});
    EXPECT_EQ(rig->players()[2].roundwords, 1);
    EXPECT_EQ(rig->players()[2].roundpoints, 3);
}

TEST(EngineDraws, ComputerTakesOnlyWordsOfTheRoundsLength) {
    QList<QByteArray> words{"cat", "car", "cab", "cart"};
    for (int i = 0; i < 10; ++i)
        words << "cats"; // never drawn
    EngineRig rig(words, 5);
    Player& host = rig.join("Host");
    host.send(wire::startgame("Host", "5", "60", "2", "1"));
    ASSERT_TRUE(rig->round().prefix == "C" || rig->round().prefix == "CA");
    for (int i = 0; i < 100 && rig->players()[2].roundwords == 0; ++i)
        rig.computerTick();
    EXPECT_EQ(rig->acceptedWords(), QList<QByteArray>{"CART"});
}

TEST(EngineDraws, SeededDrawsRepeat) {
    auto prefixes = [](quint32 seed) {
        EngineRig rig(seed);
        Player& host = rig.join("Host");
        host.send(wire::startgame("Host", "8", "5", "6", "1"));
        QList<QByteArray> out;
        for (int r = 0; r < 8; ++r) {
            const RoundState& s = rig->round();
            out << s.starterword + "/" + s.prefix + "/" + QByteArray::number(s.wordlength);
            rig.runPhase();
            rig.runPhase();
        }
        return out;
    };
    const QList<QByteArray> a = prefixes(99);
    EXPECT_EQ(a, prefixes(99));
    EXPECT_NE(a, prefixes(100));
}
