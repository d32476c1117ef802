// SPDX-License-Identifier: GPL-3.0-or-later
#include "linkserver.h"

#include <QTcpServer>
#include <QTcpSocket>

#if defined(Q_OS_UNIX)
#include <unistd.h>
#endif

namespace {

uint ownUser() {
#if defined(Q_OS_UNIX)
    return uint(::getuid());
#else
    return 0;
#endif
}

} // namespace

LinkServer::LinkServer(quint16 preferredPort, QObject* parent)
    : LinkServer(preferredPort, linkowner::systemLookup(), linkowner::systemKnowsOwners(),
                 ownUser(), parent) {}

LinkServer::LinkServer(quint16 preferredPort, linkowner::Lookup lookup, bool ownersKnown,
                       uint ownUid, QObject* parent)
    : QObject(parent), m_preferredPort(preferredPort), m_lookup(std::move(lookup)),
      m_ownersKnown(ownersKnown), m_ownUid(ownUid), m_server(new QTcpServer(this)) {
    connect(m_server, &QTcpServer::newConnection, this, &LinkServer::onNewConnection);
}

LinkServer::~LinkServer() = default;

bool LinkServer::listen() {
    if (m_server->isListening())
        return true;
    return m_server->listen(QHostAddress::LocalHost, m_preferredPort) ||
           m_server->listen(QHostAddress::LocalHost, 0);
}

quint16 LinkServer::port() const {
    return m_server->serverPort();
}

void LinkServer::onNewConnection() {
    while (QTcpSocket* socket = m_server->nextPendingConnection()) {
        const bool ours = m_links.size() < kMaxLinks &&
                          linkowner::fromOwnUser(socket->peerPort(), socket->localPort(), m_lookup,
                                                 m_ownersKnown, m_ownUid);
        if (!ours || socket->state() != QAbstractSocket::ConnectedState) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
        m_links.append(socket);
        connect(socket, &QTcpSocket::readyRead, socket, [socket] { socket->readAll(); });
        connect(socket, &QTcpSocket::disconnected, this,
                [this, socket] { onDisconnected(socket); });
        emit linkOpened();
    }
}

void LinkServer::onDisconnected(QTcpSocket* socket) {
    if (!m_links.removeOne(socket))
        return;
    socket->deleteLater();
    if (m_links.isEmpty())
        emit allClosed();
}
