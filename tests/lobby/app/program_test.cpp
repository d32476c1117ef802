// SPDX-License-Identifier: GPL-3.0-or-later
// The built kestrunlobby run as a player or a script would run it, without a
// display: help, version and bad use; --list against a service started as a
// child (kestrunlobby --server) and against a closed port; --join with a fake
// game beside a copy of the program.

#include "discovery.h"
#include "lobbytestsupport.h"
#include "tablehost.h"
#include "version.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QSignalSpy>
#include <QTcpSocket>

#include <gtest/gtest.h>

#include <cstring>

#ifdef __linux__
#include <net/if.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

using lobbytest::spinUntil;

namespace {

struct Outcome {
    int exitCode = -1;
    QString out;
    QString err;
};

class Program : public ::testing::Test {
protected:
    // Runs `program` (the built one by default) with no display and a home of
    // its own, while this test's event loop keeps running.
    Outcome run(const QStringList& args, QString program = {}) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            env.remove(QString::fromLatin1(name));
        env.insert(QStringLiteral("HOME"), home.path());
        env.insert(QStringLiteral("XDG_DATA_HOME"), home.filePath(QStringLiteral("data")));
        QProcess p;
        p.setProcessEnvironment(env);
        p.start(program.isEmpty() ? QStringLiteral(KESTRUNLOBBY_EXECUTABLE) : program, args);
        Outcome r;
        if (!spinUntil([&] { return p.state() == QProcess::NotRunning; }, 40000)) {
            p.kill();
            p.waitForFinished();
            return r;
        }
        r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -2;
        r.out = QString::fromLocal8Bit(p.readAllStandardOutput());
        r.err = QString::fromLocal8Bit(p.readAllStandardError());
        // A console writes its lines with CRLF on Windows.
#ifdef _WIN32
        r.out.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        r.err.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
#endif
        return r;
    }

    QTemporaryDir home;
};

} // namespace

TEST_F(Program, AnswersHelpVersionAndBadUseWithoutADisplay) {
    Outcome r = run({QStringLiteral("--help")});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_TRUE(r.out.startsWith(QStringLiteral("Usage: kestrunlobby"))) << r.out.toStdString();
    r = run({QStringLiteral("--version")});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, QStringLiteral("Kestrun Lobby ") + QLatin1String(wire::kVersion) + u'\n');
    r = run({QStringLiteral("--list"), QStringLiteral("--bogus")});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_TRUE(r.err.startsWith(QStringLiteral("kestrunlobby: unknown option '--bogus'\n"
                                                "Usage: kestrunlobby")))
        << r.err.toStdString();
    EXPECT_TRUE(r.out.isEmpty());
#ifndef _WIN32 // a Windows program always has the desktop it runs on
    r = run({});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, QStringLiteral("kestrunlobby: cannot open a display; use --list, --join or "
                                    "--server without one\n"));
#endif
}

TEST_F(Program, ListsTheServicesTablesAndSaysWhyWhenItCant) {
#ifdef _WIN32
    GTEST_SKIP() << "the lobby service (--server) runs on Linux only";
#endif
    const quint16 port = lobbytest::freeTcpPort();
    QProcess service;
    service.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    service.start(QStringLiteral(KESTRUNLOBBY_EXECUTABLE),
                  {QStringLiteral("--server"), QStringLiteral("--port"), QString::number(port)});
    const auto listening = [&] {
        QTcpSocket probe;
        probe.connectToHost(QHostAddress::LocalHost, port);
        return probe.waitForConnected(200);
    };
    ASSERT_TRUE(spinUntil(listening, 20000));

    HostedTableOptions options;
    options.tableName = QStringLiteral("Friday words");
    options.gamePort = 7801;
    options.gameVersion = QLatin1String(wire::kVersion);
    options.listing = lobbywire::Listing::Public;
    options.service = {QStringLiteral("127.0.0.1"), port};
    options.discoveryPort = lobbytest::freeUdpPort();
    TableHost table(options);
    QSignalSpy registered(&table, &TableHost::registered);
    table.start();
    table.setState({2, 1, lobbywire::Phase::Playing, 3, 5, QStringLiteral("Ann")});
    ASSERT_TRUE(registered.wait(10000));
    const QString code = registered.first().first().toString();

    const QString address = QStringLiteral("127.0.0.1:%1").arg(port);
    const auto listed = [&] {
        return run({QStringLiteral("--list"), QStringLiteral("--lobby"), address}).out;
    };
    const QString line = code + QStringLiteral("\tFriday words\t2\t1\tplaying round 3 of 5\t%1\n")
                                    .arg(QLatin1String(wire::kVersion));
    // The state goes out within a second of the registration.
    EXPECT_TRUE(spinUntil([&] { return listed() == line; }, 15000)) << listed().toStdString();

    service.terminate();
    service.waitForFinished(10000);
    const Outcome r = run({QStringLiteral("--list"), QStringLiteral("--lobby"), address});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.out.isEmpty());
    EXPECT_EQ(r.err.count(u'\n'), 1);
    EXPECT_TRUE(r.err.startsWith(QStringLiteral("kestrunlobby: ")) &&
                r.err.contains(QStringLiteral("can't be reached")))
        << r.err.toStdString();
}

// A network of this process's own (and of the programs it starts), with only its loopback interface
// (up): what --list --lan broadcasts there reaches nobody else. False without the privilege to make
// one.
bool ownNetwork() {
#ifndef __linux__
    return false;
#else
    if (::unshare(CLONE_NEWNET) != 0)
        return false;
    const int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
    ifreq request{};
    std::strncpy(request.ifr_name, "lo", IFNAMSIZ - 1);
    const bool up = fd >= 0 && ::ioctl(fd, SIOCGIFFLAGS, &request) == 0 &&
                    (request.ifr_flags |= IFF_UP, ::ioctl(fd, SIOCSIFFLAGS, &request) == 0);
    if (fd >= 0)
        ::close(fd);
    return up;
#endif
}

TEST_F(Program, ListsTheTablesOnThisNetwork) {
    if (!ownNetwork())
        GTEST_SKIP() << "no network namespace of our own can be made here";
    // The default discovery port: the network is this test's alone.
    DiscoveryResponder responder(lobbywire::kDefaultDiscoveryPort);
    ASSERT_TRUE(responder.start()) << responder.problem().toStdString();
    responder.setTable(QStringLiteral("Den"), 7806, QLatin1String(wire::kVersion),
                       {1, 2, lobbywire::Phase::Waiting, 0, 0, QStringLiteral("Ida")});
    const Outcome r = run({QStringLiteral("--list"), QStringLiteral("--lan")});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, QStringLiteral("127.0.0.1:7806\tDen\t1\t2\twaiting\t%1\n")
                         .arg(QLatin1String(wire::kVersion)));
}

TEST_F(Program, JoinStartsTheGameBesideItAndReportsHowItEnded) {
    // The lobby takes port 9001 for its link when it is free; other tests use
    // that port, so this one runs on a network of its own.
    if (!ownNetwork())
        GTEST_SKIP() << "no network namespace of our own can be made here";
    lobbytest::FakeGame game;
    const QString lobby = game.dir.filePath(QStringLiteral("kestrunlobby"));
    ASSERT_TRUE(QFile::copy(QStringLiteral(KESTRUNLOBBY_EXECUTABLE), lobby));
    QFile(lobby).setPermissions(QFile::ReadOwner | QFile::ExeOwner);
    const QStringList join = {QStringLiteral("--join"), QStringLiteral("127.0.0.1:7805"),
                              QStringLiteral("--name"), QStringLiteral("Bo")};

    game.setMode("fail");
    Outcome r = run(join, lobby);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, QStringLiteral("kestrunlobby: Vorlix could not start (status 3): some noise "
                                    "vorlix: cannot listen on port 7772\n"));
    // Port 9001 was free on this network: the game is told no other.
    EXPECT_EQ(game.args(), QStringList({"--", "Bo", "127.0.0.1:7805", "false"}));

    game.setMode("quiet");
    r = run(join, lobby);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, QStringLiteral("kestrunlobby: A game of Vorlix is already open.\n"));
}
