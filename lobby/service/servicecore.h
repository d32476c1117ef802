// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// ServiceCore: everything the lobby service does with its connections that
// needs no socket. It reads each connection's lines (lobbywire::cutLines and
// the readers), answers them, keeps who is connected, watching and in the
// chat, mirrors the directory of public tables from its store, gathers
// directory changes and chat news into batches, and holds every peer to the
// limits of servicelimits.h. It reaches connections only through a
// ServiceTransport and learns the time only from its clock.
//
// What a host may rely on:
// - Connections are named by ids of the host's choosing, never 0 and never
//   reused. Events for an id the core does not know (any more) are ignored.
// - A connection's requests are answered in the order they came. A request
//   the store answers later (HOST, RESOLVE) holds back the connection's later
//   lines until it is answered; news may come in between.
// - A connection over a limit is sent its BYE at once and closed when the
//   outermost call into the core ends, never in the middle of one; from then
//   on nothing more is sent to it and none of its lines is handled. The
//   transport's close() may report the closing back (closed()) from inside the
//   call, later, or never.
// - Directory changes wait for flushDirectory(), chat and presence news for
//   flushChat(); each sends one write per client that follows them. The core
//   calls onDirectoryPending / onChatPending when a batch starts, so the host
//   can arrange the flush (the directory's within servicelimits::kBatchMs).
//   A host may deliver a directory batch in parts (flushDirectory's
//   `maxWrites`, then continueDirectory() on later turns of its event loop),
//   so that thousands of writes do not hold up the requests that arrive
//   meanwhile; a new batch first finishes the one before.
// - sweep(), called about once a second, applies the limits that take time.
// - A connection whose first line is RELAY or TICKET is a relay's end (see
//   lobbymessages.h): once the two ends of a relay are joined, the transport
//   carries their bytes and the core no longer counts them as connections;
//   it keeps only the relay's limits, until the transport reports either end
//   closed (closed() of either id).
// - A registered table is tested from outside through the transport's
//   probe(); the transport answers with probed(), from the event loop.

#include "addressguard.h"
#include "lobbyreaders.h"
#include "ratelimits.h"
#include "servicelimits.h"
#include "servicestore.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <deque>
#include <functional>
#include <limits>
#include <map>
#include <memory>
#include <optional>
#include <unordered_map>
#include <unordered_set>
#include <vector>

using ConnectionId = quint64;

// The core's only way to reach a connection.
class ServiceTransport {
public:
    virtual ~ServiceTransport() = default;
    // Queues the bytes for the peer; false when the connection refused them.
    virtual bool send(ConnectionId id, const QByteArray& bytes) = 0;
    // Closes the connection once what was queued has gone out.
    virtual void close(ConnectionId id) = 0;
    // Bytes given to send() that have not gone out yet.
    virtual qsizetype unsent(ConnectionId id) const = 0;
    // From now on what either connection sends reaches the other unchanged
    // (`toA` and `toB` first), with at most servicelimits::kRelayBufferBytes
    // waiting for either; when one ends, the other is closed. The core hears
    // of it by closed() of one of the two.
    virtual void join(ConnectionId a, ConnectionId b, const QByteArray& toA,
                      const QByteArray& toB) = 0;
    // Connects to a table at `address` and `port`, says the probe's greeting
    // and reads its answer, within lobbywire::kProbeSeconds; the outcome comes
    // back through ServiceCore::probed() for `host`, never from inside.
    virtual void probe(ConnectionId host, const QString& address, quint16 port,
                       const QString& nonce) = 0;
    // The address of this service on the connection, as its peer reached
    // it (the instance's relay address, unless the host sets one).
    virtual QString localAddress(ConnectionId id) const = 0;
};

// Why the core refused or let go of a connection.
enum class DropReason {
    Barred,      // its address connects too often or was cut off: refused a while
    Busy,        // the service holds as many connections as it takes
    BusyAddress, // its address holds as many as one address may
    Late,        // no HELLO within the login grace
    Version,     // HELLO of another protocol version
    NoHello,     // its first line was not a HELLO of this protocol
    Flooding,    // over the line rate, or too many lines waiting
    LongLine,    // a line over lobbywire::kMaxLineBytes
    BadRequests, // too many requests refused
    ChatFlood,   // kept on chatting after being asked to slow down
    Guessing,    // too many unknown invite codes
    Silent,      // a host not heard from within its silence limit
    HostAbsent,  // a relay's player whose table's host did not take it in time
    HostRefused, // a relay's player the table's host turned away
    RelayBusy,   // a relay's player over the relay's limits
    BadTicket,   // a ticket that is not (or no longer) good
    Unknown,     // a relay's player asked for a table not held here
    NoAddress,   // a relay's player whose address is not known here
    Idle,        // nothing heard for servicelimits::kIdleMs
    NotReading,  // its unsent bytes piled up, or a send failed
    Closing,     // the service is stopping
    Ended,       // the peer closed the connection, or it failed
};

// What the core did that an operator wants in the log.
struct ServiceEvent {
    enum class Kind { Refused, CutOff, TableListed, TableGone, TableTested, Relayed, RelayEnded };
    Kind kind = Kind::Refused;
    QString address;
    DropReason reason = DropReason::Barred; // Refused, CutOff; TableGone: its host's
    bool barred = false;                    // CutOff: its address is refused from now for a while
    // TableListed, TableGone:
    QString code;
    QString tableName;
    lobbywire::Listing listing = lobbywire::Listing::Public;
    quint16 port = 0;
    bool unhosted = false; // TableGone: by UNHOST (else its connection ended)
    int count = 1;         // Refused for a full service: refusals since the last line
    // TableTested: how players reach it, and what the test found; Relayed,
    // RelayEnded: `address` is the player's, `code` the table's.
    lobbywire::Way way = lobbywire::Way::Unknown;
    QString text;
};

// The connection caps, lowered by a host whose open-files limit is lower.
struct ConnectionCaps {
    int total = servicelimits::kMaxConnections;
    int perAddress = servicelimits::kMaxConnectionsPerAddress;
};

class ServiceCore : private StoreListener {
public:
    // Milliseconds of a monotonic clock.
    using Clock = std::function<qint64()>;

    ServiceCore(ServiceTransport& transport, ServiceStore& store, ConnectionCaps caps = {});
    ~ServiceCore() override;
    ServiceCore(const ServiceCore&) = delete;
    ServiceCore& operator=(const ServiceCore&) = delete;

    // The clock of the time limits; a steady clock unless a test sets one.
    void setClock(Clock clock) { m_clock = std::move(clock); }
    // Where this instance takes relay connections, for FOUND: `host` empty is
    // the address each table's host reached it at.
    void setRelayAddress(const QString& host, quint16 port) {
        m_relayHost = host;
        m_relayPort = port;
    }
    // Whether tables are tested from outside (a service that can't reach
    // anything, a test of something else, may leave every table "unknown").
    void setProbing(bool on) { m_probing = on; }
    // Where keys, tickets and nonces come from: the system's random source
    // unless a test sets a predictable one.
    void setSecrets(std::function<QString()> secrets) { m_secrets = std::move(secrets); }

    std::function<void(const ServiceEvent&)> onEvent;
    std::function<void()> onDirectoryPending;
    std::function<void()> onChatPending;

    // ---- events of the connections ----
    // A new connection from `address` (as text, IPv4-mapped addresses plain
    // IPv4; empty: unknown, never refused for its address). False when it was
    // refused (closed at once, sent BYE "busy" when it is over a cap).
    bool opened(ConnectionId id, const QString& address);
    // Bytes that arrived, cut wherever the network cut them.
    void received(ConnectionId id, const QByteArray& bytes);
    // The connection ended (the peer closed it, or it failed).
    void closed(ConnectionId id);
    // The transport's outcome of probe(): `answered` when the table answered
    // with `nonce`; `text` says what happened, in plain words.
    void probed(ConnectionId host, const QString& nonce, bool answered, const QString& text);

    // ---- ticks ----
    void sweep();
    // Both answer whether writes of the batch are left for continueDirectory.
    bool flushDirectory(int maxWrites = std::numeric_limits<int>::max());
    bool continueDirectory(int maxWrites = std::numeric_limits<int>::max());
    void flushChat();
    // Every connection is sent BYE "closing" and closed; its table leaves.
    void shutdown();

    // ---- state, for the host, tests and the fuzz target ----
    int connectionCount() const { return int(m_connections.size()); }
    int connectionsFrom(const QString& address) const;
    bool knows(ConnectionId id) const { return m_connections.count(id) != 0; }
    bool welcomed(ConnectionId id) const;
    bool watching(ConnectionId id) const { return m_watchers.count(id) != 0; }
    bool entered(ConnectionId id) const { return m_entered.count(id) != 0; }
    QString nameOf(ConnectionId id) const;
    // The invite code of the connection's table; empty when it has none.
    QString tableOf(ConnectionId id) const;
    // Bytes after the connection's last complete line, and lines held back
    // behind a request the store has not answered yet.
    qsizetype buffered(ConnectionId id) const;
    qsizetype held(ConnectionId id) const;
    int watcherCount() const { return int(m_watchers.size()); }
    int enteredCount() const { return int(m_entered.size()); }
    // The public tables as the directory lists them, by code.
    QList<lobbywire::TableEntry> directory() const;
    // The names present in the chat, here and at other instances, sorted,
    // each once.
    QStringList people() const;
    qsizetype chatHistorySize() const { return qsizetype(m_history.size()); }
    bool directoryPending() const { return !m_changes.empty(); }
    bool chatPending() const { return !m_chatNews.empty(); }
    bool refuses(const QString& address) const { return m_guard.barred(address, now()); }
    // Relays: joined pairs, players waiting for their table's host, and the
    // relays (joined or waiting) of a table and of a player's address.
    int relayCount() const { return int(m_relays.size() / 2); }
    int waitingJoiners() const { return int(m_tickets.size()); }
    int relaysOfTable(const QString& code) const;
    int relaysFrom(const QString& address) const;
    bool relayed(ConnectionId id) const { return m_relays.count(id) != 0; }

private:
    class Entry;
    struct Hosted;
    struct Connection;
    struct Person {
        int count = 0;
        QByteArray here; // its HERE line, kept for the ENTER answers
    };
    struct ChatNews {
        quint64 seq = 0;
        QByteArray line;
        ConnectionId except = 0; // a connection not to be sent this line
    };
    struct Change {
        bool wasListed = false; // in the directory when the batch began
    };
    struct AddressRecord {
        int connections = 0;
        int relays = 0; // its players' relays, joined or waiting
        EventWindow unknowns;
    };
    // A player waiting at the relay for its table's host.
    struct Ticket {
        ConnectionId joiner = 0;
        ConnectionId host = 0; // the table's hosting connection
        QString code;
        qint64 issuedAt = 0;
    };
    // One end of a joined relay.
    struct RelayEnd {
        ConnectionId mate = 0;
        QString code;
        QString joinerAddress;
    };

    qint64 now() const;
    Connection* find(ConnectionId id);
    const Connection* find(ConnectionId id) const;

    // servicecore.cpp: connections, limits, closing.
    void take(ConnectionId id, Connection& c, QByteArray line);
    void handleHeld(ConnectionId id);
    void send(ConnectionId id, const QByteArray& bytes);
    void storeAnswered(ConnectionId id);
    void refuseRequest(ConnectionId id, const QString& request, const QString& text);
    void doom(ConnectionId id, DropReason reason);
    void release(ConnectionId id, Connection& c);
    void settle();
    void event(const ServiceEvent& e) const;

    // servicerequests.cpp: one line of a connection.
    void handle(ConnectionId id, Connection& c, const QByteArray& line);
    void hello(ConnectionId id, Connection& c, const lobbywire::Message& m);
    void setName(ConnectionId id, Connection& c, const lobbywire::Message& m);
    void watch(ConnectionId id, Connection& c);
    void enter(ConnectionId id, Connection& c);
    void say(ConnectionId id, Connection& c, const lobbywire::Message& m);
    void host(ConnectionId id, Connection& c, const lobbywire::Message& m);
    void hosted(ConnectionId id, TableRecord table, std::optional<QString> code);
    void state(ConnectionId id, Connection& c, const lobbywire::Message& m);
    void unhost(Connection& c, bool byRequest);
    void resolve(ConnectionId id, Connection& c, const lobbywire::Message& m);
    void resolved(ConnectionId id, const QString& code, std::optional<TableRecord> table);
    bool chatAllowance(ConnectionId id, Connection& c, const QString& request);
    void port(ConnectionId id, Connection& c, const lobbywire::Message& m);

    // servicerelay.cpp: the relay and the reachability test.
    bool firstLine(ConnectionId id, Connection& c);
    void waitingBytes(ConnectionId id, Connection& c, const QByteArray& bytes);
    void relayRequest(ConnectionId id, Connection& c, const lobbywire::Message& m);
    void ticketRequest(ConnectionId id, Connection& c, const lobbywire::Message& m);
    void decline(ConnectionId id, Connection& c, const lobbywire::Message& m);
    void dropTicket(const QString& ticket, DropReason reason);
    void dropTicketsOf(ConnectionId host, DropReason reason);
    void endRelay(ConnectionId id);
    bool unknownAllowed(Connection& c);
    void startProbe(ConnectionId id, Connection& c);
    void armed(ConnectionId id, Connection& c, const lobbywire::Message& m);
    void takeOver(ConnectionId id, const QString& code);
    void tested(ConnectionId id, Connection& c, lobbywire::Way way, const QString& text);
    void sweepRelays(qint64 now);
    void shutdownRelays();
    QString relayHostFor(ConnectionId id) const;

    // servicefeeds.cpp: the directory, the chat and their batches.
    const QByteArray& directorySnapshot();
    const QByteArray& peopleSnapshot();
    void addPerson(const QString& name);
    bool removePerson(const QString& name);
    void addHistory(const QByteArray& line);
    void queueChat(QByteArray line, ConnectionId except = 0);
    void changed(const QString& code, bool wasListed);
    void tableShown(const TableRecord& table) override;
    void tableGone(const QString& code) override;
    void chatHeard(const lobbywire::ChatLine& line) override;
    void chatHistory(const QList<lobbywire::ChatLine>& lines) override;
    void personHere(const QString& name) override;
    void personAway(const QString& name) override;

    ServiceTransport& m_transport;
    ServiceStore& m_store;
    ConnectionCaps m_caps;
    Clock m_clock;
    AddressGuard m_guard{{servicelimits::kMaxConnectsPerAddress, servicelimits::kConnectWindowMs,
                          servicelimits::kRefusalMs}};
    // Store answers that come after the core is gone find this expired.
    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);

    std::unordered_map<ConnectionId, std::unique_ptr<Connection>> m_connections;
    std::unordered_map<QString, AddressRecord> m_addresses;
    std::unordered_set<ConnectionId> m_watchers;
    std::unordered_set<ConnectionId> m_entered;
    std::vector<ConnectionId> m_doomed;
    int m_depth = 0;
    int m_busyRefusals = 0;
    qint64 m_busyLoggedAt = 0;
    bool m_busyLogged = false;

    // The directory: public tables by code, each with its TABLE line.
    std::map<QString, std::pair<lobbywire::TableEntry, QByteArray>> m_directory;
    std::map<QString, Change> m_changes;
    // The batch being delivered, and the watchers still to be sent it.
    QByteArray m_batch;
    std::vector<ConnectionId> m_batchTo;
    QByteArray m_directorySnapshot;
    bool m_directorySnapshotValid = false;

    std::map<QString, Person> m_people;
    QByteArray m_peopleSnapshot;
    bool m_peopleSnapshotValid = false;
    QString m_relayHost;
    quint16 m_relayPort = 0;
    bool m_probing = true;
    std::function<QString()> m_secrets;
    QString secret() const { return m_secrets ? m_secrets() : lobbywire::newSecret(); }
    std::unordered_map<QString, Ticket> m_tickets;
    std::unordered_map<ConnectionId, RelayEnd> m_relays; // both ends of each
    std::unordered_map<QString, int> m_tableRelays;      // by code: joined or waiting
    // The hosting connection of each table held here, by code.
    std::unordered_map<QString, ConnectionId> m_hosts;

    std::deque<QByteArray> m_history; // CHAT lines, oldest first
    std::vector<ChatNews> m_chatNews;
    quint64 m_chatSeq = 1;
};
