#pragma once
// ServerCore: everything the server does with connections that needs no
// socket. It gives each connection a slot through the game engine it owns,
// keeps each connection's receive buffer and cuts it into messages, holds the
// one queue they all feed and hands the engine one message per dispatch tick,
// and holds every peer to the limits of serverlimits.h. It talks to the
// connections only through a ServerTransport.
//
// What a host may rely on:
// - Connections are named by ids of the host's choosing, never 0 and never
//   reused; an id is not a slot. Events for an id the core does not know (or
//   no longer knows) are ignored.
// - A connection over a limit, or one whose send fails or that reported an
//   error, is closed once the outermost call into the core (an event or a
//   tick) ends, never in the middle of one; until then nothing more is sent to
//   it. A kick is carried out the same way.
// - The transport's close() may report the closing back (closed()) from inside
//   the call, or later, or never: the core frees the slot either way, once.
// - A departure is announced to the others as soon as the call that learned of
//   it ends, and whatever of that connection's messages still waits in the
//   queue is dropped with it.

#include "gameengine.h"

#include <QByteArray>
#include <QList>

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

class ServerCore {
public:
    // timerChanged: the engine set one of its timers (see GameEngine).
    ServerCore(EngineSetup setup, ServerTransport& transport,
               std::function<void(GameTimer)> timerChanged = {});
    ServerCore(const ServerCore&) = delete;
    ServerCore& operator=(const ServerCore&) = delete;

    // ---- events of the connections ----
    // A new connection: answers the slot it was given, or 0 when every slot is
    // in use; it has then been sent CMD_full and closed.
    int opened(ConnectionId id);
    // Bytes that arrived on the connection, cut wherever the network cut them.
    void received(ConnectionId id, const QByteArray& bytes);
    // The connection failed (a reset, an abort): it is closed.
    void failed(ConnectionId id);
    // The connection is closed: its slot is freed and the others are told.
    void closed(ConnectionId id);

    // ---- ticks ----
    // The 10 ms dispatch tick: hands the engine the message at the head of
    // the queue, if any.
    void dispatch();
    void roundtimerTimer();
    void computertimerTimer();

    void seed(quint32 seed) { m_engine.seed(seed); }

    // ---- state ----
    const GameEngine& engine() const { return m_engine; }
    ConnectionId connectionOf(int slot) const;
    int slotOf(ConnectionId id) const;
    int connectionCount() const { return int(m_connections.size()); }
    // Messages waiting to be dispatched, all or of one connection.
    qsizetype queued() const { return qsizetype(m_queue.size()); }
    qsizetype queuedFrom(ConnectionId id) const;
    // Bytes of the connection after its last terminator.
    qsizetype buffered(ConnectionId id) const;

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
        QByteArray received; // bytes after the last terminator
        int queued = 0;      // its messages waiting in m_queue
    };
    struct Queued {
        QByteArray text;
        ConnectionId from = 0;
    };

    void sendToSlot(int slot, const QByteArray& message);
    void closeSlot(int slot);
    void doom(ConnectionId id);
    void release(ConnectionId id);
    void settle();

    ServerTransport& m_transport;
    GameEngine m_engine;
    std::map<ConnectionId, Connection> m_connections;
    std::array<ConnectionId, GameEngine::kMaxSlots + 1> m_slotConnection{};
    // receivedlist: one queue for every connection, in the order of arrival.
    std::deque<Queued> m_queue;
    QList<ConnectionId> m_doomed;
    QList<int> m_departed;
    int m_depth = 0;
};
