#include "apppaths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryDir>

namespace apppaths {

bool isInstalledCopy(const QString& exeDir) {
    return QFileInfo::exists(QDir(exeDir).filePath(QStringLiteral(VORLIX_DESKTOP_ENTRY_FROM_BIN)));
}

QString programDir() {
    const QString exeDir = QCoreApplication::applicationDirPath();
    const QFileInfo info(exeDir);
    if (!exeDir.isEmpty() && info.isDir() && info.isWritable() && !isInstalledCopy(exeDir))
        return exeDir;
    const QString data = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    QDir().mkpath(data);
    return data;
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
