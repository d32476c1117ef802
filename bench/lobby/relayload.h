// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The engine of relay_load, the relay bench's load generator: one thread, one
// epoll set, every connection of the run (tables' hosts, their connections
// for their players, the players, and direct connections to a table's own
// game port for comparison). The measurements (relay_load.cpp) queue tables
// and players and turn the loop with runUntil() until what they wait for has
// happened; meanwhile the loop keeps every table's host pinging within the
// service's silence limit, opens queued tables and players at a pace inside
// the service's limits per address, and lets talking players send a word
// now and then.
//
// A table is hosted as the game does it: HELLO, then HOST of an invite-only
// table; PROBE is not answered, so the service takes the table to be
// unreachable and relays for it. A player sends RELAY with the table's code;
// the table's host, told JOINER, opens a connection of its own with the
// ticket; both read JOINED and then pass the game's bytes. The host's end
// answers every word (CMD_sendword) with CMD_gotword, as a table's server
// would when a word is good.
//
// Nothing here leaves loopback.

#include "relaylink.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <vector>

struct RelayPlan {
    std::uint16_t port = 0; // the service's, at 127.0.0.1
    int samples = 20'000;   // round trips each way
    int warmup = 500;       // round trips each way not counted
    std::int64_t bulkBytes = std::int64_t(512) << 20;
    int bulkSeconds = 5; // a bulk sender stops after this long, if not before
    int tables = 200;
    int players = 1'000;
    int playersPerAddress = 10; // within servicelimits::kMaxRelaysPerAddress
    int holdSeconds = 20;
    int rounds = 2;
    int openRate = 200; // tables and players begun a second, at most
    int inFlight = 50;  // of them between their first line and its answer
    bool acks = false;  // wait for the driver's line after each phase line
    std::int64_t talkIntervalNs = 2'000'000'000;
    // As the game's own hosts do (lobbywire::kHostPingSeconds).
    std::int64_t hostPingNs = 10'000'000'000;
};

struct BenchTable {
    int index = 0;
    std::uint32_t address = 0;
    RelayLink* control = nullptr;
    RelayLink* gamePort = nullptr; // only where players also connect directly
    std::uint16_t port = 0;        // as HOST gives it
    QString code;
    bool hosted = false;
    bool failed = false;
    std::int64_t lastSentNs = 0;
    // How its ends for new players treat the game's bytes, and the latest.
    RelayLink::Mode endMode = RelayLink::Mode::Echo;
    std::int64_t endBulkLimit = 0; // what such an end sends, when it is a Source
    RelayLink* lastEnd = nullptr;
};

// What happened that no measurement asked for, counted as it happened.
struct RelayTally {
    std::map<QByteArray, int> byes; // "<who>:<reason>": host, player, end
    std::map<QByteArray, int> errors;
    int connectFailed = 0;
    int playersJoined = 0, endsJoined = 0;
    int playersFailed = 0, endsFailed = 0;
    // An open relay's end that ended while nobody here had closed its other end.
    int playersLost = 0, endsLost = 0;
    // Host ends that ended as the bench expected: after their player closed
    // (the relay passed the close on), or at the end of a bulk transfer.
    int endsFollowed = 0;
    int tablesLost = 0;
    int probes = 0;
    int unexpected = 0; // lines or messages no step of the bench asked for
};

class RelayLoad {
public:
    // The bulk pattern's period: prime, so that it never lines up with the
    // pieces the sockets and the relay cut the stream into.
    static constexpr std::size_t kPatternPeriod = 65'521;
    // What one read takes and one write of the pattern gives at most.
    static constexpr std::size_t kPieceBytes = 256 * 1024;

    explicit RelayLoad(const RelayPlan& plan);
    ~RelayLoad();
    RelayLoad(const RelayLoad&) = delete;
    RelayLoad& operator=(const RelayLoad&) = delete;

    // Turns the loop until `done` or `seconds` pass; whether `done` came true.
    bool runUntil(const std::function<bool()>& done, double seconds);

    // A table hosted from `address`, queued; with a game port of its own when
    // players are to reach it directly too. The reference lasts until the
    // next addTable.
    BenchTable& addTable(std::uint32_t address, bool gamePort);
    // Opens the queued tables; true when every one is hosted in time.
    bool hostQueued(double seconds);
    // A player of `table` from `source`, queued for the relay.
    RelayLink& addPlayer(int table, std::uint32_t source, RelayLink::Mode mode);
    // A player connecting to the table's game port, at once.
    RelayLink& addDirect(int table, std::uint32_t source, RelayLink::Mode mode);
    // Opens the queued players; true when every one and its host's end are
    // joined in time.
    bool openQueued(double seconds);
    // Sends the player's word: its question is open until the answer comes.
    void ask(RelayLink& player);
    // Closes every player opened so far and waits up to `seconds` for the
    // host ends to follow; then forgets every closed connection.
    void closePlayers(double seconds);
    // Closes every table's host, its game port and whatever is still open.
    void closeAll();
    // While on, every open player that talks asks its word again once its
    // answer is in and plan.talkIntervalNs has passed since its last.
    void talk(bool on) { m_talking = on; }
    // After a phase line: the driver's go-ahead, when the plan asks for it.
    void awaitDriver();

    std::vector<BenchTable>& tables() { return m_tables; }
    const std::vector<RelayLink*>& players() const { return m_players; }
    RelayTally& tally() { return m_tally; }
    int tablesHosted() const;
    int playersOpen() const;

private:
    // The service listens on 127.0.0.1.
    static constexpr std::uint32_t kServiceAddress = 0x7F000001u;

    RelayLink& keep(std::unique_ptr<RelayLink> link);
    void tick(std::int64_t now);
    void startQueued(std::int64_t now);
    void dispatch(RelayLink& l, std::uint32_t events);
    void acceptAll(RelayLink& port);
    void readSome(RelayLink& l);
    void ended(RelayLink& l);
    static bool bulkEnd(const RelayLink& l);
    void readDriver();
    // relaylines.cpp: the lobby's lines and the relay's first line.
    void connected(RelayLink& l);
    void bytes(RelayLink& l, const char* data, std::size_t size);
    void opening(RelayLink& l, const char* data, std::size_t size);
    void controlLine(BenchTable& t, const QByteArray& line);
    void openEnd(BenchTable& t, const QString& ticket);
    void sendControl(BenchTable& t, const QByteArray& line);
    void joined(RelayLink& l);
    void notJoined(RelayLink& l);
    // relaygame.cpp: the game's bytes.
    void game(RelayLink& l, const char* data, std::size_t size);
    void echo(RelayLink& l, const QByteArray& message);
    void answer(RelayLink& l, const QByteArray& message);
    void sink(RelayLink& l, const char* data, std::size_t size);
    void pump(RelayLink& l);

    const RelayPlan m_plan;
    int m_epoll = -1;
    std::vector<BenchTable> m_tables;
    std::vector<std::unique_ptr<RelayLink>> m_links;
    std::vector<RelayLink*> m_players;
    std::deque<int> m_queuedTables;
    std::deque<RelayLink*> m_queuedPlayers;
    int m_tablesOpening = 0;  // connected, HOSTED not read yet
    int m_playersOpening = 0; // started, JOINED not read yet
    int m_endsOpening = 0;    // JOINER read, their JOINED not yet
    std::int64_t m_nextStartNs = 0;
    std::int64_t m_nextTickNs = 0;
    bool m_talking = false;
    bool m_closingPlayers = false;
    int m_driverLines = 0, m_driverWanted = 0;
    bool m_driverGone = false;
    RelayTally m_tally;
    std::vector<char> m_area;
    // The bulk pattern: pseudo-random bytes of a prime period, written out
    // for a read's length past it, so that any offset's bytes are contiguous.
    std::vector<char> m_pattern;
};
