// SPDX-License-Identifier: GPL-3.0-or-later
// The computer opponent in an empty seat 2.

#include "enginerig.h"
#include "messages.h"

#include <gtest/gtest.h>

namespace {

// Three-letter words that all begin with S, then ten longer entries that the
// computer never draws: every 3-letter round of this list has the prefix "S",
// with plenty of words to find.
QList<QByteArray> sWords() {
    QList<QByteArray> words{"sad", "sag", "sap", "sat", "saw", "sea", "see", "set",
                            "sew", "sip", "sir", "sit", "six", "ski", "sky", "sly",
                            "sob", "son", "sow", "spy", "sum", "sun"};
    for (int i = 0; i < 10; ++i)
        words << "zebra";
    return words;
}

void startSolo(Player& host, const char* show = "1", const char* length = "0") {
    host.send(wire::startgame("Host", "3", "60", length, show));
    ASSERT_FALSE(host.withCommand("CMD_startround").isEmpty());
}

} // namespace

TEST(ComputerOpponent, ScoresInSeatTwoAndPlayersSeeIt) {
    EngineRig rig(sWords(), 2024);
    Player& host = rig.join("Host");
    rig.botSpeed = 750;
    startSolo(host, "1", "1");
    EXPECT_TRUE(rig->computertimer().enabled);
    EXPECT_EQ(rig->computertimer().interval, 750);
    EXPECT_TRUE(rig.computerTimer.running);
    EXPECT_EQ(rig.computerTimer.interval, 750);
    ASSERT_EQ(rig->round().prefix, "S");
    for (int i = 0; i < 400 && rig->players()[2].roundwords < 3; ++i)
        rig.computerTick();
    EXPECT_GE(rig->players()[2].roundwords, 3);
    EXPECT_GT(rig->players()[2].roundpoints, 0);
    ASSERT_FALSE(host.withCommand("CMD_gotword").isEmpty());
    EXPECT_TRUE(host.withCommand("CMD_gotword").first().startsWith("CMD_gotword+2+"));
    for (const QByteArray& w : rig->acceptedWords())
        EXPECT_TRUE(w.startsWith(rig->round().prefix));
}

TEST(ComputerOpponent, HiddenWordsOfTheComputerReachNobody) {
    EngineRig rig(sWords(), 7);
    Player& host = rig.join("Host");
    startSolo(host, "0", "1");
    for (int i = 0; i < 400 && rig->players()[2].roundwords < 2; ++i)
        rig.computerTick();
    EXPECT_GE(rig->players()[2].roundwords, 2);
    EXPECT_TRUE(host.withCommand("CMD_gotword").isEmpty());
    EXPECT_TRUE(host.withCommand("CMD_notvalid").isEmpty());
}

TEST(ComputerOpponent, RestsInTheLastFourSecondsAndOutsideRounds) {
    EngineRig rig(sWords(), 11);
    Player& host = rig.join("Host");
    startSolo(host, "1", "1");
    rig.tick(rig->round().countdown - 4);
    ASSERT_EQ(rig->round().countdown, 4);
    rig.computerTick(200);
    EXPECT_EQ(rig->players()[2].roundwords, 0);
    rig.runPhase(); // the round ends
    ASSERT_FALSE(rig->round().roundopen);
    rig.computerTick(200);
    EXPECT_EQ(rig->players()[2].roundwords, 0);
}

TEST(ComputerOpponent, StopsWhenAPlayerTakesSeatTwo) {
    EngineRig rig(sWords(), 3);
    Player& host = rig.join("Host");
    startSolo(host, "1", "1");
    Player& two = rig.join("Two");
    ASSERT_EQ(two.slot, 2);
    ASSERT_FALSE(two.withCommand("CMD_loadstats").isEmpty());
    rig.computerTick(300);
    EXPECT_EQ(rig->players()[2].roundwords, 0);
    // From the next round on seat 2 is a human's: the computer is not started.
    rig.runPhase();
    rig.runPhase();
    EXPECT_TRUE(rig->round().roundopen);
    EXPECT_FALSE(rig->computertimer().enabled);
}

TEST(ComputerOpponent, FillsAnEmptySeatTwoInAHostedGame) {
    EngineRig rig(5);
    Player& host = rig.join("Host");
    Player& two = rig.join("Two");
    rig.join("Three");
    two.leave();
    ASSERT_FALSE(rig->players()[2].connected);
    startSolo(host);
    EXPECT_TRUE(rig->computertimer().enabled);
    for (int i = 0; i < 400 && rig->players()[2].roundwords == 0; ++i)
        rig.computerTick();
    EXPECT_GT(rig->players()[2].roundwords, 0);
}

TEST(ComputerOpponent, CanWinTheGame) {
    EngineRig rig(8);
    Player& host = rig.join("Host");
    rig.pause = 1;
    host.send(wire::startgame("Host", "1", "20", "0", "1"));
    ASSERT_FALSE(host.withCommand("CMD_startround").isEmpty());
    for (int i = 0; i < 400 && rig->players()[2].roundwords == 0; ++i)
        rig.computerTick();
    ASSERT_GT(rig->players()[2].roundwords, 0);
    rig.runPhase();
    rig.runPhase();
    EXPECT_TRUE(host.has("CMD_winner+2+"));
    EXPECT_FALSE(rig->gameon());
}

TEST(ComputerOpponent, FullGameWithTwoPlayersAndTheComputer) {
    EngineRig rig(31337);
    Player& host = rig.join("Host");
    Player& filler = rig.join("Filler"); // seat 2, so the next one gets seat 3
    Player& player = rig.join("Player");
    ASSERT_EQ(player.slot, 3);
    filler.leave();
    ASSERT_FALSE(rig->players()[2].connected);

    rig.pause = 2;
    host.send(wire::startgame("Host", "3", "15", "0", "1"));
    ASSERT_FALSE(host.withCommand("CMD_startround").isEmpty());
    for (int round = 1; rig->gameon() && round < 20; ++round) {
        // The host finds two words a round, the player one, the computer what it can.
        for (int k = 0; k < 2; ++k) {
            const QByteArray w = rig.acceptableWord();
            if (!w.isEmpty()) {
                const int words = rig->players()[1].roundwords;
                host.send(wire::sendword(1, w.toLower()));
                ASSERT_GT(rig->players()[1].roundwords, words);
            }
        }
        const QByteArray w = rig.acceptableWord();
        if (!w.isEmpty()) {
            const int words = rig->players()[3].roundwords;
            player.send(wire::sendword(3, w));
            ASSERT_GT(rig->players()[3].roundwords, words);
        }
        rig.computerTick(10);
        rig.runPhase();
        rig.runPhase();
    }
    ASSERT_FALSE(rig->gameon());
    ASSERT_FALSE(player.withCommand("CMD_winner").isEmpty());
    int leader = 1;
    for (int seat = 2; seat <= 6; ++seat)
        if (rig->players()[seat].score > rig->players()[leader].score)
            leader = seat;
    EXPECT_EQ(player.withCommand("CMD_winner").first(),
              "CMD_winner+" + QByteArray::number(leader) + "+");
    EXPECT_EQ(host.withCommand("CMD_endround").size(), rig->round().roundnum - 1);
    EXPECT_GE(rig->round().roundnum - 1, 3);
    EXPECT_GT(rig->players()[1].score, 0);
    EXPECT_GT(rig->players()[3].score, 0);
}
