// SPDX-License-Identifier: GPL-3.0-or-later
// Instances destroyed by their owners, also from inside their own handlers, as
// the server and the main window do.

#include "netsupport.h"

#include <QPointer>

#include <gtest/gtest.h>

using namespace nettest;

namespace {

// A client TSock on the heap, connected to a plain peer.
struct HeapClient {
    RawSocket server = RawSocket::listener();
    QPointer<TSock> client = new TSock;
    RawSocket peer;

    HeapClient() {
        client->setHostName(QStringLiteral("127.0.0.1"));
        client->setPortName(QString::number(server.port()));
        client->Open();
        peer = server.accept();
        waitUntil([&] { return client->connected(); });
        settle(50);
    }
    ~HeapClient() { delete client.data(); }
};

} // namespace

TEST(TSockLifetime, DeletedFromItsReportOnSocketClosed) {
    HeapClient h;
    ASSERT_TRUE(h.client->connected());
    bool disconnected = false;
    h.client->OnDisconnect = [&](TSock*) { disconnected = true; };
    h.client->OnInfo = [&](TSock* s, TSocketInfo, const QString& msg) {
        if (msg == QLatin1String("Socket Closed")) {
            delete s; // the main window closes itself here
        }
    };
    h.peer.close();
    ASSERT_TRUE(waitUntil([&] { return h.client.isNull(); }));
    EXPECT_TRUE(disconnected);
    settle();
}

TEST(TSockLifetime, DeletedFromItsReadHandlerAfterSending) {
    HeapClient h;
    h.client->OnRead = [](TSock* s, int) {
        s->Receive();
        s->Send("Game is full\xff");
        delete s; // the server refusing a tenth player
    };
    h.peer.sendAll("CMD_login\xff");
    ASSERT_TRUE(waitUntil([&] { return h.client.isNull(); }));
    // What was sent before the delete still reaches the peer, then the close.
    EXPECT_EQ(h.peer.readExactly(13), QByteArray("Game is full\xff"));
    EXPECT_TRUE(waitUntil([&] { return h.peer.sawEnd(); }));
}

TEST(TSockLifetime, DeletedFromOnDisconnectAndFromOnConnect) {
    {
        HeapClient h;
        h.client->OnDisconnect = [](TSock* s) { delete s; };
        h.peer.close();
        ASSERT_TRUE(waitUntil([&] { return h.client.isNull(); }));
    }
    {
        RawSocket server = RawSocket::listener();
        QPointer<TSock> client = new TSock;
        client->setHostName(QStringLiteral("127.0.0.1"));
        client->setPortName(QString::number(server.port()));
        client->OnConnect = [](TSock* s) { delete s; };
        client->Open();
        ASSERT_TRUE(waitUntil([&] { return client.isNull(); }));
        settle();
    }
}

TEST(TSockLifetime, DestroyingReportsCloseOnlyWhenConnected) {
    QStringList reports;
    auto record = [&](TSock*, TSocketInfo, const QString& msg) { reports << msg; };
    {
        HeapClient h;
        h.client->OnInfo = record;
        delete h.client.data();
        EXPECT_EQ(reports, QStringList({QStringLiteral("Socket Closed")}));
        EXPECT_TRUE(waitUntil([&] { return h.peer.sawEnd(); }));
    }
    reports.clear();
    {
        // Connecting to a port that refuses: destroyed silently, the handle freed.
        RawSocket closedPort = RawSocket::boundOnly();
        auto* client = new TSock;
        client->OnInfo = record;
        client->setHostName(QStringLiteral("127.0.0.1"));
        client->setPortName(QString::number(closedPort.port()));
        client->Open();
        reports.clear();
        delete client;
        EXPECT_TRUE(reports.isEmpty());
        settle();
    }
    {
        // A listener closes without a report.
        auto* listener = new TSock;
        listener->setPortName(QStringLiteral("0"));
        listener->setListen(true);
        listener->OnInfo = record;
        const std::uint16_t port = listener->localPort();
        delete listener;
        EXPECT_TRUE(reports.isEmpty());
        // The port is free again.
        TSock again;
        again.setPortName(QString::number(port));
        EXPECT_NO_THROW(again.setListen(true));
    }
}

TEST(TSockLifetime, ClientAndServerInstancesTalkBothWays) {
    TSock listener;
    TSock* accepted = nullptr;
    QByteArray atServer;
    listener.OnAccept = [&](TSock* s) { s->Accept(accepted); };
    listener.OnRead = [&](TSock* s, int) { atServer += s->Receive(); };
    listener.setPortName(QStringLiteral("0"));
    listener.setListen(true);

    TSock client;
    QByteArray atClient;
    client.OnRead = [&](TSock* s, int) { atClient += s->Receive(); };
    client.setHostName(QStringLiteral("127.0.0.1"));
    client.setPortName(QString::number(listener.localPort()));
    client.Open();
    client.Send("CMD_login+1\xff");
    ASSERT_TRUE(waitUntil([&] { return atServer.size() == 12; }));
    EXPECT_EQ(atServer, QByteArray("CMD_login+1\xff"));
    accepted->Send("CMD_sendlogininfo+2\xff");
    ASSERT_TRUE(waitUntil([&] { return atClient.size() == 20; }));
    EXPECT_EQ(atClient, QByteArray("CMD_sendlogininfo+2\xff"));

    // The server closes the player's connection: the client sees an orderly end.
    bool clientDisconnected = false;
    client.OnDisconnect = [&](TSock*) { clientDisconnected = true; };
    accepted->Close();
    ASSERT_TRUE(waitUntil([&] { return clientDisconnected; }));
    EXPECT_FALSE(client.hasSocket());
}
