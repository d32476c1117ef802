// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The lobby's section, "Kestrun Lobby", of the game's settings file
// (kestrunlobby.ini, see gamepaths.h). Both programs read it: the game takes
// the service address and the discovery port from it; the lobby program keeps
// its own choices there too (lobby/app). Writes go through IniFile::update, so
// neither program loses the other's section.

#include "lobbyaddress.h"

#include <QString>

class IniFile;

namespace lobbysettings {

inline constexpr char kSection[] = "Kestrun Lobby";

struct Network {
    // Key "Service": HOST[:PORT], or several instances separated by commas
    // (the first, then `alternates`); the maker's service when missing or bad.
    lobbywire::HostPort service;
    QList<lobbywire::HostPort> alternates;
    // Key "DiscoveryPort": 1 to 65535; 7772 when missing or bad.
    quint16 discoveryPort = 0;
    // Key "PortMapping": whether a table found beyond this network asks the
    // home router to forward its port (1, the default) or never (0: a
    // machine whose router is nobody's business, a test).
    bool portMapping = true;
};

Network readNetwork(const IniFile& file);
// The maker's service, lobby.kestrun.com:7780.
lobbywire::HostPort defaultService();

} // namespace lobbysettings
