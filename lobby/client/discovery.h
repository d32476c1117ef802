// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Tables on this network, found without any service (the datagrams are
// documented in protocol/lobbymessages.h).
//
// DiscoveryResponder: a hosted table answers queries on the discovery port,
// which every server on the machine shares (QUdpSocket::ShareAddress). It
// answers only well-formed queries of this protocol version, each with one
// datagram to the asker, and at most kMaxAnswersPerSecond a second in all and
// kMaxAnswersPerSource from one address, so that a forged sender address makes
// it no tool for flooding someone.
//
// DiscoveryBrowser: the lobby asks by broadcast (or at the addresses it is
// given) every intervalMs and lists what answers within answerWindowMs, with
// the round trip of each answer; a table that missed forgetAfterMs of queries
// leaves the list.

#include "lobbymessages.h"

#include <QElapsedTimer>
#include <QHash>
#include <QHostAddress>
#include <QList>
#include <QMap>
#include <QObject>
#include <QString>

#include <functional>

class QTimer;
class QUdpSocket;

class DiscoveryResponder : public QObject {
    Q_OBJECT
public:
    static constexpr int kMaxAnswersPerSecond = 50;
    static constexpr int kMaxAnswersPerSource = 5;

    DiscoveryResponder(quint16 port, QObject* parent = nullptr);
    ~DiscoveryResponder() override;

    // Binds the shared port; false (and problem() says why) when it can't.
    bool start();
    void stop();
    bool answering() const;
    QString problem() const { return m_problem; }

    // What the answers say from now on.
    void setTable(const QString& tableName, quint16 gamePort, const QString& gameVersion,
                  const lobbywire::TableState& state);

    // Where the rate limits read the time, in ms; a steady clock unless a test
    // sets its own.
    void setClock(std::function<qint64()> nowMs);

private:
    void onReadyRead();
    // Counts an answer to `from` now, unless that would break a limit.
    bool mayAnswer(const QString& from, qint64 now);

    quint16 m_port;
    QString m_problem;
    QUdpSocket* m_socket = nullptr;
    bool m_hasTable = false;
    QString m_tableName;
    quint16 m_gamePort = 0;
    QString m_gameVersion;
    lobbywire::TableState m_state;
    QElapsedTimer m_steady;
    std::function<qint64()> m_clock;
    // When answers went out within the last second: in all, and per address.
    QList<qint64> m_answered;
    QHash<QString, QList<qint64>> m_answeredTo;
};

struct LanTable {
    // Where the answer came from, as text; "127.0.0.1" for a table on this
    // machine, whichever of its addresses answered, so that it is listed once.
    QString address;
    quint16 port = 0; // the game's TCP port there
    QString version;
    QString tableName;
    lobbywire::TableState state;
    int rttMs = -1;
    // address:port, as the game takes it to join (IPv6 in brackets).
    QString key() const;
    friend bool operator==(const LanTable&, const LanTable&) = default;
};

class DiscoveryBrowser : public QObject {
    Q_OBJECT
public:
    struct Options {
        quint16 port = lobbywire::kDefaultDiscoveryPort;
        // Where queries go. Empty: the broadcast address of every IPv4
        // interface that is up and can broadcast, 255.255.255.255, and
        // 127.0.0.1 and 127.255.255.255 (tables on this machine: a query sent
        // to 127.0.0.1 reaches only one of the servers sharing the port, the
        // loopback broadcast reaches them all).
        QList<QHostAddress> targets;
        int intervalMs = 2000;
        int answerWindowMs = 1000;
        int forgetAfterMs = 5000;
    };

    explicit DiscoveryBrowser(Options options, QObject* parent = nullptr);
    ~DiscoveryBrowser() override;

    // Queries at once, then every intervalMs until stop().
    void start();
    void stop();
    // One query now.
    void probe();

    // Sorted by table name, then key.
    QList<LanTable> tables() const;

signals:
    void changed();

private:
    void onReadyRead();
    void forgetSilent();
    QList<QHostAddress> queryTargets() const;

    Options m_options;
    QUdpSocket* m_socket = nullptr;
    QTimer* m_timer = nullptr;
    QMap<QString, LanTable> m_tables;
    QHash<QString, qint64> m_heard; // key -> when its last answer came
    QHash<QString, qint64> m_sent;  // token -> when its query went out
    QList<QHostAddress> m_ownAddresses;
    QElapsedTimer m_clock;
};
