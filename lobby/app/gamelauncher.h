// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// GameLauncher: runs the game (vorlix) and tells how its run ended.
//
// A game outlives the lobby: closing the lobby must not stop it. QProcess
// kills its child when it is destroyed, so the process object of a game
// still running is never destroyed (it stays reachable from a list kept to
// the end of the lobby's process), its output goes to files rather than pipes
// nobody would read after the lobby is gone, and on Unix it runs in a session
// of its own, so a signal meant for the lobby's terminal does not reach it.
//
// How a run ended (judge()): the game ends with status 0 at once, without
// having opened its link, when another game of Vorlix is open on the desktop
// (it brought that one forward instead); any other status is a failure, told
// with the game's own words, the last lines of its standard error.

#include <QObject>
#include <QString>
#include <QStringList>

class QProcess;

struct GameOutcome {
    enum class End { Ran, AlreadyOpen, Failed };
    End end = End::Ran;
    QString text; // what to tell the player; empty when the game simply ran
    friend bool operator==(const GameOutcome&, const GameOutcome&) = default;
};

class GameLauncher : public QObject {
    Q_OBJECT
public:
    // `gamePath` empty: no game was found; a start fails, saying so.
    explicit GameLauncher(QString gamePath, QObject* parent = nullptr);
    ~GameLauncher() override;

    const QString& gamePath() const { return m_gamePath; }

    // The game's executable beside `lobbyDir`, else on PATH; empty when none.
    static QString findGame(const QString& lobbyDir);

    // Starts the game; ended() follows, from the event loop, when it ends or
    // could not be started.
    void start(const QStringList& arguments);
    // Games running now, started by this launcher.
    int running() const { return int(m_games.size()); }
    // A link opened: every game running now counts as having opened one (a
    // game is open on one desktop at a time, so the link is theirs).
    void linkOpened();

    // How a run ended, from its exit and the tail of its standard error.
    static GameOutcome judge(bool crashed, int exitCode, bool linked, const QByteArray& errTail);

signals:
    void ended(const GameOutcome& outcome);

private:
    struct Game {
        QProcess* process = nullptr;
        QString outPath;
        QString errPath;
        bool linked = false;
        bool done = false;
    };
    void finish(Game* game, bool crashed, int exitCode, const QString& startError);

    QString m_gamePath;
    QList<Game*> m_games;
};
