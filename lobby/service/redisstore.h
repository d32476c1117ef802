// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// RedisStore: the store of a lobby service that shares its directory, invite
// codes and chat with other instances through one Redis server.
//
// In Redis (every key under the prefix, "kestrun:lobby:" unless set):
//   table:<code>      each table (storerecord.h), written by the instance
//                     that holds its host's connection, with an expiry it
//                     refreshes every refreshMs; created with SET NX, so a
//                     code is never given twice
//   people:<instance> who is in the chat at that instance: name -> count,
//                     with the same expiry
//   chat              the last chat lines, newest first
//   news              the channel every change is published on
//
// Each instance keeps a mirror of every table (its own and the others'): the
// WATCH answers, batches and most look-ups are served from memory. The mirror
// follows the news and is checked against Redis in full every refreshMs, so a
// table whose instance died (and stopped refreshing it) leaves within
// expiryMs + refreshMs, and a message missed while Redis was away is caught
// up with.
//
// When Redis is lost the store logs it, keeps serving from its mirror (new
// tables get codes checked against it alone), reconnects with a growing wait,
// writes its own tables and people again and reloads the rest.

#include "servicestore.h"
#include "storerecord.h"

#include <QElapsedTimer>
#include <QHash>
#include <QObject>
#include <QSet>
#include <QString>

#include <functional>

class RedisLink;
class QTimer;

class RedisStore : public QObject, public ServiceStore {
    Q_OBJECT
public:
    struct Options {
        QString host = QStringLiteral("127.0.0.1");
        quint16 port = 6379;
        QString prefix = QStringLiteral("kestrun:lobby:");
        int refreshMs = 5000;
        int expiryMs = 20'000;
        int connectTimeoutMs = 5000;
    };

    explicit RedisStore(Options options, QObject* parent = nullptr);
    // Frees the connections and nothing else: the tables stay in Redis until
    // they expire, as when the process dies.
    ~RedisStore() override;

    // One line per event (lost, back) for the log.
    std::function<void(const QString&)> log;
    // A new code in its written form; lobbywire::invite::generate() unless a
    // test sets another.
    std::function<QString()> generateCode;

    // Connects; ready() once the mirror is loaded the first time, or
    // unavailable(why) if the first attempt fails (no retry follows then).
    void start();
    bool isUp() const { return m_up; }
    // Commands sent and not yet answered (a stopping service waits for them).
    int pending() const;
    QString instance() const { return m_instance; }

    void addTable(TableRecord table, AddDone done) override;
    void updateTable(const TableRecord& table) override;
    void removeTable(const QString& code) override;
    void resolve(const QString& code, ResolveDone done) override;
    void said(const lobbywire::ChatLine& line) override;
    void arrived(const QString& name) override;
    void left(const QString& name) override;
    QString describe() const override;

signals:
    void ready();
    void unavailable(const QString& why);

private:
    struct Peer {
        QHash<QString, int> people;
    };

    // redisstore.cpp: the store's calls and the news.
    QByteArray key(const QString& kind, const QString& name = {}) const;
    QString freeCode() const;
    bool claimable(const TableRecord& table) const;
    void claim(TableRecord table, AddDone done, int attempt);
    void keep(const TableRecord& table, AddDone done);
    void writeTable(const storerecord::StoredTable& stored);
    void publish(const QByteArray& news);
    void writePeople();
    void heard(const QByteArray& message);
    void mirror(const storerecord::StoredTable& stored);
    void unmirror(const QString& code);
    void setPeople(const QString& owner, const QHash<QString, int>& people);

    // redissync.cpp: connecting, catching up, refreshing.
    void connectLinks();
    void linkUp();
    void linkLost(const QString& why);
    void catchUp();
    void refresh();
    void resync();
    void scanTables(const QByteArray& cursor, QList<QByteArray> keys, quint64 generation);
    void loadTables(QList<QByteArray> keys, quint64 generation);
    void resyncDone(quint64 generation);
    void scanPeople(const QByteArray& cursor, QList<QByteArray> keys);
    void loadPeople(QList<QByteArray> keys);
    void note(const QString& line) const;

    Options m_options;
    QString m_instance;
    RedisLink* m_commands = nullptr;
    RedisLink* m_news = nullptr;
    QTimer* m_refreshTimer;
    QTimer* m_retryTimer;
    int m_retryMs = 0;
    bool m_started = false;
    bool m_everUp = false;
    bool m_up = false;
    bool m_dying = false;
    bool m_subscribing = false; // asked to follow the news on this connection
    bool m_resyncing = false;
    bool m_pingDue = false;
    bool m_lostLogged = false;
    QElapsedTimer m_pingSent;
    quint64 m_generation = 0;

    // This instance's tables, and everybody's as last heard (with the
    // generation of the last full load that saw them).
    QHash<QString, storerecord::StoredTable> m_own;
    QSet<QString> m_claiming;
    struct Mirrored {
        storerecord::StoredTable stored;
        quint64 generation = 0;
    };
    QHash<QString, Mirrored> m_mirror;
    QSet<QString> m_goneDuringLoad;
    QHash<QString, int> m_localPeople;
    QHash<QString, Peer> m_peers; // other instances' people, by instance
};
