// SPDX-License-Identifier: GPL-3.0-or-later
// Readiness events. A read-ready notifier stands for the read, close and accept
// events of Windows Sockets; a write-ready notifier for connect-complete and
// write. Each event handler may destroy the instance, so every step after a
// callback first checks that the instance is still there.

#include "sysock.h"
#include "tsock.h"

#include <QPointer>

void TSock::onReadable() {
    if (m_fd < 0) {
        return;
    }
    if (m_listen) {
        onAcceptReady();
        return;
    }
    QPointer<TSock> self(this);
    if (m_socketType == TSocketType::stDatagram) {
        // The datagram waits in the socket until ReceiveDatagram fetches it,
        // which also re-arms this event.
        m_readArmed = false;
        updateNotifiers();
        if (const NotifyReadEvent handler = OnRead) {
            handler(this, static_cast<int>(m_incoming.size()));
        }
        return;
    }
    const std::int64_t n = sysock::receive(m_fd, m_area.data(), m_area.size());
    if (n > 0) {
        m_incoming.append(m_area.data(), n);
        info(TSocketInfo::Receive, TSockEvent::DataIn,
             QStringLiteral("Non-Blocking Incoming Data"));
        if (!self) {
            return;
        }
        if (const NotifyReadEvent handler = OnRead) {
            handler(this, static_cast<int>(m_incoming.size()));
        }
        return;
    }
    if (n < 0) {
        const int error = sysock::lastError();
        if (error == sysock::kWouldBlock || error == sysock::kInterrupted) {
            return;
        }
        reportError(error);
        return;
    }
    if (m_pendingError != 0) {
        // Our own send already took the reset from the socket; report it as the
        // reset it was rather than as an orderly close.
        reportError(m_pendingError);
        return;
    }
    // The peer closed in order: OnDisconnect, then Close. The end of stream stays
    // readable, so stop listening for it before anything else runs.
    m_eof = true;
    updateNotifiers();
    if (const NotifyEvent handler = OnDisconnect) {
        handler(this);
        if (!self) {
            return;
        }
    }
    Close();
}

void TSock::onWritable() {
    if (m_fd < 0) {
        return;
    }
    if (m_connecting) {
        onConnectReady();
        return;
    }
    if (!m_connected) {
        return;
    }
    QPointer<TSock> self(this);
    m_writeEventDue = false;
    if (!m_outgoing.isEmpty()) {
        Send(QByteArray());
        if (!self || m_sendDead) {
            // A connection that refuses data is not ready for writing; its
            // error comes through the read path.
            return;
        }
    } else {
        updateNotifiers();
    }
    info(TSocketInfo::Send, TSockEvent::DataOut, QStringLiteral("Non-Blocking Outgoing Data"));
    if (!self) {
        return;
    }
    if (const NotifyEvent handler = OnWrite) {
        handler(this);
    }
}

void TSock::onConnectReady() {
    const int code = m_pendingError != 0 ? m_pendingError : sysock::connectResult(m_fd);
    if (code != 0) {
        // A failed connect is only reported: the instance stays connecting, and
        // Open does nothing more, until Close.
        reportError(code);
        return;
    }
    m_connecting = false;
    m_connected = true;
    // Windows Sockets follows connect-complete with one write-ready event; the
    // bytes queued while connecting go out with it.
    m_writeEventDue = true;
    updateNotifiers();
    QPointer<TSock> self(this);
    info(TSocketInfo::Connect, TSockEvent::Connected,
         QStringLiteral("Non-Blocking Socket Connected"));
    if (!self) {
        return;
    }
    if (const NotifyEvent handler = OnConnect) {
        handler(this);
    }
}

void TSock::onAcceptReady() {
    // Like Windows Sockets, no further accept event until Accept is called.
    m_acceptArmed = false;
    updateNotifiers();
    if (m_autoAccept && OnAutoAccept) {
        autoAccept();
        return;
    }
    if (const NotifyEvent handler = OnAccept) {
        handler(this);
    }
}
