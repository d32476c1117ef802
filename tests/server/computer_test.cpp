// The computer opponent in an empty seat 2.

#include "gamehelpers.h"
#include "messages.h"

#include <gtest/gtest.h>

namespace {

constexpr std::uint16_t kPort = 18203;

void startSolo(Harness& h, RawClient& host, const char* show = "1", const char* length = "0") {
    host.send(wire::startgame("Host", "3", "60", length, show));
    ASSERT_TRUE(h.pump([&] { return !host.withCommand("CMD_startround").isEmpty(); }));
}

} // namespace

TEST(ComputerOpponent, ScoresInSeatTwoAndPlayersSeeIt) {
    Harness h(kPort, 2024);
    RawClient& host = h.join("Host");
    TServer& s = h.server();
    s.botSpeed = [] { return 750; };
    startSolo(h, host);
    EXPECT_TRUE(s.computertimer.enabled());
    EXPECT_EQ(s.computertimer.interval(), 750);
    s.prefix = "S"; // plenty of words to find
    s.listbox_prefix.append("S");
    for (int i = 0; i < 400 && s.players[2].roundwords < 3; ++i)
        s.computertimerTimer();
    EXPECT_GE(s.players[2].roundwords, 3);
    EXPECT_GT(s.players[2].roundpoints, 0);
    ASSERT_TRUE(h.pump([&] { return !host.withCommand("CMD_gotword").isEmpty(); }));
    EXPECT_TRUE(host.withCommand("CMD_gotword").first().startsWith("CMD_gotword+2+"));
    for (const QByteArray& w : s.listbox_gotten)
        EXPECT_TRUE(w.startsWith(s.prefix));
}

TEST(ComputerOpponent, HiddenWordsOfTheComputerReachNobody) {
    Harness h(kPort, 7);
    RawClient& host = h.join("Host");
    TServer& s = h.server();
    startSolo(h, host, "0");
    s.prefix = "T";
    for (int i = 0; i < 400 && s.players[2].roundwords < 2; ++i)
        s.computertimerTimer();
    EXPECT_GE(s.players[2].roundwords, 2);
    h.settle();
    EXPECT_TRUE(host.withCommand("CMD_gotword").isEmpty());
    EXPECT_TRUE(host.withCommand("CMD_notvalid").isEmpty());
}

TEST(ComputerOpponent, RestsInTheLastFourSecondsAndOutsideRounds) {
    Harness h(kPort, 11);
    RawClient& host = h.join("Host");
    TServer& s = h.server();
    startSolo(h, host);
    s.countdown = 4;
    for (int i = 0; i < 200; ++i)
        s.computertimerTimer();
    EXPECT_EQ(s.players[2].roundwords, 0);
    s.countdown = 30;
    s.endtheround();
    for (int i = 0; i < 200; ++i)
        s.computertimerTimer();
    EXPECT_EQ(s.players[2].roundwords, 0);
}

TEST(ComputerOpponent, StopsWhenAPlayerTakesSeatTwo) {
    Harness h(kPort, 3);
    RawClient& host = h.join("Host");
    TServer& s = h.server();
    startSolo(h, host);
    RawClient& two = h.join("Two");
    ASSERT_EQ(Harness::numberOf(two), 2);
    ASSERT_TRUE(h.pump([&] { return !two.withCommand("CMD_loadstats").isEmpty(); }));
    for (int i = 0; i < 300; ++i)
        s.computertimerTimer();
    EXPECT_EQ(s.players[2].roundwords, 0);
    // From the next round on seat 2 is a human's: the computer is not started.
    s.endtheround();
    runPhase(s);
    EXPECT_TRUE(s.roundopen);
    EXPECT_FALSE(s.computertimer.enabled());
}

TEST(ComputerOpponent, FillsAnEmptySeatTwoInAHostedGame) {
    Harness h(kPort, 5);
    RawClient& host = h.join("Host");
    RawClient& two = h.join("Two");
    h.join("Three");
    two.close();
    ASSERT_TRUE(h.pump([&] { return !h.server().players[2].connected; }));
    TServer& s = h.server();
    startSolo(h, host);
    EXPECT_TRUE(s.computertimer.enabled());
    for (int i = 0; i < 400 && s.players[2].roundwords == 0; ++i)
        s.computertimerTimer();
    EXPECT_GT(s.players[2].roundwords, 0);
}

TEST(ComputerOpponent, CanWinTheGame) {
    Harness h(kPort, 8);
    RawClient& host = h.join("Host");
    TServer& s = h.server();
    s.timeBetweenRounds = [] { return 1; };
    host.send(wire::startgame("Host", "1", "20", "0", "1"));
    ASSERT_TRUE(h.pump([&] { return !host.withCommand("CMD_startround").isEmpty(); }));
    for (int i = 0; i < 400 && s.players[2].roundwords == 0; ++i)
        s.computertimerTimer();
    ASSERT_GT(s.players[2].roundwords, 0);
    runPhase(s);
    runPhase(s);
    ASSERT_TRUE(h.pump([&] { return host.has("CMD_winner+2+"); }));
    EXPECT_FALSE(s.gameon);
}

TEST(ComputerOpponent, FullGameWithTwoPlayersAndTheComputer) {
    Harness h(kPort, 31337);
    RawClient& host = h.join("Host");
    h.connect(); // seat 2 stays empty: this connection leaves at once
    h.clients().back()->close();
    ASSERT_TRUE(h.pump([&] { return !h.server().players[2].connected; }));
    RawClient& three = h.join("Three");
    ASSERT_EQ(Harness::numberOf(three), 2);
    three.close();
    ASSERT_TRUE(h.pump([&] { return !h.server().players[2].connected; }));
    RawClient& filler = h.join("Filler"); // seat 2 again, then seat 3 for the next
    RawClient& player = h.join("Player");
    ASSERT_EQ(Harness::numberOf(player), 3);
    filler.close();
    ASSERT_TRUE(h.pump([&] { return !h.server().players[2].connected; }));

    TServer& s = h.server();
    s.timeBetweenRounds = [] { return 2; };
    host.send(wire::startgame("Host", "3", "15", "0", "1"));
    ASSERT_TRUE(h.pump([&] { return !host.withCommand("CMD_startround").isEmpty(); }));
    for (int round = 1; s.gameon && round < 20; ++round) {
        // The host finds two words a round, the player one, the computer what it can.
        for (int k = 0; k < 2; ++k) {
            const QByteArray w = acceptableWord(s);
            if (!w.isEmpty()) {
                host.send(wire::sendword(1, w.toLower()));
                const int words = s.players[1].roundwords;
                ASSERT_TRUE(h.pump([&] { return s.players[1].roundwords > words; }));
            }
        }
        const QByteArray w = acceptableWord(s);
        if (!w.isEmpty()) {
            player.send(wire::sendword(3, w));
            const int words = s.players[3].roundwords;
            ASSERT_TRUE(h.pump([&] { return s.players[3].roundwords > words; }));
        }
        for (int i = 0; i < 10; ++i)
            s.computertimerTimer();
        runPhase(s);
        runPhase(s);
    }
    ASSERT_FALSE(s.gameon);
    ASSERT_TRUE(h.pump([&] { return !player.withCommand("CMD_winner").isEmpty(); }));
    int leader = 1;
    for (int seat = 2; seat <= 6; ++seat)
        if (s.players[seat].score > s.players[leader].score)
            leader = seat;
    EXPECT_EQ(player.withCommand("CMD_winner").first(),
              "CMD_winner+" + QByteArray::number(leader) + "+");
    EXPECT_EQ(host.withCommand("CMD_endround").size(), s.roundnum - 1);
    EXPECT_GE(s.roundnum - 1, 3);
    EXPECT_GT(s.players[1].score, 0);
    EXPECT_GT(s.players[3].score, 0);
}
