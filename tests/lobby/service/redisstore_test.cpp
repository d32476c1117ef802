// SPDX-License-Identifier: GPL-3.0-or-later
// Several service instances sharing one Redis of the test's own: the
// directory, invite codes and chat reach every instance's clients; an instance
// that dies leaves the others serving and its tables leave; an instance that
// loses Redis keeps serving and catches up when it is back. Expiries are
// shortened (refresh 200 ms, expiry 800 ms) so the tests take seconds.

#include "lineclient.h"
#include "redisserver.h"
#include "redisstore.h"
#include "serviceserver.h"
#include "version.h"

#include <QSignalSpy>
#include <gtest/gtest.h>

#include <memory>

using namespace lobbywire;

namespace {

struct Instance {
    RedisStore store;
    ServiceServer server{store};
    QStringList log;

    explicit Instance(const RedisServer& redis) : store(options(redis)) {
        store.log = [this](const QString& line) { log << line; };
        server.log = store.log;
        QSignalSpy ready(&store, &RedisStore::ready);
        store.start();
        EXPECT_TRUE(ready.wait(10'000));
        EXPECT_TRUE(server.listen(0));
    }
    static RedisStore::Options options(const RedisServer& redis) {
        RedisStore::Options o;
        o.port = redis.port();
        o.refreshMs = 200;
        o.expiryMs = 800;
        return o;
    }
    quint16 port() const { return server.port(); }
    bool logged(const QString& start) {
        return QTest::qWaitFor(
            [&] {
                return std::any_of(log.begin(), log.end(),
                                   [&](const QString& l) { return l.startsWith(start); });
            },
            10'000);
    }
};

QString hostTable(LineClient& client, Listing listing, const QString& name) {
    client.send(host(listing, 7772, wire::kVersion, name, "Ann"));
    return client.waitFor("HOSTED\t") ? readHosted(split(client.last))->code : QString();
}

#define NEED_REDIS(redis)                                                                          \
    if (!RedisServer::available())                                                                 \
        GTEST_SKIP() << "redis-server is not installed (/usr/bin/redis-server)";                   \
    ASSERT_TRUE(redis.start())

} // namespace

TEST(StoreRecord, TablesAndNewsReadBackAndDamageIsRejected) {
    storerecord::StoredTable t;
    t.owner = QStringLiteral("0123456789abcdef");
    t.revision = 7;
    t.table = {QStringLiteral("+K7Q2-M9XD"),
               Listing::Invite,
               QStringLiteral("2001:db8::1"),
               7772,
               QLatin1String(wire::kVersion),
               QStringLiteral("Friday"),
               {2, 1, Phase::Playing, 1, 5, "Ann"},
               Way::Relay,
               QStringLiteral("lobby2.example"),
               7780,
               QStringLiteral("KeyKeyKeyKeyKeyKeyKey123")};
    const QByteArray value = storerecord::table(t);
    const auto back = storerecord::readTable(value);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->table, t.table);
    EXPECT_EQ(back->revision, 7u);
    for (const QByteArray& damaged :
         {QByteArray(value).replace("0123456789abcdef", "0123456789ABCDEF"),
          QByteArray(value).replace("\t7\t", "\t-7\t"),
          QByteArray(value).replace("FOUND\t+K7Q2", "FOUND\t+K7Q3"),
          QByteArray(value).replace("2001:db8::1", "example.com"),
          QByteArray(value).replace("KeyKeyKeyKeyKeyKeyKey123", "KeyKeyKeyKeyKeyKeyKey12"),
          QByteArray(value).replace("\trelay\t", "\tnear\t"), value.chopped(1), value + "x"})
        EXPECT_FALSE(storerecord::readTable(damaged)) << damaged.constData();
    const auto news = storerecord::readNews(storerecord::tableNews(t));
    ASSERT_TRUE(news);
    EXPECT_EQ(news->table.table, t.table);
    EXPECT_EQ(storerecord::readNews(storerecord::chatNews(t.owner, {"Ann", "hi\x01"}))->chat.text,
              "hi ");
    // A table's news must come from the instance that holds it.
    EXPECT_FALSE(storerecord::readNews("table\tfedcba9876543210\n" + value));
    EXPECT_FALSE(storerecord::readNews(storerecord::goneNews(t.owner, "+K7Q2-M9XD") + "x\n"));
}

TEST(RedisStore, TablesCodesAndChatAreShared) {
    RedisServer redis;
    NEED_REDIS(redis);
    Instance a(redis);
    Instance b(redis);

    LineClient hoster(a.port());
    ASSERT_TRUE(hoster.hello());
    const QString open = hostTable(hoster, Listing::Public, QStringLiteral("Open"));
    LineClient other(a.port());
    ASSERT_TRUE(other.hello());
    const QString secret = hostTable(other, Listing::Invite, QStringLiteral("Secret"));

    LineClient watcher(b.port());
    ASSERT_TRUE(watcher.hello());
    watcher.send(watch());
    ASSERT_TRUE(watcher.waitFor("TABLE\t" + open.toUtf8()));
    ASSERT_TRUE(watcher.waitFor("LISTED"));
    EXPECT_FALSE(watcher.lines.join('\n').contains(secret.toUtf8()));
    watcher.send(resolve(secret) + resolve(open));
    ASSERT_TRUE(watcher.waitFor("FOUND\t" + secret.toUtf8() + "\t127.0.0.1\t7772\t"));
    ASSERT_TRUE(watcher.waitFor("FOUND\t" + open.toUtf8()));

    // A code another instance holds is not given again.
    ASSERT_EQ(redis.command("SET kestrun:lobby:table:+AAAA-AAA2 taken"), "+OK");
    int draws = 0;
    b.store.generateCode = [&] { return QStringLiteral("+AAAA-AAA") + QChar(u'2' + draws++); };
    LineClient third(b.port());
    ASSERT_TRUE(third.hello());
    EXPECT_EQ(hostTable(third, Listing::Public, QStringLiteral("Third")), "+AAAA-AAA3");

    LineClient ann(a.port());
    LineClient bob(b.port());
    ASSERT_TRUE(ann.hello());
    ASSERT_TRUE(bob.hello());
    ann.send(setName("Ann") + enter());
    ASSERT_TRUE(ann.waitFor("ENTERED"));
    bob.send(setName("Bob") + enter());
    ASSERT_TRUE(bob.waitFor("HERE\tAnn"));
    ASSERT_TRUE(ann.waitFor("HERE\tBob"));
    ann.send(say("hello from A"));
    ASSERT_TRUE(bob.waitFor("CHAT\tAnn\thello from A"));
    LineClient cy(b.port());
    ASSERT_TRUE(cy.hello());
    cy.send(setName("Cy") + enter());
    ASSERT_TRUE(cy.waitFor("CHAT\tAnn\thello from A")); // the shared history
    ann.socket.abort();
    ASSERT_TRUE(bob.waitFor("AWAY\tAnn"));
}

TEST(RedisStore, AnInstanceThatDiesLeavesTheOthersServing) {
    RedisServer redis;
    NEED_REDIS(redis);
    Instance a(redis);
    auto b = std::make_unique<Instance>(redis);
    LineClient hoster(b->port());
    ASSERT_TRUE(hoster.hello());
    const QString code = hostTable(hoster, Listing::Public, QStringLiteral("Doomed"));
    LineClient watcher(a.port());
    ASSERT_TRUE(watcher.hello());
    watcher.send(watch());
    ASSERT_TRUE(watcher.waitFor("TABLE\t" + code.toUtf8()));

    b.reset(); // no goodbye: its tables stay in Redis until they expire
    ASSERT_TRUE(watcher.waitFor("GONE\t" + code.toUtf8()));
    watcher.send(resolve(code) + ping());
    ASSERT_TRUE(watcher.waitFor("UNKNOWN\t" + code.toUtf8()));
    ASSERT_TRUE(watcher.waitFor("PONG"));
}

TEST(RedisStore, LosingRedisKeepsServingAndCatchesUp) {
    RedisServer redis;
    NEED_REDIS(redis);
    Instance a(redis);
    LineClient hoster(a.port());
    ASSERT_TRUE(hoster.hello());
    const QString before = hostTable(hoster, Listing::Public, QStringLiteral("Before"));

    redis.kill();
    ASSERT_TRUE(a.logged(QStringLiteral("store lost: redis://127.0.0.1:")));
    LineClient during(a.port());
    ASSERT_TRUE(during.hello());
    const QString meanwhile = hostTable(during, Listing::Invite, QStringLiteral("Meanwhile"));
    during.send(resolve(before) + watch());
    ASSERT_TRUE(during.waitFor("FOUND\t" + before.toUtf8()));
    ASSERT_TRUE(during.waitFor("TABLE\t" + before.toUtf8()));

    ASSERT_TRUE(redis.start()); // empty: nothing was saved
    ASSERT_TRUE(a.logged(QStringLiteral("store back: redis://127.0.0.1:")));
    Instance b(redis);
    LineClient asker(b.port());
    ASSERT_TRUE(asker.hello());
    asker.send(resolve(before) + resolve(meanwhile));
    ASSERT_TRUE(asker.waitFor("FOUND\t" + before.toUtf8()));
    ASSERT_TRUE(asker.waitFor("FOUND\t" + meanwhile.toUtf8()));
}
