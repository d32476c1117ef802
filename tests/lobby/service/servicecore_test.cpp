// SPDX-License-Identifier: GPL-3.0-or-later
// The core's answers byte for byte, the directory and its batches, the chat,
// and a store that answers late.

#include "corefixture.h"
#include "version.h"

#include <gtest/gtest.h>

using namespace lobbywire;

namespace {

const QByteArray kWelcome = QByteArray("WELCOME\t2\t") + wire::kVersion + "\n";

TableState playing(int seated, const QString& hostName = QStringLiteral("Ann")) {
    TableState s;
    s.seated = seated;
    s.phase = Phase::Playing;
    s.round = 1;
    s.rounds = 5;
    s.hostName = hostName;
    return s;
}

// Answers the store's questions only when the test says so.
struct LateStore : ServiceStore {
    MemoryStore inner;
    QList<std::function<void()>> due;

    void addTable(TableRecord t, AddDone done) override {
        due.append([this, t, done] { inner.addTable(t, done); });
    }
    void updateTable(const TableRecord& t) override { inner.updateTable(t); }
    void removeTable(const QString& code) override { inner.removeTable(code); }
    void resolve(const QString& code, ResolveDone done) override {
        due.append([this, code, done] { inner.resolve(code, done); });
    }
    void said(const ChatLine&) override {}
    void arrived(const QString&) override {}
    void left(const QString&) override {}
    QString describe() const override { return QStringLiteral("late"); }
    void answer() {
        for (const auto& f : std::exchange(due, {}))
            f();
    }
};

} // namespace

TEST(ServiceCoreRequests, EachAnswerByteForByte) {
    CoreFixture f;
    f.core.opened(1, QStringLiteral("192.0.2.1"));
    f.line(1, "HELLO\t2\tkestrunlobby\t" + QByteArray(wire::kVersion) + "\r\n");
    EXPECT_EQ(f.transport.take(1), kWelcome);
    f.line(1, "NAME\t  Ann\x01  Lee \n");
    EXPECT_EQ(f.transport.take(1), "NAMED\tAnn Lee\n");
    f.line(1, "PING\nWATCH\n");
    EXPECT_EQ(f.transport.take(1), "PONG\nLISTED\n");
    f.line(1, "HOST\tpublic\t7772\t" + QByteArray(wire::kVersion) + "\tFriday\tAnn\t-\t-\n");
    EXPECT_EQ(f.transport.take(1), "HOSTED\t+AAAA-AAA2\tKey000000000000000000001\n");
    f.line(1, "RESOLVE\t+aaaaaaa2\nRESOLVE\t+ZZZZ-ZZZZ\n");
    EXPECT_EQ(f.transport.take(1), "FOUND\t+AAAA-AAA2\t192.0.2.1\t7772\t" +
                                       QByteArray(wire::kVersion) +
                                       "\tFriday\tAnn\tunknown\t-\t0\n"
                                       "UNKNOWN\t+ZZZZ-ZZZZ\n");
    f.line(1, "FROB\t1\nx-y\nWATCH\textra\nSTATE\t9\t0\twaiting\t0\t0\tAnn\nHELLO\t1\ta\t1\n");
    EXPECT_EQ(f.transport.take(1),
              "ERROR\tfrob\tNot a request this service takes in that form.\n"
              "ERROR\trequest\tNot a request this service takes in that form.\n"
              "ERROR\twatch\tNot a request this service takes in that form.\n"
              "ERROR\tstate\tThat STATE is malformed.\n"
              "ERROR\thello\tAlready welcomed.\n");
    EXPECT_FALSE(f.closed(1));
}

TEST(ServiceCoreRequests, AnotherProtocolIsToldWhichOneTheServiceNeeds) {
    CoreFixture f;
    f.core.opened(1, QStringLiteral("192.0.2.1"));
    f.line(1, "HELLO\t1\tkestrunlobby\t9.0\n");
    EXPECT_EQ(f.transport.take(1), "BYE\tversion\tThis lobby service speaks protocol 2; please "
                                   "update the program.\n");
    EXPECT_TRUE(f.closed(1));
    EXPECT_FALSE(f.core.knows(1));

    // Anything before HELLO, or a HELLO of this protocol that is malformed.
    for (const QByteArray& first : {QByteArray("PING\n"), QByteArray("HELLO\t2\tbad name\t1\n")}) {
        CoreFixture g;
        g.core.opened(7, QStringLiteral("192.0.2.1"));
        g.line(7, first + "PING\n");
        EXPECT_TRUE(g.transport.take(7).startsWith("BYE\thello\t")) << first.constData();
        EXPECT_TRUE(g.closed(7));
    }
}

TEST(ServiceCoreDirectory, WatchersSeePublicTablesWithoutAddressesThenBatches) {
    CoreFixture f;
    f.join(1);
    f.join(2);
    f.join(9);
    f.line(1, host(Listing::Public, 7772, wire::kVersion, "Friday", "Ann"));
    f.line(2, host(Listing::Invite, 7773, wire::kVersion, "Secret", "Bob"));
    f.core.flushDirectory();
    f.line(9, watch());
    EXPECT_EQ(f.transport.take(9), "TABLE\t+AAAA-AAA2\tFriday\tAnn\t0\t0\twaiting\t0\t0\t" +
                                       QByteArray(wire::kVersion) +
                                       "\tunknown\n"
                                       "LISTED\n");

    // Several changes in one batch: one write, the last state of each table.
    const int writes = f.transport.writes[9];
    f.line(1, state(playing(2)));
    f.line(1, state(playing(3)));
    f.line(2, state(playing(4))); // an invite table changes: never listed
    f.join(3, QStringLiteral("192.0.2.3"));
    f.line(3, host(Listing::Public, 7772, wire::kVersion, "Late", "Cy"));
    f.join(4);
    f.line(4, host(Listing::Public, 7772, wire::kVersion, "Short", "Di"));
    f.line(4, unhost()); // came and went within the batch: never seen
    EXPECT_EQ(f.transport.writes[9], writes);
    f.core.flushDirectory();
    EXPECT_EQ(f.transport.writes[9], writes + 1);
    EXPECT_EQ(f.transport.take(9), "TABLE\t+AAAA-AAA2\tFriday\tAnn\t3\t0\tplaying\t1\t5\t" +
                                       QByteArray(wire::kVersion) +
                                       "\tunknown\n"
                                       "TABLE\t+AAAA-AAA4\tLate\tCy\t0\t0\twaiting\t0\t0\t" +
                                       QByteArray(wire::kVersion) + "\tunknown\n");

    // The same state again is no change; a closed host's table is GONE.
    f.line(1, state(playing(3)));
    f.core.closed(1);
    f.core.flushDirectory();
    EXPECT_EQ(f.transport.take(9), "GONE\t+AAAA-AAA2\n");
    EXPECT_EQ(f.core.directory().size(), 1);
    EXPECT_EQ(f.store.tableCount(), 2); // the invite table and Cy's
}

TEST(ServiceCoreDirectory, ABatchDeliveredInPartsKeepsEachWatchersOrder) {
    CoreFixture f;
    for (ConnectionId id = 1; id <= 3; ++id) {
        f.join(id);
        f.line(id, watch());
        f.transport.take(id);
    }
    f.join(9);
    f.line(9, host(Listing::Public, 7772, wire::kVersion, "T", "Ann"));
    EXPECT_TRUE(f.core.flushDirectory(1));
    EXPECT_TRUE(f.core.continueDirectory(1));
    f.line(9, unhost());
    EXPECT_TRUE(f.core.flushDirectory(1)); // the first batch is finished first
    EXPECT_FALSE(f.core.continueDirectory());
    for (ConnectionId id = 1; id <= 3; ++id)
        EXPECT_EQ(f.transport.take(id), "TABLE\t+AAAA-AAA2\tT\tAnn\t0\t0\twaiting\t0\t0\t" +
                                            QByteArray(wire::kVersion) +
                                            "\tunknown\n"
                                            "GONE\t+AAAA-AAA2\n")
            << id;
}

TEST(ServiceCoreDirectory, SilentHostIsSentByeAndItsTableLeaves) {
    CoreFixture f;
    f.join(1);
    f.join(9);
    f.line(9, watch());
    f.line(1, host(Listing::Public, 7772, wire::kVersion, "Friday", "Ann"));
    f.core.flushDirectory();
    f.transport.take(9);
    f.transport.take(1);
    f.clock += 20'000;
    f.line(1, ping());
    f.line(9, ping());
    f.clock += 25'000;
    f.core.sweep();
    EXPECT_FALSE(f.closed(1)); // 25 s exactly is not longer than 25 s
    f.clock += 1;
    f.core.sweep();
    EXPECT_EQ(f.transport.take(1),
              "PONG\nBYE\tsilent\tNothing heard from the table for 25 seconds.\n");
    EXPECT_TRUE(f.closed(1));
    EXPECT_TRUE(f.core.directoryPending());
    f.core.flushDirectory();
    EXPECT_EQ(f.transport.take(9), "PONG\nGONE\t+AAAA-AAA2\n");
    ASSERT_FALSE(f.events.isEmpty());
    EXPECT_EQ(f.events.last().kind, ServiceEvent::Kind::TableGone);
    EXPECT_EQ(f.events.last().reason, DropReason::Silent);
}

TEST(ServiceCoreChat, EnterSayRenameAndLeave) {
    CoreFixture f;
    f.join(1);
    f.line(1, enter());
    EXPECT_EQ(f.transport.take(1), "ERROR\tenter\tChoose a NAME first.\n");
    f.line(1, setName("Ann"));
    f.line(1, enter());
    f.line(1, say("hello\x7f there"));
    EXPECT_EQ(f.transport.take(1), "NAMED\tAnn\nHERE\tAnn\nENTERED\n");
    f.core.flushChat();
    EXPECT_EQ(f.transport.take(1), "CHAT\tAnn\thello  there\n"); // her own HERE was in the answer

    f.join(2);
    f.line(2, setName("Bob"));
    f.line(2, enter());
    EXPECT_EQ(f.transport.take(2),
              "NAMED\tBob\nCHAT\tAnn\thello  there\nHERE\tAnn\nHERE\tBob\nENTERED\n");
    f.line(2, setName("Bo"));
    EXPECT_EQ(f.transport.take(2), "NAMED\tBo\n");
    f.line(1, say("hi Bo"));
    f.core.closed(2);
    f.core.flushChat();
    EXPECT_EQ(f.transport.take(1), "HERE\tBob\nAWAY\tBob\nHERE\tBo\nCHAT\tAnn\thi Bo\nAWAY\tBo\n");
    EXPECT_EQ(f.core.people(), QStringList{"Ann"});
}

TEST(ServiceCoreOrder, RequestsWaitingForTheStoreKeepTheirOrder) {
    RecordingTransport transport;
    LateStore store;
    store.inner.generateCode = [] { return QStringLiteral("+BBBB-CCCC"); };
    ServiceCore core(transport, store);
    core.setProbing(false);
    core.setSecrets([] { return QStringLiteral("Key000000000000000000001"); });
    core.opened(1, QStringLiteral("198.51.100.4"));
    core.received(1, hello("vorlix", wire::kVersion) +
                         host(Listing::Invite, 7772, wire::kVersion, "T", "") + ping() +
                         resolve("+BBBB-CCCC") + ping());
    EXPECT_EQ(transport.take(1), kWelcome);
    EXPECT_EQ(core.held(1), 3);
    store.answer(); // HOST: then PING, then RESOLVE waits in turn
    EXPECT_EQ(transport.take(1), "HOSTED\t+BBBB-CCCC\tKey000000000000000000001\nPONG\n");
    store.answer();
    EXPECT_EQ(transport.take(1), "FOUND\t+BBBB-CCCC\t198.51.100.4\t7772\t" +
                                     QByteArray(wire::kVersion) + "\tT\t\tunknown\t-\t0\nPONG\n");

    // A host gone before the store answered leaves no table behind.
    core.opened(2, QStringLiteral("198.51.100.5"));
    core.received(2, hello("vorlix", wire::kVersion) +
                         host(Listing::Public, 7772, wire::kVersion, "U", ""));
    core.closed(2);
    store.inner.generateCode = [] { return QStringLiteral("+DDDD-EEEE"); };
    store.answer();
    EXPECT_EQ(store.inner.tableCount(), 1);
    EXPECT_TRUE(core.directory().isEmpty());
}
