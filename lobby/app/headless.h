// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What kestrunlobby does without a window: --list and --join. Each runs the
// event loop of a QCoreApplication the caller made, writes what it has to say
// to standard output and standard error, and answers the exit status.

#include "lobbycommandline.h"

namespace headless {

// --list: 0 after printing the tables; 1 when the service can't be reached,
// with one line on standard error saying why.
int list(const lobbycli::Options& options);
// --join: starts the game joined to the table and waits for it: 0 when the
// game ran; 1 when it could not start (its own words on standard error), when
// another game was already open, or when the table can't be joined.
int join(const lobbycli::Options& options);

} // namespace headless
