// Discovery by real broadcast: network namespaces on a bridge (in a third)
// stand for two machines, one with two servers sharing the discovery port and
// one with a lobby; a namespace with loopback alone stands for a machine
// without any network. Tables and lobbies are discovery_tool processes run
// in them. Needs the privilege to make namespaces (root); skipped, saying so,
// without it. The namespaces are private, so the fixed discovery port 27772
// meets nobody else's.

#include <QCoreApplication>
#include <QProcess>
#include <QRandomGenerator>

#include <gtest/gtest.h>

#include <memory>

namespace {

constexpr char kPort[] = "27772";

bool ip(const QStringList& args, QString* error = nullptr) {
    QProcess p;
    p.start(QStringLiteral("ip"), args);
    if (!p.waitForFinished(10'000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        if (error)
            *error = QString::fromLocal8Bit(p.readAllStandardError()).trimmed() + p.errorString();
        return false;
    }
    return true;
}

// Namespaces named for this run; all removed again, whatever happens.
struct Network {
    QString table, lobby, wire;
    QStringList made;
    QString error;
    Network() {
        const QString run = QStringLiteral("%1-%2")
                                .arg(QCoreApplication::applicationPid())
                                .arg(QRandomGenerator::global()->bounded(100000));
        table = QStringLiteral("vlx-table-") + run;
        lobby = QStringLiteral("vlx-lobby-") + run;
        wire = QStringLiteral("vlx-wire-") + run;
    }
    ~Network() {
        for (const QString& ns : made)
            ip({"netns", "del", ns});
    }
    bool add(const QString& ns) {
        if (!ip({"netns", "add", ns}, &error))
            return false;
        made << ns;
        return ip({"-n", ns, "link", "set", "lo", "up"}, &error);
    }
    // A veth from the bridge to `ns`, with `address` there.
    bool plug(const QString& ns, const QString& device, const QString& address) {
        const QString bridgeEnd = device + QStringLiteral("b");
        return ip({"-n", wire, "link", "add", bridgeEnd, "type", "veth", "peer", "name", device},
                  &error) &&
               ip({"-n", wire, "link", "set", device, "netns", ns}, &error) &&
               ip({"-n", wire, "link", "set", bridgeEnd, "master", "br0", "up"}, &error) &&
               ip({"-n", ns, "addr", "add", address, "brd", "+", "dev", device}, &error) &&
               ip({"-n", ns, "link", "set", device, "up"}, &error);
    }
    bool build() {
        return add(table) && add(lobby) && add(wire) &&
               ip({"-n", wire, "link", "add", "br0", "type", "bridge"}, &error) &&
               ip({"-n", wire, "link", "set", "br0", "up"}, &error) &&
               plug(table, "eth0", "10.77.0.1/24") && plug(lobby, "eth1", "10.77.0.2/24");
    }
};

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

bool namespacesAllowed() {
    const QString probe = "vlx-probe-" + QString::number(QCoreApplication::applicationPid());
    if (!ip({"netns", "add", probe}))
        return false;
    ip({"netns", "del", probe});
    return true;
}

} // namespace

TEST(DiscoveryAcrossANetwork, ABroadcastQueryFindsEveryTableOfAnotherMachine) {
    if (!namespacesAllowed())
        GTEST_SKIP() << "network namespaces can't be made here (needs root): not tested";
    Network net;
    ASSERT_TRUE(net.build()) << net.error.toStdString();
    std::unique_ptr<Tool> tables[2];
    ASSERT_TRUE(twoTables(net.table, tables));
    EXPECT_EQ(browse(net.lobby).toStdString(), "10.77.0.1:7001 Friday\n10.77.0.1:7002 Saturday\n");
    // On the tables' own machine each answers from 10.77.0.1 and from
    // loopback, and is listed once.
    EXPECT_EQ(browse(net.table).toStdString(), "127.0.0.1:7001 Friday\n127.0.0.1:7002 Saturday\n");
}

TEST(DiscoveryAcrossANetwork, TablesOfAMachineWithoutNetworkAreAllFound) {
    if (!namespacesAllowed())
        GTEST_SKIP() << "network namespaces can't be made here (needs root): not tested";
    Network net;
    ASSERT_TRUE(net.add(net.table)) << net.error.toStdString(); // loopback alone
    std::unique_ptr<Tool> tables[2];
    ASSERT_TRUE(twoTables(net.table, tables));
    EXPECT_EQ(browse(net.table).toStdString(), "127.0.0.1:7001 Friday\n127.0.0.1:7002 Saturday\n");
}
