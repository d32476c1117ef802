// SPDX-License-Identifier: GPL-3.0-or-later
#include "fakeservice.h"
#include "tablehost.h"
#include "tsock.h"
#include "version.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QUdpSocket>

#include <gtest/gtest.h>

#include <memory>

using namespace lobbytest;
using namespace lobbywire;

namespace {

quint16 freeUdpPort() {
    QUdpSocket s;
    s.bind(QHostAddress::AnyIPv4, 0);
    return s.localPort();
}

HostedTableOptions table(const FakeService& service, std::optional<Listing> listing) {
    HostedTableOptions o;
    o.tableName = QStringLiteral("Friday");
    o.gamePort = 7001;
    o.gameVersion = QLatin1String(wire::kVersion);
    o.listing = listing;
    o.service = service.hostPort();
    o.discoveryPort = freeUdpPort();
    return o;
}

TableState seated(int n) {
    TableState s;
    s.seated = n;
    s.hostName = QStringLiteral("Ann");
    return s;
}

const QString kKey = QStringLiteral("KeyKeyKeyKeyKeyKeyKey123");

// Answers every HOST with HOSTED and the next code of `codes`.
void handOutCodes(FakeService& service, QStringList codes) {
    service.onLine = [&service, codes](int peer, const Message& m) mutable {
        if (readHost(m) && !codes.isEmpty())
            service.send(peer, hosted({codes.takeFirst(), kKey}));
    };
}

} // namespace

TEST(TableHost, RegistersAndRegistersAgainAfterTheServiceDropsIt) {
    FakeService service;
    handOutCodes(service, {"+AAAA-BBBB", "+CCCC-DDDD"});
    TableHost host(table(service, Listing::Invite));
    host.setState(seated(1));
    QSignalSpy registered(&host, &TableHost::registered);
    QSignalSpy problems(&host, &TableHost::problem);
    host.start();
    EXPECT_TRUE(host.answeringDiscovery());
    ASSERT_TRUE(registered.wait(10'000));
    EXPECT_EQ(registered.at(0).at(0).toString(), "+AAAA-BBBB");
    EXPECT_EQ(host.inviteCode(), "+AAAA-BBBB");
    EXPECT_EQ(service.peer(0).lines,
              (QList<QByteArray>{"HELLO\t2\tvorlix\t" + QByteArray(wire::kVersion),
                                 "HOST\tinvite\t7001\t" + QByteArray(wire::kVersion) +
                                     "\tFriday\tAnn\t-\t-",
                                 "STATE\t1\t0\twaiting\t0\t0\tAnn"}));

    service.drop(0);
    ASSERT_TRUE(problems.wait(10'000));
    EXPECT_EQ(problems.at(0).at(0).toString(),
              QStringLiteral("The lobby service at 127.0.0.1:%1 closed the connection. Players "
                             "on this network can still join; trying again.")
                  .arg(service.port()));
    EXPECT_EQ(host.inviteCode(), "");
    ASSERT_TRUE(waitUntil([&] { return registered.count() == 2; }));
    EXPECT_EQ(host.inviteCode(), "+CCCC-DDDD");
    // It asked for its code back; this service gave another.
    EXPECT_EQ(service.linesNamed(1, "HOST"),
              QList<QByteArray>{"HOST\tinvite\t7001\t" + QByteArray(wire::kVersion) +
                                "\tFriday\tAnn\t+AAAA-BBBB\t" + kKey.toLatin1()});
}

// Several instances of the service: a table whose instance goes registers
// with the next at once, asking for its code back; one that can't be reached
// is passed over.
TEST(TableHost, RegistersWithTheNextInstanceWhenItsInstanceGoes) {
    FakeService first, second;
    handOutCodes(first, {"+AAAA-BBBB"});
    handOutCodes(second, {"+AAAA-BBBB"});
    HostedTableOptions options = table(first, Listing::Invite);
    options.alternates = {{QStringLiteral("127.0.0.1"), closedPort()}, second.hostPort()};
    TableHost host(options);
    QSignalSpy registered(&host, &TableHost::registered);
    host.start();
    ASSERT_TRUE(registered.wait(10'000));
    first.drop(0);
    first.stopListening();
    QElapsedTimer clock;
    clock.start();
    ASSERT_TRUE(waitUntil([&] { return registered.count() == 2; }));
    EXPECT_LT(clock.elapsed(), 10'000);
    EXPECT_EQ(host.inviteCode(), "+AAAA-BBBB");
    EXPECT_EQ(second.linesNamed(0, "HOST"),
              QList<QByteArray>{"HOST\tinvite\t7001\t" + QByteArray(wire::kVersion) +
                                "\tFriday\t\t+AAAA-BBBB\t" + kKey.toLatin1()});
}

// The service's test: the game server is readied before ARMED goes out, and
// what the test found is told; a router's port goes out as PORT.
TEST(TableHost, ReadiesTheServerForTheTestAndHearsWhatItFound) {
    FakeService service;
    handOutCodes(service, {"+AAAA-BBBB"});
    TableHost host(table(service, Listing::Public));
    QStringList armedFor;
    host.armProbe = [&](const QString& nonce) {
        armedFor << nonce;
        EXPECT_TRUE(service.linesNamed(0, "ARMED").isEmpty()); // not yet
    };
    QSignalSpy registered(&host, &TableHost::registered);
    QSignalSpy reached(&host, &TableHost::reached);
    host.start();
    ASSERT_TRUE(registered.wait(10'000));
    service.send(0, probe(kKey));
    ASSERT_TRUE(service.waitForLines(0, "ARMED"));
    EXPECT_EQ(armedFor, QStringList{kKey});
    EXPECT_EQ(service.linesNamed(0, "ARMED").first(), "ARMED\t" + kKey.toLatin1());
    service.send(0, reach(Way::Relay, QStringLiteral("nothing answered at 192.0.2.1:7001")));
    ASSERT_TRUE(reached.wait(10'000));
    EXPECT_EQ(reached.at(0).at(0).value<Way>(), Way::Relay);
    EXPECT_EQ(reached.at(0).at(1).toString(), "nothing answered at 192.0.2.1:7001");
    host.setPublicPort(40123);
    ASSERT_TRUE(service.waitForLines(0, "PORT"));
    EXPECT_EQ(service.linesNamed(0, "PORT").first(), "PORT\t40123");
}

// A player at the relay: refused by the game server's own rule, or fetched
// over a connection of the table's own that presents the ticket and is handed
// over, with what came after JOINED, as the game's socket component.
TEST(TableHost, FetchesRelayedPlayersTheServerAdmits) {
    FakeService service;
    handOutCodes(service, {"+AAAA-BBBB"});
    TableHost host(table(service, Listing::Invite));
    host.admits = [](const QString& address) { return address != "198.51.100.66"; };
    QSignalSpy registered(&host, &TableHost::registered);
    std::unique_ptr<TSock> sock;
    QString relayedFrom;
    QByteArray early;
    QObject::connect(&host, &TableHost::relayed,
                     [&](TSock* connection, const QString& address, const QByteArray& bytes) {
                         sock.reset(connection);
                         relayedFrom = address;
                         early = bytes;
                     });
    host.start();
    ASSERT_TRUE(registered.wait(10'000));
    const QString barred = QStringLiteral("barredTicket0123456789ab");
    service.send(0, joiner(barred, QStringLiteral("198.51.100.66")));
    ASSERT_TRUE(service.waitForLines(0, "DECLINE"));
    EXPECT_EQ(service.linesNamed(0, "DECLINE").first(), "DECLINE\t" + barred.toLatin1());
    EXPECT_EQ(service.peers(), 1);

    service.onLine = [&](int peer, const Message& m) {
        if (readTicket(m) == kKey)
            service.send(peer, joined() + QByteArray("\xFFgame", 5));
    };
    service.send(0, joiner(kKey, QStringLiteral("198.51.100.7")));
    ASSERT_TRUE(waitUntil([&] { return sock != nullptr; }));
    EXPECT_EQ(service.linesNamed(1, "TICKET"), QList<QByteArray>{"TICKET\t" + kKey.toLatin1()});
    EXPECT_EQ(relayedFrom, "198.51.100.7");
    EXPECT_EQ(early, QByteArray("\xFFgame", 5));
    EXPECT_TRUE(sock->connected());
    EXPECT_EQ(sock->parent(), nullptr);
    sock->Send("back");
    ASSERT_TRUE(waitUntil([&] { return service.peer(1).buffer.endsWith("back"); }));
}

TEST(TableHost, StateChangesAreCoalescedToOneASecond) {
    FakeService service;
    handOutCodes(service, {"+AAAA-BBBB"});
    TableHost host(table(service, Listing::Public));
    QSignalSpy registered(&host, &TableHost::registered);
    host.start();
    ASSERT_TRUE(registered.wait(10'000));
    for (int i = 1; i <= 6; ++i)
        host.setState(seated(i));
    const QByteArray last = state(seated(6)).chopped(1);
    ASSERT_TRUE(waitUntil([&] { return service.linesNamed(0, "STATE").contains(last); }));
    settle(1500); // a further STATE would be due by now
    const QList<QByteArray> states = service.linesNamed(0, "STATE");
    EXPECT_LE(states.size(), 3); // the one with HOST, then at most two
    EXPECT_EQ(states.last(), last);
}

TEST(TableHost, StopTakesTheTableOut) {
    FakeService service;
    handOutCodes(service, {"+AAAA-BBBB"});
    auto host = std::make_unique<TableHost>(table(service, Listing::Public));
    QSignalSpy registered(host.get(), &TableHost::registered);
    host->start();
    ASSERT_TRUE(registered.wait(10'000));
    host.reset(); // destroyed with the program, no event loop after
    ASSERT_TRUE(service.waitForLines(0, "UNHOST"));
    EXPECT_EQ(service.peer(0).lines.last(), "UNHOST");
    EXPECT_TRUE(waitUntil([&] { return service.peer(0).ended; }));
}

TEST(TableHost, RefusalIsAProblem) {
    FakeService service;
    service.onLine = [&](int peer, const Message& m) {
        if (readHost(m))
            service.send(peer, error(QStringLiteral("host"), QStringLiteral("Too many tables")));
    };
    TableHost host(table(service, Listing::Public));
    QSignalSpy problems(&host, &TableHost::problem);
    host.start();
    ASSERT_TRUE(problems.wait(10'000));
    EXPECT_EQ(problems.at(0).at(0).toString(),
              QStringLiteral("The lobby service at 127.0.0.1:%1 refused the table: Too many "
                             "tables. Players on this network can still join.")
                  .arg(service.port()));
    EXPECT_EQ(host.inviteCode(), "");
}

TEST(TableHost, WithoutListingNoServiceIsContacted) {
    FakeService service;
    TableHost host(table(service, std::nullopt));
    QSignalSpy problems(&host, &TableHost::problem);
    host.start();
    EXPECT_TRUE(host.answeringDiscovery());
    settle(1500);
    EXPECT_EQ(service.peers(), 0);
    EXPECT_EQ(problems.count(), 0);
    host.stop();
    EXPECT_FALSE(host.answeringDiscovery());
}

TEST(TableHost, DiscoveryPortTakenIsAProblem) {
    FakeService service;
    QUdpSocket holder; // bound without sharing: nobody else gets the port
    ASSERT_TRUE(holder.bind(QHostAddress::AnyIPv4, 0, QUdpSocket::DontShareAddress));
    HostedTableOptions o = table(service, std::nullopt);
    o.discoveryPort = holder.localPort();
    TableHost host(o);
    QSignalSpy problems(&host, &TableHost::problem);
    host.start();
    EXPECT_FALSE(host.answeringDiscovery());
    ASSERT_TRUE(problems.wait(10'000));
    EXPECT_TRUE(problems.at(0).at(0).toString().startsWith(
        QStringLiteral("Players on this network can't find the table: UDP port %1")
            .arg(o.discoveryPort)));
}
