// SPDX-License-Identifier: GPL-3.0-or-later
// Seats and late arrivals: what a seat keeps when its player leaves, and what
// a newcomer learns of a game in progress.

#include "enginerig.h"
#include "messages.h"

#include <gtest/gtest.h>

TEST(EngineSeats, FreedSeatKeepsItsScoreForTheNextPlayer) {
    EngineRig rig({"s", "zz"}); // every round's prefix is "S"
    Player& host = rig.join("Host");
    Player& two = rig.join("Two");
    rig.join("Three");
    host.send(wire::startgame("Host", "5", "10", "0", "1"));
    two.send(wire::sendword(2, "sun"));
    rig.runPhase();
    ASSERT_EQ(rig->players()[2].score, 3);
    two.leave();
    EXPECT_FALSE(rig->players()[2].connected);
    EXPECT_TRUE(rig->players()[2].name.isEmpty());
    EXPECT_EQ(rig->players()[2].score, 3);
    Player& newcomer = rig.join("Late");
    EXPECT_EQ(newcomer.slot, 2);
    EXPECT_EQ(rig->players()[2].score, 3);
}

TEST(EngineSeats, LateArrivalDuringAGameGetsLoadStats) {
    EngineRig rig({"brisk", "last"});
    Player& host = rig.join("Host");
    host.send(wire::startgame("Host", "3", "30", "3", "1"));
    host.send(wire::sendword(1, "brisk"));
    rig.runPhase();
    rig.runPhase();
    ASSERT_EQ(rig->players()[1].score, 5);
    rig.tick(14);
    ASSERT_EQ(rig->round().countdown, 20);
    Player& late = rig.join("Late");
    const QByteArray expected =
        "CMD_loadstats+2+3+30+5+2+5+" + rig->round().prefix + "+15+1+5+2+0+3+0+4+0+5+0+6+0";
    EXPECT_EQ(late.withCommand("CMD_loadstats"), QList<QByteArray>{expected});
    EXPECT_EQ(late.messages.last(), expected);
}

// A long pause between rounds outlasts the 9 seconds a joiner needs to play
// on: a newcomer in the pause is told no round runs.
TEST(EngineSeats, LateArrivalDuringThePauseIsToldNoTimeIsLeft) {
    EngineRig rig({"brisk", "last"});
    rig.pause = 17;
    Player& host = rig.join("Host");
    host.send(wire::startgame("Host", "3", "30", "3", "1"));
    rig.runPhase();
    ASSERT_EQ(rig->roundphase(), RoundPhase::Pause);
    rig.tick(2);
    ASSERT_EQ(rig->round().countdown, 15);
    Player& late = rig.join("Late");
    const QByteArray expected =
        "CMD_loadstats+2+3+30+5+1+5+" + rig->round().prefix + "+0+1+0+2+0+3+0+4+0+5+0+6+0";
    EXPECT_EQ(late.withCommand("CMD_loadstats"), QList<QByteArray>{expected});
}
