// SPDX-License-Identifier: GPL-3.0-or-later
// RedisStore: connecting, catching up after Redis was away, refreshing the
// expiries of this instance's entries, and checking the mirror in full.

#include "redisstore.h"

#include "lobbyaddress.h"
#include "redislink.h"
#include "servicelimits.h"

#include <QTimer>

#include <hiredis/hiredis.h>

#include <memory>

using namespace storerecord;

namespace {

constexpr int kFirstRetryMs = 1000;
constexpr qint64 kAnswerTimeoutMs = 10'000;
constexpr int kMaxRetryMs = 10'000;
// Keys asked for in one SCAN step and values in one MGET.
constexpr int kScanCount = 1000;
constexpr qsizetype kLoadChunk = 500;

QByteArray text(const redisReply* r) {
    return r && r->type == REDIS_REPLY_STRING ? QByteArray(r->str, qsizetype(r->len))
                                              : QByteArray();
}

// A SCAN reply: the next cursor and the keys of this step; nothing when the
// reply is not one.
std::optional<QByteArray> scanStep(const redisReply* r, QList<QByteArray>& keys) {
    if (!r || r->type != REDIS_REPLY_ARRAY || r->elements != 2 ||
        r->element[0]->type != REDIS_REPLY_STRING || r->element[1]->type != REDIS_REPLY_ARRAY)
        return std::nullopt;
    for (size_t i = 0; i < r->element[1]->elements; ++i)
        keys << text(r->element[1]->element[i]);
    return text(r->element[0]);
}

} // namespace

void RedisStore::start() {
    m_started = true;
    m_refreshTimer->start();
    connectLinks();
}

void RedisStore::connectLinks() {
    for (RedisLink* old : {m_commands, m_news}) {
        if (old) {
            old->disconnect(this);
            old->close();
            old->deleteLater();
        }
    }
    m_subscribing = false;
    m_commands = new RedisLink(m_options.host, m_options.port, this);
    m_news = new RedisLink(m_options.host, m_options.port, this);
    for (RedisLink* link : {m_commands, m_news}) {
        link->connectTimeoutMs = m_options.connectTimeoutMs;
        connect(link, &RedisLink::connected, this, &RedisStore::linkUp);
        connect(link, &RedisLink::lost, this, &RedisStore::linkLost);
        link->open();
    }
}

// Both connections made: follow the news first, so that nothing said while
// the rest loads is missed.
void RedisStore::linkUp() {
    // Both connections report; both may be open by the first report.
    if (m_subscribing || !m_commands->isOpen() || !m_news->isOpen())
        return;
    m_subscribing = true;
    m_news->subscribe(
        key(QStringLiteral("news")),
        [this](const redisReply* reply) {
            if (!m_dying && reply)
                catchUp();
        },
        [this](const QByteArray* message) {
            if (!m_dying && message)
                heard(*message);
        });
}

void RedisStore::linkLost(const QString& why) {
    if (m_dying || m_retryTimer->isActive() || !m_started)
        return; // the other connection's report of the same loss
    const bool wasUp = m_up;
    m_up = false;
    m_resyncing = false;
    m_pingDue = false;
    for (RedisLink* link : {m_commands, m_news})
        if (link)
            link->close();
    if (!m_everUp) {
        m_started = false; // the first attempt failed: the caller decides
        emit unavailable(why);
        return;
    }
    m_lostLogged = m_lostLogged || wasUp;
    if (wasUp)
        note(QStringLiteral("store lost: %1: %2; serving from memory, reconnecting")
                 .arg(describe(), why));
    m_retryMs = m_retryMs == 0 ? kFirstRetryMs : std::min(m_retryMs * 2, kMaxRetryMs);
    m_retryTimer->start(m_retryMs);
}

// Connected (again): what this instance holds is written anew, the chat's
// history and everybody else's tables and people loaded.
void RedisStore::catchUp() {
    m_up = true;
    for (const StoredTable& stored : std::as_const(m_own)) {
        writeTable(stored);
        publish(tableNews(stored));
    }
    writePeople();
    m_commands->command({"LRANGE", key(QStringLiteral("chat")), "0",
                         QByteArray::number(servicelimits::kChatHistory - 1)},
                        [this](const redisReply* reply) {
                            if (m_dying || !reply || reply->type != REDIS_REPLY_ARRAY ||
                                !listener())
                                return;
                            QList<lobbywire::ChatLine> lines;
                            for (size_t i = reply->elements; i-- > 0;) { // newest first in Redis
                                QByteArray line = text(reply->element[i]);
                                if (line.endsWith('\n'))
                                    line.chop(1);
                                if (const auto chat = lobbywire::readChat(lobbywire::split(line)))
                                    lines << *chat;
                            }
                            listener()->chatHistory(lines);
                        });
    resync();
}

void RedisStore::refresh() {
    if (!m_up)
        return;
    if (m_pingDue) {
        // A Redis that answers nothing for this long is as good as gone.
        const qint64 limit = std::max<qint64>(2 * m_options.refreshMs, kAnswerTimeoutMs);
        if (m_pingSent.elapsed() > limit) {
            m_commands->close();
            linkLost(QStringLiteral("no answer for %1 s").arg(limit / 1000));
            return;
        }
    } else {
        m_pingDue = true;
        m_pingSent.start();
        m_commands->command({"PING"}, [this](const redisReply* reply) {
            if (!m_dying && reply)
                m_pingDue = false;
        });
    }
    const QByteArray expiry = QByteArray::number(m_options.expiryMs);
    for (const StoredTable& stored : std::as_const(m_own)) {
        const QString code = stored.table.code;
        m_commands->command({"PEXPIRE", key(QStringLiteral("table"), code), expiry},
                            [this, code](const redisReply* reply) {
                                // Gone from Redis (it restarted empty): written anew.
                                if (!m_dying && reply && reply->type == REDIS_REPLY_INTEGER &&
                                    reply->integer == 0 && m_own.contains(code))
                                    writeTable(m_own.value(code));
                            });
    }
    if (!m_localPeople.isEmpty())
        m_commands->command({"PEXPIRE", key(QStringLiteral("people"), m_instance), expiry},
                            [this](const redisReply* reply) {
                                if (!m_dying && reply && reply->type == REDIS_REPLY_INTEGER &&
                                    reply->integer == 0)
                                    writePeople();
                            });
    if (!m_resyncing)
        resync();
}

// The mirror checked against Redis: every table key scanned and read. A table
// the mirror holds that no longer is there (removed, or expired when its
// instance died) leaves; one heard of during the load stays.
void RedisStore::resync() {
    m_resyncing = true;
    m_goneDuringLoad.clear();
    scanTables("0", {}, ++m_generation);
    scanPeople("0", {});
}

void RedisStore::scanTables(const QByteArray& cursor, QList<QByteArray> keys, quint64 generation) {
    m_commands->command({"SCAN", cursor, "MATCH", key(QStringLiteral("table"), QStringLiteral("*")),
                         "COUNT", QByteArray::number(kScanCount)},
                        [this, keys, generation](const redisReply* reply) mutable {
                            if (m_dying || generation != m_generation)
                                return;
                            const std::optional<QByteArray> next = scanStep(reply, keys);
                            if (!next)
                                m_resyncing = false; // lost; tried again after reconnecting
                            else if (*next == "0")
                                loadTables(keys, generation);
                            else
                                scanTables(*next, keys, generation);
                        });
}

void RedisStore::loadTables(QList<QByteArray> keys, quint64 generation) {
    if (keys.isEmpty()) {
        resyncDone(generation);
        return;
    }
    QList<QByteArray> args{"MGET"};
    args += keys.mid(0, kLoadChunk);
    keys.remove(0, std::min(kLoadChunk, keys.size()));
    m_commands->command(args, [this, keys, generation](const redisReply* reply) {
        if (m_dying || generation != m_generation)
            return;
        if (!reply || reply->type != REDIS_REPLY_ARRAY) {
            m_resyncing = false;
            return;
        }
        for (size_t i = 0; i < reply->elements; ++i) {
            const auto stored = readTable(text(reply->element[i]));
            if (stored && !m_goneDuringLoad.contains(stored->table.code))
                mirror(*stored);
        }
        loadTables(keys, generation);
    });
}

void RedisStore::resyncDone(quint64 generation) {
    QStringList stale;
    for (auto it = m_mirror.constBegin(); it != m_mirror.constEnd(); ++it)
        if (it->generation < generation)
            stale << it.key();
    for (const QString& code : stale)
        unmirror(code);
    m_resyncing = false;
    m_goneDuringLoad.clear();
    m_retryMs = 0;
    if (!m_everUp) {
        m_everUp = true;
        emit ready();
    } else if (m_lostLogged) {
        m_lostLogged = false;
        note(QStringLiteral("store back: %1, %2 tables of other instances")
                 .arg(describe())
                 .arg(m_mirror.size()));
    }
}

void RedisStore::scanPeople(const QByteArray& cursor, QList<QByteArray> keys) {
    m_commands->command({"SCAN", cursor, "MATCH",
                         key(QStringLiteral("people"), QStringLiteral("*")), "COUNT",
                         QByteArray::number(kScanCount)},
                        [this, keys](const redisReply* reply) mutable {
                            if (m_dying)
                                return;
                            const std::optional<QByteArray> next = scanStep(reply, keys);
                            if (next && *next == "0")
                                loadPeople(keys);
                            else if (next)
                                scanPeople(*next, keys);
                        });
}

// Every instance's people, asked at once; applied when the last answer is in.
void RedisStore::loadPeople(QList<QByteArray> keys) {
    const QByteArray prefix = key(QStringLiteral("people"), QStringLiteral("x")).chopped(1);
    struct Load {
        int remaining = 0;
        QHash<QString, Peer> peers;
    };
    auto load = std::make_shared<Load>();
    const auto apply = [this, load] {
        QSet<QString> owners(load->peers.keyBegin(), load->peers.keyEnd());
        for (auto it = m_peers.constBegin(); it != m_peers.constEnd(); ++it)
            owners.insert(it.key());
        for (const QString& owner : owners)
            setPeople(owner, load->peers.value(owner).people);
    };
    for (const QByteArray& k : keys) {
        const QString owner = QString::fromUtf8(k.mid(prefix.size()));
        if (!k.startsWith(prefix) || !isInstanceId(owner) || owner == m_instance)
            continue;
        ++load->remaining;
        m_commands->command({"HGETALL", k}, [this, load, owner, apply](const redisReply* r) {
            if (m_dying)
                return;
            if (r && r->type == REDIS_REPLY_ARRAY) {
                Peer& peer = load->peers[owner];
                for (size_t i = 0; i + 1 < r->elements; i += 2) {
                    const QString name = QString::fromUtf8(text(r->element[i]));
                    const int count = text(r->element[i + 1]).toInt();
                    // Only what a NAME could have made; no more people than a
                    // service holds connections.
                    if (!name.isEmpty() &&
                        lobbywire::cleanName(name, lobbywire::kMaxNameChars) == name && count > 0)
                        peer.people[name] = std::min(count, servicelimits::kMaxConnections);
                }
            }
            if (--load->remaining == 0 && r)
                apply();
        });
    }
    if (load->remaining == 0)
        apply();
}

void RedisStore::note(const QString& line) const {
    if (log)
        log(line);
}
