// SPDX-License-Identifier: GPL-3.0-or-later
// The lobby service's inbound path with no socket: connections opening from a
// few addresses, their bytes cut wherever the input cuts them, closes, the
// clock, sweeps and both batches driven by hand, over the in-memory store. The
// store may hold its answers back (as the shared store does) and may hear of
// other instances' people and chat. The input is a small program (the op list
// below); the transport records what the core sends and may refuse a send,
// pile up unsent bytes, and report a close at once, later or never.
//
// After every step: nothing is sent to a connection once it is closed; every
// write is whole lines, each one a service message its client's reader takes;
// the first is WELCOME or BYE (a relay's end: JOINED, UNKNOWN or BYE) and
// nothing follows a BYE; nothing is sent to the two ends of a relay once the
// transport joined them; the core's counts, caps, buffers, held lines and
// relays stay within their limits; and once the store has answered, its
// tables are exactly those of the connections that host. Relays are driven
// with the tickets and nonces the core itself sent, and the transport's tests
// from outside are answered by hand.

#include "fakeconnections.h"
#include "fuzzing.h"
#include "lobbyreaders.h"
#include "memorystore.h"
#include "servicecore.h"
#include "servicelimits.h"
#include "version.h"

#include <QByteArray>

#include <map>
#include <set>
#include <vector>

using namespace lobbywire;

namespace {

enum Op : uint8_t {
    Open,       // address byte: one of four addresses (one unknown)
    Bytes,      // connection, length (one byte, two when the first is 0xF0 or more), bytes
    Line,       // connection, which: one of the prepared lines below
    PeerClosed, // connection: the peer went, the host reports it
    Advance,    // amount: the clock moves on by amount * 500 ms
    Sweep,
    FlushDirectory, // writes: the batch's first 1 to 4 writes (the rest by Continue)
    FlushChat,
    Stall,      // connection, amount: amount * 16 KB of its output stays unsent
    Refuse,     // connection: its sends fail from now on
    LateCloses, // the closes the transport held back are reported now
    Hold,       // the store holds its answers back from now (or stops holding)
    Answer,     // the store answers what it held back
    Remote,     // kind, name: another instance's person arrives, leaves or chats
    Fill,       // connection, count, byte: count * 64 copies of the byte arrive
    Continue,   // writes: 1 to 4 more writes of the directory batch
    Ticket,     // connection, which: TICKET with one of the tickets sent to hosts
    Armed,      // connection, which: ARMED with one of the nonces sent to hosts
    Probed,     // which, answered: the transport's outcome of one of its tests
    kOps
};

constexpr int kMaxOps = 400;

const QList<QByteArray> kLines = {
    hello("kestrunlobby", wire::kVersion),
    hello("vorlix", wire::kVersion, 2),
    setName("Ann"),
    setName("Bob\x01"),
    watch(),
    enter(),
    say("hello"),
    host(Listing::Public, 7772, wire::kVersion, "Friday", "Ann"),
    host(Listing::Invite, 7773, wire::kVersion, "Secret", ""),
    state({3, 1, Phase::Playing, 2, 5, QStringLiteral("Ann")}),
    state({0, 0, Phase::Waiting, 0, 0, QStringLiteral("")}),
    unhost(),
    resolve("+AAAA-AAA2"),
    resolve("+AAAA-AAA3"),
    resolve("+ZZZZ-ZZZZ"),
    ping(),
    relay("+AAAA-AAA2"),
    relay("+AAAA-AAA3"),
    relay("+AAAA-AAA2", 1),
    port(40123),
    decline("AAAAAAAAAAAAAAAAAAAAAAAA"),
    host(Listing::Public, 7772, wire::kVersion, "Again", "Ann",
         {"+AAAA-AAA2", "AAAAAAAAAAAAAAAAAAAAAAAA"}),
};

const QString kNames[] = {QStringLiteral("Cy"), QStringLiteral("Di"), QStringLiteral("Ann")};

struct Link {
    bool open = true;
    bool refusing = false;
    bool said = false; // anything was sent to it
    bool byed = false;
    bool joined = false; // one end of a relay: the transport's from now on
    qsizetype unsent = 0;
};

// Whether the line is a service message its client's reader takes.
bool readable(const QByteArray& line) {
    const Message m = split(line);
    if (m.name == name::welcome)
        return readWelcome(m).has_value();
    if (m.name == name::bye)
        return readBye(m).has_value();
    if (m.name == name::error)
        return readError(m).has_value();
    if (m.name == name::named)
        return readNamed(m).has_value();
    if (m.name == name::table)
        return readTable(m).has_value();
    if (m.name == name::gone)
        return readGone(m).has_value();
    if (m.name == name::hosted)
        return readHosted(m).has_value();
    if (m.name == name::found)
        return readFound(m).has_value();
    if (m.name == name::unknown)
        return readUnknown(m).has_value();
    if (m.name == name::here)
        return readHere(m).has_value();
    if (m.name == name::away)
        return readAway(m).has_value();
    if (m.name == name::chat)
        return readChat(m).has_value();
    if (m.name == name::probe)
        return readProbe(m).has_value();
    if (m.name == name::reach)
        return readReach(m).has_value();
    if (m.name == name::joiner)
        return readJoiner(m).has_value();
    return isBare(m, name::listed) || isBare(m, name::entered) || isBare(m, name::pong);
}

class Transport : public ServiceTransport {
public:
    fuzzing::FakeConnections<Link> connections;
    std::vector<QString> tickets; // sent in JOINER lines
    std::vector<QString> nonces;  // sent in PROBE lines
    struct Test {
        ConnectionId host;
        QString nonce;
    };
    std::vector<Test> tests;

    bool send(ConnectionId id, const QByteArray& bytes) override {
        Link& link = connections.sendingTo(id);
        FUZZ_CHECK(!link.byed);
        FUZZ_CHECK(bytes.endsWith('\n'));
        const QList<QByteArray> lines = bytes.chopped(1).split('\n');
        for (const QByteArray& line : lines) {
            FUZZ_CHECK(line.size() < kMaxLineBytes);
            FUZZ_CHECK(readable(line));
            if (!link.said)
                FUZZ_CHECK(line.startsWith("WELCOME\t") || line.startsWith("BYE\t") ||
                           line.startsWith("UNKNOWN\t"));
            const Message m = split(line);
            if (const auto j = readJoiner(m))
                tickets.push_back(j->ticket);
            if (const auto nonce = readProbe(m))
                nonces.push_back(*nonce);
            link.said = true;
            FUZZ_CHECK(!link.byed);
            link.byed = line.startsWith("BYE\t");
        }
        return connections.take(link, bytes.size());
    }
    void close(ConnectionId id) override { connections.close(id); }
    qsizetype unsent(ConnectionId id) const override { return connections.unsent(id); }
    void join(ConnectionId a, ConnectionId b, const QByteArray& toA,
              const QByteArray& toB) override {
        for (const ConnectionId id : {a, b}) {
            const auto it = connections.links.find(id);
            FUZZ_CHECK(it != connections.links.end() && it->second.open && !it->second.joined);
            FUZZ_CHECK(!it->second.said); // the first line either end gets is JOINED
            it->second.joined = true;
        }
        FUZZ_CHECK(a != b && toA.startsWith("JOINED\n") && toB.startsWith("JOINED\n"));
    }
    void probe(ConnectionId host, const QString& address, quint16 port,
               const QString& nonce) override {
        FUZZ_CHECK(connections.links.count(host) != 0 && connections.links[host].open && port != 0);
        FUZZ_CHECK(!address.isEmpty() && isSecret(nonce));
        tests.push_back({host, nonce});
    }
    QString localAddress(ConnectionId) const override { return QStringLiteral("10.0.0.9"); }
};

// The in-memory store, able to hold its answers back and to pass on what
// another instance would tell.
class Store : public MemoryStore {
public:
    bool holding = false;
    std::vector<std::function<void()>> held;

    void addTable(TableRecord t, AddDone done) override {
        if (holding)
            held.push_back([this, t, done] { MemoryStore::addTable(t, done); });
        else
            MemoryStore::addTable(t, done);
    }
    void resolve(const QString& code, ResolveDone done) override {
        if (holding)
            held.push_back([this, code, done] { MemoryStore::resolve(code, done); });
        else
            MemoryStore::resolve(code, done);
    }
    void answer() {
        for (const auto& f : std::exchange(held, {}))
            f();
    }
    StoreListener* heard() const { return listener(); }
};

class Session {
public:
    explicit Session(uint8_t config) : m_core(m_transport, m_store, {6, 3}) {
        m_transport.connections.reportClose = [this](ConnectionId id) { m_core.closed(id); };
        m_transport.connections.report = fuzzing::CloseReport(config % 3);
        m_transport.connections.addresses = {QString(), QStringLiteral("10.0.0.1"),
                                             QStringLiteral("10.0.0.2"),
                                             QStringLiteral("2001:db8::7")};
        m_core.setClock([this] { return m_now; });
        // Codes the prepared RESOLVE lines can find.
        m_store.generateCode = [this] {
            return QStringLiteral("+AAAA-AAA") + QChar(u'2' + m_codes++ % 8);
        };
    }

    void run(fuzzing::Input& in) {
        for (int step = 0; step < kMaxOps && in.left() > 0; ++step) {
            perform(in);
            check();
        }
        m_store.holding = false;
        m_store.answer();
        check();
    }

private:
    void perform(fuzzing::Input& in) {
        fuzzing::FakeConnections<Link>& connections = m_transport.connections;
        switch (Op(in.byte() % kOps)) {
        case Open: {
            const auto [id, address] = connections.open(in);
            m_core.opened(id, address);
            break;
        }
        case Bytes: {
            const ConnectionId id = connections.pick(in);
            m_core.received(id, fuzzing::bytesOperand(in));
            break;
        }
        case Line: {
            const ConnectionId id = connections.pick(in);
            m_core.received(id, kLines[in.byte() % kLines.size()]);
            break;
        }
        case PeerClosed:
            m_core.closed(connections.peerClosed(in));
            break;
        case Advance:
            m_now += qint64(in.byte()) * 500;
            break;
        case Sweep:
            m_core.sweep();
            break;
        case FlushDirectory:
            m_core.flushDirectory(1 + in.byte() % 4);
            break;
        case Continue:
            m_core.continueDirectory(1 + in.byte() % 4);
            break;
        case FlushChat:
            m_core.flushChat();
            break;
        case Stall:
            connections.stall(in, 16 * 1024);
            break;
        case Refuse:
            connections.refuse(in);
            break;
        case LateCloses:
            for (ConnectionId id : std::exchange(connections.lateCloses, {}))
                m_core.closed(id);
            break;
        case Hold:
            m_store.holding = !m_store.holding;
            break;
        case Answer:
            m_store.answer();
            break;
        case Remote: {
            const uint8_t kind = in.byte();
            const QString& who = kNames[in.byte() % 3];
            StoreListener* l = m_store.heard();
            // As a store tells it: only somebody who arrived can leave.
            if (kind % 3 == 0) {
                ++m_remote[who];
                l->personHere(who);
            } else if (kind % 3 == 1 && m_remote[who] > 0) {
                --m_remote[who];
                l->personAway(who);
            } else {
                l->chatHeard({who, QStringLiteral("from afar")});
            }
            break;
        }
        case Fill: {
            const ConnectionId id = connections.pick(in);
            m_core.received(id, fuzzing::fillOperand(in));
            break;
        }
        case Ticket: {
            const ConnectionId id = connections.pick(in);
            const uint8_t k = in.byte();
            const auto& t = m_transport.tickets;
            m_core.received(id, ticket(t.empty() ? QStringLiteral("AAAAAAAAAAAAAAAAAAAAAAAA")
                                                 : t[k % t.size()]));
            break;
        }
        case Armed: {
            const ConnectionId id = connections.pick(in);
            const uint8_t k = in.byte();
            const auto& n = m_transport.nonces;
            m_core.received(id, armed(n.empty() ? QStringLiteral("AAAAAAAAAAAAAAAAAAAAAAAA")
                                                : n[k % n.size()]));
            break;
        }
        case Probed: {
            const uint8_t k = in.byte();
            const bool answered = in.byte() & 1;
            const auto& t = m_transport.tests;
            if (!t.empty())
                m_core.probed(t[k % t.size()].host, t[k % t.size()].nonce, answered,
                              QStringLiteral("tested"));
            break;
        }
        case kOps:
            break;
        }
    }

    void check() {
        FUZZ_CHECK(m_core.connectionCount() <= 6);
        int hosting = 0;
        std::map<QString, int> perAddress;
        for (const auto& [id, link] : m_transport.connections.links) {
            // A connection the core let go was closed (by it, or by its peer).
            if (link.joined) {
                FUZZ_CHECK(!m_core.knows(id));
                continue;
            }
            if (!m_core.knows(id)) {
                FUZZ_CHECK(!link.open);
                continue;
            }
            FUZZ_CHECK(link.open);
            FUZZ_CHECK(m_core.buffered(id) < kMaxLineBytes);
            FUZZ_CHECK(m_core.held(id) <= servicelimits::kMaxHeldLines);
            FUZZ_CHECK(!m_core.watching(id) || m_core.welcomed(id));
            FUZZ_CHECK(!m_core.entered(id) || !m_core.nameOf(id).isEmpty());
            hosting += !m_core.tableOf(id).isEmpty();
        }
        for (const QString& a : {QStringLiteral("10.0.0.1"), QStringLiteral("10.0.0.2")}) {
            FUZZ_CHECK(m_core.connectionsFrom(a) <= 3);
            FUZZ_CHECK(m_core.relaysFrom(a) <= servicelimits::kMaxRelaysPerAddress);
            FUZZ_CHECK(m_core.relaysFrom(a) >= 0 && m_core.connectionsFrom(a) >= 0);
        }
        for (const QString& code : {QStringLiteral("+AAAA-AAA2"), QStringLiteral("+AAAA-AAA3")})
            FUZZ_CHECK(m_core.relaysOfTable(code) >= 0 &&
                       m_core.relaysOfTable(code) <= servicelimits::kMaxRelaysPerTable);
        if (m_store.held.empty())
            FUZZ_CHECK(m_store.tableCount() == hosting);
        for (const TableEntry& e : m_core.directory())
            FUZZ_CHECK(invite::normalize(e.code) == e.code);
        FUZZ_CHECK(m_core.chatHistorySize() <= servicelimits::kChatHistory);
    }

    Transport m_transport;
    Store m_store;
    ServiceCore m_core;
    qint64 m_now = 1'000'000;
    int m_codes = 0;
    std::map<QString, int> m_remote;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    fuzzing::Input in(data, size);
    Session session(in.byte());
    session.run(in);
    return 0;
}
