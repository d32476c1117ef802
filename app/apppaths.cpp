// SPDX-License-Identifier: GPL-3.0-or-later
#include "apppaths.h"

#include "gamepaths.h"

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>

namespace apppaths {

QString programDir() {
    return gamepaths::programDirFor(QCoreApplication::applicationDirPath());
}

QString workDir() {
    static QTemporaryDir dir(QDir::tempPath() + QStringLiteral("/vorlix-XXXXXX"));
    return dir.path();
}

QString settingsFile() {
    return QDir(programDir()).filePath(QStringLiteral("kestrunlobby.ini"));
}

QString tallyFile() {
    return QDir(programDir()).filePath(QStringLiteral("Vorlixtally.tld"));
}

} // namespace apppaths
