// The server's own life: the dictionary notice, its real dispatch timer, a
// failed accept, messages of connections that are gone, and seeded draws.

#include "gamehelpers.h"
#include "messages.h"
#include "tsock.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

constexpr std::uint16_t kPort = 18204;

// Turns the event loop (socket delivery, real timers) without dispatching by hand.
bool spin(Harness& h, const std::function<bool()>& done, int timeoutMs = 5000) {
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < timeoutMs) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        for (auto& c : h.clients())
            c->poll();
        if (done())
            return true;
    }
    return false;
}

} // namespace

TEST(ServerLifecycle, MissingDictionaryIsReportedOnceTheHostListens) {
    QTemporaryDir dir;
    ASSERT_TRUE(QDir(dir.path()).mkdir("English")); // no file can be opened there
    QStringList shown;
    {
        TServer server(dir.path());
        server.setManualTicks(true);
        server.showMessage = [&](const QString& m) { shown << m; };
        QElapsedTimer clock;
        clock.start();
        while (shown.isEmpty() && clock.elapsed() < 2000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        // With no dictionary every word of the right length is "not a word".
        server.roundopen = true;
        server.wordlength = 5;
        server.prefix = "BR";
        server.sendword("1+brisk+", TServer::kFromServer);
        EXPECT_EQ(server.players[1].roundpoints, 0);
        EXPECT_TRUE(server.listbox_gotten.isEmpty());
    }
    EXPECT_EQ(shown, QStringList{"English.dic dictionary not found!"});
}

TEST(ServerLifecycle, RealDispatchTimerHandlesOneMessagePerTick) {
    Harness h(kPort);
    RawClient& host = h.join("Host");
    h.server().setManualTicks(false);
    host.send(wire::chat(1, "one", "clRed") + wire::chat(1, "two", "clRed"));
    ASSERT_TRUE(spin(h, [&] { return host.withCommand("CMD_chat").size() == 2; }));
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
    EXPECT_EQ(s.numslots, 1);
    EXPECT_FALSE(s.players[2].connected);
    RawClient& next = h.join("Next");
    EXPECT_EQ(Harness::numberOf(next), 2);
}

TEST(ServerLifecycle, MessagesOfADepartedConnectionAreDropped) {
    Harness h(kPort);
    RawClient& host = h.join("Host");
    RawClient& two = h.join("Two");
    TServer& s = h.server();
    // Queued but not yet handled when its connection goes.
    two.send(wire::logininfo(2, "1.0.4", "Ghost") + wire::chat(2, "late", "clRed"));
    ASSERT_TRUE(spin(h, [&] { return s.receivedlist.size() >= 2; }));
    two.close();
    ASSERT_TRUE(spin(h, [&] { return !s.players[2].connected; }));
    EXPECT_TRUE(s.receivedlist.empty());
    // A newcomer in the same slot is not taken for the old connection.
    RawClient& next = h.join("Next");
    EXPECT_EQ(Harness::numberOf(next), 2);
    h.settle();
    EXPECT_FALSE(host.has("CMD_newplayerinfo+2+Ghost"));
    EXPECT_TRUE(host.withCommand("CMD_chat").isEmpty());
    EXPECT_EQ(s.players[2].name, "Next");
}

TEST(ServerLifecycle, SeededDrawsRepeat) {
    auto prefixes = [](quint32 seed) {
        Harness h(kPort, seed);
        RawClient& host = h.join("Host");
        TServer& s = h.server();
        host.send(wire::startgame("Host", "8", "5", "6", "1"));
        h.pump([&] { return !host.withCommand("CMD_startround").isEmpty(); });
        QList<QByteArray> out;
        for (int r = 0; r < 8; ++r) {
            out << s.starterword + "/" + s.prefix + "/" + QByteArray::number(s.wordlength);
            s.endtheround();
            runPhase(s);
        }
        return out;
    };
    const QList<QByteArray> a = prefixes(99);
    EXPECT_EQ(a, prefixes(99));
    EXPECT_NE(a, prefixes(100));
}
