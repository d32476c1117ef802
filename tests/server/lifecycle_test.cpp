// SPDX-License-Identifier: GPL-3.0-or-later
// The server's own life: the dictionary notice, its real dispatch timer, a
// failed accept, and messages of connections that are gone.

#include "dedicatedserver.h"
#include "harness.h"
#include "messages.h"
#include "tsock.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

constexpr std::uint16_t kPort = 18204;

} // namespace

TEST(ServerLifecycle, MissingDictionaryIsReportedOnceTheHostListens) {
    QStringList shown;
    {
        Harness h(kPort, 12345, [](const QString& dir) {
            ASSERT_TRUE(QDir(dir).mkdir("English")); // no file can be opened there
        });
        TServer& server = h.server();
        server.showMessage = [&](const QString& m) { shown << m; };
        ASSERT_TRUE(h.deliver([&] { return !shown.isEmpty(); }, 2000));
        // With no dictionary every word of the right length is "not a word",
        // even the round's own starter word.
        RawClient& host = h.join("Host");
        host.send(wire::startgame("Host", "5", "60", "3", "1"));
        ASSERT_TRUE(h.pump([&] { return !host.withCommand("CMD_startround").isEmpty(); }));
        host.send(wire::sendword(1, server.engine().round().starterword));
        ASSERT_TRUE(h.pump([&] { return !host.withCommand("CMD_notvalid").isEmpty(); }));
        EXPECT_EQ(host.withCommand("CMD_notvalid"), QList<QByteArray>{"CMD_notvalid+1+1+"});
        EXPECT_EQ(server.engine().players()[1].roundpoints, 0);
        EXPECT_TRUE(server.engine().acceptedWords().isEmpty());
    }
    EXPECT_EQ(shown, QStringList{"English.dic dictionary not found!"});
}

TEST(ServerLifecycle, RealDispatchTimerHandlesOneMessagePerTick) {
    Harness h(kPort);
    RawClient& host = h.join("Host");
    h.server().setManualTicks(false);
    host.send(wire::chat(1, "one", "clRed") + wire::chat(1, "two", "clRed"));
    ASSERT_TRUE(h.deliver([&] { return host.withCommand("CMD_chat").size() == 2; }));
    EXPECT_EQ(host.withCommand("CMD_chat"), (QList<QByteArray>{"CMD_chat+Host chats: one|clRed",
                                                               "CMD_chat+Host chats: two|clRed"}));
    h.server().setManualTicks(true);
}

TEST(ServerLifecycle, FailedAcceptGivesOutNoSlot) {
    Harness h(kPort);
    h.join("Host");
    TServer& s = h.server();
    // Nothing is waiting on the listener: the accept fails.
    s.Sock1Accept(s.Sock1);
    EXPECT_EQ(s.engine().numslots(), 1);
    EXPECT_FALSE(s.engine().players()[2].connected);
    EXPECT_EQ(s.core().connectionCount(), 1);
    RawClient& next = h.join("Next");
    EXPECT_EQ(Harness::numberOf(next), 2);
}

TEST(ServerLifecycle, MessagesOfADepartedConnectionAreDropped) {
    Harness h(kPort);
    RawClient& host = h.join("Host");
    RawClient& two = h.join("Two");
    TServer& s = h.server();
    // Queued but not yet handled when its connection goes.
    two.send(wire::logininfo(2, wire::kVersion, "Ghost") + wire::chat(2, "late", "clRed"));
    ASSERT_TRUE(h.deliver([&] { return s.core().queued() >= 2; }));
    two.close();
    ASSERT_TRUE(h.deliver([&] { return !s.engine().players()[2].connected; }));
    EXPECT_EQ(s.core().queued(), 0);
    // A newcomer in the same slot is not taken for the old connection.
    RawClient& next = h.join("Next");
    EXPECT_EQ(Harness::numberOf(next), 2);
    h.settle();
    EXPECT_FALSE(host.has("CMD_newplayerinfo+2+Ghost"));
    EXPECT_TRUE(host.withCommand("CMD_chat").isEmpty());
    EXPECT_EQ(s.engine().players()[2].name, "Next");
}

TEST(ServerLifecycle, AReadThatFailsLetsThePlayerGoAndSaysSo) {
    Harness h(kPort);
    RawClient& host = h.join("Host");
    h.join("Two");
    TServer& s = h.server();
    QList<ConnectionNews> news;
    s.onConnectionNews = [&](const ConnectionNews& n) { news << n; };
    TSock* two = nullptr;
    for (TSock* c : s.Sock1->findChildren<TSock*>())
        if (c->HostName() == Harness::addressOf(h.lastSource()))
            two = c;
    ASSERT_NE(two, nullptr);
    // The socket goes behind the server's back: taking its bytes now fails.
    two->OnReport = nullptr;
    two->Close();
    s.Sock1Read(two, 0);
    ASSERT_EQ(news.size(), 1);
    EXPECT_EQ(news[0].kind, ConnectionNews::Kind::Dropped);
    EXPECT_EQ(news[0].slot, 2);
    EXPECT_EQ(news[0].reason, DropReason::ReadFailed);
    EXPECT_EQ(DedicatedServer::describe(news[0]), "drop: slot 2 (" +
                                                      Harness::addressOf(h.lastSource()) +
                                                      ") disconnected: its data could not be read");
    EXPECT_FALSE(s.engine().players()[2].connected);
    ASSERT_TRUE(h.pump([&] { return host.has("CMD_playerdisconnected+2+Two"); }));
}
