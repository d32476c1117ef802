// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// `vorlix --server [--port N] [--pause long|normal|quick]
// [--bot-speed slow|normal|fast]`: the game server with no window. main()
// decides the mode from the command line before any QGuiApplication exists, so
// the server starts on a machine with no display at all. It takes neither the
// single-instance name nor the "vorlix" lock: several may run on one machine
// on different ports.
//
// The pause between rounds and the computer's pace come from the options, or
// else from the settings file's "Botspeed" and "Botspeed2" keys, as a host's
// own window would use them.

#include "commandline.h"

// Runs the dedicated server until SIGTERM or SIGINT; the process's exit code.
int runDedicatedServer(int& argc, char** argv, const commandline::Options& options);
