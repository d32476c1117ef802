// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The lobby program's own choices, kept in its section of the game's settings
// file (lobbysettings::kSection): the player's name, how the last table was
// hosted, and whom the player ignores in the chat. The service address and
// the discovery port are read through lobbysettings, which the game shares.
//
// The file is Windows-1252 text, and names come from the whole of Unicode: a
// character the file cannot hold (and "%" and ",", which the encoding itself
// uses) is written as %XX of its UTF-8 bytes, so every name comes back exactly
// as it was.

#include "gameargs.h"

#include <QString>
#include <QStringList>

class IniFile;
class IniText;

struct LobbyPrefs {
    QString name;              // key "Name"
    gameargs::HostChoice host; // keys "HostWhere" (lan, public, invite), "TableName"
    QStringList ignored;       // key "Ignored", names separated by ","
    friend bool operator==(const LobbyPrefs&, const LobbyPrefs&) = default;
};

namespace lobbyprefs {

LobbyPrefs read(const IniText& text);
LobbyPrefs load(const IniFile& file);
// Writes every key of the lobby's section through IniFile::update, so the
// game's section and every byte outside these keys stay as they were.
// Raises EIniFileError when the file cannot be written.
void save(IniFile& file, const LobbyPrefs& prefs);

QString encode(const QString& text);
QString decode(const QString& text);

} // namespace lobbyprefs
