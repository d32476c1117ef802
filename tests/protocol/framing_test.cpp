// SPDX-License-Identifier: GPL-3.0-or-later
#include "protocol.h"
#include "version.h"

#include <gtest/gtest.h>

using wire::cutMessages;
using wire::splitCommand;

namespace {
const QByteArray FF(1, '\xFF');
}

TEST(WireFraming, TwoMessagesInOneReadAreQueuedInOrder) {
    QByteArray buffer = "CMD_chat+1+hi|clRed" + FF + "CMD_giveup+1+" + FF;
    QList<QByteArray> queue;
    EXPECT_EQ(cutMessages(buffer, queue), 2);
    ASSERT_EQ(queue.size(), 2);
    EXPECT_EQ(queue[0], "CMD_chat+1+hi|clRed");
    EXPECT_EQ(queue[1], "CMD_giveup+1+");
    EXPECT_TRUE(buffer.isEmpty());
}

TEST(WireFraming, MessageSplitAcrossReadsIsQueuedOnceWhenComplete) {
    QByteArray buffer;
    QList<QByteArray> queue;
    buffer += "CMD_send";
    EXPECT_EQ(cutMessages(buffer, queue), 0);
    EXPECT_TRUE(queue.isEmpty());
    EXPECT_EQ(buffer, "CMD_send");
    buffer += "word+1+brisk+" + FF + "CMD_gi";
    EXPECT_EQ(cutMessages(buffer, queue), 1);
    ASSERT_EQ(queue.size(), 1);
    EXPECT_EQ(queue[0], "CMD_sendword+1+brisk+");
    EXPECT_EQ(buffer, "CMD_gi"); // the tail waits for the next read
}

TEST(WireFraming, EmptyMessagesAreQueuedToo) {
    // The login ends in two terminators: the second makes an empty message.
    QByteArray buffer = "CMD_logininfo+1+" + QByteArray(wire::kVersion) + "+Tester" + FF + FF + FF;
    QList<QByteArray> queue;
    EXPECT_EQ(cutMessages(buffer, queue), 3);
    EXPECT_EQ(queue, (QList<QByteArray>{"CMD_logininfo+1+" + QByteArray(wire::kVersion) + "+Tester",
                                        "", ""}));
}

TEST(WireFraming, ZeroBytesInsideAMessageArePreserved) {
    QByteArray buffer("a\0b", 3);
    buffer += FF;
    QList<QByteArray> queue;
    cutMessages(buffer, queue);
    ASSERT_EQ(queue.size(), 1);
    EXPECT_EQ(queue[0], QByteArray("a\0b", 3));
}

TEST(WireSplit, CommandAndPayloadAtFirstPlus) {
    auto s = splitCommand("CMD_chat+1+a+b|clRed");
    EXPECT_EQ(s.command, "CMD_chat");
    EXPECT_EQ(s.payload, "1+a+b|clRed");
}

TEST(WireSplit, LineWithoutPlusHasEmptyCommand) {
    auto s = splitCommand("CMD_giveup");
    EXPECT_TRUE(s.command.isEmpty());
    EXPECT_TRUE(s.payload.isEmpty());
    EXPECT_TRUE(splitCommand("").command.isEmpty());
}

TEST(WireSplit, EmptyPayloadAfterTrailingPlus) {
    auto s = splitCommand("CMD_full+");
    EXPECT_EQ(s.command, "CMD_full");
    EXPECT_TRUE(s.payload.isEmpty());
}
