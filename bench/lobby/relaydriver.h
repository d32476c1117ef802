// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// relay_bench's run: the real service started (serviceprocess.h), the load
// generator relay_load beside it and followed phase by phase, the service's
// memory read from /proc while the generator holds still at each phase line
// (it waits for the driver's go-ahead), and while relays are open, every
// half second; the CPU time of both programs and of the whole machine over
// the timed phases, so that the figures can be read against what else the
// machine was doing. The figures are only what was measured; a run that
// could not be made says why in `failure`.

#include "generatorlines.h"
#include "serviceprocess.h"

#include <QMap>
#include <QString>
#include <QStringList>

#include <vector>

struct RelayBenchOptions {
    // Passed to relay_load as they are: --samples, --megabytes, ...
    QStringList generatorArgs;
    int players = 1'000;
    int tables = 200;
    QString service;   // kestrunlobby
    QString generator; // relay_load
};

// Time on a CPU over a phase: the service's, the generator's, and everybody
// else's on the machine; and how long the two waited for a CPU.
struct PhaseLoad {
    double wallS = 0;
    double serviceS = 0, generatorS = 0, othersS = 0;
    double serviceWaitS = 0, generatorWaitS = 0;
    bool measured = false;
};

struct RoundMemory {
    long openKb = 0;    // when every relay of the round was open
    long maxOpenKb = 0; // the most read while they were
    long heldKb = 0;    // at the end of the hold
    long closedKb = 0;  // once they were closed again
    long tcpKb = 0;     // the kernel's TCP buffers with every relay open
};

struct RelayFigures : GeneratorLines {
    long openFiles = 0, openFilesHard = 0;
    QString loadBefore, loadAfter;
    int cpus = 0;
    long rssBeforeKb = 0, rssTablesKb = 0, peakRssKb = 0;
    // The kernel's TCP buffers, all sockets of this network namespace (both
    // ends of every loopback connection): not in any process's RSS.
    long tcpTablesKb = 0;
    std::vector<RoundMemory> rounds;
    PhaseLoad latency, throughput, whole;
    QString serviceEnd;
    QString logPath;
};

// Runs the whole bench; the figures either way.
RelayFigures runRelayBench(const RelayBenchOptions& options);
