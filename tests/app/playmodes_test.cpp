#include "apptestsupport.h"
#include "boardpanel.h"
#include "gameconnection.h"
#include "soundplayer.h"
#include "tchat.h"
#include "tdownload.h"
#include "tserver.h"
#include "tsock.h"
#include "tspylist.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QScreen>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

// Each case its own ports, so a connection lingering from the last case never
// meets the next one.
constexpr quint16 kSoloPort = 19100;
constexpr quint16 kHostPort = 19110;
constexpr quint16 kLobbyPort = 19111;
constexpr quint16 kJoinPort = 19120;
constexpr quint16 kTakenPort = 19130;
constexpr quint16 kShowPort = 19140;
constexpr quint16 kOwnPort = 19150;
constexpr quint16 kUnusedLobbyPort = 19499;

class PlayModesTest : public ::testing::Test {
protected:
    void make(const QStringList& parameters, quint16 port, bool withServer) {
        chat = std::make_unique<Tchat>(dir.filePath("kestrunlobby.ini"), parameters);
        chat->setPort(QString::number(port));
        chat->setLobbyPort(QString::number(kUnusedLobbyPort));
        chat->messageBoxHook = [this](const QString& text) { boxes << text; };
        chat->sounds()->recorder = [](const QString&) {};
        ProgramWindows windows;
        windows.spylist = new Tspylist(chat.get());
        windows.download = new Tdownload(chat.get());
        if (withServer)
            windows.server = new TServer(dir.path(), chat.get());
        chat->attachWindows(windows);
        spylist = windows.spylist;
        download = windows.download;
        server = windows.server;
    }
    QLabel* seat(int n) const { return chat->board()->playerNameLabel(n); }
    QString chatText() const { return chat->board()->mainchat()->toPlainText(); }

    QTemporaryDir dir;
    std::unique_ptr<Tchat> chat;
    Tspylist* spylist = nullptr;
    Tdownload* download = nullptr;
    TServer* server = nullptr;
    QStringList boxes;
};

} // namespace

TEST_F(PlayModesTest, NoParametersPlaysSoloAgainstTheOwnServer) {
    make({}, kSoloPort, true);
    chat->move(40, 30);
    chat->processparams();
    // The download window stands in the middle of the desktop, not of the
    // main window.
    const QPoint deskCentre = chat->screen()->availableGeometry().center();
    EXPECT_LE((download->frameGeometry().center() - deskCentre).manhattanLength(), 1);
    EXPECT_TRUE(chatText().startsWith("Loading Solo Game..Please wait.\n"));
    EXPECT_EQ(chat->state().playername, "You");
    EXPECT_EQ(chat->state().hostip, "127.0.0.1");
    EXPECT_TRUE(chat->model().hosting());
    EXPECT_TRUE(server->Sock1->Listen());
    EXPECT_EQ(server->Sock1->PortName(), QString::number(kSoloPort));
    EXPECT_EQ(chat->gameSocket()->HostName(), "127.0.0.1");
    EXPECT_TRUE(download->isVisible());
    EXPECT_TRUE(chat->menuAction("StartGame1")->isEnabled());
    EXPECT_TRUE(spylist->kickEnabled());
    EXPECT_FALSE(chat->lobbySocket()->hasSocket());
    ASSERT_TRUE(spinUntil([&] { return chatText().contains("You are Connected."); }, 15000));
    EXPECT_TRUE(chat->model().loggedin());
    EXPECT_EQ(chat->model().mynumber(), 1);
    ASSERT_TRUE(spinUntil([&] { return seat(1)->text() == "You"; }));
}

TEST_F(PlayModesTest, HostParametersHostOnLoopbackAndOpenTheLobbyLink) {
    RawPeer lobby;
    ASSERT_TRUE(lobby.listen(kLobbyPort));
    make({"Tester", "10.0.0.5", "true"}, kHostPort, true);
    chat->setLobbyPort(QString::number(kLobbyPort));
    chat->processparams();
    EXPECT_TRUE(chatText().startsWith("Loading Multi-player Game.. Please Wait.\n"));
    EXPECT_EQ(chat->state().hostip, "10.0.0.5");
    EXPECT_EQ(chat->gameSocket()->HostName(), "127.0.0.1");
    EXPECT_TRUE(chat->model().hosting());
    EXPECT_EQ(chat->state().loginstring, QByteArray("Tester\xFF"));
    EXPECT_FALSE(download->isVisible());
    ASSERT_TRUE(lobby.waitForClient());
    ASSERT_TRUE(spinUntil([&] { return seat(1)->text() == "Tester"; }, 15000));
    EXPECT_TRUE(lobby.received.isEmpty());
}

TEST_F(PlayModesTest, AnythingButTrueJoinsTheHost) {
    RawPeer host;
    ASSERT_TRUE(host.listen(kJoinPort));
    make({"Tester", "127.0.0.1", "True", "ignored"}, kJoinPort, false);
    chat->processparams();
    EXPECT_FALSE(chat->model().hosting());
    EXPECT_FALSE(chat->board()->button_start()->isVisibleTo(chat.get()));
    EXPECT_FALSE(chat->menuAction("StartGame1")->isEnabled());
    EXPECT_FALSE(spylist->kickEnabled());
    ASSERT_TRUE(host.waitForClient());
    host.send(msg("CMD_sendlogininfo+2"));
    ASSERT_TRUE(spinUntil([&] { return chat->model().loggedin(); }));
    ASSERT_TRUE(host.expect("\xFF\xFF"));
    EXPECT_EQ(host.take(), QByteArray("CMD_logininfo+2+1.0.4+Tester\xFF\xFF"));
}

TEST_F(PlayModesTest, TheTerminatorByteIsLeftOutOfTheLoginName) {
    make({QStringLiteral("Te\u00FFster"), "127.0.0.1", "false"}, kJoinPort + 1, false);
    RawPeer host;
    ASSERT_TRUE(host.listen(kJoinPort + 1));
    chat->processparams();
    EXPECT_EQ(chat->state().loginstring, QByteArray("Tester\xFF"));
}

TEST_F(PlayModesTest, OneOrTwoParametersOnlyWriteTheLoadingLine) {
    for (const QStringList& params : {QStringList{"Tester"}, QStringList{"Tester", "127.0.0.1"}}) {
        make(params, kJoinPort + 2, false);
        chat->processparams();
        EXPECT_EQ(chatText(), "Loading Multi-player Game.. Please Wait.\n");
        EXPECT_FALSE(chat->gameSocket()->hasSocket());
        EXPECT_FALSE(chat->lobbySocket()->hasSocket());
        EXPECT_FALSE(chat->model().hosting());
        EXPECT_TRUE(chat->state().playername.isEmpty());
    }
}

TEST_F(PlayModesTest, ATakenPortStopsStartUp) {
    RawPeer other;
    ASSERT_TRUE(other.listen(kTakenPort));
    make({}, kTakenPort, true);
    try {
        chat->processparams();
        FAIL() << "no error raised";
    } catch (const ESockException& e) {
        EXPECT_STREQ(e.what(), "Listen - Error Binding Socket");
    }
}

TEST_F(PlayModesTest, AnUnknownHostStopsStartUpWhenTheWindowIsShown) {
    TSock::setHostResolver([](const QString&) { return std::optional<std::uint32_t>(); });
    make({"Tester", "no.such.host", "false"}, kShowPort, false);
    chat->show();
    TSock::setHostResolver(nullptr);
    TSock::clearHostCache();
    EXPECT_EQ(chat->startupError(), "Host Lookup - Could Not Find Host Entry");
}

TEST_F(PlayModesTest, TheServerReadsTheHostsPreferences) {
    make({}, kShowPort + 1, true);
    EXPECT_EQ(server->timeBetweenRounds(), 12);
    EXPECT_EQ(server->botSpeed(), 1200);
    chat->menuAction("Long1")->trigger();
    chat->menuAction("Fast1")->trigger();
    EXPECT_EQ(server->timeBetweenRounds(), 17);
    EXPECT_EQ(server->botSpeed(), 750);
    server->showMessage("English.dic dictionary not found!");
    EXPECT_EQ(boxes, QStringList{"English.dic dictionary not found!"});
}

TEST_F(PlayModesTest, AJoiningCopyWithoutAPortUsesItsOwn) {
    RawPeer host;
    ASSERT_TRUE(host.listen(kOwnPort + 2));
    make({"Tester", "127.0.0.1", "false"}, kOwnPort + 2, false);
    chat->processparams();
    ASSERT_TRUE(host.waitForClient());
    EXPECT_EQ(chat->gameSocket()->PortName(), QString::number(kOwnPort + 2));
}

TEST_F(PlayModesTest, BothEndsOfTheHostsOwnConnectionAreGameConnections) {
    make({"Tester", "10.0.0.5", "true"}, kOwnPort + 3, true);
    chat->processparams();
    ASSERT_TRUE(spinUntil([&] { return seat(1)->text() == "Tester"; }, 15000));
    const QList<TSock*> accepted = server->Sock1->findChildren<TSock*>();
    ASSERT_EQ(accepted.size(), 1);
    for (int fd : {chat->gameSocket()->handle(), accepted.first()->handle()}) {
        const gameconnection::Options o = gameconnection::read(fd);
        EXPECT_TRUE(o.noDelay);
        EXPECT_TRUE(o.keepAlive);
        EXPECT_EQ(o.keepIdleSeconds, gameconnection::kKeepIdleSeconds);
        EXPECT_EQ(o.userTimeoutMs, gameconnection::kUserTimeoutMs);
    }
    // The lobby link is no game connection.
    EXPECT_FALSE(chat->lobbySocket()->isGameConnection());
}

TEST_F(PlayModesTest, OnlyAHostingCopyRunsTheServersTimers) {
    const QStringList timers = {"socktimer", "guardtimer", "roundtimer", "computertimer"};
    RawPeer host;
    ASSERT_TRUE(host.listen(kOwnPort + 4));
    make({"Tester", "127.0.0.1", "false"}, kOwnPort + 4, true);
    chat->processparams();
    ASSERT_TRUE(host.waitForClient());
    EXPECT_FALSE(server->serving());
    for (const QString& name : timers)
        EXPECT_FALSE(server->findChild<QTimer*>(name)->isActive()) << name.toStdString();

    make({}, kOwnPort + 5, true);
    for (const QString& name : timers)
        EXPECT_FALSE(server->findChild<QTimer*>(name)->isActive()) << name.toStdString();
    chat->processparams();
    EXPECT_TRUE(server->serving());
    EXPECT_TRUE(server->findChild<QTimer*>("guardtimer")->isActive());
    // The computer's timer runs from the start, as it always did for a host.
    EXPECT_TRUE(server->findChild<QTimer*>("computertimer")->isActive());
    server->Sock1->setListen(false);
    for (const QString& name : timers)
        EXPECT_FALSE(server->findChild<QTimer*>(name)->isActive()) << name.toStdString();
}
