// SPDX-License-Identifier: GPL-3.0-or-later
// Blocking streams, datagrams and the automatic accept. The game configures
// none of these, but the component offers them.

#include "netsupport.h"

#include <QElapsedTimer>
#include <QPointer>

#include <atomic>
#include <gtest/gtest.h>
#include <thread>

using namespace nettest;

namespace {

// Fixed ports from this suite's own range, for datagram sockets that send to
// their own port.
constexpr int kDatagramPort = 17310;

} // namespace

TEST(TSockBlocking, OpenSendReceiveAndPeerClose) {
    RawSocket server = RawSocket::listener();
    TSock client;
    Recorder rec;
    rec.attach(client);
    client.setBlocking(true);
    client.setHostName(QStringLiteral("127.0.0.1"));
    client.setPortName(QString::number(server.port()));
    EXPECT_TRUE(client.Open());
    EXPECT_TRUE(client.connected());
    RawSocket peer = server.accept();
    ASSERT_TRUE(peer.valid());
    EXPECT_EQ(rec.lines.mid(2), QStringList({QStringLiteral("Connect: Blocking Socket Connected"),
                                             QStringLiteral("OnConnect")}));

    rec.lines.clear();
    client.Send(QByteArray("abc\0def", 7));
    EXPECT_EQ(rec.lines, QStringList({QStringLiteral("Send: Blocking Outgoing Data")}));
    EXPECT_EQ(client.pendingOutgoing(), 0);
    EXPECT_EQ(peer.readExactly(7), QByteArray("abc\0def", 7));

    rec.lines.clear();
    client.setBlockingTimeout(-1);
    peer.sendAll("pong");
    EXPECT_EQ(client.Receive(), QByteArray("pong"));
    EXPECT_EQ(rec.lines, QStringList({QStringLiteral("Receive: Blocking Incoming Data")}));

    rec.lines.clear();
    peer.close();
    EXPECT_EQ(client.Receive(), QByteArray());
    EXPECT_EQ(rec.lines, QStringList({QStringLiteral("Receive: Blocking Incoming Data"),
                                      QStringLiteral("Close: Socket Disconnected On Receive"),
                                      QStringLiteral("Close: Socket Closed"),
                                      QStringLiteral("OnDisconnect")}));
    EXPECT_FALSE(client.hasSocket());
}

TEST(TSockBlocking, ReceiveOnASilentConnectionWaitsForTheTimeout) {
    RawSocket server = RawSocket::listener();
    TSock client;
    client.setBlocking(true);
    client.setBlockingTimeout(1);
    client.setHostName(QStringLiteral("127.0.0.1"));
    client.setPortName(QString::number(server.port()));
    ASSERT_TRUE(client.Open());
    QElapsedTimer clock;
    clock.start();
    EXPECT_EQ(client.Receive(), QByteArray());
    EXPECT_GE(clock.elapsed(), 900);
    EXPECT_TRUE(client.connected());

    client.setBlockingTimeout(0);
    clock.restart();
    EXPECT_EQ(client.Receive(), QByteArray());
    EXPECT_LT(clock.elapsed(), 900);
}

TEST(TSockBlocking, RefusedConnectReportsAndCloses) {
    RawSocket closedPort = RawSocket::boundOnly();
    TSock client;
    Recorder rec;
    rec.attach(client);
    client.setBlocking(true);
    client.setHostName(QStringLiteral("127.0.0.1"));
    client.setPortName(QString::number(closedPort.port()));
    EXPECT_FALSE(client.Open());
    EXPECT_EQ(rec.lines.mid(2), QStringList({QStringLiteral("Close: Blocking Socket Can't Connect"),
                                             QStringLiteral("Close: Socket Closed")}));
    EXPECT_FALSE(client.hasSocket());
}

TEST(TSockDatagram, SendGoesToHostNameAtThePortOfPortName) {
    TSock dgram;
    Recorder rec;
    rec.attach(dgram);
    dgram.setSocketType(TSocketType::stDatagram);
    dgram.setHostName(QStringLiteral("127.0.0.1"));
    dgram.setPortName(QString::number(kDatagramPort));
    EXPECT_TRUE(dgram.Open());
    // No host look-up on open: a datagram socket binds to the any-address.
    EXPECT_EQ(rec.lines, QStringList({"Lookup: Lookup Of Port " + QString::number(kDatagramPort),
                                      QStringLiteral("Connect: Datagram Socket Connected"),
                                      QStringLiteral("OnConnect")}));
    rec.lines.clear();
    // Sent to 127.0.0.1 at its own port: it comes back to the same socket.
    EXPECT_TRUE(dgram.Send("hello"));
    EXPECT_EQ(rec.lines, QStringList({QStringLiteral("Lookup: Lookup Of Host 127.0.0.1")}));
    ASSERT_TRUE(waitUntil([&] { return rec.has(QStringLiteral("OnRead 0")); }));
    settle();
    // The read event waits for the datagram to be fetched before it comes again.
    EXPECT_EQ(rec.count(QStringLiteral("OnRead 0")), 1);
    QString host;
    QByteArray data;
    dgram.ReceiveDatagram(host, data);
    EXPECT_EQ(data, QByteArray("hello"));
    EXPECT_EQ(host, QStringLiteral("127.0.0.1"));

    // Empty text sends nothing.
    EXPECT_TRUE(dgram.SendDatagram(QByteArray(), QStringLiteral("127.0.0.1")));
    dgram.ReceiveDatagram(host, data);
    EXPECT_TRUE(data.isEmpty());
    EXPECT_TRUE(host.isEmpty());

    EXPECT_TRUE(dgram.SendDatagram("again", QStringLiteral("127.0.0.1")));
    EXPECT_EQ(dgram.Receive(), QByteArray("again"));
}

TEST(TSockAutoAccept, NotificationListenerHandsTheConnectionOver) {
    TSock listener;
    listener.setAutoAccept(true);
    TSock* handed = nullptr;
    bool plainAccept = false;
    listener.OnAccept = [&](TSock*) { plainAccept = true; };
    listener.OnAutoAccept = [&](TSock* sender, TSock* newSock) {
        EXPECT_EQ(sender, &listener);
        handed = newSock;
    };
    listener.setPortName(QStringLiteral("0"));
    listener.setListen(true);
    RawSocket peer = RawSocket::connectTo(listener.localPort());
    ASSERT_TRUE(waitUntil([&] { return handed != nullptr; }));
    EXPECT_FALSE(plainAccept);
    EXPECT_EQ(handed->parent(), &listener);
    EXPECT_EQ(handed->HostName(), QStringLiteral("127.0.0.1"));
    EXPECT_TRUE(handed->connected());
}

TEST(TSockAutoAccept, BlockingListenerCallsTheHandlerOnAThreadOfItsOwn) {
    TSock listener;
    listener.setAutoAccept(true);
    listener.setBlocking(true);
    std::atomic<bool> called{false};
    std::atomic<bool> otherThread{false};
    const std::thread::id mainThread = std::this_thread::get_id();
    listener.OnAutoAccept = [&](TSock*, TSock*) {
        otherThread = std::this_thread::get_id() != mainThread;
        called = true;
    };
    listener.setPortName(QStringLiteral("0"));
    listener.setListen(true);
    RawSocket peer = RawSocket::connectTo(listener.localPort());
    ASSERT_TRUE(waitUntil([&] { return called.load(); }));
    EXPECT_TRUE(otherThread);
}
