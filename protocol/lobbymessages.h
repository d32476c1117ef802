// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The lobby protocol, version 2: how Kestrun Lobby, a game that hosts or joins
// a table, and the lobby service talk, how a table the internet can't reach is
// reached through the service's relay, and how tables on this network are
// found without any service. Documented here once; every line either side
// sends is made by a builder below and every line either side reads goes
// through its reader in lobbyreaders.h.
//
// ---- The service connection ----
// TCP, port 7780 by default. Both sides send lines of UTF-8 text, each ended
// by LF; a CR just before the LF is dropped. A line is at most kMaxLineBytes
// bytes, its LF included; a peer that sends a longer one is cut off. A line is
// fields separated by single TABs; the first field is the message's name, in
// capitals. Text fields never hold a TAB, CR or LF (a builder turns them into
// blanks); any other control character in a peer's text is shown as a blank.
// Numbers are decimal digits without sign. A message with the wrong number of
// fields, or a field out of its range, is malformed: its reader rejects it.
//
// The client speaks first with HELLO; the service answers WELCOME, or BYE and
// closes. Then the client sends requests when it likes. The service answers
// each request in the order they came and sends news (directory changes, chat)
// in between whenever it has some; a request that needs the shared store may
// be answered after later news.
//
// Notation: fields in <angle brackets>, literal words in quotes; every line
// ends in LF.
//
// Client to service:
//   "HELLO" <protocol> <program> <program version>
//       The first line, within the login grace. <protocol> is
//       kProtocolVersion; <program> names the client ("kestrunlobby",
//       "vorlix"), for the service's log.
//   "NAME" <name>
//       The player's name in the lobby chat, 1 to kMaxNameChars characters.
//       Answer: NAMED with the name as the service keeps it.
//   "WATCH"
//       Follow the directory. Answer: a TABLE for every listed table, then
//       LISTED; after that a TABLE whenever a table is listed or changes and a
//       GONE when it leaves. The service may gather changes for a moment
//       before it sends them.
//   "ENTER"
//       Join the lobby chat; needs a NAME first. Answer: the last chat lines
//       as CHAT, a HERE for everybody present (the client itself included),
//       then ENTERED; after that HERE, AWAY and CHAT as they happen.
//   "SAY" <text>
//       A chat line of 1 to kMaxChatChars characters, from a client that
//       ENTERed. Everybody entered, the sayer too, gets it as CHAT.
//   "HOST" <listing> <port> <game version> <table name> <host name> <code>
//       <key>
//       Registers the connection's table: "public" is listed in the
//       directory, "invite" is found by its code alone. <port> is the game's
//       TCP port at the address the service sees the connection come from.
//       <code> and <key> are what HOSTED gave the table before (a host
//       registering again after losing its service, perhaps with another
//       instance), or "-" and "-": the service gives the code back when no
//       other table holds it, or when the table that holds it has that key
//       (its instance went, and the shared store still keeps it). Answer:
//       HOSTED with the table's invite code. One table per connection; it
//       leaves when the connection ends or with UNHOST. The service then
//       tests whether the table can be reached (see Reachability below).
//   "PORT" <port>
//       The table now takes players at this port of the address the service
//       sees (the host's router forwards it there). The service tests again.
//   "ARMED" <nonce>
//       Answer to PROBE: the game server waits for that test.
//   "DECLINE" <ticket>
//       Answer to JOINER: the host's server turns that player away.
//   "STATE" <seated> <spies> <phase> <round> <rounds> <host name>
//       The table's state now: seated players 0..6, spies 0..3, <phase>
//       "waiting" or "playing", round <round> of <rounds> (0 0 while no game
//       has started). No answer.
//   "UNHOST"
//       The connection's table leaves. No answer.
//   "RESOLVE" <code>
//       Answer: FOUND, or UNKNOWN for a code no table holds.
//   "PING"
//       Answer: PONG. A hosting connection pings at least every
//       kHostPingSeconds; the service drops one silent for longer than
//       kHostSilenceSeconds, and its table with it.
//
// Service to client:
//   "WELCOME" <protocol> <service version>
//   "BYE" <reason> <text>
//       The service closes the connection after this line. <reason> is one
//       word ("version", "hello", "busy", "flood", "long", "late", "silent",
//       "closing");
//       <text> says it in plain words. A client of another protocol version is
//       sent "version" with a text naming the version the service needs.
//   "ERROR" <request> <text>
//       The request named (in lower case: "name", "host", ...) was refused;
//       the connection stays.
//   "NAMED" <name>
//   "TABLE" <code> <table name> <host name> <seated> <spies> <phase> <round>
//       <rounds> <game version> <way>
//       A listed table. Never its address. <way> is how players reach it:
//       "direct" (the service reached it from outside), "relay" (it could
//       not: players come through the relay), "unknown" (not tested yet).
//   "LISTED"
//   "GONE" <code>
//   "HOSTED" <code> <key>
//       <key>: kSecretChars letters and digits that only this host knows,
//       for HOST to claim the code again.
//   "FOUND" <code> <address> <port> <game version> <table name> <host name>
//       <way> <relay host> <relay port>
//       Where the table of that code takes players: an IPv4 or IPv6 address
//       as text and the game's TCP port; <way> as in TABLE; and the service
//       instance that relays for it (a host name or address, and its port;
//       "-" and "0" when none does).
//   "UNKNOWN" <code>
//   "HERE" <name>
//   "AWAY" <name>
//   "ENTERED"
//   "CHAT" <name> <text>
//   "PONG"
//   "PROBE" <nonce>
//   "REACH" <way> <text>
//       To a host: what the test found, "direct" or "relay"; <text> says
//       what was tried, in plain words.
//   "JOINER" <ticket> <address>
//       To a host: a player waits at the relay; <address> is the player's own
//       as the service sees it. The host connects for that player (see The
//       relay) or answers DECLINE.
//
// ---- Reachability ----
// After HOST, and after every PORT, the service sends the host PROBE with a
// new nonce (kSecretChars letters and digits, good for one test). The host
// readies its game server and answers ARMED; the service then connects to the
// table's address and port and sends probeGreeting(). The game server answers
// probeAnswer(nonce) and closes: the test takes no seat and no player sees
// it. An answer with that nonce within kProbeSeconds makes the table "direct",
// anything else "relay"; the host is told with REACH.
//
// ---- The relay ----
// A player reaches a table through the service instance that FOUND names, on
// a new TCP connection, speaking first:
//   "RELAY" <protocol> <code>
// The instance answers with one line before any of the game's bytes:
//   "JOINED"               the table's host took the player; from here on
//                          the game's bytes pass unchanged both ways
//   "UNKNOWN" <code>       no table of that code is held by this instance
//   "BYE" <reason> <text>  and closes: "absent" (its host did not take the
//                          player within kTicketSeconds), "refused" (its host
//                          turned the player away), "busy" (the relay's
//                          limits), "version", "hello" (not a RELAY line),
//                          "address" (the player's address is not known)
// Bytes the player sends after its RELAY line wait at the instance until
// JOINED. Meanwhile the instance sends the table's host JOINER with a new
// ticket (kSecretChars letters and digits); the host opens a new connection
// to the same instance and sends, first:
//   "TICKET" <ticket>
// and is answered "JOINED" (the two connections are joined) or BYE and a
// close. A ticket is good once, for kTicketSeconds, and only for the table
// whose host was sent it. Either end's close closes the other.
//
// Invite codes: "+" and eight symbols of kCodeAlphabet (2 to 9 and A to Z
// without I, L and O: about 40 bits, drawn from the system's random source),
// written in capitals in two groups of four with a hyphen ("+K7Q2-M9XD").
// They are read in any case, with or without the hyphen.
//
// ---- Discovery on this network ----
// UDP, port 7772 by default, shared by every server on a machine. A lobby
// sends a query to the broadcast addresses; every hosting copy and dedicated
// server answers the sender with its table. Both are single datagrams of
// UTF-8 text, fields separated by TABs, no line end:
//   "KESTRUN?" <discovery version> <token> <padding>
//       <token>: 1 to 16 letters and digits, echoed in the answer so that the
//       asker can time the round trip. <padding>: blanks, so that the query is
//       at least kMinQueryBytes long: an answer is never much larger than the
//       query that caused it, and a forged sender address gains an attacker
//       little.
//   "KESTRUN" <discovery version> <token> <port> <game version> <table name>
//       <host name> <seated> <spies> <phase> <round> <rounds>
//       At most kMaxDatagramBytes. <port> is the game's TCP port at the
//       answering address.

#include <QByteArray>
#include <QString>

#include <optional>
#include <random>

namespace lobbywire {

inline constexpr int kProtocolVersion = 2;
// Discovery's datagrams have not changed since the first protocol: lobbies
// and tables of either find each other on this network.
inline constexpr int kDiscoveryVersion = 1;
inline constexpr qsizetype kMaxLineBytes = 1024;
inline constexpr quint16 kDefaultServicePort = 7780;
inline constexpr quint16 kDefaultDiscoveryPort = 7772;
inline constexpr char kDefaultServiceHost[] = "lobby.kestrun.com";

inline constexpr int kMaxNameChars = 32;
inline constexpr int kMaxTableNameChars = 40;
inline constexpr int kMaxChatChars = 300;
inline constexpr int kMaxVersionChars = 16;
inline constexpr int kMaxProgramChars = 16;
inline constexpr int kMaxTextChars = 200; // of BYE and ERROR
inline constexpr int kMaxAddressChars = 64;
inline constexpr int kSeats = 6;
inline constexpr int kSpies = 3;
inline constexpr int kMaxRounds = 999;

inline constexpr int kSecretChars = 24; // a nonce or a ticket: about 140 bits
inline constexpr int kProbeSeconds = 3;
inline constexpr int kTicketSeconds = 10;

inline constexpr int kHostPingSeconds = 10;
inline constexpr int kHostSilenceSeconds = 25;

inline constexpr qsizetype kMinQueryBytes = 256;
inline constexpr qsizetype kMaxDatagramBytes = 512;
inline constexpr int kMaxTokenChars = 16;

inline constexpr char kCodeAlphabet[] = "23456789ABCDEFGHJKMNPQRSTUVWXYZ";
inline constexpr int kCodeSymbols = 8;

// Message names, compared exactly.
namespace name {
inline constexpr char hello[] = "HELLO";
inline constexpr char setName[] = "NAME";
inline constexpr char watch[] = "WATCH";
inline constexpr char enter[] = "ENTER";
inline constexpr char say[] = "SAY";
inline constexpr char host[] = "HOST";
inline constexpr char state[] = "STATE";
inline constexpr char unhost[] = "UNHOST";
inline constexpr char resolve[] = "RESOLVE";
inline constexpr char ping[] = "PING";
inline constexpr char welcome[] = "WELCOME";
inline constexpr char bye[] = "BYE";
inline constexpr char error[] = "ERROR";
inline constexpr char named[] = "NAMED";
inline constexpr char table[] = "TABLE";
inline constexpr char listed[] = "LISTED";
inline constexpr char gone[] = "GONE";
inline constexpr char hosted[] = "HOSTED";
inline constexpr char found[] = "FOUND";
inline constexpr char unknown[] = "UNKNOWN";
inline constexpr char here[] = "HERE";
inline constexpr char away[] = "AWAY";
inline constexpr char entered[] = "ENTERED";
inline constexpr char chat[] = "CHAT";
inline constexpr char pong[] = "PONG";
inline constexpr char port[] = "PORT";
inline constexpr char armed[] = "ARMED";
inline constexpr char decline[] = "DECLINE";
inline constexpr char probe[] = "PROBE";
inline constexpr char reach[] = "REACH";
inline constexpr char joiner[] = "JOINER";
inline constexpr char relay[] = "RELAY";
inline constexpr char ticket[] = "TICKET";
inline constexpr char joined[] = "JOINED";
inline constexpr char query[] = "KESTRUN?";
inline constexpr char answer[] = "KESTRUN";
} // namespace name

enum class Listing { Public, Invite };
enum class Phase { Waiting, Playing };
// How players reach a table: not tested yet, straight to its address, or
// through the service's relay.
enum class Way { Unknown, Direct, Relay };

// What a table shows of itself in the directory and on this network.
struct TableState {
    int seated = 0;
    int spies = 0;
    Phase phase = Phase::Waiting;
    int round = 0;
    int rounds = 0;
    QString hostName;
    friend bool operator==(const TableState&, const TableState&) = default;
};

// A listed table as the directory shows it.
struct TableEntry {
    QString code;
    QString tableName;
    QString version;
    TableState state;
    Way way = Way::Unknown;
    friend bool operator==(const TableEntry&, const TableEntry&) = default;
};

// Where the table of an invite code takes players, as FOUND tells it.
struct Found {
    QString code;
    QString address;
    quint16 port = 0;
    QString version;
    QString tableName;
    QString hostName;
    Way way = Way::Unknown;
    QString relayHost; // the service instance that relays for the table
    quint16 relayPort = 0;
    friend bool operator==(const Found&, const Found&) = default;
};

// ---- text ----

// Text for a field: TAB, CR and LF become blanks, so the line keeps its
// fields; at most `maxChars` characters are kept.
QString fieldText(const QString& text, int maxChars);
// A peer's text as it may be shown: every control character (C0, DEL, C1,
// and the Unicode line and paragraph separators) becomes a blank.
QString shownText(const QString& text);
// A name or table name as it is kept: shown text with blanks around removed
// and runs of blanks made one; empty when nothing is left.
QString cleanName(const QString& text, int maxChars);

QString listingWord(Listing listing);
QString phaseWord(Phase phase);
QString wayWord(Way way);
// A new nonce or ticket from the system's random source.
QString newSecret();

// ---- builders: one complete line, its LF included ----

QByteArray hello(const QString& program, const QString& programVersion,
                 int protocol = kProtocolVersion);
QByteArray setName(const QString& name);
QByteArray watch();
QByteArray enter();
QByteArray say(const QString& text);
// `earlier` empty: a new table ("-" "-").
struct TableClaim {
    QString code;
    QString key;
    bool empty() const { return code.isEmpty(); }
    friend bool operator==(const TableClaim&, const TableClaim&) = default;
};
QByteArray host(Listing listing, quint16 port, const QString& gameVersion, const QString& tableName,
                const QString& hostName, const TableClaim& earlier = {});
QByteArray port(quint16 port);
QByteArray armed(const QString& nonce);
QByteArray decline(const QString& ticket);
QByteArray state(const TableState& state);
QByteArray unhost();
QByteArray resolve(const QString& code);
QByteArray ping();

QByteArray welcome(const QString& serviceVersion, int protocol = kProtocolVersion);
QByteArray bye(const QString& reason, const QString& text);
QByteArray error(const QString& request, const QString& text);
QByteArray named(const QString& name);
QByteArray table(const TableEntry& entry);
QByteArray listed();
QByteArray gone(const QString& code);
QByteArray hosted(const TableClaim& claim);
QByteArray found(const Found& found);
QByteArray unknown(const QString& code);
QByteArray here(const QString& name);
QByteArray away(const QString& name);
QByteArray entered();
QByteArray chat(const QString& name, const QString& text);
QByteArray pong();
QByteArray probe(const QString& nonce);
QByteArray reach(Way way, const QString& text);
QByteArray joiner(const QString& ticket, const QString& address);

// ---- the relay's opening lines, and the reachability test's bytes ----

QByteArray relay(const QString& code, int protocol = kProtocolVersion);
QByteArray ticket(const QString& ticket);
QByteArray joined();
// What the service sends the game's port, and the game server's answer.
QByteArray probeGreeting();
QByteArray probeAnswer(const QString& nonce);

// ---- discovery datagrams ----

QByteArray query(const QString& token);
QByteArray answer(const QString& token, quint16 port, const QString& gameVersion,
                  const QString& tableName, const TableState& state);

// ---- invite codes ----
namespace invite {

// A new code in its written form, "+K7Q2-M9XD".
QString generate(std::uniform_random_bit_generator auto& random) {
    constexpr int symbols = int(sizeof kCodeAlphabet) - 1;
    std::uniform_int_distribution<int> pick(0, symbols - 1);
    QString code = QStringLiteral("+");
    for (int i = 0; i < kCodeSymbols; ++i) {
        if (i == kCodeSymbols / 2)
            code += QLatin1Char('-');
        code += QLatin1Char(kCodeAlphabet[pick(random)]);
    }
    return code;
}
// A new code from the system's random source.
QString generate();

// The written form of a code typed or sent in any case, with or without the
// hyphen; nothing for text that is not a code. The "+" is needed unless
// `plusOptional`, in which case a code without it must have its hyphen
// ("K7Q2-M9XD"), so that a host name is not taken for a code.
std::optional<QString> normalize(const QString& text, bool plusOptional = false);

} // namespace invite

} // namespace lobbywire
