// SPDX-License-Identifier: GPL-3.0-or-later
// Game connections: the socket options as the system reports them on both
// ends.

#include "gameconnection.h"
#include "netsupport.h"

#include <gtest/gtest.h>

using namespace nettest;

namespace {

void expectGameOptions(std::intptr_t fd) {
    const gameconnection::Options o = gameconnection::read(fd);
    EXPECT_TRUE(o.noDelay);
    EXPECT_TRUE(o.keepAlive);
#ifdef _WIN32
    if (o.keepIdleSeconds == 0)
        GTEST_SKIP() << "this system takes the keepalive timings only as SIO_KEEPALIVE_VALS, "
                        "which can't be read back";
#endif
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
