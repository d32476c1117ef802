// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// TableListing: a hosted table as others see it, for a hosting copy and a
// dedicated server alike. Once a second it reads the seats, spies and rounds
// of the game its TServer runs and hands them to a TableHost (lobby/client),
// which answers discovery on this network and, for a table listed in the lobby
// or open to invitations, keeps its entry with the lobby service current.
// Such a table also asks the home router to forward its port (PortMapper) and
// tells the service the port the router opened, so that players on the
// internet can reach it directly; the mapping goes with the TableListing. The
// owner shows or logs what it reports: the invite code, and problems, each
// told once until something changes (a service that stays away is tried again
// and again, and the player needs to hear of it only once).

#include "commandline.h"
#include "lobbymessages.h"
#include "lobbysettings.h"
#include "tablehost.h"

#include <QObject>

class GameEngine;
class PortMapper;
struct PortMapping;
class QTimer;
class TServer;

class TableListing : public QObject {
    Q_OBJECT
public:
    // `options.gamePort` is taken from the server's listener when it listens.
    // The server also answers the service's test from outside and takes the
    // players that come through the relay.
    TableListing(TServer& server, HostedTableOptions options, QObject* parent = nullptr);
    ~TableListing() override;

    // Starts answering and registering; the server must be listening.
    void start();
    // Reads the game now (the timer does it once a second).
    void refresh();

    TableHost& host() { return *m_host; }
    // The lobby as the command line and the settings file's lobby section
    // have it: the service from --lobby, else the setting, else the maker's.
    static lobbysettings::Network lobbyNetwork(const commandline::Options& options,
                                               const QString& settingsFile);
    // A table hosted as the command line asks: --public or --invite with its
    // name, else this network only under `defaultName`.
    static HostedTableOptions optionsFor(const commandline::Options& options,
                                         const lobbysettings::Network& network,
                                         const QString& defaultName);

    // The line a host is shown, or a dedicated server logs, when the service
    // gave its table `code`; it names the code and says who can find it.
    static QString registeredLine(const HostedTableOptions& table, const QString& code);
    // The line a host is shown, or a dedicated server logs, when the
    // service's test found how players on the internet reach the table.
    static QString reachLine(lobbywire::Way way, const QString& text);
    // The line for a port the router forwards.
    static QString mappedLine(const PortMapping& mapping);

    // What the directory shows of a game: players logged in at the six seats
    // and as spies, whether a game is on and its round, and the name of seat
    // 1's holder (the host's own window, or whoever holds seat 1 of a
    // dedicated server), shown as the game shows names.
    static lobbywire::TableState stateOf(const GameEngine& engine);

signals:
    void registered(const QString& code);
    void problem(const QString& text);
    // How players on the internet reach the table, in plain words.
    void notice(const QString& text);

private:
    TServer& m_server;
    TableHost* m_host = nullptr;
    PortMapper* m_mapper = nullptr;
    // What the service's first test found while the router was still being
    // asked: told only if the router forwards nothing (a forwarded port is
    // tested again, and that outcome is the one that counts).
    QString m_heldReach;
    QTimer* m_timer = nullptr;
    QString m_lastProblem;
};
