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
#include <QHostAddress>
#include <QList>
#include <QMap>
#include <QObject>
#include <QString>

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

private:
    quint16 m_port;
    QString m_problem;
    QUdpSocket* m_socket = nullptr;
};

struct LanTable {
    QString address;  // where the answer came from, as text
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
        // 127.0.0.1 (a table on this machine).
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
    Options m_options;
    QUdpSocket* m_socket = nullptr;
    QTimer* m_timer = nullptr;
    QMap<QString, LanTable> m_tables;
};
