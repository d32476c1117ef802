// The game engine: starting games, rounds, prefixes, pauses and the winner.
// The round clock is ticked by hand; randomness is seeded.

#include "gamehelpers.h"
#include "messages.h"
#include "protocol.h"

#include <QSet>

#include <gtest/gtest.h>

namespace {

constexpr std::uint16_t kPort = 18201;

QList<QByteArray> fieldsOf(const QByteArray& message) {
    QList<QByteArray> f = wire::splitCommand(message).payload.split('+');
    return f;
}

} // namespace

TEST(GameEngine, StartGameAnnouncesAndBeginsRoundOne) {
    Harness h(kPort);
    RawClient& host = h.join("Host");
    RawClient& two = h.join("Two");
    for (int i = 3; i <= 6; ++i)
        h.join("P" + QByteArray::number(i));
    RawClient& spy = h.join("Spy");
    host.send(wire::startgame("Host", "3", "30", "2", "0"));
    ASSERT_TRUE(h.pump([&] { return !spy.withCommand("CMD_startround").isEmpty(); }));
    TServer& s = h.server();
    EXPECT_TRUE(s.gameon);
    EXPECT_TRUE(s.roundopen);
    EXPECT_FALSE(s.showwords);
    EXPECT_EQ(s.lengthsetting, 4);
    EXPECT_EQ(s.roundtime, 34);
    EXPECT_EQ(s.countdown, 34);
    EXPECT_EQ(s.roundtimer.Tag, 1);
    EXPECT_TRUE(s.roundtimer.enabled());
    EXPECT_FALSE(s.computertimer.enabled()); // seat 2 is taken
    EXPECT_TRUE(host.has("CMD_startgame+Host+3+30+4+"));
    const QByteArray round = "CMD_startround+1+30+4+" + s.prefix + "+%1+" + s.starterword + "+";
    EXPECT_TRUE(host.has(QByteArray(round).replace("%1", "1")));
    EXPECT_TRUE(two.has(QByteArray(round).replace("%1", "2")));
    EXPECT_TRUE(spy.has(QByteArray(round).replace("%1", "1")));
    EXPECT_EQ(s.starterword.size(), 4);
    EXPECT_TRUE(s.starterword.startsWith(s.prefix));
}

TEST(GameEngine, FieldDefaultsAndLengthCodes) {
    Harness h(kPort);
    RawClient& host = h.join("Host");
    TServer& s = h.server();
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
        host.send(wire::startgame("Host", c.rounds, c.seconds, c.length, c.show));
        const qsizetype before = host.withCommand("CMD_startround").size();
        ASSERT_TRUE(h.pump([&] { return host.withCommand("CMD_startround").size() > before; }));
        EXPECT_EQ(s.numrounds, c.numrounds) << c.rounds;
        EXPECT_EQ(s.roundtime, c.roundtime) << c.seconds;
        EXPECT_EQ(s.lengthsetting, c.lengthsetting) << c.length;
        EXPECT_EQ(s.showwords, c.showwords) << c.show;
        EXPECT_EQ(s.roundnum, 1);
    }
}

TEST(GameEngine, UnreadableLengthChoiceChangesNothing) {
    Harness h(kPort);
    RawClient& host = h.join("Host");
    TServer& s = h.server();
    host.send(wire::startgame("Host", "5", "60", "six", "1"));
    host.send(wire::chat(1, "after", "clRed"));
    ASSERT_TRUE(h.pump([&] { return host.has("CMD_chat+Host chats: after|clRed"); }));
    EXPECT_FALSE(s.gameon);
    EXPECT_FALSE(s.roundopen);
    EXPECT_FALSE(s.roundtimer.enabled());
    EXPECT_TRUE(host.withCommand("CMD_startgame").isEmpty());

    // Mid-game, the same message leaves the running round alone.
    host.send(wire::startgame("Host", "5", "60", "3", "1"));
    ASSERT_TRUE(h.pump([&] { return !host.withCommand("CMD_startround").isEmpty(); }));
    s.players[1].score = 11;
    const QByteArray prefix = s.prefix;
    s.roundtimerTimer();
    const int countdown = s.countdown;
    host.send(wire::startgame("Host", "5", "60", "", "1"));
    host.send(wire::chat(1, "after2", "clRed"));
    ASSERT_TRUE(h.pump([&] { return host.has("CMD_chat+Host chats: after2|clRed"); }));
    EXPECT_TRUE(s.roundopen);
    EXPECT_EQ(s.prefix, prefix);
    EXPECT_EQ(s.countdown, countdown);
    EXPECT_EQ(s.players[1].score, 11);
    EXPECT_EQ(host.withCommand("CMD_startgame").size(), 1);
}

TEST(GameEngine, RoundLastsItsTimeThenPauseThenNextRound) {
    Harness h(kPort);
    RawClient& host = h.join("Host");
    TServer& s = h.server();
    int pause = 3;
    s.timeBetweenRounds = [&] { return pause; };
    host.send(wire::startgame("Host", "5", "10", "0", "1"));
    ASSERT_TRUE(h.pump([&] { return !host.withCommand("CMD_startround").isEmpty(); }));
    EXPECT_EQ(runPhase(s), 14);
    EXPECT_FALSE(s.roundopen);
    EXPECT_EQ(s.roundtimer.Tag, 2);
    EXPECT_EQ(s.countdown, 3);
    EXPECT_FALSE(s.computertimer.enabled());
    EXPECT_EQ(runPhase(s), 3);
    EXPECT_TRUE(s.roundopen);
    EXPECT_EQ(s.roundnum, 2);
    pause = 25; // 20 or more means the default 12
    runPhase(s);
    EXPECT_EQ(s.countdown, 12);
    pause = 0;
    runPhase(s);
    runPhase(s);
    EXPECT_EQ(s.countdown, 0);
    EXPECT_EQ(runPhase(s), 1);
    ASSERT_TRUE(h.pump([&] { return host.withCommand("CMD_startround").size() == 4; }));
    EXPECT_EQ(host.withCommand("CMD_endround").size(), 3);
}

TEST(GameEngine, PauseSettingBelowTwentyIsKeptAndTwentyMeansTwelve) {
    Harness h(21020);
    RawClient& host = h.join("Host");
    TServer& s = h.server();
    int pause = 19;
    s.timeBetweenRounds = [&] { return pause; };
    host.send(wire::startgame("Host", "5", "10", "0", "1"));
    ASSERT_TRUE(h.pump([&] { return !host.withCommand("CMD_startround").isEmpty(); }));
    runPhase(s);
    EXPECT_EQ(s.countdown, 19);
    EXPECT_EQ(runPhase(s), 19);
    pause = 20;
    runPhase(s);
    EXPECT_EQ(s.countdown, 12);
    EXPECT_EQ(runPhase(s), 12);
    // The setting is read when each pause begins, never earlier.
    EXPECT_TRUE(s.roundopen);
    EXPECT_EQ(s.roundnum, 3);
}

TEST(GameEngine, EndRoundReportsAllSixSeats) {
    Harness h(kPort);
    RawClient& host = h.join("Host");
    TServer& s = h.server();
    host.send(wire::startgame("Host", "5", "10", "0", "1"));
    ASSERT_TRUE(h.pump([&] { return !host.withCommand("CMD_startround").isEmpty(); }));
    s.players[1].score = 4;
    s.players[1].roundpoints = 5;
    s.players[1].roundwords = 1;
    s.players[1].gamewords = 2;
    s.players[6].roundpoints = 3;
    s.players[6].roundwords = 1;
    s.players[6].gamewords = 1;
    s.endtheround();
    ASSERT_TRUE(h.pump([&] { return !host.withCommand("CMD_endround").isEmpty(); }));
    EXPECT_EQ(host.withCommand("CMD_endround").first(),
              "CMD_endround+1+9+2+1+5+2+0+0+0+0+3+0+0+0+0+4+0+0+0+0+5+0+0+0+0+6+3+1+1+3");
}

TEST(GameEngine, WinnerNeedsASingleLeader) {
    Harness h(kPort);
    RawClient& host = h.join("Host");
    TServer& s = h.server();
    s.gameon = true;
    s.players[1].score = 3;
    s.players[3].score = 8;
    s.players[5].score = 8;
    EXPECT_FALSE(s.checkforwin());
    EXPECT_TRUE(s.gameon);
    s.players[4].score = 9;
    EXPECT_TRUE(s.checkforwin());
    EXPECT_FALSE(s.gameon);
    ASSERT_TRUE(h.pump([&] { return host.has("CMD_winner+4+"); }));
    // Nobody scoring at all is a six-way tie.
    for (int i = 1; i <= 6; ++i)
        s.players[i].score = 0;
    EXPECT_FALSE(s.checkforwin());
}

TEST(GameEngine, SharedLeadPlaysExtraRoundsUntilSomebodyLeads) {
    Harness h(kPort);
    RawClient& host = h.join("Host");
    h.join("Two");
    TServer& s = h.server();
    s.timeBetweenRounds = [] { return 1; };
    host.send(wire::startgame("Host", "2", "5", "0", "1"));
    ASSERT_TRUE(h.pump([&] { return !host.withCommand("CMD_startround").isEmpty(); }));
    for (int r = 0; r < 4; ++r) {
        runPhase(s); // nobody scores
        runPhase(s);
    }
    EXPECT_TRUE(s.gameon);
    EXPECT_EQ(s.roundnum, 5);
    ASSERT_TRUE(h.pump([&] { return host.withCommand("CMD_startround").size() == 5; }));
    EXPECT_TRUE(host.withCommand("CMD_startround").last().startsWith("CMD_startround+5+5+"));
    // Seat 2 finds a word; after this round the game ends with its win.
    const QByteArray word = acceptableWord(s);
    ASSERT_FALSE(word.isEmpty());
    h.clients()[1]->send(wire::sendword(2, word.toLower()));
    ASSERT_TRUE(h.pump([&] { return s.players[2].roundpoints > 0; }));
    runPhase(s);
    runPhase(s);
    EXPECT_FALSE(s.gameon);
    EXPECT_FALSE(s.roundtimer.enabled());
    ASSERT_TRUE(h.pump([&] { return host.has("CMD_winner+2+"); }));
    EXPECT_EQ(host.withCommand("CMD_startround").size(), 5);
}

TEST(GameEngine, PrefixesNeverRepeatWithinAGame) {
    Harness h(kPort, 777);
    RawClient& host = h.join("Host");
    TServer& s = h.server();
    s.timeBetweenRounds = [] { return 1; };
    host.send(wire::startgame("Host", "24", "5", "6", "1"));
    ASSERT_TRUE(h.pump([&] { return !host.withCommand("CMD_startround").isEmpty(); }));
    QSet<QByteArray> seen;
    QSet<int> lengths;
    for (int r = 1; r <= 24; ++r) {
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
        runPhase(s);
        runPhase(s);
    }
    EXPECT_GE(lengths.size(), 3); // random lengths really vary
}

TEST(GameEngine, ThreeLetterGamesOneLetterPrefixesAndNoHang) {
    Harness h(kPort, 4242);
    RawClient& host = h.join("Host");
    TServer& s = h.server();
    s.timeBetweenRounds = [] { return 1; };
    // Consecutive games of 3-letter words use up every one-letter prefix the
    // list offers; rounds must still start.
    for (int game = 0; game < 3; ++game) {
        host.send(wire::startgame("Host", "20", "5", "1", "1"));
        const qsizetype before = host.withCommand("CMD_startgame").size();
        ASSERT_TRUE(h.pump([&] { return host.withCommand("CMD_startgame").size() > before; }));
        for (int r = 1; r <= 20; ++r) {
            ASSERT_TRUE(s.roundopen);
            EXPECT_EQ(s.wordlength, 3);
            EXPECT_EQ(s.prefix.size(), 1);
            EXPECT_EQ(s.starterword.size(), 3);
            runPhase(s);
            runPhase(s);
        }
    }
    EXPECT_LE(s.listbox_prefix.size(), 26);
}

TEST(GameEngine, ExhaustedPrefixRecordIsClearedInsteadOfHanging) {
    Harness h(kPort, 5);
    RawClient& host = h.join("Host");
    TServer& s = h.server();
    s.listbox_words = {"cat", "cow", "dig", "dog", "emu", "zzz"};
    host.send(wire::startgame("Host", "10", "5", "1", "1"));
    ASSERT_TRUE(h.pump([&] { return !host.withCommand("CMD_startround").isEmpty(); }));
    QList<QByteArray> prefixes{s.prefix};
    for (int r = 2; r <= 7; ++r) {
        s.endtheround();
        runPhase(s);
        ASSERT_TRUE(s.roundopen);
        prefixes.append(s.prefix);
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
    Harness h(kPort, 99);
    RawClient& host = h.join("Host");
    TServer& s = h.server();
    host.send(wire::startgame("Host", "5", "5", "0", "1"));
    ASSERT_TRUE(h.pump([&] { return !host.withCommand("CMD_startround").isEmpty(); }));
    const QByteArray first = s.prefix;
    host.send(wire::startgame("Host", "5", "5", "0", "1"));
    ASSERT_TRUE(h.pump([&] { return host.withCommand("CMD_startround").size() == 2; }));
    EXPECT_NE(s.prefix, first);
    EXPECT_EQ(s.listbox_prefix.size(), 2);
    // More than 26 recorded: the next game starts with a clean record.
    for (int i = 0; i < 30; ++i)
        s.listbox_prefix.append("Q" + QByteArray::number(i));
    host.send(wire::startgame("Host", "5", "5", "0", "1"));
    ASSERT_TRUE(h.pump([&] { return host.withCommand("CMD_startround").size() == 3; }));
    EXPECT_EQ(s.listbox_prefix, QList<QByteArray>{s.prefix});
}

TEST(GameEngine, SecondStartGameRestartsAtRoundOneWithZeroScores) {
    Harness h(kPort);
    RawClient& host = h.join("Host");
    TServer& s = h.server();
    host.send(wire::startgame("Host", "5", "10", "0", "1"));
    ASSERT_TRUE(h.pump([&] { return !host.withCommand("CMD_startround").isEmpty(); }));
    s.players[1].score = 30;
    s.players[1].gamewords = 6;
    s.roundnum = 3;
    host.send(wire::startgame("Host", "5", "10", "0", "1"));
    ASSERT_TRUE(h.pump([&] { return host.withCommand("CMD_startround").size() == 2; }));
    EXPECT_EQ(s.roundnum, 1);
    EXPECT_EQ(s.players[1].score, 0);
    EXPECT_EQ(s.players[1].gamewords, 0);
    EXPECT_TRUE(fieldsOf(host.withCommand("CMD_startround").last()).first() == "1");
}
