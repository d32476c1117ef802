// SPDX-License-Identifier: GPL-3.0-or-later
// lobby_load: the lobby service's load generator, run by lobby_bench in a
// process of its own. It connects the plan's clients to the service at
// 127.0.0.1:--port, moves them through the phases of loadworker.h, and tells
// its driver on standard output where it is, one line each:
//   phase <name> ...      as each phase begins (the driver reads the
//                         service's memory and CPU time around them)
//   result <name> k=v ... the figures, once the run is over
//   failed <why>          when it cannot go on; it then exits 1
// Nothing leaves loopback.

#include "generatorlines.h"
#include "loadreport.h"
#include "loadworker.h"
#include "lobbymessages.h"

#include <QByteArray>

#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <numeric>
#include <thread>

namespace {

// Time given to the last verdicts on the tables to reach every watcher before
// the service counts as idle.
constexpr double kVerdictsDeliveredS = 3.0;

double cpuSeconds() {
    rusage u{};
    ::getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

bool parse(int argc, char** argv, LoadPlan& plan) {
    for (int i = 1; i + 1 < argc; i += 2) {
        const char* key = argv[i];
        const long v = std::strtol(argv[i + 1], nullptr, 10);
        int* fields[] = {&plan.clients,      &plan.tables,      &plan.changesPerSecond,
                         &plan.idleSeconds,  &plan.loadSeconds, &plan.drainSeconds,
                         &plan.resolvers,    &plan.perAddress,  &plan.workers,
                         &plan.setupInFlight};
        const char* names[] = {"--clients", "--tables",   "--rate",      "--idle",
                               "--load",    "--drain",    "--resolvers", "--per-address",
                               "--workers", "--in-flight"};
        bool known = false;
        for (size_t f = 0; f < std::size(names); ++f)
            if (std::strcmp(key, names[f]) == 0) {
                *fields[f] = int(v);
                known = true;
            }
        if (std::strcmp(key, "--port") == 0) {
            plan.port = std::uint16_t(v);
            known = true;
        }
        if (!known)
            return false;
    }
    return plan.port != 0 && plan.tables > 0 && plan.clients >= plan.tables && plan.workers > 0 &&
           plan.perAddress > 0 && plan.changesPerSecond > 0 &&
           plan.roundsCap() <= lobbywire::kMaxRounds && plan.resolvers < 250 &&
           (plan.clients + plan.perAddress - 1) / plan.perAddress <= 250 * 250;
}

// Waits until every worker has done the phase's setup steps.
bool settle(LoadShared& shared, Phase phase, int seconds) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (std::chrono::steady_clock::now() < deadline) {
        bool all = true;
        for (int w = 0; w < shared.plan.workers; ++w)
            all = all && shared.settled[w].load(std::memory_order_acquire) == int(phase);
        if (all)
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
}

void sleepSeconds(double s) {
    std::this_thread::sleep_for(std::chrono::duration<double>(s));
}

} // namespace

int main(int argc, char** argv) {
    LoadPlan plan;
    if (!parse(argc, argv, plan)) {
        std::fprintf(stderr, "usage: lobby_load --port N [--clients N --tables N --rate N "
                             "--idle S --load S --drain S --resolvers N --per-address N "
                             "--workers N --in-flight N]\n");
        return 2;
    }
    LoadShared shared(plan);
    shared.order.resize(size_t(plan.tables));
    std::iota(shared.order.begin(), shared.order.end(), 0);
    std::shuffle(shared.order.begin(), shared.order.end(), std::mt19937(plan.seed));

    std::vector<std::unique_ptr<LoadWorker>> workers;
    for (int w = 0; w < plan.workers; ++w)
        workers.push_back(std::make_unique<LoadWorker>(w, shared));
    std::vector<std::thread> threads;
    for (auto& w : workers)
        threads.emplace_back([&w] { w->run(); });
    auto stop = [&] {
        shared.phase.store(Phase::Stop, std::memory_order_release);
        for (auto& t : threads)
            t.join();
    };

    const auto began = std::chrono::steady_clock::now();
    auto since = [&] {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
    };
    say("phase hosting");
    const bool hostedAll = settle(shared, Phase::Hosting, 300);
    for (int t = 0; t < plan.tables; ++t)
        if (!shared.codes[size_t(t)].isEmpty())
            shared.tableOfCode.emplace(shared.codes[size_t(t)], t);
    say("phase hosted tables=%zu of=%d complete=%s seconds=%.1f", shared.tableOfCode.size(),
        plan.tables, hostedAll ? "yes" : "no", since());
    if (shared.tableOfCode.empty()) {
        stop();
        say("failed the service registered no table");
        return 1;
    }
    shared.phase.store(Phase::Watching, std::memory_order_release);
    const bool listedAll = settle(shared, Phase::Watching, 600);
    say("phase listed complete=%s seconds=%.1f", listedAll ? "yes" : "no", since());
    // The service tests every table it registered, and its verdict goes to
    // every watcher: that burst belongs to no idle service.
    const auto testDeadline = std::chrono::steady_clock::now() + std::chrono::seconds(120);
    while (shared.tested.load(std::memory_order_acquire) < int(shared.tableOfCode.size()) &&
           std::chrono::steady_clock::now() < testDeadline)
        sleepSeconds(0.05);
    const int tested = shared.tested.load(std::memory_order_acquire);
    sleepSeconds(kVerdictsDeliveredS);
    say("phase tested tables=%d complete=%s seconds=%.1f", tested,
        tested >= int(shared.tableOfCode.size()) ? "yes" : "no", since());

    say("phase idle-begin");
    sleepSeconds(plan.idleSeconds);
    say("phase idle-end");

    const double cpuBefore = cpuSeconds();
    const auto loadBegan = std::chrono::steady_clock::now();
    shared.loadStartNs.store(realtimeNs() + 50'000'000, std::memory_order_release);
    shared.phase.store(Phase::Load, std::memory_order_release);
    say("phase load-begin");
    sleepSeconds(0.05 + plan.loadSeconds);
    const double cpuUsed = cpuSeconds() - cpuBefore;
    const double loadWall =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - loadBegan).count();
    shared.phase.store(Phase::Drain, std::memory_order_release);
    say("phase load-end");
    sleepSeconds(plan.drainSeconds);
    stop();
    std::vector<const WorkerTally*> tallies;
    for (auto& w : workers)
        tallies.push_back(&w->tally());
    printReport(shared, tallies, 100.0 * cpuUsed / loadWall);
    return 0;
}
