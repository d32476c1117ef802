// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// kestrunlobby --server: the lobby service on its own, without a window or a
// display. It logs to standard output, one timestamped line per event, as
// vorlix --server does, and stops on SIGTERM and SIGINT.

#include <QString>
#include <QtGlobal>

struct ServiceOptions {
    quint16 port = 7780;
    // Empty: everything is kept in this process's memory. "redis://HOST:PORT"
    // (or "redis://HOST", port 6379): the directory, invite codes and chat are
    // shared with the other instances that use the same Redis.
    QString store;
    // Where players are told to reach this instance's relay; empty: the
    // address each table's host reached it at. Port 0: the one it listens on.
    QString relayHost;
    quint16 relayPort = 0;
};

// Runs the service until it is asked to stop; answers the exit status (0 after
// a stop, 1 when it could not start, with a line on standard error saying
// why, 2 for a store address it does not take).
int runLobbyService(int& argc, char** argv, const ServiceOptions& options);
