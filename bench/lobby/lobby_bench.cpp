// SPDX-License-Identifier: GPL-3.0-or-later
// The lobby service's load bench: `make bench` runs it. The real
// `kestrunlobby --server` in a child process; the load generator lobby_load in
// another, with its clients (10,000 by default, 2,000 of them hosting a
// public table, every one following the directory) spread over loopback
// source addresses within the service's per-address limits, which stay on.
// It measures how fast a table's change reaches every client, how fast an
// invite code is resolved under that load, the service's memory per client
// and its CPU time while idle, and how fast a table on this network answers
// discovery; and prints one table of figure, measured, goal and whether it
// was met. Exit 0 when the run completed (a goal missed is a finding, not a
// failure), 1 when it could not run, 2 for a bad command line.
//
//   lobby_bench [--clients N] [--tables N] [--rate N] [--idle S] [--load S]
//               [--workers N] [--wrap "valgrind --tool=callgrind"]
//
// Nothing is sent anywhere but loopback.

#include "benchdriver.h"

#include <QCoreApplication>

#include <algorithm>
#include <cstdio>

namespace {

struct Row {
    QString figure, measured, goal;
    bool met = false;
};

double number(const BenchFigures& f, const char* result, const char* key) {
    bool ok = false;
    const QString text = f.results.value(QLatin1String(result)).value(QLatin1String(key));
    const double v = text.toDouble(&ok);
    return ok ? v : text == QLatin1String("inf") ? 1e12 : -1;
}

QString text(const BenchFigures& f, const char* result, const char* key) {
    return f.results.value(QLatin1String(result)).value(QLatin1String(key), QStringLiteral("?"));
}

QString msText(double ms) {
    return ms < 0       ? QStringLiteral("none")
           : ms >= 1e12 ? QStringLiteral("never")
                        : QString::number(ms, 'f', 2) + QStringLiteral(" ms");
}

double quantileMs(std::vector<std::int64_t> v, double q) {
    if (v.empty())
        return -1;
    std::sort(v.begin(), v.end());
    return double(v[std::min(v.size() - 1, size_t(q * double(v.size() - 1) + 0.5))]) / 1e6;
}

std::vector<Row> rows(const BenchFigures& f, int clients) {
    std::vector<Row> out;
    const double d99 = number(f, "delivery", "p99");
    const double missed = number(f, "changes", "incomplete");
    QString delivery = QStringLiteral("%1 (p50 %2, max %3)")
                           .arg(msText(d99), msText(number(f, "delivery", "p50")),
                                msText(number(f, "delivery", "max")));
    if (missed != 0)
        delivery += QStringLiteral("; %1 of %2 changes not at every client by the end")
                        .arg(text(f, "changes", "incomplete"), text(f, "delivery", "count"));
    out.push_back({QStringLiteral("change reaches every client, p99"), delivery,
                   QStringLiteral("< 500 ms"), d99 >= 0 && d99 < 500 && missed == 0});
    const double r99 = number(f, "resolve", "p99");
    out.push_back({QStringLiteral("invite code resolved under load, p99"),
                   QStringLiteral("%1 (p50 %2, max %3, %4 asked)")
                       .arg(msText(r99), msText(number(f, "resolve", "p50")),
                            msText(number(f, "resolve", "max")), text(f, "resolve", "count")),
                   QStringLiteral("< 20 ms"),
                   r99 >= 0 && r99 < 20 && number(f, "resolve", "wrong") == 0 &&
                       number(f, "resolve", "unanswered") == 0});
    // Those that finished their setup: every watcher listed, every resolver
    // welcomed, when the service's memory was read.
    const int connected = int(number(f, "setup", "listed") + number(f, "setup", "ready")) > 0
                              ? int(number(f, "setup", "listed") + number(f, "setup", "ready"))
                              : clients;
    const double perClient = double(f.rssWithKb - f.rssBeforeKb) / connected;
    out.push_back({QStringLiteral("service memory per connected client"),
                   QStringLiteral("%1 KB (RSS %2 MB before, %3 MB with %4 clients)")
                       .arg(perClient, 0, 'f', 2)
                       .arg(f.rssBeforeKb / 1024.0, 0, 'f', 1)
                       .arg(f.rssWithKb / 1024.0, 0, 'f', 1)
                       .arg(connected),
                   QStringLiteral("< 20 KB"), f.rssWithKb > 0 && perClient < 20});
    out.push_back({QStringLiteral("service CPU while idle"),
                   QStringLiteral("%1 % of one core over %2 s")
                       .arg(f.idleCpuPercent, 0, 'f', 2)
                       .arg(f.idleSeconds, 0, 'f', 1),
                   QStringLiteral("< 2 %"), f.idleCpuPercent >= 0 && f.idleCpuPercent < 2});
    const double q99 = quantileMs(f.discoveryNs, 0.99);
    const double qmax = quantileMs(f.discoveryNs, 1.0);
    out.push_back(
        {QStringLiteral("discovery answer on loopback, max"),
         QStringLiteral("%1 (p50 %2, p99 %3; %4 asked, %5 unanswered)")
             .arg(msText(qmax), msText(quantileMs(f.discoveryNs, 0.5)), msText(q99))
             .arg(f.discoveryAsked)
             .arg(f.discoveryUnanswered),
         QStringLiteral("< 1000 ms"),
         qmax >= 0 && qmax < 1000 && f.discoveryUnanswered == 0 && f.discoveryWrong == 0});
    return out;
}

bool parse(const QStringList& args, BenchOptions& o) {
    for (qsizetype i = 1; i + 1 < args.size(); i += 2) {
        const QString& key = args[i];
        bool ok = true;
        const int v = args[i + 1].toInt(&ok);
        if (key == QLatin1String("--wrap"))
            o.wrapper = args[i + 1].split(u' ', Qt::SkipEmptyParts);
        else if (key == QLatin1String("--clients") && ok)
            o.clients = v;
        else if (key == QLatin1String("--tables") && ok)
            o.tables = v;
        else if (key == QLatin1String("--rate") && ok)
            o.rate = v;
        else if (key == QLatin1String("--idle") && ok)
            o.idleSeconds = v;
        else if (key == QLatin1String("--load") && ok)
            o.loadSeconds = v;
        else if (key == QLatin1String("--workers") && ok)
            o.workers = v;
        else
            return false;
    }
    return args.size() % 2 == 1 && o.clients >= o.tables && o.tables > 0 && o.rate > 0 &&
           o.idleSeconds >= 20 && o.loadSeconds > 0 && o.workers > 0;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    BenchOptions options;
    options.service = QStringLiteral(LOBBY_SERVICE_BINARY);
    options.generator = QStringLiteral(LOBBY_LOAD_BINARY);
    if (!parse(app.arguments(), options)) {
        std::fprintf(stderr, "usage: lobby_bench [--clients N] [--tables N] [--rate N] "
                             "[--idle S (20 or more)] [--load S] [--workers N] [--wrap CMD]\n");
        return 2;
    }
    BenchDriver driver(options);
    QObject::connect(&driver, &BenchDriver::finished, &app, &QCoreApplication::quit);
    driver.start();
    app.exec();

    const BenchFigures& f = driver.figures();
    const BenchOptions& o = driver.options();
    if (!f.failure.isEmpty()) {
        std::printf("lobby_bench: could not run: %s\n", qPrintable(f.failure));
        return 1;
    }
    std::printf("\nlobby_bench: one service process; %d clients (%d hosting a public table, all "
                "watching) + %d resolving codes, on %s source addresses; %d changes/s for %d s "
                "after %d s idle; generator threads %d%s\n",
                o.clients, o.tables, o.resolvers, qPrintable(text(f, "setup", "addresses")), o.rate,
                o.loadSeconds, o.idleSeconds, o.workers,
                o.wrapper.isEmpty()
                    ? ""
                    : qPrintable(QStringLiteral("; service under ") + o.wrapper.join(u' ')));
    std::printf("lobby_bench: idle clients ping as the lobby's own do: hosts after 10 s without "
                "sending, the others after 20 s (%d pings a second in all)\n",
                o.tables / 10 + (o.clients - o.tables + o.resolvers) / 20);
    std::printf(
        "lobby_bench: load average before %s, after %s; open-files limit %ld (hard %ld)%s\n",
        qPrintable(f.loadBefore), qPrintable(f.loadAfter), f.openFiles, f.openFilesHard,
        f.openFilesShort ? ", TOO LOW for the planned clients" : "");
    std::printf("\n%-40s %-62s %-10s %s\n", "figure", "measured", "goal", "");
    for (const Row& r : rows(f, o.clients))
        std::printf("%-40s %-62s %-10s %s\n", qPrintable(r.figure), qPrintable(r.measured),
                    qPrintable(r.goal), r.met ? "met" : "NOT met");
    std::printf("\nservice under load: %.1f %% of one core; RSS %.1f MB after the load, peak "
                "%.1f MB; it ended with %s\n",
                f.loadCpuPercent, f.rssAfterLoadKb / 1024.0, f.peakRssKb / 1024.0,
                qPrintable(f.serviceEnd));
    // A program that waited long for a CPU was held back by this machine's
    // other work: the figures then say little of what the service can do.
    std::printf("on a CPU / waiting for one: service idle %.1f s / %.1f s, under load %.1f s / "
                "%.1f s; generator under load %.1f s / %.1f s\n",
                f.idle.runS, f.idle.waitS, f.load.runS, f.load.waitS, f.generatorLoad.runS,
                f.generatorLoad.waitS);
    const double waited = std::max(
        f.load.waitS / std::max(f.load.runS + f.load.waitS, 1e-9),
        f.generatorLoad.waitS / std::max(f.generatorLoad.runS + f.generatorLoad.waitS, 1e-9));
    if (waited > 0.1)
        std::printf("BUSY MACHINE: the service or the generator spent %.0f %% of its runnable time "
                    "under load waiting for a CPU; the delivery and look-up times above include "
                    "that wait\n",
                    100 * waited);
    f.print();
    std::printf("discovery: %d answers not of the bench's table\n", f.discoveryWrong);
    return 0;
}
