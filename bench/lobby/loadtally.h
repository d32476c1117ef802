// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What one worker of the load generator saw, and how the workers' tallies
// become the figures it prints. Nothing here is estimated: every receipt of
// every change is counted, every answer timed.

#include <QString>

#include <cstdint>
#include <map>
#include <vector>

// Latencies in buckets of 100 us up to 10 s (and one above), so that tens of
// millions of receipts cost a fixed 400 KB; quantiles are exact to a bucket.
class LatencyHistogram {
public:
    LatencyHistogram();
    void add(std::int64_t ns);
    void merge(const LatencyHistogram& other);
    std::int64_t count() const { return m_count; }
    double quantileMs(double q) const; // upper edge of the bucket; -1 when empty
    double maxMs() const { return m_count ? double(m_max) / 1e6 : -1; }

private:
    std::vector<std::uint32_t> m_buckets;
    std::int64_t m_count = 0;
    std::int64_t m_max = 0;
};

struct WorkerTally {
    // Per change slot (LoadShared::changeSlot): the latest arrival of that
    // change at any of the worker's watchers, realtime ns; 0: none yet.
    std::vector<std::int64_t> lastArrival;
    // Per table: the oldest round any of the worker's connected watchers
    // holds at the end; a change of a later round did not reach everybody.
    std::vector<int> minRound;
    LatencyHistogram receipts; // every watcher's receipt of every change

    std::vector<std::int64_t> resolveNs;
    int found = 0, unknown = 0, wrong = 0, unanswered = 0;

    std::int64_t changesSent = 0;
    std::int64_t changesUnsent = 0; // their host was gone
    std::int64_t superseded = 0;    // credited by a later round of the table
    std::int64_t stale = 0;         // an older round after a newer one
    std::int64_t gone = 0;          // GONE lines heard
    std::int64_t foreign = 0;       // TABLE lines of codes the generator never hosted
    std::int64_t unexpected = 0;    // lines no step of the generator asked for

    int hosted = 0, listed = 0, resolversReady = 0;
    int snapshotShort = 0; // watchers whose WATCH answer missed tables
    int watchersAtEnd = 0;
    int lost[3] = {0, 0, 0};       // by LoadClient::Role, closed by the service
    std::map<QString, int> byes;   // BYE reasons heard
    std::map<QString, int> errors; // ERROR requests heard

    std::int64_t readsStamped = 0, readsUnstamped = 0;
    std::int64_t bytesIn = 0, linesIn = 0;
};

// Quantile of a sorted list in ms; -1 when empty.
double quantileMs(const std::vector<std::int64_t>& sortedNs, double q);
