// SPDX-License-Identifier: GPL-3.0-or-later
// Hosting from home, timed: `make bench` runs it. On a home network of
// namespaces (netns.h's HomeNetwork: Debian's miniupnpd in the router, the
// lobby service on the internet), the real dedicated server starts at home
// with port mapping on, and a player on the internet, connected to the
// service beforehand, asks for the table's invite code until the service
// answers that players reach it directly. Each run measures from the
// server's start to that answer, and to the code itself; the table is then
// ended with SIGTERM and its forwarding must be gone before the next run.
// Prints one table of figure, measured, goal and whether it was met.
//
//   hosting_bench [--runs N]
//
// Needs root, to make the namespaces; says so and exits 1 when they can't be
// made. Exit 0 when the runs completed (a goal missed is a finding, not a
// failure), 1 when it could not run, 2 for a bad command line. Nothing is
// sent outside the namespaces it makes.

#include "homehosting.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

using namespace homehosting;

constexpr qint64 kGoalMs = 3000;

struct Run {
    qint64 codeMs = -1;   // the invite code in the server's log
    qint64 directMs = -1; // RESOLVE answered "direct"
};

int fail(const QString& why) {
    std::printf("hosting_bench: %s\n", qPrintable(why));
    return 1;
}

QString msText(qint64 ms) {
    return QString::number(ms) + QStringLiteral(" ms");
}

// One table from start to joinable and closed again; empty why() when the
// run completed.
Run measure(HomeHosting& hosting, QString* why) {
    Run run;
    const std::unique_ptr<Player> player = hosting.player();
    if (!player->connectToService()) {
        *why = QStringLiteral("the player could not connect to the service: ") +
               QString::fromStdString(player->output());
        return run;
    }
    QElapsedTimer clock;
    clock.start();
    netns::Process* table = hosting.startTable(true);
    const QString code = waitForMatch(*table, inviteLine());
    run.codeMs = clock.elapsed();
    if (code.isEmpty()) {
        *why = QStringLiteral("the table got no code: ") + table->seen;
        return run;
    }
    if (!player->resolve(code, "direct")) {
        *why = QStringLiteral("the code never sent players directly: ") + table->seen +
               QString::fromStdString(player->output());
        return run;
    }
    run.directMs = clock.elapsed();
    table->terminate();
    if (!table->waitForFinished(10'000) || table->exitCode() != 0) {
        *why = QStringLiteral("the table did not end cleanly: ") + table->seen;
        return run;
    }
    if (!hosting.net.rulesFor(kGamePort).isEmpty())
        *why = QStringLiteral("the router still forwards the port after the table ended");
    return run;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    int runs = 5;
    const QStringList args = app.arguments().mid(1);
    if (args.size() == 2 && args[0] == QLatin1String("--runs") && args[1].toInt() > 0)
        runs = args[1].toInt();
    else if (!args.isEmpty()) {
        std::fprintf(stderr, "usage: hosting_bench [--runs N]\n");
        return 2;
    }
    if (!netns::allowed())
        return fail(QStringLiteral("network namespaces can't be made here (needs root): the "
                                   "time from Host to a joinable invite code is not measured"));

    HomeHosting hosting(netns::HomeNetwork::Router::UpnpAndNatPmp,
                        {QStringLiteral(VORLIX_BINARY), QStringLiteral(LOBBY_BINARY),
                         QStringLiteral(NETNS_TOOL), QStringLiteral(JOINER_TOOL)});
    if (!hosting.build())
        return fail(QStringLiteral("the home network could not be made: ") + hosting.why());
    std::printf(
        "hosting_bench: %d runs; a dedicated server at home behind miniupnpd (UPnP IGD "
        "and NAT-PMP), the lobby service at %s:%u, a player at %s asking every 100 ms at first\n",
        runs, kService, kServicePort, kPlayer);

    std::vector<qint64> code, direct;
    for (int i = 0; i < runs; ++i) {
        QString why;
        const Run run = measure(hosting, &why);
        if (!why.isEmpty())
            return fail(QStringLiteral("run %1: %2").arg(i + 1).arg(why));
        code.push_back(run.codeMs);
        direct.push_back(run.directMs);
        std::printf("hosting_bench: run %d: code after %lld ms, joinable directly after %lld ms\n",
                    i + 1, static_cast<long long>(run.codeMs),
                    static_cast<long long>(run.directMs));
    }
    std::sort(code.begin(), code.end());
    std::sort(direct.begin(), direct.end());
    const qint64 median = direct[direct.size() / 2];
    const qint64 worst = direct.back();

    std::printf("\n%-60s %-32s %-8s %s\n", "figure", "measured", "goal", "met");
    std::printf(
        "%-60s %-32s %-8s %s\n", "from Host to a joinable invite code behind a mapping router",
        qPrintable(QStringLiteral("median %1, worst %2").arg(msText(median), msText(worst))),
        "< 3 s", worst < kGoalMs ? "yes" : "NO");
    std::printf("%-60s %-32s %-8s %s\n", "  of which: the invite code itself",
                qPrintable(QStringLiteral("median %1, worst %2")
                               .arg(msText(code[code.size() / 2]), msText(code.back()))),
                "", "");
    return 0;
}
