// SPDX-License-Identifier: GPL-3.0-or-later
#include "fakeservice.h"
#include "servicelink.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

using namespace lobbytest;
using namespace lobbywire;

namespace {

ServiceLink::Options quick(const HostPort& service) {
    ServiceLink::Options o;
    o.service = service;
    o.program = QStringLiteral("vorlix");
    o.version = QStringLiteral("1.2.3");
    o.firstRetryMs = 100;
    o.maxRetryMs = 400;
    return o;
}

} // namespace

TEST(ServiceLink, SaysHelloAndOpensOnWelcome) {
    FakeService service;
    service.onLine = [&](int peer, const Message& m) {
        if (m.name == "WATCH")
            service.send(peer, QByteArray("PONG\nTABLE\tx\nLIS") + "TED\n");
    };
    ServiceLink link(quick(service.hostPort()));
    QSignalSpy opened(&link, &ServiceLink::opened);
    QSignalSpy messages(&link, &ServiceLink::message);
    link.open();
    EXPECT_EQ(link.state(), ServiceLink::State::Connecting);
    EXPECT_EQ(opened.count(), 0); // never from inside open()
    ASSERT_TRUE(opened.wait(10'000));
    EXPECT_EQ(link.state(), ServiceLink::State::Open);
    EXPECT_EQ(service.peer(0).lines, QList<QByteArray>{"HELLO\t2\tvorlix\t1.2.3"});
    EXPECT_TRUE(link.send(watch()));
    ASSERT_TRUE(waitUntil([&] { return messages.count() == 2; }));
    // PONG is the link's own; lines cut across reads come whole.
    EXPECT_EQ(messages.at(0).at(0).value<Message>().name, "TABLE");
    EXPECT_EQ(messages.at(1).at(0).value<Message>().name, "LISTED");
}

TEST(ServiceLink, ReachesAServiceOnIpv6UnlessToldIpv4Only) {
    FakeService service(QHostAddress(QHostAddress::LocalHostIPv6));
    if (!service.isListening())
        GTEST_SKIP() << "no IPv6 loopback here: not tested";
    ServiceLink::Options o = quick(service.hostPort());
    ServiceLink link(o);
    QSignalSpy opened(&link, &ServiceLink::opened);
    link.open();
    ASSERT_TRUE(opened.wait(10'000));
    EXPECT_EQ(hostPortText(service.hostPort()), QStringLiteral("[::1]:%1").arg(service.port()));

    o.ipv4Only = true;
    o.reconnect = false;
    ServiceLink host(o);
    QSignalSpy lost(&host, &ServiceLink::lost);
    host.open();
    ASSERT_TRUE(lost.wait(10'000));
    EXPECT_EQ(service.peers(), 1);
}

TEST(ServiceLink, UnreachableServiceIsRetriedWithGrowingWaits) {
    const quint16 port = closedPort();
    ServiceLink link(quick({QStringLiteral("127.0.0.1"), port}));
    QSignalSpy lost(&link, &ServiceLink::lost);
    QElapsedTimer clock;
    clock.start();
    QList<qint64> at;
    QObject::connect(&link, &ServiceLink::lost, [&] { at << clock.elapsed(); });
    link.open();
    ASSERT_TRUE(waitUntil([&] { return lost.count() >= 5; }));
    EXPECT_EQ(lost.at(0).at(0).toString(),
              QStringLiteral("The lobby service at 127.0.0.1:%1 can't be reached: Connection "
                             "refused")
                  .arg(port));
    // Waits of 100, 200, 400, 400 ms; a coarse timer may fire a little early.
    const qint64 least[] = {90, 180, 360, 360};
    for (int i = 0; i < 4; ++i)
        EXPECT_GE(at[i + 1] - at[i], least[i]) << "wait " << i;
    EXPECT_EQ(link.state(), ServiceLink::State::Waiting);
    link.close();
    EXPECT_EQ(link.state(), ServiceLink::State::Closed);
    settle(600);
    EXPECT_EQ(lost.count(), 5); // closing ends the retries, silently
}

TEST(ServiceLink, VersionRefusalIsNotRetried) {
    FakeService service;
    service.welcome = false;
    service.onLine = [&](int peer, const Message&) {
        service.send(peer, bye(QStringLiteral("version"), QStringLiteral("Needs protocol 2.")));
        service.drop(peer);
    };
    ServiceLink link(quick(service.hostPort()));
    QSignalSpy refused(&link, &ServiceLink::refused);
    QSignalSpy lost(&link, &ServiceLink::lost);
    link.open();
    ASSERT_TRUE(refused.wait(10'000));
    EXPECT_EQ(refused.at(0).at(0).toString(), "Needs protocol 2.");
    EXPECT_EQ(link.state(), ServiceLink::State::Refused);
    settle(500);
    EXPECT_EQ(service.peers(), 1);
    EXPECT_EQ(lost.count(), 0);
}

TEST(ServiceLink, ByeAndClosedConnectionAreToldAndRetried) {
    FakeService service;
    ServiceLink link(quick(service.hostPort()));
    QSignalSpy opened(&link, &ServiceLink::opened);
    QSignalSpy lost(&link, &ServiceLink::lost);
    link.open();
    ASSERT_TRUE(opened.wait(10'000));
    service.send(0, bye(QStringLiteral("closing"), QStringLiteral("The service is closing.")));
    ASSERT_TRUE(lost.wait(10'000));
    EXPECT_EQ(lost.at(0).at(0).toString(), "The service is closing.");
    ASSERT_TRUE(waitUntil([&] { return opened.count() == 2; }));
    service.drop(1);
    ASSERT_TRUE(waitUntil([&] { return lost.count() == 2; }));
    EXPECT_EQ(lost.at(1).at(0).toString(),
              QStringLiteral("The lobby service at 127.0.0.1:%1 closed the connection")
                  .arg(service.port()));
    ASSERT_TRUE(waitUntil([&] { return opened.count() == 3; }));
}

TEST(ServiceLink, LineTooLongLosesTheConnection) {
    FakeService service;
    ServiceLink link(quick(service.hostPort()));
    QSignalSpy opened(&link, &ServiceLink::opened);
    QSignalSpy messages(&link, &ServiceLink::message);
    QSignalSpy lost(&link, &ServiceLink::lost);
    link.open();
    ASSERT_TRUE(opened.wait(10'000));
    // A line of exactly the limit (LF included) passes; one byte more does not.
    service.send(0, "CHAT\tAnn\t" + QByteArray(kMaxLineBytes - 10, 'a') + "\n");
    ASSERT_TRUE(messages.wait(10'000));
    service.send(0, "CHAT\tAnn\t" + QByteArray(kMaxLineBytes - 9, 'a') + "\n");
    ASSERT_TRUE(lost.wait(10'000));
    EXPECT_TRUE(lost.at(0).at(0).toString().endsWith("sent a line longer than 1024 bytes"));
    EXPECT_EQ(messages.count(), 1);
    EXPECT_TRUE(waitUntil([&] { return service.peer(0).ended; }));
}

TEST(ServiceLink, PingsWhenIdleAndIsLostWhenTheAnswerIsOverdue) {
    FakeService service;
    ServiceLink::Options o = quick(service.hostPort());
    o.idlePingMs = 100;
    o.answerTimeoutMs = 300;
    ServiceLink link(o);
    QSignalSpy lost(&link, &ServiceLink::lost);
    link.open();
    ASSERT_TRUE(service.waitForLines(0, "PING", 3)); // answered: still open
    EXPECT_EQ(lost.count(), 0);
    EXPECT_EQ(link.state(), ServiceLink::State::Open);
    service.answerPing = false;
    ASSERT_TRUE(lost.wait(10'000));
    EXPECT_EQ(lost.at(0).at(0).toString(),
              QStringLiteral("The lobby service at 127.0.0.1:%1 can't be reached: no answer "
                             "within 0.3 s")
                  .arg(service.port()));
}

TEST(ServiceLink, NoWelcomeWithinTheConnectTimeout) {
    FakeService service;
    service.welcome = false;
    ServiceLink::Options o = quick(service.hostPort());
    o.connectTimeoutMs = 300;
    o.reconnect = false;
    ServiceLink link(o);
    QSignalSpy lost(&link, &ServiceLink::lost);
    link.open();
    ASSERT_TRUE(lost.wait(10'000));
    EXPECT_TRUE(lost.at(0).at(0).toString().endsWith("can't be reached: no answer within 0.3 s"));
    EXPECT_EQ(link.state(), ServiceLink::State::Closed);
    EXPECT_EQ(link.problem(), lost.at(0).at(0).toString());
}

TEST(ServiceLink, CloseDeliversWhatWasQueued) {
    FakeService service;
    auto link = std::make_unique<ServiceLink>(quick(service.hostPort()));
    QSignalSpy opened(link.get(), &ServiceLink::opened);
    link->open();
    ASSERT_TRUE(opened.wait(10'000));
    link->send(unhost());
    link->close();
    link.reset(); // the program ends at once
    ASSERT_TRUE(service.waitForLines(0, "UNHOST"));
    EXPECT_TRUE(waitUntil([&] { return service.peer(0).ended; }));
}

TEST(ServiceLink, BytesFedDirectlyNeverConnect) {
    ServiceLink link(quick({QStringLiteral("127.0.0.1"), 1}));
    QSignalSpy opened(&link, &ServiceLink::opened);
    QSignalSpy messages(&link, &ServiceLink::message);
    QSignalSpy lost(&link, &ServiceLink::lost);
    link.receiveBytes("GONE\t+K7Q2-M9XD\n"); // before WELCOME: ignored
    link.receiveBytes("WELCOME\t2\t2.0\r\nGONE\t+K7Q2");
    EXPECT_EQ(opened.count(), 1);
    EXPECT_TRUE(link.send(ping())); // open, no socket: dropped
    link.receiveBytes("-M9XD\nBYE\tflood\tToo fast.\nGONE\tx\n");
    ASSERT_EQ(messages.count(), 1);
    EXPECT_EQ(messages.at(0).at(0).value<Message>().fields, QStringList{"+K7Q2-M9XD"});
    ASSERT_EQ(lost.count(), 1);
    EXPECT_EQ(lost.at(0).at(0).toString(), "Too fast.");
    EXPECT_EQ(link.state(), ServiceLink::State::Closed); // never opened: no retry
    EXPECT_FALSE(link.send(ping()));
}
