// SPDX-License-Identifier: GPL-3.0-or-later
// Peers that break the connection or try to make the server hold too much:
// each is disconnected, announced once and its slot freed, while the others
// play on.

#include "harness.h"
#include "messages.h"
#include "serverlimits.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <gtest/gtest.h>

namespace {

constexpr std::uint16_t kPort = 18103;

int departures(const RawClient& c, const QByteArray& message) {
    return int(c.withCommand("CMD_playerdisconnected").count(message));
}

} // namespace

TEST(ServerGuard, ResetConnectionIsAnnouncedOnceAndFreed) {
    Harness h(kPort);
    RawClient& host = h.join("Host");
    RawClient& two = h.join("Two");
    two.reset();
    ASSERT_TRUE(h.pump([&] { return !h.server().engine().players()[2].connected; }));
    h.settle(100);
    EXPECT_EQ(departures(host, "CMD_playerdisconnected+2+Two"), 1);
    EXPECT_TRUE(h.server().engine().players()[2].name.isEmpty());
    // The freed slot is given out again.
    RawClient& next = h.join("Next");
    EXPECT_EQ(Harness::numberOf(next), 2);
}

TEST(ServerGuard, ResetAfterPendingDataIsStillAnnouncedOnce) {
    Harness h(kPort);
    RawClient& host = h.join("Host");
    RawClient& two = h.join("Two");
    h.join("Three");
    // Unread data on the server's side of the line makes the reset certain.
    two.send(wire::chat(2, "bye", "clRed"));
    two.reset();
    ASSERT_TRUE(h.pump([&] { return !h.server().engine().players()[2].connected; }));
    h.settle(100);
    EXPECT_EQ(departures(host, "CMD_playerdisconnected+2+Two"), 1);
    EXPECT_EQ(departures(*h.clients()[2], "CMD_playerdisconnected+2+Two"), 1);
}

TEST(ServerGuard, MessageWithoutTerminatorBeyondTheLimitDisconnects) {
    Harness h(kPort);
    RawClient& host = h.join("Host");
    RawClient& two = h.join("Two");
    const ConnectionId twoId = h.server().core().connectionOf(2);
    two.send(QByteArray(64 * 1024, 'A'));
    ASSERT_TRUE(h.pump([&] { return two.peerClosed(); }));
    ASSERT_TRUE(h.pump([&] { return departures(host, "CMD_playerdisconnected+2+Two") == 1; }));
    EXPECT_FALSE(h.server().engine().players()[2].connected);
    EXPECT_EQ(h.server().core().buffered(twoId), 0);
}

TEST(ServerGuard, OversizedCompleteMessageDisconnectsToo) {
    Harness h(kPort);
    RawClient& host = h.join("Host");
    RawClient& two = h.join("Two");
    two.send(wire::chat(2, QByteArray(serverlimits::kMaxMessageBytes, 'x'), "clRed"));
    ASSERT_TRUE(h.pump([&] { return two.peerClosed(); }));
    h.settle();
    EXPECT_TRUE(host.withCommand("CMD_chat").isEmpty());
    EXPECT_EQ(departures(host, "CMD_playerdisconnected+2+Two"), 1);
}

TEST(ServerGuard, LongChatLineBelowTheLimitIsRelayed) {
    Harness h(kPort);
    RawClient& host = h.join("Host");
    RawClient& two = h.join("Two");
    const QByteArray text(4000, 'y');
    two.send(wire::chat(2, text, "clRed"));
    ASSERT_TRUE(h.pump([&] { return host.has("CMD_chat+Two chats: " + text + "|clRed"); }));
    EXPECT_TRUE(h.server().engine().players()[2].connected);
}

TEST(ServerGuard, FloodingPeerIsDroppedWithItsQueuedMessages) {
    Harness h(kPort);
    RawClient& host = h.join("Host");
    RawClient& two = h.join("Two");
    TServer& s = h.server();
    const ConnectionId twoId = s.core().connectionOf(2);
    QByteArray flood;
    for (int i = 0; i < 500; ++i)
        flood += wire::chat(2, "spam" + QByteArray::number(i), "clRed");
    two.send(flood);
    // Let the server read without dispatching anything.
    QElapsedTimer t;
    t.start();
    while (s.engine().players()[2].connected && t.elapsed() < 5000) {
        QCoreApplication::processEvents();
        two.poll();
    }
    ASSERT_FALSE(s.engine().players()[2].connected);
    // Nothing of the flood is left to hold up the others.
    EXPECT_EQ(s.core().queuedFrom(twoId), 0);
    host.send(wire::chat(1, "still here", "clRed"));
    ASSERT_TRUE(h.pump([&] { return host.has("CMD_chat+Host chats: still here|clRed"); }));
    h.settle();
    EXPECT_EQ(departures(host, "CMD_playerdisconnected+2+Two"), 1);
    EXPECT_LE(host.withCommand("CMD_chat").size(), serverlimits::kMaxQueuedPerConnection + 1);
}

TEST(ServerGuard, BusyButFairPeerStaysConnected) {
    Harness h(kPort);
    qint64 now = 1'000'000;
    h.server().setClock([&] { return now; });
    RawClient& host = h.join("Host");
    RawClient& two = h.join("Two");
    // Bursts of the rate limit's window, a window apart: busy, within limits.
    const int window =
        int(serverlimits::kMaxMessagesPerSecond * serverlimits::kRateWindowMs / 1000);
    for (int round = 0; round < 5; ++round) {
        now += serverlimits::kRateWindowMs;
        QByteArray burst;
        for (int i = 0; i < window; ++i)
            burst += wire::chat(2, "m" + QByteArray::number(round * window + i), "clRed");
        two.send(burst);
        ASSERT_TRUE(
            h.pump([&] { return host.withCommand("CMD_chat").size() == (round + 1) * window; }));
    }
    EXPECT_TRUE(h.server().engine().players()[2].connected);
}

TEST(ServerGuard, PeerThatNeverReadsIsDisconnected) {
    Harness h(kPort);
    RawClient& host = h.join("Host");
    RawClient& two = h.join("Two");
    RawClient& sleeper = h.connect(4096);
    sleeper.stopReading();
    // Two talks at ten lines a second, well within the rate limit.
    qint64 now = 1'000'000;
    h.server().setClock([&] { return now; });
    const int sleeperSlot = Harness::numberOf(sleeper);
    ASSERT_EQ(sleeperSlot, 3);
    TServer& s = h.server();
    const QByteArray text(6000, 'z');
    int sent = 0;
    while (s.engine().players()[3].connected && sent < 2000) {
        now += 100;
        two.send(wire::chat(2, text + QByteArray::number(sent), "clRed"));
        ++sent;
        const int want = sent;
        ASSERT_TRUE(h.pump([&] { return host.withCommand("CMD_chat").size() == want; }));
    }
    EXPECT_FALSE(s.engine().players()[3].connected);
    EXPECT_TRUE(s.engine().players()[2].connected);
    EXPECT_TRUE(h.pump([&] { return departures(host, "CMD_playerdisconnected+3+") == 1; }));
    // Roughly the limit, plus what the kernel buffers hold: never unbounded.
    EXPECT_LT(qint64(sent) * 6000, 64LL * 1024 * 1024);
}
