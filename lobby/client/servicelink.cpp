// SPDX-License-Identifier: GPL-3.0-or-later
#include "servicelink.h"

#include <QHostAddress>
#include <QPointer>
#include <QTcpSocket>
#include <QTimer>

#include <algorithm>

namespace {

// "8 s", "0.3 s": how long the link waited, as the player reads it.
QString seconds(int ms) {
    if (ms % 1000 == 0)
        return QString::number(ms / 1000) + QStringLiteral(" s");
    return QString::number(ms / 1000.0, 'g', 3) + QStringLiteral(" s");
}

} // namespace

ServiceLink::ServiceLink(Options options, QObject* parent)
    : QObject(parent), m_options(std::move(options)), m_timer(new QTimer(this)),
      m_idleTimer(new QTimer(this)), m_answerTimer(new QTimer(this)) {
    m_timer->setSingleShot(true);
    m_idleTimer->setSingleShot(true);
    m_answerTimer->setSingleShot(true);
    m_retryMs = m_options.firstRetryMs;
    connect(m_timer, &QTimer::timeout, this, [this] {
        if (m_state == State::Connecting)
            end(unreachable(QStringLiteral("no answer within ") +
                            seconds(m_options.connectTimeoutMs)),
                false);
        else if (m_state == State::Waiting)
            startConnecting();
    });
    connect(m_idleTimer, &QTimer::timeout, this, &ServiceLink::onIdle);
    connect(m_answerTimer, &QTimer::timeout, this, [this] {
        end(unreachable(QStringLiteral("no answer within ") + seconds(m_options.answerTimeoutMs)),
            false);
    });
}

ServiceLink::~ServiceLink() {
    if (m_socket) {
        // The socket goes with this object; what was queued still reaches the
        // system first, so a last UNHOST is not lost.
        disconnect(m_socket, nullptr, this, nullptr);
        m_socket->flush();
    }
}

QString ServiceLink::peerAddress() const {
    if (!m_socket || m_state != State::Open)
        return {};
    QHostAddress peer = m_socket->peerAddress();
    bool ipv4 = false;
    const quint32 v4 = peer.toIPv4Address(&ipv4);
    if (ipv4)
        return QHostAddress(v4).toString();
    peer.setScopeId(QString());
    return peer.toString();
}

quint16 ServiceLink::peerPort() const {
    return m_socket && m_state == State::Open ? m_socket->peerPort() : 0;
}

void ServiceLink::open() {
    if (m_state == State::Connecting || m_state == State::Open)
        return;
    m_wanted = true;
    m_retryMs = m_options.firstRetryMs;
    startConnecting();
}

void ServiceLink::close() {
    m_wanted = false;
    ++m_attempt;
    resetTimers();
    if (m_socket) {
        QTcpSocket* socket = m_socket;
        m_socket = nullptr;
        disconnect(socket, nullptr, this, nullptr);
        socket->flush();
        // A graceful close lets the rest of the queue go out while the event
        // loop runs; the socket stays a child, so it never outlives the link.
        connect(socket, &QAbstractSocket::disconnected, socket, &QObject::deleteLater);
        socket->disconnectFromHost();
        if (socket->state() == QAbstractSocket::UnconnectedState)
            socket->deleteLater();
    }
    m_buffer.clear();
    m_problem.clear();
    m_state = State::Closed;
}

bool ServiceLink::send(const QByteArray& line) {
    if (m_state != State::Open)
        return false;
    if (m_socket)
        m_socket->write(line);
    m_idleTimer->start(m_options.idlePingMs);
    return true;
}

void ServiceLink::release(ServiceLink*& link, QObject* receiver) {
    if (!link)
        return;
    disconnect(link, nullptr, receiver, nullptr);
    link->close();
    link->deleteLater();
    link = nullptr;
}

void ServiceLink::receiveBytes(const QByteArray& bytes) {
    m_buffer += bytes;
    QList<QByteArray> lines;
    const bool withinLimit = lobbywire::cutLines(m_buffer, lines);
    // A slot may close the link, or delete it, while lines remain: those are
    // then no longer this connection's business.
    const QPointer<ServiceLink> self(this);
    const quint64 attempt = m_attempt;
    for (const QByteArray& line : std::as_const(lines)) {
        handleLine(line);
        if (!self || attempt != m_attempt)
            return;
    }
    if (!withinLimit)
        end(serviceText() +
                QStringLiteral(" sent a line longer than %1 bytes").arg(lobbywire::kMaxLineBytes),
            false);
}

void ServiceLink::handleLine(const QByteArray& line) {
    m_answerTimer->stop();
    const lobbywire::Message received = lobbywire::split(line);
    if (const auto bye = lobbywire::readBye(received)) {
        end(bye->text, bye->word == QLatin1String("version"));
        return;
    }
    if (m_state != State::Open) {
        // Before WELCOME nothing else is the owner's business.
        const auto welcome = lobbywire::readWelcome(received);
        if (!welcome)
            return;
        if (welcome->protocol != lobbywire::kProtocolVersion) {
            end(serviceText() + QStringLiteral(" speaks protocol %1; this program speaks %2.")
                                    .arg(welcome->protocol)
                                    .arg(lobbywire::kProtocolVersion),
                true);
            return;
        }
        m_timer->stop();
        m_state = State::Open;
        m_problem.clear();
        m_retryMs = m_options.firstRetryMs;
        m_triedInRound = 0;
        m_idleTimer->start(m_options.idlePingMs);
        emit opened();
        return;
    }
    if (lobbywire::isBare(received, lobbywire::name::pong) ||
        received.name == lobbywire::name::welcome)
        return;
    emit message(received);
}

void ServiceLink::startConnecting() {
    dropSocket();
    resetTimers();
    m_buffer.clear();
    m_state = State::Connecting;
    const quint64 attempt = ++m_attempt;
    m_timer->start(m_options.connectTimeoutMs);
    // Started from the event loop: a connect that fails at once reports
    // before connectToHost returns, and no signal may come from inside open().
    QTimer::singleShot(0, this, [this, attempt] {
        if (attempt != m_attempt || m_state != State::Connecting)
            return;
        m_socket = new QTcpSocket(this);
        connect(m_socket, &QTcpSocket::connected, this, &ServiceLink::onConnected);
        connect(m_socket, &QTcpSocket::readyRead, this, &ServiceLink::onReadyRead);
        connect(m_socket, &QTcpSocket::errorOccurred, this, &ServiceLink::onSocketEnded);
        connect(m_socket, &QTcpSocket::disconnected, this, &ServiceLink::onSocketEnded);
        const lobbywire::HostPort service = current();
        m_socket->connectToHost(service.host, service.port, QIODevice::ReadWrite,
                                m_options.ipv4Only ? QAbstractSocket::IPv4Protocol
                                                   : QAbstractSocket::AnyIPProtocol);
    });
}

void ServiceLink::onConnected() {
    if (!m_socket)
        return;
    // Every line is written whole, so there is nothing to gather; and a last
    // UNHOST must not wait behind an unanswered segment when the program ends.
    m_socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    m_socket->write(lobbywire::hello(m_options.program, m_options.version));
}

void ServiceLink::onReadyRead() {
    if (m_socket)
        receiveBytes(m_socket->readAll());
}

void ServiceLink::onSocketEnded() {
    if (!m_socket)
        return;
    // The service's last words (a BYE) may still wait unread.
    if (m_socket->bytesAvailable() > 0) {
        const QPointer<ServiceLink> self(this);
        const quint64 attempt = m_attempt;
        receiveBytes(m_socket->readAll());
        if (!self || attempt != m_attempt || !m_socket)
            return;
    }
    const QAbstractSocket::SocketError error = m_socket->error();
    if (m_state == State::Open || error == QAbstractSocket::RemoteHostClosedError ||
        error == QAbstractSocket::UnknownSocketError)
        end(serviceText() + QStringLiteral(" closed the connection"), false);
    else
        end(unreachable(m_socket->errorString()), false);
}

void ServiceLink::onIdle() {
    if (m_state != State::Open)
        return;
    send(lobbywire::ping());
    if (!m_answerTimer->isActive())
        m_answerTimer->start(m_options.answerTimeoutMs);
}

void ServiceLink::end(const QString& why, bool refusedForGood) {
    ++m_attempt;
    dropSocket();
    resetTimers();
    m_buffer.clear();
    m_problem = why;
    if (refusedForGood) {
        m_wanted = false;
        m_state = State::Refused;
        emit refused(why);
        return;
    }
    if (m_wanted && m_options.reconnect) {
        m_state = State::Waiting;
        const int instances = 1 + int(m_options.alternates.size());
        if (instances > 1 && ++m_triedInRound < instances) {
            // Another instance of the service is tried at once.
            m_instance = (m_instance + 1) % instances;
            m_timer->start(kSwitchMs);
        } else {
            if (instances > 1) {
                m_instance = (m_instance + 1) % instances;
                m_triedInRound = 0;
            }
            m_timer->start(m_retryMs);
            m_retryMs =
                std::min(m_retryMs * 2, std::max(m_options.maxRetryMs, m_options.firstRetryMs));
        }
    } else {
        m_state = State::Closed;
    }
    emit lost(why);
}

void ServiceLink::dropSocket() {
    if (!m_socket)
        return;
    disconnect(m_socket, nullptr, this, nullptr);
    m_socket->abort();
    // Possibly inside one of its own signals: deleted once that has returned.
    m_socket->deleteLater();
    m_socket = nullptr;
}

void ServiceLink::resetTimers() {
    m_timer->stop();
    m_idleTimer->stop();
    m_answerTimer->stop();
}

lobbywire::HostPort ServiceLink::current() const {
    return m_instance == 0 ? m_options.service : m_options.alternates.value(m_instance - 1);
}

QString ServiceLink::serviceText() const {
    return QStringLiteral("The lobby service at ") + lobbywire::hostPortText(current());
}

QString ServiceLink::unreachable(const QString& why) const {
    return serviceText() + QStringLiteral(" can't be reached: ") + why;
}
