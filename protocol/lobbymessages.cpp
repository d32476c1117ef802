// SPDX-License-Identifier: GPL-3.0-or-later
#include "lobbymessages.h"

#include <QRandomGenerator>
#include <QStringList>

#include <initializer_list>

namespace lobbywire {

namespace {

bool isControl(char32_t c) {
    return c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == 0x2028 || c == 0x2029;
}

QByteArray line(const char* name, std::initializer_list<QString> fields) {
    QByteArray out(name);
    for (const QString& f : fields) {
        out += '\t';
        out += f.toUtf8();
    }
    out += '\n';
    return out;
}

QString number(qint64 n) {
    return QString::number(n);
}

QString person(const QString& text) {
    return fieldText(text, kMaxNameChars);
}

QString tableName(const QString& text) {
    return fieldText(text, kMaxTableNameChars);
}

QString text(const QString& t) {
    return fieldText(t, kMaxTextChars);
}

QStringList stateFields(const TableState& s) {
    return {number(s.seated), number(s.spies), phaseWord(s.phase), number(s.round),
            number(s.rounds)};
}

QByteArray joined(const char* name, const QStringList& fields) {
    QByteArray out(name);
    for (const QString& f : fields) {
        out += '\t';
        out += f.toUtf8();
    }
    return out;
}

} // namespace

QString fieldText(const QString& text, int maxChars) {
    QString out = text.left(maxChars);
    for (QChar& c : out) {
        if (c == u'\t' || c == u'\r' || c == u'\n')
            c = u' ';
    }
    // A surrogate pair cut in two by left() would not encode.
    if (!out.isEmpty() && out.back().isHighSurrogate())
        out.chop(1);
    return out;
}

QString shownText(const QString& text) {
    QString out = text;
    for (QChar& c : out) {
        if (isControl(c.unicode()))
            c = u' ';
    }
    return out;
}

QString cleanName(const QString& text, int maxChars) {
    return shownText(text).simplified().left(maxChars).trimmed();
}

QString listingWord(Listing listing) {
    return listing == Listing::Public ? QStringLiteral("public") : QStringLiteral("invite");
}

QString phaseWord(Phase phase) {
    return phase == Phase::Playing ? QStringLiteral("playing") : QStringLiteral("waiting");
}

QString wayWord(Way way) {
    switch (way) {
    case Way::Direct:
        return QStringLiteral("direct");
    case Way::Relay:
        return QStringLiteral("relay");
    case Way::Unknown:
        break;
    }
    return QStringLiteral("unknown");
}

QString newSecret() {
    static constexpr char kSymbols[] =
        "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    QRandomGenerator& random = *QRandomGenerator::system();
    QString out;
    out.reserve(kSecretChars);
    for (int i = 0; i < kSecretChars; ++i)
        out += QLatin1Char(kSymbols[random.bounded(int(sizeof kSymbols) - 1)]);
    return out;
}

QByteArray hello(const QString& program, const QString& programVersion, int protocol) {
    return line(name::hello, {number(protocol), fieldText(program, kMaxProgramChars),
                              fieldText(programVersion, kMaxVersionChars)});
}

QByteArray setName(const QString& n) {
    return line(name::setName, {person(n)});
}

QByteArray watch() {
    return line(name::watch, {});
}

QByteArray enter() {
    return line(name::enter, {});
}

QByteArray say(const QString& t) {
    return line(name::say, {fieldText(t, kMaxChatChars)});
}

QByteArray host(Listing listing, quint16 port, const QString& gameVersion, const QString& table,
                const QString& hostName, const TableClaim& earlier) {
    const QString dash = QStringLiteral("-");
    return line(name::host,
                {listingWord(listing), number(port), fieldText(gameVersion, kMaxVersionChars),
                 tableName(table), person(hostName),
                 earlier.empty() ? dash : fieldText(earlier.code, kMaxNameChars),
                 earlier.empty() ? dash : fieldText(earlier.key, kSecretChars)});
}

QByteArray port(quint16 p) {
    return line(name::port, {number(p)});
}

QByteArray armed(const QString& nonce) {
    return line(name::armed, {fieldText(nonce, kSecretChars)});
}

QByteArray decline(const QString& t) {
    return line(name::decline, {fieldText(t, kSecretChars)});
}

QByteArray state(const TableState& s) {
    QByteArray out = joined(name::state, stateFields(s));
    out += '\t';
    out += person(s.hostName).toUtf8();
    out += '\n';
    return out;
}

QByteArray unhost() {
    return line(name::unhost, {});
}

QByteArray resolve(const QString& code) {
    return line(name::resolve, {fieldText(code, kMaxNameChars)});
}

QByteArray ping() {
    return line(name::ping, {});
}

QByteArray welcome(const QString& serviceVersion, int protocol) {
    return line(name::welcome, {number(protocol), fieldText(serviceVersion, kMaxVersionChars)});
}

QByteArray bye(const QString& reason, const QString& t) {
    return line(name::bye, {fieldText(reason, kMaxNameChars), text(t)});
}

QByteArray error(const QString& request, const QString& t) {
    return line(name::error, {fieldText(request, kMaxNameChars), text(t)});
}

QByteArray named(const QString& n) {
    return line(name::named, {person(n)});
}

QByteArray table(const TableEntry& e) {
    QStringList fields{e.code, tableName(e.tableName), person(e.state.hostName)};
    fields += stateFields(e.state);
    fields << fieldText(e.version, kMaxVersionChars) << wayWord(e.way);
    return joined(name::table, fields) + '\n';
}

QByteArray listed() {
    return line(name::listed, {});
}

QByteArray gone(const QString& code) {
    return line(name::gone, {code});
}

QByteArray hosted(const TableClaim& claim) {
    return line(name::hosted, {claim.code, fieldText(claim.key, kSecretChars)});
}

QByteArray found(const Found& f) {
    return line(name::found, {f.code, fieldText(f.address, kMaxAddressChars), number(f.port),
                              fieldText(f.version, kMaxVersionChars), tableName(f.tableName),
                              person(f.hostName), wayWord(f.way),
                              f.relayHost.isEmpty() ? QStringLiteral("-")
                                                    : fieldText(f.relayHost, kMaxAddressChars),
                              number(f.relayHost.isEmpty() ? 0 : f.relayPort)});
}

QByteArray unknown(const QString& code) {
    return line(name::unknown, {fieldText(code, kMaxNameChars)});
}

QByteArray here(const QString& n) {
    return line(name::here, {person(n)});
}

QByteArray away(const QString& n) {
    return line(name::away, {person(n)});
}

QByteArray entered() {
    return line(name::entered, {});
}

QByteArray chat(const QString& n, const QString& t) {
    return line(name::chat, {person(n), fieldText(t, kMaxChatChars)});
}

QByteArray pong() {
    return line(name::pong, {});
}

QByteArray probe(const QString& nonce) {
    return line(name::probe, {fieldText(nonce, kSecretChars)});
}

QByteArray reach(Way way, const QString& t) {
    return line(name::reach, {wayWord(way), text(t)});
}

QByteArray joiner(const QString& t, const QString& address) {
    return line(name::joiner, {fieldText(t, kSecretChars), fieldText(address, kMaxAddressChars)});
}

QByteArray relay(const QString& code, int protocol) {
    return line(name::relay, {number(protocol), fieldText(code, kMaxNameChars)});
}

QByteArray ticket(const QString& t) {
    return line(name::ticket, {fieldText(t, kSecretChars)});
}

QByteArray joined() {
    return line(name::joined, {});
}

QByteArray probeGreeting() {
    return QByteArrayLiteral("KESTRUN-PROBE\n");
}

QByteArray probeAnswer(const QString& nonce) {
    return "KESTRUN-PROBE\t" + fieldText(nonce, kSecretChars).toUtf8() + '\n';
}

QByteArray query(const QString& token) {
    QByteArray out =
        joined(name::query, {number(kDiscoveryVersion), fieldText(token, kMaxTokenChars), {}});
    if (out.size() < kMinQueryBytes)
        out += QByteArray(kMinQueryBytes - out.size(), ' ');
    return out;
}

QByteArray answer(const QString& token, quint16 port, const QString& gameVersion,
                  const QString& table, const TableState& s) {
    QStringList fields{number(kDiscoveryVersion),
                       fieldText(token, kMaxTokenChars),
                       number(port),
                       fieldText(gameVersion, kMaxVersionChars),
                       tableName(table),
                       person(s.hostName)};
    fields += stateFields(s);
    return joined(name::answer, fields);
}

namespace invite {

namespace {

bool inAlphabet(QChar c) {
    for (const char* a = kCodeAlphabet; *a; ++a)
        if (c == QLatin1Char(*a))
            return true;
    return false;
}

} // namespace

QString generate() {
    return generate(*QRandomGenerator::system());
}

std::optional<QString> normalize(const QString& text, bool plusOptional) {
    QString t = text.trimmed().toUpper();
    const bool plus = t.startsWith(u'+');
    if (plus)
        t.remove(0, 1);
    else if (!plusOptional)
        return std::nullopt;
    const bool hyphen = t.size() == kCodeSymbols + 1 && t.at(kCodeSymbols / 2) == u'-';
    if (hyphen)
        t.remove(kCodeSymbols / 2, 1);
    else if (!plus)
        return std::nullopt;
    if (t.size() != kCodeSymbols)
        return std::nullopt;
    for (QChar c : t) {
        if (!inAlphabet(c))
            return std::nullopt;
    }
    t.insert(kCodeSymbols / 2, u'-');
    return QStringLiteral("+") + t;
}

} // namespace invite

} // namespace lobbywire
