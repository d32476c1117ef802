// SPDX-License-Identifier: GPL-3.0-or-later
#include "servicecore_p.h"

#include <chrono>

using namespace servicelimits;

namespace {

// Refusals for a full service are logged at most this often, with how many
// there were, so that a crowd at the door cannot fill the operator's disk.
constexpr qint64 kBusyLogMs = 10'000;

} // namespace

ServiceCore::ServiceCore(ServiceTransport& transport, ServiceStore& store, ConnectionCaps caps)
    : m_transport(transport), m_store(store), m_caps(caps) {
    m_store.setListener(this);
}

ServiceCore::~ServiceCore() {
    m_store.setListener(nullptr);
}

qint64 ServiceCore::now() const {
    if (m_clock)
        return m_clock();
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

ServiceCore::Connection* ServiceCore::find(ConnectionId id) {
    const auto it = m_connections.find(id);
    return it == m_connections.end() ? nullptr : it->second.get();
}

const ServiceCore::Connection* ServiceCore::find(ConnectionId id) const {
    const auto it = m_connections.find(id);
    return it == m_connections.end() ? nullptr : it->second.get();
}

bool ServiceCore::opened(ConnectionId id, const QString& address) {
    Entry entry(*this);
    if (id == 0 || knows(id))
        return false; // not a new connection: leave it alone
    const qint64 t = now();
    const AddressGuard::Admission admission = m_guard.admit(address, t);
    if (admission != AddressGuard::Admission::Admitted) {
        // Not a word: a flooder learns nothing. Only the start of a bar is
        // news; a line per refused attempt would let a loop fill the log.
        m_transport.close(id);
        if (admission == AddressGuard::Admission::NewlyBarred)
            event(makeEvent(ServiceEvent::Kind::Refused, address, DropReason::Barred));
        return false;
    }
    std::optional<DropReason> busy;
    if (connectionCount() >= m_caps.total)
        busy = DropReason::Busy;
    else if (!address.isEmpty() && connectionsFrom(address) >= m_caps.perAddress)
        busy = DropReason::BusyAddress;
    if (busy) {
        m_transport.send(id, byeFor(*busy));
        m_transport.close(id);
        ++m_busyRefusals;
        if (!m_busyLogged || t - m_busyLoggedAt >= kBusyLogMs) {
            ServiceEvent e = makeEvent(ServiceEvent::Kind::Refused, address, *busy);
            e.count = std::exchange(m_busyRefusals, 0);
            event(e);
            m_busyLoggedAt = t;
            m_busyLogged = true;
        }
        return false;
    }
    auto c = std::make_unique<Connection>();
    if (!address.isEmpty()) {
        // The record's key is the one copy of the text every connection of the
        // address shares.
        const auto record = m_addresses.try_emplace(address).first;
        ++record->second.connections;
        c->address = record->first;
    }
    c->openedAt = c->heardAt = t;
    m_connections.emplace(id, std::move(c));
    return true;
}

int ServiceCore::connectionsFrom(const QString& address) const {
    const auto it = m_addresses.find(address);
    return it == m_addresses.end() ? 0 : it->second.connections;
}

void ServiceCore::received(ConnectionId id, const QByteArray& bytes) {
    Entry entry(*this);
    Connection* c = find(id);
    if (!c || c->doomed)
        return;
    if (c->relay) {
        waitingBytes(id, *c, bytes);
        return;
    }
    c->buffer += bytes;
    if (!c->welcomed && !firstLine(id, *c))
        return;
    QList<QByteArray> lines;
    const bool fits = lobbywire::cutLines(c->buffer, lines);
    if (c->buffer.isEmpty())
        c->buffer = QByteArray(); // its capacity back: most connections sit idle
    for (QByteArray& line : lines) {
        if (c->doomed)
            return;
        take(id, *c, std::move(line));
    }
    if (!fits)
        doom(id, DropReason::LongLine);
}

// Every line counts towards the rate when it arrives, even one held back
// behind a store request: a flooder is cut off at once, not when its turn
// comes.
void ServiceCore::take(ConnectionId id, Connection& c, QByteArray line) {
    const qint64 t = now();
    if (!c.lines.take(kLineBurst, 1000 / kMaxLinesPerSecond, t) || c.held.size() >= kMaxHeldLines) {
        doom(id, DropReason::Flooding);
        return;
    }
    c.heardAt = t;
    c.held.append(std::move(line));
    handleHeld(id);
}

// The connection's lines in order, until one waits for the store. A store
// that answers from inside the call finds the connection busy here and leaves
// the next line to this loop.
void ServiceCore::handleHeld(ConnectionId id) {
    Connection* c = find(id);
    if (!c || c->handling)
        return;
    c->handling = true;
    while (!c->waiting && !c->doomed && !c->held.isEmpty())
        handle(id, *c, c->held.takeFirst());
    c->handling = false;
    if (c->held.isEmpty())
        c->held = QList<QByteArray>();
}

void ServiceCore::storeAnswered(ConnectionId id) {
    if (Connection* c = find(id)) {
        c->waiting = false;
        handleHeld(id);
    }
}

void ServiceCore::closed(ConnectionId id) {
    Entry entry(*this);
    if (m_relays.count(id) != 0) {
        endRelay(id);
        return;
    }
    Connection* c = find(id);
    if (!c || c->doomed)
        return;
    // Let go when this entry ends, like any other; there is nobody to tell.
    c->doomed = true;
    c->reason = DropReason::Ended;
    m_doomed.push_back(id);
}

void ServiceCore::sweep() {
    Entry entry(*this);
    const qint64 t = now();
    for (const auto& [id, c] : m_connections) {
        if (c->doomed || c->relay)
            continue; // a relay's player waits by its ticket's time
        if (!c->welcomed) {
            if (t - c->openedAt >= kLoginGraceMs)
                doom(id, DropReason::Late);
        } else if (c->hosted && t - c->heardAt > lobbywire::kHostSilenceSeconds * 1000) {
            doom(id, DropReason::Silent);
        } else if (t - c->heardAt >= kIdleMs) {
            doom(id, DropReason::Idle);
        }
    }
    sweepRelays(t);
    std::erase_if(m_addresses, [t](const auto& entry) {
        return entry.second.connections == 0 && entry.second.relays == 0 &&
               entry.second.unknowns.idle(kUnknownWindowMs, t);
    });
}

void ServiceCore::shutdown() {
    Entry entry(*this);
    for (const auto& [id, c] : m_connections)
        doom(id, DropReason::Closing);
    shutdownRelays();
}

void ServiceCore::send(ConnectionId id, const QByteArray& bytes) {
    Connection* c = find(id);
    if (!c || c->doomed)
        return;
    if (!m_transport.send(id, bytes) || m_transport.unsent(id) > kMaxUnsentBytes)
        doom(id, DropReason::NotReading);
}

// ERROR for the request; a client refused too often is cut off.
void ServiceCore::refuseRequest(ConnectionId id, const QString& request, const QString& text) {
    Connection* c = find(id);
    if (!c || c->doomed)
        return;
    send(id, lobbywire::error(request, text));
    if (!c->refusals.take(kBadRequestBurst, kBadRequestRefillMs, now()))
        doom(id, DropReason::BadRequests);
}

// Says why (where a line can still reach the peer) at once, and closes the
// connection when the outermost entry ends. Flooders and guessers have their
// address refused for a while.
void ServiceCore::doom(ConnectionId id, DropReason reason) {
    Connection* c = find(id);
    if (!c || c->doomed)
        return;
    c->doomed = true;
    c->reason = reason;
    m_doomed.push_back(id);
    const QByteArray bye = byeFor(reason);
    if (!bye.isEmpty())
        m_transport.send(id, bye);
    const bool bar = barsAddress(reason);
    if (bar)
        m_guard.bar(c->address, now());
    if (reason != DropReason::Closing && reason != DropReason::Ended) {
        ServiceEvent e = makeEvent(ServiceEvent::Kind::CutOff, c->address, reason);
        e.barred = bar && !c->address.isEmpty();
        event(e);
    }
    if (m_depth == 0)
        settle();
}

// Lets go of the doomed connections, one at a time: what one leaves behind
// (its table, its place in the chat) is taken away before the next.
void ServiceCore::settle() {
    ++m_depth;
    for (size_t i = 0; i < m_doomed.size(); ++i) {
        const ConnectionId id = m_doomed[i];
        const auto it = m_connections.find(id);
        if (it == m_connections.end())
            continue;
        std::unique_ptr<Connection> c = std::move(it->second);
        m_connections.erase(it);
        release(id, *c);
    }
    m_doomed.clear();
    --m_depth;
}

void ServiceCore::release(ConnectionId id, Connection& c) {
    m_watchers.erase(id);
    if (m_entered.erase(id) != 0 && removePerson(c.name)) {
        queueChat(lobbywire::away(c.name));
        m_store.left(c.name);
    }
    unhost(c, false);
    if (c.relay)
        dropTicket(c.relay->ticket, DropReason::Ended);
    if (!c.address.isEmpty()) {
        const auto record = m_addresses.find(c.address);
        if (record != m_addresses.end())
            --record->second.connections;
    }
    if (c.reason != DropReason::Ended)
        m_transport.close(id); // may report the closing from inside: it is gone already
}

void ServiceCore::event(const ServiceEvent& e) const {
    if (onEvent)
        onEvent(e);
}

bool ServiceCore::welcomed(ConnectionId id) const {
    const Connection* c = find(id);
    return c && c->welcomed;
}

QString ServiceCore::nameOf(ConnectionId id) const {
    const Connection* c = find(id);
    return c ? c->name : QString();
}

QString ServiceCore::tableOf(ConnectionId id) const {
    const Connection* c = find(id);
    return c && c->hosted ? c->hosted->table.code : QString();
}

qsizetype ServiceCore::buffered(ConnectionId id) const {
    const Connection* c = find(id);
    return c ? c->buffer.size() : 0;
}

qsizetype ServiceCore::held(ConnectionId id) const {
    const Connection* c = find(id);
    return c ? c->held.size() : 0;
}
