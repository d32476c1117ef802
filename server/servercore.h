// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// ServerCore: everything the server does with connections that needs no
// socket. It gives each connection a slot through the game engine it owns,
// keeps each connection's receive buffer and cuts it into messages, keeps a
// queue per connection and serves the connections in turn, and holds every
// peer to the limits of serverlimits.h. It talks to the connections only
// through a ServerTransport, and learns the time only from its clock.
//
// What a host may rely on:
// - Connections are named by ids of the host's choosing, never 0 and never
//   reused; an id is not a slot. Events for an id the core does not know (or
//   no longer knows) are ignored.
// - A dispatch tick hands the engine at most one message of each connection,
//   taking every connection with a message waiting once, in turn: no
//   connection waits for another's traffic more than one tick. A connection's
//   messages are handled in the order they came.
// - A connection over a limit, or one whose send fails or that reported an
//   error, is closed once the outermost call into the core (an event, one
//   message of a tick, a sweep) ends, never in the middle of one; until then
//   nothing more is sent to it and none of its messages is handled. A kick is
//   carried out the same way.
// - The transport's close() may report the closing back (closed()) from inside
//   the call, or later, or never: the core frees the slot either way, once.
// - A departure is announced to the others as soon as the call that learned of
//   it ends, and whatever of that connection's messages still waits is dropped
//   with it.
// - Limits that take time (the rate of messages, the login grace, refused
//   addresses) read the clock given to the core; the login grace is checked
//   by sweep(), which the host calls about once a second.

#include "addressguard.h"
#include "gameengine.h"
#include "serverlimits.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <array>
#include <deque>
#include <functional>
#include <map>

using ConnectionId = quint64;

// The core's only way to reach a connection.
class ServerTransport {
public:
    virtual ~ServerTransport() = default;
    // Queues the bytes for the peer; false when the connection refused them.
    virtual bool send(ConnectionId id, const QByteArray& bytes) = 0;
    virtual void close(ConnectionId id) = 0;
    // Bytes given to send() that have not gone out yet.
    virtual qsizetype unsent(ConnectionId id) const = 0;
};

// Why the core let a connection go, for the host's log.
enum class DropReason {
    Refused,    // its address connects too often: refused from now on for a while
    Full,       // every slot was in use
    Flooding,   // over the message rate, queue or size limit
    NoLogin,    // did not log in within the grace
    NotReading, // its replies piled up, or a send failed
    Failed,     // the connection reported an error
    ReadFailed, // what it sent could not be taken from the connection
    Kicked,     // the host removed the player
};

// A connection came or was let go by the core.
struct ConnectionNews {
    enum class Kind { Opened, Dropped };
    Kind kind = Kind::Opened;
    ConnectionId id = 0;
    QString address;
    int slot = 0; // 0 when it had none
    DropReason reason = DropReason::Refused;
};

class ServerCore {
public:
    // Milliseconds of a monotonic clock.
    using Clock = std::function<qint64()>;

    // timerChanged: the engine set one of its timers (see GameEngine).
    ServerCore(EngineSetup setup, ServerTransport& transport,
               std::function<void(GameTimer)> timerChanged = {});
    ServerCore(const ServerCore&) = delete;
    ServerCore& operator=(const ServerCore&) = delete;

    // The clock of the time limits; a steady clock unless a test sets one.
    void setClock(Clock clock) { m_clock = std::move(clock); }
    // Logins, departures, games and winners as the engine tells them.
    std::function<void(const GameNews&)> onGameNews;
    // Connections opened and let go by the core itself (limits, refusals; of
    // the connections refused while an address is barred, none).
    std::function<void(const ConnectionNews&)> onConnectionNews;

    // ---- events of the connections ----
    // A new connection from `address` (dotted; empty: unknown, never refused
    // for its address): answers the slot it was given, or 0 when it was
    // refused (its address is barred or connects too often: closed at once) or
    // every slot is in use (sent CMD_full and closed).
    int opened(ConnectionId id, const QString& address = {});
    // Bytes that arrived on the connection, cut wherever the network cut them.
    void received(ConnectionId id, const QByteArray& bytes);
    // The connection failed (a reset, an abort, a timeout, a read that
    // failed): it is closed.
    void failed(ConnectionId id, DropReason reason = DropReason::Failed);
    // The connection is closed: its slot is freed and the others are told.
    void closed(ConnectionId id);

    // ---- ticks ----
    // The 10 ms dispatch tick: one message of each connection that has one
    // waiting, connections in turn.
    void dispatch();
    // Closes the connections whose login grace is over.
    void sweep();
    void roundtimerTimer();
    void computertimerTimer();

    void seed(quint32 seed) { m_engine.seed(seed); }

    // ---- state ----
    const GameEngine& engine() const { return m_engine; }
    ConnectionId connectionOf(int slot) const;
    int slotOf(ConnectionId id) const;
    int connectionCount() const { return int(m_connections.size()); }
    // Messages waiting to be dispatched, all or of one connection.
    qsizetype queued() const { return m_queuedTotal; }
    qsizetype queuedFrom(ConnectionId id) const;
    // Bytes of the connection after its last terminator.
    qsizetype buffered(ConnectionId id) const;
    bool loggedIn(ConnectionId id) const;
    bool refuses(const QString& address) const { return m_guard.barred(address, now()); }

private:
    // One entry into the core from outside: the connections to close are
    // closed, and departures announced, when the outermost entry ends.
    class Entry {
    public:
        explicit Entry(ServerCore& core) : m_core(core) { ++m_core.m_depth; }
        ~Entry();
        Entry(const Entry&) = delete;
        Entry& operator=(const Entry&) = delete;

    private:
        ServerCore& m_core;
    };

    struct Connection {
        int slot = 0;
        QString address;
        qint64 openedAt = 0;
        bool loggedIn = false;
        QByteArray received;            // bytes after the last terminator
        std::deque<QByteArray> waiting; // its messages, oldest first
        // The rate limit's allowance in thousandths of a message: each message
        // takes 1000, each millisecond gives back kMaxMessagesPerSecond.
        qint64 allowance = 0;
        qint64 allowanceAt = 0;
    };

    qint64 now() const;
    bool takeAllowance(Connection& c);
    void dispatchOne(ConnectionId id);
    void gameNews(const GameNews& news);
    void tellConnection(ConnectionNews::Kind kind, ConnectionId id, const QString& address,
                        int slot, DropReason reason);
    void sendToSlot(int slot, const QByteArray& message);
    void closeSlot(int slot);
    void doom(ConnectionId id, DropReason reason);
    void release(ConnectionId id);
    void settle();

    ServerTransport& m_transport;
    GameEngine m_engine;
    Clock m_clock;
    AddressGuard m_guard{{serverlimits::kMaxConnectsPerAddress, serverlimits::kConnectWindowMs,
                          serverlimits::kRefusalMs}};
    std::map<ConnectionId, Connection> m_connections;
    std::array<ConnectionId, GameEngine::kMaxSlots + 1> m_slotConnection{};
    // Connections with messages waiting, in the order they are served.
    std::deque<ConnectionId> m_turns;
    qsizetype m_queuedTotal = 0;
    QList<ConnectionId> m_doomed;
    std::map<ConnectionId, DropReason> m_doomReason;
    QList<int> m_departed;
    int m_depth = 0;
};
