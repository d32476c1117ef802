// SPDX-License-Identifier: GPL-3.0-or-later
#include "benchdriver.h"

#include "discoveryprobe.h"
#include "serviceprocess.h"

#include <QCoreApplication>
#include <QTimer>

#include <chrono>
#include <cstdio>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// Descriptors beyond the clients: the listener, logs, the store, libraries.
constexpr long kSpareFiles = 200;

std::int64_t nowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

SchedTimes since(int pid, const SchedTimes& before) {
    const SchedTimes now = schedTimes(pid);
    return {now.runS - before.runS, now.waitS - before.waitS};
}

} // namespace

BenchDriver::BenchDriver(BenchOptions options, QObject* parent)
    : QObject(parent), m_options(std::move(options)) {}

BenchDriver::~BenchDriver() {
    if (m_generator && m_generator->state() != QProcess::NotRunning) {
        m_generator->kill();
        m_generator->waitForFinished(5000);
    }
}

void BenchDriver::start() {
    m_startNs = nowNs();
    m_figures.loadBefore = loadAverage();
    // The service and the generator each hold a descriptor per client, and
    // both inherit this limit.
    const long wanted = m_options.clients + m_options.resolvers + kSpareFiles;
    m_figures.openFiles = raiseOpenFiles(wanted, &m_figures.openFilesHard);
    if (m_figures.openFiles < wanted) {
        m_figures.openFilesShort = true;
        const int fit = int(m_figures.openFiles - m_options.resolvers - kSpareFiles);
        std::printf("lobby_bench: the open-files limit can be raised to %ld only, not the %ld "
                    "that %d clients need: running %d clients instead\n",
                    m_figures.openFiles, wanted, m_options.clients, std::max(fit, 0));
        m_options.clients = std::max(fit, 0);
        m_options.tables = std::min(m_options.tables, m_options.clients);
        if (m_options.tables <= 0) {
            fail(QStringLiteral("too few open files for any client"));
            return;
        }
    }
    const quint16 port = freePort(SOCK_STREAM);
    m_service = std::make_unique<ServiceProcess>();
    QString error;
    if (port == 0 || !m_service->start(m_options.service, m_options.wrapper, port, error)) {
        fail(port == 0 ? QStringLiteral("no free port") : error);
        return;
    }
    std::printf("lobby_bench: service pid %d on 127.0.0.1:%u (log %s), open-files limit %ld\n",
                m_service->pid(), port, qPrintable(m_service->logPath()), m_figures.openFiles);
    std::fflush(stdout);
    // Its memory once it has settled, before anybody connects.
    QTimer::singleShot(1000, this, [this, port] {
        m_figures.rssBeforeKb = m_service->rssKb();
        m_generator = new QProcess(this);
        m_generator->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        connect(m_generator, &QProcess::readyReadStandardOutput, this, [this] {
            m_pending += m_generator->readAllStandardOutput();
            qsizetype end;
            while ((end = m_pending.indexOf('\n')) >= 0) {
                onLine(m_pending.left(end));
                m_pending.remove(0, end + 1);
            }
        });
        connect(m_generator, &QProcess::finished, this, &BenchDriver::onGeneratorEnded);
        const QStringList args = {
            QStringLiteral("--port"),      QString::number(port),
            QStringLiteral("--clients"),   QString::number(m_options.clients),
            QStringLiteral("--tables"),    QString::number(m_options.tables),
            QStringLiteral("--rate"),      QString::number(m_options.rate),
            QStringLiteral("--idle"),      QString::number(m_options.idleSeconds),
            QStringLiteral("--load"),      QString::number(m_options.loadSeconds),
            QStringLiteral("--workers"),   QString::number(m_options.workers),
            QStringLiteral("--resolvers"), QString::number(m_options.resolvers)};
        m_generator->start(m_options.generator, args);
        if (!m_generator->waitForStarted(10'000))
            fail(QStringLiteral("could not start ") + m_options.generator);
    });
    // However the generator fares, the run ends: setup may take ten minutes.
    const int budgetS = 900 + m_options.idleSeconds + m_options.loadSeconds + 60;
    QTimer::singleShot(budgetS * 1000, this,
                       [this] { fail(QStringLiteral("the run did not finish in time")); });
}

double BenchDriver::cpuPercentSince(long long ticks, std::int64_t sinceNs) const {
    const double seconds = double(nowNs() - sinceNs) / 1e9;
    const double cpu = double(m_service->cpuTicks() - ticks) / double(::sysconf(_SC_CLK_TCK));
    return seconds > 0 ? 100.0 * cpu / seconds : -1;
}

void BenchDriver::onLine(const QByteArray& line) {
    const QByteArray kind = m_figures.take(line, double(nowNs() - m_startNs) / 1e9, "lobby_bench");
    const QByteArray what = line.split(' ').value(1);
    if (kind == "phase" && (what == "idle-begin" || what == "load-begin")) {
        if (what == "idle-begin")
            m_figures.rssWithKb = m_service->rssKb();
        m_ticks = m_service->cpuTicks();
        m_sched = schedTimes(m_service->pid());
        m_generatorSched = schedTimes(int(m_generator->processId()));
        m_phaseNs = nowNs();
        if (what == "load-begin") {
            m_probe = new DiscoveryProbe(this);
            QString error;
            if (!m_probe->start(error))
                fail(error);
        }
    } else if (kind == "phase" && what == "idle-end") {
        m_figures.idleSeconds = double(nowNs() - m_phaseNs) / 1e9;
        m_figures.idleCpuPercent = cpuPercentSince(m_ticks, m_phaseNs);
        m_figures.idle = since(m_service->pid(), m_sched);
    } else if (kind == "phase" && what == "load-end") {
        m_figures.loadCpuPercent = cpuPercentSince(m_ticks, m_phaseNs);
        m_figures.load = since(m_service->pid(), m_sched);
        m_figures.generatorLoad = since(int(m_generator->processId()), m_generatorSched);
        m_figures.rssAfterLoadKb = m_service->rssKb();
        if (m_probe) {
            connect(m_probe, &DiscoveryProbe::done, this, [this] {
                if (m_generatorDone)
                    end();
            });
            m_probe->stop();
        }
    }
}

void BenchDriver::onGeneratorEnded(int exitCode, QProcess::ExitStatus status) {
    m_generatorDone = true;
    if (status != QProcess::NormalExit || exitCode != 0) {
        fail(m_figures.failure.isEmpty()
                 ? QStringLiteral("the load generator ended with status %1").arg(exitCode)
                 : m_figures.failure);
        return;
    }
    if (!m_probe || m_probe->finished())
        end();
}

void BenchDriver::fail(const QString& why) {
    if (m_figures.failure.isEmpty())
        m_figures.failure = why;
    if (m_generator && m_generator->state() != QProcess::NotRunning) {
        m_generator->kill();
        m_generator->waitForFinished(5000);
    }
    end();
}

void BenchDriver::end() {
    if (m_ended)
        return;
    m_ended = true;
    if (m_probe) {
        m_figures.discoveryNs = m_probe->roundTripsNs();
        m_figures.discoveryAsked = m_probe->asked();
        m_figures.discoveryUnanswered = m_probe->unanswered();
        m_figures.discoveryWrong = m_probe->wrong();
    }
    if (m_service && m_service->running()) {
        m_figures.peakRssKb = m_service->peakRssKb();
        m_figures.serviceEnd = m_service->stop();
    }
    m_figures.loadAfter = loadAverage();
    QTimer::singleShot(0, this, &BenchDriver::finished);
}
