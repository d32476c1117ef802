#pragma once
// The lobby protocol, version 1: how Kestrun Lobby, a game that hosts or joins
// a table, and the lobby service talk, and how tables on this network are
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
//   "HOST" <listing> <port> <game version> <table name> <host name>
//       Registers the connection's table: "public" is listed in the
//       directory, "invite" is found by its code alone. <port> is the game's
//       TCP port at the address the service sees the connection come from.
//       Answer: HOSTED with the table's invite code. One table per
//       connection; it leaves when the connection ends or with UNHOST.
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
//       <rounds> <game version>
//       A listed table. Never its address.
//   "LISTED"
//   "GONE" <code>
//   "HOSTED" <code>
//   "FOUND" <code> <address> <port> <game version> <table name> <host name>
//       Where the table of that code takes players: an IPv4 or IPv6 address
//       as text and the game's TCP port.
//   "UNKNOWN" <code>
//   "HERE" <name>
//   "AWAY" <name>
//   "ENTERED"
//   "CHAT" <name> <text>
//   "PONG"
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
//   "KESTRUN?" <protocol> <token> <padding>
//       <token>: 1 to 16 letters and digits, echoed in the answer so that the
//       asker can time the round trip. <padding>: blanks, so that the query is
//       at least kMinQueryBytes long: an answer is never much larger than the
//       query that caused it, and a forged sender address gains an attacker
//       little.
//   "KESTRUN" <protocol> <token> <port> <game version> <table name>
//       <host name> <seated> <spies> <phase> <round> <rounds>
//       At most kMaxDatagramBytes. <port> is the game's TCP port at the
//       answering address.

#include <QByteArray>
#include <QString>

#include <optional>
#include <random>

namespace lobbywire {

inline constexpr int kProtocolVersion = 1;
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
inline constexpr char query[] = "KESTRUN?";
inline constexpr char answer[] = "KESTRUN";
} // namespace name

enum class Listing { Public, Invite };
enum class Phase { Waiting, Playing };

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
    friend bool operator==(const TableEntry&, const TableEntry&) = default;
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

// ---- builders: one complete line, its LF included ----

QByteArray hello(const QString& program, const QString& programVersion,
                 int protocol = kProtocolVersion);
QByteArray setName(const QString& name);
QByteArray watch();
QByteArray enter();
QByteArray say(const QString& text);
QByteArray host(Listing listing, quint16 port, const QString& gameVersion, const QString& tableName,
                const QString& hostName);
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
QByteArray hosted(const QString& code);
QByteArray found(const QString& code, const QString& address, quint16 port,
                 const QString& gameVersion, const QString& tableName, const QString& hostName);
QByteArray unknown(const QString& code);
QByteArray here(const QString& name);
QByteArray away(const QString& name);
QByteArray entered();
QByteArray chat(const QString& name, const QString& text);
QByteArray pong();

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
