// SPDX-License-Identifier: GPL-3.0-or-later
#include "gamepaths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace gamepaths {

namespace {

const QString kGameName = QStringLiteral("Vorlix");

} // namespace

bool isInstalledCopy(const QString& exeDir) {
    return QFileInfo::exists(QDir(exeDir).filePath(QStringLiteral(VORLIX_DESKTOP_ENTRY_FROM_BIN)));
}

QString userDataDir() {
    // The application data folder is <per-user data>/<application> (neither
    // program names an organisation); the lobby asks for the game's.
    QString dir = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    if (QCoreApplication::applicationName() != kGameName)
        dir = QFileInfo(dir).dir().filePath(kGameName);
    QDir().mkpath(dir);
    return dir;
}

QString programDirFor(const QString& gameExeDir) {
#ifdef Q_OS_WIN
    // On Windows the player's data always lives in the user's application
    // data folder, installed or portable, so that an uninstaller or a new
    // copy never takes it away.
    Q_UNUSED(gameExeDir);
    return userDataDir();
#else
    const QFileInfo info(gameExeDir);
    if (!gameExeDir.isEmpty() && info.isDir() && info.isWritable() && !isInstalledCopy(gameExeDir))
        return gameExeDir;
    return userDataDir();
#endif
}

QString gameProgramFile() {
#ifdef Q_OS_WIN
    return QStringLiteral("Vorlix.exe");
#else
    return QStringLiteral("vorlix");
#endif
}

QString settingsFileFor(const QString& gameExeDir) {
    return QDir(programDirFor(gameExeDir)).filePath(QStringLiteral("kestrunlobby.ini"));
}

} // namespace gamepaths
