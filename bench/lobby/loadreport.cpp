// SPDX-License-Identifier: GPL-3.0-or-later
#include "loadreport.h"

#include <QByteArray>

#include <algorithm>
#include <cstdio>
#include <limits>

namespace {

constexpr std::int64_t kNever = std::numeric_limits<std::int64_t>::max();

QByteArray ms(double v) {
    return v < 0 ? QByteArray("none") : v > 1e9 ? QByteArray("inf") : QByteArray::number(v, 'f', 2);
}

QByteArray counts(const std::map<QString, int>& m) {
    QByteArray out;
    for (const auto& [word, n] : m)
        out += ' ' + word.toUtf8() + '=' + QByteArray::number(n);
    return out.isEmpty() ? QByteArray(" none=0") : out;
}

} // namespace

void printReport(const LoadShared& shared, const std::vector<const WorkerTally*>& tallies,
                 double generatorCpuPercent) {
    const LoadPlan& plan = shared.plan;
    WorkerTally all;
    all.lastArrival.assign(tallies.front()->lastArrival.size(), 0);
    all.minRound.assign(size_t(plan.tables), lobbywire::kMaxRounds + 1);
    for (const WorkerTally* t : tallies) {
        for (size_t i = 0; i < all.lastArrival.size(); ++i)
            all.lastArrival[i] = std::max(all.lastArrival[i], t->lastArrival[i]);
        for (size_t i = 0; i < all.minRound.size(); ++i)
            all.minRound[i] = std::min(all.minRound[i], t->minRound[i]);
        all.receipts.merge(t->receipts);
        all.resolveNs.insert(all.resolveNs.end(), t->resolveNs.begin(), t->resolveNs.end());
        all.found += t->found;
        all.unknown += t->unknown;
        all.wrong += t->wrong;
        all.unanswered += t->unanswered;
        all.changesSent += t->changesSent;
        all.changesUnsent += t->changesUnsent;
        all.superseded += t->superseded;
        all.stale += t->stale;
        all.gone += t->gone;
        all.foreign += t->foreign;
        all.unexpected += t->unexpected;
        all.hosted += t->hosted;
        all.listed += t->listed;
        all.resolversReady += t->resolversReady;
        all.snapshotShort += t->snapshotShort;
        all.watchersAtEnd += t->watchersAtEnd;
        for (int r = 0; r < 3; ++r)
            all.lost[r] += t->lost[r];
        for (const auto& [w, n] : t->byes)
            all.byes[w] += n;
        for (const auto& [w, n] : t->errors)
            all.errors[w] += n;
        all.readsStamped += t->readsStamped;
        all.readsUnstamped += t->readsUnstamped;
        all.bytesIn += t->bytesIn;
        all.linesIn += t->linesIn;
    }

    // A change reached everybody when every watcher still connected at the
    // end holds its round or a later one; it took from its sending to its
    // last arrival. One that did not counts as never delivered.
    std::vector<std::int64_t> delivery;
    int incomplete = 0;
    for (int k = 0; k < plan.totalChanges(); ++k) {
        const int t = shared.order[size_t(k % plan.tables)];
        const int round = 2 + k / plan.tables;
        const size_t slot = shared.changeSlot(t, round);
        const std::int64_t sent = shared.sentAt[slot].load();
        if (sent == 0)
            continue;
        if (all.watchersAtEnd > 0 && round <= all.minRound[size_t(t)] && all.lastArrival[slot]) {
            delivery.push_back(all.lastArrival[slot] - sent);
        } else {
            delivery.push_back(kNever);
            ++incomplete;
        }
    }
    std::sort(delivery.begin(), delivery.end());
    std::sort(all.resolveNs.begin(), all.resolveNs.end());

    std::printf("result setup tables=%d hosted=%d clients=%d listed=%d snapshot_short=%d "
                "resolvers=%d ready=%d addresses=%d\n",
                plan.tables, all.hosted, plan.clients, all.listed, all.snapshotShort,
                plan.resolvers, all.resolversReady,
                (plan.clients + plan.perAddress - 1) / plan.perAddress + plan.resolvers);
    std::printf("result changes scheduled=%d sent=%lld unsent=%lld complete=%zu incomplete=%d "
                "superseded=%lld stale=%lld gone=%lld foreign=%lld\n",
                plan.totalChanges(), (long long)all.changesSent, (long long)all.changesUnsent,
                delivery.size() - size_t(incomplete), incomplete, (long long)all.superseded,
                (long long)all.stale, (long long)all.gone, (long long)all.foreign);
    std::printf(
        "result delivery p50=%s p99=%s max=%s count=%zu\n",
        ms(quantileMs(delivery, 0.5)).constData(), ms(quantileMs(delivery, 0.99)).constData(),
        ms(delivery.empty() ? -1 : double(delivery.back()) / 1e6).constData(), delivery.size());
    std::printf("result receipt p50=%s p99=%s max=%s count=%lld\n",
                ms(all.receipts.quantileMs(0.5)).constData(),
                ms(all.receipts.quantileMs(0.99)).constData(), ms(all.receipts.maxMs()).constData(),
                (long long)all.receipts.count());
    std::printf("result resolve p50=%s p99=%s max=%s count=%zu found=%d unknown=%d wrong=%d "
                "unanswered=%d\n",
                ms(quantileMs(all.resolveNs, 0.5)).constData(),
                ms(quantileMs(all.resolveNs, 0.99)).constData(),
                ms(all.resolveNs.empty() ? -1 : double(all.resolveNs.back()) / 1e6).constData(),
                all.resolveNs.size(), all.found, all.unknown, all.wrong, all.unanswered);
    std::printf("result lost hosts=%d watchers=%d resolvers=%d watching_at_end=%d\n", all.lost[1],
                all.lost[0], all.lost[2], all.watchersAtEnd);
    std::printf("result byes%s\n", counts(all.byes).constData());
    std::printf("result errors%s\n", counts(all.errors).constData());
    std::printf("result reads kernel_stamped=%lld unstamped=%lld bytes=%lld lines=%lld "
                "unexpected=%lld\n",
                (long long)all.readsStamped, (long long)all.readsUnstamped, (long long)all.bytesIn,
                (long long)all.linesIn, (long long)all.unexpected);
    std::printf("result generator workers=%d cpu_percent_under_load=%.0f\n", plan.workers,
                generatorCpuPercent);
    std::fflush(stdout);
}
