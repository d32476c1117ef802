// SPDX-License-Identifier: GPL-3.0-or-later
// Listening, accepting, and the connections a listener hands out.

#include "netsupport.h"
#include "sysock.h"

#include <QPointer>

#include <gtest/gtest.h>

using namespace nettest;

namespace {

template <typename F> std::string raisedText(F&& f) {
    try {
        f();
    } catch (const ESockException& e) {
        return e.what();
    }
    return "(nothing raised)";
}

} // namespace

TEST(TSockListen, StartStopAndAlreadyRunningReports) {
    TSock listener;
    Recorder rec;
    rec.attach(listener);
    listener.setPortName(QStringLiteral("0"));
    listener.setListen(true);
    EXPECT_TRUE(listener.Listen());
    const std::uint16_t port = listener.localPort();
    EXPECT_NE(port, 0);
    EXPECT_EQ(rec.lines, QStringList({QStringLiteral("Lookup: Lookup Of Port 0"),
                                      QStringLiteral("Listen: Listening Started")}));

    rec.lines.clear();
    listener.setListen(true);
    EXPECT_EQ(rec.lines, QStringList({QStringLiteral("Listen: Listening Already Running")}));
    EXPECT_EQ(listener.localPort(), port);
    EXPECT_TRUE(listener.Listen());

    rec.lines.clear();
    listener.setListen(false);
    EXPECT_EQ(rec.lines, QStringList({QStringLiteral("Close: Socket Closed"),
                                      QStringLiteral("Listen: Listening Stopped")}));
    EXPECT_FALSE(listener.Listen());
    EXPECT_FALSE(listener.hasSocket());
}

TEST(TSockListen, ListenersCloseReportsNothingButCloseReportsEveryTimeOtherwise) {
    TSock listener;
    Recorder rec;
    rec.attach(listener);
    listener.setPortName(QStringLiteral("0"));
    listener.setListen(true);
    rec.lines.clear();
    EXPECT_TRUE(listener.Close());
    EXPECT_TRUE(rec.lines.isEmpty());
    EXPECT_FALSE(listener.Listen());

    // Without a socket Close still reports, each time.
    EXPECT_FALSE(listener.Close());
    EXPECT_FALSE(listener.Close());
    EXPECT_EQ(rec.lines, QStringList({QStringLiteral("Close: Socket Closed"),
                                      QStringLiteral("Close: Socket Closed")}));
}

TEST(TSockListen, PortHeldByAnotherProgramFailsToBindAndCanBeRetried) {
    QString port;
    {
        RawSocket other = RawSocket::listener();
        port = QString::number(other.port());
        TSock listener;
        listener.setPortName(port);
        EXPECT_EQ(raisedText([&] { listener.setListen(true); }), "Listen - Error Binding Socket");
        EXPECT_FALSE(listener.Listen());
        EXPECT_FALSE(listener.hasSocket());
        EXPECT_EQ(listener.ListenError(), 10048); // WSAEADDRINUSE: the owner can say why
        other.close();
        // The failed attempt let its socket go, so trying again works.
        listener.setListen(true);
        EXPECT_TRUE(listener.Listen());
        EXPECT_EQ(listener.ListenError(), 0);
    }
}

// The one text ("Listen - Error Binding Socket") covers every port that can't
// be had; the reason, told apart, names the port.
TEST(TSockListen, TheReasonAPortCannotBeHadIsToldApart) {
    EXPECT_EQ(TSock::listenProblem(QStringLiteral("7772"), 10048),
              "Port 7772 is already in use: another program (perhaps another game) is "
              "listening on it.");
    EXPECT_EQ(TSock::listenProblem(QStringLiteral("80"), 10013),
              "Port 80 is not permitted: the system does not let this program listen on it "
              "(ports below 1024 usually need the administrator's rights).");
    EXPECT_EQ(TSock::listenProblem(QStringLiteral("7772"), 10049),
              "Port 7772 could not be had: Error #10049 (WSAEADDRNOTAVAIL).");
}

TEST(TSockListen, ABindAddressKeepsTheListenerToThatInterface) {
    TSock listener;
    listener.setPortName(QStringLiteral("0"));
    listener.setBindAddress(QStringLiteral("127.0.0.1"));
    listener.setListen(true);
    const sockaddr_in local = sysock::localAddress(listener.handle());
    ASSERT_NE(local.sin_port, 0);
    EXPECT_EQ(ntohl(local.sin_addr.s_addr), INADDR_LOOPBACK);

    TSock bad;
    bad.setPortName(QStringLiteral("0"));
    bad.setBindAddress(QStringLiteral("localhost"));
    EXPECT_EQ(raisedText([&] { bad.setListen(true); }), "Listen - Error Binding Socket");
    EXPECT_FALSE(bad.hasSocket());
}

TEST(TSockListen, AcceptMakesAConnectedChildWithTheListenersHandlers) {
    TSock listener;
    Recorder rec;
    rec.attach(listener);
    TSock* accepted = nullptr;
    listener.OnAccept = [&](TSock* sender) {
        rec.lines << QStringLiteral("OnAccept");
        rec.senders << sender;
        ASSERT_TRUE(sender->Accept(accepted));
    };
    listener.setPortName(QStringLiteral("0"));
    listener.setListen(true);
    rec.lines.clear();
    rec.senders.clear();

    RawSocket peer = RawSocket::connectTo(listener.localPort());
    ASSERT_TRUE(waitUntil([&] { return rec.has(QStringLiteral("OnWrite")); }));
    ASSERT_NE(accepted, nullptr);
    // The accepted connection gets one write event, through the handlers it copied.
    EXPECT_EQ(rec.lines,
              QStringList({QStringLiteral("OnAccept"),
                           QStringLiteral("Lookup: Setting PortName While Connected Has No Effect"),
                           QStringLiteral("Lookup: Setting HostName While Connected Has No Effect"),
                           QStringLiteral("Accept: Created New TSock Structure"),
                           QStringLiteral("Send: Non-Blocking Outgoing Data"),
                           QStringLiteral("OnWrite")}));
    EXPECT_EQ(rec.senders,
              QList<TSock*>({&listener, accepted, accepted, &listener, accepted, accepted}));
    EXPECT_EQ(accepted->parent(), &listener);
    EXPECT_TRUE(accepted->connected());
    EXPECT_EQ(accepted->HostName(), QStringLiteral("127.0.0.1"));
    EXPECT_EQ(accepted->PortName(), QStringLiteral("0"));
    EXPECT_EQ(listener.peerAddress(), QStringLiteral("127.0.0.1"));
    // OnConnect and OnAccept are not handed on; the rest are.
    EXPECT_FALSE(accepted->OnConnect);
    EXPECT_FALSE(accepted->OnAccept);
    EXPECT_TRUE(accepted->OnRead && accepted->OnWrite && accepted->OnDisconnect);

    rec.lines.clear();
    rec.senders.clear();
    peer.sendAll("hi");
    ASSERT_TRUE(waitUntil([&] { return rec.has(QStringLiteral("OnRead 2")); }));
    EXPECT_EQ(rec.senders.last(), accepted);
    EXPECT_EQ(accepted->Receive(), QByteArray("hi"));
    accepted->Send("yo");
    EXPECT_EQ(peer.readExactly(2), QByteArray("yo"));

    // A second connection is accepted too: the accept event was re-armed.
    TSock* first = accepted;
    accepted = nullptr;
    RawSocket peer2 = RawSocket::connectTo(listener.localPort());
    ASSERT_TRUE(waitUntil([&] { return accepted != nullptr; }));
    EXPECT_NE(accepted, first);

    // Children go with the listener, each reporting its close.
    QPointer<TSock> child(accepted);
    rec.lines.clear();
    listener.OnInfo = nullptr;
    accepted->OnInfo = [&](TSock*, TSocketInfo, const QString& msg) { rec.lines << msg; };
    listener.setListen(false);
    EXPECT_TRUE(child); // closing the listener leaves its connections alone
    EXPECT_TRUE(child->connected());
}

TEST(TSockListen, DestroyingTheListenerDestroysItsConnections) {
    auto* listener = new TSock;
    TSock* accepted = nullptr;
    listener->OnAccept = [&](TSock* sender) { sender->Accept(accepted); };
    listener->setPortName(QStringLiteral("0"));
    listener->setListen(true);
    RawSocket peer = RawSocket::connectTo(listener->localPort());
    ASSERT_TRUE(waitUntil([&] { return accepted != nullptr; }));
    QPointer<TSock> child(accepted);
    QStringList closes;
    accepted->OnInfo = [&](TSock*, TSocketInfo, const QString& msg) { closes << msg; };
    delete listener;
    EXPECT_FALSE(child);
    EXPECT_EQ(closes, QStringList({QStringLiteral("Socket Closed")}));
    // The peer sees the connection end.
    EXPECT_TRUE(waitUntil([&] { return peer.sawEnd(); }));
}

TEST(TSockListen, AcceptWithoutAPendingConnectionReportsAndAnswersFalse) {
    TSock listener;
    Recorder rec;
    rec.attach(listener);
    listener.setPortName(QStringLiteral("0"));
    listener.setListen(true);
    rec.lines.clear();
    TSock* none = nullptr;
    EXPECT_FALSE(listener.Accept(none));
    EXPECT_EQ(none, nullptr);
    EXPECT_EQ(rec.lines, QStringList({QStringLiteral("Accept: Could Not Accept Connection")}));
}

TEST(TSockListen, RefusalsRaiseTheirTexts) {
    TSock idle;
    EXPECT_EQ(raisedText([&] { idle.Send("x"); }), "Send - Socket Not Connected");
    EXPECT_EQ(raisedText([&] { idle.Receive(); }), "Receive - Socket Not Connected");
    TSock* out = nullptr;
    EXPECT_EQ(raisedText([&] { idle.Accept(out); }), "Accept - Socket Not In Listening Mode");
    EXPECT_EQ(raisedText([&] { idle.SendDatagram("x", "127.0.0.1"); }),
              "SendDatagram - Socket Not Connected");
    QString host;
    QByteArray data;
    EXPECT_EQ(raisedText([&] { idle.ReceiveDatagram(host, data); }),
              "ReceiveDatagram - Socket Not Connected");

    TSock dgram;
    dgram.setSocketType(TSocketType::stDatagram);
    EXPECT_EQ(raisedText([&] { dgram.setListen(true); }),
              "Listen - Cannot Listen On A Datagram Socket");
    EXPECT_FALSE(dgram.Listen());

    TSock listener;
    listener.setPortName(QStringLiteral("0"));
    listener.setListen(true);
    EXPECT_EQ(raisedText([&] { listener.Send("x"); }), "Send - Cannot Send On A Listener Socket");
    EXPECT_EQ(raisedText([&] { listener.Receive(); }),
              "Receive - Cannot Receive On A Listener Socket");
    EXPECT_EQ(raisedText([&] { listener.setSocketType(TSocketType::stDatagram); }),
              "SocketType - Can't Assign Socket Type While Listening");
    EXPECT_EQ(raisedText([&] { listener.SendDatagram("x", "127.0.0.1"); }),
              "SendDatagram - Datagram Send Not Supported On Stream Sockets");
    EXPECT_EQ(raisedText([&] { listener.ReceiveDatagram(host, data); }),
              "ReceiveDatagram - Datagram Receive Not Supported On Stream Sockets");

    TSock client;
    client.setHostName(QStringLiteral("127.0.0.1"));
    client.setPortName(QString::number(listener.localPort()));
    client.Open();
    // Connecting: a socket exists, so it cannot become a listener.
    EXPECT_EQ(raisedText([&] { client.setListen(true); }), "Listen - Socket Already In Use");
    EXPECT_FALSE(client.Listen());
    ASSERT_TRUE(waitUntil([&] { return client.connected(); }));
    EXPECT_EQ(raisedText([&] { client.setSocketType(TSocketType::stDatagram); }),
              "SocketType - Can't Assign Socket Type While Connected");
    EXPECT_EQ(raisedText([&] { client.setListen(false); }), "Listen - Socket Already In Use");
    EXPECT_EQ(client.SocketType(), TSocketType::stStream);
}
