// SPDX-License-Identifier: GPL-3.0-or-later
// Listening and accepting: the Listen property, Accept, and the constructor for
// the connections a listener hands out.

#include "tsock.h"

#include "sysock.h"
#include "tsockstream.h"

#include <QPointer>

TSock::TSock(TSock* listener, std::intptr_t fd, AcceptTag)
    : QObject(listener), m_stream(new TSockStream(this)) {
    m_fd = fd;
    m_blockingTimeout = listener->m_blockingTimeout;
    OnRead = listener->OnRead;
    OnWrite = listener->OnWrite;
    OnDisconnect = listener->OnDisconnect;
    OnInfo = listener->OnInfo;
    OnReport = listener->OnReport;
    m_connected = true;
    // Windows Sockets posts one write-ready event to a newly accepted connection.
    m_writeEventDue = true;
    m_blocking = listener->m_blocking;
    registerNotifications(false);
}

void TSock::setListen(bool value) {
    const bool wasListening = m_listen;
    if (m_fd >= 0 && !m_listen) {
        m_listen = false;
        throw ESockException("Listen - Socket Already In Use");
    }
    if (value && m_socketType == TSocketType::stDatagram) {
        m_listen = false;
        throw ESockException("Listen - Cannot Listen On A Datagram Socket");
    }
    if (!value) {
        m_listen = false;
        QPointer<TSock> self(this);
        Close();
        if (self) {
            info(TSocketInfo::Listen, TSockEvent::ListeningStopped,
                 QStringLiteral("Listening Stopped"));
        }
        return;
    }
    if (wasListening) {
        info(TSocketInfo::Listen, TSockEvent::AlreadyListening,
             QStringLiteral("Listening Already Running"));
        return;
    }

    // Listen reads False until listening has really started.
    m_listen = false;
    m_listenError = 0;
    in_addr bindTo{};
    bindTo.s_addr = htonl(INADDR_ANY);
    if (!m_bindAddress.isEmpty() &&
        inet_pton(AF_INET, m_bindAddress.toLatin1().constData(), &bindTo) != 1)
        throw ESockException("Listen - Error Binding Socket");
    const std::uint16_t port = lookupPort(m_portName);
    const sysock::Handle fd = sysock::open(true);
    if (fd == sysock::kNone) {
        throw ESockException("Listen - Error Binding Socket");
    }
    // A restarted host can listen again at once while an old connection lingers;
    // another program listening on the port still makes bind fail.
    sysock::prepareListener(fd);
    m_fd = fd;
    m_ownAddr = bindTo.s_addr;
    m_ownPort = port;
    registerNotifications(true);

    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_port = m_ownPort;
    local.sin_addr.s_addr = m_ownAddr;
    if (!sysock::bind(m_fd, local)) {
        // Kept for the owner, who can tell the player what stands in the way
        // (the component's own text stays the fixed one).
        m_listenError = sysock::lastError();
        // The failed socket is let go, so a later attempt can succeed.
        releaseSocket();
        throw ESockException("Listen - Error Binding Socket");
    }
    if (!sysock::listen(m_fd, 5)) {
        releaseSocket();
        throw ESockException("Listen - Error Starting Listen");
    }
    m_listen = true;
    m_acceptArmed = true;
    updateNotifiers();
    info(TSocketInfo::Listen, TSockEvent::ListeningStarted, QStringLiteral("Listening Started"));
}

bool TSock::Accept(TSock*& newSock) {
    if (!m_listen) {
        throw ESockException("Accept - Socket Not In Listening Mode");
    }
    QPointer<TSock> self(this);
    if (m_blocking) {
        info(TSocketInfo::Accept, TSockEvent::AcceptWaiting, QStringLiteral("Blocking Accept"));
        if (!self) {
            return false;
        }
    }
    newSock = takeCaller();
    if (!newSock) {
        info(TSocketInfo::Accept, TSockEvent::AcceptFailed,
             QStringLiteral("Could Not Accept Connection"));
        return false;
    }
    info(TSocketInfo::Accept, TSockEvent::Accepted, QStringLiteral("Created New TSock Structure"));
    return true;
}

TSock* TSock::takeCaller() {
    sockaddr_in caller{};
    const sysock::Handle fd = sysock::accept(m_fd, caller);
    // Taking a connection (or trying to) re-arms the accept event.
    m_acceptArmed = true;
    updateNotifiers();
    if (fd == sysock::kNone) {
        return nullptr;
    }
    m_peerAddr = caller.sin_addr.s_addr;
    m_peerPort = caller.sin_port;
    auto* newSock = new TSock(this, fd, AcceptTag{});
    newSock->setPortName(m_portName);
    newSock->setHostName(peerAddress());
    return newSock;
}
