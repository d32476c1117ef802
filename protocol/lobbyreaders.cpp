// SPDX-License-Identifier: GPL-3.0-or-later
#include "lobbyreaders.h"

#include "lobbyaddress.h"

namespace lobbywire {

namespace {

constexpr int kMaxNumberDigits = 9;

// The fields of a message of that name with exactly `count` fields.
const QStringList* fieldsOf(const Message& m, const char* name, qsizetype count) {
    if (m.name != name || m.fields.size() != count)
        return nullptr;
    return &m.fields;
}

std::optional<int> readNumber(const QString& text, int low, int high) {
    if (text.isEmpty() || text.size() > kMaxNumberDigits)
        return std::nullopt;
    int value = 0;
    for (QChar c : text) {
        if (c < u'0' || c > u'9')
            return std::nullopt;
        value = value * 10 + (c.unicode() - u'0');
    }
    if (value < low || value > high)
        return std::nullopt;
    return value;
}

std::optional<quint16> readPort(const QString& text) {
    const std::optional<int> n = readNumber(text, 1, 65535);
    if (!n)
        return std::nullopt;
    return quint16(*n);
}

// A name as it is kept: cleaned, and within its length before cleaning too,
// so a peer cannot pad a name with blanks that cleaning removes.
std::optional<QString> readCleanName(const QString& text, int maxChars, bool emptyAllowed) {
    if (text.size() > maxChars)
        return std::nullopt;
    QString clean = cleanName(text, maxChars);
    if (clean.isEmpty() && !emptyAllowed)
        return std::nullopt;
    return clean;
}

std::optional<QString> readPersonName(const QString& text) {
    return readCleanName(text, kMaxNameChars, false);
}

std::optional<QString> readHostName(const QString& text) {
    return readCleanName(text, kMaxNameChars, true);
}

std::optional<QString> readTableName(const QString& text) {
    return readCleanName(text, kMaxTableNameChars, false);
}

// Free text: within its length, shown as it may be, and not blank once shown
// (a line of control characters alone would reach the others as blanks).
std::optional<QString> readText(const QString& text, int maxChars) {
    if (text.size() > maxChars)
        return std::nullopt;
    QString shown = shownText(text);
    if (shown.trimmed().isEmpty())
        return std::nullopt;
    return shown;
}

bool wordChar(QChar c) {
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9');
}

// A version or program name: letters, digits, ".", "-", "_" and "+".
std::optional<QString> readVersion(const QString& text, int maxChars) {
    if (text.isEmpty() || text.size() > maxChars)
        return std::nullopt;
    for (QChar c : text)
        if (!wordChar(c) && c != u'.' && c != u'-' && c != u'_' && c != u'+')
            return std::nullopt;
    return text;
}

// One lower-case word: a BYE's reason, an ERROR's request.
std::optional<QString> readWord(const QString& text) {
    if (text.isEmpty() || text.size() > kMaxNameChars)
        return std::nullopt;
    for (QChar c : text)
        if (c < u'a' || c > u'z')
            return std::nullopt;
    return text;
}

std::optional<QString> readToken(const QString& text) {
    if (text.isEmpty() || text.size() > kMaxTokenChars)
        return std::nullopt;
    for (QChar c : text)
        if (!wordChar(c))
            return std::nullopt;
    return text;
}

std::optional<QString> readCode(const QString& text) {
    if (text.size() > kMaxNameChars)
        return std::nullopt;
    return invite::normalize(text);
}

std::optional<QString> readAddress(const QString& text) {
    if (text.isEmpty() || text.size() > kMaxAddressChars)
        return std::nullopt;
    if (!isIpAddress(text))
        return std::nullopt;
    return text;
}

// A nonce or a ticket: exactly kSecretChars letters and digits.
std::optional<QString> readSecret(const QString& text) {
    if (text.size() != kSecretChars)
        return std::nullopt;
    for (QChar c : text)
        if (!wordChar(c))
            return std::nullopt;
    return text;
}

// A host name (letters, digits, "-" and "." in labels of at most 63) or an
// IP address: where a service instance takes connections.
std::optional<QString> readHostOrAddress(const QString& text) {
    if (readAddress(text))
        return text;
    if (text.isEmpty() || text.size() > kMaxAddressChars)
        return std::nullopt;
    for (const QString& label : text.split(u'.')) {
        if (label.isEmpty() || label.size() > 63 || label.startsWith(u'-') || label.endsWith(u'-'))
            return std::nullopt;
        for (QChar c : label)
            if (!wordChar(c) && c != u'-')
                return std::nullopt;
    }
    return text;
}

std::optional<Way> readWay(const QString& text, bool unknownAllowed) {
    if (text == QLatin1String("direct"))
        return Way::Direct;
    if (text == QLatin1String("relay"))
        return Way::Relay;
    if (unknownAllowed && text == QLatin1String("unknown"))
        return Way::Unknown;
    return std::nullopt;
}

std::optional<QString> readOneSecret(const Message& m, const char* name) {
    const QStringList* f = fieldsOf(m, name, 1);
    if (!f)
        return std::nullopt;
    return readSecret(f->at(0));
}

std::optional<Phase> readPhase(const QString& text) {
    if (text == QLatin1String("waiting"))
        return Phase::Waiting;
    if (text == QLatin1String("playing"))
        return Phase::Playing;
    return std::nullopt;
}

// Five fields from `at`: seated, spies, phase, round, rounds.
std::optional<TableState> readStateFields(const QStringList& f, qsizetype at) {
    const auto seated = readNumber(f.at(at), 0, kSeats);
    const auto spies = readNumber(f.at(at + 1), 0, kSpies);
    const auto phase = readPhase(f.at(at + 2));
    const auto round = readNumber(f.at(at + 3), 0, kMaxRounds);
    const auto rounds = readNumber(f.at(at + 4), 0, kMaxRounds);
    if (!seated || !spies || !phase || !round || !rounds)
        return std::nullopt;
    TableState s;
    s.seated = *seated;
    s.spies = *spies;
    s.phase = *phase;
    s.round = *round;
    s.rounds = *rounds;
    return s;
}

std::optional<QString> readOneName(const Message& m, const char* name) {
    const QStringList* f = fieldsOf(m, name, 1);
    if (!f)
        return std::nullopt;
    return readPersonName(f->at(0));
}

std::optional<QString> readOneCode(const Message& m, const char* name) {
    const QStringList* f = fieldsOf(m, name, 1);
    if (!f)
        return std::nullopt;
    return readCode(f->at(0));
}

std::optional<Notice> readNotice(const Message& m, const char* name) {
    const QStringList* f = fieldsOf(m, name, 2);
    if (!f)
        return std::nullopt;
    const auto word = readWord(f->at(0));
    const auto text = readText(f->at(1), kMaxTextChars);
    if (!word || !text)
        return std::nullopt;
    return Notice{*word, *text};
}

} // namespace

bool cutLines(QByteArray& buffer, QList<QByteArray>& lines) {
    qsizetype start = 0;
    for (;;) {
        const qsizetype end = buffer.indexOf('\n', start);
        if (end < 0)
            break;
        if (end + 1 - start > kMaxLineBytes) {
            buffer.remove(0, start);
            return false;
        }
        qsizetype stop = end;
        if (stop > start && buffer.at(stop - 1) == '\r')
            --stop;
        lines << buffer.mid(start, stop - start);
        start = end + 1;
    }
    buffer.remove(0, start);
    return buffer.size() < kMaxLineBytes;
}

Message split(const QByteArray& line) {
    Message m;
    const QList<QByteArray> parts = line.split('\t');
    m.name = parts.first();
    for (qsizetype i = 1; i < parts.size(); ++i)
        m.fields << QString::fromUtf8(parts.at(i));
    return m;
}

bool isSecret(const QString& text) {
    return readSecret(text).has_value();
}

bool isBare(const Message& m, const char* name) {
    return fieldsOf(m, name, 0) != nullptr;
}

std::optional<int> readHelloProtocol(const Message& m) {
    if (m.name != name::hello || m.fields.isEmpty())
        return std::nullopt;
    return readNumber(m.fields.at(0), 0, 999'999);
}

std::optional<Hello> readHello(const Message& m) {
    const QStringList* f = fieldsOf(m, name::hello, 3);
    if (!f)
        return std::nullopt;
    const auto protocol = readNumber(f->at(0), kProtocolVersion, kProtocolVersion);
    const auto program = readVersion(f->at(1), kMaxProgramChars);
    const auto version = readVersion(f->at(2), kMaxVersionChars);
    if (!protocol || !program || !version)
        return std::nullopt;
    return Hello{*protocol, *program, *version};
}

std::optional<QString> readName(const Message& m) {
    return readOneName(m, name::setName);
}

std::optional<QString> readSay(const Message& m) {
    const QStringList* f = fieldsOf(m, name::say, 1);
    if (!f)
        return std::nullopt;
    return readText(f->at(0), kMaxChatChars);
}

std::optional<HostRequest> readHost(const Message& m) {
    const QStringList* f = fieldsOf(m, name::host, 7);
    if (!f)
        return std::nullopt;
    HostRequest r;
    if (f->at(0) == QLatin1String("public"))
        r.listing = Listing::Public;
    else if (f->at(0) == QLatin1String("invite"))
        r.listing = Listing::Invite;
    else
        return std::nullopt;
    const auto port = readPort(f->at(1));
    const auto version = readVersion(f->at(2), kMaxVersionChars);
    const auto table = readTableName(f->at(3));
    const auto hostName = readHostName(f->at(4));
    if (!port || !version || !table || !hostName)
        return std::nullopt;
    const bool none = f->at(5) == QLatin1String("-") && f->at(6) == QLatin1String("-");
    if (!none) {
        const auto code = readCode(f->at(5));
        const auto key = readSecret(f->at(6));
        if (!code || !key)
            return std::nullopt;
        r.earlier = TableClaim{*code, *key};
    }
    r.port = *port;
    r.version = *version;
    r.tableName = *table;
    r.hostName = *hostName;
    return r;
}

std::optional<TableState> readState(const Message& m) {
    const QStringList* f = fieldsOf(m, name::state, 6);
    if (!f)
        return std::nullopt;
    std::optional<TableState> s = readStateFields(*f, 0);
    const auto hostName = readHostName(f->at(5));
    if (!s || !hostName)
        return std::nullopt;
    s->hostName = *hostName;
    return s;
}

std::optional<QString> readResolve(const Message& m) {
    return readOneCode(m, name::resolve);
}

std::optional<quint16> readPortRequest(const Message& m) {
    const QStringList* f = fieldsOf(m, name::port, 1);
    if (!f)
        return std::nullopt;
    return readPort(f->at(0));
}

std::optional<QString> readArmed(const Message& m) {
    return readOneSecret(m, name::armed);
}

std::optional<QString> readDecline(const Message& m) {
    return readOneSecret(m, name::decline);
}

std::optional<RelayRequest> readRelay(const Message& m) {
    if (m.name != name::relay || m.fields.isEmpty())
        return std::nullopt;
    const auto protocol = readNumber(m.fields.at(0), 0, 999'999);
    if (!protocol)
        return std::nullopt;
    if (*protocol != kProtocolVersion)
        return RelayRequest{*protocol, {}};
    if (m.fields.size() != 2)
        return std::nullopt;
    const auto code = readCode(m.fields.at(1));
    if (!code)
        return std::nullopt;
    return RelayRequest{*protocol, *code};
}

std::optional<QString> readTicket(const Message& m) {
    return readOneSecret(m, name::ticket);
}

std::optional<Welcome> readWelcome(const Message& m) {
    const QStringList* f = fieldsOf(m, name::welcome, 2);
    if (!f)
        return std::nullopt;
    const auto protocol = readNumber(f->at(0), 0, 999'999);
    const auto version = readVersion(f->at(1), kMaxVersionChars);
    if (!protocol || !version)
        return std::nullopt;
    return Welcome{*protocol, *version};
}

std::optional<Notice> readBye(const Message& m) {
    return readNotice(m, name::bye);
}

std::optional<Notice> readError(const Message& m) {
    return readNotice(m, name::error);
}

std::optional<QString> readNamed(const Message& m) {
    return readOneName(m, name::named);
}

std::optional<TableEntry> readTable(const Message& m) {
    const QStringList* f = fieldsOf(m, name::table, 10);
    if (!f)
        return std::nullopt;
    const auto code = readCode(f->at(0));
    const auto table = readTableName(f->at(1));
    const auto hostName = readHostName(f->at(2));
    std::optional<TableState> s = readStateFields(*f, 3);
    const auto version = readVersion(f->at(8), kMaxVersionChars);
    const auto way = readWay(f->at(9), true);
    if (!code || !table || !hostName || !s || !version || !way)
        return std::nullopt;
    s->hostName = *hostName;
    return TableEntry{*code, *table, *version, *s, *way};
}

std::optional<QString> readGone(const Message& m) {
    return readOneCode(m, name::gone);
}

std::optional<TableClaim> readHosted(const Message& m) {
    const QStringList* f = fieldsOf(m, name::hosted, 2);
    if (!f)
        return std::nullopt;
    const auto code = readCode(f->at(0));
    const auto key = readSecret(f->at(1));
    if (!code || !key)
        return std::nullopt;
    return TableClaim{*code, *key};
}

std::optional<Found> readFound(const Message& m) {
    const QStringList* f = fieldsOf(m, name::found, 9);
    if (!f)
        return std::nullopt;
    const auto code = readCode(f->at(0));
    const auto address = readAddress(f->at(1));
    const auto port = readPort(f->at(2));
    const auto version = readVersion(f->at(3), kMaxVersionChars);
    const auto table = readTableName(f->at(4));
    const auto hostName = readHostName(f->at(5));
    const auto way = readWay(f->at(6), true);
    // "-" and "0": no instance relays for it.
    const bool noRelay = f->at(7) == QLatin1String("-") && f->at(8) == QLatin1String("0");
    const auto relayHost =
        noRelay ? std::optional<QString>(QString()) : readHostOrAddress(f->at(7));
    const auto relayPort = noRelay ? std::optional<quint16>(0) : readPort(f->at(8));
    if (!code || !address || !port || !version || !table || !hostName || !way || !relayHost ||
        !relayPort)
        return std::nullopt;
    return Found{*code, *address, *port, *version, *table, *hostName, *way, *relayHost, *relayPort};
}

std::optional<QString> readUnknown(const Message& m) {
    return readOneCode(m, name::unknown);
}

std::optional<QString> readHere(const Message& m) {
    return readOneName(m, name::here);
}

std::optional<QString> readAway(const Message& m) {
    return readOneName(m, name::away);
}

std::optional<ChatLine> readChat(const Message& m) {
    const QStringList* f = fieldsOf(m, name::chat, 2);
    if (!f)
        return std::nullopt;
    const auto who = readPersonName(f->at(0));
    const auto text = readText(f->at(1), kMaxChatChars);
    if (!who || !text)
        return std::nullopt;
    return ChatLine{*who, *text};
}

std::optional<QString> readProbe(const Message& m) {
    return readOneSecret(m, name::probe);
}

std::optional<Reach> readReach(const Message& m) {
    const QStringList* f = fieldsOf(m, name::reach, 2);
    if (!f)
        return std::nullopt;
    const auto way = readWay(f->at(0), false);
    const auto text = readText(f->at(1), kMaxTextChars);
    if (!way || !text)
        return std::nullopt;
    return Reach{*way, *text};
}

std::optional<Joiner> readJoiner(const Message& m) {
    const QStringList* f = fieldsOf(m, name::joiner, 2);
    if (!f)
        return std::nullopt;
    const auto ticket = readSecret(f->at(0));
    const auto address = readAddress(f->at(1));
    if (!ticket || !address)
        return std::nullopt;
    return Joiner{*ticket, *address};
}

bool isProbeGreeting(const QByteArray& line) {
    return line == probeGreeting();
}

std::optional<QString> readProbeAnswer(const QByteArray& line) {
    static const QByteArray prefix = QByteArrayLiteral("KESTRUN-PROBE\t");
    if (!line.startsWith(prefix) || !line.endsWith('\n'))
        return std::nullopt;
    return readSecret(
        QString::fromLatin1(line.mid(prefix.size(), line.size() - prefix.size() - 1)));
}

std::optional<Query> readQuery(const QByteArray& datagram) {
    if (datagram.size() < kMinQueryBytes || datagram.size() > kMaxDatagramBytes)
        return std::nullopt;
    const Message m = split(datagram);
    if (m.name != name::query || m.fields.size() != 3)
        return std::nullopt;
    const auto protocol = readNumber(m.fields.at(0), kDiscoveryVersion, kDiscoveryVersion);
    const auto token = readToken(m.fields.at(1));
    if (!protocol || !token || !m.fields.at(2).trimmed().isEmpty())
        return std::nullopt;
    return Query{*token};
}

std::optional<Answer> readAnswer(const QByteArray& datagram) {
    if (datagram.size() > kMaxDatagramBytes)
        return std::nullopt;
    const Message m = split(datagram);
    if (m.name != name::answer || m.fields.size() != 11)
        return std::nullopt;
    const QStringList& f = m.fields;
    const auto protocol = readNumber(f.at(0), kDiscoveryVersion, kDiscoveryVersion);
    const auto token = readToken(f.at(1));
    const auto port = readPort(f.at(2));
    const auto version = readVersion(f.at(3), kMaxVersionChars);
    const auto table = readTableName(f.at(4));
    const auto hostName = readHostName(f.at(5));
    std::optional<TableState> s = readStateFields(f, 6);
    if (!protocol || !token || !port || !version || !table || !hostName || !s)
        return std::nullopt;
    s->hostName = *hostName;
    return Answer{*token, *port, *version, *table, *s};
}

} // namespace lobbywire
