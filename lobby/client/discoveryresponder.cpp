// SPDX-License-Identifier: GPL-3.0-or-later
#include "discovery.h"

#include "lobbyreaders.h"

#include <QNetworkDatagram>
#include <QUdpSocket>

#include <algorithm>

namespace {

constexpr qint64 kLimitWindowMs = 1000;

void forgetBefore(QList<qint64>& times, qint64 since) {
    times.erase(times.begin(),
                std::find_if(times.begin(), times.end(), [since](qint64 t) { return t > since; }));
}

} // namespace

DiscoveryResponder::DiscoveryResponder(quint16 port, QObject* parent)
    : QObject(parent), m_port(port) {
    m_steady.start();
    m_clock = [this] { return m_steady.elapsed(); };
}

DiscoveryResponder::~DiscoveryResponder() = default;

bool DiscoveryResponder::start() {
    if (m_socket)
        return true;
    auto* socket = new QUdpSocket(this);
    // Every server on this machine binds the same port, and a broadcast query
    // reaches each of them.
    if (!socket->bind(QHostAddress::AnyIPv4, m_port,
                      QUdpSocket::ShareAddress | QUdpSocket::ReuseAddressHint)) {
        m_problem = QStringLiteral("Players on this network can't find the table: UDP port %1 "
                                   "can't be used (%2).")
                        .arg(m_port)
                        .arg(socket->errorString());
        delete socket;
        return false;
    }
    m_problem.clear();
    m_socket = socket;
    connect(m_socket, &QUdpSocket::readyRead, this, &DiscoveryResponder::onReadyRead);
    return true;
}

void DiscoveryResponder::stop() {
    delete m_socket;
    m_socket = nullptr;
}

bool DiscoveryResponder::answering() const {
    return m_socket != nullptr;
}

void DiscoveryResponder::setTable(const QString& tableName, quint16 gamePort,
                                  const QString& gameVersion, const lobbywire::TableState& state) {
    m_hasTable = true;
    m_tableName = tableName;
    m_gamePort = gamePort;
    m_gameVersion = gameVersion;
    m_state = state;
}

void DiscoveryResponder::setClock(std::function<qint64()> nowMs) {
    m_clock = std::move(nowMs);
}

void DiscoveryResponder::onReadyRead() {
    while (m_socket && m_socket->hasPendingDatagrams()) {
        // One byte over the limit is enough to tell an oversized query.
        const QNetworkDatagram datagram =
            m_socket->receiveDatagram(lobbywire::kMaxDatagramBytes + 1);
        if (!m_hasTable || !datagram.isValid() || datagram.senderPort() <= 0)
            continue;
        const auto query = lobbywire::readQuery(datagram.data());
        if (!query)
            continue;
        const QHostAddress sender = datagram.senderAddress();
        if (!mayAnswer(sender.toString(), m_clock()))
            continue;
        m_socket->writeDatagram(
            lobbywire::answer(query->token, m_gamePort, m_gameVersion, m_tableName, m_state),
            sender, quint16(datagram.senderPort()));
    }
}

bool DiscoveryResponder::mayAnswer(const QString& from, qint64 now) {
    const qint64 since = now - kLimitWindowMs;
    forgetBefore(m_answered, since);
    // Only addresses answered within the window are kept, so a flood of
    // forged senders keeps at most kMaxAnswersPerSecond entries.
    for (auto it = m_answeredTo.begin(); it != m_answeredTo.end();) {
        forgetBefore(it.value(), since);
        it = it.value().isEmpty() ? m_answeredTo.erase(it) : std::next(it);
    }
    if (m_answered.size() >= kMaxAnswersPerSecond)
        return false;
    QList<qint64>& toSender = m_answeredTo[from];
    if (toSender.size() >= kMaxAnswersPerSource)
        return false;
    toSender << now;
    m_answered << now;
    return true;
}
