// SPDX-License-Identifier: GPL-3.0-or-later
#include "gamestarter.h"

#include "inviteresolver.h"
#include "lobbymessages.h"
#include "version.h"

GameStarter::GameStarter(GameLauncher& launcher, lobbywire::HostPort service,
                         std::function<quint16()> linkPort, QObject* parent)
    : QObject(parent), m_launcher(launcher), m_service(std::move(service)),
      m_linkPort(std::move(linkPort)) {}

GameStarter::~GameStarter() = default;

gameargs::LobbyContext GameStarter::context() const {
    return {m_service, m_linkPort(), alternates};
}

bool GameStarter::ready(const QString& name) {
    if (m_resolver) {
        emit notice(QStringLiteral("Still looking up an invite code; a moment, please."));
        return false;
    }
    if (lobbywire::cleanName(name, lobbywire::kMaxNameChars).isEmpty()) {
        emit notice(QStringLiteral("Enter your name first: hosting and joining need one."));
        return false;
    }
    return true;
}

void GameStarter::launch(const QStringList& arguments) {
    m_launcher.start(arguments);
    emit gameStarted(arguments);
}

bool GameStarter::host(const QString& name, const gameargs::HostChoice& choice) {
    if (!ready(name))
        return false;
    gameargs::HostChoice c = choice;
    if (c.where == gameargs::HostChoice::Where::ThisNetwork) {
        c.tableName.clear();
    } else {
        c.tableName = lobbywire::cleanName(c.tableName, lobbywire::kMaxTableNameChars);
        if (c.tableName.isEmpty()) {
            emit notice(QStringLiteral("Give the table a name: the lobby shows it to players."));
            return false;
        }
    }
    launch(gameargs::hostArguments(lobbywire::cleanName(name, lobbywire::kMaxNameChars), c,
                                   context()));
    return true;
}

bool GameStarter::join(const QString& name, const gameargs::JoinTarget& target,
                       const std::optional<QString>& knownVersion) {
    if (!ready(name))
        return false;
    const QString player = lobbywire::cleanName(name, lobbywire::kMaxNameChars);
    if (knownVersion || !target.isCode()) {
        if (knownVersion) {
            const QString mismatch = gameargs::versionMismatch(*knownVersion);
            if (!mismatch.isEmpty()) {
                emit notice(mismatch);
                return false;
            }
        }
        launch(gameargs::joinArguments(player, target, context()));
        return true;
    }
    m_resolver = new InviteResolver(m_service, QStringLiteral("kestrunlobby"),
                                    QLatin1String(wire::kVersion), this);
    m_resolver->timeoutMs = resolveTimeoutMs;
    m_resolver->alternates = alternates;
    const auto done = [this] {
        m_resolver->disconnect(this);
        m_resolver->deleteLater();
        m_resolver = nullptr;
    };
    connect(m_resolver, &InviteResolver::resolved, this,
            [this, done, player, target](const lobbywire::Found& found) {
                done();
                const QString mismatch = gameargs::versionMismatch(found.version);
                if (!mismatch.isEmpty()) {
                    emit notice(mismatch);
                    emit nothingStarted();
                    return;
                }
                launch(gameargs::joinArguments(player, target, context()));
            });
    connect(m_resolver, &InviteResolver::failed, this,
            [this, done, target](const QString& why, bool unknown) {
                done();
                emit notice(
                    unknown ? QStringLiteral("No table has the invite code %1.").arg(target.code)
                            : why);
                emit nothingStarted();
            });
    m_resolver->resolve(target.code);
    return true;
}
