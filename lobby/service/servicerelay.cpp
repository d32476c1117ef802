// SPDX-License-Identifier: GPL-3.0-or-later
// ServiceCore: the relay for tables the internet can't reach, and the test
// from outside that tells those tables from the others.

#include "servicecore_p.h"

using namespace lobbywire;
using namespace servicelimits;

namespace {

bool startsLine(const QByteArray& buffer, const char* name) {
    const qsizetype n = qsizetype(qstrlen(name));
    return buffer.startsWith(name) && buffer.size() > n &&
           (buffer.at(n) == '\t' || buffer.at(n) == '\n' || buffer.at(n) == '\r');
}

} // namespace

// A connection's first line says what it is. A relay's end is read up to its
// first line only: what follows is the game's, to be passed on as it is, not
// cut into lines.
bool ServiceCore::firstLine(ConnectionId id, Connection& c) {
    if (!startsLine(c.buffer, name::relay) && !startsLine(c.buffer, name::ticket))
        return true;
    const qsizetype end = c.buffer.indexOf('\n');
    // An unfinished or over-long line is cutLines' to judge.
    if (end < 0 ? c.buffer.size() >= kMaxLineBytes : end + 1 > kMaxLineBytes)
        return true;
    if (end < 0)
        return false;
    QByteArray line = c.buffer.left(end);
    if (line.endsWith('\r'))
        line.chop(1);
    const QByteArray rest = c.buffer.mid(end + 1);
    c.buffer = QByteArray();
    c.heardAt = now();
    const Message m = split(line);
    if (m.name == name::relay) {
        relayRequest(id, c, m);
        if (!c.doomed && c.relay && !rest.isEmpty())
            waitingBytes(id, c, rest);
    } else {
        // Joining the two ends takes this connection out of the core: it
        // gives the rest of its bytes along.
        c.buffer = rest;
        ticketRequest(id, c, m);
    }
    return false;
}

void ServiceCore::waitingBytes(ConnectionId id, Connection& c, const QByteArray& bytes) {
    c.relay->early += bytes;
    if (c.relay->early.size() > kMaxEarlyBytes)
        doom(id, DropReason::Flooding);
}

// Codes can't be guessed as long as nobody may try many: a relay's unknown
// code and a bad ticket count like an unknown RESOLVE.
bool ServiceCore::unknownAllowed(Connection& c) {
    const qint64 t = now();
    bool allowed = c.unknowns.admit(kMaxUnknownPerConnection, kUnknownWindowMs, t);
    if (allowed && !c.address.isEmpty())
        allowed = m_addresses[c.address].unknowns.admit(kMaxUnknownPerAddress, kUnknownWindowMs, t);
    return allowed;
}

void ServiceCore::relayRequest(ConnectionId id, Connection& c, const Message& m) {
    const std::optional<RelayRequest> r = readRelay(m);
    if (!r) {
        doom(id, DropReason::NoHello);
        return;
    }
    if (r->protocol != kProtocolVersion) {
        doom(id, DropReason::Version);
        return;
    }
    const auto host = m_hosts.find(r->code);
    const Connection* h = host == m_hosts.end() ? nullptr : find(host->second);
    if (!h || h->doomed || !h->hosted) {
        if (!unknownAllowed(c)) {
            doom(id, DropReason::Guessing);
            return;
        }
        send(id, unknown(r->code));
        doom(id, DropReason::Unknown);
        return;
    }
    if (c.address.isEmpty()) {
        // The table's server judges its players by their address (limits,
        // refusals): one it can't be told is not passed on.
        doom(id, DropReason::NoAddress);
        return;
    }
    if (relaysOfTable(r->code) >= kMaxRelaysPerTable ||
        (!c.address.isEmpty() && relaysFrom(c.address) >= kMaxRelaysPerAddress)) {
        doom(id, DropReason::RelayBusy);
        return;
    }
    const QString ticket = secret();
    m_tickets.emplace(ticket, Ticket{id, host->second, r->code, now()});
    ++m_tableRelays[r->code];
    ++m_addresses[c.address].relays;
    c.relay = std::make_unique<RelayWait>(RelayWait{ticket, {}});
    send(host->second, joiner(ticket, c.address));
}

void ServiceCore::ticketRequest(ConnectionId id, Connection& c, const Message& m) {
    const std::optional<QString> ticket = readTicket(m);
    if (!ticket) {
        doom(id, DropReason::NoHello);
        return;
    }
    const auto it = m_tickets.find(*ticket);
    Connection* joiner = it == m_tickets.end() ? nullptr : find(it->second.joiner);
    if (!joiner || joiner->doomed || now() - it->second.issuedAt > kTicketSeconds * 1000) {
        doom(id, unknownAllowed(c) ? DropReason::BadTicket : DropReason::Guessing);
        return;
    }
    const Ticket t = it->second;
    m_tickets.erase(it);
    const QByteArray early = std::move(joiner->relay->early);
    const QByteArray fromHost = std::move(c.buffer);
    const QString joinerAddress = joiner->address;
    // The host's connections for its players are its own business: they
    // count neither towards its address's reconnects nor its connections.
    m_guard.refund(c.address);
    m_relays[t.joiner] = RelayEnd{id, t.code, joinerAddress};
    m_relays[id] = RelayEnd{t.joiner, t.code, joinerAddress};
    for (const ConnectionId end : {t.joiner, id}) {
        const auto node = m_connections.find(end);
        if (!node->second->address.isEmpty())
            --m_addresses[node->second->address].connections;
        m_connections.erase(node);
    }
    m_transport.join(t.joiner, id, joined() + fromHost, joined() + early);
    ServiceEvent e = makeEvent(ServiceEvent::Kind::Relayed, joinerAddress);
    e.code = t.code;
    event(e);
}

void ServiceCore::decline(ConnectionId id, Connection&, const Message& m) {
    const std::optional<QString> ticket = readDecline(m);
    if (!ticket) {
        refuseRequest(id, QStringLiteral("decline"), QStringLiteral("That is not a ticket."));
        return;
    }
    const auto it = m_tickets.find(*ticket);
    // A ticket that lapsed meanwhile has had its answer already.
    if (it != m_tickets.end() && it->second.host == id)
        dropTicket(*ticket, DropReason::HostRefused);
}

void ServiceCore::dropTicket(const QString& ticket, DropReason reason) {
    const auto it = m_tickets.find(ticket);
    if (it == m_tickets.end())
        return;
    const Ticket t = it->second;
    m_tickets.erase(it);
    if (--m_tableRelays[t.code] <= 0)
        m_tableRelays.erase(t.code);
    if (Connection* joiner = find(t.joiner)) {
        if (!joiner->address.isEmpty())
            --m_addresses[joiner->address].relays;
        joiner->relay.reset();
        if (reason != DropReason::Ended)
            doom(t.joiner, reason);
    }
}

void ServiceCore::dropTicketsOf(ConnectionId host, DropReason reason) {
    std::vector<QString> tickets;
    for (const auto& [ticket, t] : m_tickets)
        if (t.host == host)
            tickets.push_back(ticket);
    for (const QString& ticket : tickets)
        dropTicket(ticket, reason);
}

void ServiceCore::endRelay(ConnectionId id) {
    const auto it = m_relays.find(id);
    if (it == m_relays.end())
        return;
    const RelayEnd end = it->second;
    m_relays.erase(it);
    m_relays.erase(end.mate);
    if (--m_tableRelays[end.code] <= 0)
        m_tableRelays.erase(end.code);
    if (!end.joinerAddress.isEmpty())
        --m_addresses[end.joinerAddress].relays;
    ServiceEvent e = makeEvent(ServiceEvent::Kind::RelayEnded, end.joinerAddress);
    e.code = end.code;
    event(e);
}

void ServiceCore::shutdownRelays() {
    std::vector<ConnectionId> ends;
    for (const auto& [id, end] : m_relays)
        ends.push_back(id);
    for (const ConnectionId id : ends)
        m_transport.close(id);
    while (!m_relays.empty())
        endRelay(m_relays.begin()->first);
}

int ServiceCore::relaysOfTable(const QString& code) const {
    const auto it = m_tableRelays.find(code);
    return it == m_tableRelays.end() ? 0 : it->second;
}

int ServiceCore::relaysFrom(const QString& address) const {
    const auto it = m_addresses.find(address);
    return it == m_addresses.end() ? 0 : it->second.relays;
}

QString ServiceCore::relayHostFor(ConnectionId id) const {
    return m_relayHost.isEmpty() ? m_transport.localAddress(id) : m_relayHost;
}

// ---- the test from outside ----

void ServiceCore::startProbe(ConnectionId id, Connection& c) {
    if (!m_probing || !c.hosted)
        return;
    Hosted& h = *c.hosted;
    h.nonce = secret();
    h.probedAt = now();
    h.testing = false;
    send(id, probe(h.nonce));
}

void ServiceCore::armed(ConnectionId id, Connection& c, const Message& m) {
    const std::optional<QString> nonce = readArmed(m);
    if (!nonce || !c.hosted || c.hosted->nonce != *nonce || c.hosted->testing) {
        refuseRequest(id, QStringLiteral("armed"), QStringLiteral("No such test under way."));
        return;
    }
    c.hosted->testing = true;
    m_transport.probe(id, c.hosted->table.address, c.hosted->table.port, *nonce);
}

void ServiceCore::probed(ConnectionId host, const QString& nonce, bool answered,
                         const QString& text) {
    Entry entry(*this);
    Connection* c = find(host);
    if (!c || c->doomed || !c->hosted || !c->hosted->testing || c->hosted->nonce != nonce)
        return; // a test overtaken by another, or of a table gone
    tested(host, *c, answered ? Way::Direct : Way::Relay, text);
}

void ServiceCore::tested(ConnectionId id, Connection& c, Way way, const QString& text) {
    Hosted& h = *c.hosted;
    h.nonce.clear();
    h.testing = false;
    if (h.table.way != way) {
        h.table.way = way;
        m_store.updateTable(h.table);
    }
    send(id, reach(way, text));
    ServiceEvent e = makeEvent(ServiceEvent::Kind::TableTested, h.table.address);
    e.code = h.table.code;
    e.tableName = h.table.tableName;
    e.port = h.table.port;
    e.way = way;
    e.text = text;
    event(e);
}

void ServiceCore::sweepRelays(qint64 t) {
    std::vector<QString> lapsed;
    for (const auto& [ticket, w] : m_tickets)
        if (t - w.issuedAt >= kTicketSeconds * 1000)
            lapsed.push_back(ticket);
    for (const QString& ticket : lapsed)
        dropTicket(ticket, DropReason::HostAbsent);
    for (const auto& [code, id] : m_hosts) {
        Connection* c = find(id);
        if (c && !c->doomed && c->hosted && !c->hosted->nonce.isEmpty() && !c->hosted->testing &&
            t - c->hosted->probedAt >= kArmMs)
            tested(id, *c, Way::Relay,
                   QStringLiteral("the table's server did not get ready for the test"));
    }
}
