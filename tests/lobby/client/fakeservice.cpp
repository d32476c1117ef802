// SPDX-License-Identifier: GPL-3.0-or-later
#include "fakeservice.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTcpSocket>
#include <QThread>

namespace lobbytest {

bool waitUntil(const std::function<bool()>& pred, int timeoutMs) {
    QElapsedTimer t;
    t.start();
    while (!pred()) {
        if (t.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(2);
    }
    return true;
}

void settle(int ms) {
    waitUntil([] { return false; }, ms);
}

quint16 closedPort() {
    QTcpServer s;
    s.listen(QHostAddress::LocalHost);
    return s.serverPort();
}

FakeService::FakeService(const QHostAddress& address) {
    m_clock.start();
    m_server.listen(address);
    connect(&m_server, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket* s = m_server.nextPendingConnection()) {
            const int index = int(m_peers.size());
            m_peers.append({s, {}, {}, m_clock.elapsed(), false});
            connect(s, &QTcpSocket::disconnected, this,
                    [this, index] { m_peers[index].ended = true; });
            connect(s, &QTcpSocket::readyRead, this, [this, index] {
                Peer& p = m_peers[index];
                p.buffer += p.socket->readAll();
                QList<QByteArray> lines;
                lobbywire::cutLines(p.buffer, lines);
                for (const QByteArray& line : lines) {
                    m_peers[index].lines << line;
                    const lobbywire::Message m = lobbywire::split(line);
                    if (welcome && lobbywire::readHello(m))
                        send(index, lobbywire::welcome(QStringLiteral("9.9")));
                    if (answerPing && lobbywire::isBare(m, lobbywire::name::ping))
                        send(index, lobbywire::pong());
                    if (onLine)
                        onLine(index, m);
                }
            });
        }
    });
}

FakeService::~FakeService() {
    // The sockets tell of their end as they go; nobody records it any more.
    for (const Peer& p : std::as_const(m_peers))
        disconnect(p.socket, nullptr, this, nullptr);
}

void FakeService::send(int peer, const QByteArray& bytes) {
    m_peers[peer].socket->write(bytes);
    m_peers[peer].socket->flush();
}

void FakeService::drop(int peer) {
    m_peers[peer].socket->abort();
    m_peers[peer].ended = true;
}

QList<QByteArray> FakeService::linesNamed(int peer, const char* name) const {
    QList<QByteArray> out;
    for (const QByteArray& line : m_peers.at(peer).lines)
        if (lobbywire::split(line).name == name)
            out << line;
    return out;
}

bool FakeService::waitForLines(int peer, const char* name, int count) {
    return waitUntil([&] { return peer < peers() && linesNamed(peer, name).size() >= count; });
}

} // namespace lobbytest
