// SPDX-License-Identifier: GPL-3.0-or-later
#include "storerecord.h"

#include <QRandomGenerator>

using namespace lobbywire;

namespace storerecord {

namespace {

constexpr int kInstanceDigits = 16;
constexpr int kMaxRevisionDigits = 18;

lobbywire::Message lineOf(const QByteArray& line) {
    return split(line.endsWith('\n') ? line.chopped(1) : line);
}

// The header's fields, or nothing when it is not `count` fields.
std::optional<QList<QByteArray>> header(const QByteArray& line, qsizetype count) {
    QList<QByteArray> fields = line.split('\t');
    if (fields.size() != count)
        return std::nullopt;
    return fields;
}

std::optional<quint64> revisionOf(const QByteArray& text) {
    if (text.isEmpty() || text.size() > kMaxRevisionDigits)
        return std::nullopt;
    quint64 value = 0;
    for (char ch : text) {
        if (ch < '0' || ch > '9')
            return std::nullopt;
        value = value * 10 + quint64(ch - '0');
    }
    return value;
}

} // namespace

QString newInstanceId() {
    const quint64 id = QRandomGenerator::system()->generate64();
    return QStringLiteral("%1").arg(id, kInstanceDigits, 16, QLatin1Char('0'));
}

bool isInstanceId(const QString& text) {
    if (text.size() != kInstanceDigits)
        return false;
    for (QChar c : text)
        if (!((c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f')))
            return false;
    return true;
}

QByteArray table(const StoredTable& s) {
    const TableRecord& t = s.table;
    return s.owner.toLatin1() + '\t' + QByteArray::number(s.revision) + '\t' +
           listingWord(t.listing).toLatin1() + '\t' + t.key.toLatin1() + '\n' +
           lobbywire::table(t.entry()) + found(t.found());
}

std::optional<StoredTable> readTable(const QByteArray& value) {
    const QList<QByteArray> lines = value.split('\n');
    // Three lines, each ended by LF: the last piece is empty.
    if (lines.size() != 4 || !lines[3].isEmpty())
        return std::nullopt;
    const auto head = header(lines[0], 4);
    if (!head)
        return std::nullopt;
    StoredTable s;
    s.owner = QString::fromLatin1((*head)[0]);
    const auto revision = revisionOf((*head)[1]);
    if (!isInstanceId(s.owner) || !revision)
        return std::nullopt;
    s.revision = *revision;
    if ((*head)[2] == "public")
        s.table.listing = Listing::Public;
    else if ((*head)[2] == "invite")
        s.table.listing = Listing::Invite;
    else
        return std::nullopt;
    s.table.key = QString::fromLatin1((*head)[3]);
    if (!isSecret(s.table.key))
        return std::nullopt;
    const auto entry = lobbywire::readTable(lineOf(lines[1]));
    const auto where = readFound(lineOf(lines[2]));
    if (!entry || !where || entry->code != where->code)
        return std::nullopt;
    s.table.code = entry->code;
    s.table.tableName = entry->tableName;
    s.table.version = entry->version;
    s.table.state = entry->state;
    s.table.way = where->way;
    s.table.address = where->address;
    s.table.port = where->port;
    s.table.relayHost = where->relayHost;
    s.table.relayPort = where->relayPort;
    return s;
}

QByteArray tableNews(const StoredTable& stored) {
    return "table\t" + stored.owner.toLatin1() + '\n' + table(stored);
}

QByteArray goneNews(const QString& owner, const QString& code) {
    return "gone\t" + owner.toLatin1() + '\n' + gone(code);
}

QByteArray chatNews(const QString& owner, const ChatLine& line) {
    return "chat\t" + owner.toLatin1() + '\n' + chat(line.name, line.text);
}

QByteArray presenceNews(const QString& owner, const QString& name, bool isHere) {
    return (isHere ? "here\t" : "away\t") + owner.toLatin1() + '\n' +
           (isHere ? here(name) : away(name));
}

std::optional<News> readNews(const QByteArray& message) {
    const qsizetype end = message.indexOf('\n');
    if (end < 0)
        return std::nullopt;
    const auto head = header(message.left(end), 2);
    if (!head)
        return std::nullopt;
    News n;
    n.owner = QString::fromLatin1((*head)[1]);
    if (!isInstanceId(n.owner))
        return std::nullopt;
    const QByteArray kind = (*head)[0];
    const QByteArray rest = message.mid(end + 1);
    if (kind == "table") {
        const auto stored = readTable(rest);
        if (!stored || stored->owner != n.owner)
            return std::nullopt;
        n.kind = News::Kind::Table;
        n.table = *stored;
        return n;
    }
    // The other kinds carry one line.
    if (!rest.endsWith('\n') || rest.indexOf('\n') != rest.size() - 1)
        return std::nullopt;
    const Message m = lineOf(rest);
    if (kind == "gone") {
        const auto code = readGone(m);
        if (!code)
            return std::nullopt;
        n.kind = News::Kind::Gone;
        n.code = *code;
    } else if (kind == "chat") {
        const auto line = readChat(m);
        if (!line)
            return std::nullopt;
        n.kind = News::Kind::Chat;
        n.chat = *line;
    } else if (kind == "here" || kind == "away") {
        const auto name = kind == "here" ? readHere(m) : readAway(m);
        if (!name)
            return std::nullopt;
        n.kind = kind == "here" ? News::Kind::Here : News::Kind::Away;
        n.name = *name;
    } else {
        return std::nullopt;
    }
    return n;
}

} // namespace storerecord
