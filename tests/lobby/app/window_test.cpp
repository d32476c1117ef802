// SPDX-License-Identifier: GPL-3.0-or-later
// The lobby window against a service in the test's process and a table
// answering on loopback: the merged list, the chat as plain text, ignoring,
// and what the status says when the service can't be reached.

#include "chatmodel.h"
#include "chatpanel.h"
#include "fakeservice.h"
#include "inifile.h"
#include "lobbyfeed.h"
#include "lobbytestsupport.h"
#include "version.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTableView>
#include <QTest>

#include <gtest/gtest.h>

using lobbytest::spinUntil;

namespace {

struct Fixture {
    QTemporaryDir dir;
    FakeService service;
    QString settings() const { return dir.filePath(QStringLiteral("kestrunlobby.ini")); }
    LobbySetup setup(quint16 discoveryPort = lobbytest::freeUdpPort()) {
        return lobbytest::setupFor(settings(), {}, service.address(), discoveryPort);
    }
};

lobbywire::TableEntry entry(const QString& code, const QString& name) {
    return {code,
            name,
            QLatin1String(wire::kVersion),
            {3, 1, lobbywire::Phase::Waiting, 0, 0, QStringLiteral("Cleo")}};
}

} // namespace

TEST(LobbyWindow, ListsServiceAndNetworkTablesTogether) {
    Fixture f;
    f.service.tables = {entry(QStringLiteral("+K7Q2-M9XD"), QStringLiteral("Upstairs"))};
    const quint16 discoveryPort = lobbytest::freeUdpPort();
    DiscoveryResponder responder(discoveryPort);
    ASSERT_TRUE(responder.start()) << responder.problem().toStdString();
    responder.setTable(QStringLiteral("Kitchen"), 7801, QLatin1String(wire::kVersion),
                       {2, 0, lobbywire::Phase::Playing, 1, 3, QStringLiteral("Dot")});

    LobbyWindow window(f.setup(discoveryPort));
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Kestrun Lobby"));
    EXPECT_FALSE(window.browsing());
    window.show();
    EXPECT_TRUE(window.browsing());
    ASSERT_TRUE(spinUntil([&] { return window.tables().rowCount() == 2; }));
    const TableRow* lan = window.tables().rowAt(0);
    EXPECT_EQ(lan->tableName, QStringLiteral("Kitchen"));
    EXPECT_EQ(lan->id, QStringLiteral("127.0.0.1:7801"));
    EXPECT_TRUE(TableListModel::cellText(*lan, TableListModel::Ping).endsWith(" ms"));
    EXPECT_EQ(TableListModel::cellText(*window.tables().rowAt(1), TableListModel::Where),
              QStringLiteral("Internet"));
    EXPECT_TRUE(window.reachText().startsWith(QStringLiteral("Connected")))
        << window.reachText().toStdString();

    // A table that leaves the directory leaves the list; the selection stays
    // on the table the player chose.
    window.tableView()->selectRow(0);
    f.service.broadcast(lobbywire::gone(QStringLiteral("+K7Q2-M9XD")));
    ASSERT_TRUE(spinUntil([&] { return window.tables().rowCount() == 1; }));
    EXPECT_EQ(window.tableView()->selectionModel()->currentIndex().row(), 0);

    window.showMinimized();
    EXPECT_TRUE(spinUntil([&] { return !window.browsing(); }));
    window.showNormal();
    EXPECT_TRUE(spinUntil([&] { return window.browsing(); }));
    window.hide();
    EXPECT_FALSE(window.browsing());
}

TEST(LobbyWindow, ChatShowsPlainTextAndIgnoringIsRemembered) {
    Fixture f;
    {
        LobbyWindow window(f.setup());
        window.setPlayerName(QStringLiteral("  Ann  "));
        EXPECT_EQ(window.prefs().name, QStringLiteral("Ann"));
        ASSERT_TRUE(spinUntil([&] { return window.chat().people().contains("Ann"); }));

        ChatPanel* panel = window.chatPanel();
        panel->entry()->setText(QStringLiteral("<b>hello</b>"));
        QTest::keyClick(panel->entry(), Qt::Key_Return);
        ASSERT_TRUE(spinUntil([&] { return !window.chat().shownLines().isEmpty(); }));
        EXPECT_EQ(f.service.said, QStringList({"<b>hello</b>"}));
        EXPECT_TRUE(panel->entry()->text().isEmpty());

        f.service.broadcast(lobbywire::here(QStringLiteral("<i>Bob</i>")));
        f.service.broadcast(
            lobbywire::chat(QStringLiteral("<i>Bob</i>"), QStringLiteral("a\x01<a href=x>b</a>")));
        ASSERT_TRUE(spinUntil([&] { return window.chat().shownLines().size() == 2; }));
        EXPECT_EQ(panel->lines()->toPlainText(),
                  QStringLiteral("Ann: <b>hello</b>\n<i>Bob</i>: a <a href=x>b</a>"));

        const int bob = int(window.chat().people().indexOf(QStringLiteral("<i>Bob</i>")));
        ASSERT_GE(bob, 0);
        std::unique_ptr<QMenu> menu = panel->menuFor(bob);
        ASSERT_EQ(menu->actions().size(), 1);
        EXPECT_EQ(menu->actions().first()->text(), QStringLiteral("Ignore <i>Bob</i>"));
        menu->actions().first()->trigger();
        EXPECT_EQ(panel->lines()->toPlainText(), QStringLiteral("Ann: <b>hello</b>"));
        EXPECT_TRUE(panel->peopleList()->item(bob)->text().endsWith(QStringLiteral("(ignored)")));
        f.service.broadcast(lobbywire::chat(QStringLiteral("<i>Bob</i>"), QStringLiteral("hey")));
        f.service.broadcast(lobbywire::chat(QStringLiteral("Ann"), QStringLiteral("again")));
        ASSERT_TRUE(spinUntil([&] { return window.chat().shownLines().size() == 2; }));
        EXPECT_EQ(panel->lines()->toPlainText(), QStringLiteral("Ann: <b>hello</b>\nAnn: again"));
        EXPECT_EQ(panel->menuFor(bob)->actions().first()->text(),
                  QStringLiteral("Stop Ignoring <i>Bob</i>"));
    }
    // Kept in the settings for the next lobby.
    EXPECT_EQ(IniFile(f.settings())
                  .readString(QStringLiteral("Kestrun Lobby"), QStringLiteral("Ignored"), {}),
              QStringLiteral("<i>Bob</i>"));
    LobbyWindow again(f.setup());
    EXPECT_TRUE(again.chat().isIgnored(QStringLiteral("<i>Bob</i>")));
    EXPECT_EQ(again.prefs().name, QStringLiteral("Ann"));
}

TEST(LobbyWindow, SaysSoonWhenTheServiceCantBeReached) {
    Fixture f;
    LobbySetup setup = f.setup();
    setup.service = lobbywire::HostPort{QStringLiteral("127.0.0.1"), lobbytest::freeTcpPort()};
    LobbyWindow window(setup);
    window.show();
    const auto statusLabel = window.findChild<QLabel*>(QStringLiteral("serviceStatus"));
    ASSERT_NE(statusLabel, nullptr);
    EXPECT_TRUE(spinUntil([&] { return statusLabel->text().contains("can't be reached"); }))
        << statusLabel->text().toStdString();
    EXPECT_TRUE(statusLabel->text().contains(QStringLiteral("Tables on this network")));
}
