#pragma once
// Where the program keeps its files. The settings and tally files live beside
// the executable when that directory is writable (a copy run from its build or
// unpack folder), otherwise in the per-user data directory (an installed copy).
// Working files that only live while the program runs go to a private temporary
// directory, so no file of the user's is ever overwritten or deleted.

#include <QString>

namespace apppaths {

QString programDir();
// A directory made once for this process and removed when it ends.
QString workDir();

QString settingsFile(); // programDir()/kestrunlobby.ini
QString tallyFile();    // programDir()/Vorlixtally.tld

} // namespace apppaths
