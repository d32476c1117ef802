// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the load generator does, and what its worker threads share. The main
// thread moves every worker through the phases together; a worker writes
// only its own clients and its own tally, and what it hands the others (the
// invite codes of its tables, the send times of its changes) is published
// before the phase change that lets them read it.

#include <QHash> // std::hash<QString>
#include <QString>

#include <atomic>
#include <cstdint>
#include <memory>
#include <unordered_map>
#include <vector>

struct LoadPlan {
    std::uint16_t port = 0;
    int clients = 10'000; // all of them WATCH; the first `tables` also HOST
    int tables = 2'000;
    int changesPerSecond = 200;
    int idleSeconds = 30;
    int loadSeconds = 30;
    int drainSeconds = 5; // for changes still on their way when the load ends
    int resolvers = 8;    // extra clients asking for invite codes
    int perAddress = 25;  // clients on one source address
    int workers = 2;
    int setupInFlight = 400; // clients between their first step and being ready
    std::uint32_t seed = 7772;

    // A resolver asks this often, and every `unknownEvery`th question is a
    // code no table holds: 3 lines a second and about 7 unknown codes a
    // minute, inside the service's line rate and guessing limit.
    std::int64_t askIntervalNs = 333'000'000;
    int unknownEvery = 25;
    // Idle clients ping as the lobby's own do: a host after 10 s without
    // sending (lobbywire::kHostPingSeconds), anybody else after 20 s.
    std::int64_t hostPingNs = 10'000'000'000;
    std::int64_t otherPingNs = 20'000'000'000;

    int totalChanges() const { return changesPerSecond * loadSeconds; }
    // Rounds a table goes through: 1 when listed, then one per change.
    int roundsCap() const { return 3 + (totalChanges() + tables - 1) / tables; }
    // Client i's source address: 127.1.x.y, `perAddress` clients each;
    // resolver r asks from 127.2.0.(r+1), an address of its own.
    std::uint32_t clientSource(int i) const {
        const int a = i / perAddress;
        return 0x7F010000u | std::uint32_t((a / 250) << 8) | std::uint32_t(a % 250 + 1);
    }
    std::uint32_t resolverSource(int r) const { return 0x7F020000u | std::uint32_t(r + 1); }
    int workerOf(int client) const { return client % workers; }
    std::uint16_t gamePort(int table) const { return std::uint16_t(20'000 + table % 40'000); }
};

enum class Phase : int { Hosting, Watching, Idle, Load, Drain, Stop };

struct LoadShared {
    explicit LoadShared(const LoadPlan& p)
        : plan(p), codes(std::size_t(p.tables)),
          sentAt(new std::atomic<std::int64_t>[std::size_t(p.tables) * p.roundsCap()]),
          settled(new std::atomic<int>[std::size_t(p.workers)]) {
        for (std::size_t i = 0; i < std::size_t(p.tables) * p.roundsCap(); ++i)
            sentAt[i].store(0, std::memory_order_relaxed);
        for (int w = 0; w < p.workers; ++w)
            settled[w].store(-1);
    }

    std::size_t changeSlot(int table, int round) const {
        return std::size_t(table) * std::size_t(plan.roundsCap()) + std::size_t(round);
    }

    const LoadPlan plan;
    std::atomic<Phase> phase{Phase::Hosting};
    // Realtime ns of change 0; changes follow every 1/changesPerSecond s.
    std::atomic<std::int64_t> loadStartNs{0};
    std::vector<int> order; // the tables in the order their changes come
    // Written by the table's own worker while hosting, read after.
    std::vector<QString> codes;
    std::unordered_map<QString, int> tableOfCode; // built between the phases
    // Realtime ns at which each change (table, round) went to the service.
    std::unique_ptr<std::atomic<std::int64_t>[]> sentAt;
    // Each worker: the last phase whose setup steps it has all done.
    std::unique_ptr<std::atomic<int>[]> settled;
    // Tables whose host heard the service's verdict on reaching them (REACH):
    // each verdict changes the table's entry for every watcher, so the idle
    // phase waits for all of them.
    std::atomic<int> tested{0};
};
