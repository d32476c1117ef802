// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The program's command line, read before anything else happens: --help and
// --version must answer without a display and without touching a file, and a
// line we do not understand is refused with the usage text instead of opening a
// game nobody asked for.
//
// The lobby starts us with NAME HOST MODE, so those positional parameters keep
// their old meaning exactly: none is a solo game, one or two leave the window at
// its loading line, three host (MODE "true") or join, and any after the third
// are ignored. A joining copy's HOST may be an invite code ("+K7Q2-M9XD"),
// which the game asks the lobby service to resolve. Options may stand
// anywhere; "--" ends them, for a player name that begins with "-" (the lobby
// always puts its options first and ends them so). Qt's own options
// (-platform, -display, -style, ...) are let through for QApplication, which
// takes them out of the line itself.

#include "commandlinereader.h"
#include "lobbyaddress.h"
#include "lobbymessages.h"
#include "preferences.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace commandline {

enum class Action {
    Play,    // open the game window (solo, host or join, from the parameters)
    Server,  // --server: a dedicated server without a window
    Help,    // print usage() and exit 0
    Version, // print versionLine() and exit 0
    Error,   // print Options::error and usage() to stderr and exit 2
};

struct Options : cmdline::LineResult {
    Action action = Action::Play;
    // NAME HOST MODE [ignored...] exactly as given, for the main window.
    QStringList parameters;
    // --port: the game's TCP port, for hosting, joining and the dedicated server.
    std::optional<quint16> port;
    // A joining copy's HOST:PORT, split; empty / unset when HOST had no port or
    // this copy does not join.
    QString joinHost;
    std::optional<quint16> joinPort;
    // --pause and --bot-speed of a dedicated server; unset, the settings file
    // decides.
    std::optional<RoundPause> pause;
    std::optional<BotPace> botSpeed;
    // --public "TABLE" (listed in the lobby's directory) or --invite "TABLE"
    // (found by its invite code alone), for a hosting copy or a dedicated
    // server; neither keeps the table on this network only. tableName is the
    // name cleaned as the lobby keeps it.
    std::optional<lobbywire::Listing> listing;
    QString tableName;
    // --lobby HOST[:PORT][,HOST[:PORT]...]: the lobby service (port 7780 when
    // none is given); instances after the first are tried in turn when one
    // can't be reached.
    std::optional<lobbywire::HostPort> lobby;
    QList<lobbywire::HostPort> lobbyAlternates;
    // --link-port N: where the lobby program listens for the game's link.
    std::optional<quint16> linkPort;
    // A joining copy's invite code in its written form ("+K7Q2-M9XD"); empty
    // when HOST is an address.
    QString inviteCode;
};

// `arguments` is the command line without the program's own name.
Options parse(const QStringList& arguments);

// The text --help prints, ending in a line break.
QString usage();
// "Vorlix " + the project's version.
QString versionLine();
// The one line printed (to stderr) when the window can't have a display.
inline constexpr const char* kNoDisplayLine =
    "vorlix: cannot open a display; use --server to run a dedicated server\n";

// A port of at most five digits, 1 to 65535; anything else is unset.
std::optional<quint16> parsePort(const QString& text);

} // namespace commandline
