// SPDX-License-Identifier: GPL-3.0-or-later
// kestrunlobby: the lobby's window, or without one --list, --join and
// --server. Everything but the choice between them lives in lobbyapp.

#include "console.h"
#include "displaycheck.h"
#include "headless.h"
#include "lobbycommandline.h"
#include "lobbypaths.h"
#include "lobbywindow.h"
#include "servicemain.h"
#include "singleinstance.h"
#include "terminationwatch.h"
#include "version.h"

#include <QApplication>
#include <QCoreApplication>
#include <QIcon>

#include <cstdio>

namespace {

void nameTheProgram() {
    QCoreApplication::setApplicationName(QStringLiteral("kestrunlobby"));
    QCoreApplication::setApplicationVersion(QLatin1String(wire::kVersion));
}

QIcon programIcon() {
    QIcon icon;
    for (int size : {32, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/icons/kestrunlobby-%1.png").arg(size), QSize(size, size));
    return icon;
}

int openWindow(int argc, char** argv, const lobbycli::Options& options) {
    if (!displaycheck::displayNamed(options.platformArgument)) {
        std::fputs(lobbycli::kNoDisplayLine, stderr);
        return 1;
    }
    nameTheProgram();
    displaycheck::chooseTextEngine(options.platformArgument);
    displaycheck::beginWatch(lobbycli::kNoDisplayLine);
    QApplication app(argc, argv);
    displaycheck::endWatch();
    QApplication::setApplicationDisplayName(QStringLiteral("Kestrun Lobby"));
    // The desktop entry and icon the install rules put in place.
    QApplication::setDesktopFileName(QStringLiteral("com.kestrun.KestrunLobby"));
    QApplication::setWindowIcon(programIcon());

    SingleInstance instance(SingleInstance::nameFor(QStringLiteral("KestrunLobby")));
    if (!instance.claim())
        return 0;
    TerminationWatch termination;
    termination.install();

    LobbySetup setup;
    setup.gamePath = lobbypaths::gamePath();
    setup.settingsPath = lobbypaths::settingsFile(setup.gamePath);
    setup.service = options.service;
    setup.alternates = options.alternates;
    LobbyWindow window(setup);
    QObject::connect(&instance, &SingleInstance::raiseRequested, &window,
                     &LobbyWindow::bringForward);
    QObject::connect(&termination, &TerminationWatch::terminationRequested, &window,
                     [&window] { window.close(); });
    window.show();
    return app.exec();
}

int withoutWindow(int argc, char** argv, const lobbycli::Options& options) {
    nameTheProgram();
    QCoreApplication app(argc, argv);
    return options.action == lobbycli::Action::List ? headless::list(options)
                                                    : headless::join(options);
}

} // namespace

int main(int argc, char** argv) {
    console::attachToParent();
    const lobbycli::Options options = lobbycli::parse(cmdline::arguments(argc, argv));
    switch (options.action) {
    case lobbycli::Action::Help:
        std::fputs(qPrintable(lobbycli::usage()), stdout);
        return 0;
    case lobbycli::Action::Version:
        std::fputs(qPrintable(lobbycli::versionLine() + u'\n'), stdout);
        return 0;
    case lobbycli::Action::Error:
        std::fprintf(stderr, "kestrunlobby: %s\n%s", qPrintable(options.error),
                     qPrintable(lobbycli::usage()));
        return 2;
    case lobbycli::Action::Server: {
        ServiceOptions service;
        if (options.port)
            service.port = *options.port;
        service.store = options.store;
        if (options.relayAddress) {
            service.relayHost = options.relayAddress->host;
            service.relayPort = options.relayAddress->port;
        }
        return runLobbyService(argc, argv, service);
    }
    case lobbycli::Action::List:
    case lobbycli::Action::Join:
        return withoutWindow(argc, argv, options);
    case lobbycli::Action::Window:
        break;
    }
    return openWindow(argc, argv, options);
}
