// SPDX-License-Identifier: GPL-3.0-or-later
// The limits of servicelimits.h, driven by the test's clock: each is reached
// exactly where it says, and what lies just below it still passes.

#include "corefixture.h"
#include "version.h"

#include <gtest/gtest.h>

using namespace lobbywire;
using namespace servicelimits;

namespace {

QString address(int n) {
    return QStringLiteral("10.0.%1.%2").arg(n / 250).arg(n % 250 + 1);
}

} // namespace

TEST(ServiceLimits, LoginGrace) {
    CoreFixture f;
    f.core.opened(1, address(1));
    f.clock += kLoginGraceMs - 1;
    f.core.sweep();
    EXPECT_FALSE(f.closed(1));
    f.clock += 1;
    f.core.sweep();
    EXPECT_EQ(f.transport.take(1), "BYE\tlate\tSay HELLO within 10 seconds.\n");
    EXPECT_TRUE(f.closed(1));
}

TEST(ServiceLimits, LineRateCutsOffAndRefusesTheAddressForAMinute) {
    CoreFixture f;
    f.join(1, address(1));
    QByteArray burst; // the HELLO was the first of the burst
    for (int i = 1; i < kLineBurst; ++i)
        burst += ping();
    f.line(1, burst);
    f.clock += 1000; // five more lines' worth
    f.line(1, ping() + ping() + ping() + ping() + ping());
    EXPECT_FALSE(f.closed(1));
    f.line(1, ping());
    EXPECT_TRUE(f.closed(1));
    EXPECT_TRUE(f.transport.take(1).endsWith("PONG\nBYE\tflood\tToo many lines too fast.\n"));
    EXPECT_FALSE(f.core.opened(2, address(1)));
    EXPECT_TRUE(f.core.opened(3, address(2)));
    f.clock += kRefusalMs;
    EXPECT_TRUE(f.core.opened(4, address(1)));
}

TEST(ServiceLimits, ReconnectsAndConnectionCaps) {
    CoreFixture f;
    ConnectionId id = 0;
    for (int i = 0; i < kMaxConnectsPerAddress; ++i) {
        ASSERT_TRUE(f.core.opened(++id, address(1)));
        f.core.closed(id);
    }
    EXPECT_FALSE(f.core.opened(++id, address(1)));
    EXPECT_TRUE(f.transport.take(id).isEmpty()); // refused without a word
    EXPECT_EQ(f.events.size(), 1);               // and logged once
    EXPECT_FALSE(f.core.opened(++id, address(1)));
    EXPECT_EQ(f.events.size(), 1);

    for (int i = 0; i < kMaxConnectionsPerAddress; ++i)
        ASSERT_TRUE(f.core.opened(++id, address(2)));
    EXPECT_FALSE(f.core.opened(++id, address(2)));
    EXPECT_EQ(f.transport.take(id), "BYE\tbusy\tToo many connections from your address at once.\n");
    EXPECT_EQ(f.core.connectionsFrom(address(2)), kMaxConnectionsPerAddress);

    CoreFixture small({3, 32});
    for (int i = 1; i <= 3; ++i)
        ASSERT_TRUE(small.core.opened(i, address(i)));
    EXPECT_FALSE(small.core.opened(4, address(4)));
    EXPECT_EQ(small.transport.take(4), "BYE\tbusy\tThe lobby is full; try again later.\n");
}

TEST(ServiceLimits, LineLengthWhereverTheNetworkCutsIt) {
    CoreFixture f;
    f.join(1);
    const QByteArray longest = "NAME\t" + QByteArray(kMaxLineBytes - 6, 'x') + "\n";
    ASSERT_EQ(longest.size(), kMaxLineBytes);
    f.line(1, longest.left(500));
    f.line(1, longest.mid(500));
    EXPECT_TRUE(f.transport.take(1).startsWith("ERROR\tname\t")); // too long a name, not a line
    f.line(1, QByteArray(kMaxLineBytes, 'y')); // no end yet, and already too long
    EXPECT_EQ(f.transport.take(1), "BYE\tlong\tA line is at most 1024 bytes.\n");
    EXPECT_TRUE(f.closed(1));
    EXPECT_FALSE(f.core.refuses(QStringLiteral("192.0.2.1")));
}

TEST(ServiceLimits, UnreadBytesCloseWithoutABye) {
    CoreFixture f;
    f.join(1);
    f.join(2);
    f.line(2, watch());
    f.transport.unsentOf[2] = kMaxUnsentBytes + 1;
    f.line(1, host(Listing::Public, 7772, wire::kVersion, "T", "Ann"));
    f.core.flushDirectory();
    EXPECT_TRUE(f.closed(2));
    EXPECT_FALSE(f.transport.take(2).contains("BYE"));
    ASSERT_FALSE(f.events.isEmpty());
    EXPECT_EQ(f.events.last().reason, DropReason::NotReading);
}

TEST(ServiceLimits, OneTablePerConnectionAndRefusedRequestsAreCounted) {
    CoreFixture f;
    f.join(1);
    f.line(1, host(Listing::Public, 7772, wire::kVersion, "T", "Ann"));
    f.line(1, host(Listing::Public, 7773, wire::kVersion, "U", "Ann"));
    EXPECT_EQ(f.transport.take(1),
              "HOSTED\t+AAAA-AAA2\tKey000000000000000000001\n"
              "ERROR\thost\tOne table per connection: UNHOST this one first.\n");
    f.line(1, unhost() + host(Listing::Public, 7773, wire::kVersion, "U", "Ann"));
    EXPECT_EQ(f.transport.take(1), "HOSTED\t+AAAA-AAA3\tKey000000000000000000002\n");

    // Twenty refusals in a burst pass (the first was the second HOST), the
    // next one after them cuts the connection off.
    for (int i = 1; i < kBadRequestBurst; ++i)
        f.line(1, "STATE\n");
    EXPECT_FALSE(f.closed(1));
    f.clock += kBadRequestRefillMs;
    f.line(1, "STATE\n");
    EXPECT_FALSE(f.closed(1));
    f.line(1, "STATE\n");
    EXPECT_TRUE(f.closed(1));
    EXPECT_TRUE(f.transport.take(1).endsWith("BYE\tflood\tToo many refused requests.\n"));
}

TEST(ServiceLimits, GuessingInviteCodes) {
    CoreFixture f;
    f.join(1, address(1));
    for (int i = 0; i < kMaxUnknownPerConnection; ++i)
        f.line(1, resolve("+ZZZZ-ZZZZ"));
    EXPECT_EQ(f.transport.take(1).count("UNKNOWN"), kMaxUnknownPerConnection);
    f.line(1, resolve("+ZZZZ-ZZZZ"));
    EXPECT_EQ(f.transport.take(1), "BYE\tflood\tToo many unknown invite codes.\n");
    EXPECT_TRUE(f.core.refuses(address(1)));

    // Spread over several connections of one address, and a minute apart.
    CoreFixture g;
    for (ConnectionId id = 1; id <= 3; ++id)
        g.join(id, address(2));
    for (ConnectionId id = 1; id <= 3; ++id)
        for (int i = 0; i < kMaxUnknownPerConnection; ++i)
            g.line(id, resolve("+ZZZZ-ZZZZ"));
    g.join(4, address(2));
    g.line(4, resolve("+ZZZZ-ZZZZ"));
    EXPECT_TRUE(g.closed(4));
    g.clock += kUnknownWindowMs;
    g.line(1, resolve("+ZZZZ-ZZZZ"));
    EXPECT_TRUE(g.transport.take(1).endsWith("UNKNOWN\t+ZZZZ-ZZZZ\n"));
}

TEST(ServiceLimits, ChatRateThenFlooding) {
    CoreFixture f;
    f.join(1);
    f.line(1, setName("Ann") + enter());
    f.transport.take(1);
    for (int i = 0; i < kChatBurst; ++i)
        f.line(1, say("line"));
    f.line(1, say("one more"));
    EXPECT_EQ(f.transport.take(1), "ERROR\tsay\tSlow down: at most 5 chat lines in 10 seconds.\n");
    f.clock += kChatWindowMs;
    f.line(1, say("later"));
    EXPECT_TRUE(f.transport.take(1).isEmpty());

    CoreFixture g;
    g.join(1);
    g.line(1, setName("Bob") + enter());
    for (int i = 0; i < kChatBurst + kChatStrikes; ++i)
        g.line(1, say("spam"));
    EXPECT_FALSE(g.closed(1));
    g.line(1, say("spam"));
    EXPECT_TRUE(g.closed(1));
    EXPECT_TRUE(g.core.refuses(QStringLiteral("192.0.2.1")));
}
