// SPDX-License-Identifier: GPL-3.0-or-later
// ServiceCore: one line of a connection, and the store's answers to it.

#include "servicecore_p.h"
#include "version.h"

using namespace lobbywire;
using namespace servicelimits;

namespace {

// An unknown request is named in the ERROR as it came, when it is a plain word.
QString requestWord(const QByteArray& name) {
    if (name.isEmpty() || name.size() > 16)
        return QStringLiteral("request");
    for (char ch : name)
        if (!((ch >= 'A' && ch <= 'Z') || (ch >= 'a' && ch <= 'z')))
            return QStringLiteral("request");
    return QString::fromLatin1(name).toLower();
}

QString slowDown() {
    return QStringLiteral("Slow down: at most %1 chat lines in %2 seconds.")
        .arg(kChatBurst)
        .arg(kChatWindowMs / 1000);
}

} // namespace

QByteArray byeFor(DropReason reason) {
    switch (reason) {
    case DropReason::Busy:
        return bye(QStringLiteral("busy"), QStringLiteral("The lobby is full; try again later."));
    case DropReason::BusyAddress:
        return bye(QStringLiteral("busy"),
                   QStringLiteral("Too many connections from your address at once."));
    case DropReason::Late:
        return bye(QStringLiteral("late"),
                   QStringLiteral("Say HELLO within %1 seconds.").arg(kLoginGraceMs / 1000));
    case DropReason::Version:
        return bye(QStringLiteral("version"),
                   QStringLiteral("This lobby service speaks protocol %1; please update the "
                                  "program.")
                       .arg(kProtocolVersion));
    case DropReason::NoHello:
        return bye(QStringLiteral("hello"),
                   QStringLiteral("The first line must be HELLO with the protocol %1, the "
                                  "program and its version.")
                       .arg(kProtocolVersion));
    case DropReason::Flooding:
        return bye(QStringLiteral("flood"), QStringLiteral("Too many lines too fast."));
    case DropReason::LongLine:
        return bye(QStringLiteral("long"),
                   QStringLiteral("A line is at most %1 bytes.").arg(kMaxLineBytes));
    case DropReason::BadRequests:
        return bye(QStringLiteral("flood"), QStringLiteral("Too many refused requests."));
    case DropReason::ChatFlood:
        return bye(QStringLiteral("flood"), QStringLiteral("Too many chat lines."));
    case DropReason::Guessing:
        return bye(QStringLiteral("flood"), QStringLiteral("Too many unknown invite codes."));
    case DropReason::Silent:
        return bye(QStringLiteral("silent"),
                   QStringLiteral("Nothing heard from the table for %1 seconds.")
                       .arg(kHostSilenceSeconds));
    case DropReason::Idle:
        return bye(QStringLiteral("silent"),
                   QStringLiteral("Nothing heard for %1 seconds.").arg(kIdleMs / 1000));
    case DropReason::Closing:
        return bye(QStringLiteral("closing"), QStringLiteral("The lobby service is stopping."));
    case DropReason::HostAbsent:
        return bye(QStringLiteral("absent"),
                   QStringLiteral("The table's host did not take you in within %1 seconds.")
                       .arg(kTicketSeconds));
    case DropReason::HostRefused:
        return bye(QStringLiteral("refused"), QStringLiteral("The table's host turned you away."));
    case DropReason::RelayBusy:
        return bye(QStringLiteral("busy"),
                   QStringLiteral("The relay carries as many players as it may for that table "
                                  "or your address."));
    case DropReason::BadTicket:
        return bye(QStringLiteral("ticket"), QStringLiteral("That ticket is not good (any more)."));
    case DropReason::NoAddress:
        return bye(QStringLiteral("address"),
                   QStringLiteral("Your address is not known here, and a table's host judges "
                                  "its players by it."));
    case DropReason::Unknown:
    case DropReason::Barred:
    case DropReason::NotReading:
    case DropReason::Ended:
        break;
    }
    return {};
}

bool barsAddress(DropReason reason) {
    return reason == DropReason::Flooding || reason == DropReason::BadRequests ||
           reason == DropReason::ChatFlood || reason == DropReason::Guessing;
}

void ServiceCore::handle(ConnectionId id, Connection& c, const QByteArray& line) {
    const Message m = split(line);
    if (!c.welcomed)
        hello(id, c, m);
    else if (m.name == name::port)
        port(id, c, m);
    else if (m.name == name::armed)
        armed(id, c, m);
    else if (m.name == name::decline)
        decline(id, c, m);
    else if (m.name == name::setName)
        setName(id, c, m);
    else if (isBare(m, name::watch))
        watch(id, c);
    else if (isBare(m, name::enter))
        enter(id, c);
    else if (m.name == name::say)
        say(id, c, m);
    else if (m.name == name::host)
        host(id, c, m);
    else if (m.name == name::state)
        state(id, c, m);
    else if (isBare(m, name::unhost))
        unhost(c, true);
    else if (m.name == name::resolve)
        resolve(id, c, m);
    else if (isBare(m, name::ping))
        send(id, pong());
    else if (m.name == name::hello)
        refuseRequest(id, QStringLiteral("hello"), QStringLiteral("Already welcomed."));
    else
        refuseRequest(id, requestWord(m.name),
                      QStringLiteral("Not a request this service takes in that form."));
}

void ServiceCore::hello(ConnectionId id, Connection& c, const Message& m) {
    if (m.name != name::hello) {
        doom(id, DropReason::NoHello);
        return;
    }
    const std::optional<int> protocol = readHelloProtocol(m);
    if (protocol && *protocol != kProtocolVersion) {
        doom(id, DropReason::Version);
        return;
    }
    if (!readHello(m)) {
        doom(id, DropReason::NoHello);
        return;
    }
    c.welcomed = true;
    send(id, welcome(QString::fromLatin1(wire::kVersion)));
}

void ServiceCore::setName(ConnectionId id, Connection& c, const Message& m) {
    const std::optional<QString> name = readName(m);
    if (!name) {
        refuseRequest(id, QStringLiteral("name"),
                      QStringLiteral("A name is 1 to %1 characters.").arg(kMaxNameChars));
        return;
    }
    if (m_entered.count(id) != 0 && *name != c.name) {
        // Everybody in the chat hears of it, so it costs like a chat line.
        if (!chatAllowance(id, c, QStringLiteral("name")))
            return;
        removePerson(c.name);
        addPerson(*name);
        queueChat(away(c.name), id);
        queueChat(here(*name), id);
        m_store.left(c.name);
        m_store.arrived(*name);
    }
    c.name = *name;
    send(id, named(*name));
}

void ServiceCore::watch(ConnectionId id, Connection&) {
    if (m_watchers.count(id) != 0) {
        refuseRequest(id, QStringLiteral("watch"), QStringLiteral("Already watching."));
        return;
    }
    send(id, directorySnapshot());
    m_watchers.insert(id);
}

void ServiceCore::enter(ConnectionId id, Connection& c) {
    if (c.name.isEmpty()) {
        refuseRequest(id, QStringLiteral("enter"), QStringLiteral("Choose a NAME first."));
        return;
    }
    if (m_entered.count(id) != 0) {
        refuseRequest(id, QStringLiteral("enter"), QStringLiteral("Already in the chat."));
        return;
    }
    addPerson(c.name);
    queueChat(here(c.name));
    // Its answer holds everything said and everybody present so far; from the
    // next news on it hears what the others hear.
    c.chatFrom = m_chatSeq;
    QByteArray history;
    for (const QByteArray& line : m_history)
        history += line;
    if (!history.isEmpty())
        send(id, history);
    send(id, peopleSnapshot());
    m_entered.insert(id);
    m_store.arrived(c.name);
}

bool ServiceCore::chatAllowance(ConnectionId id, Connection& c, const QString& request) {
    const qint64 t = now();
    if (c.chat.admit(kChatBurst, kChatWindowMs, t))
        return true;
    send(id, error(request, slowDown()));
    if (!c.strikes.take(kChatStrikes, kChatStrikeRefillMs, t))
        doom(id, DropReason::ChatFlood);
    return false;
}

void ServiceCore::say(ConnectionId id, Connection& c, const Message& m) {
    if (m_entered.count(id) == 0) {
        refuseRequest(id, QStringLiteral("say"), QStringLiteral("ENTER the chat first."));
        return;
    }
    const std::optional<QString> text = readSay(m);
    if (!text) {
        refuseRequest(id, QStringLiteral("say"),
                      QStringLiteral("A chat line is 1 to %1 characters.").arg(kMaxChatChars));
        return;
    }
    if (!chatAllowance(id, c, QStringLiteral("say")))
        return;
    const QByteArray line = chat(c.name, *text);
    addHistory(line);
    queueChat(line);
    m_store.said({c.name, *text});
}

void ServiceCore::host(ConnectionId id, Connection& c, const Message& m) {
    if (c.hosted) {
        refuseRequest(id, QStringLiteral("host"),
                      QStringLiteral("One table per connection: UNHOST this one first."));
        return;
    }
    const std::optional<HostRequest> r = readHost(m);
    if (!r) {
        refuseRequest(id, QStringLiteral("host"), QStringLiteral("That HOST is malformed."));
        return;
    }
    if (c.address.isEmpty()) {
        // Players are sent to the address the table's host came from.
        refuseRequest(id, QStringLiteral("host"),
                      QStringLiteral("Your address is not known here: nobody could join."));
        return;
    }
    TableRecord table;
    table.listing = r->listing;
    table.address = c.address;
    table.port = r->port;
    table.version = r->version;
    table.tableName = r->tableName;
    table.state.hostName = r->hostName;
    if (m_relayPort != 0) {
        table.relayHost = relayHostFor(id);
        table.relayPort = m_relayPort;
    }
    table.code = r->earlier.code;
    table.key = r->earlier.empty() ? secret() : r->earlier.key;
    c.waiting = true;
    m_store.addTable(table, [alive = std::weak_ptr<bool>(m_alive), this, id,
                             table](std::optional<QString> code) {
        if (alive.lock())
            hosted(id, table, code);
    });
}

void ServiceCore::hosted(ConnectionId id, TableRecord table, std::optional<QString> code) {
    Entry entry(*this);
    Connection* c = find(id);
    if (!c || c->doomed) {
        // Its host went while the store was asked: the table goes at once,
        // unless it was a claim of a table another connection of the same
        // host still holds here, whose record the store now has to get back.
        if (!code)
            return;
        const auto held = m_hosts.find(*code);
        const Connection* holder = held == m_hosts.end() ? nullptr : find(held->second);
        if (holder && !holder->doomed && holder->hosted && holder->hosted->table.code == *code)
            m_store.updateTable(holder->hosted->table);
        else
            m_store.removeTable(*code);
        return;
    }
    if (!code) {
        send(id, error(QStringLiteral("host"),
                       QStringLiteral("No table can be registered just now; try again later.")));
    } else {
        table.code = *code;
        takeOver(id, table.code);
        c->hosted = std::make_unique<Hosted>();
        c->hosted->table = table;
        send(id, lobbywire::hosted({table.code, table.key}));
        ServiceEvent e = makeEvent(ServiceEvent::Kind::TableListed, table.address);
        e.code = table.code;
        e.tableName = table.tableName;
        e.listing = table.listing;
        e.port = table.port;
        event(e);
        startProbe(id, *c);
    }
    storeAnswered(id);
}

// A host that registers its table again (with the code and key it was given)
// while its old connection is still held here: the table is the new
// connection's from now on, and the old one's players waiting at the relay
// are let go.
void ServiceCore::takeOver(ConnectionId id, const QString& code) {
    const auto it = m_hosts.find(code);
    if (it != m_hosts.end() && it->second != id) {
        dropTicketsOf(it->second, DropReason::HostAbsent);
        if (Connection* old = find(it->second))
            old->hosted.reset();
    }
    m_hosts[code] = id;
}

void ServiceCore::port(ConnectionId id, Connection& c, const Message& m) {
    if (!c.hosted) {
        refuseRequest(id, QStringLiteral("port"), QStringLiteral("No table: HOST one first."));
        return;
    }
    const std::optional<quint16> p = readPortRequest(m);
    if (!p) {
        refuseRequest(id, QStringLiteral("port"), QStringLiteral("That PORT is malformed."));
        return;
    }
    Hosted& h = *c.hosted;
    if (!h.probes.admit(kMaxProbesPerWindow, kProbeWindowMs, now())) {
        refuseRequest(id, QStringLiteral("port"),
                      QStringLiteral("Too many changes of port; wait a minute."));
        return;
    }
    if (h.table.port != *p) {
        h.table.port = *p;
        m_store.updateTable(h.table);
    }
    startProbe(id, c);
}

void ServiceCore::state(ConnectionId id, Connection& c, const Message& m) {
    if (!c.hosted) {
        refuseRequest(id, QStringLiteral("state"), QStringLiteral("No table: HOST one first."));
        return;
    }
    const std::optional<TableState> s = readState(m);
    if (!s) {
        refuseRequest(id, QStringLiteral("state"), QStringLiteral("That STATE is malformed."));
        return;
    }
    if (*s == c.hosted->table.state)
        return; // nothing for the watchers
    c.hosted->table.state = *s;
    m_store.updateTable(c.hosted->table);
}

void ServiceCore::unhost(Connection& c, bool byRequest) {
    if (!c.hosted)
        return;
    const TableRecord table = c.hosted->table;
    c.hosted.reset();
    if (const auto it = m_hosts.find(table.code); it != m_hosts.end()) {
        dropTicketsOf(it->second, DropReason::HostAbsent);
        m_hosts.erase(it);
    }
    ServiceEvent e = makeEvent(ServiceEvent::Kind::TableGone, table.address, c.reason);
    e.code = table.code;
    e.tableName = table.tableName;
    e.listing = table.listing;
    e.port = table.port;
    e.unhosted = byRequest;
    event(e);
    m_store.removeTable(table.code);
}

void ServiceCore::resolve(ConnectionId id, Connection& c, const Message& m) {
    const std::optional<QString> code = readResolve(m);
    if (!code) {
        refuseRequest(id, QStringLiteral("resolve"), QStringLiteral("That is not an invite code."));
        return;
    }
    c.waiting = true;
    m_store.resolve(*code, [alive = std::weak_ptr<bool>(m_alive), this, id,
                            code = *code](std::optional<TableRecord> table) {
        if (alive.lock())
            resolved(id, code, std::move(table));
    });
}

void ServiceCore::resolved(ConnectionId id, const QString& code, std::optional<TableRecord> t) {
    Entry entry(*this);
    Connection* c = find(id);
    if (!c || c->doomed)
        return;
    if (t) {
        send(id, found(t->found()));
    } else {
        // Codes cannot be guessed only as long as nobody may try many: past
        // the limit the guesser gets no more answers, from this connection or
        // any other of its address.
        const qint64 now = this->now();
        bool allowed = c->unknowns.admit(kMaxUnknownPerConnection, kUnknownWindowMs, now);
        if (allowed && !c->address.isEmpty())
            allowed = m_addresses[c->address].unknowns.admit(kMaxUnknownPerAddress,
                                                             kUnknownWindowMs, now);
        if (!allowed) {
            doom(id, DropReason::Guessing);
            return;
        }
        send(id, unknown(code));
    }
    storeAnswered(id);
}
