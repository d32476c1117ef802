#pragma once
// Where the program keeps its files. The settings and tally files live beside
// the executable when that directory is writable (a copy run from its build or
// unpack folder), otherwise in the per-user data directory (an installed copy).
// An installed copy always uses the per-user directory, even when its bin
// directory happens to be writable (run by root, or from a private prefix):
// files dropped into /usr/bin would belong to no package and to no player.
// Working files that only live while the program runs go to a private temporary
// directory, so no file of the user's is ever overwritten or deleted.

#include <QString>

namespace apppaths {

// True when exeDir is the bin directory of an installed tree: our desktop entry
// stands where the install rules put it, relative to the executable.
bool isInstalledCopy(const QString& exeDir);
QString programDir();
// A directory made once for this process and removed when it ends.
QString workDir();

QString settingsFile(); // programDir()/kestrunlobby.ini
QString tallyFile();    // programDir()/Vorlixtally.tld

} // namespace apppaths
