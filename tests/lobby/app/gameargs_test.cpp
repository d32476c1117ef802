// SPDX-License-Identifier: GPL-3.0-or-later
// The game's command lines, byte for byte, and what a player may type to join.

#include "gameargs.h"
#include "lobbysettings.h"
#include "version.h"

#include <gtest/gtest.h>

using gameargs::HostChoice;
using gameargs::JoinTarget;

namespace {
const gameargs::LobbyContext kDefaults{lobbysettings::defaultService(), 9001, {}};
const gameargs::LobbyContext kOwn{{QStringLiteral("lobby.example"), 7790}, 40123, {}};
} // namespace

TEST(GameArgs, HostingLines) {
    EXPECT_EQ(gameargs::hostArguments(QStringLiteral("-Ann"), {}, kDefaults),
              QStringList({"--", "-Ann", "127.0.0.1", "true"}));
    EXPECT_EQ(gameargs::hostArguments(QStringLiteral("Ann"),
                                      {HostChoice::Where::Public, QStringLiteral("Fri \"late\"")},
                                      kOwn),
              QStringList({"--public", "Fri \"late\"", "--lobby", "lobby.example:7790",
                           "--link-port", "40123", "--", "Ann", "127.0.0.1", "true"}));
    EXPECT_EQ(gameargs::hostArguments(QStringLiteral("Ann"),
                                      {HostChoice::Where::Invite, QStringLiteral("Club")},
                                      kDefaults),
              QStringList({"--invite", "Club", "--", "Ann", "127.0.0.1", "true"}));
}

TEST(GameArgs, JoiningLines) {
    const JoinTarget code{QStringLiteral("+K7Q2-M9XD"), {}};
    const JoinTarget address{{}, {QStringLiteral("::1"), 7800}};
    EXPECT_EQ(gameargs::joinArguments(QStringLiteral("Bo"), code, kDefaults),
              QStringList({"--", "Bo", "+K7Q2-M9XD", "false"}));
    EXPECT_EQ(gameargs::joinArguments(QStringLiteral("Bo"), code, kOwn),
              QStringList({"--lobby", "lobby.example:7790", "--link-port", "40123", "--", "Bo",
                           "+K7Q2-M9XD", "false"}));
    // An address needs no service.
    EXPECT_EQ(gameargs::joinArguments(QStringLiteral("Bo"), address, kOwn),
              QStringList({"--link-port", "40123", "--", "Bo", "[::1]:7800", "false"}));
    // Several instances go on together, the maker's first one included.
    const gameargs::LobbyContext several{
        lobbysettings::defaultService(), 9001, {{QStringLiteral("::1"), 7790}}};
    EXPECT_EQ(gameargs::joinArguments(QStringLiteral("Bo"), code, several),
              QStringList({"--lobby", "lobby.kestrun.com:7780,[::1]:7790", "--", "Bo", "+K7Q2-M9XD",
                           "false"}));
}

TEST(GameArgs, ReadsCodesAndAddresses) {
    const auto code = [](const char* text) {
        const std::optional<JoinTarget> t = gameargs::readJoinTarget(QString::fromUtf8(text));
        return t && t->isCode() ? t->code : QStringLiteral("-");
    };
    EXPECT_EQ(code("+k7q2m9xd"), QStringLiteral("+K7Q2-M9XD"));
    EXPECT_EQ(code(" +K7Q2-m9xd "), QStringLiteral("+K7Q2-M9XD"));
    EXPECT_EQ(code("k7q2-m9xd"), QStringLiteral("+K7Q2-M9XD"));
    EXPECT_FALSE(gameargs::readJoinTarget(QStringLiteral("+K7Q2")));
    EXPECT_FALSE(gameargs::readJoinTarget(QStringLiteral("")));
    EXPECT_FALSE(gameargs::readJoinTarget(QStringLiteral("host:99999")));

    const std::optional<JoinTarget> plain = gameargs::readJoinTarget(QStringLiteral("k7q2m9xd"));
    ASSERT_TRUE(plain); // without "+" or hyphen: a host name
    EXPECT_FALSE(plain->isCode());
    EXPECT_EQ(plain->address, (lobbywire::HostPort{QStringLiteral("k7q2m9xd"), 7772}));
    const std::optional<JoinTarget> withPort =
        gameargs::readJoinTarget(QStringLiteral("10.1.2.3:7800"));
    ASSERT_TRUE(withPort);
    EXPECT_EQ(withPort->address, (lobbywire::HostPort{QStringLiteral("10.1.2.3"), 7800}));
}

TEST(GameArgs, VersionMismatchIsNamed) {
    const QString ours = QLatin1String(wire::kVersion);
    EXPECT_TRUE(gameargs::versionMismatch(ours).isEmpty());
    // A later game than ours, whatever ours is.
    const QString later = ours + QStringLiteral(".1");
    EXPECT_EQ(gameargs::versionMismatch(later),
              QStringLiteral("This table plays Vorlix %1; you have %2.").arg(later, ours));
}
