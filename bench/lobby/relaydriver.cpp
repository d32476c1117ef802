// SPDX-License-Identifier: GPL-3.0-or-later
#include "relaydriver.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QThread>

#include <cstdio>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// The run ends whatever the generator does: set-up, the measurements, and
// every round's opening, hold and closing fit well within this.
constexpr qint64 kBudgetMs = 20 * 60 * 1000;
// Descriptors beyond the relays' own: the listener, logs, libraries.
constexpr long kSpareFiles = 500;

// Seconds the whole machine spent on a CPU (everything but idle and waiting
// for a disk), from /proc/stat.
double machineBusyS() {
    QFile f(QStringLiteral("/proc/stat"));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> v = f.readLine().simplified().split(' ');
    double total = 0, idle = 0;
    for (qsizetype i = 1; i < v.size() && i <= 8; ++i) {
        total += v[i].toDouble();
        if (i == 4 || i == 5)
            idle += v[i].toDouble();
    }
    return (total - idle) / double(::sysconf(_SC_CLK_TCK));
}

// The kernel's memory for TCP buffers, from /proc/net/sockstat ("mem" is
// in pages).
long tcpBuffersKb() {
    QFile f(QStringLiteral("/proc/net/sockstat"));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : f.readAll().split('\n')) {
        if (!line.startsWith("TCP:"))
            continue;
        const QList<QByteArray> v = line.simplified().split(' ');
        const qsizetype at = v.indexOf("mem");
        if (at >= 0 && at + 1 < v.size())
            return v[at + 1].toLong() * (::sysconf(_SC_PAGESIZE) / 1024);
    }
    return -1;
}

class Snapshot {
public:
    void take(int service, int generator) {
        m_timer.start();
        m_service = schedTimes(service);
        m_generator = schedTimes(generator);
        m_busy = machineBusyS();
    }
    PhaseLoad since(int service, int generator) const {
        const SchedTimes s = schedTimes(service), g = schedTimes(generator);
        PhaseLoad p;
        p.measured = true;
        p.wallS = double(m_timer.nsecsElapsed()) / 1e9;
        p.serviceS = s.runS - m_service.runS;
        p.generatorS = g.runS - m_generator.runS;
        p.serviceWaitS = s.waitS - m_service.waitS;
        p.generatorWaitS = g.waitS - m_generator.waitS;
        p.othersS = std::max(0.0, machineBusyS() - m_busy - p.serviceS - p.generatorS);
        return p;
    }

private:
    QElapsedTimer m_timer;
    SchedTimes m_service, m_generator;
    double m_busy = 0;
};

QString wordAfter(const QByteArray& line, const char* key) {
    for (const QByteArray& w : line.split(' '))
        if (w.startsWith(key))
            return QString::fromUtf8(w.mid(qsizetype(qstrlen(key))));
    return QString();
}

} // namespace

RelayFigures runRelayBench(const RelayBenchOptions& options) {
    RelayFigures f;
    f.loadBefore = loadAverage();
    f.cpus = int(::sysconf(_SC_NPROCESSORS_ONLN));
    // A relay is two descriptors at the service and two at the generator
    // (the player's and its host's end); both inherit this limit.
    const long wanted = 2L * options.players + options.tables + kSpareFiles;
    f.openFiles = raiseOpenFiles(wanted, &f.openFilesHard);
    if (f.openFiles < wanted) {
        f.failure = QStringLiteral("the open-files limit can be raised to %1 only; %2 relays "
                                   "need %3")
                        .arg(f.openFiles)
                        .arg(options.players)
                        .arg(wanted);
        return f;
    }
    const quint16 port = freePort(SOCK_STREAM);
    ServiceProcess service;
    QString error;
    if (port == 0 || !service.start(options.service, {}, port, error)) {
        f.failure = port == 0 ? QStringLiteral("no free port") : error;
        return f;
    }
    f.logPath = service.logPath();
    std::printf("relay_bench: service pid %d on 127.0.0.1:%u (log %s), open-files limit %ld\n",
                service.pid(), port, qPrintable(service.logPath()), f.openFiles);
    std::fflush(stdout);
    // Its memory once it has settled, before anybody connects.
    QThread::msleep(1000);
    f.rssBeforeKb = service.rssKb();

    QProcess generator;
    generator.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    generator.start(
        options.generator,
        QStringList{QStringLiteral("--port"), QString::number(port), QStringLiteral("--acks")}
            << options.generatorArgs);
    if (!generator.waitForStarted(10'000)) {
        f.failure = QStringLiteral("could not start ") + options.generator;
        return f;
    }
    const int gpid = int(generator.processId());
    Snapshot whole, phase;
    whole.take(service.pid(), gpid);
    QElapsedTimer clock;
    clock.start();
    RoundMemory* open = nullptr; // the round whose relays are open now
    QElapsedTimer lastRead;
    lastRead.start();

    auto onLine = [&](const QByteArray& line) {
        if (f.take(line, double(clock.elapsed()) / 1e3, "relay_bench") != "phase")
            return;
        const QByteArray what = line.split(' ').value(1);
        // Up to the generator's last phase line: once it has ended, its
        // times can no longer be read.
        f.whole = whole.since(service.pid(), gpid);
        const int round = wordAfter(line, "round=").toInt();
        if (round > 0 && int(f.rounds.size()) < round)
            f.rounds.resize(size_t(round));
        if (what == "latency-begin" || what == "throughput-begin") {
            phase.take(service.pid(), gpid);
        } else if (what == "latency-end") {
            f.latency = phase.since(service.pid(), gpid);
        } else if (what == "throughput-end") {
            f.throughput = phase.since(service.pid(), gpid);
        } else if (what == "tables-hosted") {
            f.rssTablesKb = service.rssKb();
            f.tcpTablesKb = tcpBuffersKb();
        } else if (what == "relays-open" && round > 0) {
            open = &f.rounds[size_t(round - 1)];
            open->openKb = open->maxOpenKb = service.rssKb();
            open->tcpKb = tcpBuffersKb();
        } else if (what == "relays-held" && round > 0) {
            RoundMemory& r = f.rounds[size_t(round - 1)];
            r.heldKb = service.rssKb();
            r.maxOpenKb = std::max(r.maxOpenKb, r.heldKb);
            open = nullptr;
        } else if (what == "relays-closed" && round > 0) {
            f.rounds[size_t(round - 1)].closedKb = service.rssKb();
        }
        // The generator holds still until it hears that the service was read.
        generator.write("go\n");
    };

    for (;;) {
        while (generator.canReadLine())
            onLine(generator.readLine().trimmed());
        if (open && lastRead.elapsed() >= 500) {
            open->maxOpenKb = std::max(open->maxOpenKb, service.rssKb());
            lastRead.restart();
        }
        if (generator.state() == QProcess::NotRunning)
            break;
        if (clock.elapsed() > kBudgetMs) {
            f.failure = QStringLiteral("the run did not finish in time");
            generator.kill();
            generator.waitForFinished(5000);
            break;
        }
        generator.waitForReadyRead(250);
    }
    while (generator.canReadLine())
        onLine(generator.readLine().trimmed());
    if (f.failure.isEmpty() &&
        (generator.exitStatus() != QProcess::NormalExit || generator.exitCode() != 0))
        f.failure =
            QStringLiteral("the load generator ended with status %1").arg(generator.exitCode());
    f.peakRssKb = service.peakRssKb();
    f.serviceEnd = service.stop();
    f.loadAfter = loadAverage();
    return f;
}
