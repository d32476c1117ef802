// SPDX-License-Identifier: GPL-3.0-or-later
#include "fakeservice.h"
#include "lobbyfeed.h"
#include "version.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

using namespace lobbytest;
using namespace lobbywire;

namespace {

TableEntry entry(const char* code, const char* name, int seatedCount) {
    TableEntry e{
        QString::fromLatin1(code), QString::fromLatin1(name), QLatin1String(wire::kVersion), {}};
    e.state.seated = seatedCount;
    e.state.hostName = QStringLiteral("Host");
    return e;
}

// A directory of `tables` for every WATCH; NAMED, the chat's history and who
// is here for every NAME and ENTER.
void serve(FakeService& service, const QList<TableEntry>* tables) {
    service.onLine = [&service, tables](int peer, const Message& m) {
        if (isBare(m, name::watch)) {
            for (const TableEntry& e : *tables)
                service.send(peer, table(e));
            service.send(peer, listed());
        } else if (const auto n = readName(m)) {
            service.send(peer, named(*n + QStringLiteral("2")));
        } else if (isBare(m, name::enter)) {
            service.send(peer, chat(QStringLiteral("Bob"), QStringLiteral("earlier")) +
                                   here(QStringLiteral("Bob")) + here(QStringLiteral("Ann2")) +
                                   here(QStringLiteral("Bob")) + entered());
        }
    };
}

} // namespace

TEST(LobbyFeed, FollowsTheDirectoryAndTheChat) {
    FakeService service;
    QList<TableEntry> tables{entry("+BBBB-BBBB", "beta", 1), entry("+AAAA-AAAA", "Alpha", 2)};
    serve(service, &tables);
    LobbyFeed feed(service.hostPort(), QLatin1String(wire::kVersion));
    QSignalSpy chatLines(&feed, &LobbyFeed::chatLine);
    QSignalSpy notices(&feed, &LobbyFeed::notice);
    QSignalSpy tablesChanged(&feed, &LobbyFeed::tablesChanged);
    feed.setName(QStringLiteral(" Ann "));
    EXPECT_FALSE(feed.say(QStringLiteral("too early")));
    feed.start();
    EXPECT_EQ(
        feed.reachText(),
        QStringLiteral("Connecting to the lobby service at 127.0.0.1:%1...").arg(service.port()));
    ASSERT_TRUE(waitUntil([&] { return feed.people().size() == 2; }));
    EXPECT_EQ(service.peer(0).lines,
              (QList<QByteArray>{"HELLO\t2\tkestrunlobby\t" + QByteArray(wire::kVersion),
                                 "NAME\tAnn", "WATCH", "ENTER"}));
    EXPECT_EQ(feed.reach(), LobbyFeed::Reach::Reachable);
    EXPECT_EQ(feed.tables(), (QList<TableEntry>{tables[1], tables[0]})); // by name
    EXPECT_EQ(tablesChanged.count(), 1); // the snapshot at once, at LISTED
    EXPECT_EQ(feed.people(), (QStringList{"Ann2", "Bob"}));
    EXPECT_EQ(feed.ownName(), "Ann2");
    ASSERT_EQ(chatLines.count(), 1);
    EXPECT_EQ(chatLines.at(0).at(1).toString(), "earlier");

    EXPECT_TRUE(feed.say(QStringLiteral("hello")));
    ASSERT_TRUE(service.waitForLines(0, "SAY"));
    EXPECT_EQ(service.linesNamed(0, "SAY").first(), "SAY\thello");

    TableEntry changed = tables[0];
    changed.state.seated = 6;
    service.send(0, table(changed) + gone(tables[1].code) + "TABLE\tbroken\n" +
                        away(QStringLiteral("Bob")) + chat(QStringLiteral("Bob"), "bye\x01") +
                        error(QStringLiteral("say"), QStringLiteral("Slow down.")));
    ASSERT_TRUE(notices.wait(10'000));
    EXPECT_EQ(notices.at(0).at(0).toString(), "Slow down.");
    EXPECT_EQ(feed.tables(), QList<TableEntry>{changed});
    EXPECT_EQ(feed.people(), (QStringList{"Ann2", "Bob"})); // Bob was here twice
    EXPECT_EQ(chatLines.at(1).at(1).toString(), "bye ");
    service.send(0, away(QStringLiteral("Bob")));
    ASSERT_TRUE(waitUntil([&] { return feed.people() == QStringList{"Ann2"}; }));

    // The service restarts with another directory: the new one replaces the
    // old, and the chat is entered again.
    tables = {entry("+CCCC-CCCC", "Gamma", 3)};
    service.drop(0);
    ASSERT_TRUE(waitUntil([&] { return feed.reach() == LobbyFeed::Reach::Unreachable; }));
    EXPECT_TRUE(
        feed.reachText().endsWith("closed the connection. Tables on this network still show."));
    ASSERT_TRUE(waitUntil([&] { return feed.tables() == tables; }));
    EXPECT_EQ(service.linesNamed(1, "ENTER").size(), 1);
    EXPECT_TRUE(waitUntil([&] { return feed.people().size() == 2; }));

    feed.stop();
    EXPECT_EQ(feed.reach(), LobbyFeed::Reach::Stopped);
    EXPECT_TRUE(feed.tables().isEmpty());
}

TEST(LobbyFeed, UnreachableAndRefused) {
    const quint16 closed = closedPort();
    LobbyFeed feed({QStringLiteral("127.0.0.1"), closed}, QLatin1String(wire::kVersion));
    feed.start();
    ASSERT_TRUE(waitUntil([&] { return feed.reach() == LobbyFeed::Reach::Unreachable; }));
    EXPECT_EQ(feed.reachText(), QStringLiteral("The lobby service at 127.0.0.1:%1 can't be "
                                               "reached: Connection refused. Tables on this "
                                               "network still show.")
                                    .arg(closed));

    FakeService service;
    service.welcome = false;
    service.onLine = [&](int peer, const Message&) {
        service.send(peer, bye(QStringLiteral("version"), QStringLiteral("Update the lobby")));
    };
    LobbyFeed old(service.hostPort(), QStringLiteral("0.9"));
    old.start();
    ASSERT_TRUE(waitUntil([&] { return old.reach() == LobbyFeed::Reach::Refused; }));
    EXPECT_EQ(old.reachText(), "Update the lobby.");
}
