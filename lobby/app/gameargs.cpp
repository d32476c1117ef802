// SPDX-License-Identifier: GPL-3.0-or-later
#include "gameargs.h"

#include "lobbymessages.h"
#include "lobbysettings.h"
#include "version.h"

namespace gameargs {

namespace {

QStringList lobbyOptions(const LobbyContext& lobby, bool withService) {
    QStringList args;
    if (withService &&
        (lobby.service != lobbysettings::defaultService() || !lobby.alternates.isEmpty())) {
        QStringList instances{lobbywire::hostPortText(lobby.service)};
        for (const lobbywire::HostPort& other : lobby.alternates)
            instances << lobbywire::hostPortText(other);
        args << QStringLiteral("--lobby") << instances.join(u',');
    }
    if (lobby.linkPort != 0 && lobby.linkPort != kDefaultLinkPort)
        args << QStringLiteral("--link-port") << QString::number(lobby.linkPort);
    return args;
}

} // namespace

std::optional<JoinTarget> readJoinTarget(const QString& text) {
    const QString trimmed = text.trimmed();
    if (const std::optional<QString> code = lobbywire::invite::normalize(trimmed, true))
        return JoinTarget{*code, {}};
    // A "+" promises a code; a mistyped one is not a host name.
    if (trimmed.startsWith(u'+'))
        return std::nullopt;
    if (const std::optional<lobbywire::HostPort> hp = lobbywire::parseHostPort(trimmed, kGamePort))
        return JoinTarget{{}, *hp};
    return std::nullopt;
}

QStringList hostArguments(const QString& name, const HostChoice& choice,
                          const LobbyContext& lobby) {
    QStringList args;
    if (choice.where == HostChoice::Where::Public)
        args << QStringLiteral("--public") << choice.tableName;
    else if (choice.where == HostChoice::Where::Invite)
        args << QStringLiteral("--invite") << choice.tableName;
    args << lobbyOptions(lobby, true);
    args << QStringLiteral("--") << name << QStringLiteral("127.0.0.1") << QStringLiteral("true");
    return args;
}

QStringList joinArguments(const QString& name, const JoinTarget& target,
                          const LobbyContext& lobby) {
    QStringList args = lobbyOptions(lobby, target.isCode());
    args << QStringLiteral("--") << name
         << (target.isCode() ? target.code : lobbywire::hostPortText(target.address))
         << QStringLiteral("false");
    return args;
}

QString versionMismatch(const QString& tableVersion) {
    if (tableVersion == QLatin1String(wire::kVersion))
        return {};
    return QStringLiteral("This table plays Vorlix %1; you have %2.")
        .arg(tableVersion, QLatin1String(wire::kVersion));
}

} // namespace gameargs
