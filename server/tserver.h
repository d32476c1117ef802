// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// TServer: the host's game server, living inside the hosting copy's process.
//
// It is the glue between the sockets and timers of the event loop and the
// socket-free ServerCore, which holds the connections' buffers, the queues and
// the limits and owns the GameEngine that plays the game. TServer listens on
// Sock1, accepts up to nine players (the tenth is refused), makes every
// accepted connection a game connection (gameconnection.h), moves bytes
// between the TSock connections and the core, and runs four QTimers: the
// 10 ms dispatch tick (only while messages wait), the one-second sweep of the
// login grace, and the engine's round and computer timers, started and stopped
// as the engine says. Every copy of the program makes a TServer, but only one
// that hosts makes it listen: until Sock1 reports that it listens, and after
// it stops, no timer runs. It is never shown; every tick handler may be called
// directly, and setManualTicks(true) stops the real timers for tests.

#include "servercore.h"

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>
#include <map>
#include <memory>

class QTimer;
class TSock;
class TDictn;
enum class TSockEvent;

class TServer : public QObject, private ServerTransport {
    Q_OBJECT
public:
    // workingDir: the process's private working directory (the dictionary's
    // working file goes there).
    explicit TServer(const QString& workingDir, QObject* parent = nullptr);
    // Judges with a dictionary made elsewhere and shared (the host's main
    // window reads the same list).
    explicit TServer(std::shared_ptr<const TDictn> dictionary, QObject* parent = nullptr);
    ~TServer() override;

    TSock* Sock1; // listener, PortName "7772"; the host sets Listen = true
    // The host's "Time Between Rounds" in seconds and "Bot Speed" in
    // milliseconds, asked when they are needed (12 and 1200 when unset).
    std::function<int()> timeBetweenRounds;
    std::function<int()> botSpeed;
    // A plain message box, e.g. "English.dic dictionary not found!".
    std::function<void(const QString&)> showMessage;

    // Logins, departures, games and winners; connections opened and let go
    // by the server's limits (see ServerCore). For a log; may stay empty.
    std::function<void(const GameNews&)> onGameNews;
    std::function<void(const ConnectionNews&)> onConnectionNews;

    void seed(quint32 s) { m_core->seed(s); }
    // Tests: the time limits' clock (see ServerCore::setClock).
    void setClock(ServerCore::Clock clock) { m_core->setClock(std::move(clock)); }
    // Sock1 listens: the server's timers run (unless ticks are manual).
    bool serving() const { return m_serving; }
    // Tests: stop the real timers; ticks then come only from direct calls.
    void setManualTicks(bool manual);

    const ServerCore& core() const { return *m_core; }
    const std::shared_ptr<const TDictn>& dictionary() const { return spell; }
    const GameEngine& engine() const { return m_core->engine(); }

    // A connection made for the server elsewhere (a relay's, whose player is
    // at `address`), taken exactly as Sock1 takes one it accepts: the server
    // owns `sock` from here on, and `early` are bytes already received on it.
    void adopt(TSock* sock, const QString& address, const QByteArray& early = {});
    // The lobby service is about to test from outside whether players can
    // reach the table: for a few seconds each new connection is first
    // looked at, and the one that greets like the test is answered with
    // `nonce` and closed, without a slot and unseen by players and limits.
    void expectProbe(const QString& nonce);
    // Whether the server refuses new connections from the address now.
    bool refuses(const QString& address) const { return m_core->refuses(address); }

    // Event handlers of the listener, of every accepted connection and of the
    // timers.
    void Sock1Accept(TSock* listener);
    void Sock1Read(TSock* sock, int count);
    void tempsockDisconnect(TSock* sock);
    void tempsockInfo(TSock* sock, TSockEvent event);
    void socktimerTimer();
    void guardtimerTimer();
    void roundtimerTimer();
    void computertimerTimer();

private:
    bool send(ConnectionId id, const QByteArray& bytes) override;
    void close(ConnectionId id) override;
    qsizetype unsent(ConnectionId id) const override;

    EngineSetup engineSetup();
    ConnectionId idOf(const TSock* sock) const;
    void take(TSock* sock, const QString& address, const QByteArray& early);
    void sniff(TSock* sock, const QString& address);
    void sniffRead(TSock* sock);
    void sniffed(TSock* sock, bool handOver);
    bool probeArmed() const;
    void forget(ConnectionId id);
    void Sock1Info(TSock* sender, TSockEvent event);
    void applyTimers();
    void applyTimer(GameTimer timer);
    void wakeDispatch();
    void reportNotFound(const std::string& message);

    std::shared_ptr<const TDictn> spell;
    std::unique_ptr<ServerCore> m_core;
    QTimer* socktimer;
    QTimer* guardtimer;
    QTimer* roundtimer;
    QTimer* computertimer;
    bool m_manual = false;
    bool m_serving = false;
    QElapsedTimer m_lastTick; // of the dispatch tick
    std::map<ConnectionId, QPointer<TSock>> m_socks;
    ConnectionId m_lastId = 0;
    QString m_pendingNotice;
    // The test from outside that is expected, and until when (m_probeClock).
    QString m_probeNonce;
    qint64 m_probeUntil = 0;
    QElapsedTimer m_probeClock;
    // Connections being looked at for the test's greeting: where from, and
    // what they sent so far.
    struct Sniffed {
        QString address;
        QByteArray bytes;
    };
    std::map<TSock*, Sniffed> m_sniffing;
};
