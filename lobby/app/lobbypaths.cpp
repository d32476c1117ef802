// SPDX-License-Identifier: GPL-3.0-or-later
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

lobbysettings::Network network(const std::optional<lobbywire::HostPort>& given,
                               const QList<lobbywire::HostPort>& givenAlternates,
                               const QString& settingsPath) {
    lobbysettings::Network network = lobbysettings::readNetwork(IniFile(settingsPath));
    if (given) {
        network.service = *given;
        network.alternates = givenAlternates;
    }
    return network;
}

quint16 discoveryPort(const QString& settingsPath) {
    return lobbysettings::readNetwork(IniFile(settingsPath)).discoveryPort;
}

} // namespace lobbypaths
