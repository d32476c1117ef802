// SPDX-License-Identifier: GPL-3.0-or-later
#include "servercore.h"

#include "messages.h"
#include "protocol.h"
#include "serverlimits.h"

#include <chrono>

namespace {

// The rate limit's allowance is kept in thousandths of a message.
constexpr qint64 kMessageCost = 1000;
constexpr qint64 kFullAllowance = serverlimits::kMaxMessagesPerSecond * serverlimits::kRateWindowMs;

} // namespace

ServerCore::ServerCore(EngineSetup setup, ServerTransport& transport,
                       std::function<void(GameTimer)> timerChanged)
    : m_transport(transport),
      m_engine(std::move(setup),
               EngineSink{[this](int slot, const QByteArray& m) { sendToSlot(slot, m); },
                          [this](int slot) { closeSlot(slot); }, std::move(timerChanged),
                          [this](const GameNews& news) { gameNews(news); }}) {}

ServerCore::Entry::~Entry() {
    if (--m_core.m_depth == 0)
        m_core.settle();
}

qint64 ServerCore::now() const {
    if (m_clock)
        return m_clock();
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

int ServerCore::opened(ConnectionId id, const QString& address) {
    Entry entry(*this);
    if (id == 0 || m_connections.count(id) != 0)
        return 0; // not a new connection: leave it alone
    const qint64 t = now();
    const AddressGuard::Admission admission = m_guard.admit(address, t);
    if (admission != AddressGuard::Admission::Admitted) {
        // Said nothing: a flooder learns nothing, and nobody else hears of it.
        // Only the start of a bar is news: a log line per refused attempt
        // would let a loop fill the operator's disk.
        m_transport.close(id);
        if (admission == AddressGuard::Admission::NewlyBarred)
            tellConnection(ConnectionNews::Kind::Dropped, id, address, 0, DropReason::Refused);
        return 0;
    }
    const int slot = m_engine.vacantslot();
    if (slot == 0) {
        // Every slot is in use: the newcomer is told so and let go at once.
        m_transport.send(id, wire::full());
        m_transport.close(id);
        tellConnection(ConnectionNews::Kind::Dropped, id, address, 0, DropReason::Full);
        return 0;
    }
    Connection c;
    c.slot = slot;
    c.address = address;
    c.openedAt = c.allowanceAt = t;
    c.allowance = kFullAllowance;
    m_connections[id] = std::move(c);
    m_slotConnection[slot] = id;
    tellConnection(ConnectionNews::Kind::Opened, id, address, slot, DropReason::Refused);
    m_engine.arrive(slot);
    return slot;
}

void ServerCore::received(ConnectionId id, const QByteArray& bytes) {
    Entry entry(*this);
    const auto it = m_connections.find(id);
    if (it == m_connections.end() || m_doomed.contains(id))
        return;
    Connection& c = it->second;
    c.received += bytes;
    QList<QByteArray> messages;
    wire::cutMessages(c.received, messages);
    for (QByteArray& m : messages) {
        if (m.size() > serverlimits::kMaxMessageBytes || !takeAllowance(c) ||
            c.waiting.size() >= size_t(serverlimits::kMaxQueuedPerConnection)) {
            doom(id, DropReason::Flooding);
            return;
        }
        if (c.waiting.empty())
            m_turns.push_back(id);
        c.waiting.push_back(std::move(m));
        ++m_queuedTotal;
    }
    if (c.received.size() > serverlimits::kMaxMessageBytes)
        doom(id, DropReason::Flooding);
}

// Each message takes one from the allowance, which refills at the sustained
// rate up to the window's worth.
bool ServerCore::takeAllowance(Connection& c) {
    const qint64 t = now();
    const qint64 refill =
        std::max<qint64>(0, t - c.allowanceAt) * serverlimits::kMaxMessagesPerSecond;
    c.allowance = std::min(kFullAllowance, c.allowance + refill);
    c.allowanceAt = t;
    if (c.allowance < kMessageCost)
        return false;
    c.allowance -= kMessageCost;
    return true;
}

void ServerCore::failed(ConnectionId id, DropReason reason) {
    Entry entry(*this);
    if (m_connections.count(id) != 0)
        doom(id, reason);
}

void ServerCore::closed(ConnectionId id) {
    Entry entry(*this);
    release(id);
}

void ServerCore::dispatch() {
    // Only the connections waiting as the tick begins have a turn in it; one
    // with more goes to the back, to be served again at the next tick.
    const size_t turns = m_turns.size();
    for (size_t i = 0; i < turns && !m_turns.empty(); ++i) {
        const ConnectionId id = m_turns.front();
        m_turns.pop_front();
        dispatchOne(id);
    }
}

// One message is one entry: a kick or a limit it causes is carried out before
// the next connection's turn, as if it had had a tick of its own.
void ServerCore::dispatchOne(ConnectionId id) {
    Entry entry(*this);
    const auto it = m_connections.find(id);
    if (it == m_connections.end() || it->second.waiting.empty())
        return;
    Connection& c = it->second;
    const QByteArray text = std::move(c.waiting.front());
    c.waiting.pop_front();
    --m_queuedTotal;
    if (!c.waiting.empty())
        m_turns.push_back(id);
    if (!m_doomed.contains(id))
        m_engine.receive(c.slot, text);
}

void ServerCore::sweep() {
    Entry entry(*this);
    const qint64 t = now();
    for (const auto& [id, c] : m_connections)
        if (!c.loggedIn && t - c.openedAt >= serverlimits::kLoginGraceMs)
            doom(id, DropReason::NoLogin);
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
    const auto it = m_connections.find(id);
    return it == m_connections.end() ? 0 : qsizetype(it->second.waiting.size());
}

qsizetype ServerCore::buffered(ConnectionId id) const {
    const auto it = m_connections.find(id);
    return it == m_connections.end() ? 0 : it->second.received.size();
}

bool ServerCore::loggedIn(ConnectionId id) const {
    const auto it = m_connections.find(id);
    return it != m_connections.end() && it->second.loggedIn;
}

void ServerCore::gameNews(const GameNews& news) {
    if (news.kind == GameNews::Kind::Joined) {
        const auto it = m_connections.find(connectionOf(news.slot));
        if (it != m_connections.end())
            it->second.loggedIn = true;
    }
    if (onGameNews)
        onGameNews(news);
}

void ServerCore::tellConnection(ConnectionNews::Kind kind, ConnectionId id, const QString& address,
                                int slot, DropReason reason) {
    if (onConnectionNews)
        onConnectionNews(ConnectionNews{kind, id, address, slot, reason});
}

void ServerCore::sendToSlot(int slot, const QByteArray& message) {
    const ConnectionId id = connectionOf(slot);
    if (id == 0 || m_doomed.contains(id))
        return;
    if (!m_transport.send(id, message) || m_transport.unsent(id) > serverlimits::kMaxUnreadOutgoing)
        doom(id, DropReason::NotReading);
}

// The host removed the slot's player: its connection goes like one over a
// limit, after the message that asked.
void ServerCore::closeSlot(int slot) {
    if (const ConnectionId id = connectionOf(slot))
        doom(id, DropReason::Kicked);
}

void ServerCore::doom(ConnectionId id, DropReason reason) {
    if (!m_doomed.contains(id)) {
        m_doomed.append(id);
        m_doomReason[id] = reason;
    }
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
    m_queuedTotal -= qsizetype(it->second.waiting.size());
    m_connections.erase(it);
    m_slotConnection[slot] = 0;
    std::erase(m_turns, id);
    m_departed.append(slot);
}

// Announces departures and closes doomed connections, one at a time: an
// announcement may find another connection over its limit, whose closing is
// announced in turn. A flooder's address is refused new connections for a
// while.
void ServerCore::settle() {
    ++m_depth;
    while (!m_departed.isEmpty() || !m_doomed.isEmpty()) {
        if (!m_departed.isEmpty()) {
            m_engine.depart(m_departed.takeFirst());
            continue;
        }
        const ConnectionId id = m_doomed.takeFirst();
        const DropReason reason = m_doomReason[id];
        m_doomReason.erase(id);
        const auto it = m_connections.find(id);
        if (it == m_connections.end())
            continue;
        const QString address = it->second.address;
        const int slot = it->second.slot;
        if (reason == DropReason::Flooding)
            m_guard.bar(address, now());
        tellConnection(ConnectionNews::Kind::Dropped, id, address, slot, reason);
        m_transport.close(id); // may report the closing from inside
        release(id);           // and if it did not, it is closed all the same
    }
    --m_depth;
}
