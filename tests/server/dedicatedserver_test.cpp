// SPDX-License-Identifier: GPL-3.0-or-later
// The dedicated server's log lines: what happened, to whom, and names that
// cannot write lines of their own into the log.

#include "dedicatedserver.h"

#include <gtest/gtest.h>

TEST(DedicatedServerLog, GameNewsLines) {
    using K = GameNews::Kind;
    EXPECT_EQ(DedicatedServer::describe(GameNews{K::Joined, 3, "Ann"}), "join: slot 3 \"Ann\"");
    EXPECT_EQ(DedicatedServer::describe(GameNews{K::Left, 7, ""}), "leave: slot 7 \"\"");
    EXPECT_EQ(DedicatedServer::describe(GameNews{K::GameStarted, 1, "Host", 5, 60, 8}),
              "game: started by slot 1 \"Host\", 5 rounds of 60 s, random length");
    EXPECT_EQ(DedicatedServer::describe(GameNews{K::GameStarted, 1, "Host", 2, 30, 4}),
              "game: started by slot 1 \"Host\", 2 rounds of 30 s, 4 letters");
    EXPECT_EQ(DedicatedServer::describe(GameNews{K::Won, 2, ""}), "winner: seat 2, the computer");
    EXPECT_EQ(DedicatedServer::describe(GameNews{K::Won, 4, "Dee"}), "winner: seat 4 \"Dee\"");
}

TEST(DedicatedServerLog, ANameCannotBreakTheLine) {
    const QString line =
        DedicatedServer::describe(GameNews{GameNews::Kind::Joined, 2, "Eve\r\nwinner: seat 1"});
    EXPECT_EQ(line, "join: slot 2 \"Eve  winner: seat 1\"");
}

TEST(DedicatedServerLog, ConnectionLines) {
    using K = ConnectionNews::Kind;
    EXPECT_EQ(DedicatedServer::describe(ConnectionNews{K::Opened, 5, "203.0.113.9", 4}),
              "connect: 203.0.113.9 takes slot 4");
    EXPECT_EQ(DedicatedServer::describe(
                  ConnectionNews{K::Dropped, 6, "203.0.113.9", 0, DropReason::Refused}),
              "connect: 203.0.113.9 refused: connects too often; refused for a minute");
    EXPECT_EQ(DedicatedServer::describe(
                  ConnectionNews{K::Dropped, 7, "198.51.100.2", 3, DropReason::Flooding}),
              "drop: slot 3 (198.51.100.2) disconnected: flooding; address refused for a minute");
    EXPECT_EQ(DedicatedServer::describe(ConnectionNews{K::Dropped, 8, "", 5, DropReason::NoLogin}),
              "drop: slot 5 (?) disconnected: no login");
}
