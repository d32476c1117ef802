// SPDX-License-Identifier: GPL-3.0-or-later
// Tables on this network with the real programs, across a real network: two
// machines made of network namespaces on a bridge. On one, a dedicated server
// and a hosting copy answer discovery on the shared port; on the other, the
// lobby lists them by broadcast, a player joins one by its address, and the
// list follows; tables that stop answering leave it.

#include "netns.h"
#include "privatecopy.h"
#include "version.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

namespace {

QProcessEnvironment childEnvironment(const QString& desktop = {}) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        env.remove(QString::fromLatin1(name));
    if (!desktop.isEmpty()) {
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("WAYLAND_DISPLAY"), desktop);
    }
    return env;
}

// A program run on one of the test's machines, ended with the test.
struct OnMachine : QProcess {
    OnMachine(const QString& ns, const QString& program, const QStringList& args,
              const QString& desktop = {}) {
        setProcessEnvironment(childEnvironment(desktop));
        setProcessChannelMode(QProcess::MergedChannels);
        start(QStringLiteral("ip"), netns::Network::in(ns, program, args));
    }
    ~OnMachine() override {
        kill();
        waitForFinished(10'000);
    }
};

QString lanList(const QString& ns, const QString& lobby) {
    OnMachine list(ns, lobby, {"--list", "--lan"});
    list.waitForFinished(20'000);
    return QString::fromUtf8(list.readAll());
}

// Lists until `expected` comes, or the time runs out; answers the last list.
QString listUntil(const QString& ns, const QString& lobby, const QString& expected) {
    QElapsedTimer clock;
    clock.start();
    QString last;
    while (clock.elapsed() < 20'000) {
        last = lanList(ns, lobby);
        if (last == expected)
            break;
    }
    return last;
}

} // namespace

TEST(LanLobby, TheLobbyListsTheTablesOfAnotherMachineAndFollowsThem) {
    if (!netns::allowed())
        GTEST_SKIP() << "network namespaces can't be made here (needs root): not tested";
    netns::Network net;
    ASSERT_TRUE(net.build()) << net.error.toStdString();
    PrivateCopy copy(QStringLiteral(VORLIX_BINARY));
    const QString lobby = copy.add(QStringLiteral(LOBBY_BINARY));

    auto server = std::make_unique<OnMachine>(
        net.table, copy.program(),
        QStringList{"--server", "--port", "7800", "--invite", "Club", "--lobby", "127.0.0.1:1"});
    auto host = std::make_unique<OnMachine>(
        net.table, copy.program(), QStringList{"--port", "7801", "--", "Ann", "127.0.0.1", "true"},
        QStringLiteral("lan-a"));
    const QString version = QLatin1String(wire::kVersion);
    const QString both = QStringLiteral("10.77.0.1:7801\tAnn's table\t1\t0\twaiting\t%1\n"
                                        "10.77.0.1:7800\tClub\t0\t0\twaiting\t%1\n")
                             .arg(version);
    EXPECT_EQ(listUntil(net.lobby, lobby, both), both)
        << server->readAll().toStdString() << host->readAll().toStdString();

    // A player on the lobby's machine joins Ann's table by its address.
    auto player = std::make_unique<OnMachine>(net.lobby, copy.program(),
                                              QStringList{"--", "Bo", "10.77.0.1:7801", "false"},
                                              QStringLiteral("lan-b"));
    const QString joined = QStringLiteral("10.77.0.1:7801\tAnn's table\t2\t0\twaiting\t%1\n"
                                          "10.77.0.1:7800\tClub\t0\t0\twaiting\t%1\n")
                               .arg(version);
    EXPECT_EQ(listUntil(net.lobby, lobby, joined), joined) << player->readAll().toStdString();

    host.reset();
    player.reset();
    server.reset();
    EXPECT_EQ(listUntil(net.lobby, lobby, QString()), QString());
}
