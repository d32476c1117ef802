#include "servercore.h"

#include "messages.h"
#include "protocol.h"
#include "serverlimits.h"

ServerCore::ServerCore(EngineSetup setup, ServerTransport& transport,
                       std::function<void(GameTimer)> timerChanged)
    : m_transport(transport),
      m_engine(std::move(setup),
               EngineSink{[this](int slot, const QByteArray& m) { sendToSlot(slot, m); },
                          [this](int slot) { closeSlot(slot); }, std::move(timerChanged)}) {
    // The server window's list starts with one empty line; the first tick
    // drops it, as it drops anything of no connection.
    m_queue.push_back({});
}

ServerCore::Entry::~Entry() {
    if (--m_core.m_depth == 0)
        m_core.settle();
}

int ServerCore::opened(ConnectionId id) {
    Entry entry(*this);
    if (id == 0 || m_connections.count(id) != 0)
        return 0; // not a new connection: leave it alone
    const int slot = m_engine.vacantslot();
    if (slot == 0) {
        // Every slot is in use: the newcomer is told so and let go at once.
        m_transport.send(id, wire::full());
        m_transport.close(id);
        return 0;
    }
    m_connections[id] = Connection{slot, {}, 0};
    m_slotConnection[slot] = id;
    m_engine.arrive(slot);
    return slot;
}

void ServerCore::received(ConnectionId id, const QByteArray& bytes) {
    Entry entry(*this);
    const auto it = m_connections.find(id);
    if (it == m_connections.end())
        return;
    Connection& c = it->second;
    c.received += bytes;
    QList<QByteArray> messages;
    wire::cutMessages(c.received, messages);
    for (QByteArray& m : messages) {
        if (m.size() > serverlimits::kMaxMessageBytes ||
            c.queued >= serverlimits::kMaxQueuedPerConnection) {
            doom(id);
            return;
        }
        m_queue.push_back({std::move(m), id});
        ++c.queued;
    }
    if (c.received.size() > serverlimits::kMaxMessageBytes)
        doom(id);
}

void ServerCore::failed(ConnectionId id) {
    Entry entry(*this);
    if (m_connections.count(id) != 0)
        doom(id);
}

void ServerCore::closed(ConnectionId id) {
    Entry entry(*this);
    release(id);
}

void ServerCore::dispatch() {
    Entry entry(*this);
    if (m_queue.empty())
        return;
    const Queued q = std::move(m_queue.front());
    m_queue.pop_front();
    const auto it = m_connections.find(q.from);
    if (it == m_connections.end())
        return;
    --it->second.queued;
    m_engine.receive(it->second.slot, q.text);
}

void ServerCore::roundtimerTimer() {
    Entry entry(*this);
    m_engine.roundtimerTimer();
}

void ServerCore::computertimerTimer() {
    Entry entry(*this);
    m_engine.computertimerTimer();
}

ConnectionId ServerCore::connectionOf(int slot) const {
    return slot >= 1 && slot <= GameEngine::kMaxSlots ? m_slotConnection[slot] : 0;
}

int ServerCore::slotOf(ConnectionId id) const {
    const auto it = m_connections.find(id);
    return it == m_connections.end() ? 0 : it->second.slot;
}

qsizetype ServerCore::queuedFrom(ConnectionId id) const {
    return std::count_if(m_queue.begin(), m_queue.end(),
                         [id](const Queued& q) { return q.from == id; });
}

qsizetype ServerCore::buffered(ConnectionId id) const {
    const auto it = m_connections.find(id);
    return it == m_connections.end() ? 0 : it->second.received.size();
}

void ServerCore::sendToSlot(int slot, const QByteArray& message) {
    const ConnectionId id = connectionOf(slot);
    if (id == 0 || m_doomed.contains(id))
        return;
    if (!m_transport.send(id, message) || m_transport.unsent(id) > serverlimits::kMaxUnreadOutgoing)
        doom(id);
}

// The host removed the slot's player: its connection goes like one over a
// limit, after the message that asked.
void ServerCore::closeSlot(int slot) {
    if (const ConnectionId id = connectionOf(slot))
        doom(id);
}

void ServerCore::doom(ConnectionId id) {
    if (!m_doomed.contains(id))
        m_doomed.append(id);
    if (m_depth == 0)
        settle();
}

// Forgets a connection that ended: its slot, its buffer and its waiting
// messages. The engine hears of the departure when the entry settles.
void ServerCore::release(ConnectionId id) {
    const auto it = m_connections.find(id);
    if (it == m_connections.end())
        return;
    const int slot = it->second.slot;
    m_connections.erase(it);
    m_slotConnection[slot] = 0;
    std::erase_if(m_queue, [id](const Queued& q) { return q.from == id; });
    m_departed.append(slot);
}

// Announces departures and closes doomed connections, one at a time: an
// announcement may find another connection over its limit, whose closing is
// announced in turn.
void ServerCore::settle() {
    ++m_depth;
    while (!m_departed.isEmpty() || !m_doomed.isEmpty()) {
        if (!m_departed.isEmpty()) {
            m_engine.depart(m_departed.takeFirst());
            continue;
        }
        const ConnectionId id = m_doomed.takeFirst();
        if (m_connections.count(id) == 0)
            continue;
        m_transport.close(id); // may report the closing from inside
        release(id);           // and if it did not, it is closed all the same
    }
    --m_depth;
}
