// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// lobby_bench's run: the service started (serviceprocess.h), the load
// generator lobby_load started beside it and followed through its phases,
// the service's memory and CPU time read from /proc at the phase changes,
// discovery timed while the load runs (discoveryprobe.h), and everything
// stopped again. The figures are only what was measured; a run that could
// not be made says why in `failure`.

#include <QMap>
#include <QObject>
#include <QProcess>
#include <QString>
#include <QStringList>

#include "generatorlines.h"
#include "serviceprocess.h"

#include <cstdint>
#include <memory>
#include <vector>

class DiscoveryProbe;

struct BenchOptions {
    int clients = 10'000;
    int tables = 2'000;
    int rate = 200; // changes a second in all
    int idleSeconds = 30;
    int loadSeconds = 30;
    int workers = 2; // generator threads
    int resolvers = 8;
    QStringList wrapper; // the service runs under this command, if any
    QString service;     // kestrunlobby
    QString generator;   // lobby_load
};

struct BenchFigures : GeneratorLines {
    long openFiles = 0, openFilesHard = 0;
    bool openFilesShort = false; // the limit could not be raised far enough
    QString loadBefore, loadAfter;
    long rssBeforeKb = 0, rssWithKb = 0, rssAfterLoadKb = 0, peakRssKb = 0;
    double idleCpuPercent = -1, idleSeconds = 0;
    double loadCpuPercent = -1;
    // Time on a CPU and waiting for one: the service's over the idle and the
    // load phase, the generator's over the load phase.
    SchedTimes idle, load, generatorLoad;
    std::vector<std::int64_t> discoveryNs;
    int discoveryAsked = 0, discoveryUnanswered = 0, discoveryWrong = 0;
    QString serviceEnd;
};

class BenchDriver : public QObject {
    Q_OBJECT
public:
    BenchDriver(BenchOptions options, QObject* parent = nullptr);
    ~BenchDriver() override;

    // Begins the run; finished() comes once it is over, either way.
    void start();
    const BenchFigures& figures() const { return m_figures; }
    const BenchOptions& options() const { return m_options; }

signals:
    void finished();

private:
    void startGenerator();
    void onLine(const QByteArray& line);
    void onGeneratorEnded(int exitCode, QProcess::ExitStatus status);
    void fail(const QString& why);
    void end();
    double cpuPercentSince(long long ticks, std::int64_t sinceNs) const;

    BenchOptions m_options;
    BenchFigures m_figures;
    std::unique_ptr<ServiceProcess> m_service;
    QProcess* m_generator = nullptr;
    DiscoveryProbe* m_probe = nullptr;
    QByteArray m_pending; // the generator's output after its last line end
    long long m_ticks = 0;
    SchedTimes m_sched, m_generatorSched;
    std::int64_t m_phaseNs = 0;
    std::int64_t m_startNs = 0;
    bool m_generatorDone = false;
    bool m_ended = false;
};
