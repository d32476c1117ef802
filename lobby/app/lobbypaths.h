// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Where the lobby finds the game and the settings file they share.

#include "lobbyaddress.h"
#include "lobbysettings.h"

#include <QString>

#include <optional>

namespace lobbypaths {

// The game's executable: beside the lobby's first, then on PATH; empty when
// neither has one.
QString gamePath();
// The game's settings file (gamepaths::settingsFileFor the game's folder; the
// lobby's own folder when no game was found, as both are installed together).
QString settingsFile(const QString& gamePath);
// The service to use and its other instances: --lobby when given, else the
// settings' "Service".
lobbysettings::Network network(const std::optional<lobbywire::HostPort>& given,
                               const QList<lobbywire::HostPort>& givenAlternates,
                               const QString& settingsPath);
quint16 discoveryPort(const QString& settingsPath);

} // namespace lobbypaths
