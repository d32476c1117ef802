// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Creates the program's other windows, hidden, in the program's fixed order
// (about, download, game start, help, phrases, server, spy list, tally) as
// children of the main window, and wires them into it. The dictionary is made
// with the server and shared with the main window.

#include "tchat.h"

// workDir: the process's private working directory; tallyFile: the tally's path.
ProgramWindows createProgramWindows(Tchat& chat, const QString& workDir, const QString& tallyFile);
