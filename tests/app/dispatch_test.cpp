// SPDX-License-Identifier: GPL-3.0-or-later
#include "protocol.h"
#include "settingscontroller.h"
#include "tchatfixture.h"
#include "tsock.h"
#include "version.h"
#include "wine.h"

#include <QAbstractButton>
#include <QAction>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QSignalSpy>
#include <QTcpSocket>

#include <memory>
#include <vector>

#include "sysock.h"

namespace {

constexpr quint16 kPort = 19050;

class DispatchTest : public TchatFixture {
protected:
    void SetUp() override { startJoined(kPort); }
    QLabel* seat(int n) const { return chat->board()->playerNameLabel(n); }
    QStringList spyEntries() const {
        auto* list = spies->findChild<QListWidget*>("listbox_spys");
        QStringList entries;
        for (int i = 0; i < list->count(); ++i)
            entries << list->item(i)->text();
        return entries;
    }
};

} // namespace

TEST_F(DispatchTest, LoginEndsInTwoTerminators) {
    deliver(msg("CMD_sendlogininfo+3"));
    EXPECT_FALSE(chat->model().loggedin());
    tick();
    EXPECT_TRUE(chat->model().loggedin());
    EXPECT_EQ(chat->model().mynumber(), 3);
    ASSERT_TRUE(peer.expect("\xFF\xFF"));
    EXPECT_EQ(peer.take(), "CMD_logininfo+3+" + QByteArray(wire::kVersion) + "+Tester\xFF\xFF");
}

// Seat 1 of a dedicated server is a player who joined: they hold the table and
// start its games; any other seat does not.
TEST_F(DispatchTest, SeatOneOfAServerStartsItsGames) {
    QAction* start = chat->findChild<QAction*>(QStringLiteral("StartGame1"));
    ASSERT_FALSE(start->isEnabled());
    login(3);
    EXPECT_FALSE(start->isEnabled());
    EXPECT_TRUE(chat->board()->button_start()->isHidden());

    login(1);
    EXPECT_TRUE(start->isEnabled());
    EXPECT_TRUE(chat->model().hosting());
    EXPECT_FALSE(chat->board()->button_start()->isHidden());
}

TEST_F(DispatchTest, TwoMessagesInOneReadAreHandledOnTwoTicks) {
    login(3);
    deliver(msg("CMD_chat+A chats: one|clRed") + msg("CMD_chat+B chats: two|clRed"));
    EXPECT_EQ(chat->queuedMessages(), 2);
    tick();
    EXPECT_EQ(lastLine(), "A chats: one");
    EXPECT_EQ(chat->queuedMessages(), 1);
    tick();
    EXPECT_EQ(lastLine(), "B chats: two");
    EXPECT_EQ(chat->queuedMessages(), 0);
}

TEST_F(DispatchTest, AMessageSplitAcrossReadsIsHandledOnce) {
    login(3);
    deliver(msg("CMD_chat+X chats: first|clRed") + "CMD_chat+A chats: sp");
    deliver(msg("lit|clRed"));
    tick(3);
    EXPECT_EQ(pane()->toPlainText(),
              "Loading Multi-player Game.. Please Wait.\nX chats: first\nA chats: split\n");
}

TEST_F(DispatchTest, UnknownEmptyAndPluslessMessagesAreDropped) {
    login(3);
    deliver(msg("CMD_bogus+1+2") + msg("nonsense") + msg("") + msg("cmd_chat+x|clRed") +
            msg("CMD_chat+B chats: kept|clRed"));
    tick(5);
    EXPECT_EQ(pane()->toPlainText(), "Loading Multi-player Game.. Please Wait.\nB chats: kept\n");
}

TEST_F(DispatchTest, ExistingPlayersAreNamedAndAnnounced) {
    login(3);
    deliver(msg("CMD_existingplayers+1+Host") + msg("CMD_existingplayers+2+Grob"));
    tick(2);
    EXPECT_EQ(seat(1)->text(), "Host");
    EXPECT_EQ(seat(2)->text(), "Grob");
    EXPECT_TRUE(pane()->toPlainText().endsWith("Host is Connected.\nGrob is Connected.\n"));
    EXPECT_EQ(sounds, (QStringList{"entered", "entered"}));
    EXPECT_EQ(lastChatLine(pane())[0].colour, QColor(0, 0, 255));
}

TEST_F(DispatchTest, SpiesAppearInTheSpyListAndLeaveIt) {
    login(7);
    deliver(msg("CMD_newplayerinfo+7+Tester") + msg("CMD_newplayerinfo+8+Eve+Bob"));
    tick(2);
    EXPECT_EQ(lastLine(), "Eve+Bob is spying.");
    EXPECT_EQ(spyEntries(), (QStringList{"7: Tester", "8: Eve+Bob"}));

    deliver(msg("CMD_playerdisconnected+8+Eve+Bob"));
    tick();
    EXPECT_EQ(lastLine(), "Eve+Bob has left.");
    EXPECT_EQ(spyEntries(), QStringList{"7: Tester"});
}

// The server takes the number a login gives: a second login on a spy's slot
// names that spy again, and the list keeps one entry per slot.
TEST_F(DispatchTest, ASecondLoginOnASpySlotKeepsOneEntry) {
    login(3);
    deliver(msg("CMD_newplayerinfo+8+Eve") + msg("CMD_newplayerinfo+8+Eve") +
            msg("CMD_newplayerinfo+8+Mallory"));
    tick(3);
    EXPECT_EQ(spyEntries(), QStringList{"8: Mallory"});
    EXPECT_EQ(pane()->toPlainText().count("Eve is spying."), 1);
    EXPECT_EQ(lastLine(), "Mallory is spying.");
    deliver(msg("CMD_playerdisconnected+8+Mallory"));
    tick();
    EXPECT_TRUE(spyEntries().isEmpty());
}

// The host right-clicks a spy; another spy leaves before the menu's item is
// chosen: the spy pointed at is removed, or nobody when he is the one gone.
TEST_F(DispatchTest, RemoveFromGameActsOnTheSpyPointedAtWhenTheListChanges) {
    login(1);
    chat->model().setHosting(true);
    spies->setKickEnabled(true);
    auto* list = spies->findChild<QListWidget*>("listbox_spys");
    deliver(msg("CMD_newplayerinfo+7+Vic") + msg("CMD_newplayerinfo+8+Eve") +
            msg("CMD_newplayerinfo+9+Zed"));
    tick(3);
    spies->listbox_spysMouseMove(list->visualItemRect(list->item(1)).center()); // Eve
    deliver(msg("CMD_playerdisconnected+7+Vic"));
    tick();
    spies->popup_kickhimClick();
    ASSERT_TRUE(peer.expect("CMD_kickhim+"));
    EXPECT_EQ(peer.take(), QByteArray("CMD_kickhim+1+8+\xFF"));

    spies->listbox_spysMouseMove(list->visualItemRect(list->item(0)).center()); // Eve
    deliver(msg("CMD_playerdisconnected+8+Eve"));
    tick();
    ASSERT_EQ(spyEntries(), QStringList{"9: Zed"});
    spies->popup_kickhimClick();
    spies->kicking(5); // goes out after anything the item sent
    ASSERT_TRUE(peer.expect("CMD_kickhim+1+5+\xFF"));
    EXPECT_EQ(peer.take(), QByteArray("CMD_kickhim+1+5+\xFF"))
        << "nobody is removed in the place of the spy gone";
}

TEST_F(DispatchTest, DeparturesReachTheBoard) {
    login(1);
    deliver(msg("CMD_existingplayers+2+Bob") + msg("CMD_newplayerinfo+5+Carl"));
    tick(2);
    deliver(msg("CMD_playerdisconnected+2+Bob") + msg("CMD_playerdisconnected+5+Carl"));
    tick(2);
    EXPECT_EQ(seat(2)->text(), "Grob");
    EXPECT_EQ(seat(5)->text(), "<Waiting>");
    EXPECT_TRUE(pane()->toPlainText().endsWith("Bob disconnected.\nCarl disconnected.\n"));
}

TEST_F(DispatchTest, BoardSoundsFollowPlaySounds) {
    login(3);
    chat->settings()->setPlaySounds(false);
    deliver(msg("CMD_newplayerinfo+4+Dan"));
    tick();
    EXPECT_EQ(seat(4)->text(), "Dan");
    EXPECT_TRUE(sounds.isEmpty());
}

TEST_F(DispatchTest, VersionNoticesUseTheirExactTexts) {
    login(2);
    deliver(msg("CMD_havewrongversion+Bob") + msg("CMD_wrongversion+"));
    tick();
    EXPECT_EQ(lastLine(), "Bob has a different version of the game then you.");
    tick();
    EXPECT_EQ(lastLine(), "You have a differnt version of the game then the host.");
}

TEST_F(DispatchTest, ANumberThatDoesNotConvertStopsOnlyThatMessage) {
    login(3);
    deliver(msg("CMD_newplayerinfo+abc+Bob") + msg("CMD_newplayerinfo+4+Dan"));
    tick();
    EXPECT_EQ(errors, QStringList{"'abc' is not a valid integer value"});
    EXPECT_EQ(chat->queuedMessages(), 1);
    tick();
    EXPECT_EQ(seat(4)->text(), "Dan");
}

// The host's last words cannot be read, then it closes: the window still
// leaves the game.
TEST_F(DispatchTest, AnUnreadableLastMessageStillLetsTheWindowLeave) {
    login(3);
    QSignalSpy closed(chat.get(), &Tchat::closed);
    deliver(msg("CMD_newplayerinfo+abc+Bob"));
    peer.conn->disconnectFromHost();
    ASSERT_TRUE(spinUntil([&] { return !chat->gameSocket()->hasSocket(); }));
    EXPECT_EQ(closed.count(), 0) << "the queued message is read first";
    EXPECT_NO_THROW(tick());
    EXPECT_EQ(errors.size(), 1);
    EXPECT_EQ(boxes, QStringList{"The connection to the game was closed."});
    EXPECT_EQ(closed.count(), 1);
}

// The server sends "Game is full" and closes the connection at once; the
// dispatcher runs as in the program, so the close arrives before the message is
// handled.
TEST_F(DispatchTest, GameIsFullShowsTheBoxThenCloses) {
    QSignalSpy closed(chat.get(), &Tchat::closed);
    int closedBeforeBox = -1;
    chat->messageBoxHook = [&](const QString& text) {
        boxes << text;
        closedBeforeBox = closed.count();
    };
    peer.send(msg("CMD_full+"));
    peer.conn->disconnectFromHost();
    chat->timer1()->start();
    ASSERT_TRUE(spinUntil([&] { return closed.count() > 0; }));
    EXPECT_EQ(boxes, QStringList{"Game is full"});
    EXPECT_EQ(closedBeforeBox, 0) << "the box comes before the window closes";
    EXPECT_EQ(closed.count(), 1);
}

TEST_F(DispatchTest, TheConnectionClosingSaysSoThenClosesTheWindow) {
    login(3);
    QSignalSpy closed(chat.get(), &Tchat::closed);
    int closedBeforeBox = -1;
    chat->messageBoxHook = [&](const QString& text) {
        boxes << text;
        closedBeforeBox = closed.count();
    };
    // What the server said last is still shown before the window goes.
    peer.send(msg("CMD_chat+Host chats: bye|clRed"));
    peer.conn->disconnectFromHost();
    chat->timer1()->start();
    ASSERT_TRUE(spinUntil([&] { return closed.count() > 0; }));
    EXPECT_EQ(lastLine(), "Host chats: bye");
    EXPECT_EQ(boxes, QStringList{"The connection to the game was closed."});
    EXPECT_EQ(closedBeforeBox, 0);
}

// A copy that ends before the player's own arrival has read nothing: the
// stored choices stay as they were, and a moved window stores its bounds only.
TEST_F(DispatchTest, ClosingBeforeTheOwnArrivalKeepsTheStoredSettings) {
    const QString path = dir.filePath("kestrunlobby.ini");
    const QByteArray stored =
        "[Other]\r\nKey=1\r\n[Vorlix]\r\nTop=40\r\nLeft=30\r\n"
        "Width=900\r\nHeight=600\r\nTextsize=14\r\nTextcolor=clRed\r\n"
        "Playtoscore=8\r\nTimeperturn=90\r\nGametype=3\r\nPlaysounds=false\r\n";
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(stored);
    }
    login(3);
    QSignalSpy closed(chat.get(), &Tchat::closed);
    peer.conn->disconnectFromHost();
    chat->timer1()->start();
    ASSERT_TRUE(spinUntil([&] { return closed.count() > 0; }));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), stored);
}

TEST_F(DispatchTest, RemoveFromGameOnlyForTheHostOverAnOccupiedLabel) {
    login(3);
    deliver(msg("CMD_newplayerinfo+4+Dan"));
    tick();
    QAction* remove = chat->findChild<QAction*>("RemoveFromGame1");
    auto* menu = chat->findChild<QMenu*>("popup_kick");
    // The right button over a label: the player menu opens, its item set for
    // the seat shown there.
    auto pointAt = [&](QLabel* label) {
        emit label->customContextMenuRequested(QPoint(1, 1));
        menu->hide();
    };
    pointAt(chat->board()->playerNameLabel(4));
    EXPECT_FALSE(remove->isEnabled()); // not holding the table

    login(1); // seat 1 holds it
    pointAt(chat->board()->playerNameLabel(5));
    EXPECT_FALSE(remove->isEnabled()); // shows <Waiting>
    // A last-word label never shows "<Waiting>".
    pointAt(chat->board()->lastWordLabel(5));
    EXPECT_TRUE(remove->isEnabled());
    pointAt(chat->board()->playerNameLabel(4));
    EXPECT_TRUE(remove->isEnabled());
    remove->trigger();
    ASSERT_TRUE(peer.expect(msg("CMD_kickhim+1+4+")));
    EXPECT_EQ(peer.take(), msg("CMD_kickhim+1+4+"));

    spies->kicking(8);
    ASSERT_TRUE(peer.expect(msg("CMD_kickhim+1+8+")));
}

TEST(DispatchRefused, ARefusedConnectionSaysWhy) {
    SKIP_UNDER_WINE(
        "a connect that failed before the program watched for it is never reported (FD_CONNECT)");
    QTemporaryDir dir;
    Tchat chat(dir.filePath("kestrunlobby.ini"),
               {QStringLiteral("Tester"), QStringLiteral("127.0.0.1"), QStringLiteral("false")});
    chat.timer1()->stop();
    chat.setLobbyPort(QStringLiteral("19499"));
    chat.setPort(QStringLiteral("19098")); // nothing listens here
    QSignalSpy closed(&chat, &Tchat::closed);
    chat.processparams();
    QTextEdit* pane = chat.board()->mainchat();
    ASSERT_TRUE(spinUntil([&] { return pane->toPlainText().contains("Could not reach"); }));
    EXPECT_EQ(lastChatText(pane),
              "Could not reach the host 127.0.0.1: Error #10061 (WSAECONNREFUSED)");
    EXPECT_EQ(lastChatLine(pane)[0].colour, QColor(0, 0, 255));
    EXPECT_EQ(closed.count(), 0);
}

// A host whose network drops the connect, made here on loopback: a listener
// whose queue of connections not yet accepted is full, so the system drops
// every further attempt unanswered, as a firewall that drops packets does.
TEST(DispatchSilentHost, AConnectThatGetsNoAnswerGivesUpWithTheSameLine) {
    const sysock::Handle silent = sysock::open(true);
    ASSERT_NE(silent, sysock::kNone);
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_TRUE(sysock::bind(silent, local));
    ASSERT_TRUE(sysock::listen(silent, 0));
    const quint16 port = sysock::localPort(silent);
    // Connections that are never accepted, until one of them goes unanswered.
    std::vector<std::unique_ptr<QTcpSocket>> waiting;
    for (int i = 0; i < 8; ++i) {
        waiting.push_back(std::make_unique<QTcpSocket>());
        waiting.back()->connectToHost(QHostAddress::LocalHost, port);
        if (!waiting.back()->waitForConnected(300))
            break;
    }
    ASSERT_NE(waiting.back()->state(), QAbstractSocket::ConnectedState);

    QTemporaryDir dir;
    Tchat chat(dir.filePath("kestrunlobby.ini"),
               {QStringLiteral("Tester"), QStringLiteral("127.0.0.1"), QStringLiteral("false")});
    chat.timer1()->stop();
    chat.setLobbyPort(QStringLiteral("19499"));
    chat.setPort(QString::number(port));
    EXPECT_EQ(chat.gameSocket()->ConnectTimeout(), 15000);
    chat.gameSocket()->setConnectTimeout(200); // the 15 seconds, shortened
    chat.processparams();
    QTextEdit* pane = chat.board()->mainchat();
    ASSERT_TRUE(spinUntil([&] { return pane->toPlainText().contains("Could not reach"); }));
    EXPECT_EQ(lastChatText(pane),
              "Could not reach the host 127.0.0.1: Error #10060 (WSAETIMEDOUT)");
    EXPECT_FALSE(chat.gameSocket()->connected());
    sysock::close(silent);
}

TEST_F(DispatchTest, AResetAfterLoginIsReportedAndTheWindowStays) {
    SKIP_UNDER_WINE("a reset connection reads as an orderly close");
    login(3);
    QSignalSpy closed(chat.get(), &Tchat::closed);
    // Zero linger makes the close a reset instead of an orderly end.
    const linger hard{1, 0};
    ASSERT_EQ(::setsockopt(sysock::Handle(peer.conn->socketDescriptor()), SOL_SOCKET, SO_LINGER,
                           reinterpret_cast<const char*>(&hard), sizeof hard),
              0);
    peer.conn->abort();
    ASSERT_TRUE(spinUntil([&] { return pane()->toPlainText().contains("was lost"); }));
    EXPECT_EQ(lastLine(), "The connection to the host was lost: Error #10054 (WSAECONNRESET)");
    EXPECT_EQ(closed.count(), 0);
}
