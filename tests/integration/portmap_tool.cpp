// SPDX-License-Identifier: GPL-3.0-or-later
// portmap_tool: a PortMapper in a program of its own, the way a hosting
// program holds one, run by the port mapping tests inside a home network's
// namespace. Ends like the game: SIGTERM quits the event loop through the
// termination watch, and the PortMapper's destructor runs.
//
//   portmap_tool PORT LEASE-SECONDS
//
// Starts mapping at once. Reads commands on standard input, one a line:
// start, stop, renew, destroy (the PortMapper, now). Writes one line for
// each thing it hears, fields split by tabs, the first two the event and the
// milliseconds since the last start:
//   mapped|renewed  MS  METHOD  PUBLIC-ADDRESS  EXTERNAL-PORT  LEASE
//   unavailable|lost  MS  WHY
//   stopped  MS
//   destroyed  MS-THE-DESTRUCTOR-TOOK   (also as the program ends)

#include "portmapper.h"
#include "terminationwatch.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSocketNotifier>

#include <cstdio>
#include <memory>
#include <unistd.h>

namespace {

QElapsedTimer g_clock;

void say(const QStringList& fields) {
    std::printf("%s\n", fields.join(QLatin1Char('\t')).toUtf8().constData());
    std::fflush(stdout);
}

QString since() {
    return QString::number(g_clock.elapsed());
}

void sayMapping(const char* event, const PortMapping& m) {
    say({QString::fromLatin1(event), since(), m.methodName(), m.publicAddress,
         QString::number(m.externalPort), QString::number(m.leaseSeconds)});
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: portmap_tool PORT LEASE-SECONDS\n");
        return 2;
    }
    PortMapper::Options options;
    options.internalPort = quint16(QByteArray(argv[1]).toUInt());
    options.leaseSeconds = QByteArray(argv[2]).toInt();

    TerminationWatch termination;
    termination.install();
    QObject::connect(&termination, &TerminationWatch::terminationRequested, &app,
                     &QCoreApplication::quit);

    auto mapper = std::make_unique<PortMapper>(options);
    QObject::connect(mapper.get(), &PortMapper::mapped,
                     [](const PortMapping& m) { sayMapping("mapped", m); });
    QObject::connect(mapper.get(), &PortMapper::renewed,
                     [](const PortMapping& m) { sayMapping("renewed", m); });
    QObject::connect(mapper.get(), &PortMapper::unavailable, [](const QString& why) {
        say({"unavailable", since(), why});
    });
    QObject::connect(mapper.get(), &PortMapper::lost, [](const QString& why) {
        say({"lost", since(), why});
    });
    QObject::connect(mapper.get(), &PortMapper::stopped, [] { say({"stopped", since()}); });

    const auto destroy = [&mapper] {
        if (!mapper)
            return;
        QElapsedTimer took;
        took.start();
        mapper.reset();
        say({"destroyed", QString::number(took.elapsed())});
    };

    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QByteArray pending;
    QObject::connect(&input, &QSocketNotifier::activated, [&] {
        char buffer[256];
        const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (n <= 0) {
            input.setEnabled(false); // the test closed its end: keep running
            return;
        }
        pending.append(buffer, n);
        for (qsizetype end; (end = pending.indexOf('\n')) >= 0; pending.remove(0, end + 1)) {
            const QByteArray command = pending.left(end).trimmed();
            if (command == "start" && mapper) {
                g_clock.start();
                mapper->start();
            } else if (command == "stop" && mapper) {
                mapper->stop();
            } else if (command == "renew" && mapper) {
                mapper->renew();
            } else if (command == "destroy") {
                destroy();
            }
        }
    });

    g_clock.start();
    mapper->start();
    const int status = app.exec();
    destroy();
    return status;
}
