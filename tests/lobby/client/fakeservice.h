// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Test helpers for the lobby client: a fake lobby service on a free loopback
// port that records every line its clients send and answers with the
// lobbywire builders, and a bounded event-loop wait.

#include "lobbyaddress.h"
#include "lobbyreaders.h"

#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QTcpServer>

#include <functional>
#include <ostream>

class QTcpSocket;

inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}
inline void PrintTo(const QByteArray& b, std::ostream* os) {
    *os << '"' << b.toStdString() << '"';
}

namespace lobbytest {

// Spins the event loop until pred() holds or timeoutMs passes; answers pred().
bool waitUntil(const std::function<bool()>& pred, int timeoutMs = 10'000);
// Spins the event loop a while, for events that should NOT come.
void settle(int ms);
// A loopback port nothing listens on: connecting is refused.
quint16 closedPort();

class FakeService : public QObject {
public:
    struct Peer {
        QTcpSocket* socket = nullptr;
        QByteArray buffer;
        QList<QByteArray> lines; // as received, without LF
        qint64 acceptedAtMs = 0;
        bool ended = false;
    };

    // Listens on a free port of `address`.
    explicit FakeService(const QHostAddress& address = QHostAddress(QHostAddress::LocalHost));
    ~FakeService() override;

    bool welcome = true;    // answer HELLO with WELCOME
    bool answerPing = true; // answer PING with PONG
    // Called for every line after the automatic answers; may send().
    std::function<void(int peer, const lobbywire::Message&)> onLine;

    bool isListening() const { return m_server.isListening(); }
    quint16 port() const { return m_server.serverPort(); }
    lobbywire::HostPort hostPort() const { return {m_server.serverAddress().toString(), port()}; }
    int peers() const { return int(m_peers.size()); }
    const Peer& peer(int i) const { return m_peers.at(i); }
    int last() const { return peers() - 1; }
    void send(int peer, const QByteArray& bytes);
    void drop(int peer);
    void stopListening() { m_server.close(); }
    // Lines of that message name the peer sent.
    QList<QByteArray> linesNamed(int peer, const char* name) const;
    bool waitForLines(int peer, const char* name, int count = 1);

private:
    QTcpServer m_server;
    QList<Peer> m_peers;
    QElapsedTimer m_clock;
};

} // namespace lobbytest
