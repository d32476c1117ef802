// SPDX-License-Identifier: GPL-3.0-or-later
#include "dedicatedserver.h"

#include "protocol.h"
#include "tserver.h"
#include "tsock.h"

namespace {

QString quoted(const QByteArray& name) {
    return u'"' + wire::decodeShown(name) + u'"';
}

QString lengthText(int setting) {
    if (setting == 0)
        return QStringLiteral("any length");
    if (setting == 8)
        return QStringLiteral("random length");
    return QStringLiteral("%1 letters").arg(setting);
}

QString reasonText(DropReason reason) {
    switch (reason) {
    case DropReason::Refused:
        return QStringLiteral("refused: connects too often; refused for a minute");
    case DropReason::Full:
        return QStringLiteral("refused: game full");
    case DropReason::Flooding:
        return QStringLiteral("disconnected: flooding; address refused for a minute");
    case DropReason::NoLogin:
        return QStringLiteral("disconnected: no login");
    case DropReason::NotReading:
        return QStringLiteral("disconnected: not reading");
    case DropReason::Failed:
        return QStringLiteral("disconnected: connection lost");
    case DropReason::ReadFailed:
        return QStringLiteral("disconnected: its data could not be read");
    case DropReason::Kicked:
        return QStringLiteral("removed by the host");
    }
    return {};
}

} // namespace

DedicatedServer::DedicatedServer(const QString& workDir, const DedicatedSettings& settings,
                                 std::function<void(const QString&)> log, QObject* parent)
    : QObject(parent), m_settings(settings), m_log(std::move(log)),
      m_server(std::make_unique<TServer>(workDir)) {
    m_server->timeBetweenRounds = [this] { return m_settings.pauseSeconds; };
    m_server->botSpeed = [this] { return m_settings.botMs; };
    m_server->showMessage = [this](const QString& m) { m_log(m); };
    m_server->onGameNews = [this](const GameNews& n) { m_log(describe(n)); };
    m_server->onConnectionNews = [this](const ConnectionNews& n) { m_log(describe(n)); };
}

DedicatedServer::~DedicatedServer() = default;

void DedicatedServer::start() {
    TSock& listener = *m_server->Sock1;
    listener.setPortName(QString::number(m_settings.port));
    try {
        listener.setListen(true);
    } catch (const ESockException& e) {
        // The operator reads which port and why under the component's text.
        if (listener.ListenError() == 0)
            throw;
        const QString text =
            QString::fromLocal8Bit(e.what()) + u'\n' +
            TSock::listenProblem(listener.PortName(), listener.ListenError()) +
            QStringLiteral("\nTo serve on another port, start the server with --port and a free "
                           "port number.");
        throw ESockException(text.toLocal8Bit().toStdString());
    }
    m_log(QStringLiteral("listening on port %1, %2 s between rounds, computer every %3 ms")
              .arg(m_settings.port)
              .arg(m_settings.pauseSeconds)
              .arg(m_settings.botMs));
}

QString DedicatedServer::describe(const GameNews& n) {
    switch (n.kind) {
    case GameNews::Kind::Joined:
        return QStringLiteral("join: slot %1 %2").arg(n.slot).arg(quoted(n.name));
    case GameNews::Kind::Left:
        return QStringLiteral("leave: slot %1 %2").arg(n.slot).arg(quoted(n.name));
    case GameNews::Kind::GameStarted:
        return QStringLiteral("game: started by slot %1 %2, %3 rounds of %4 s, %5")
            .arg(n.slot)
            .arg(quoted(n.name))
            .arg(n.rounds)
            .arg(n.seconds)
            .arg(lengthText(n.lengthSetting));
    case GameNews::Kind::Won:
        if (n.slot == 2 && n.name.isEmpty())
            return QStringLiteral("winner: seat 2, the computer");
        return QStringLiteral("winner: seat %1 %2").arg(n.slot).arg(quoted(n.name));
    }
    return {};
}

QString DedicatedServer::describe(const ConnectionNews& n) {
    const QString from = n.address.isEmpty() ? QStringLiteral("?") : n.address;
    if (n.kind == ConnectionNews::Kind::Opened)
        return QStringLiteral("connect: %1 takes slot %2").arg(from).arg(n.slot);
    if (n.slot == 0)
        return QStringLiteral("connect: %1 %2").arg(from, reasonText(n.reason));
    return QStringLiteral("drop: slot %1 (%2) %3").arg(n.slot).arg(from, reasonText(n.reason));
}
