// SPDX-License-Identifier: GPL-3.0-or-later
// The load bench: `make bench` runs it. The real `vorlix --server` in a child
// process, eight loopback players of the bench's own, and five cases: quiet;
// one player flooding chat at 1,000 messages a second; seven at 16 a second;
// one at 90 a second; a ninth connection that logs in and leaves in a loop.
// It prints a table and the goals; nothing here is a test.

#include "benchrun.h"

#include <QCoreApplication>

#include <algorithm>
#include <cstdio>
#include <fstream>

namespace {

constexpr std::uint16_t kPort = 18190;

double quantileMs(std::vector<Micros> v, double q) {
    if (v.empty())
        return -1;
    std::sort(v.begin(), v.end());
    return double(v[std::min(v.size() - 1, size_t(q * double(v.size())))]) / 1000.0;
}

double maxMs(const std::vector<Micros>& v) {
    return v.empty() ? -1 : double(*std::max_element(v.begin(), v.end())) / 1000.0;
}

QString loadAverage() {
    std::ifstream f("/proc/loadavg");
    std::string a, b, c;
    f >> a >> b >> c;
    return QString::fromStdString(a + " " + b + " " + c);
}

QString cutText(const CaseResult& r) {
    if (r.flooderCutMs.empty())
        return QStringLiteral("-");
    Micros worst = 0;
    int kept = 0;
    for (Micros ms : r.flooderCutMs) {
        if (ms < 0)
            ++kept;
        else
            worst = std::max(worst, ms);
    }
    if (kept == int(r.flooderCutMs.size()))
        return QStringLiteral("none cut");
    return QStringLiteral("%1 ms%2").arg(worst).arg(kept ? QStringLiteral(" (%1 kept)").arg(kept)
                                                         : QString());
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const std::vector<CaseSpec> cases = {
        {QStringLiteral("quiet"), {}, 0, false},
        {QStringLiteral("1 x 1000/s"), {8}, 1000, false},
        {QStringLiteral("7 x 16/s"), {2, 3, 4, 5, 6, 7, 8}, 16, false},
        {QStringLiteral("1 x 90/s"), {8}, 90, false},
        {QStringLiteral("reconnect loop"), {}, 0, true},
    };
    std::printf("net_bench: load average before %s\n", qPrintable(loadAverage()));
    BenchRun bench(kPort);
    QString error;
    if (!bench.start(error)) {
        std::fprintf(stderr, "net_bench: %s\n", qPrintable(error));
        return 1;
    }
    std::printf("%-15s %8s %8s %9s %9s %9s %10s  %s\n", "case", "rtt p50", "rtt p99", "spread50",
                "spread99", "spreadmax", "flooder", "server RSS MB before/peak/after");
    long lowest = 1L << 40, highest = 0;
    bool rttOk = true, cutOk = true, spreadOk = true;
    for (const CaseSpec& plan : cases) {
        const CaseResult r = bench.run(plan);
        std::printf("%-15s %6.2fms %6.2fms %7.2fms %7.2fms %7.2fms %10s  %.1f/%.1f/%.1f\n",
                    qPrintable(plan.name), quantileMs(r.roundTrips, 0.5),
                    quantileMs(r.roundTrips, 0.99), quantileMs(r.spreads, 0.5),
                    quantileMs(r.spreads, 0.99), maxMs(r.spreads), qPrintable(cutText(r)),
                    r.rssBeforeKb / 1024.0, r.rssPeakKb / 1024.0, r.rssAfterKb / 1024.0);
        if (plan.reconnectLoop)
            std::printf("%-15s %d connects: %d seated, %d told full, %d refused unheard; "
                        "player 1 heard %d arrivals, %d departures\n",
                        "", r.loopConnects, r.loopGreeted, r.loopFull, r.loopRefused,
                        r.arrivalsHeard, r.departuresHeard);
        std::printf("%-15s %zu round trips, %zu judged words spread\n", "", r.roundTrips.size(),
                    r.spreads.size());
        lowest = std::min({lowest, r.rssBeforeKb, r.rssAfterKb});
        highest = std::max(highest, r.rssPeakKb);
        if (!plan.flooders.empty() || plan.reconnectLoop)
            rttOk = rttOk && quantileMs(r.roundTrips, 0.99) < 30;
        if (plan.floodPerSecond > 20)
            for (Micros ms : r.flooderCutMs)
                cutOk = cutOk && ms >= 0 && ms <= 3000;
        spreadOk = spreadOk && maxMs(r.spreads) <= 5;
    }
    std::printf("\nGoals:\n");
    std::printf("  good players' round trip p99 under 30 ms in every flood case: %s\n",
                rttOk ? "met" : "NOT met");
    std::printf("  each flooder above the rate limit cut within 3 s: %s\n",
                cutOk ? "met" : "NOT met");
    std::printf("  a judged word reaches every player within 5 ms of the first: %s\n",
                spreadOk ? "met" : "NOT met");
    std::printf("  server resident memory within 10 MB across cases: %s (%.1f to %.1f MB; "
                "peak of the process %.1f MB)\n",
                highest - lowest <= 10 * 1024 ? "met" : "NOT met", lowest / 1024.0,
                highest / 1024.0, bench.serverPeakRssKb() / 1024.0);
    std::printf("net_bench: load average after %s\n", qPrintable(loadAverage()));
    return 0;
}
