// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// GameStarter: what "Host a Table", "Join" and --join do, from the player's
// choice to a running game. It checks what can be checked before anything
// starts: a name is given; a table of another game version is refused with
// the reason ("This table plays Vorlix X; you have Y."); an invite code is
// first asked of the service, to learn the table's version (an unknown code
// is reported and nothing starts). Then it starts the game with the options
// that tell it the lobby's service and link port (gameargs.h).
//
// One start at a time: a request while a code is being resolved is refused.
// Everything to tell the player comes as notice(), in plain words.

#include "gameargs.h"
#include "gamelauncher.h"

#include <QObject>
#include <QString>

#include <functional>
#include <optional>

class InviteResolver;

class GameStarter : public QObject {
    Q_OBJECT
public:
    // `linkPort` answers the port the lobby's link listens on now.
    GameStarter(GameLauncher& launcher, lobbywire::HostPort service,
                std::function<quint16()> linkPort, QObject* parent = nullptr);
    ~GameStarter() override;

    // Each answers true when the game was started, or a code is being
    // resolved before it is; false when something was said instead.
    bool host(const QString& name, const gameargs::HostChoice& choice);
    // `knownVersion`: the table's game version when the list showed it; a
    // code without one is resolved first to learn it.
    bool join(const QString& name, const gameargs::JoinTarget& target,
              const std::optional<QString>& knownVersion);

    bool resolving() const { return m_resolver != nullptr; }

    // How long a code's question may take.
    int resolveTimeoutMs = 10'000;
    // Other instances of the same service: asked in turn, and passed on to
    // the game.
    QList<lobbywire::HostPort> alternates;

signals:
    void notice(const QString& text);
    // The game was started with these arguments.
    void gameStarted(const QStringList& arguments);
    // A code's resolution ended without a game (after notice()).
    void nothingStarted();

private:
    bool ready(const QString& name);
    void launch(const QStringList& arguments);
    gameargs::LobbyContext context() const;

    GameLauncher& m_launcher;
    lobbywire::HostPort m_service;
    std::function<quint16()> m_linkPort;
    InviteResolver* m_resolver = nullptr;
};
