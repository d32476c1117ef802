// SPDX-License-Identifier: GPL-3.0-or-later
#include "headless.h"

#include "gamelauncher.h"
#include "gamestarter.h"
#include "linkserver.h"
#include "lobbypaths.h"
#include "tablelines.h"

#include <QCoreApplication>
#include <QTimer>

#include <cstdio>

namespace headless {

namespace {

void say(FILE* stream, const QString& text) {
    std::fputs(qPrintable(text + u'\n'), stream);
    std::fflush(stream);
}

void complain(const QString& text) {
    say(stderr, QStringLiteral("kestrunlobby: ") + text);
}

// One round of asking this network: the answers that come within a second.
int listThisNetwork(const QString& settingsPath) {
    DiscoveryBrowser::Options options;
    options.port = lobbypaths::discoveryPort(settingsPath);
    options.intervalMs = 60'000;
    DiscoveryBrowser browser(options);
    browser.start();
    QTimer::singleShot(options.answerWindowMs, qApp, [] { QCoreApplication::exit(0); });
    QCoreApplication::exec();
    // Read before anything stops the browser: a stopped one lists nothing.
    for (const LanTable& table : browser.tables())
        say(stdout, tablelines::line(table));
    return 0;
}

} // namespace

int list(const lobbycli::Options& options) {
    const QString settingsPath = lobbypaths::settingsFile(lobbypaths::gamePath());
    if (options.lan)
        return listThisNetwork(settingsPath);
    const lobbysettings::Network network =
        lobbypaths::network(options.service, options.alternates, settingsPath);
    DirectoryFetch fetch(network.service);
    fetch.alternates = network.alternates;
    QObject::connect(&fetch, &DirectoryFetch::fetched,
                     [](const QList<lobbywire::TableEntry>& tables) {
                         for (const lobbywire::TableEntry& t : tables)
                             say(stdout, tablelines::line(t));
                         QCoreApplication::exit(0);
                     });
    QObject::connect(&fetch, &DirectoryFetch::failed, [](const QString& why) {
        complain(why);
        QCoreApplication::exit(1);
    });
    fetch.start();
    return QCoreApplication::exec();
}

int join(const lobbycli::Options& options) {
    const QString gamePath = lobbypaths::gamePath();
    const QString settingsPath = lobbypaths::settingsFile(gamePath);
    LinkServer link(gameargs::kDefaultLinkPort);
    link.listen();
    GameLauncher launcher(gamePath);
    const lobbysettings::Network network =
        lobbypaths::network(options.service, options.alternates, settingsPath);
    GameStarter starter(launcher, network.service, [&link] { return link.port(); });
    starter.alternates = network.alternates;
    QObject::connect(&link, &LinkServer::linkOpened, &launcher, &GameLauncher::linkOpened);
    QObject::connect(&starter, &GameStarter::notice, [](const QString& text) { complain(text); });
    QObject::connect(&starter, &GameStarter::nothingStarted, [] { QCoreApplication::exit(1); });
    QObject::connect(&launcher, &GameLauncher::ended, [](const GameOutcome& outcome) {
        if (!outcome.text.isEmpty())
            complain(outcome.text);
        QCoreApplication::exit(outcome.end == GameOutcome::End::Ran ? 0 : 1);
    });
    if (!starter.join(options.name, options.join, std::nullopt))
        return 1;
    return QCoreApplication::exec();
}

} // namespace headless
