// Game connections: the socket options as the system reports them on both
// ends, and the host addresses players give.

#include "gameconnection.h"
#include "hostport.h"
#include "netsupport.h"

#include <gtest/gtest.h>

using namespace nettest;

namespace {

void expectGameOptions(int fd) {
    const gameconnection::Options o = gameconnection::read(fd);
    EXPECT_TRUE(o.noDelay);
    EXPECT_TRUE(o.keepAlive);
    EXPECT_EQ(o.keepIdleSeconds, gameconnection::kKeepIdleSeconds);
    EXPECT_EQ(o.keepIntervalSeconds, gameconnection::kKeepIntervalSeconds);
    EXPECT_EQ(o.keepCount, gameconnection::kKeepCount);
    EXPECT_EQ(o.userTimeoutMs, gameconnection::kUserTimeoutMs);
}

} // namespace

TEST(GameConnection, OptionsOnTheOpenedAndTheAcceptedEnd) {
    TSock listener;
    listener.setPortName(QStringLiteral("0"));
    TSock* accepted = nullptr;
    listener.OnAccept = [&](TSock* l) {
        if (l->Accept(accepted))
            accepted->setGameConnection();
    };
    listener.setListen(true);

    TSock client;
    client.setGameConnection(); // before Open: applied to the socket it makes
    client.setHostName(QStringLiteral("127.0.0.1"));
    client.setPortName(QString::number(listener.localPort()));
    client.Open();
    ASSERT_TRUE(waitUntil([&] { return accepted && client.connected(); }));
    expectGameOptions(client.handle());
    expectGameOptions(accepted->handle());
    // The option sits with the instance: a second socket gets it too.
    client.Close();
    client.Open();
    expectGameOptions(client.handle());
}

TEST(GameConnection, OtherConnectionsKeepTheSystemsDefaults) {
    RawSocket server = RawSocket::listener();
    TSock lobbyLink;
    lobbyLink.setHostName(QStringLiteral("127.0.0.1"));
    lobbyLink.setPortName(QString::number(server.port()));
    lobbyLink.Open();
    const gameconnection::Options o = gameconnection::read(lobbyLink.handle());
    EXPECT_FALSE(o.noDelay);
    EXPECT_FALSE(o.keepAlive);
    EXPECT_EQ(o.userTimeoutMs, 0u);
    EXPECT_FALSE(lobbyLink.isGameConnection());
}

TEST(HostPort, PortAfterTheLastColon) {
    const HostPort a = splitHostPort(QStringLiteral("game.example.org:7800"));
    EXPECT_EQ(a.host, QStringLiteral("game.example.org"));
    EXPECT_EQ(a.port, quint16(7800));
    const HostPort b = splitHostPort(QStringLiteral("10.0.0.5"));
    EXPECT_EQ(b.host, QStringLiteral("10.0.0.5"));
    EXPECT_FALSE(b.port);
    EXPECT_EQ(splitHostPort(QStringLiteral("10.0.0.5:65535")).port, quint16(65535));
}

TEST(HostPort, WhatIsNoPortStaysWithTheHost) {
    for (const char* text : {"host:", "host:0", "host:65536", "host:+80", "host: 80", "host:8a",
                             "host:000080", ":80", "host:-1"}) {
        const HostPort h = splitHostPort(QString::fromLatin1(text));
        EXPECT_EQ(h.host, QString::fromLatin1(text)) << text;
        EXPECT_FALSE(h.port) << text;
    }
}
