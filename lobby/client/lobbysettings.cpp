// SPDX-License-Identifier: GPL-3.0-or-later
#include "lobbysettings.h"

#include "inifile.h"
#include "lobbymessages.h"

namespace lobbysettings {

Network readNetwork(const IniFile& file) {
    // One reading of the file for both keys.
    const IniText text = file.load();
    Network network;
    const QString service =
        text.readString(QString::fromLatin1(kSection), QStringLiteral("Service"), QString());
    const auto parsed = lobbywire::parseHostPortList(service, lobbywire::kDefaultServicePort);
    network.service = parsed ? parsed->first() : defaultService();
    if (parsed)
        network.alternates = parsed->mid(1);
    const int port =
        text.readInteger(QString::fromLatin1(kSection), QStringLiteral("DiscoveryPort"),
                         lobbywire::kDefaultDiscoveryPort);
    network.discoveryPort =
        port >= 1 && port <= 65535 ? quint16(port) : lobbywire::kDefaultDiscoveryPort;
    network.portMapping =
        text.readInteger(QString::fromLatin1(kSection), QStringLiteral("PortMapping"), 1) != 0;
    return network;
}

lobbywire::HostPort defaultService() {
    return {QString::fromLatin1(lobbywire::kDefaultServiceHost), lobbywire::kDefaultServicePort};
}

} // namespace lobbysettings
