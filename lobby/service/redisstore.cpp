// SPDX-License-Identifier: GPL-3.0-or-later
// RedisStore: the store's calls, and the news of the other instances.

#include "redisstore.h"

#include "lobbyaddress.h"
#include "redislink.h"
#include "servicelimits.h"

#include <QTimer>

#include <hiredis/hiredis.h>

using namespace storerecord;

namespace {

// Codes are drawn until one is free here; a code another instance took first
// (SET NX refuses it) is drawn again. Both are rare with 40 bits; the bounds
// only keep a broken generator from hanging the service.
constexpr int kCodeDraws = 16;
constexpr int kClaimAttempts = 8;

} // namespace

RedisStore::RedisStore(Options options, QObject* parent)
    : QObject(parent), m_options(std::move(options)), m_instance(newInstanceId()),
      m_refreshTimer(new QTimer(this)), m_retryTimer(new QTimer(this)) {
    m_refreshTimer->setInterval(m_options.refreshMs);
    connect(m_refreshTimer, &QTimer::timeout, this, &RedisStore::refresh);
    m_retryTimer->setSingleShot(true);
    connect(m_retryTimer, &QTimer::timeout, this, &RedisStore::connectLinks);
}

RedisStore::~RedisStore() {
    // The links call what is still due with nullptr as they go: dropped.
    m_dying = true;
    delete m_commands;
    delete m_news;
}

QString RedisStore::describe() const {
    return QStringLiteral("redis://") + lobbywire::hostPortText({m_options.host, m_options.port});
}

int RedisStore::pending() const {
    return m_commands ? m_commands->pending() : 0;
}

QByteArray RedisStore::key(const QString& kind, const QString& name) const {
    return (m_options.prefix + kind + (name.isEmpty() ? QString() : u':' + name)).toUtf8();
}

QString RedisStore::freeCode() const {
    for (int i = 0; i < kCodeDraws; ++i) {
        const QString code = generateCode ? generateCode() : lobbywire::invite::generate();
        if (!code.isEmpty() && !m_own.contains(code) && !m_mirror.contains(code) &&
            !m_claiming.contains(code))
            return code;
    }
    return {};
}

// A host may claim its table's earlier code again with the key it was given
// for it: free here, or held with that key (by an instance that went, whose
// copy has not expired yet).
bool RedisStore::claimable(const TableRecord& table) const {
    if (const auto own = m_own.constFind(table.code); own != m_own.constEnd())
        return own->table.key == table.key;
    if (const auto seen = m_mirror.constFind(table.code); seen != m_mirror.constEnd())
        return seen->stored.table.key == table.key;
    return !m_claiming.contains(table.code);
}

void RedisStore::addTable(TableRecord table, AddDone done) {
    if (!table.code.isEmpty() && !claimable(table))
        table.code.clear();
    if (m_up) {
        claim(std::move(table), std::move(done), 0);
        return;
    }
    if (table.code.isEmpty())
        table.code = freeCode();
    if (table.code.isEmpty())
        done(std::nullopt);
    else
        keep(table, std::move(done)); // written to Redis when it is back
}

// SET NX: the code is this table's only if no instance holds it yet; or, for
// a code claimed again with its key from a copy another instance left,
// whatever that copy says.
void RedisStore::claim(TableRecord table, AddDone done, int attempt) {
    const bool again = attempt == 0 && !table.code.isEmpty();
    if (!again)
        table.code = freeCode();
    if (table.code.isEmpty()) {
        done(std::nullopt);
        return;
    }
    const auto left = m_mirror.constFind(table.code);
    const bool takeOver = again && left != m_mirror.constEnd();
    m_claiming.insert(table.code);
    const StoredTable stored{table, m_instance, 1};
    QList<QByteArray> command{"SET", key(QStringLiteral("table"), table.code),
                              storerecord::table(stored)};
    if (!takeOver)
        command << "NX";
    command << "PX" << QByteArray::number(m_options.expiryMs);
    if (takeOver)
        m_mirror.erase(left);
    const bool sent =
        m_commands->command(command, [this, table, done, attempt](const redisReply* reply) {
            if (m_dying)
                return;
            m_claiming.remove(table.code);
            if (reply && reply->type == REDIS_REPLY_NIL) {
                if (attempt + 1 < kClaimAttempts)
                    claim(table, done, attempt + 1);
                else
                    done(std::nullopt);
                return;
            }
            if (reply && reply->type == REDIS_REPLY_ERROR) {
                note(QStringLiteral("store refused a table: %1")
                         .arg(QString::fromUtf8(reply->str, qsizetype(reply->len))));
                done(std::nullopt);
                return;
            }
            // Written, or Redis went meanwhile: held here either way, and
            // written again when Redis is back.
            keep(table, done);
            if (reply)
                publish(tableNews(m_own.value(table.code)));
        });
    if (!sent) {
        m_claiming.remove(table.code);
        keep(table, std::move(done));
    }
}

void RedisStore::keep(const TableRecord& table, AddDone done) {
    m_own.insert(table.code, StoredTable{table, m_instance, 1});
    if (listener())
        listener()->tableShown(table);
    done(table.code);
}

void RedisStore::updateTable(const TableRecord& table) {
    const auto it = m_own.find(table.code);
    if (it == m_own.end() || it->table == table)
        return;
    it->table = table;
    ++it->revision;
    if (listener())
        listener()->tableShown(it->table);
    if (m_up) {
        writeTable(*it);
        publish(tableNews(*it));
    }
}

void RedisStore::removeTable(const QString& code) {
    if (!m_own.remove(code))
        return;
    if (listener())
        listener()->tableGone(code);
    if (m_up) {
        m_commands->command({"DEL", key(QStringLiteral("table"), code)});
        publish(goneNews(m_instance, code));
    }
}

void RedisStore::resolve(const QString& code, ResolveDone done) {
    if (const auto own = m_own.constFind(code); own != m_own.constEnd()) {
        done(own->table);
        return;
    }
    if (const auto seen = m_mirror.constFind(code); seen != m_mirror.constEnd()) {
        done(seen->stored.table);
        return;
    }
    // Perhaps listed a moment ago and not heard of yet.
    const bool sent =
        m_commands && m_up &&
        m_commands->command({"GET", key(QStringLiteral("table"), code)},
                            [this, done, code](const redisReply* reply) {
                                if (m_dying)
                                    return;
                                std::optional<StoredTable> stored;
                                if (reply && reply->type == REDIS_REPLY_STRING)
                                    stored =
                                        readTable(QByteArray(reply->str, qsizetype(reply->len)));
                                if (stored && stored->table.code == code)
                                    done(stored->table);
                                else
                                    done(std::nullopt);
                            });
    if (!sent)
        done(std::nullopt);
}

// This instance's table as it is now, whatever Redis held (after an outage,
// or an expiry while Redis was slow).
void RedisStore::writeTable(const StoredTable& stored) {
    m_commands->command({"SET", key(QStringLiteral("table"), stored.table.code),
                         storerecord::table(stored), "PX", QByteArray::number(m_options.expiryMs)});
}

void RedisStore::publish(const QByteArray& news) {
    if (m_up)
        m_commands->command({"PUBLISH", key(QStringLiteral("news")), news});
}

void RedisStore::said(const lobbywire::ChatLine& line) {
    if (!m_up)
        return;
    const QByteArray chatKey = key(QStringLiteral("chat"));
    m_commands->command({"LPUSH", chatKey, lobbywire::chat(line.name, line.text)});
    m_commands->command(
        {"LTRIM", chatKey, "0", QByteArray::number(servicelimits::kChatHistory - 1)});
    publish(chatNews(m_instance, line));
}

void RedisStore::arrived(const QString& name) {
    ++m_localPeople[name];
    if (!m_up)
        return;
    const QByteArray people = key(QStringLiteral("people"), m_instance);
    m_commands->command({"HINCRBY", people, name.toUtf8(), "1"});
    m_commands->command({"PEXPIRE", people, QByteArray::number(m_options.expiryMs)});
    publish(presenceNews(m_instance, name, true));
}

void RedisStore::left(const QString& name) {
    const auto it = m_localPeople.find(name);
    if (it == m_localPeople.end())
        return;
    const bool last = --*it <= 0;
    if (last)
        m_localPeople.erase(it);
    if (!m_up)
        return;
    const QByteArray people = key(QStringLiteral("people"), m_instance);
    if (last)
        m_commands->command({"HDEL", people, name.toUtf8()});
    else
        m_commands->command({"HINCRBY", people, name.toUtf8(), "-1"});
    publish(presenceNews(m_instance, name, false));
}

// Who is in the chat here, written anew (after Redis was away, or the key
// expired).
void RedisStore::writePeople() {
    const QByteArray people = key(QStringLiteral("people"), m_instance);
    m_commands->command({"DEL", people});
    if (m_localPeople.isEmpty())
        return;
    QList<QByteArray> args{"HSET", people};
    for (auto it = m_localPeople.constBegin(); it != m_localPeople.constEnd(); ++it)
        args << it.key().toUtf8() << QByteArray::number(it.value());
    m_commands->command(args);
    m_commands->command({"PEXPIRE", people, QByteArray::number(m_options.expiryMs)});
}

void RedisStore::heard(const QByteArray& message) {
    const std::optional<News> n = readNews(message);
    if (!n || n->owner == m_instance)
        return; // our own news came back, or a message that is not news
    switch (n->kind) {
    case News::Kind::Table:
        mirror(n->table);
        break;
    case News::Kind::Gone:
        if (m_resyncing)
            m_goneDuringLoad.insert(n->code);
        unmirror(n->code);
        break;
    case News::Kind::Chat:
        if (listener())
            listener()->chatHeard(n->chat);
        break;
    case News::Kind::Here:
    case News::Kind::Away: {
        QHash<QString, int> people = m_peers.value(n->owner).people;
        if (n->kind == News::Kind::Here)
            ++people[n->name];
        else if (people.value(n->name) > 1)
            --people[n->name];
        else
            people.remove(n->name);
        setPeople(n->owner, people);
        break;
    }
    }
}

// Another instance's table as heard; an older copy than the one held is not
// news, but shows that the table is still there.
void RedisStore::mirror(const StoredTable& stored) {
    if (stored.owner == m_instance)
        return;
    const auto it = m_mirror.find(stored.table.code);
    if (it != m_mirror.end() && it->stored.owner == stored.owner &&
        it->stored.revision >= stored.revision) {
        it->generation = m_generation;
        return;
    }
    m_mirror.insert(stored.table.code, Mirrored{stored, m_generation});
    if (listener())
        listener()->tableShown(stored.table);
}

void RedisStore::unmirror(const QString& code) {
    if (m_mirror.remove(code) && listener())
        listener()->tableGone(code);
}

// Another instance's people as they are now: the difference is news.
void RedisStore::setPeople(const QString& owner, const QHash<QString, int>& people) {
    Peer& peer = m_peers[owner];
    QSet<QString> names(peer.people.keyBegin(), peer.people.keyEnd());
    for (auto it = people.constBegin(); it != people.constEnd(); ++it)
        names.insert(it.key());
    for (const QString& name : names) {
        const int before = peer.people.value(name);
        const int after = people.value(name);
        for (int i = before; i < after && listener(); ++i)
            listener()->personHere(name);
        for (int i = after; i < before && listener(); ++i)
            listener()->personAway(name);
    }
    peer.people = people;
    if (people.isEmpty())
        m_peers.remove(owner);
}
