// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Test networks of network namespaces: machines of their own on one host,
// for what must cross a network (broadcasts, a NAT router) without ever
// touching the host's own interfaces. Making them needs root (these machines
// and CI have it); a test that can't make them skips, saying so. Every
// namespace is named for this run and removed again, whatever happens, with
// every process the network started in it.
//
// Network: two machines on one bridge. HomeNetwork: a home behind a NAT
// router that runs Debian's miniupnpd, and the internet beyond it.

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QStringList>
#include <QTemporaryDir>
#include <QUuid>

#include <cerrno>
#include <csignal>
#include <memory>
#include <vector>

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

// A program run in namespace `ns`, its output kept; ended with its owner
// (SIGTERM, then SIGKILL after a second).
class Process : public QProcess {
public:
    Process(const QString& ns, const QString& program, const QStringList& args) {
        setProcessChannelMode(QProcess::MergedChannels);
        start(QStringLiteral("ip"), Network::in(ns, program, args));
    }
    ~Process() override { end(); }
    void end() {
        if (state() == QProcess::NotRunning)
            return;
        terminate();
        if (!waitForFinished(1000)) {
            kill();
            waitForFinished(5000);
        }
    }
    // Waits until the output holds `words`; false when `ms` passed or the
    // program ended first.
    bool waitFor(const QString& words, int ms) {
        const QDeadlineTimer deadline(ms);
        for (;;) {
            drain();
            if (seen.contains(words))
                return true;
            if (deadline.hasExpired() || state() == QProcess::NotRunning)
                return false;
            waitForReadyRead(int(qMax<qint64>(1, deadline.remainingTime())));
        }
    }
    void drain() { seen += QString::fromUtf8(readAll()); }
    // Its output so far, for a failure's message.
    QString seen;
};

// A home behind a router, and the internet:
//
//   internet namespace   bridge br0 with 203.0.113.2 and 203.0.113.3 (the
//                        test's own host there: STUN server, connections from
//                        outside); addInternetHost() plugs in more machines.
//   router namespace     wan 203.0.113.1 (on br0: the public address), lan, a
//                        bridge with 192.168.77.1; forwards and masquerades
//                        (nftables), drops what comes in unasked unless
//                        miniupnpd lets it, and runs miniupnpd on lan.
//   home namespace       192.168.77.2, default route through the router;
//                        addHome() plugs in 192.168.77.3 and on.
//
// 203.0.113.0/24 is a documentation range, which miniupnpd 2.3 (and
// miniupnpc 2.2) take for a reserved one: a router with such a public address
// forwards nothing unless it learns its address by STUN, so the internet
// runs a STUN server (netns_tool stun) and miniupnpd asks it at start. An IGD
// found there says it is "not connected" (UPNP_GetValidIGD answers 2).
//
// The tool is netns_tool's path (tests/support/netnstool.cpp).
class HomeNetwork {
public:
    enum class Router {
        UpnpAndNatPmp,   // miniupnpd with both, an IGD of version 2
        UpnpV1AndNatPmp, // the same with an IGD of version 1 (no AddAnyPortMapping)
        NatPmpOnly,      // miniupnpd with UPnP off
        // Both on, every mapping denied by its permission rules. UPnP
        // answers 606; a NAT-PMP request sets miniupnpd 2.3.1 searching its
        // ports for good, answering nothing more: a router gone silent.
        Denied,
        None, // no miniupnpd: a router that forwards nothing
    };
    static constexpr const char* kPublicAddress = "203.0.113.1";
    static constexpr const char* kInternetAddress = "203.0.113.2";
    static constexpr const char* kRouterLanAddress = "192.168.77.1";

    explicit HomeNetwork(QString tool) : m_tool(std::move(tool)) {
        const QString run = QStringLiteral("%1-%2")
                                .arg(QCoreApplication::applicationPid())
                                .arg(QRandomGenerator::global()->bounded(100000));
        internet = QStringLiteral("vlx-net-") + run;
        router = QStringLiteral("vlx-router-") + run;
        m_run = run;
    }
    ~HomeNetwork() {
        m_processes.clear(); // ended before their namespaces go
        for (const QString& ns : m_made)
            ip({"netns", "del", ns});
    }
    HomeNetwork(const HomeNetwork&) = delete;
    HomeNetwork& operator=(const HomeNetwork&) = delete;

    QString internet, router;
    QStringList homes; // the first is home()
    QString error;     // why the last step failed

    QString home() const { return homes.value(0); }

    bool build(Router mode = Router::UpnpAndNatPmp) {
        sweepStale();
        const QString rules = m_files.filePath(QStringLiteral("router.nft"));
        return m_files.isValid() && add(internet) && add(router) &&
               ip({"-n", internet, "link", "add", "br0", "type", "bridge"}, &error) &&
               ip({"-n", internet, "link", "set", "br0", "up"}, &error) &&
               ip({"-n", internet, "addr", "add", "203.0.113.2/24", "dev", "br0"}, &error) &&
               ip({"-n", internet, "addr", "add", "203.0.113.3/24", "dev", "br0"}, &error) &&
               ip({"-n", internet, "link", "add", "wanb", "type", "veth", "peer", "name", "wan"},
                  &error) &&
               ip({"-n", internet, "link", "set", "wan", "netns", router}, &error) &&
               ip({"-n", internet, "link", "set", "wanb", "master", "br0", "up"}, &error) &&
               ip({"-n", router, "addr", "add", "203.0.113.1/24", "dev", "wan"}, &error) &&
               ip({"-n", router, "link", "set", "wan", "up"}, &error) &&
               ip({"-n", router, "link", "add", "lan", "type", "bridge"}, &error) &&
               ip({"-n", router, "addr", "add", "192.168.77.1/24", "dev", "lan"}, &error) &&
               ip({"-n", router, "link", "set", "lan", "up"}, &error) &&
               runIn(router, "sh", {"-c", "echo 1 > /proc/sys/net/ipv4/ip_forward"}) &&
               write(rules, routerRules()) && runIn(router, "nft", {"-f", rules}) &&
               !addHome().isEmpty() && (mode == Router::None || startMiniupnpd(mode));
    }

    // Another machine at home (192.168.77.2, .3, ...); its namespace, or
    // empty (and `error`) when it could not be made.
    QString addHome() {
        const int n = int(homes.size());
        const QString ns = QStringLiteral("vlx-home%1-%2").arg(n).arg(m_run);
        const QString end = QStringLiteral("home%1").arg(n);
        const QString address = QStringLiteral("192.168.77.%1/24").arg(n + 2);
        if (!(add(ns) &&
              ip({"-n", router, "link", "add", end, "type", "veth", "peer", "name", "eth0"},
                 &error) &&
              ip({"-n", router, "link", "set", "eth0", "netns", ns}, &error) &&
              ip({"-n", router, "link", "set", end, "master", "lan", "up"}, &error) &&
              ip({"-n", ns, "addr", "add", address, "dev", "eth0"}, &error) &&
              ip({"-n", ns, "link", "set", "eth0", "up"}, &error) &&
              ip({"-n", ns, "route", "add", "default", "via", kRouterLanAddress}, &error)))
            return {};
        homes << ns;
        return ns;
    }

    // Another machine on the internet with `address` (203.0.113.x, not .1
    // to .3); its namespace, or empty (and `error`).
    QString addInternetHost(const QString& address) {
        const int n = int(m_internetHosts++);
        const QString ns = QStringLiteral("vlx-inet%1-%2").arg(n).arg(m_run);
        const QString end = QStringLiteral("host%1").arg(n);
        if (!(add(ns) &&
              ip({"-n", internet, "link", "add", end, "type", "veth", "peer", "name", "eth0"},
                 &error) &&
              ip({"-n", internet, "link", "set", "eth0", "netns", ns}, &error) &&
              ip({"-n", internet, "link", "set", end, "master", "br0", "up"}, &error) &&
              ip({"-n", ns, "addr", "add", address + QStringLiteral("/24"), "dev", "eth0"},
                 &error) &&
              ip({"-n", ns, "link", "set", "eth0", "up"}, &error)))
            return {};
        return ns;
    }

    // Starts `program ARGS` in `ns`; it ends with the network at the latest.
    Process* start(const QString& ns, const QString& program, const QStringList& args) {
        m_processes.push_back(std::make_unique<Process>(ns, program, args));
        return m_processes.back().get();
    }

    // Ends miniupnpd: the router keeps routing but no longer answers.
    void stopRouter() {
        if (m_miniupnpd)
            m_miniupnpd->end();
    }
    // What miniupnpd logged so far (what it writes within half a second).
    QString routerLog() {
        if (!m_miniupnpd)
            return {};
        const QDeadlineTimer deadline(500);
        while (!deadline.hasExpired() && m_miniupnpd->waitForReadyRead(50))
            m_miniupnpd->drain();
        m_miniupnpd->drain();
        return m_miniupnpd->seen;
    }

    // Whether a connection from the internet to the router's public address
    // and `externalPort` reaches a listener on `internalPort` of the home
    // machine `ns` (home() when empty): the proof that a port is forwarded.
    // `why` says what happened when it did not.
    bool forwarded(quint16 externalPort, quint16 internalPort, QString ns = {},
                   QString* why = nullptr) {
        const QString token = QUuid::createUuid().toString(QUuid::WithoutBraces);
        Process listener(ns.isEmpty() ? home() : ns, m_tool,
                         {"listen", QString::number(internalPort), token});
        if (!listener.waitFor(QStringLiteral("ready\n"), 10'000)) {
            if (why)
                *why = QStringLiteral("no listener at home: ") + listener.seen;
            return false;
        }
        Process outside(internet, m_tool,
                        {"connect", kPublicAddress, QString::number(externalPort), "3000"});
        outside.waitForFinished(10'000);
        const QString got = QString::fromUtf8(outside.readAll()).trimmed();
        if (why)
            *why = got;
        return got == token;
    }

    // miniupnpd's forwarding rules for `externalPort` in the router, as nft
    // lists them (the redirection, and the filter rule that lets it in).
    QStringList rulesFor(quint16 externalPort) {
        QProcess nft;
        nft.start(QStringLiteral("ip"), Network::in(router, "nft", {"list", "ruleset"}));
        nft.waitForFinished(10'000);
        QStringList found;
        const QString port = QStringLiteral("dport %1 ").arg(externalPort);
        for (const QString& line : QString::fromUtf8(nft.readAll()).split(QLatin1Char('\n')))
            if (line.contains(port))
                found << line.trimmed();
        return found;
    }

private:
    bool add(const QString& ns) {
        if (!ip({"netns", "add", ns}, &error))
            return false;
        m_made << ns;
        return ip({"-n", ns, "link", "set", "lo", "up"}, &error);
    }
    bool runIn(const QString& ns, const QString& program, const QStringList& args) {
        return ip(Network::in(ns, program, args), &error);
    }
    bool write(const QString& path, const QByteArray& text) {
        QFile file(path);
        if (file.open(QIODevice::WriteOnly) && file.write(text) == text.size())
            return true;
        error = QStringLiteral("can't write ") + path;
        return false;
    }

    // A home router's firewall, with the tables and chains miniupnpd's
    // nftables build fills (its defaults: inet "filter" for the filter
    // chain, inet "nat" as told in its configuration).
    static QByteArray routerRules() {
        return "table inet filter {\n"
               "  chain forward { type filter hook forward priority 0; policy drop;\n"
               "    ct state established,related accept\n"
               "    iifname \"lan\" oifname \"wan\" accept\n"
               "    jump miniupnpd; }\n"
               "  chain miniupnpd { }\n"
               "}\n"
               "table inet nat {\n"
               "  chain prerouting { type nat hook prerouting priority -100; policy accept;\n"
               "    jump prerouting_miniupnpd; }\n"
               "  chain postrouting { type nat hook postrouting priority 100; policy accept;\n"
               "    jump postrouting_miniupnpd\n"
               "    oifname \"wan\" masquerade; }\n"
               "  chain prerouting_miniupnpd { }\n"
               "  chain postrouting_miniupnpd { }\n"
               "}\n";
    }

    bool startMiniupnpd(Router mode) {
        Process* stun =
            start(internet, m_tool, {"stun", "203.0.113.2", "203.0.113.3", "3478", "3479"});
        if (!stun->waitFor(QStringLiteral("ready\n"), 10'000)) {
            error = QStringLiteral("the STUN server did not start: ") + stun->seen;
            return false;
        }
        QByteArray config = "ext_ifname=wan\nlistening_ip=lan\nhttp_port=0\nipv6_disable=yes\n"
                            "enable_natpmp=yes\nsecure_mode=yes\nsystem_uptime=no\n"
                            "upnp_table_name=filter\nupnp_nat_table_name=nat\n"
                            "ext_perform_stun=yes\next_stun_host=203.0.113.2\n"
                            "ext_stun_port=3478\nuuid=" +
                            QUuid::createUuid().toString(QUuid::WithoutBraces).toLatin1() + "\n";
        config += mode == Router::NatPmpOnly ? "enable_upnp=no\n" : "enable_upnp=yes\n";
        if (mode == Router::UpnpV1AndNatPmp)
            config += "force_igd_desc_v1=yes\n";
        if (mode != Router::Denied)
            config += "allow 1024-65535 192.168.77.0/24 1024-65535\n";
        config += "deny 0-65535 0.0.0.0/0 0-65535\n";
        const QString path = m_files.filePath(QStringLiteral("miniupnpd.conf"));
        if (!write(path, config))
            return false;
        // -d: in the foreground, logging to stderr; its own pid file, since
        // miniupnpd refuses to start while the one it names is alive.
        m_processes.push_back(std::make_unique<Process>(
            router, QStringLiteral("miniupnpd"),
            QStringList{"-f", path, "-d", "-P",
                        m_files.filePath(QStringLiteral("miniupnpd.pid"))}));
        m_miniupnpd = m_processes.back().get();
        // Its last word before it serves: NAT-PMP is on in every mode here.
        if (!m_miniupnpd->waitFor(QStringLiteral("Listening for NAT-PMP"), 10'000) ||
            !m_miniupnpd->seen.contains(QStringLiteral("Port forwarding is now enabled"))) {
            error = QStringLiteral("miniupnpd is not serving (is miniupnpd-nftables installed?) ") +
                    m_miniupnpd->errorString() + QLatin1Char('\n') + m_miniupnpd->seen;
            return false;
        }
        return true;
    }

    // Namespaces a test run that was killed left behind (named for a process
    // that is gone), with what still runs in them.
    void sweepStale() {
        QProcess list;
        list.start(QStringLiteral("ip"), {"netns", "list"});
        list.waitForFinished(10'000);
        for (const QString& line : QString::fromUtf8(list.readAll()).split(QLatin1Char('\n'))) {
            const QString ns = line.section(QLatin1Char(' '), 0, 0);
            const qint64 pid = ns.section(QLatin1Char('-'), 2, 2).toLongLong();
            if (!ns.startsWith(QStringLiteral("vlx-")) || pid <= 0 || ::kill(pid_t(pid), 0) == 0 ||
                errno != ESRCH)
                continue;
            QProcess pids;
            pids.start(QStringLiteral("ip"), {"netns", "pids", ns});
            pids.waitForFinished(10'000);
            for (const QString& p : QString::fromUtf8(pids.readAll()).split(QLatin1Char('\n')))
                if (p.toLongLong() > 0)
                    ::kill(pid_t(p.toLongLong()), SIGKILL);
            ip({"netns", "del", ns});
        }
    }

    QString m_tool;
    QString m_run;
    QStringList m_made;
    QTemporaryDir m_files;
    int m_internetHosts = 0;
    std::vector<std::unique_ptr<Process>> m_processes;
    Process* m_miniupnpd = nullptr;
};

} // namespace netns
