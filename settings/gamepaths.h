// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Where the game keeps its files, for the game itself and for the lobby, which
// keeps its own section in the game's settings file. The settings and tally
// files live beside the game's executable when that folder is writable (a copy
// run from its build or unpack folder), otherwise in the game's per-user data
// folder (an installed copy). An installed copy always uses the per-user
// folder, even when its programs' folder happens to be writable (run by root, or
// from a private prefix): files dropped into /usr/games would belong to no
// package and to no player.

#include <QString>

namespace gamepaths {

// True when exeDir is the programs' folder of an installed tree (/usr/games):
// our desktop entry stands where the install rules put it, relative to it.
bool isInstalledCopy(const QString& exeDir);
// The game's per-user data folder (made when missing), whichever program asks.
QString userDataDir();
// Where the game whose executable is in `gameExeDir` keeps its files: beside
// it when that folder is writable and not an installed copy's; on Windows,
// and otherwise, the per-user data folder.
QString programDirFor(const QString& gameExeDir);
// The game's executable as its file is named: "vorlix", "Vorlix.exe" on Windows.
QString gameProgramFile();
// That game's settings file, "kestrunlobby.ini".
QString settingsFileFor(const QString& gameExeDir);

} // namespace gamepaths
