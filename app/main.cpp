// SPDX-License-Identifier: GPL-3.0-or-later
#include "appid.h"
#include "apppaths.h"
#include "commandline.h"
#include "console.h"
#include "dedicatedmain.h"
#include "displaycheck.h"
#include "programwindows.h"
#include "singleinstance.h"
#include "tablelisting.h"
#include "tchat.h"
#include "terminationwatch.h"
#include "vorlixapplication.h"

#include <QDir>
#include <QIcon>
#include <QLockFile>
#include <QStandardPaths>

#include <cstdio>
#include <exception>
#include <memory>
#include <optional>

namespace {

// What the command line asks for that needs no window: the answer, and the exit
// status; nothing else runs, so no file is made.
std::optional<int> answerWithoutWindow(const commandline::Options& options) {
    switch (options.action) {
    case commandline::Action::Help:
        std::fputs(qPrintable(commandline::usage()), stdout);
        return 0;
    case commandline::Action::Version:
        std::fputs(qPrintable(commandline::versionLine() + QLatin1Char('\n')), stdout);
        return 0;
    case commandline::Action::Error:
        std::fprintf(stderr, "vorlix: %s\n%s", qPrintable(options.error),
                     qPrintable(commandline::usage()));
        return 2;
    case commandline::Action::Server:
    case commandline::Action::Play:
        break;
    }
    return std::nullopt;
}

QIcon programIcon() {
    QIcon icon;
    for (int size : {32, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/icons/vorlix-%1.png").arg(size), QSize(size, size));
    return icon;
}

// Restores a minimised window, otherwise raises and activates it.
void bringForward(QWidget* window) {
    if (window->isMinimized()) {
        window->showNormal();
    } else {
        window->raise();
        window->activateWindow();
    }
}

// The "vorlix" mark of a running game, held until the process ends. Another
// desktop's copy may hold it already; the game runs either way.
std::unique_ptr<QLockFile> markRunningGame() {
    QString runtimeDir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (runtimeDir.isEmpty())
        runtimeDir = QDir::tempPath();
    auto lock = std::make_unique<QLockFile>(QDir(runtimeDir).filePath(QStringLiteral("vorlix")));
    lock->setStaleLockTime(0);
    lock->tryLock(0);
    return lock;
}

bool hostsForOthers(const commandline::Options& options) {
    return options.parameters.size() >= 3 && options.parameters.at(2) == QLatin1String("true");
}

// A hosting copy's table, found on this network and, when the command line
// asks, through the lobby; what happens to it is told in the chat pane.
void listTable(Tchat& window, TServer& server, const commandline::Options& options,
               const lobbysettings::Network& network) {
    const QString name = window.state().playername;
    auto* listing = new TableListing(
        server, TableListing::optionsFor(options, network, name + QStringLiteral("'s table")),
        &window);
    const HostedTableOptions& table = listing->host().options();
    const quint32 colour = window.state().systemcolour;
    QObject::connect(listing, &TableListing::registered, &window,
                     [&window, table, colour](const QString& code) {
                         window.addlinetochat(TableListing::registeredLine(table, code), colour);
                     });
    QObject::connect(
        &listing->host(), &TableHost::problem, &window,
        [&window, colour](const QString& text) { window.addlinetochat(text, colour); });
    QObject::connect(
        listing, &TableListing::notice, &window,
        [&window, colour](const QString& text) { window.addlinetochat(text, colour); });
    listing->start();
    if (!table.listing)
        window.addlinetochat(
            QStringLiteral("Players on this network find your table \"%1\" in the Kestrun Lobby.")
                .arg(table.tableName),
            colour);
}

// The main window and the program's other windows, shown; what stops start-up
// is raised.
std::unique_ptr<Tchat> openGameWindow(const commandline::Options& options, QApplication& app,
                                      SingleInstance& instance, TerminationWatch& termination) {
    // The lobby's parameters as they came; a joining copy's HOST:PORT is split
    // into the address to look up and the port to connect to.
    QStringList parameters = options.parameters;
    if (options.joinPort)
        parameters[1] = options.joinHost;
    auto chat = std::make_unique<Tchat>(apppaths::settingsFile(), parameters);
    if (options.port)
        chat->setPort(QString::number(*options.port));
    if (options.joinPort)
        chat->setPort(QString::number(*options.joinPort));
    if (options.linkPort)
        chat->setLobbyPort(QString::number(*options.linkPort));
    const lobbysettings::Network network =
        TableListing::lobbyNetwork(options, apppaths::settingsFile());
    chat->setLobbyService(network.service, network.alternates);
    const ProgramWindows windows =
        createProgramWindows(*chat, apppaths::workDir(), apppaths::tallyFile());
    Tchat* window = chat.get();
    QObject::connect(&instance, &SingleInstance::raiseRequested, window,
                     [window] { bringForward(window); });
    QObject::connect(window, &Tchat::closed, &app, &QApplication::quit);
    QObject::connect(&termination, &TerminationWatch::terminationRequested, window,
                     [window] { window->close(); });
    window->show();
    if (window->startupError().isEmpty() && hostsForOthers(options))
        listTable(*window, *windows.server, options, network);
    return chat;
}

int playInWindow(int argc, char** argv, const commandline::Options& options) {
    if (!displaycheck::displayNamed(options.platformArgument)) {
        std::fputs(commandline::kNoDisplayLine, stderr);
        return 1;
    }
    displaycheck::chooseTextEngine(options.platformArgument);
    displaycheck::beginWatch(commandline::kNoDisplayLine);
    VorlixApplication app(argc, argv);
    displaycheck::endWatch();
    app.setWindowIcon(programIcon());
    app.setDesktopFileName(QStringLiteral(VORLIX_APP_ID));

    SingleInstance instance(SingleInstance::defaultName());
    if (!instance.claim())
        return 0;
    const std::unique_ptr<QLockFile> gameLock = markRunningGame();
    // Declared before the window so the handlers stay until it is gone.
    TerminationWatch termination;
    termination.install();

    std::unique_ptr<Tchat> chat;
    try {
        chat = openGameWindow(options, app, instance, termination);
    } catch (const std::exception& e) {
        VorlixApplication::showError(QString::fromLocal8Bit(e.what()));
        return 1;
    }
    if (!chat->startupError().isEmpty()) {
        VorlixApplication::showError(chat->startupError());
        return 1;
    }
    const int status = app.exec();
    // A start that failed later (an invite code nobody holds) was shown in
    // the window; whoever started us hears of it too.
    if (!chat->startupError().isEmpty()) {
        std::fprintf(stderr, "vorlix: %s\n", qPrintable(chat->startupError()));
        return 1;
    }
    return status;
}

} // namespace

int main(int argc, char** argv) {
    console::attachToParent();
    const commandline::Options options = commandline::parse(cmdline::arguments(argc, argv));
    if (const std::optional<int> status = answerWithoutWindow(options))
        return *status;
    // Decided before any QGuiApplication exists: the dedicated server starts
    // on a machine without a display.
    if (options.action == commandline::Action::Server)
        return runDedicatedServer(argc, argv, options);
    return playInWindow(argc, argv, options);
}
