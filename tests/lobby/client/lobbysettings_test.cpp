// SPDX-License-Identifier: GPL-3.0-or-later
#include "inifile.h"
#include "lobbysettings.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

lobbysettings::Network readFrom(const QByteArray& bytes) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("kestrunlobby.ini"));
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write(bytes);
    f.close();
    return lobbysettings::readNetwork(IniFile(path));
}

} // namespace

TEST(LobbySettings, ReadsTheNetworkKeysOrTheDefaults) {
    const auto set = readFrom("[Game]\r\nService=elsewhere\r\n[kestrun lobby]\r\n"
                              "service = [2001:db8::1]:8000\r\nDiscoveryPort=7800\r\n");
    EXPECT_EQ(set.service, (lobbywire::HostPort{"2001:db8::1", 8000}));
    EXPECT_EQ(set.discoveryPort, 7800);
    EXPECT_EQ(readFrom("[Kestrun Lobby]\r\nService=lobby.example.org\r\n").service,
              (lobbywire::HostPort{"lobby.example.org", 7780}));

    const lobbywire::HostPort maker{"lobby.kestrun.com", 7780};
    EXPECT_EQ(lobbysettings::defaultService(), maker);
    for (const char* bad : {"Service=host:0\r\nDiscoveryPort=0", "Service=\r\nDiscoveryPort=70000",
                            "Service=[2001:db8::1]:99999\r\nDiscoveryPort=port"}) {
        const auto n = readFrom(QByteArray("[Kestrun Lobby]\r\n") + bad);
        EXPECT_EQ(n.service, maker) << bad;
        EXPECT_EQ(n.discoveryPort, 7772) << bad;
    }
    EXPECT_EQ(lobbysettings::readNetwork(IniFile("/nonexistent/kestrunlobby.ini")).service, maker);
}
