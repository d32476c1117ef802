// SPDX-License-Identifier: GPL-3.0-or-later
// The relay and the test from outside, driven without sockets: who is joined
// to whom and with which bytes first, what each end is told, the relay's
// limits, and how a table's way and code come and go.

#include "corefixture.h"
#include "version.h"

#include <gtest/gtest.h>

using namespace lobbywire;
using namespace servicelimits;

namespace {

const QString kHostAddress = QStringLiteral("203.0.113.5");
const QString kKey = QStringLiteral("KeyKeyKeyKeyKeyKeyKey123");

QString player(int n) {
    return QStringLiteral("198.51.%1.%2").arg(n / 250).arg(n % 250 + 1);
}

// The secret field of the last line named `name` that was sent to `id`.
QString secretIn(const QByteArray& sent, const char* name) {
    QString found;
    for (const QByteArray& line : sent.split('\n')) {
        const Message m = split(line);
        if (m.name == name && !m.fields.isEmpty())
            found = m.fields.first();
    }
    return found;
}

// A hosting connection 1 with its table registered; the test's nonce taken.
struct RelayFixture : CoreFixture {
    QString code;
    QString nonce;
    ConnectionId next = 10;

    explicit RelayFixture(ConnectionCaps caps = {}) : CoreFixture(caps) {
        core.setRelayAddress({}, 7780);
        core.setProbing(true);
        join(1, kHostAddress);
        line(1, host(Listing::Invite, 7772, wire::kVersion, "Friday", "Ann"));
        const QByteArray sent = transport.take(1);
        code = readHosted(split(sent.split('\n').first()))->code;
        nonce = secretIn(sent, name::probe);
    }
    // A player asking the relay for `table` from `from`; its id.
    ConnectionId ask(const QString& from, const QString& table, const QByteArray& early = {}) {
        const ConnectionId id = ++next;
        core.opened(id, from);
        line(id, relay(table) + early);
        return id;
    }
    // The host's connection for the ticket last sent to it; its id.
    ConnectionId fetch(const QByteArray& early = {}) {
        const ConnectionId id = ++next;
        core.opened(id, kHostAddress);
        line(id, ticket(secretIn(transport.take(1), name::joiner)) + early);
        return id;
    }
};

} // namespace

TEST(ServiceRelay, JoinsAPlayerToItsHostsConnectionWithTheirFirstBytes) {
    RelayFixture f;
    const ConnectionId joiner = f.ask(player(1), f.code,
                                      QByteArray("\xFF"
                                                 "early",
                                                 6));
    EXPECT_TRUE(f.transport.take(joiner).isEmpty()); // nothing until the host comes
    const QByteArray toHost = f.transport.sent[1];
    EXPECT_TRUE(toHost.startsWith("JOINER\t"));
    EXPECT_TRUE(toHost.endsWith("\t" + player(1).toLatin1() + "\n"));
    EXPECT_EQ(f.core.waitingJoiners(), 1);

    const ConnectionId fetched = f.fetch(QByteArray("\xFF"
                                                    "late",
                                                    5));
    ASSERT_EQ(f.transport.joins.size(), 1u);
    const auto& j = f.transport.joins.front();
    EXPECT_EQ(j.a, joiner);
    EXPECT_EQ(j.b, fetched);
    EXPECT_EQ(j.toA, QByteArray("JOINED\n\xFF"
                                "late",
                                12));
    EXPECT_EQ(j.toB, QByteArray("JOINED\n\xFF"
                                "early",
                                13));
    // Both ends are the transport's now; the relay's counts remain.
    EXPECT_FALSE(f.core.knows(joiner));
    EXPECT_FALSE(f.core.knows(fetched));
    EXPECT_EQ(f.core.connectionsFrom(kHostAddress), 1);
    EXPECT_EQ(f.core.relayCount(), 1);
    EXPECT_EQ(f.core.relaysOfTable(f.code), 1);
    EXPECT_EQ(f.core.relaysFrom(player(1)), 1);
    EXPECT_EQ(f.events.back().kind, ServiceEvent::Kind::Relayed);
    EXPECT_EQ(f.events.back().address, player(1));

    f.core.closed(fetched); // either end's close ends it
    EXPECT_EQ(f.core.relayCount(), 0);
    EXPECT_EQ(f.core.relaysOfTable(f.code), 0);
    EXPECT_EQ(f.core.relaysFrom(player(1)), 0);
    EXPECT_EQ(f.events.back().kind, ServiceEvent::Kind::RelayEnded);
    f.core.closed(joiner); // the other's report changes nothing
    EXPECT_EQ(f.events.back().kind, ServiceEvent::Kind::RelayEnded);
}

TEST(ServiceRelay, WhatAPlayerIsToldWhenItCantBeJoined) {
    RelayFixture f;
    // Unknown code: UNKNOWN, then closed.
    const ConnectionId lost = f.ask(player(1), QStringLiteral("+ZZZZ-ZZZZ"));
    EXPECT_EQ(f.transport.take(lost), "UNKNOWN\t+ZZZZ-ZZZZ\n");
    EXPECT_TRUE(f.closed(lost));
    // An address the service does not know: the host could not judge it.
    const ConnectionId nowhere = ++f.next;
    f.core.opened(nowhere, QString());
    f.line(nowhere, relay(f.code));
    EXPECT_TRUE(f.transport.take(nowhere).startsWith("BYE\taddress\t"));
    EXPECT_TRUE(f.transport.take(1).isEmpty());
    // Another protocol: BYE version.
    const ConnectionId old = ++f.next;
    f.core.opened(old, player(2));
    f.line(old, relay(f.code, 1));
    EXPECT_TRUE(f.transport.take(old).startsWith("BYE\tversion\t"));
    // The host declines.
    const ConnectionId refused = f.ask(player(3), f.code);
    f.line(1, decline(secretIn(f.transport.take(1), name::joiner)));
    EXPECT_EQ(f.transport.take(refused), "BYE\trefused\tThe table's host turned you away.\n");
    EXPECT_TRUE(f.closed(refused));
    // The host does not come in time; its ticket is no good afterwards.
    const ConnectionId waiting = f.ask(player(4), f.code);
    const QString lapsed = secretIn(f.transport.sent[1], name::joiner);
    f.clock += kTicketSeconds * 1000 - 1;
    f.core.sweep();
    EXPECT_FALSE(f.closed(waiting));
    f.clock += 1;
    f.core.sweep();
    EXPECT_EQ(f.transport.take(waiting),
              "BYE\tabsent\tThe table's host did not take you in within 10 seconds.\n");
    const ConnectionId late = ++f.next;
    f.core.opened(late, kHostAddress);
    f.line(late, ticket(lapsed));
    EXPECT_EQ(f.transport.take(late), "BYE\tticket\tThat ticket is not good (any more).\n");
    // A ticket is good once.
    const ConnectionId first = f.ask(player(5), f.code);
    const QString once = secretIn(f.transport.sent[1], name::joiner);
    f.fetch();
    const ConnectionId again = ++f.next;
    f.core.opened(again, kHostAddress);
    f.line(again, ticket(once));
    EXPECT_TRUE(f.transport.take(again).startsWith("BYE\tticket\t"));
    EXPECT_EQ(f.core.relayCount(), 1);
    EXPECT_FALSE(f.core.knows(first));
    // The table goes: whoever waits for it hears so at once.
    const ConnectionId orphan = f.ask(player(6), f.code);
    f.line(1, unhost());
    EXPECT_TRUE(f.transport.take(orphan).startsWith("BYE\tabsent\t"));
    EXPECT_EQ(f.core.waitingJoiners(), 0);
}

TEST(ServiceRelay, LimitsPerTableAndPerPlayersAddressButNotTheHostsOwnConnections) {
    RelayFixture f;
    for (int i = 0; i < kMaxRelaysPerTable; ++i) {
        f.ask(player(i), f.code);
        f.fetch();
    }
    const ConnectionId over = f.ask(player(99), f.code);
    EXPECT_TRUE(f.transport.take(over).startsWith("BYE\tbusy\t"));
    // The host opened a dozen connections of its own and is no worse off.
    EXPECT_EQ(f.core.connectionsFrom(kHostAddress), 1);
    EXPECT_FALSE(f.core.refuses(kHostAddress));

    // One address over several tables.
    RelayFixture g;
    g.join(2, QStringLiteral("203.0.113.6"));
    g.line(2, host(Listing::Public, 7772, wire::kVersion, "Saturday", "Bo"));
    const QString second = readHosted(split(g.transport.take(2).split('\n').first()))->code;
    for (int i = 0; i < kMaxRelaysPerAddress; ++i)
        g.ask(player(1), i % 2 ? g.code : second);
    EXPECT_EQ(g.core.relaysFrom(player(1)), kMaxRelaysPerAddress);
    const ConnectionId greedy = g.ask(player(1), g.code);
    EXPECT_TRUE(g.transport.take(greedy).startsWith("BYE\tbusy\t"));
    EXPECT_FALSE(g.transport.take(g.ask(player(2), g.code)).startsWith("BYE"));

    // Game bytes before the host came: a little, not a flood.
    RelayFixture h;
    const ConnectionId flood = h.ask(player(1), h.code);
    h.line(flood, QByteArray(kMaxEarlyBytes, 'x'));
    EXPECT_FALSE(h.closed(flood));
    h.line(flood, "x");
    EXPECT_TRUE(h.closed(flood));
}

TEST(ServiceRelay, HostsTicketConnectionsDoNotCountAsReconnects) {
    RelayFixture f;
    for (int i = 0; i < 2 * kMaxConnectsPerAddress; ++i) {
        const ConnectionId joiner = f.ask(player(i), f.code);
        const ConnectionId fetched = f.fetch();
        ASSERT_TRUE(f.core.relayed(fetched)) << i;
        f.core.closed(joiner);
    }
    EXPECT_FALSE(f.core.refuses(kHostAddress));
}

TEST(ServiceProbe, TheTableIsTestedAndItsWayShownToHostWatchersAndJoiners) {
    RelayFixture f;
    ASSERT_TRUE(isSecret(f.nonce));
    f.join(2, player(1));
    f.line(2, watch());
    f.transport.take(2);
    EXPECT_TRUE(f.transport.probes.empty()); // not before the host is ready
    f.line(1, armed(f.nonce));
    ASSERT_EQ(f.transport.probes.size(), 1u);
    EXPECT_EQ(f.transport.probes[0].address, kHostAddress);
    EXPECT_EQ(f.transport.probes[0].port, 7772);
    EXPECT_EQ(f.transport.probes[0].nonce, f.nonce);
    f.core.probed(1, QStringLiteral("an older nonce 123456789"), true, "stale");
    EXPECT_TRUE(f.transport.take(1).isEmpty());
    f.core.probed(1, f.nonce, true, QStringLiteral("the table answered at 203.0.113.5:7772"));
    EXPECT_EQ(f.transport.take(1), "REACH\tdirect\tthe table answered at 203.0.113.5:7772\n");
    EXPECT_EQ(f.events.back().kind, ServiceEvent::Kind::TableTested);
    f.line(2, resolve(f.code));
    const auto found1 = readFound(split(f.transport.take(2).chopped(1)));
    ASSERT_TRUE(found1);
    EXPECT_EQ(found1->way, Way::Direct);
    EXPECT_EQ(found1->relayHost, "192.0.2.100"); // where its host reached this instance
    EXPECT_EQ(found1->relayPort, 7780);

    // A new port: tested again; a host that never gets ready is relayed.
    f.line(1, port(40123));
    const QString second = secretIn(f.transport.take(1), name::probe);
    ASSERT_TRUE(isSecret(second));
    EXPECT_NE(second, f.nonce);
    f.clock += kArmMs;
    f.core.sweep();
    EXPECT_EQ(f.transport.take(1), "REACH\trelay\tthe table's server did not get ready for the "
                                   "test\n");
    f.line(2, resolve(f.code));
    const auto found2 = readFound(split(f.transport.take(2).chopped(1)));
    EXPECT_EQ(found2->port, 40123);
    EXPECT_EQ(found2->way, Way::Relay);
    // Too many changes of port are refused for a while.
    for (int i = 1; i < kMaxProbesPerWindow; ++i)
        f.line(1, port(quint16(40123 + i)));
    f.transport.take(1);
    f.line(1, port(41000));
    EXPECT_EQ(f.transport.take(1), "ERROR\tport\tToo many changes of port; wait a minute.\n");
}

TEST(ServiceProbe, PublicTablesShowTheirWayInTheDirectory) {
    CoreFixture f;
    f.core.setProbing(true);
    f.join(1, kHostAddress);
    f.line(1, host(Listing::Public, 7772, wire::kVersion, "Friday", "Ann"));
    const QString nonce = secretIn(f.transport.take(1), name::probe);
    f.join(2, player(1));
    f.line(2, watch());
    EXPECT_TRUE(f.transport.take(2).contains("\t" + QByteArray(wire::kVersion) + "\tunknown\n"));
    f.line(1, armed(nonce));
    f.core.probed(1, nonce, false, QStringLiteral("nothing answered"));
    f.core.flushDirectory();
    EXPECT_TRUE(f.transport.take(2).endsWith("\t" + QByteArray(wire::kVersion) + "\trelay\n"));
}

TEST(ServiceClaims, AHostGetsItsCodeBackWithItsKeyOnly) {
    CoreFixture f;
    f.join(1, kHostAddress);
    f.line(1, host(Listing::Invite, 7772, wire::kVersion, "Friday", "Ann"));
    const TableClaim claim = *readHosted(split(f.transport.take(1).split('\n').first()));
    // Another with the code but not the key: a code of its own.
    f.join(2, player(1));
    f.line(2, host(Listing::Invite, 7772, wire::kVersion, "Thief", "X", {claim.code, kKey}));
    EXPECT_NE(readHosted(split(f.transport.take(2).split('\n').first()))->code, claim.code);
    // Its host again, on a new connection while the old one lingers: the
    // table moves over, and stays when the old connection goes.
    f.join(3, kHostAddress);
    f.line(3, host(Listing::Invite, 7772, wire::kVersion, "Friday", "Ann", claim));
    EXPECT_EQ(*readHosted(split(f.transport.take(3).split('\n').first())), claim);
    EXPECT_EQ(f.core.tableOf(1), "");
    EXPECT_EQ(f.core.tableOf(3), claim.code);
    f.core.closed(1);
    EXPECT_EQ(f.store.tableCount(), 2);
    // After it went altogether (another instance, or this one after a
    // restart), the code is free for its key.
    f.core.closed(3);
    f.join(4, kHostAddress);
    f.line(4, host(Listing::Invite, 7772, wire::kVersion, "Friday", "Ann", claim));
    EXPECT_EQ(readHosted(split(f.transport.take(4).split('\n').first()))->code, claim.code);
}
