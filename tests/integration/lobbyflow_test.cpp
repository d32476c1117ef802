// SPDX-License-Identifier: GPL-3.0-or-later
// The game's own side of the lobby, with the real programs: a dedicated server
// and a hosting copy register their tables with a real lobby service (the
// kestrunlobby program), keep their entries current and take them away when
// they end; a listed table's code resolves to the game's address, an invite
// table's code too, without its being listed.

#include "lobbymessages.h"
#include "lobbyreaders.h"
#include "messages.h"
#include "privatecopy.h"
#include "rawclient.h"
#include "version.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QRegularExpression>
#include <QTcpSocket>
#include <QTest>

#include <gtest/gtest.h>

namespace {

constexpr std::uint16_t kServicePort = 24810;
constexpr std::uint16_t kGamePort = 24820;

QProcessEnvironment environment(bool display) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        env.remove(QString::fromLatin1(name));
    if (display) {
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        // A desktop of its own: one game runs per desktop.
        env.insert(QStringLiteral("WAYLAND_DISPLAY"),
                   QStringLiteral("lobby-flow-%1").arg(QCoreApplication::applicationPid()));
    }
    return env;
}

// A child program whose standard output is collected.
struct Child {
    QProcess process;
    QByteArray out;

    Child(const QString& program, const QStringList& arguments, bool display = false) {
        process.setProcessEnvironment(environment(display));
        process.setProcessChannelMode(QProcess::MergedChannels);
        process.start(program, arguments);
    }
    ~Child() {
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished(5000);
        }
    }
    // The first match of `pattern` in the output, within the time.
    QString waitFor(const QRegularExpression& pattern, int timeoutMs = 20000) {
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < timeoutMs) {
            const QRegularExpressionMatch m = pattern.match(QString::fromUtf8(out));
            if (m.hasMatch())
                return m.captured(m.lastCapturedIndex());
            process.waitForReadyRead(50);
            out += process.readAll();
        }
        return {};
    }
    bool stop() {
        process.terminate();
        return process.waitForFinished(10000) && process.exitCode() == 0;
    }
};

// A lobby client following the directory, as the lobby program does.
struct Watcher {
    QTcpSocket socket;
    QByteArray buffer;
    QList<lobbywire::Message> lines;

    bool connectTo(quint16 port) {
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < 20000) {
            socket.connectToHost(QHostAddress::LocalHost, port);
            if (socket.waitForConnected(1000))
                break;
            socket.abort();
            QTest::qWait(100);
        }
        if (socket.state() != QAbstractSocket::ConnectedState)
            return false;
        socket.write(lobbywire::hello(QStringLiteral("test"), QLatin1String(wire::kVersion)) +
                     lobbywire::watch());
        return waitFor([](const lobbywire::Message& m) { return lobbywire::isBare(m, "LISTED"); });
    }
    void send(const QByteArray& line) { socket.write(line); }
    // Waits for a line that `match` takes; lines are kept in order.
    bool waitFor(const std::function<bool(const lobbywire::Message&)>& match,
                 int timeoutMs = 15000) {
        QElapsedTimer clock;
        clock.start();
        qsizetype seen = 0;
        while (clock.elapsed() < timeoutMs) {
            for (; seen < lines.size(); ++seen)
                if (match(lines.at(seen)))
                    return true;
            socket.waitForReadyRead(50);
            buffer += socket.readAll();
            QList<QByteArray> cut;
            lobbywire::cutLines(buffer, cut);
            for (const QByteArray& l : cut)
                lines << lobbywire::split(l);
        }
        return false;
    }
    std::optional<lobbywire::TableEntry> lastTable(const QString& code) const {
        std::optional<lobbywire::TableEntry> last;
        for (const lobbywire::Message& m : lines)
            if (const auto e = lobbywire::readTable(m); e && e->code == code)
                last = e;
        return last;
    }
};

class LobbyFlow : public ::testing::Test {
protected:
    void SetUp() override {
        service = std::make_unique<Child>(
            QStringLiteral(LOBBY_BINARY),
            QStringList{"--server", "--port", QString::number(kServicePort)});
        ASSERT_TRUE(watcher.connectTo(kServicePort)) << service->out.toStdString();
    }
    QString lobbyOption() const { return QStringLiteral("127.0.0.1:%1").arg(kServicePort); }

    std::unique_ptr<Child> service;
    Watcher watcher;
};

const QRegularExpression kInviteLine(QStringLiteral("invite code (\\+[0-9A-Z]{4}-[0-9A-Z]{4})"));

} // namespace

TEST_F(LobbyFlow, ADedicatedServerListsItsTableKeepsItCurrentAndTakesItAway) {
    PrivateCopy copy(QStringLiteral(VORLIX_BINARY));
    Child server(copy.program(), {"--server", "--port", QString::number(kGamePort), "--public",
                                  "Club night", "--lobby", lobbyOption()});
    const QString code = server.waitFor(kInviteLine);
    ASSERT_FALSE(code.isEmpty()) << server.out.toStdString();
    EXPECT_TRUE(server.out.contains("table \"Club night\" listed in the lobby at " +
                                    lobbyOption().toUtf8() + ", invite code " + code.toUtf8()));
    ASSERT_TRUE(watcher.waitFor([&](const lobbywire::Message& m) {
        const auto e = lobbywire::readTable(m);
        return e && e->code == code;
    }));
    auto entry = watcher.lastTable(code);
    EXPECT_EQ(entry->tableName, QStringLiteral("Club night"));
    EXPECT_EQ(entry->version, QLatin1String(wire::kVersion));
    EXPECT_EQ(entry->state.seated, 0);
    EXPECT_EQ(entry->state.hostName, QString());

    // A player sits down: the entry says so within a few seconds.
    RawClient ann(kGamePort);
    QElapsedTimer clock;
    clock.start();
    while (ann.withCommand("CMD_sendlogininfo").isEmpty() && clock.elapsed() < 10000) {
        ann.poll();
        QTest::qWait(10);
    }
    ASSERT_FALSE(ann.withCommand("CMD_sendlogininfo").isEmpty());
    ann.send(wire::logininfo(1, wire::kVersion, "Ann"));
    ASSERT_TRUE(watcher.waitFor([&](const lobbywire::Message& m) {
        const auto e = lobbywire::readTable(m);
        return e && e->code == code && e->state.seated == 1;
    }));
    EXPECT_EQ(watcher.lastTable(code)->state.hostName, QStringLiteral("Ann"));

    // The code leads to the game.
    watcher.send(lobbywire::resolve(code));
    ASSERT_TRUE(watcher.waitFor([&](const lobbywire::Message& m) {
        const auto f = lobbywire::readFound(m);
        return f && f->code == code && f->port == kGamePort && f->address == "127.0.0.1";
    }));

    EXPECT_TRUE(server.stop());
    ASSERT_TRUE(watcher.waitFor(
        [&](const lobbywire::Message& m) { return lobbywire::readGone(m) == code; }));
}

TEST_F(LobbyFlow, AnInvitationTableIsFoundByItsCodeAloneAndUnknownCodesAreRefused) {
    PrivateCopy copy(QStringLiteral(VORLIX_BINARY));
    Child server(copy.program(), {"--server", "--port", QString::number(kGamePort + 1), "--invite",
                                  "Quiet corner", "--lobby", lobbyOption()});
    const QString code = server.waitFor(kInviteLine);
    ASSERT_FALSE(code.isEmpty()) << server.out.toStdString();
    EXPECT_TRUE(server.out.contains("registered for invitations"));
    watcher.send(lobbywire::resolve(code.toLower().remove(u'-')));
    ASSERT_TRUE(watcher.waitFor([&](const lobbywire::Message& m) {
        const auto f = lobbywire::readFound(m);
        return f && f->code == code && f->port == kGamePort + 1 && f->tableName == "Quiet corner";
    }));
    EXPECT_FALSE(watcher.lastTable(code));
    const QString other = code == "+2222-2222" ? "+3333-3333" : "+2222-2222";
    watcher.send(lobbywire::resolve(other));
    ASSERT_TRUE(watcher.waitFor(
        [&](const lobbywire::Message& m) { return lobbywire::readUnknown(m) == other; }));
    EXPECT_TRUE(server.stop());
}

TEST_F(LobbyFlow, AHostingCopyListsItsTableUnderItsPlayersName) {
    PrivateCopy copy(QStringLiteral(VORLIX_BINARY));
    Child game(copy.program(),
               {"-platform", "offscreen", "--port", QString::number(kGamePort + 2), "--public",
                "Friday", "--lobby", lobbyOption(), "--link-port", "1", "--", "-Ann-", "127.0.0.1",
                "true"},
               true);
    ASSERT_TRUE(watcher.waitFor([&](const lobbywire::Message& m) {
        const auto e = lobbywire::readTable(m);
        return e && e->tableName == "Friday" && e->state.seated == 1;
    })) << game.out.toStdString();
    QString code;
    for (const lobbywire::Message& m : watcher.lines)
        if (const auto e = lobbywire::readTable(m); e && e->tableName == "Friday")
            code = e->code;
    EXPECT_EQ(watcher.lastTable(code)->state.hostName, QStringLiteral("-Ann-"));
    EXPECT_TRUE(game.stop());
    ASSERT_TRUE(watcher.waitFor(
        [&](const lobbywire::Message& m) { return lobbywire::readGone(m) == code; }));
}

// The service tests the table from outside (on this machine it is reached),
// and a player who comes through the relay is seated by the table's server
// as the player's own address, not the service's; the relay carries the
// game both ways and its end is the player's departure.
TEST_F(LobbyFlow, ATestedTableTakesAPlayerThroughTheRelayAsThePlayersOwnAddress) {
    PrivateCopy copy(QStringLiteral(VORLIX_BINARY));
    const quint16 port = kGamePort + 3;
    Child server(copy.program(), {"--server", "--port", QString::number(port), "--invite",
                                  "Back room", "--lobby", lobbyOption()});
    const QString code = server.waitFor(kInviteLine);
    ASSERT_FALSE(code.isEmpty()) << server.out.toStdString();
    ASSERT_FALSE(
        server
            .waitFor(QRegularExpression(
                QStringLiteral("lobby: Players on the internet can reach your table \\(the table "
                               "answered at 127\\.0\\.0\\.1:%1\\)\\.")
                    .arg(port)))
            .isNull())
        << server.out.toStdString();
    // The test took no seat and was seen by nobody.
    EXPECT_FALSE(server.out.contains("connect:")) << server.out.toStdString();

    QTcpSocket player;
    ASSERT_TRUE(player.bind(QHostAddress(QStringLiteral("127.0.0.5")), 0));
    player.connectToHost(QHostAddress::LocalHost, kServicePort);
    ASSERT_TRUE(player.waitForConnected(5000));
    player.write(lobbywire::relay(code));
    QByteArray got;
    const QByteArray first = "JOINED\n" + wire::sendlogininfo(1);
    QElapsedTimer clock;
    clock.start();
    while (!got.startsWith(first) && clock.elapsed() < 15000) {
        player.waitForReadyRead(100);
        got += player.readAll();
    }
    ASSERT_TRUE(got.startsWith(first)) << got.toStdString();
    player.write(wire::logininfo(1, wire::kVersion, "Relayed") + '\xFF');
    ASSERT_TRUE(player.waitForBytesWritten(5000));
    ASSERT_FALSE(
        server.waitFor(QRegularExpression(QStringLiteral("join: slot 1 \"Relayed\""))).isNull())
        << server.out.toStdString();
    EXPECT_TRUE(server.out.contains("connect: 127.0.0.5 takes slot 1")) << server.out.toStdString();
    player.close();
    ASSERT_FALSE(
        server.waitFor(QRegularExpression(QStringLiteral("leave: slot 1 \"Relayed\""))).isNull())
        << server.out.toStdString();
    EXPECT_TRUE(server.stop());
    EXPECT_FALSE(service
                     ->waitFor(QRegularExpression(QStringLiteral("relay: 127\\.0\\.0\\.5 joined ") +
                                                  QRegularExpression::escape(code)))
                     .isNull())
        << service->out.toStdString();
}
