// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// How the lobby starts the game: the command lines for hosting and joining,
// and what a player may type to join. The game takes its options first and
// then "--", so a player's name that begins with "-" stays a name, and then
// its old positional parameters NAME HOST MODE.

#include "lobbyaddress.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace gameargs {

// Where the game takes players unless an address names another port.
inline constexpr quint16 kGamePort = 7772;
// Where the game opens its link to the lobby unless told --link-port.
inline constexpr quint16 kDefaultLinkPort = 9001;

struct HostChoice {
    enum class Where { ThisNetwork, Public, Invite };
    Where where = Where::ThisNetwork;
    // Public and invitation tables only: a table on this network only is
    // named by the game itself.
    QString tableName;
    friend bool operator==(const HostChoice&, const HostChoice&) = default;
};

// A table to join: an invite code, else a game's address.
struct JoinTarget {
    QString code; // the written form ("+K7Q2-M9XD"), or empty
    lobbywire::HostPort address;
    bool isCode() const { return !code.isEmpty(); }
    friend bool operator==(const JoinTarget&, const JoinTarget&) = default;
};

// "+CODE" in any case, with or without its hyphen, or "CODE" with its hyphen;
// otherwise HOST or HOST:PORT (port 7772 when none). Nothing for other text.
std::optional<JoinTarget> readJoinTarget(const QString& text);

// What every game the lobby starts is told about the lobby.
struct LobbyContext {
    lobbywire::HostPort service; // passed when not the maker's service
    // 0: the lobby could not listen for links; the game is told nothing.
    quint16 linkPort = kDefaultLinkPort;
    // The service's other instances, passed with it.
    QList<lobbywire::HostPort> alternates;
};

QStringList hostArguments(const QString& name, const HostChoice& choice, const LobbyContext& lobby);
// A code is resolved by the game itself, through the lobby's service; an
// address is joined directly.
QStringList joinArguments(const QString& name, const JoinTarget& target, const LobbyContext& lobby);

// "This table plays Vorlix X; you have Y." when the table's game version is
// not ours; empty when it is.
QString versionMismatch(const QString& tableVersion);

} // namespace gameargs
