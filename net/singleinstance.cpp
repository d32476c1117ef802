// SPDX-License-Identifier: GPL-3.0-or-later
#include "singleinstance.h"

#include <QLocalServer>
#include <QLocalSocket>

namespace {

const QByteArray kRaiseRequest = QByteArrayLiteral("raise\n");
// Long enough for a busy first copy to accept, short enough that a second start
// never seems to hang.
constexpr int kConnectWaitMs = 1000;

} // namespace

SingleInstance::SingleInstance(QString name, QObject* parent)
    : QObject(parent), m_name(std::move(name)) {}

SingleInstance::~SingleInstance() = default;

QString SingleInstance::defaultName() {
    return nameFor(QStringLiteral("Nurtsek"));
}

QString SingleInstance::nameFor(const QString& program) {
    QString user = qEnvironmentVariable("USER");
    if (user.isEmpty())
        user = qEnvironmentVariable("LOGNAME");
    if (user.isEmpty())
        user = qEnvironmentVariable("USERNAME"); // Windows
    QString desktop = qEnvironmentVariable("DISPLAY");
    if (desktop.isEmpty())
        desktop = qEnvironmentVariable("WAYLAND_DISPLAY");
    if (desktop.isEmpty())
        desktop = qEnvironmentVariable("SESSIONNAME"); // Windows: Console, RDP-Tcp#1, ...
    QString name = program + user + desktop;
    // The name becomes a file name: keep it to characters every file system takes.
    for (QChar& c : name) {
        if (!(c.isLetterOrNumber() || c == u'-' || c == u'_' || c == u'.'))
            c = u'_';
    }
    return name;
}

bool SingleInstance::claim() {
    {
        QLocalSocket probe;
        probe.connectToServer(m_name);
        if (probe.waitForConnected(kConnectWaitMs)) {
            probe.write(kRaiseRequest);
            probe.waitForBytesWritten(kConnectWaitMs);
            probe.disconnectFromServer();
            return false;
        }
    }
    // Nobody answered: whatever socket file is left is stale.
    QLocalServer::removeServer(m_name);
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    connect(m_server, &QLocalServer::newConnection, this, &SingleInstance::onNewConnection);
    // If listening fails the program still runs, as a first copy that cannot be
    // found by later ones.
    m_server->listen(m_name);
    return true;
}

void SingleInstance::onNewConnection() {
    while (QLocalSocket* peer = m_server->nextPendingConnection()) {
        connect(peer, &QLocalSocket::disconnected, peer, &QObject::deleteLater);
        auto handle = [this, peer] {
            if (peer->canReadLine() && peer->readLine() == kRaiseRequest)
                emit raiseRequested();
        };
        connect(peer, &QLocalSocket::readyRead, this, handle);
        handle();
    }
}
