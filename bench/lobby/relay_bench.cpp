// SPDX-License-Identifier: GPL-3.0-or-later
// The lobby service's relay bench: `make bench` runs it. The real
// `kestrunlobby --server` in a child process, the load generator relay_load
// in another (relay_load.cpp tells what it does), every limit of the service
// on. It measures what the relay adds to a word's round trip, one relayed
// connection's throughput, and the service's memory with 1,000 relayed
// players over 200 tables; and prints one table of figure, measured, goal and
// whether it was met, with how busy the machine was meanwhile. Exit 0 when
// the run completed (a goal missed is a finding, not a failure), 1 when it
// could not run, 2 for a bad command line.
//
//   relay_bench [--samples N] [--megabytes N] [--seconds S] [--tables N]
//               [--players N] [--hold S] [--rounds N]
//
// Nothing is sent anywhere but loopback.

#include "relaydriver.h"

#include <QCoreApplication>

#include <algorithm>
#include <cstdio>

namespace {

struct Row {
    QString figure, measured, goal;
    bool met = false;
    bool skipped = false; // the command line left the measurement out
};

bool has(const RelayFigures& f, const char* result) {
    return f.results.contains(QLatin1String(result));
}

Row skipped(const QString& figure, const QString& goal) {
    return {figure, QStringLiteral("not measured this time"), goal, false, true};
}

QString text(const RelayFigures& f, const char* result, const char* key) {
    return f.results.value(QLatin1String(result)).value(QLatin1String(key), QStringLiteral("?"));
}

double number(const RelayFigures& f, const char* result, const char* key) {
    bool ok = false;
    const double v = text(f, result, key).toDouble(&ok);
    return ok ? v : -1;
}

QString mb(long kb) {
    return QString::number(double(kb) / 1024.0, 'f', 1) + QStringLiteral(" MB");
}

QString msText(double v) {
    return v < 0 ? QStringLiteral("none") : QString::number(v, 'f', 3) + QStringLiteral(" ms");
}

Row latencyRow(const RelayFigures& f, int samples) {
    if (!has(f, "latency"))
        return skipped(QStringLiteral("round trip added by the relay, p99"),
                       QStringLiteral("< 2 ms"));
    const double relay = number(f, "latency", "relay_p99"),
                 direct = number(f, "latency", "direct_p99");
    const double added = relay - direct;
    const bool complete =
        number(f, "latency", "samples") == samples && number(f, "latency", "wrong") == 0;
    return {QStringLiteral("round trip added by the relay, p99"),
            QStringLiteral("%1 (relay p50 %2, p99 %3, max %4; direct p50 %5, p99 %6, max %7; "
                           "%8 each way%9)")
                .arg(msText(added), msText(number(f, "latency", "relay_p50")), msText(relay),
                     msText(number(f, "latency", "relay_max")),
                     msText(number(f, "latency", "direct_p50")), msText(direct),
                     msText(number(f, "latency", "direct_max")), text(f, "latency", "samples"),
                     complete ? QString() : QStringLiteral("; SOME ANSWERS WRONG OR MISSING")),
            QStringLiteral("< 2 ms"), relay >= 0 && direct >= 0 && added < 2 && complete};
}

double mibPerSecond(const RelayFigures& f, const char* result) {
    const double s = number(f, result, "seconds");
    return s > 0 ? number(f, result, "received") / s / (1024.0 * 1024.0) : -1;
}

bool intact(const RelayFigures& f, const char* result) {
    return number(f, result, "sent") > 0 &&
           number(f, result, "received") == number(f, result, "sent") &&
           number(f, result, "corrupt_reads") == 0 && text(f, result, "end_passed") == "yes";
}

QString transferText(const RelayFigures& f, const char* result) {
    if (intact(f, result))
        return QStringLiteral("intact");
    return QStringLiteral("BYTES LOST, CORRUPTED OR THE END NOT PASSED ON: received %1 of %2, "
                          "%3 reads wrong, end passed %4")
        .arg(text(f, result, "received"), text(f, result, "sent"), text(f, result, "corrupt_reads"),
             text(f, result, "end_passed"));
}

// Judged by the slower way: a game's server sends more than its players.
Row throughputRow(const RelayFigures& f) {
    if (!has(f, "relayed"))
        return skipped(QStringLiteral("throughput of one relayed connection"),
                       QStringLiteral(">= 50 MB/s"));
    const double there = mibPerSecond(f, "relayed"), back = mibPerSecond(f, "relayed_back");
    return {QStringLiteral("throughput of one relayed connection"),
            QStringLiteral("%1 MiB/s player to host, %2 MiB/s back (%3 MiB each way: %4, %5; "
                           "direct %6 and %7 MiB/s)")
                .arg(there, 0, 'f', 1)
                .arg(back, 0, 'f', 1)
                .arg(number(f, "relayed", "sent") / (1024.0 * 1024.0), 0, 'f', 1)
                .arg(transferText(f, "relayed"), transferText(f, "relayed_back"))
                .arg(mibPerSecond(f, "direct"), 0, 'f', 1)
                .arg(mibPerSecond(f, "direct_back"), 0, 'f', 1),
            QStringLiteral(">= 50 MB/s"),
            std::min(there, back) >= 50 && intact(f, "relayed") && intact(f, "relayed_back")};
}

Row memoryRow(const RelayFigures& f, int players, int tables) {
    if (f.rounds.empty())
        return skipped(
            QStringLiteral("service memory, %1 relays over %2 tables").arg(players).arg(tables),
            QStringLiteral("< 100 MB"));
    long most = 0;
    bool allOpen = !f.rounds.empty();
    for (size_t r = 0; r < f.rounds.size(); ++r) {
        most = std::max(most, f.rounds[r].maxOpenKb);
        const QString key = QStringLiteral("round%1").arg(r + 1);
        allOpen = allOpen &&
                  f.results.value(key).value(QStringLiteral("open")) == QString::number(players);
    }
    const long first = f.rounds.empty() ? 0 : f.rounds[0].openKb;
    return {QStringLiteral("service memory, %1 relays over %2 tables").arg(players).arg(tables),
            QStringLiteral("%1 at most while open (%2 before anybody came, %3 with the tables, "
                           "%4 with the relays: %5 KB a relay%6)")
                .arg(mb(most), mb(f.rssBeforeKb), mb(f.rssTablesKb), mb(first))
                .arg(double(first - f.rssTablesKb) / std::max(players, 1), 0, 'f', 1)
                .arg(allOpen ? QString() : QStringLiteral("; NOT EVERY RELAY OPENED")),
            QStringLiteral("< 100 MB"), allOpen && most > 0 && most < 100 * 1024};
}

QString loadText(const PhaseLoad& p, int cpus) {
    if (!p.measured)
        return QStringLiteral("not measured");
    const double capacity = p.wallS * std::max(cpus, 1) / 100.0;
    return QStringLiteral("%1 s; service %2 %, generator %3 %, everything else %4 % of the "
                          "machine's %5 CPUs; waited for a CPU: service %6 s, generator %7 s")
        .arg(p.wallS, 0, 'f', 1)
        .arg(p.serviceS / capacity, 0, 'f', 0)
        .arg(p.generatorS / capacity, 0, 'f', 0)
        .arg(p.othersS / capacity, 0, 'f', 0)
        .arg(cpus)
        .arg(p.serviceWaitS, 0, 'f', 2)
        .arg(p.generatorWaitS, 0, 'f', 2);
}

bool parse(const QStringList& args, RelayBenchOptions& o, int& samples) {
    const QStringList keys = {QStringLiteral("--samples"), QStringLiteral("--megabytes"),
                              QStringLiteral("--seconds"), QStringLiteral("--tables"),
                              QStringLiteral("--players"), QStringLiteral("--hold"),
                              QStringLiteral("--rounds")};
    for (qsizetype i = 1; i + 1 < args.size(); i += 2) {
        bool ok = false;
        const int v = args[i + 1].toInt(&ok);
        if (!keys.contains(args[i]) || !ok || v < 0)
            return false;
        o.generatorArgs << args[i] << args[i + 1];
        if (args[i] == QLatin1String("--players"))
            o.players = v;
        else if (args[i] == QLatin1String("--tables"))
            o.tables = v;
        else if (args[i] == QLatin1String("--samples"))
            samples = v;
    }
    return args.size() % 2 == 1;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    RelayBenchOptions options;
    options.service = QStringLiteral(LOBBY_SERVICE_BINARY);
    options.generator = QStringLiteral(RELAY_LOAD_BINARY);
    int samples = 20'000;
    if (!parse(app.arguments(), options, samples)) {
        std::fprintf(stderr, "usage: relay_bench [--samples N] [--megabytes N] [--seconds S] "
                             "[--tables N] [--players N] [--hold S] [--rounds N]\n");
        return 2;
    }
    const RelayFigures f = runRelayBench(options);
    if (!f.failure.isEmpty()) {
        std::printf("relay_bench: could not run: %s\nthe service ended with %s; its log: %s\n",
                    qPrintable(f.failure), qPrintable(f.serviceEnd), qPrintable(f.logPath));
        return 1;
    }
    std::printf("\nrelay_bench: one service process, one single-threaded generator; %d relayed "
                "players over %d invite tables (hosts and players each on loopback addresses of "
                "their own kind), the service's limits on\n",
                options.players, options.tables);
    std::printf("relay_bench: load average before %s, after %s; open-files limit %ld (hard %ld)\n",
                qPrintable(f.loadBefore), qPrintable(f.loadAfter), f.openFiles, f.openFilesHard);
    std::printf("\n%-40s %-62s %-10s %s\n", "figure", "measured", "goal", "");
    for (const Row& r :
         {latencyRow(f, samples), throughputRow(f), memoryRow(f, options.players, options.tables)})
        std::printf("%-40s %-62s %-10s %s\n", qPrintable(r.figure), qPrintable(r.measured),
                    qPrintable(r.goal),
                    r.skipped ? "-"
                    : r.met   ? "met"
                              : "NOT met");
    std::printf("\nmachine while the round trips were timed: %s\n",
                qPrintable(loadText(f.latency, f.cpus)));
    std::printf("machine during the transfers: %s\n", qPrintable(loadText(f.throughput, f.cpus)));
    std::printf("machine over the whole run: %s\n", qPrintable(loadText(f.whole, f.cpus)));
    for (size_t r = 0; r < f.rounds.size(); ++r)
        std::printf("round %zu: service RSS %s with every relay open, %s at most, %s after the "
                    "hold, %s once they were closed\n",
                    r + 1, qPrintable(mb(f.rounds[r].openKb)),
                    qPrintable(mb(f.rounds[r].maxOpenKb)), qPrintable(mb(f.rounds[r].heldKb)),
                    qPrintable(mb(f.rounds[r].closedKb)));
    if (!f.rounds.empty())
        std::printf("kernel TCP buffers of the machine (every socket, both ends of each loopback "
                    "connection; in nobody's RSS): %s with the tables, %s with round 1's relays\n",
                    qPrintable(mb(f.tcpTablesKb)), qPrintable(mb(f.rounds[0].tcpKb)));
    std::printf("service: peak RSS %s over the run; it ended with %s\n",
                qPrintable(mb(f.peakRssKb)), qPrintable(f.serviceEnd));
    f.print();
    return 0;
}
