// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Where this copy of the game keeps its files (see gamepaths.h for the rule).
// Working files that only live while the program runs go to a private
// temporary folder, so no file of the user's is ever overwritten or deleted.

#include <QString>

namespace apppaths {

QString programDir();
// A folder made once for this process and removed when it ends.
QString workDir();

QString settingsFile(); // programDir()/kestrunlobby.ini
QString tallyFile();    // programDir()/Vorlixtally.tld

} // namespace apppaths
