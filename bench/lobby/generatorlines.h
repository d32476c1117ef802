// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What a load generator (lobby_load, relay_load) tells its driver (lobby_bench,
// relay_bench) on standard output, one line each:
//   phase <name> k=v ...   as each phase begins or ends
//   result <name> k=v ...  the figures, once the run is over
//   failed <why>           when it cannot go on; it then exits 1
// The generator writes them with say(); the driver keeps them in its figures,
// which are GeneratorLines, and prints them at the end of its report.

#include <QByteArray>
#include <QMap>
#include <QString>
#include <QStringList>

#include <cstdio>

// One line to the driver, at once.
void say(const char* format, auto... args) {
    // A line without arguments is printed as it is, never read as a format.
    if constexpr (sizeof...(args) == 0)
        std::fputs(format, stdout);
    else
        std::printf(format, args...);
    std::printf("\n");
    std::fflush(stdout);
}

struct GeneratorLines {
    QStringList phases; // the generator's phase lines, with the time of each
    // The generator's result lines: name -> key -> value.
    QMap<QString, QMap<QString, QString>> results;
    // Why the run failed (the generator's own "failed" line, or the driver's
    // reason); empty while it goes well.
    QString failure;

    // One of the generator's lines, `seconds` into the run: a result or a
    // failure is kept, a phase is kept with its time and shown at once on
    // standard output after `driver`'s name. Answers the line's first word.
    QByteArray take(const QByteArray& line, double seconds, const char* driver);
    // The phases and the generator's counts, as a report ends with them.
    void print() const;
};
