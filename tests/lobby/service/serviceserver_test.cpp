// SPDX-License-Identifier: GPL-3.0-or-later
// The service over real loopback sockets: a ServiceServer on a free port
// (port 0) and raw clients. Every client here comes from 127.0.0.1 or ::1.

#include "lineclient.h"
#include "memorystore.h"
#include "serviceserver.h"
#include "version.h"

#include <gtest/gtest.h>

using namespace lobbywire;

namespace {

struct Service {
    MemoryStore store;
    ServiceServer server{store};
    QStringList log;
    Service() {
        server.log = [this](const QString& line) { log << line; };
        EXPECT_TRUE(server.listen(0)) << server.errorString().toStdString();
    }
    quint16 port() const { return server.port(); }
};

} // namespace

TEST(ServiceServer, RegisterWatchUpdateDisappear) {
    Service s;
    LineClient hoster(s.port());
    LineClient watcher(s.port());
    ASSERT_TRUE(hoster.hello());
    ASSERT_TRUE(watcher.hello());
    watcher.send(watch());
    ASSERT_TRUE(watcher.waitFor("LISTED"));

    hoster.send(lobbywire::host(Listing::Public, 7772, wire::kVersion, "Friday\x01night", "Ann"));
    ASSERT_TRUE(hoster.waitFor("HOSTED\t"));
    const QString code = readHosted(split(hoster.last))->code;
    ASSERT_TRUE(watcher.waitFor("TABLE\t"));
    const auto listed = readTable(split(watcher.last));
    ASSERT_TRUE(listed);
    EXPECT_EQ(listed->code, code);
    EXPECT_EQ(listed->tableName, "Friday night");
    EXPECT_FALSE(watcher.last.contains("127.0.0.1"));
    EXPECT_TRUE(s.log.last().startsWith("table listed: " + code +
                                        " \"Friday night\" (public) "
                                        "at 127.0.0.1 port 7772"))
        << s.log.last().toStdString();

    TableState now;
    now.seated = 3;
    now.hostName = QStringLiteral("Ann");
    hoster.send(state(now));
    ASSERT_TRUE(watcher.waitFor("TABLE\t"));
    EXPECT_EQ(readTable(split(watcher.last))->state, now);

    // A late watcher gets the table as it is now.
    LineClient late(s.port());
    ASSERT_TRUE(late.hello());
    late.send(watch());
    ASSERT_TRUE(late.waitFor("TABLE\t"));
    EXPECT_EQ(readTable(split(late.last))->state.seated, 3);

    hoster.socket.abort();
    ASSERT_TRUE(watcher.waitFor("GONE\t"));
    EXPECT_EQ(readGone(split(watcher.last)), code);
    ASSERT_TRUE(late.waitFor("GONE\t"));
}

TEST(ServiceServer, InviteCodesResolveAndGuessersAreCutOff) {
    Service s;
    LineClient hoster(s.port());
    ASSERT_TRUE(hoster.hello());
    hoster.send(lobbywire::host(Listing::Invite, 7900, wire::kVersion, "Secret", "Bob"));
    ASSERT_TRUE(hoster.waitFor("HOSTED\t"));
    const QString code = readHosted(split(hoster.last))->code;

    LineClient asker(s.port());
    ASSERT_TRUE(asker.hello());
    asker.send("RESOLVE\t" + code.toLower().toUtf8() + "\n");
    ASSERT_TRUE(asker.waitFor("FOUND\t"));
    const auto found = readFound(split(asker.last));
    ASSERT_TRUE(found);
    EXPECT_EQ(found->address, "127.0.0.1");
    EXPECT_EQ(found->port, 7900);
    EXPECT_EQ(found->tableName, "Secret");

    for (int i = 0; i < 10; ++i)
        asker.send(resolve("+ZZZZ-ZZZ" + QString::number(2 + i % 8)));
    asker.send(resolve("+ZZZZ-ZZZZ"));
    ASSERT_TRUE(asker.waitFor("BYE\tflood\t"));
    EXPECT_EQ(asker.lines.count("UNKNOWN\t+ZZZZ-ZZZ2"), 2);
    EXPECT_TRUE(asker.closedByPeer());
    // Its address is refused: the next connection is closed without a word.
    LineClient again(s.port());
    again.send(hello("test", "1.0"));
    EXPECT_TRUE(again.closedByPeer());
    EXPECT_TRUE(again.lines.isEmpty());
    EXPECT_TRUE(s.log.contains(
        QStringLiteral("cut off: 127.0.0.1 guessing invite codes; address refused for a minute")));
}

TEST(ServiceServer, ChatWithNamesCleaned) {
    Service s;
    LineClient ann(s.port());
    LineClient bob(s.port());
    ASSERT_TRUE(ann.hello());
    ASSERT_TRUE(bob.hello());
    ann.send("NAME\tAnn\x1b[2J\n" + enter());
    ASSERT_TRUE(ann.waitFor("ENTERED"));
    bob.send(setName("  Bob \x7f  B ") + enter());
    ASSERT_TRUE(bob.waitFor("ENTERED"));
    EXPECT_TRUE(bob.lines.contains("HERE\tAnn [2J"));
    bob.send("SAY\thi\x1b\x07 all\xc2\x85!\n");
    ASSERT_TRUE(ann.waitFor("CHAT\t"));
    EXPECT_EQ(ann.last, "CHAT\tBob B\thi   all !");
    ASSERT_TRUE(bob.waitFor("CHAT\t"));
    EXPECT_EQ(bob.last, ann.last);
    EXPECT_TRUE(ann.lines.contains("HERE\tBob B"));
    bob.socket.disconnectFromHost();
    ASSERT_TRUE(ann.waitFor("AWAY\tBob B"));
}

TEST(ServiceServer, IpV6AndMappedAddresses) {
    EXPECT_EQ(ServiceServer::addressText(QHostAddress("::ffff:192.0.2.7")), "192.0.2.7");
    EXPECT_EQ(ServiceServer::addressText(QHostAddress("fe80::1%1")), "fe80::1");
    Service s;
    LineClient six(s.port(), QHostAddress::LocalHostIPv6);
    if (!six.connected())
        GTEST_SKIP() << "no IPv6 loopback here";
    ASSERT_TRUE(six.hello());
    six.send(lobbywire::host(Listing::Invite, 7772, wire::kVersion, "Six", ""));
    ASSERT_TRUE(six.waitFor("HOSTED\t"));
    const QString code = readHosted(split(six.last))->code;
    six.send(resolve(code));
    ASSERT_TRUE(six.waitFor("FOUND\t"));
    EXPECT_EQ(readFound(split(six.last))->address, "::1");
}

TEST(ServiceServer, StopTellsEveryClient) {
    Service s;
    LineClient a(s.port());
    ASSERT_TRUE(a.hello());
    s.server.stop();
    ASSERT_TRUE(a.waitFor("BYE\tclosing\t"));
    EXPECT_TRUE(a.closedByPeer());
    EXPECT_EQ(s.server.core().connectionCount(), 0);
}
