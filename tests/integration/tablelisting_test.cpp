// SPDX-License-Identifier: GPL-3.0-or-later
// A hosted table as others see it: the game server's seats, spies and rounds
// read into the lobby's terms, and answered to a discovery query over a real
// socket.

#include "coretable.h"
#include "harness.h"
#include "lobbyreaders.h"
#include "tablelisting.h"
#include "version.h"

#include <QSignalSpy>
#include <QUdpSocket>

#include <gtest/gtest.h>

namespace {

constexpr std::uint16_t kPort = 24710;

quint16 freeUdpPort() {
    QUdpSocket probe;
    probe.bind(QHostAddress::LocalHost, 0);
    return probe.localPort();
}

// Asks the table at `port` on this machine; answers what it said.
std::optional<lobbywire::Answer> ask(Harness& h, quint16 port) {
    QUdpSocket asker;
    if (!asker.bind(QHostAddress::LocalHost, 0))
        return std::nullopt;
    asker.writeDatagram(lobbywire::query(QStringLiteral("t1")), QHostAddress::LocalHost, port);
    if (!h.deliver([&] { return asker.hasPendingDatagrams(); }))
        return std::nullopt;
    QByteArray datagram(int(asker.pendingDatagramSize()), '\0');
    asker.readDatagram(datagram.data(), datagram.size());
    return lobbywire::readAnswer(datagram);
}

} // namespace

TEST(TableListing, TheDirectoryCountsPlayersLoggedInAtSeatsAndAsSpies) {
    CoreTable t;
    EXPECT_EQ(TableListing::stateOf(t.core.engine()), lobbywire::TableState{});
    t.join(1, "An\x01n");
    for (ConnectionId id = 2; id <= 7; ++id)
        t.join(id, "P" + QByteArray::number(id));
    t.core.opened(8); // connected, never logged in
    const lobbywire::TableState s = TableListing::stateOf(t.core.engine());
    EXPECT_EQ(s.seated, 6);
    EXPECT_EQ(s.spies, 1);
    EXPECT_EQ(s.hostName, QStringLiteral("An n"));
    EXPECT_EQ(s.phase, lobbywire::Phase::Waiting);

    // A dedicated server whose seat 1 is free has no host to show.
    t.core.closed(1);
    t.drain();
    EXPECT_EQ(TableListing::stateOf(t.core.engine()).hostName, QString());
}

TEST(TableListing, AnswersDiscoveryWithTheGameAsItStands) {
    Harness h(kPort);
    HostedTableOptions options;
    options.tableName = QStringLiteral("Ann's table");
    options.gameVersion = QLatin1String(wire::kVersion);
    options.gamePort = 1; // the listener's own port wins
    options.discoveryPort = freeUdpPort();
    options.mapPort = false; // nothing asks this machine's router
    TableListing listing(h.server(), options);
    EXPECT_EQ(listing.host().options().gamePort, kPort);
    listing.start();
    RawClient& ann = h.join("Ann");
    h.join("Bob");
    listing.refresh();
    auto answer = ask(h, options.discoveryPort);
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->tableName, QStringLiteral("Ann's table"));
    EXPECT_EQ(answer->port, kPort);
    EXPECT_EQ(answer->version, QLatin1String(wire::kVersion));
    EXPECT_EQ(answer->state.seated, 2);
    EXPECT_EQ(answer->state.hostName, QStringLiteral("Ann"));
    EXPECT_EQ(answer->state.phase, lobbywire::Phase::Waiting);

    ann.send(wire::startgame("Ann", "3", "60", "0", "1"));
    ASSERT_TRUE(h.pump([&] { return h.server().engine().gameon(); }));
    listing.refresh();
    answer = ask(h, options.discoveryPort);
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->state.phase, lobbywire::Phase::Playing);
    EXPECT_EQ(answer->state.round, 1);
    EXPECT_EQ(answer->state.rounds, 3);
}

TEST(TableListing, AServiceThatStaysAwayIsToldOnce) {
    Harness h(kPort + 1);
    HostedTableOptions options;
    options.tableName = QStringLiteral("Friday");
    options.gameVersion = QLatin1String(wire::kVersion);
    options.listing = lobbywire::Listing::Public;
    options.discoveryPort = freeUdpPort();
    options.mapPort = false; // nothing asks this machine's router
    // Nothing listens there: every attempt fails the same way.
    options.service = {QStringLiteral("127.0.0.1"), freeUdpPort()};
    TableListing listing(h.server(), options);
    QSignalSpy told(&listing, &TableListing::problem);
    QSignalSpy attempts(&listing.host(), &TableHost::problem);
    listing.start();
    ASSERT_TRUE(h.deliver([&] { return attempts.count() >= 2; }, 15000));
    ASSERT_EQ(told.count(), 1);
    EXPECT_TRUE(told.first().first().toString().contains(QStringLiteral("can't be reached")));
}
