// SPDX-License-Identifier: GPL-3.0-or-later
// The real program started as `vorlix --server` in a child process with no
// display at all, serving a whole game to raw clients with the computer in
// seat 2, logging it, and ending cleanly on SIGTERM.

#include "messages.h"
#include "privatecopy.h"
#include "rawclient.h"
#include "version.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QProcess>

#include <gtest/gtest.h>

#include <csignal>
#include <poll.h>

namespace {

constexpr std::uint16_t kPort = 18110;

// Children without any display: no DISPLAY, no WAYLAND_DISPLAY, no platform.
QProcessEnvironment withoutDisplay() {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        env.remove(QString::fromLatin1(name));
    return env;
}

struct ServerProcess {
    PrivateCopy copy{QStringLiteral(VORLIX_BINARY)};
    QProcess process;
    QByteArray out;

    explicit ServerProcess(std::uint16_t port) {
        process.setProcessEnvironment(withoutDisplay());
        process.start(copy.program(), {"--server", "--port", QString::number(port), "--pause",
                                       "quick", "--bot-speed", "fast"});
    }
    ~ServerProcess() {
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished(5000);
        }
    }
    bool waitForLine(const QByteArray& text, int timeoutMs = 20000) {
        QElapsedTimer clock;
        clock.start();
        while (!out.contains(text) && clock.elapsed() < timeoutMs) {
            process.waitForReadyRead(50);
            out += process.readAllStandardOutput();
        }
        return out.contains(text);
    }
};

// Reads the clients until `done`, or the time runs out.
bool until(std::vector<RawClient*> clients, const std::function<bool()>& done,
           int timeoutMs = 20000) {
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < timeoutMs) {
        for (RawClient* c : clients)
            c->poll();
        if (done())
            return true;
        ::poll(nullptr, 0, 5);
    }
    return false;
}

int numberOf(const RawClient& c) {
    for (const QByteArray& m : c.withCommand("CMD_sendlogininfo"))
        return m.mid(int(sizeof "CMD_sendlogininfo")).toInt();
    return 0;
}

} // namespace

TEST(DedicatedServer, ServesAWholeGameWithoutADisplayAndStopsOnSigterm) {
    ServerProcess server(kPort);
    ASSERT_TRUE(server.process.waitForStarted(10000));
    ASSERT_TRUE(server.waitForLine("listening on port 18110, 10 s between rounds, computer every "
                                   "750 ms"))
        << server.out.toStdString() << server.process.readAllStandardError().toStdString();

    RawClient host(kPort);
    ASSERT_TRUE(until({&host}, [&] { return numberOf(host) == 1; }));
    host.send(wire::logininfo(1, wire::kVersion, "Host") + '\xFF');
    RawClient spy(kPort);
    ASSERT_TRUE(until({&spy}, [&] { return numberOf(spy) == 2; }));
    spy.send(wire::logininfo(2, wire::kVersion, "Watcher") + '\xFF');
    ASSERT_TRUE(until({&host, &spy}, [&] { return host.has("CMD_newplayerinfo+2+Watcher"); }));
    // Seat 2 taken by a player is no place for the computer: it leaves, and
    // the computer plays the empty seat.
    spy.close();
    ASSERT_TRUE(until({&host}, [&] { return host.has("CMD_playerdisconnected+2+Watcher"); }));

    // One round of ten seconds, any length, every word shown to everybody.
    host.send(wire::startgame("Host", "1", "10", "0", "1"));
    ASSERT_TRUE(until({&host}, [&] { return !host.withCommand("CMD_startround").isEmpty(); }));
    const QList<QByteArray> start = host.withCommand("CMD_startround").first().split('+');
    ASSERT_EQ(start.size(), 8);
    host.send(wire::sendword(1, start[6])); // the starter word itself
    ASSERT_TRUE(until(
        {&host}, [&] { return !host.withCommand("CMD_winner").isEmpty(); }, 90000));
    EXPECT_FALSE(host.withCommand("CMD_endround").isEmpty());
    // The computer played seat 2.
    bool computerScored = false;
    for (const QByteArray& m : host.withCommand("CMD_gotword"))
        computerScored = computerScored || m.startsWith("CMD_gotword+2+");
    EXPECT_TRUE(computerScored);

    ASSERT_TRUE(server.waitForLine("winner: seat "));
    ::kill(pid_t(server.process.processId()), SIGTERM);
    ASSERT_TRUE(server.process.waitForFinished(10000));
    server.out += server.process.readAllStandardOutput();
    EXPECT_EQ(server.process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(server.process.exitCode(), 0);
    for (const char* line : {"connect: 127.0.0.1 takes slot 1", "join: slot 1 \"Host\"",
                             "join: slot 2 \"Watcher\"", "leave: slot 2 \"Watcher\"",
                             "game: started by slot 1 \"Host\", 1 rounds of 10 s, any length",
                             "stopping on signal 15", "stopped"})
        EXPECT_TRUE(server.out.contains(line)) << line << "\n" << server.out.toStdString();
    // Every line carries its time: "2024-05-01T12:00:00Z ...".
    for (const QByteArray& line : server.out.trimmed().split('\n'))
        EXPECT_TRUE(
            QDateTime::fromString(QString::fromLatin1(line.left(20)), Qt::ISODate).isValid())
            << line.toStdString();
}

TEST(DedicatedServer, SeveralRunOnOneMachineOnDifferentPorts) {
    ServerProcess first(kPort + 1);
    ServerProcess second(kPort + 2);
    ASSERT_TRUE(first.waitForLine("listening on port 18111"));
    ASSERT_TRUE(second.waitForLine("listening on port 18112"));
    // A third on a port already served cannot have it, and says so.
    ServerProcess third(kPort + 1);
    ASSERT_TRUE(third.process.waitForFinished(10000));
    EXPECT_NE(third.process.exitCode(), 0);
    const QByteArray said = third.process.readAllStandardError();
    EXPECT_TRUE(said.contains("error: Listen - Error Binding Socket\n")) << said.toStdString();
    EXPECT_TRUE(said.contains("error: Port 18111 is already in use: another program (perhaps "
                              "another game) is listening on it.\n"))
        << said.toStdString();
    EXPECT_TRUE(said.contains("error: To serve on another port, start the server with --port"));
    for (ServerProcess* s : {&first, &second}) {
        ::kill(pid_t(s->process.processId()), SIGINT);
        ASSERT_TRUE(s->process.waitForFinished(10000));
        EXPECT_EQ(s->process.exitCode(), 0);
    }
}
