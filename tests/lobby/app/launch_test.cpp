// SPDX-License-Identifier: GPL-3.0-or-later
// Hosting and joining from the window start the game (a fake one that
// records its arguments) with the right options, byte for byte; what the game
// does afterwards (holds its link, ends at once, fails) shows in the window.

#include "fakeservice.h"
#include "gamelauncher.h"
#include "gamepaths.h"
#include "gamestarter.h"
#include "hostdialog.h"
#include "inifile.h"
#include "linkserver.h"
#include "lobbytestsupport.h"
#include "version.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

using gameargs::HostChoice;
using lobbytest::spinUntil;

namespace {

const QString kOurVersion = QLatin1String(wire::kVersion);
// A later game than ours, whatever ours is.
const QString kLaterVersion = kOurVersion + QStringLiteral(".1");

class Launching : public ::testing::Test {
protected:
    void SetUp() override {
        service.tables = {
            {QStringLiteral("+AAAA-BBBB"), QStringLiteral("Old game"), QStringLiteral("0.9.1"), {}},
            {QStringLiteral("+CCCC-DDDD"), QStringLiteral("Same game"), kOurVersion, {}}};
        service.codes[QStringLiteral("+EEEE-FFFF")] = {QStringLiteral("+EEEE-FFFF"),
                                                       QStringLiteral("192.0.2.7"),
                                                       7772,
                                                       kLaterVersion,
                                                       QStringLiteral("Far"),
                                                       QStringLiteral("Eve"),
                                                       lobbywire::Way::Direct,
                                                       {},
                                                       0};
        service.codes[QStringLiteral("+GGGG-HHHH")] = {QStringLiteral("+GGGG-HHHH"),
                                                       QStringLiteral("192.0.2.8"),
                                                       7772,
                                                       kOurVersion,
                                                       QStringLiteral("Near"),
                                                       QStringLiteral("Gus"),
                                                       lobbywire::Way::Direct,
                                                       {},
                                                       0};
        window = std::make_unique<LobbyWindow>(
            lobbytest::setupFor(dir.filePath(QStringLiteral("kestrunlobby.ini")), game.path(),
                                service.address(), lobbytest::freeUdpPort()));
        window->setPlayerName(QStringLiteral("-Ann"));
        ASSERT_TRUE(spinUntil([&] { return window->tables().rowCount() == 2; }));
        link = QString::number(window->link().port());
        lobby = lobbywire::hostPortText(service.address());
    }

    // Waits for the notice that follows what was started (or refused).
    QString noticeAfter(const std::function<void()>& act) {
        window->starter().resolveTimeoutMs = 10000;
        act();
        spinUntil([&] { return !window->notice().isEmpty(); });
        return window->notice();
    }

    QTemporaryDir dir;
    FakeService service;
    lobbytest::FakeGame game;
    std::unique_ptr<LobbyWindow> window;
    QString link;
    QString lobby;
};

} // namespace

TEST_F(Launching, HostedGameHoldsItsLinkAndTheWindowComesBackWhenItEnds) {
    SKIP_WITHOUT_FAKE_GAME();
    game.setMode("link");
    window->show();
    QSignalSpy forward(window.get(), &LobbyWindow::broughtForward);
    window->hostTable({HostChoice::Where::Public, QStringLiteral("Friday  night ")});
    ASSERT_TRUE(spinUntil([&] { return window->inGame(); }));
    EXPECT_EQ(game.args(), QStringList({"--public", "Friday night", "--lobby", lobby, "--link-port",
                                        link, "--", "-Ann", "127.0.0.1", "true"}));
    EXPECT_EQ(window->gameStatusLabel()->text(), QStringLiteral("In a game"));
    window->showMinimized();
    ASSERT_TRUE(spinUntil([&] { return window->isMinimized(); }));
    game.release();
    ASSERT_TRUE(spinUntil([&] { return !window->inGame(); }));
    EXPECT_EQ(forward.count(), 1);
    EXPECT_FALSE(window->isMinimized());
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(window->gameStatusLabel()->text().isEmpty());
    // A game that ran and ended well leaves nothing to say.
    spinUntil([&] { return !window->notice().isEmpty(); }, 300);
    EXPECT_TRUE(window->notice().isEmpty()) << window->notice().toStdString();
}

TEST_F(Launching, GameThatEndsAtOnceWithoutALinkMeansOneIsAlreadyOpen) {
    SKIP_WITHOUT_FAKE_GAME();
    EXPECT_EQ(noticeAfter([&] { window->hostTable({}); }),
              QStringLiteral("A game of Vorlix is already open."));
    EXPECT_EQ(game.args(), QStringList({"--lobby", lobby, "--link-port", link, "--", "-Ann",
                                        "127.0.0.1", "true"}));
}

TEST_F(Launching, TheHostDialogsChoiceStartsTheGameAndIsRemembered) {
    SKIP_WITHOUT_FAKE_GAME();
    window->openHostDialog();
    auto* dialog = window->findChild<HostDialog*>();
    ASSERT_NE(dialog, nullptr);
    dialog->whereButton(HostChoice::Where::Invite)->click();
    dialog->tableNameEdit()->clear();
    QTest::keyClicks(dialog->tableNameEdit(), QStringLiteral("Club"));
    EXPECT_EQ(noticeAfter([&] {
                  dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
              }),
              QStringLiteral("A game of Vorlix is already open."));
    EXPECT_EQ(game.args(), QStringList({"--invite", "Club", "--lobby", lobby, "--link-port", link,
                                        "--", "-Ann", "127.0.0.1", "true"}));
    const LobbyPrefs saved =
        lobbyprefs::load(IniFile(dir.filePath(QStringLiteral("kestrunlobby.ini"))));
    EXPECT_EQ(saved.host, (HostChoice{HostChoice::Where::Invite, QStringLiteral("Club")}));
}

TEST_F(Launching, FailedStartIsToldInTheGamesOwnWords) {
    SKIP_WITHOUT_FAKE_GAME();
    game.setMode("fail");
    EXPECT_EQ(noticeAfter([&] {
                  window->joinTarget({{}, {QStringLiteral("10.9.8.7"), 7772}});
              }),
              QStringLiteral("Vorlix could not start (status 3): some noise vorlix: cannot "
                             "listen on port 7772"));
    EXPECT_EQ(game.args(),
              QStringList({"--link-port", link, "--", "-Ann", "10.9.8.7:7772", "false"}));
}

TEST_F(Launching, ListedTablesJoinByCodeAndOtherVersionsAreRefused) {
    SKIP_WITHOUT_FAKE_GAME();
    const int same = window->tables().find(TableRow::Where::Internet, QStringLiteral("+CCCC-DDDD"));
    const int old = window->tables().find(TableRow::Where::Internet, QStringLiteral("+AAAA-BBBB"));
    EXPECT_EQ(noticeAfter([&] { window->joinRow(old); }),
              QStringLiteral("This table plays Vorlix 0.9.1; you have %1.").arg(kOurVersion));
    EXPECT_TRUE(game.args().isEmpty());
    // Enter on the selected table joins it, as a double click does.
    window->tableView()->setCurrentIndex(window->tables().index(same, 0));
    EXPECT_EQ(noticeAfter([&] { QTest::keyClick(window->tableView(), Qt::Key_Return); }),
              QStringLiteral("A game of Vorlix is already open."));
    EXPECT_EQ(game.args(), QStringList({"--lobby", lobby, "--link-port", link, "--", "-Ann",
                                        "+CCCC-DDDD", "false"}));
}

TEST_F(Launching, InviteCodesAreResolvedFirstToLearnTheVersion) {
    SKIP_WITHOUT_FAKE_GAME();
    EXPECT_EQ(
        noticeAfter([&] {
            window->joinTarget({QStringLiteral("+EEEE-FFFF"), {}});
        }),
        QStringLiteral("This table plays Vorlix %1; you have %2.").arg(kLaterVersion, kOurVersion));
    EXPECT_EQ(noticeAfter([&] {
                  window->joinTarget({QStringLiteral("+JJJJ-KKKK"), {}});
              }),
              QStringLiteral("No table has the invite code +JJJJ-KKKK."));
    EXPECT_TRUE(game.args().isEmpty());
    EXPECT_EQ(noticeAfter([&] {
                  window->joinTarget({QStringLiteral("+GGGG-HHHH"), {}});
              }),
              QStringLiteral("A game of Vorlix is already open."));
    EXPECT_EQ(game.args(), QStringList({"--lobby", lobby, "--link-port", link, "--", "-Ann",
                                        "+GGGG-HHHH", "false"}));
}

TEST_F(Launching, NothingStartsWithoutANameOrATableName) {
    window->setPlayerName(QStringLiteral(" \t "));
    EXPECT_EQ(noticeAfter([&] { window->hostTable({}); }),
              QStringLiteral("Enter your name first: hosting and joining need one."));
    window->setPlayerName(QStringLiteral("Ann"));
    EXPECT_EQ(noticeAfter([&] {
                  window->hostTable({HostChoice::Where::Invite, {}});
              }),
              QStringLiteral("Give the table a name: the lobby shows it to players."));
    EXPECT_EQ(noticeAfter([&] { window->joinRow(99); }),
              QStringLiteral("Choose a table in the list first."));
    EXPECT_TRUE(game.args().isEmpty());
}

// Installed, both programs stand in /usr/games, which root's PATH (and some
// sessions') lacks: the lobby finds the game beside itself, PATH or not, and
// says it found none rather than pick a folder that only looks like a program.
TEST(FindingTheGame, BesideTheLobbyEvenWhenItsFolderIsNotOnThePath) {
    QTemporaryDir root;
    ASSERT_TRUE(root.isValid());
    const QString games = root.filePath(QStringLiteral("usr/games"));
    const QString empty = root.filePath(QStringLiteral("usr/bin"));
    ASSERT_TRUE(QDir().mkpath(games));
    ASSERT_TRUE(QDir().mkpath(empty));
    const QByteArray path = qgetenv("PATH");
    const auto restore = qScopeGuard([&path] { qputenv("PATH", path); });
    qputenv("PATH", empty.toLocal8Bit());
    // Not there yet, and nowhere on this PATH.
    EXPECT_TRUE(GameLauncher::findGame(games).isEmpty());
    // A folder by the game's name is no program.
    const QString program = gamepaths::gameProgramFile();
    ASSERT_TRUE(QDir().mkpath(QDir(games).filePath(program)));
    EXPECT_TRUE(GameLauncher::findGame(games).isEmpty());
    ASSERT_TRUE(QDir(games).rmdir(program));
    QFile game(QDir(games).filePath(program));
    ASSERT_TRUE(game.open(QIODevice::WriteOnly));
    game.write("#!/bin/sh\n");
    game.close();
#ifndef Q_OS_WIN
    // A file that may not be run is not the game either (Windows runs a
    // program by its name, Vorlix.exe, and has no such mark).
    EXPECT_TRUE(GameLauncher::findGame(games).isEmpty());
    ASSERT_TRUE(game.setPermissions(game.permissions() | QFile::ExeOwner));
#endif
    EXPECT_EQ(GameLauncher::findGame(games), game.fileName());
}
