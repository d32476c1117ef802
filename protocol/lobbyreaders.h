// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The readers of every lobby line and datagram either side receives (the
// messages are documented in lobbymessages.h). Each reader answers the
// message's fields, checked and cleaned, or nothing when the message is
// malformed: another name, a field too many or too few, a number out of its
// range, a name that is empty once cleaned, a code that is not a code. Text
// comes back as it may be shown (control characters as blanks).

#include "lobbymessages.h"

#include <QByteArray>
#include <QList>
#include <QStringList>

#include <optional>

namespace lobbywire {

// Cuts every complete line off the front of `buffer` and appends it, without
// its LF (and a CR before it), to `lines`. Bytes after the last LF stay in
// `buffer`. Answers false when a line, or the unfinished rest, is longer than
// kMaxLineBytes: the peer must be cut off; lines before the long one are
// still given.
bool cutLines(QByteArray& buffer, QList<QByteArray>& lines);

// A line or datagram split at its TABs: the message's name and its fields,
// decoded from UTF-8 (a byte sequence that is not UTF-8 reads as U+FFFD).
struct Message {
    QByteArray name;
    QStringList fields;
};
Message split(const QByteArray& line);

// A message of that name with no field (WATCH, ENTER, UNHOST, PING, LISTED,
// ENTERED, PONG).
bool isBare(const Message& message, const char* name);

// A nonce, ticket or key: exactly kSecretChars letters and digits.
bool isSecret(const QString& text);

// ---- read by the service ----

// The protocol version of any HELLO, whatever else it holds, so that a client
// of another version is told which one the service needs.
std::optional<int> readHelloProtocol(const Message& message);
struct Hello {
    int protocol = 0;
    QString program;
    QString version;
};
// A HELLO of this protocol version.
std::optional<Hello> readHello(const Message& message);
std::optional<QString> readName(const Message& message);
std::optional<QString> readSay(const Message& message);
struct HostRequest {
    Listing listing = Listing::Public;
    quint16 port = 0;
    QString version;
    QString tableName;
    QString hostName;
    TableClaim earlier; // empty for a new table
};
std::optional<HostRequest> readHost(const Message& message);
std::optional<TableState> readState(const Message& message);
std::optional<QString> readResolve(const Message& message);
std::optional<quint16> readPortRequest(const Message& message);
// ARMED's nonce, DECLINE's ticket.
std::optional<QString> readArmed(const Message& message);
std::optional<QString> readDecline(const Message& message);

// The first line of a connection that is not a client's HELLO: a player
// asking for a relayed table, or a host bringing a ticket.
struct RelayRequest {
    int protocol = 0;
    QString code; // empty when the protocol is another one
};
// A RELAY line of any protocol; its code is read only for this one.
std::optional<RelayRequest> readRelay(const Message& message);
std::optional<QString> readTicket(const Message& message);

// ---- read by the clients ----

struct Welcome {
    int protocol = 0;
    QString serviceVersion;
};
std::optional<Welcome> readWelcome(const Message& message);
struct Notice {
    QString word; // BYE's reason, ERROR's request
    QString text;
};
std::optional<Notice> readBye(const Message& message);
std::optional<Notice> readError(const Message& message);
std::optional<QString> readNamed(const Message& message);
std::optional<TableEntry> readTable(const Message& message);
std::optional<QString> readGone(const Message& message);
std::optional<TableClaim> readHosted(const Message& message);
std::optional<Found> readFound(const Message& message);
std::optional<QString> readUnknown(const Message& message);
std::optional<QString> readHere(const Message& message);
std::optional<QString> readAway(const Message& message);
struct ChatLine {
    QString name;
    QString text;
};
std::optional<ChatLine> readChat(const Message& message);
std::optional<QString> readProbe(const Message& message);
struct Reach {
    Way way = Way::Unknown; // Direct or Relay
    QString text;
};
std::optional<Reach> readReach(const Message& message);
struct Joiner {
    QString ticket;
    QString address;
};
std::optional<Joiner> readJoiner(const Message& message);

// The game server's side of the reachability test: whether these bytes are
// the test's greeting, and the nonce of an answer to it.
bool isProbeGreeting(const QByteArray& line);
std::optional<QString> readProbeAnswer(const QByteArray& line);

// ---- discovery ----

struct Query {
    QString token;
};
// A query of this protocol version, at least kMinQueryBytes long.
std::optional<Query> readQuery(const QByteArray& datagram);
struct Answer {
    QString token;
    quint16 port = 0;
    QString version;
    QString tableName;
    TableState state;
};
std::optional<Answer> readAnswer(const QByteArray& datagram);

} // namespace lobbywire
