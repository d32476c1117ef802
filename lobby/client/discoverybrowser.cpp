// SPDX-License-Identifier: GPL-3.0-or-later
#include "discovery.h"

#include "lobbyaddress.h"
#include "lobbyreaders.h"

#include <QNetworkDatagram>
#include <QNetworkInterface>
#include <QRandomGenerator>
#include <QTimer>
#include <QUdpSocket>

#include <algorithm>
#include <cstdlib>

namespace {

// A round trip that moved less than this is not news: the list would
// otherwise repaint on every answer.
constexpr int kRttCalmMs = 5;
constexpr int kTokenChars = 12;

QString freshToken() {
    static const char symbols[] = "0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";
    QString token;
    for (int i = 0; i < kTokenChars; ++i)
        token += QLatin1Char(symbols[QRandomGenerator::global()->bounded(int(sizeof symbols) - 1)]);
    return token;
}

} // namespace

QString LanTable::key() const {
    return lobbywire::hostPortText({address, port});
}

DiscoveryBrowser::DiscoveryBrowser(Options options, QObject* parent)
    : QObject(parent), m_options(std::move(options)), m_timer(new QTimer(this)) {
    m_clock.start();
    connect(m_timer, &QTimer::timeout, this, &DiscoveryBrowser::probe);
}

DiscoveryBrowser::~DiscoveryBrowser() = default;

void DiscoveryBrowser::start() {
    m_timer->start(m_options.intervalMs);
    probe();
}

void DiscoveryBrowser::stop() {
    m_timer->stop();
    m_sent.clear();
    m_heard.clear();
    // A stopped browser knows nothing current.
    if (!m_tables.isEmpty()) {
        m_tables.clear();
        emit changed();
    }
}

void DiscoveryBrowser::probe() {
    if (!m_socket) {
        m_socket = new QUdpSocket(this);
        // Qt turns SO_BROADCAST on for every UDP socket it makes, so the
        // broadcast addresses need nothing more.
        if (!m_socket->bind(QHostAddress::AnyIPv4, 0)) {
            delete m_socket;
            m_socket = nullptr;
            return;
        }
        connect(m_socket, &QUdpSocket::readyRead, this, &DiscoveryBrowser::onReadyRead);
    }
    forgetSilent();
    // Read afresh for every query: an interface may come or go meanwhile.
    m_ownAddresses = QNetworkInterface::allAddresses();
    const qint64 now = m_clock.elapsed();
    for (auto it = m_sent.begin(); it != m_sent.end();)
        it = now - it.value() > m_options.answerWindowMs ? m_sent.erase(it) : std::next(it);
    const QString token = freshToken();
    m_sent.insert(token, now);
    const QByteArray datagram = lobbywire::query(token);
    // A target without a route (255.255.255.255 on a network without a
    // default route) fails alone; the others are still asked.
    for (const QHostAddress& target : queryTargets())
        m_socket->writeDatagram(datagram, target, m_options.port);
}

QList<LanTable> DiscoveryBrowser::tables() const {
    QList<LanTable> list = m_tables.values();
    std::sort(list.begin(), list.end(), [](const LanTable& a, const LanTable& b) {
        const int byName = a.tableName.compare(b.tableName, Qt::CaseInsensitive);
        if (byName != 0)
            return byName < 0;
        return a.key() < b.key();
    });
    return list;
}

void DiscoveryBrowser::onReadyRead() {
    bool news = false;
    while (m_socket && m_socket->hasPendingDatagrams()) {
        const QNetworkDatagram datagram =
            m_socket->receiveDatagram(lobbywire::kMaxDatagramBytes + 1);
        if (!datagram.isValid())
            continue;
        const auto answer = lobbywire::readAnswer(datagram.data());
        if (!answer)
            continue;
        const qint64 now = m_clock.elapsed();
        const auto sent = m_sent.constFind(answer->token);
        if (sent == m_sent.cend() || now - sent.value() > m_options.answerWindowMs)
            continue;
        QHostAddress from = datagram.senderAddress();
        bool isV4 = false;
        const quint32 v4 = from.toIPv4Address(&isV4);
        if (isV4)
            from = QHostAddress(v4);
        // A table on this machine answers a broadcast from its network
        // address and the loopback queries from 127.0.0.1; it is one table,
        // as a game port on one machine belongs to one server.
        if (from.isLoopback() || m_ownAddresses.contains(from))
            from = QHostAddress(QHostAddress::LocalHost);
        LanTable table;
        table.address = from.toString();
        table.port = answer->port;
        table.version = answer->version;
        table.tableName = answer->tableName;
        table.state = answer->state;
        table.rttMs = int(now - sent.value());
        const QString key = table.key();
        m_heard.insert(key, now);
        const auto known = m_tables.constFind(key);
        if (known != m_tables.cend()) {
            LanTable calm = table;
            if (std::abs(calm.rttMs - known->rttMs) < kRttCalmMs)
                calm.rttMs = known->rttMs;
            if (calm == *known)
                continue;
            table = calm;
        }
        m_tables.insert(key, table);
        news = true;
    }
    if (news)
        emit changed();
}

void DiscoveryBrowser::forgetSilent() {
    const qint64 now = m_clock.elapsed();
    bool news = false;
    for (auto it = m_tables.begin(); it != m_tables.end();) {
        if (now - m_heard.value(it.key()) > m_options.forgetAfterMs) {
            m_heard.remove(it.key());
            it = m_tables.erase(it);
            news = true;
        } else {
            ++it;
        }
    }
    if (news)
        emit changed();
}

QList<QHostAddress> DiscoveryBrowser::queryTargets() const {
    if (!m_options.targets.isEmpty())
        return m_options.targets;
    QList<QHostAddress> targets;
    const auto interfaces = QNetworkInterface::allInterfaces();
    for (const QNetworkInterface& i : interfaces) {
        const auto flags = i.flags();
        if (!flags.testFlag(QNetworkInterface::IsUp) ||
            !flags.testFlag(QNetworkInterface::CanBroadcast))
            continue;
        for (const QNetworkAddressEntry& entry : i.addressEntries()) {
            const QHostAddress broadcast = entry.broadcast();
            if (entry.ip().protocol() == QAbstractSocket::IPv4Protocol && !broadcast.isNull() &&
                !targets.contains(broadcast))
                targets << broadcast;
        }
    }
    targets << QHostAddress(QHostAddress::Broadcast) << QHostAddress(QHostAddress::LocalHost)
            << QHostAddress(QStringLiteral("127.255.255.255"));
    return targets;
}
