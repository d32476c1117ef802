// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// ServiceServer: the lobby service's sockets around its ServiceCore. A
// QTcpServer listens on every address (IPv4 and IPv6); each connection it
// accepts joins the SocketSet (socketset.h), which moves bytes between the
// connections and the core. It runs the service's timers, none of them a
// connection's: the one-second sweep of the time limits; the directory batch,
// started by the first change of a batch and flushed servicelimits::kBatchMs
// later, a couple of hundred writes per turn of the event loop; and the chat
// batch, flushed on the next turn, so that a burst of news costs one write per
// client. It tests tables from outside with a QTcpSocket each (a handful a
// minute; see probe()).

#include "servicecore.h"

#include <QHostAddress>
#include <QObject>
#include <QString>

#include <functional>

class QTcpServer;
class QTimer;
class SocketSet;

class ServiceServer : public QObject, private ServiceTransport {
    Q_OBJECT
public:
    explicit ServiceServer(ServiceStore& store, ConnectionCaps caps = {},
                           QObject* parent = nullptr);
    ~ServiceServer() override;

    // One line per event for the log (see servicelog.h); may stay empty.
    std::function<void(const QString&)> log;

    // Listens on `port` (0: any free one) on every address; false, and
    // errorString() says why, when it cannot.
    bool listen(quint16 port);
    // Where players reach this instance for its relay, when that is not the
    // address its hosts reached it at (an instance behind a name shared by
    // several); a port of 0 is the one it listens on. Set before listen().
    void setRelayAddress(const QString& host, quint16 port);
    quint16 port() const;
    QString errorString() const;
    // Sends every client BYE "closing", takes their tables out and stops
    // listening.
    void stop();

    ServiceCore& core() { return m_core; }
    // Connections closed by the service whose last lines are still on their
    // way (a stopping service waits for them a moment).
    int lingering() const;

    // The address as the service keeps it: an IPv4-mapped IPv6 address as
    // plain IPv4, no scope.
    static QString addressText(const QHostAddress& address);

private:
    bool send(ConnectionId id, const QByteArray& bytes) override;
    void close(ConnectionId id) override;
    qsizetype unsent(ConnectionId id) const override;
    void join(ConnectionId a, ConnectionId b, const QByteArray& toA,
              const QByteArray& toB) override;
    void probe(ConnectionId host, const QString& address, quint16 port,
               const QString& nonce) override;
    QString localAddress(ConnectionId id) const override;

    void accept(qintptr descriptor);
    void sweep();
    void note(const QString& line) const;

    QTcpServer* m_listener;
    SocketSet* m_sockets;
    QTimer* m_sweepTimer;
    QTimer* m_batchTimer;
    QTimer* m_chatTimer;
    QTimer* m_deliveryTimer; // the rest of a directory batch, on the next turn
    QObject* m_probes;       // parent of the tests from outside under way
    bool m_acceptPaused = false;
    QString m_relayHost;
    quint16 m_relayPort = 0;
    ServiceCore m_core;
};
