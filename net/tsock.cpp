// SPDX-License-Identifier: GPL-3.0-or-later
// TSock: construction, properties, reports, readiness registration and the
// stream operations Open, Close, Send and Receive.

#include "tsock.h"

#include "gameconnection.h"
#include "sysock.h"
#include "tsockstream.h"

#include <QPointer>
#include <QSocketNotifier>
#include <QTimer>

TSock::TSock(QObject* owner) : QObject(owner), m_stream(new TSockStream(this)) {}

TSock::~TSock() {
    if (m_listen || m_connected) {
        Close();
    } else if (m_fd >= 0) {
        // A connect that never completed: nobody is told, but the handle goes.
        releaseSocket();
    }
    delete m_stream;
}

// ---- properties ----

void TSock::setSocketType(TSocketType type) {
    if (m_listen) {
        throw ESockException("SocketType - Can't Assign Socket Type While Listening");
    }
    if (m_connected) {
        throw ESockException("SocketType - Can't Assign Socket Type While Connected");
    }
    m_socketType = type;
}

void TSock::setHostName(const QString& name) {
    if (m_connected && m_socketType == TSocketType::stStream) {
        info(TSocketInfo::Lookup, TSockEvent::ChangeIgnored,
             QStringLiteral("Setting HostName While Connected Has No Effect"));
    }
    m_hostName = name;
    if (m_connected && m_socketType == TSocketType::stDatagram) {
        m_ownAddr = lookupHost(name);
    }
}

void TSock::setPortName(const QString& name) {
    if (m_connected) {
        info(TSocketInfo::Lookup, TSockEvent::ChangeIgnored,
             QStringLiteral("Setting PortName While Connected Has No Effect"));
    }
    m_portName = name;
}

void TSock::setGameConnection() {
    m_gameConnection = true;
    if (m_fd >= 0 && m_socketType == TSocketType::stStream && !m_listen) {
        gameconnection::apply(m_fd);
    }
}

void TSock::setBlocking(bool blocking) {
    m_blocking = blocking;
    registerNotifications(m_listen);
}

std::uint16_t TSock::localPort() const {
    return m_fd < 0 ? 0 : sysock::localPort(m_fd);
}

QString TSock::peerAddress() const {
    in_addr a{};
    a.s_addr = m_peerAddr;
    return QString::fromLatin1(inet_ntoa(a));
}

// ---- reports ----

void TSock::info(TSocketInfo kind, TSockEvent event, const QString& text, int error) {
    // Call copies: a handler may reassign the handlers or destroy this instance.
    const NotifyReportEvent typed = OnReport;
    const NotifyInfoEvent plain = OnInfo;
    QPointer<TSock> self(this);
    try {
        if (typed) {
            typed(this, TSockReport{kind, event, text, error});
        }
        if (plain && self) {
            plain(this, kind, text);
        }
    } catch (...) {
        throw ESockException("Error here");
    }
}

void TSock::reportError(int wsaError) {
    // After an error the connection raises no further events, as with Windows
    // Sockets; the owner decides what to do with the instance.
    m_failed = true;
    m_pendingError = 0;
    updateNotifiers();
    info(TSocketInfo::Error, TSockEvent::SystemError,
         QStringLiteral("Error #%1 (%2)").arg(wsaError).arg(errorName(wsaError)), wsaError);
}

// ---- readiness registration ----

void TSock::registerNotifications(bool listening) {
    if (m_fd < 0) {
        return;
    }
    if (m_blocking && !listening) {
        m_notifying = false;
        updateNotifiers();
        sysock::setNonBlocking(m_fd, false);
        return;
    }
    sysock::setNonBlocking(m_fd, true);
    m_notifying = true;
    if (!m_readNotifier) {
        m_readNotifier = new QSocketNotifier(m_fd, QSocketNotifier::Read, this);
        m_readNotifier->setEnabled(false);
        connect(m_readNotifier, &QSocketNotifier::activated, this, &TSock::onReadable);
    }
    if (!m_writeNotifier && m_socketType == TSocketType::stStream && !listening) {
        m_writeNotifier = new QSocketNotifier(m_fd, QSocketNotifier::Write, this);
        m_writeNotifier->setEnabled(false);
        connect(m_writeNotifier, &QSocketNotifier::activated, this, &TSock::onWritable);
    }
    updateNotifiers();
}

// A notifier is level-triggered: it is enabled only while an event is wanted
// and something will clear its condition, or the loop would spin.
void TSock::updateNotifiers() {
    const bool live = m_fd >= 0 && m_notifying && !m_failed;
    if (m_readNotifier) {
        bool wantRead = false;
        if (live && !m_eof) {
            if (m_listen) {
                wantRead = m_acceptArmed;
            } else if (m_socketType == TSocketType::stDatagram) {
                wantRead = m_readArmed;
            } else {
                wantRead = m_connected;
            }
        }
        m_readNotifier->setEnabled(wantRead);
    }
    if (m_writeNotifier) {
        bool wantWrite = false;
        if (live && !m_listen && m_socketType == TSocketType::stStream) {
            wantWrite =
                m_connecting || (m_connected && !m_eof &&
                                 (m_writeEventDue || (!m_outgoing.isEmpty() && !m_sendDead)));
        }
        m_writeNotifier->setEnabled(wantWrite);
    }
}

void TSock::destroyNotifiers() {
    // Deferred deletion: this may run inside the notifier's own activation.
    for (QSocketNotifier** n : {&m_readNotifier, &m_writeNotifier}) {
        if (*n) {
            (*n)->setEnabled(false);
            (*n)->disconnect(this);
            (*n)->deleteLater();
            *n = nullptr;
        }
    }
}

// Closes the handle without any report and forgets the connection's state.
void TSock::releaseSocket() {
    destroyNotifiers();
    if (m_fd >= 0) {
        sysock::close(m_fd);
    }
    m_fd = -1;
    m_connected = false;
    m_connecting = false;
    m_notifying = false;
    m_failed = false;
    m_writeEventDue = false;
    m_sendDead = false;
    m_acceptArmed = false;
    m_readArmed = false;
    m_eof = false;
    m_pendingError = 0;
    // Bytes queued for a connection that is gone must never reach the next one.
    m_outgoing.clear();
}

// ---- operations ----

bool TSock::Open() {
    if (m_fd >= 0) {
        return m_connected;
    }
    // Names are looked up before the socket exists, so a failed look-up leaves
    // the instance idle and a later Open can try again.
    const std::uint16_t port = lookupPort(m_portName);
    const bool stream = m_socketType == TSocketType::stStream;
    const std::uint32_t address = lookupHost(stream ? m_hostName : QString());

    const sysock::Handle fd = sysock::open(stream);
    if (fd == sysock::kNone) {
        const int code = sysock::lastError();
        info(TSocketInfo::Error, TSockEvent::SystemError,
             QStringLiteral("Error #%1 (%2)").arg(code).arg(errorName(code)), code);
        return false;
    }
    m_fd = fd;
    m_ownPort = port;
    m_ownAddr = address;
    if (stream && m_gameConnection) {
        gameconnection::apply(m_fd);
    }
    registerNotifications(false);
    if (!stream) {
        return openDatagram();
    }
    if (m_blocking) {
        return openBlocking();
    }

    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = m_ownPort;
    to.sin_addr.s_addr = m_ownAddr;
    m_connecting = true;
    const int failed = sysock::connect(m_fd, to);
    if (failed != 0 && failed != sysock::kInterrupted) {
        // Failed at once: the failure still arrives as the connect notification.
        m_pendingError = failed;
    }
    updateNotifiers();
    const quint64 attempt = ++m_connectAttempt;
    if (m_connectTimeoutMs > 0) {
        QTimer::singleShot(m_connectTimeoutMs, this, [this, attempt] { connectTimedOut(attempt); });
    }
    return m_connected;
}

void TSock::connectTimedOut(quint64 attempt) {
    // Only the attempt the timer was set for, and only while it is still
    // under way: connected, failed or closed since, it has had its answer.
    if (attempt != m_connectAttempt || m_fd < 0 || !m_connecting || m_failed) {
        return;
    }
    reportError(sysock::kTimedOut);
}

bool TSock::Close() {
    bool ok = false;
    QPointer<TSock> self(this);
    try {
        if (m_fd >= 0) {
            destroyNotifiers();
            ok = sysock::close(m_fd);
            m_fd = -1;
        }
        releaseSocket();
        if (!m_listen) {
            info(TSocketInfo::Close, TSockEvent::Closed, QStringLiteral("Socket Closed"));
        }
        if (self) {
            m_listen = false;
        }
    } catch (...) {
        // Close never raises.
    }
    return ok;
}

bool TSock::Send(const QByteArray& text) {
    if (m_fd < 0) {
        throw ESockException("Send - Socket Not Connected");
    }
    if (m_listen) {
        throw ESockException("Send - Cannot Send On A Listener Socket");
    }
    if (m_socketType == TSocketType::stDatagram) {
        SendDatagram(text, m_hostName);
        return true;
    }
    m_outgoing.append(text);
    if (m_outgoing.isEmpty()) {
        return true;
    }
    if (m_blocking && m_connected) {
        sendBlocking();
        return true;
    }
    QPointer<TSock> self(this);
    info(TSocketInfo::Send, TSockEvent::DataOut, QStringLiteral("Non-Blocking Outgoing Data"));
    if (self) {
        flushOnce();
    }
    return true;
}

// One send of the whole outgoing buffer; what the system does not take waits
// for the next write-ready event.
void TSock::flushOnce() {
    // While connecting the bytes only wait: a send on a connect that is failing
    // would take the connect's error away from its notification.
    if (m_connected && !m_sendDead && m_fd >= 0 && !m_outgoing.isEmpty()) {
        const std::int64_t n = sysock::send(m_fd, m_outgoing.constData(),
                                            static_cast<std::size_t>(m_outgoing.size()), true);
        const int error = n < 0 ? sysock::lastError() : 0;
        if (n > 0) {
            m_outgoing.remove(0, n);
        } else if (n < 0 && error != sysock::kWouldBlock && error != sysock::kInterrupted &&
                   error != sysock::kNoBuffers) {
            // The connection refuses data. A reset taken from the socket here is
            // kept and reported by the read path in place of an end of stream;
            // a sending side already gone leaves the read path its own news.
            m_sendDead = true;
            if (error != sysock::kShutDown && !m_failed && m_pendingError == 0) {
                m_pendingError = error;
            }
        }
    }
    updateNotifiers();
}

QByteArray TSock::Receive(int count) {
    if (m_fd < 0 && m_incoming.isEmpty()) {
        throw ESockException("Receive - Socket Not Connected");
    }
    if (m_listen) {
        throw ESockException("Receive - Cannot Receive On A Listener Socket");
    }
    if (m_socketType == TSocketType::stDatagram) {
        QString host;
        QByteArray data;
        ReceiveDatagram(host, data);
        return data;
    }
    if (m_blocking) {
        return receiveBlocking(count);
    }
    if (count == -1 || count >= m_incoming.size()) {
        QByteArray all;
        all.swap(m_incoming);
        return all;
    }
    if (count < 0) {
        return QByteArray();
    }
    QByteArray head = m_incoming.first(count);
    m_incoming.remove(0, count);
    return head;
}
