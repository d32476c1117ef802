// SPDX-License-Identifier: GPL-3.0-or-later
#include "dedicatedmain.h"

#include "apppaths.h"
#include "dedicatedserver.h"
#include "headlessapp.h"
#include "inifile.h"
#include "preferences.h"
#include "tablelisting.h"
#include "terminationwatch.h"
#include "tserver.h"

#include <QCoreApplication>
#include <QSysInfo>

#include <cstdio>
#include <exception>

namespace {

DedicatedSettings settingsFor(const commandline::Options& options) {
    Preferences prefs;
    readPreferences(IniFile(apppaths::settingsFile()), QStringLiteral("Vorlix"), prefs);
    DedicatedSettings s;
    s.port = options.port.value_or(7772);
    s.pauseSeconds = int(options.pause.value_or(prefs.pause));
    s.botMs = int(options.botSpeed.value_or(prefs.botPace));
    return s;
}

// What becomes of the table: the invite code the service gave it (a line with
// "invite code" and the code, for whoever hands it to players) and problems.
void logListing(TableListing& listing) {
    const HostedTableOptions& table = listing.host().options();
    QObject::connect(
        &listing, &TableListing::registered, &listing, [&listing, table](const QString& code) {
            // With several instances of the service, the one that took it.
            const QString where = lobbywire::hostPortText(listing.host().instance());
            const QString how = table.listing == lobbywire::Listing::Public
                                    ? QStringLiteral("listed in the lobby")
                                    : QStringLiteral("registered for invitations");
            serverlog::writeLine(stdout, QStringLiteral("table \"%1\" %2 at %3, invite code %4")
                                             .arg(table.tableName, how, where, code));
        });
    QObject::connect(&listing, &TableListing::problem, &listing, [](const QString& text) {
        serverlog::writeLine(stdout, QStringLiteral("lobby: ") + text);
    });
    QObject::connect(&listing, &TableListing::notice, &listing, [](const QString& text) {
        serverlog::writeLine(stdout, QStringLiteral("lobby: ") + text);
    });
    serverlog::writeLine(stdout, QStringLiteral("table \"%1\" answers discovery on UDP port %2")
                                     .arg(table.tableName)
                                     .arg(table.discoveryPort));
}

} // namespace

int runDedicatedServer(int& argc, char** argv, const commandline::Options& options) {
    HeadlessApplication app(argc, argv, QStringLiteral("Vorlix"));
    TerminationWatch termination;
    termination.install();
    QObject::connect(&termination, &TerminationWatch::terminationRequested, &app, [](int number) {
        serverlog::writeLine(stdout, QStringLiteral("stopping on signal %1").arg(number));
        QCoreApplication::quit();
    });
    try {
        DedicatedServer server(apppaths::workDir(), settingsFor(options),
                               [](const QString& l) { serverlog::writeLine(stdout, l); });
        server.start();
        const lobbysettings::Network network =
            TableListing::lobbyNetwork(options, apppaths::settingsFile());
        TableListing listing(
            server.server(),
            TableListing::optionsFor(options, network,
                                     QStringLiteral("Vorlix at ") + QSysInfo::machineHostName()));
        logListing(listing);
        listing.start();
        const int code = app.exec();
        serverlog::writeLine(stdout, QStringLiteral("stopped"));
        return code;
    } catch (const std::exception& e) {
        // One log line for each line of the text, each with its time.
        for (const QString& line : QString::fromLocal8Bit(e.what()).split(u'\n'))
            serverlog::writeLine(stderr, QStringLiteral("error: ") + line);
        return 1;
    }
}
