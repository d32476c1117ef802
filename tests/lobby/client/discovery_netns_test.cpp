// SPDX-License-Identifier: GPL-3.0-or-later
// Discovery by real broadcast: network namespaces on a bridge (in a third)
// stand for two machines, one with two servers sharing the discovery port and
// one with a lobby; a namespace with loopback alone stands for a machine
// without any network. Tables and lobbies are discovery_tool processes run
// in them. Needs the privilege to make namespaces (root); skipped, saying so,
// without it. The namespaces are private, so the fixed discovery port 27772
// meets nobody else's.

#include "netns.h"

#include <QProcess>

#include <gtest/gtest.h>

#include <memory>

namespace {

constexpr char kPort[] = "27772";

// discovery_tool in a namespace, ended with the test.
struct Tool : QProcess {
    Tool(const QString& ns, const QStringList& args) {
        start(QStringLiteral("ip"), QStringList{"netns", "exec", ns, DISCOVERY_TOOL} + args);
    }
    ~Tool() override {
        kill();
        waitForFinished(10'000);
    }
};

// Two servers sharing the discovery port in `ns`, tables Friday and Saturday.
bool twoTables(const QString& ns, std::unique_ptr<Tool> (&tools)[2]) {
    tools[0] = std::make_unique<Tool>(ns, QStringList{"respond", kPort, "Friday", "7001"});
    tools[1] = std::make_unique<Tool>(ns, QStringList{"respond", kPort, "Saturday", "7002"});
    for (auto& t : tools)
        if (!t->waitForReadyRead(10'000) || t->readAllStandardOutput() != "ready\n")
            return false;
    return true;
}

QByteArray browse(const QString& ns) {
    Tool browser(ns, {"browse", kPort, "15", "2"});
    browser.waitForFinished(30'000);
    return browser.readAllStandardOutput();
}

} // namespace

TEST(DiscoveryAcrossANetwork, ABroadcastQueryFindsEveryTableOfAnotherMachine) {
    if (!netns::allowed())
        GTEST_SKIP() << "network namespaces can't be made here (needs root): not tested";
    netns::Network net;
    ASSERT_TRUE(net.build()) << net.error.toStdString();
    std::unique_ptr<Tool> tables[2];
    ASSERT_TRUE(twoTables(net.table, tables));
    EXPECT_EQ(browse(net.lobby).toStdString(), "10.77.0.1:7001 Friday\n10.77.0.1:7002 Saturday\n");
    // On the tables' own machine each answers from 10.77.0.1 and from
    // loopback, and is listed once.
    EXPECT_EQ(browse(net.table).toStdString(), "127.0.0.1:7001 Friday\n127.0.0.1:7002 Saturday\n");
}

TEST(DiscoveryAcrossANetwork, TablesOfAMachineWithoutNetworkAreAllFound) {
    if (!netns::allowed())
        GTEST_SKIP() << "network namespaces can't be made here (needs root): not tested";
    netns::Network net;
    ASSERT_TRUE(net.add(net.table)) << net.error.toStdString(); // loopback alone
    std::unique_ptr<Tool> tables[2];
    ASSERT_TRUE(twoTables(net.table, tables));
    EXPECT_EQ(browse(net.table).toStdString(), "127.0.0.1:7001 Friday\n127.0.0.1:7002 Saturday\n");
}
