// SPDX-License-Identifier: GPL-3.0-or-later
// The blocking and datagram paths of Open, Send and Receive, datagram transfer
// and the automatic accept. The game itself uses none of them: all its sockets
// are notification-driven streams.

#include "tsock.h"

#include "sysock.h"

#include <QDeadlineTimer>
#include <QPointer>

#include <thread>

namespace {

sockaddr_in ipv4Address(std::uint32_t address, std::uint16_t port) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = port;
    a.sin_addr.s_addr = address;
    return a;
}

} // namespace

bool TSock::openBlocking() {
    const sockaddr_in to = ipv4Address(m_ownAddr, m_ownPort);
    QPointer<TSock> self(this);
    int rc;
    do {
        rc = sysock::connect(m_fd, to);
    } while (rc == sysock::kInterrupted);
    if (rc != 0) {
        info(TSocketInfo::Close, TSockEvent::CannotConnect,
             QStringLiteral("Blocking Socket Can't Connect"));
        if (self) {
            Close();
        }
        return false;
    }
    m_connected = true;
    return reportOpened(QStringLiteral("Blocking Socket Connected"));
}

bool TSock::openDatagram() {
    const sockaddr_in local = ipv4Address(m_ownAddr, m_ownPort);
    if (!sysock::bind(m_fd, local)) {
        return false; // silently unbound and not connected
    }
    m_connected = true;
    m_readArmed = true;
    updateNotifiers();
    return reportOpened(QStringLiteral("Datagram Socket Connected"));
}

// The end of a successful blocking or datagram Open: the report, then OnConnect.
// Either may delete the instance; Open then answers true, the state it reached.
bool TSock::reportOpened(const QString& text) {
    QPointer<TSock> self(this);
    info(TSocketInfo::Connect, TSockEvent::Connected, text);
    if (!self) {
        return true;
    }
    if (const NotifyEvent handler = OnConnect) {
        handler(this);
        if (!self) {
            return true;
        }
    }
    return m_connected;
}

void TSock::sendBlocking() {
    QPointer<TSock> self(this);
    while (!m_outgoing.isEmpty()) {
        const std::int64_t n = sysock::send(m_fd, m_outgoing.constData(),
                                            static_cast<std::size_t>(m_outgoing.size()), false);
        if (n < 0 && sysock::lastError() != sysock::kInterrupted) {
            info(TSocketInfo::Error, TSockEvent::SendFailed,
                 QStringLiteral("Socket Error On Send"));
            throw ESockException("Send - Socket Error");
        }
        if (n > 0) {
            m_outgoing.remove(0, n);
        }
        info(TSocketInfo::Send, TSockEvent::DataOut, QStringLiteral("Blocking Outgoing Data"));
        if (!self) {
            return;
        }
    }
    m_outgoing.clear();
}

// Waits until the socket is readable, for BlockingTimeout whole seconds, or
// without limit when it is negative.
bool TSock::waitReadable() {
    if (m_fd < 0) {
        return false;
    }
    QDeadlineTimer deadline = m_blockingTimeout < 0
                                  ? QDeadlineTimer(QDeadlineTimer::Forever)
                                  : QDeadlineTimer(qint64(m_blockingTimeout) * 1000);
    for (;;) {
        const qint64 left = deadline.remainingTime();
        const int rc = sysock::waitReadable(m_fd, left < 0 ? -1 : static_cast<int>(left));
        if (rc > 0) {
            return true;
        }
        if (rc == 0 || sysock::lastError() != sysock::kInterrupted) {
            return false;
        }
    }
}

QByteArray TSock::receiveBlocking(int count) {
    const int amount = (count < 0 || count > int(m_area.size())) ? int(m_area.size()) : count;
    // A read of no bytes at all would look like the peer's close.
    if (m_connected && m_fd >= 0 && amount > 0 && waitReadable()) {
        QPointer<TSock> self(this);
        info(TSocketInfo::Receive, TSockEvent::DataIn, QStringLiteral("Blocking Incoming Data"));
        if (!self) {
            return QByteArray();
        }
        std::int64_t n;
        int code = 0;
        do {
            n = sysock::receive(m_fd, m_area.data(), static_cast<std::size_t>(amount));
            code = n < 0 ? sysock::lastError() : 0;
        } while (code == sysock::kInterrupted);
        if (n < 0) {
            m_incoming.clear();
            info(TSocketInfo::Error, TSockEvent::ReceiveFailed,
                 QStringLiteral("Socket Error On Receive"));
            throw ESockException("Receive - Socket Error " + errorName(code).toStdString());
        }
        if (n > 0) {
            m_incoming.append(m_area.data(), n);
        } else {
            info(TSocketInfo::Close, TSockEvent::PeerClosed,
                 QStringLiteral("Socket Disconnected On Receive"));
            if (!self) {
                return QByteArray();
            }
            Close();
            if (!self) {
                return QByteArray();
            }
            if (const NotifyEvent handler = OnDisconnect) {
                handler(this);
                if (!self) {
                    return QByteArray();
                }
            }
        }
    }
    QByteArray all;
    all.swap(m_incoming);
    return all;
}

bool TSock::SendDatagram(const QByteArray& text, const QString& host) {
    if (m_fd < 0) {
        throw ESockException("SendDatagram - Socket Not Connected");
    }
    if (m_socketType == TSocketType::stStream) {
        throw ESockException("SendDatagram - Datagram Send Not Supported On Stream Sockets");
    }
    setHostName(host);
    if (!text.isEmpty()) {
        const sockaddr_in to = ipv4Address(m_ownAddr, m_ownPort);
        sysock::sendTo(m_fd, text.constData(), static_cast<std::size_t>(text.size()), to);
    }
    return true;
}

void TSock::ReceiveDatagram(QString& host, QByteArray& data) {
    if (m_fd < 0) {
        throw ESockException("ReceiveDatagram - Socket Not Connected");
    }
    if (m_socketType == TSocketType::stStream) {
        throw ESockException("ReceiveDatagram - Datagram Receive Not Supported On Stream Sockets");
    }
    host.clear();
    data.clear();
    if (waitReadable()) {
        sockaddr_in from{};
        const std::int64_t n = sysock::receiveFrom(m_fd, m_area.data(), m_area.size(), from);
        if (n > 0) {
            m_peerAddr = from.sin_addr.s_addr;
            m_peerPort = from.sin_port;
            data = QByteArray(m_area.data(), n);
            host = peerAddress();
        }
    }
    // Fetching a datagram re-arms the read event, as with Windows Sockets.
    m_readArmed = true;
    updateNotifiers();
}

void TSock::autoAccept() {
    TSock* newSock = takeCaller();
    if (!newSock) {
        return; // nothing was waiting after all
    }
    const NotifyAutoEvent handler = OnAutoAccept;
    if (!handler) {
        return;
    }
    if (m_blocking) {
        // A blocking listener hands the connection to a thread of its own, which
        // ends after the call; the handler must keep to thread-safe work.
        std::thread([handler, listener = this, newSock] { handler(listener, newSock); }).detach();
    } else {
        handler(this, newSock);
    }
}
