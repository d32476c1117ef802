#pragma once
// Test networks of network namespaces: machines of their own on one host,
// joined by a bridge, for what must cross a network (broadcasts above all)
// without ever touching the host's own interfaces. Making them needs root
// (these machines and CI have it); a test that can't make them skips, saying
// so. Every namespace is named for this run and removed again, whatever
// happens.

#include <QCoreApplication>
#include <QProcess>
#include <QRandomGenerator>
#include <QStringList>

namespace netns {

// Runs `ip ARGS`; false (and `error` says why) when it fails.
inline bool ip(const QStringList& args, QString* error = nullptr) {
    QProcess p;
    p.start(QStringLiteral("ip"), args);
    if (!p.waitForFinished(10'000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        if (error)
            *error = QString::fromLocal8Bit(p.readAllStandardError()).trimmed() + p.errorString();
        return false;
    }
    return true;
}

// Whether namespaces can be made here at all.
inline bool allowed() {
    const QString probe = "vlx-probe-" + QString::number(QCoreApplication::applicationPid());
    if (!ip({"netns", "add", probe}))
        return false;
    ip({"netns", "del", probe});
    return true;
}

// Two machines, `table` (10.77.0.1) and `lobby` (10.77.0.2), on a bridge that
// lives in a third namespace, `wire`.
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
    Network(const Network&) = delete;
    Network& operator=(const Network&) = delete;

    // A namespace with its loopback up: a machine without any network.
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
    // `program ARGS` as run in namespace `ns`.
    static QStringList in(const QString& ns, const QString& program, const QStringList& args) {
        return QStringList{"netns", "exec", ns, program} + args;
    }
};

} // namespace netns
