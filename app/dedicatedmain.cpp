#include "dedicatedmain.h"

#include "apppaths.h"
#include "dedicatedserver.h"
#include "inifile.h"
#include "terminationwatch.h"

#include <QCoreApplication>
#include <QDateTime>

#include <cstdio>
#include <exception>

namespace {

std::optional<quint16> portNumber(const QString& text) {
    bool ok = false;
    const uint value = text.toUInt(&ok);
    if (!ok || value < 1 || value > 65535 || text.size() > 5)
        return std::nullopt;
    return quint16(value);
}

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

DedicatedSettings settingsFor(const ServerLine& line) {
    Preferences prefs;
    readPreferences(IniFile(apppaths::settingsFile()), QStringLiteral("Vorlix"), prefs);
    DedicatedSettings s;
    s.port = line.port.value_or(7772);
    s.pauseSeconds = int(line.pause.value_or(prefs.pause));
    s.botMs = int(line.botPace.value_or(prefs.botPace));
    return s;
}

} // namespace

std::optional<ServerLine> readServerLine(const QStringList& arguments) {
    if (!arguments.contains(QLatin1String("--server")))
        return std::nullopt;
    ServerLine line;
    for (qsizetype i = 0; i < arguments.size() && line.error.isEmpty(); ++i) {
        const QString& a = arguments[i];
        const QString value = i + 1 < arguments.size() ? arguments[i + 1] : QString();
        if (a == QLatin1String("--server"))
            continue;
        ++i; // every other option takes a value
        if (a == QLatin1String("--port") && portNumber(value))
            line.port = portNumber(value);
        else if (a == QLatin1String("--pause") && value == QLatin1String("long"))
            line.pause = RoundPause::Long;
        else if (a == QLatin1String("--pause") && value == QLatin1String("normal"))
            line.pause = RoundPause::Normal;
        else if (a == QLatin1String("--pause") && value == QLatin1String("quick"))
            line.pause = RoundPause::Quick;
        else if (a == QLatin1String("--bot-speed") && value == QLatin1String("slow"))
            line.botPace = BotPace::Slow;
        else if (a == QLatin1String("--bot-speed") && value == QLatin1String("normal"))
            line.botPace = BotPace::Normal;
        else if (a == QLatin1String("--bot-speed") && value == QLatin1String("fast"))
            line.botPace = BotPace::Fast;
        else
            line.error = QStringLiteral("cannot use \"%1 %2\" with --server").arg(a, value);
    }
    return line;
}

std::optional<quint16> takePortOption(QStringList& parameters) {
    const qsizetype i = parameters.indexOf(QLatin1String("--port"));
    if (i < 0 || i + 1 >= parameters.size())
        return std::nullopt;
    const std::optional<quint16> port = portNumber(parameters[i + 1]);
    if (port)
        parameters.remove(i, 2);
    return port;
}

int runDedicatedServer(int& argc, char** argv, const ServerLine& line) {
    if (!line.error.isEmpty()) {
        std::fprintf(stderr,
                     "vorlix: %s\nusage: vorlix --server [--port N] "
                     "[--pause long|normal|quick] [--bot-speed slow|normal|fast]\n",
                     qPrintable(line.error));
        return 2;
    }
    DedicatedApplication app(argc, argv);
    TerminationWatch termination;
    termination.install();
    QObject::connect(&termination, &TerminationWatch::terminationRequested, &app, [](int number) {
        writeLine(stdout, QStringLiteral("stopping on signal %1").arg(number));
        QCoreApplication::quit();
    });
    try {
        DedicatedServer server(apppaths::workDir(), settingsFor(line),
                               [](const QString& l) { writeLine(stdout, l); });
        server.start();
        const int code = app.exec();
        writeLine(stdout, QStringLiteral("stopped"));
        return code;
    } catch (const std::exception& e) {
        writeLine(stderr, QStringLiteral("error: ") + QString::fromLocal8Bit(e.what()));
        return 1;
    }
}
