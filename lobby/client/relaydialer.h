// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// RelayDialer: a hosted table's own connection to the lobby service for one
// player who waits at its relay. It connects to the service instance that
// sent the ticket, presents the ticket, and once the service answers JOINED
// hands the connection over: a TSock, the game's own socket component, so
// that the game server takes the player as it takes any other, by the
// player's own address. Anything else (a refusal, a close, no answer within
// the ticket's time) is a failure; the player then hears from the service.

#include <QByteArray>
#include <QObject>
#include <QString>

class QTimer;
class TSock;

class RelayDialer : public QObject {
    Q_OBJECT
public:
    // `service` and `port`: the instance's address (dotted IPv4: the game's
    // socket component speaks IPv4) as the table's service link reached it.
    RelayDialer(const QString& service, quint16 port, const QString& ticket, const QString& player,
                QObject* parent = nullptr);
    ~RelayDialer() override;

    void start();

signals:
    // The connection is the player's from here on; its new owner takes the
    // TSock (no parent, no handlers) and `early`, the player's first bytes if
    // any came with the answer.
    void joined(TSock* connection, const QString& player, const QByteArray& early);
    void failed(const QString& why);

private:
    void onRead();
    void fail(const QString& why);

    QString m_service;
    quint16 m_port;
    QString m_ticket;
    QString m_player;
    TSock* m_sock;
    QTimer* m_timer;
    QByteArray m_buffer;
    bool m_done = false;
};
