#include "lobbypaths.h"

#include "gamelauncher.h"
#include "gamepaths.h"
#include "inifile.h"
#include "lobbysettings.h"

#include <QCoreApplication>
#include <QFileInfo>

namespace lobbypaths {

QString gamePath() {
    return GameLauncher::findGame(QCoreApplication::applicationDirPath());
}

QString settingsFile(const QString& gamePath) {
    // The game names its folder by its own executable's real path.
    const QString dir = gamePath.isEmpty() ? QCoreApplication::applicationDirPath()
                                           : QFileInfo(gamePath).canonicalPath();
    return gamepaths::settingsFileFor(dir);
}

lobbywire::HostPort service(const std::optional<lobbywire::HostPort>& given,
                            const QString& settingsPath) {
    if (given)
        return *given;
    return lobbysettings::readNetwork(IniFile(settingsPath)).service;
}

quint16 discoveryPort(const QString& settingsPath) {
    return lobbysettings::readNetwork(IniFile(settingsPath)).discoveryPort;
}

} // namespace lobbypaths
