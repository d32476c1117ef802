// SPDX-License-Identifier: GPL-3.0-or-later
#include "gamelauncher.h"

#include "gamepaths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryFile>
#include <QTimer>

#if defined(Q_OS_UNIX)
#include <unistd.h>
#endif

namespace {

// Standard error read back: the end is where a program says why it stopped.
constexpr qint64 kErrTailBytes = 4096;
constexpr int kErrTailLines = 3;

// The process objects of games that may still run: reachable to the end, so
// none is destroyed (which would kill its game) and none counts as leaked.
QList<QProcess*>& keptProcesses() {
    static QList<QProcess*> kept;
    return kept;
}

// A file of our own for the game's output, made so that no other user can
// have put a file or a link there first.
QString newOutputFile(const QString& suffix) {
    QTemporaryFile file(
        QDir::temp().filePath(QStringLiteral("kestrunlobby-game-XXXXXX.") + suffix));
    file.setAutoRemove(false);
    if (!file.open())
        return QProcess::nullDevice();
    return file.fileName();
}

QByteArray fileTail(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    if (file.size() > kErrTailBytes)
        file.seek(file.size() - kErrTailBytes);
    return file.readAll();
}

void removeOutputFile(const QString& path) {
    if (path != QProcess::nullDevice())
        QFile::remove(path);
}

} // namespace

GameLauncher::GameLauncher(QString gamePath, QObject* parent)
    : QObject(parent), m_gamePath(std::move(gamePath)) {}

GameLauncher::~GameLauncher() {
    // The games go on; their process objects stay kept, only no longer heard.
    for (Game* game : m_games) {
        game->process->disconnect(this);
        delete game;
    }
}

QString GameLauncher::findGame(const QString& lobbyDir) {
    const QFileInfo beside(QDir(lobbyDir).filePath(gamepaths::gameProgramFile()));
    if (!lobbyDir.isEmpty() && beside.isFile() && beside.isExecutable())
        return beside.absoluteFilePath();
    return QStandardPaths::findExecutable(QStringLiteral("vorlix"));
}

void GameLauncher::start(const QStringList& arguments) {
    if (m_gamePath.isEmpty()) {
        QTimer::singleShot(0, this, [this] {
            emit ended({GameOutcome::End::Failed,
                        QStringLiteral("Vorlix can't be started: it is neither beside the lobby "
                                       "nor on the PATH.")});
        });
        return;
    }
    auto* game = new Game;
    game->outPath = newOutputFile(QStringLiteral("out"));
    game->errPath = newOutputFile(QStringLiteral("err"));
    game->process = new QProcess;
    keptProcesses().append(game->process);
    m_games.append(game);
    QProcess* p = game->process;
    p->setProgram(m_gamePath);
    p->setArguments(arguments);
    p->setStandardInputFile(QProcess::nullDevice());
    p->setStandardOutputFile(game->outPath);
    p->setStandardErrorFile(game->errPath);
#if defined(Q_OS_UNIX)
    p->setChildProcessModifier([] { ::setsid(); });
#endif
    connect(p, &QProcess::finished, this, [this, game](int exitCode, QProcess::ExitStatus status) {
        finish(game, status == QProcess::CrashExit, exitCode, {});
    });
    connect(p, &QProcess::errorOccurred, this, [this, game](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            finish(game, false, -1, game->process->errorString());
    });
    p->start();
}

void GameLauncher::linkOpened() {
    for (Game* game : m_games)
        game->linked = true;
}

void GameLauncher::finish(Game* game, bool crashed, int exitCode, const QString& startError) {
    if (game->done)
        return;
    game->done = true;
    GameOutcome outcome;
    if (!startError.isEmpty())
        outcome = {GameOutcome::End::Failed,
                   QStringLiteral("Vorlix can't be started: %1.").arg(startError)};
    else
        outcome = judge(crashed, exitCode, game->linked, fileTail(game->errPath));
    removeOutputFile(game->outPath);
    removeOutputFile(game->errPath);
    m_games.removeOne(game);
    keptProcesses().removeOne(game->process);
    game->process->disconnect(this);
    game->process->deleteLater();
    delete game;
    // A start that fails may be reported from inside start() itself.
    QTimer::singleShot(0, this, [this, outcome] { emit ended(outcome); });
}

GameOutcome GameLauncher::judge(bool crashed, int exitCode, bool linked,
                                const QByteArray& errTail) {
    if (!crashed && exitCode == 0)
        return linked ? GameOutcome{}
                      : GameOutcome{GameOutcome::End::AlreadyOpen,
                                    QStringLiteral("A game of Vorlix is already open.")};
    QStringList lines;
    for (const QString& line : QString::fromLocal8Bit(errTail).split(u'\n')) {
        const QString shown = line.simplified();
        if (!shown.isEmpty())
            lines << shown;
    }
    const QString words = lines.mid(qMax(0, int(lines.size()) - kErrTailLines)).join(u' ');
    QString what;
    if (crashed)
        what = QStringLiteral("Vorlix stopped unexpectedly");
    else if (linked)
        what = QStringLiteral("Vorlix stopped with an error (status %1)").arg(exitCode);
    else
        what = QStringLiteral("Vorlix could not start (status %1)").arg(exitCode);
    return {GameOutcome::End::Failed,
            words.isEmpty() ? what + u'.' : what + QStringLiteral(": ") + words};
}
