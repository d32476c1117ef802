// SPDX-License-Identifier: GPL-3.0-or-later
// The game: starting games, rounds, prefixes, pauses and the winner. The
// round clock is ticked by hand; randomness is seeded.

#include "enginerig.h"
#include "messages.h"
#include "protocol.h"

#include <QSet>

#include <gtest/gtest.h>

namespace {

QList<QByteArray> fieldsOf(const QByteArray& message) {
    return wire::splitCommand(message).payload.split('+');
}

} // namespace

TEST(GameEngine, StartGameAnnouncesAndBeginsRoundOne) {
    EngineRig rig;
    Player& host = rig.join("Host");
    Player& two = rig.join("Two");
    for (int i = 3; i <= 6; ++i)
        rig.join("P" + QByteArray::number(i));
    Player& spy = rig.join("Spy");
    host.send(wire::startgame("Host", "3", "30", "2", "0"));
    ASSERT_FALSE(spy.withCommand("CMD_startround").isEmpty());
    const RoundState& r = rig->round();
    EXPECT_TRUE(rig->gameon());
    EXPECT_TRUE(r.roundopen);
    EXPECT_FALSE(rig->settings().showwords);
    EXPECT_EQ(rig->settings().lengthsetting, 4);
    EXPECT_EQ(rig->settings().roundtime, 34);
    EXPECT_EQ(r.countdown, 34);
    EXPECT_EQ(rig->roundphase(), RoundPhase::Playing);
    EXPECT_TRUE(rig->roundtimer().enabled);
    EXPECT_FALSE(rig->computertimer().enabled); // seat 2 is taken
    EXPECT_TRUE(host.has("CMD_startgame+Host+3+30+4+"));
    const QByteArray round = "CMD_startround+1+30+4+" + r.prefix + "+%1+" + r.starterword + "+";
    EXPECT_TRUE(host.has(QByteArray(round).replace("%1", "1")));
    EXPECT_TRUE(two.has(QByteArray(round).replace("%1", "2")));
    EXPECT_TRUE(spy.has(QByteArray(round).replace("%1", "1")));
    EXPECT_EQ(r.starterword.size(), 4);
    EXPECT_TRUE(r.starterword.startsWith(r.prefix));
}

TEST(GameEngine, FieldDefaultsAndLengthCodes) {
    EngineRig rig;
    Player& host = rig.join("Host");
    struct Case {
        const char *rounds, *seconds, *length, *show;
        int numrounds, roundtime, lengthsetting;
        bool showwords;
    } cases[] = {
        {"x", "", "9", "1", 5, 64, 0, true},    {"7", "45", "1", "0", 7, 49, 3, false},
        {"0", "0", "5", "yes", 5, 64, 7, true}, {"-2", "-3", "6", "", 5, 64, 8, true},
        {"2", "1", "0", "0", 2, 5, 0, false},
    };
    for (const Case& c : cases) {
        const qsizetype before = host.withCommand("CMD_startround").size();
        host.send(wire::startgame("Host", c.rounds, c.seconds, c.length, c.show));
        ASSERT_GT(host.withCommand("CMD_startround").size(), before);
        EXPECT_EQ(rig->settings().numrounds, c.numrounds) << c.rounds;
        EXPECT_EQ(rig->settings().roundtime, c.roundtime) << c.seconds;
        EXPECT_EQ(rig->settings().lengthsetting, c.lengthsetting) << c.length;
        EXPECT_EQ(rig->settings().showwords, c.showwords) << c.show;
        EXPECT_EQ(rig->round().roundnum, 1);
    }
}

TEST(GameEngine, UnreadableLengthChoiceChangesNothing) {
    EngineRig rig;
    Player& host = rig.join("Host");
    host.send(wire::startgame("Host", "5", "60", "six", "1"));
    host.send(wire::chat(1, "after", "clRed"));
    ASSERT_TRUE(host.has("CMD_chat+Host chats: after|clRed"));
    EXPECT_FALSE(rig->gameon());
    EXPECT_FALSE(rig->round().roundopen);
    EXPECT_FALSE(rig->roundtimer().enabled);
    EXPECT_TRUE(host.withCommand("CMD_startgame").isEmpty());

    // Mid-game, with a score to lose, the same message leaves the round alone.
    host.send(wire::startgame("Host", "5", "60", "3", "1"));
    const QByteArray word = rig.acceptableWord();
    ASSERT_FALSE(word.isEmpty());
    host.send(wire::sendword(1, word));
    rig.runPhase();
    rig.runPhase();
    const int score = rig->players()[1].score;
    ASSERT_GT(score, 0);
    const QByteArray prefix = rig->round().prefix;
    rig.tick();
    const int countdown = rig->round().countdown;
    host.send(wire::startgame("Host", "5", "60", "", "1"));
    host.send(wire::chat(1, "after2", "clRed"));
    ASSERT_TRUE(host.has("CMD_chat+Host chats: after2|clRed"));
    EXPECT_TRUE(rig->round().roundopen);
    EXPECT_EQ(rig->round().prefix, prefix);
    EXPECT_EQ(rig->round().countdown, countdown);
    EXPECT_EQ(rig->players()[1].score, score);
    EXPECT_EQ(host.withCommand("CMD_startgame").size(), 1);
}

TEST(GameEngine, RoundLastsItsTimeThenPauseThenNextRound) {
    EngineRig rig;
    Player& host = rig.join("Host");
    rig.pause = 3;
    host.send(wire::startgame("Host", "5", "10", "0", "1"));
    ASSERT_FALSE(host.withCommand("CMD_startround").isEmpty());
    EXPECT_EQ(rig.runPhase(), 14);
    EXPECT_FALSE(rig->round().roundopen);
    EXPECT_EQ(rig->roundphase(), RoundPhase::Pause);
    EXPECT_EQ(rig->round().countdown, 3);
    EXPECT_FALSE(rig->computertimer().enabled);
    EXPECT_EQ(rig.runPhase(), 3);
    EXPECT_TRUE(rig->round().roundopen);
    EXPECT_EQ(rig->round().roundnum, 2);
    rig.pause = 25; // 20 or more means the default 12
    rig.runPhase();
    EXPECT_EQ(rig->round().countdown, 12);
    rig.pause = 0;
    rig.runPhase();
    rig.runPhase();
    EXPECT_EQ(rig->round().countdown, 0);
    EXPECT_EQ(rig.runPhase(), 1);
    EXPECT_EQ(host.withCommand("CMD_startround").size(), 4);
    EXPECT_EQ(host.withCommand("CMD_endround").size(), 3);
}

TEST(GameEngine, PauseSettingBelowTwentyIsKeptAndTwentyMeansTwelve) {
    EngineRig rig;
    Player& host = rig.join("Host");
    rig.pause = 19;
    host.send(wire::startgame("Host", "5", "10", "0", "1"));
    ASSERT_FALSE(host.withCommand("CMD_startround").isEmpty());
    rig.runPhase();
    EXPECT_EQ(rig->round().countdown, 19);
    EXPECT_EQ(rig.runPhase(), 19);
    rig.pause = 20;
    rig.runPhase();
    EXPECT_EQ(rig->round().countdown, 12);
    EXPECT_EQ(rig.runPhase(), 12);
    // The setting is read when each pause begins, never earlier.
    EXPECT_TRUE(rig->round().roundopen);
    EXPECT_EQ(rig->round().roundnum, 3);
}

TEST(GameEngine, EndRoundReportsAllSixSeats) {
    // Every round's prefix is "S": the only starter is "s".
    EngineRig rig({"s", "zz"});
    Player& host = rig.join("Host");
    for (int i = 2; i <= 5; ++i)
        rig.join("P" + QByteArray::number(i));
    Player& six = rig.join("Six");
    host.send(wire::startgame("Host", "5", "10", "0", "1"));
    host.send(wire::sendword(1, "sand")); // 4 points in round 1
    rig.runPhase();
    rig.runPhase();
    ASSERT_EQ(rig->round().prefix, "S");
    host.send(wire::sendword(1, "stand"));
    six.send(wire::sendword(6, "sun"));
    rig.runPhase();
    EXPECT_EQ(host.withCommand("CMD_endround").last(),
              "CMD_endround+1+9+2+1+5+2+0+0+0+0+3+0+0+0+0+4+0+0+0+0+5+0+0+0+0+6+3+1+1+3");
}

TEST(GameEngine, SharedLeadPlaysExtraRoundsUntilSomebodyLeads) {
    EngineRig rig;
    Player& host = rig.join("Host");
    Player& two = rig.join("Two");
    rig.pause = 1;
    host.send(wire::startgame("Host", "2", "5", "0", "1"));
    ASSERT_FALSE(host.withCommand("CMD_startround").isEmpty());
    for (int r = 0; r < 4; ++r) {
        rig.runPhase(); // nobody scores
        rig.runPhase();
    }
    EXPECT_TRUE(rig->gameon());
    EXPECT_EQ(rig->round().roundnum, 5);
    ASSERT_EQ(host.withCommand("CMD_startround").size(), 5);
    EXPECT_TRUE(host.withCommand("CMD_startround").last().startsWith("CMD_startround+5+5+"));
    // Seat 2 finds a word; after this round the game ends with its win.
    const QByteArray word = rig.acceptableWord();
    ASSERT_FALSE(word.isEmpty());
    two.send(wire::sendword(2, word.toLower()));
    ASSERT_GT(rig->players()[2].roundpoints, 0);
    rig.runPhase();
    rig.runPhase();
    EXPECT_FALSE(rig->gameon());
    EXPECT_FALSE(rig->roundtimer().enabled);
    EXPECT_EQ(rig->roundphase(), RoundPhase::Idle);
    EXPECT_TRUE(host.has("CMD_winner+2+"));
    EXPECT_EQ(host.withCommand("CMD_startround").size(), 5);
}

TEST(GameEngine, PrefixesNeverRepeatWithinAGame) {
    EngineRig rig(777);
    Player& host = rig.join("Host");
    rig.pause = 1;
    host.send(wire::startgame("Host", "24", "5", "6", "1"));
    ASSERT_FALSE(host.withCommand("CMD_startround").isEmpty());
    QSet<QByteArray> seen;
    QSet<int> lengths;
    for (int r = 1; r <= 24; ++r) {
        const RoundState& s = rig->round();
        EXPECT_FALSE(seen.contains(s.prefix)) << "round " << r << " " << s.prefix.constData();
        seen.insert(s.prefix);
        lengths.insert(s.wordlength);
        if (s.wordlength == 3) {
            EXPECT_EQ(s.prefix.size(), 1);
        } else if (s.wordlength == 4) {
            EXPECT_LE(s.prefix.size(), 2);
        }
        EXPECT_TRUE(s.starterword.startsWith(s.prefix));
        if (s.wordlength) {
            EXPECT_EQ(s.starterword.size(), s.wordlength);
        }
        rig.runPhase();
        rig.runPhase();
    }
    EXPECT_GE(lengths.size(), 3); // random lengths really vary
}

TEST(GameEngine, ThreeLetterGamesOneLetterPrefixesAndNoHang) {
    EngineRig rig(4242);
    Player& host = rig.join("Host");
    rig.pause = 1;
    // Consecutive games of 3-letter words use up every one-letter prefix the
    // list offers; rounds must still start.
    for (int game = 0; game < 3; ++game) {
        const qsizetype before = host.withCommand("CMD_startgame").size();
        host.send(wire::startgame("Host", "20", "5", "1", "1"));
        ASSERT_GT(host.withCommand("CMD_startgame").size(), before);
        for (int r = 1; r <= 20; ++r) {
            const RoundState& s = rig->round();
            ASSERT_TRUE(s.roundopen);
            EXPECT_EQ(s.wordlength, 3);
            EXPECT_EQ(s.prefix.size(), 1);
            EXPECT_EQ(s.starterword.size(), 3);
            rig.runPhase();
            rig.runPhase();
        }
    }
    EXPECT_LE(rig->usedPrefixes().size(), 26);
}

TEST(GameEngine, ExhaustedPrefixRecordIsClearedInsteadOfHanging) {
    EngineRig rig({"cat", "cow", "dig", "dog", "emu", "zzz"}, 5);
    Player& host = rig.join("Host");
    host.send(wire::startgame("Host", "10", "5", "1", "1"));
    ASSERT_FALSE(host.withCommand("CMD_startround").isEmpty());
    QList<QByteArray> prefixes{rig->round().prefix};
    for (int r = 2; r <= 7; ++r) {
        rig.runPhase();
        rig.runPhase();
        ASSERT_TRUE(rig->round().roundopen);
        prefixes.append(rig->round().prefix);
    }
    // Three prefixes exist ("Z" is only in the last entry, never drawn): each
    // group of three rounds uses each once.
    for (int i = 0; i < prefixes.size(); i += 3) {
        const QList<QByteArray> group = prefixes.mid(i, 3);
        EXPECT_EQ(QSet<QByteArray>(group.begin(), group.end()).size(), group.size());
    }
    for (const QByteArray& p : prefixes)
        EXPECT_TRUE(p == "C" || p == "D" || p == "E") << p.constData();
}

TEST(GameEngine, PrefixesOfAnEarlierGameStayBarred) {
    EngineRig rig(99);
    Player& host = rig.join("Host");
    rig.pause = 1;
    host.send(wire::startgame("Host", "40", "5", "0", "1"));
    const QByteArray first = rig->round().prefix;
    host.send(wire::startgame("Host", "40", "5", "0", "1"));
    ASSERT_EQ(host.withCommand("CMD_startround").size(), 2);
    EXPECT_NE(rig->round().prefix, first);
    EXPECT_EQ(rig->usedPrefixes().size(), 2);
    // More than 26 recorded: the next game starts with a clean record.
    for (int r = 0; r < 25; ++r) {
        rig.runPhase();
        rig.runPhase();
    }
    ASSERT_EQ(rig->usedPrefixes().size(), 27);
    host.send(wire::startgame("Host", "5", "5", "0", "1"));
    EXPECT_EQ(rig->usedPrefixes(), QList<QByteArray>{rig->round().prefix});
}

TEST(GameEngine, SecondStartGameRestartsAtRoundOneWithZeroScores) {
    EngineRig rig;
    Player& host = rig.join("Host");
    host.send(wire::startgame("Host", "5", "10", "0", "1"));
    const QByteArray word = rig.acceptableWord();
    ASSERT_FALSE(word.isEmpty());
    host.send(wire::sendword(1, word));
    for (int phase = 0; phase < 4; ++phase)
        rig.runPhase();
    ASSERT_EQ(rig->round().roundnum, 3);
    ASSERT_GT(rig->players()[1].score, 0);
    ASSERT_GT(rig->players()[1].gamewords, 0);
    host.send(wire::startgame("Host", "5", "10", "0", "1"));
    ASSERT_EQ(host.withCommand("CMD_startround").size(), 4);
    EXPECT_EQ(rig->round().roundnum, 1);
    EXPECT_EQ(rig->players()[1].score, 0);
    EXPECT_EQ(rig->players()[1].gamewords, 0);
    EXPECT_TRUE(fieldsOf(host.withCommand("CMD_startround").last()).first() == "1");
}
