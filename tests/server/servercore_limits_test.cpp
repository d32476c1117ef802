// SPDX-License-Identifier: GPL-3.0-or-later
// The core's fair turns and the limits that take time, driven by a clock the
// test sets: a connection is served once per tick whatever another sends, a
// flooder is let go and its address refused for a while, and a connection that
// never logs in loses its slot.

#include "coretable.h"
#include "serverlimits.h"

using namespace serverlimits;

namespace {

// The core as the limits see it: the drops it reports, and the chat lines a
// connection got.
struct Table : CoreTable {
    QList<ConnectionNews> dropped;

    Table() {
        core.onConnectionNews = [this](const ConnectionNews& n) {
            if (n.kind == ConnectionNews::Kind::Dropped)
                dropped.append(n);
        };
    }
    qsizetype chats(ConnectionId id) {
        qsizetype n = 0;
        for (const QByteArray& m : transport.received[id])
            n += m.startsWith("CMD_chat+");
        return n;
    }
};

QByteArray chatLine(int number, int i) {
    return wire::chat(number, "line " + QByteArray::number(i), "clRed");
}

} // namespace

TEST(ServerCoreTurns, QuietPlayerIsServedInTheFirstTickWhateverAFlooderQueued) {
    Table t;
    t.join(11, "Host");
    t.join(22, "Flood");
    QByteArray burst;
    for (int i = 0; i < 30; ++i)
        burst += chatLine(2, i);
    t.core.received(22, burst);
    t.core.received(11, wire::sendword(1, "brisk"));
    t.core.dispatch(); // one tick
    // The host's word was judged (no game: nothing to answer) and one line of
    // the flood relayed; the rest wait their turns.
    EXPECT_EQ(t.core.queuedFrom(11), 0);
    EXPECT_EQ(t.core.queuedFrom(22), 29);
    EXPECT_EQ(t.chats(11), 1);
    t.core.received(11, wire::chat(1, "mine", "clBlue"));
    t.core.dispatch();
    EXPECT_EQ(t.count(22, "CMD_chat+Host chats: mine|clBlue"), 1);
    EXPECT_EQ(t.chats(11), 3);
}

TEST(ServerCoreTurns, EachConnectionsMessagesKeepTheirOrder) {
    Table t;
    t.join(11, "Host");
    t.join(22, "Two");
    t.core.received(22, chatLine(2, 1) + chatLine(2, 2));
    t.core.received(11, chatLine(1, 1) + chatLine(1, 2) + chatLine(1, 3));
    t.drain();
    const QList<QByteArray> expected = {
        "CMD_chat+Two chats: line 1|clRed", "CMD_chat+Host chats: line 1|clRed",
        "CMD_chat+Two chats: line 2|clRed", "CMD_chat+Host chats: line 2|clRed",
        "CMD_chat+Host chats: line 3|clRed"};
    QList<QByteArray> seen;
    for (const QByteArray& m : t.transport.received[11])
        if (m.startsWith("CMD_chat+"))
            seen.append(m);
    EXPECT_EQ(seen, expected);
}

TEST(ServerCoreTurns, MessageQueuedBehindAKickIsNeverHandled) {
    Table t;
    t.join(11, "Host");
    t.join(22, "Two");
    t.core.received(11, wire::kickhim(1, 2));
    t.core.received(22, wire::chat(2, "too late", "clRed"));
    t.core.dispatch();
    EXPECT_EQ(t.transport.closes, QList<ConnectionId>{22});
    EXPECT_EQ(t.core.queued(), 0);
    EXPECT_EQ(t.count(11, "CMD_chat+Two chats: too late|clRed"), 0);
    EXPECT_EQ(t.count(11, "CMD_playerdisconnected+2+Two"), 1);
}

TEST(ServerCoreRate, PlayerAtAFewMessagesASecondIsNeverCut) {
    Table t;
    t.join(11, "Host");
    t.join(22, "Typist");
    // Sixteen a second for a minute, each handled at once.
    for (int i = 0; i < 16 * 60; ++i) {
        t.clock += 1000 / 16;
        t.core.received(22, chatLine(2, i));
        t.drain();
    }
    EXPECT_TRUE(t.transport.closes.isEmpty());
    EXPECT_EQ(t.chats(11), 16 * 60);
}

TEST(ServerCoreRate, BurstOfTheWindowsWorthIsAllowed) {
    Table t;
    t.join(11, "Host");
    t.join(22, "Burst");
    t.clock += kRateWindowMs; // the login's share is given back
    QByteArray burst;
    for (int i = 0; i < kMaxMessagesPerSecond * kRateWindowMs / 1000; ++i)
        burst += chatLine(2, i);
    t.core.received(22, burst);
    EXPECT_TRUE(t.transport.closes.isEmpty());
    t.core.received(22, chatLine(2, 99)); // one more at the same moment
    EXPECT_EQ(t.transport.closes, QList<ConnectionId>{22});
}

TEST(ServerCoreRate, SustainedFloodIsCutWithinTheWindowAndAnnounced) {
    Table t;
    t.join(11, "Host");
    t.join(22, "Flood", "10.1.1.2");
    // Thirty a second, half as much again as the limit.
    const qint64 start = t.clock;
    while (t.transport.closes.isEmpty() && t.clock - start < 10'000) {
        t.clock += 1000 / 30;
        t.core.received(22, chatLine(2, 0));
        t.core.dispatch();
    }
    ASSERT_EQ(t.transport.closes, QList<ConnectionId>{22});
    // 40 ahead, gaining 10 a second: cut after about four seconds.
    EXPECT_LE(t.clock - start, 4500);
    EXPECT_GE(t.clock - start, 3500);
    EXPECT_EQ(t.count(11, "CMD_playerdisconnected+2+Flood"), 1);
    ASSERT_EQ(t.dropped.size(), 1);
    EXPECT_EQ(t.dropped[0].reason, DropReason::Flooding);
    EXPECT_EQ(t.dropped[0].slot, 2);
}

TEST(ServerCoreRate, FlooderIsCutWithinASecondAtNinetyASecond) {
    Table t;
    t.join(11, "Host");
    t.join(22, "Flood");
    const qint64 start = t.clock;
    while (t.transport.closes.isEmpty() && t.clock - start < 10'000) {
        t.clock += 11;
        t.core.received(22, chatLine(2, 0));
        t.core.dispatch();
    }
    EXPECT_LT(t.clock - start, 1000);
}

TEST(ServerCoreRate, QueueLimitStillHoldsWhenTheServerFallsBehind) {
    Table t;
    t.join(11, "Host");
    t.join(22, "Slow");
    // Within the rate, but nothing is dispatched (a server stalled elsewhere).
    for (int i = 0; i < kMaxQueuedPerConnection; ++i) {
        t.clock += 1000;
        t.core.received(22, chatLine(2, i));
    }
    EXPECT_TRUE(t.transport.closes.isEmpty());
    t.clock += 1000;
    t.core.received(22, chatLine(2, 100));
    EXPECT_EQ(t.transport.closes, QList<ConnectionId>{22});
    EXPECT_EQ(t.core.queued(), 0);
}

TEST(ServerCoreAddresses, FlooderIsRefusedForAMinuteAndOthersAreNot) {
    Table t;
    t.join(11, "Host", "10.0.0.1");
    t.join(22, "Mate", "10.9.9.9");
    t.join(33, "Flood", "10.9.9.9");
    t.core.received(33, QByteArray(kMaxMessageBytes + 1, 'x'));
    ASSERT_EQ(t.transport.closes, QList<ConnectionId>{33});
    // Its open sibling stays; a new connection from there is refused unheard.
    EXPECT_EQ(t.core.slotOf(22), 2);
    EXPECT_EQ(t.core.opened(44, "10.9.9.9"), 0);
    EXPECT_EQ(t.transport.closes.last(), 44u);
    EXPECT_TRUE(t.transport.received[44].isEmpty());
    EXPECT_EQ(t.count(11, "CMD_newplayerinfo+3+"), 0);
    // The flooder's drop was the news; its refused attempts are not.
    EXPECT_EQ(t.dropped.size(), 1);
    EXPECT_EQ(t.dropped.last().reason, DropReason::Flooding);
    EXPECT_NE(t.core.opened(55, "10.0.0.7"), 0);
    t.clock += kRefusalMs - 1;
    EXPECT_EQ(t.core.opened(66, "10.9.9.9"), 0);
    t.clock += 1;
    EXPECT_NE(t.core.opened(77, "10.9.9.9"), 0);
}

TEST(ServerCoreAddresses, ReconnectingInALoopIsRefusedAfterTheTenth) {
    Table t;
    t.join(11, "Host", "10.0.0.1");
    ConnectionId id = 100;
    for (int i = 0; i < kMaxConnectsPerAddress; ++i) {
        ASSERT_NE(t.core.opened(++id, "10.6.6.6"), 0) << i;
        t.core.closed(id);
        t.clock += 100;
    }
    EXPECT_EQ(t.core.opened(++id, "10.6.6.6"), 0);
    ASSERT_EQ(t.dropped.size(), 1);
    EXPECT_EQ(t.dropped[0].reason, DropReason::Refused);
    // Every refused attempt is let go without a word to the players, and
    // only the bar's start is news for the log.
    const qsizetype arrivals = t.transport.received[11].size();
    for (int i = 0; i < 50; ++i)
        EXPECT_EQ(t.core.opened(++id, "10.6.6.6"), 0);
    EXPECT_EQ(t.transport.received[11].size(), arrivals);
    EXPECT_EQ(t.dropped.size(), 1);
    // Ten connections spread over more than the window are fine.
    for (int i = 0; i < 3 * kMaxConnectsPerAddress; ++i) {
        ASSERT_NE(t.core.opened(++id, "10.7.7.7"), 0) << i;
        t.core.closed(id);
        t.clock += kConnectWindowMs / kMaxConnectsPerAddress + 1;
    }
}

TEST(ServerCoreLogin, ConnectionThatNeverLogsInLosesItsSlotAfterTheGrace) {
    Table t;
    t.join(11, "Host");
    ASSERT_EQ(t.core.opened(22, "10.2.2.2"), 2);
    t.clock += kLoginGraceMs - 1;
    t.core.sweep();
    EXPECT_TRUE(t.transport.closes.isEmpty());
    t.clock += 1;
    t.core.sweep();
    EXPECT_EQ(t.transport.closes, QList<ConnectionId>{22});
    EXPECT_EQ(t.count(11, "CMD_playerdisconnected+2+"), 1);
    EXPECT_EQ(t.dropped.last().reason, DropReason::NoLogin);
    // The host, logged in long ago, stays; being let go for this is no flood.
    t.clock += kLoginGraceMs;
    t.core.sweep();
    EXPECT_EQ(t.transport.closes.size(), 1);
    EXPECT_FALSE(t.core.refuses("10.2.2.2"));
}

TEST(ServerCoreLogin, SevenIdleConnectionsNoLongerKeepPlayersOut) {
    Table t;
    t.join(1, "Host");
    for (ConnectionId id = 2; id <= 9; ++id)
        ASSERT_NE(t.core.opened(id, "10.3.3." + QString::number(id)), 0);
    EXPECT_EQ(t.core.opened(50, "10.4.4.4"), 0); // full
    EXPECT_EQ(t.count(50, "CMD_full+"), 1);
    t.clock += kLoginGraceMs;
    t.core.sweep();
    EXPECT_EQ(t.core.connectionCount(), 1);
    t.join(51, "Player", "10.4.4.4");
    EXPECT_EQ(t.core.slotOf(51), 2);
    EXPECT_TRUE(t.core.loggedIn(51));
}

TEST(AddressGuard, ForgetsAddressesOnceNothingAboutThemMatters) {
    AddressGuard g({kMaxConnectsPerAddress, kConnectWindowMs, kRefusalMs});
    using A = AddressGuard::Admission;
    for (int i = 0; i < 100; ++i)
        EXPECT_EQ(g.admit("10.5.0." + QString::number(i), 0), A::Admitted);
    g.bar("10.5.1.1", 0);
    EXPECT_EQ(g.tracked(), 101);
    EXPECT_EQ(g.admit("10.5.2.2", kConnectWindowMs), A::Admitted);
    EXPECT_EQ(g.tracked(), 2); // the bar and the newcomer
    EXPECT_TRUE(g.barred("10.5.1.1", kRefusalMs - 1));
    EXPECT_EQ(g.admit("10.5.1.1", kRefusalMs - 1), A::Barred);
    EXPECT_EQ(g.admit("10.5.2.2", kRefusalMs), A::Admitted);
    EXPECT_EQ(g.tracked(), 1);
    EXPECT_EQ(g.admit({}, 0), A::Admitted); // an unknown address is never refused
}
