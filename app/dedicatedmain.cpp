#include "dedicatedmain.h"

#include "apppaths.h"
#include "dedicatedserver.h"
#include "inifile.h"
#include "preferences.h"
#include "tablelisting.h"
#include "terminationwatch.h"
#include "tserver.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QSysInfo>

#include <cstdio>
#include <exception>

namespace {

// Every line goes out at once with its time: an operator watching the log, or
// a service manager collecting it, sees each event as it happens.
void writeLine(std::FILE* out, const QString& line) {
    const QString stamp = QDateTime::currentDateTimeUtc().toString(Qt::ISODate);
    std::fprintf(out, "%s %s\n", qPrintable(stamp), line.toLocal8Bit().constData());
    std::fflush(out);
}

// The event loop of a server without a window: an exception that escapes a
// handler is logged and the server goes on serving.
class DedicatedApplication : public QCoreApplication {
public:
    DedicatedApplication(int& argc, char** argv) : QCoreApplication(argc, argv) {
        setApplicationName(QStringLiteral("Vorlix"));
    }
    bool notify(QObject* receiver, QEvent* event) override {
        try {
            return QCoreApplication::notify(receiver, event);
        } catch (const std::exception& e) {
            writeLine(stderr, QStringLiteral("error: ") + QString::fromLocal8Bit(e.what()));
        }
        return false;
    }
};

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
    const QString where = lobbywire::hostPortText(table.service);
    QObject::connect(&listing, &TableListing::registered, &listing,
                     [table, where](const QString& code) {
                         const QString how = table.listing == lobbywire::Listing::Public
                                                 ? QStringLiteral("listed in the lobby")
                                                 : QStringLiteral("registered for invitations");
                         writeLine(stdout, QStringLiteral("table \"%1\" %2 at %3, invite code %4")
                                               .arg(table.tableName, how, where, code));
                     });
    QObject::connect(&listing, &TableListing::problem, &listing, [](const QString& text) {
        writeLine(stdout, QStringLiteral("lobby: ") + text);
    });
    writeLine(stdout, QStringLiteral("table \"%1\" answers discovery on UDP port %2")
                          .arg(table.tableName)
                          .arg(table.discoveryPort));
}

} // namespace

int runDedicatedServer(int& argc, char** argv, const commandline::Options& options) {
    DedicatedApplication app(argc, argv);
    TerminationWatch termination;
    termination.install();
    QObject::connect(&termination, &TerminationWatch::terminationRequested, &app, [](int number) {
        writeLine(stdout, QStringLiteral("stopping on signal %1").arg(number));
        QCoreApplication::quit();
    });
    try {
        DedicatedServer server(apppaths::workDir(), settingsFor(options),
                               [](const QString& l) { writeLine(stdout, l); });
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
        writeLine(stdout, QStringLiteral("stopped"));
        return code;
    } catch (const std::exception& e) {
        writeLine(stderr, QStringLiteral("error: ") + QString::fromLocal8Bit(e.what()));
        return 1;
    }
}
