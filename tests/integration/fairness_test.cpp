// SPDX-License-Identifier: GPL-3.0-or-later
// The server's fair turns and time limits over real loopback connections, its
// clock set by the test: a quiet player is served in the tick its message
// arrives whatever a flooder queued, a flooder is cut and its address refused,
// a connection that never logs in loses its slot, and an address that
// reconnects in a loop is turned away unannounced.

#include "harness.h"
#include "messages.h"
#include "serverlimits.h"
#include "version.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <gtest/gtest.h>

using namespace serverlimits;

namespace {

constexpr std::uint16_t kPort = 18105;

struct Clocked {
    Harness h{kPort};
    qint64 now = 5'000'000;
    Clocked() {
        h.server().setClock([this] { return now; });
    }
};

} // namespace

TEST(ServerFairness, QuietPlayersMessageIsHandledInTheTickItArrives) {
    Clocked t;
    RawClient& host = t.h.join("Host");
    RawClient& flood = t.h.join("Flood");
    const ServerCore& core = t.h.server().core();
    const ConnectionId hostId = core.connectionOf(1);
    const ConnectionId floodId = core.connectionOf(2);
    t.now += kRateWindowMs;
    QByteArray burst;
    for (int i = 0; i < 35; ++i)
        burst += wire::chat(2, "spam " + QByteArray::number(i), "clRed");
    flood.send(burst);
    ASSERT_TRUE(t.h.deliver([&] { return core.queuedFrom(floodId) == 35; }));
    t.h.server().socktimerTimer(); // the flooder's first line
    host.send(wire::chat(1, "my word", "clBlue"));
    ASSERT_TRUE(t.h.deliver([&] { return core.queuedFrom(hostId) == 1; }));
    t.h.server().socktimerTimer();
    EXPECT_EQ(core.queuedFrom(hostId), 0);
    EXPECT_EQ(core.queuedFrom(floodId), 33);
    t.h.settle();
    // Everybody saw the host's line third, after only two of the flood.
    const QList<QByteArray> chats = flood.withCommand("CMD_chat");
    ASSERT_EQ(chats.size(), 36);
    EXPECT_EQ(chats[2], "CMD_chat+Host chats: my word|clBlue");
    EXPECT_FALSE(flood.peerClosed());
}

TEST(ServerFairness, FlooderIsCutAndItsAddressRefusedUnheard) {
    Clocked t;
    RawClient& host = t.h.join("Host", wire::kVersion, 5);
    RawClient& mate = t.h.join("Mate", wire::kVersion, 6);
    RawClient& flood = t.h.join("Flood", wire::kVersion, 6);
    QByteArray burst;
    for (int i = 0; i < 3 * kMaxMessagesPerSecond * kRateWindowMs / 1000; ++i)
        burst += wire::chat(2, "spam", "clRed");
    flood.send(burst);
    ASSERT_TRUE(t.h.pump([&] { return flood.peerClosed(); }));
    ASSERT_TRUE(t.h.pump([&] { return host.has("CMD_playerdisconnected+3+Flood"); }));
    EXPECT_TRUE(t.h.server().core().refuses(Harness::addressOf(6)));
    EXPECT_FALSE(t.h.server().core().refuses(Harness::addressOf(5)));
    // Its mate from the same address plays on; a new connection from there is
    // closed without a greeting and nobody hears of it. Others still come in.
    const qsizetype heard = host.messages.size();
    RawClient& again = t.h.connect(0, 6);
    EXPECT_TRUE(again.peerClosed());
    EXPECT_TRUE(again.messages.isEmpty());
    t.h.settle();
    EXPECT_EQ(host.messages.size(), heard);
    EXPECT_FALSE(mate.peerClosed());
    EXPECT_EQ(t.h.server().core().connectionCount(), 2);
    EXPECT_EQ(Harness::numberOf(t.h.join("Other")), 3);
    // A minute later it may come back.
    t.now += kRefusalMs;
    RawClient& back = t.h.join("Back", wire::kVersion, 6);
    EXPECT_EQ(Harness::numberOf(back), 4);
}

TEST(ServerFairness, ConnectionThatNeverLogsInIsClosedAfterTheGrace) {
    Clocked t;
    RawClient& host = t.h.join("Host");
    RawClient& idle = t.h.connect();
    EXPECT_EQ(Harness::numberOf(idle), 2);
    t.now += kLoginGraceMs - 1;
    t.h.server().guardtimerTimer();
    t.h.settle();
    EXPECT_FALSE(idle.peerClosed());
    t.now += 1;
    t.h.server().guardtimerTimer();
    ASSERT_TRUE(t.h.pump([&] { return idle.peerClosed(); }));
    ASSERT_TRUE(t.h.pump([&] { return host.has("CMD_playerdisconnected+2+"); }));
    // The slot is free for a real player.
    RawClient& player = t.h.join("Player");
    EXPECT_EQ(Harness::numberOf(player), 2);
}

TEST(ServerFairness, ReconnectingInALoopIsTurnedAwayAfterTheTenth) {
    Clocked t;
    RawClient& host = t.h.join("Host", wire::kVersion, 7); // the address's first connection
    for (int i = 1; i < kMaxConnectsPerAddress; ++i) {
        RawClient& c = t.h.connect(0, 7);
        ASSERT_EQ(Harness::numberOf(c), 2) << i;
        c.close();
        ASSERT_TRUE(t.h.pump([&] { return !t.h.server().engine().players()[2].connected; }));
        t.now += 100;
    }
    t.h.settle();
    const qsizetype heard = host.messages.size();
    RawClient& refused = t.h.connect(0, 7);
    EXPECT_TRUE(refused.peerClosed());
    EXPECT_TRUE(refused.messages.isEmpty());
    t.h.settle();
    EXPECT_EQ(host.messages.size(), heard);
    // Another address is not held to this one's count.
    EXPECT_EQ(Harness::numberOf(t.h.connect()), 2);
}
