// SPDX-License-Identifier: GPL-3.0-or-later
// The engine's two timers as its host sees them: every change is told, and a
// timer set running again while it runs starts afresh.

#include "enginerig.h"
#include "messages.h"

#include <gtest/gtest.h>

TEST(EngineTimers, HostHearsEveryStartAndStop) {
    EngineRig rig;
    // The computer's timer runs from the start at 1000 ms, idle until a round.
    EXPECT_TRUE(rig.computerTimer.running);
    EXPECT_EQ(rig.computerTimer.interval, 1000);
    EXPECT_FALSE(rig.roundTimer.running);
    Player& host = rig.join("Host");
    rig.botSpeed = 2000;
    host.send(wire::startgame("Host", "5", "30", "0", "1"));
    EXPECT_TRUE(rig.roundTimer.running);
    EXPECT_EQ(rig.roundTimer.interval, 1000);
    EXPECT_EQ(rig.roundTimer.starts, 1);
    EXPECT_TRUE(rig.computerTimer.running);
    EXPECT_EQ(rig.computerTimer.interval, 2000);

    // A new game during a round restarts both timers, running as they were.
    const int computerStarts = rig.computerTimer.starts;
    rig.tick(3);
    host.send(wire::startgame("Host", "5", "30", "0", "1"));
    EXPECT_EQ(rig.roundTimer.starts, 2);
    EXPECT_EQ(rig.computerTimer.starts, computerStarts + 1);
    EXPECT_EQ(rig->round().countdown, 34);

    // The round's end stops the computer and starts the pause afresh.
    rig.runPhase();
    EXPECT_EQ(rig->roundphase(), RoundPhase::Pause);
    EXPECT_FALSE(rig.computerTimer.running);
    EXPECT_TRUE(rig.roundTimer.running);
    EXPECT_EQ(rig.roundTimer.starts, 3);
}
