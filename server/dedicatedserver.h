// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// DedicatedServer: the game server on its own, for a machine with a public
// address: no window and no player of its own. Whoever holds slot 1 is the
// host (the lowest free slot rule hands it to the next newcomer when its
// holder leaves) and may start games and remove players; the computer plays
// an empty seat 2. The pause between rounds and the computer's pace are fixed
// when it starts.
//
// It reports what an operator wants to see, one line per event: connections
// and the address they came from, logins, departures, games and winners, and
// connections let go by the server's limits. Names are shown with their
// control characters as blanks, so a player cannot write lines into the log.

#include "servercore.h"

#include <QObject>
#include <QString>

#include <functional>
#include <memory>

class TServer;

struct DedicatedSettings {
    quint16 port = 7772;
    int pauseSeconds = 12; // "Time Between Rounds"
    int botMs = 1200;      // "Bot Speed"
};

class DedicatedServer : public QObject {
    Q_OBJECT
public:
    // log: one line per event, without its end of line; the caller adds the
    // time and writes it out.
    DedicatedServer(const QString& workDir, const DedicatedSettings& settings,
                    std::function<void(const QString&)> log, QObject* parent = nullptr);
    ~DedicatedServer() override;

    // Listens on the port; raises ESockException when the port cannot be had,
    // its text the component's own, then a line naming the port and why, and
    // one saying what to do.
    void start();
    TServer& server() { return *m_server; }

    static QString describe(const GameNews& news);
    static QString describe(const ConnectionNews& news);

private:
    DedicatedSettings m_settings;
    std::function<void(const QString&)> m_log;
    std::unique_ptr<TServer> m_server;
};
