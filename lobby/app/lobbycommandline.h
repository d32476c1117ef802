// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// kestrunlobby's command line, read before anything else happens: --help,
// --version, --list, --join and --server must work without a display, and a
// line we do not understand is refused with the usage text rather than
// guessed at. Options may stand in any order; Qt's own options (-platform,
// -display, -style, ...) are let through for QApplication, as the game does.

#include "commandlinereader.h"
#include "gameargs.h"
#include "lobbyaddress.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace lobbycli {

enum class Action {
    Window,  // the lobby's window
    Join,    // --join: start the game joined to a table, no window
    List,    // --list: print the tables
    Server,  // --server: the lobby service
    Help,    // print usage() and exit 0
    Version, // print versionLine() and exit 0
    Error,   // print Options::error and usage() to stderr and exit 2
};

struct Options : cmdline::LineResult {
    Action action = Action::Window;
    // --lobby: the service to use instead of the one the settings name, and
    // its other instances when it names several, separated by commas.
    std::optional<lobbywire::HostPort> service;
    QList<lobbywire::HostPort> alternates;
    // --join's table and --name's player (cleaned, never empty with Join).
    gameargs::JoinTarget join;
    QString name;
    // --list --lan: the tables on this network instead of the service's.
    bool lan = false;
    // --server --port and --store, as runLobbyService takes them.
    std::optional<quint16> port;
    QString store;
    // --server --relay-address: where this instance tells players to reach
    // its relay, when not the address each host reached it at.
    std::optional<lobbywire::HostPort> relayAddress;
};

// `arguments` is the command line without the program's own name.
Options parse(const QStringList& arguments);

// The text --help prints, ending in a line break.
QString usage();
// "Kestrun Lobby " + the game's version.
QString versionLine();
// The one line printed (to stderr) when the window can't have a display.
inline constexpr const char* kNoDisplayLine =
    "kestrunlobby: cannot open a display; use --list, --join or --server without one\n";

} // namespace lobbycli
