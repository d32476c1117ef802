// SPDX-License-Identifier: GPL-3.0-or-later
#include "discovery.h"
#include "fakeservice.h"
#include "lobbyreaders.h"
#include "version.h"
#include "wine.h"

#include <QNetworkDatagram>
#include <QSignalSpy>
#include <QUdpSocket>

#include <gtest/gtest.h>

#include <memory>

using namespace lobbytest;
using namespace lobbywire;

namespace {

TableState waiting(int seatedCount) {
    TableState s;
    s.seated = seatedCount;
    s.hostName = QStringLiteral("Ann");
    return s;
}

// A responder on a free port (found by binding 0, then shared with it).
struct Responder {
    quint16 port = 0;
    std::unique_ptr<DiscoveryResponder> responder;
    Responder() {
        QUdpSocket probe;
        probe.bind(QHostAddress::AnyIPv4, 0);
        port = probe.localPort();
        probe.close();
        responder = std::make_unique<DiscoveryResponder>(port);
        responder->setTable(QStringLiteral("Friday"), 7001, QLatin1String(wire::kVersion),
                            waiting(2));
    }
};

// A raw asker on a loopback address of its own, which counts the answers to
// each of its tokens.
struct Asker {
    QUdpSocket socket;
    QMap<QString, int> answers;
    explicit Asker(const char* address) {
        socket.bind(QHostAddress(QString::fromLatin1(address)), 0);
        QObject::connect(&socket, &QUdpSocket::readyRead, [this] {
            while (socket.hasPendingDatagrams())
                if (const auto a = readAnswer(socket.receiveDatagram().data()))
                    ++answers[a->token];
        });
    }
    void ask(quint16 port, const QByteArray& datagram) {
        socket.writeDatagram(datagram, QHostAddress::LocalHost, port);
    }
};

} // namespace

TEST(Discovery, BrowserFollowsAResponderOnLoopback) {
    Responder r;
    ASSERT_TRUE(r.responder->start()) << r.responder->problem().toStdString();
    DiscoveryBrowser browser({r.port, {QHostAddress(QHostAddress::LocalHost)}, 100, 1000, 1500});
    QSignalSpy changed(&browser, &DiscoveryBrowser::changed);
    browser.start();
    ASSERT_TRUE(waitUntil([&] { return browser.tables().size() == 1; }));
    LanTable t = browser.tables().first();
    EXPECT_EQ(t.key(), "127.0.0.1:7001");
    EXPECT_EQ(t.tableName, "Friday");
    EXPECT_EQ(t.version, wire::kVersion);
    EXPECT_EQ(t.state, waiting(2));
    EXPECT_GE(t.rttMs, 0);

    r.responder->setTable(QStringLiteral("Friday"), 7001, QLatin1String(wire::kVersion),
                          waiting(5));
    ASSERT_TRUE(waitUntil([&] { return browser.tables().first().state.seated == 5; }));
    // Answers that say nothing new leave the list alone.
    const int changes = changed.count();
    settle(400);
    EXPECT_LE(changed.count(), changes + 1);

    r.responder->stop();
    ASSERT_TRUE(waitUntil([&] { return browser.tables().isEmpty(); }));
}

TEST(Discovery, OnlyWellFormedQueriesAreAnswered) {
    Responder r;
    ASSERT_TRUE(r.responder->start());
    Asker asker("127.0.0.1");
    QByteArray good = query(QStringLiteral("good"));
    QByteArray otherVersion = good;
    otherVersion.replace("KESTRUN?\t1\t", "KESTRUN?\t2\t");
    QByteArray badToken = query(QStringLiteral("bad!"));
    QByteArray filled = good;
    filled[filled.size() - 1] = 'x';
    asker.ask(r.port, query(QStringLiteral("short")).left(kMinQueryBytes - 1));
    asker.ask(r.port, otherVersion);
    asker.ask(r.port, badToken);
    asker.ask(r.port, filled);
    asker.ask(r.port, query(QStringLiteral("big")) + QByteArray(kMaxDatagramBytes, ' '));
    asker.ask(r.port, "KESTRUN?");
    asker.ask(r.port, good); // handled after all the others
    ASSERT_TRUE(waitUntil([&] { return asker.answers.value("good") == 1; }));
    EXPECT_EQ(asker.answers.size(), 1);
}

TEST(Discovery, AnswersAreRateLimited) {
    SKIP_UNDER_WINE(
        "a socket bound to 127.0.0.2 sends from 127.0.0.1, so the askers can't be told apart");
    Responder r;
    qint64 now = 5000;
    r.responder->setClock([&] { return now; });
    ASSERT_TRUE(r.responder->start());
    // Eleven askers (each its own loopback address) ask six times each within
    // one second: five answers each, but only fifty in all.
    std::vector<std::unique_ptr<Asker>> askers;
    for (int i = 1; i <= 11; ++i) {
        askers.push_back(
            std::make_unique<Asker>(QByteArray("127.0.0." + QByteArray::number(i)).constData()));
        for (int n = 0; n < 6; ++n)
            askers.back()->ask(r.port, query(QStringLiteral("a%1").arg(n)));
    }
    const auto count = [&](const Asker& a) {
        int n = 0;
        for (int each : a.answers)
            n += each;
        return n;
    };
    const auto total = [&] {
        int n = 0;
        for (const auto& a : askers)
            n += count(*a);
        return n;
    };
    // All 66 queries waited in the socket before the first was read, and one
    // reading handles every waiting datagram.
    ASSERT_TRUE(waitUntil([&] { return total() >= DiscoveryResponder::kMaxAnswersPerSecond; }));
    // A second later the last asker is answered, and so after everything else.
    now += 1000;
    askers.back()->ask(r.port, query(QStringLiteral("later")));
    ASSERT_TRUE(waitUntil([&] { return askers.back()->answers.value("later") == 1; }));
    EXPECT_EQ(total(), DiscoveryResponder::kMaxAnswersPerSecond + 1);
    for (const auto& a : askers)
        EXPECT_LE(count(*a), DiscoveryResponder::kMaxAnswersPerSource);
    EXPECT_EQ(askers.front()->answers.size(), 5); // the first five tokens
}
