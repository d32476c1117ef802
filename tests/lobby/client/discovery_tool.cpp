// SPDX-License-Identifier: GPL-3.0-or-later
// A table's discovery answers, or a lobby's discovery, as a program of its
// own, so that a test can run each in a network namespace:
//   discovery_tool respond PORT TABLE GAMEPORT
//       answers on PORT for TABLE at GAMEPORT until killed; prints "ready"
//       once it listens
//   discovery_tool browse PORT SECONDS COUNT
//       queries at the default targets on PORT; once COUNT tables are listed
//       it waits two more rounds (time for doubles to show), prints
//       "KEY TABLE" for each and ends with 0; ends with 1 after SECONDS

#include "discovery.h"
#include "version.h"

#include <QCoreApplication>
#include <QTimer>

#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 5)
        return 2;
    const quint16 port = quint16(args.at(2).toUInt());
    if (args.at(1) == QLatin1String("respond")) {
        DiscoveryResponder responder(port);
        lobbywire::TableState state;
        state.seated = 3;
        state.hostName = QStringLiteral("Ann");
        responder.setTable(args.at(3), quint16(args.at(4).toUInt()), QLatin1String(wire::kVersion),
                           state);
        if (!responder.start()) {
            std::fprintf(stderr, "%s\n", qPrintable(responder.problem()));
            return 1;
        }
        std::printf("ready\n");
        std::fflush(stdout);
        return app.exec();
    }
    if (args.at(1) != QLatin1String("browse"))
        return 2;
    DiscoveryBrowser::Options options;
    options.port = port;
    options.intervalMs = 200;
    DiscoveryBrowser browser(options);
    const auto print = [&] {
        for (const LanTable& t : browser.tables())
            std::printf("%s %s\n", qPrintable(t.key()), qPrintable(t.tableName));
        std::fflush(stdout);
    };
    QTimer settle;
    settle.setSingleShot(true);
    QObject::connect(&settle, &QTimer::timeout, [&] {
        print();
        app.exit(0);
    });
    QObject::connect(&browser, &DiscoveryBrowser::changed, [&] {
        if (browser.tables().size() >= args.at(4).toInt() && !settle.isActive())
            settle.start(2 * options.intervalMs);
    });
    QTimer::singleShot(args.at(3).toInt() * 1000, &app, [&] {
        print();
        app.exit(1);
    });
    browser.start();
    return app.exec();
}
