// SPDX-License-Identifier: GPL-3.0-or-later
// A client fed malformed or oversized messages by the server it joined.

#include "messages.h"
#include "protocol.h"
#include "tchatfixture.h"
#include "tsock.h"
#include "vorlixapplication.h"

#include <QLabel>
#include <QLineEdit>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextEdit>

namespace {

constexpr quint16 kPort = 21500;

class HostileServerTest : public TchatFixture {
protected:
    void SetUp() override { startJoined(kPort); }
    QLabel* seat(int n) const { return chat->board()->playerNameLabel(n); }
    QTextEdit* wordList() const { return chat->board()->findChild<QTextEdit*>("memo_wordlist"); }
};

} // namespace

TEST_F(HostileServerTest, AnOverlongMessageIsDroppedAndTheNextOnesAreHandled) {
    login(3);
    // 100 KiB without an end byte, sent in pieces, then the end byte and two
    // ordinary messages.
    const QByteArray junk(25 * 1024, 'A');
    for (int i = 0; i < 4; ++i)
        peer.send(junk);
    peer.send(QByteArray("+B\xFF") + msg("CMD_newplayerinfo+4+Dan") +
              msg("CMD_newplayerinfo+5+Eve"));
    ASSERT_TRUE(spinUntil([&] { return chat->queuedMessages() >= 2; }));
    EXPECT_EQ(chat->queuedMessages(), 2);
    tick();
    EXPECT_EQ(seat(4)->text(), "Dan");
    tick();
    EXPECT_EQ(seat(5)->text(), "Eve");
    EXPECT_EQ(chat->queuedMessages(), 0);
}

// receiveBytes is the socket's path without the socket (the fuzz target's way
// in): pieces are joined, and a message past the pending limit is dropped up to
// its end byte, as for bytes that came over the wire.
TEST_F(HostileServerTest, BytesHandedToTheWindowAreCutAndCappedAsTheSocketsAre) {
    login(3);
    chat->receiveBytes("CMD_newplayerinfo+4+D");
    EXPECT_EQ(chat->queuedMessages(), 0);
    chat->receiveBytes(QByteArray("an\xFF") + QByteArray(Tchat::kMaxPendingMessageBytes + 1, 'x'));
    EXPECT_EQ(chat->queuedMessages(), 1);
    chat->receiveBytes(QByteArray("+still the long one\xFF") + msg("CMD_newplayerinfo+5+Eve"));
    EXPECT_EQ(chat->queuedMessages(), 2);
    tick(2);
    EXPECT_EQ(seat(4)->text(), "Dan");
    EXPECT_EQ(seat(5)->text(), "Eve");
    EXPECT_EQ(chat->queuedMessages(), 0);
}

TEST_F(HostileServerTest, ALongButBoundedMessageIsStillDelivered) {
    login(3);
    const QByteArray text(60 * 1024, 'x');
    deliver("CMD_chat+" + text + "|clBlack\xFF");
    tick();
    EXPECT_EQ(lastLine(), QString::fromLatin1(text));
}

TEST_F(HostileServerTest, GarbledEndOfRoundStopsOnlyThatMessage) {
    login(1);
    deliver(msg("CMD_endround+") + msg("CMD_endround+@+@") + msg("CMD_endround+1+x+0+0+0") +
            msg("CMD_endround+1+7+1+1+7+2+3+1+1+3+3+0+0+0+0+4+0+0+0+0+5+0+0+0+0+6+0+0+0+0"));
    tick(3);
    EXPECT_EQ(errors.size(), 3);
    tick();
    EXPECT_EQ(chat->board()->label_status()->text(), "Posting Scores.. Please Wait.");
    EXPECT_EQ(chat->board()->lastWordLabel(1)->text(), "LEADER!");
    EXPECT_EQ(chat->queuedMessages(), 0);
}

TEST_F(HostileServerTest, WordsForNumbersThatAreNoSeatTouchNoSeat) {
    login(1);
    deliver(msg("CMD_gotword+0+ZERO+4+") + msg("CMD_gotword+99+NINETY+6+") +
            msg("CMD_gotword+-5+MINUS+5+") + msg("CMD_notvalid+1+99+") + msg("CMD_winner+99+") +
            msg("CMD_playasound+99+wave1+"));
    tick(6);
    EXPECT_EQ(chat->queuedMessages(), 0);
    for (int n = 1; n <= 6; ++n)
        EXPECT_TRUE(chat->board()->lastWordLabel(n)->text().isEmpty()) << n;
    const QTextDocument* doc = wordList()->document();
    ASSERT_EQ(doc->blockCount(), 3);
    EXPECT_EQ(doc->findBlockByNumber(0).text(), "4 : ZERO : ");
    EXPECT_EQ(doc->findBlockByNumber(1).text(), "6 : NINETY : ");
    EXPECT_EQ(doc->findBlockByNumber(2).text(), "5 : MINUS : ");
    EXPECT_EQ(lastLine(), " has Won the Game!");
}

TEST_F(HostileServerTest, LineBreaksInAPeersTextCannotPoseAsTheProgramsOwnLine) {
    login(1);
    deliver(msg("CMD_chat+Eve chats: hi\r\nHost has Won the Game!|clBlack") +
            msg("CMD_action+Eve\nwaves\x07|clRed") + msg("CMD_newplayerinfo+4+Dan\r\nHost"));
    const int blocks = pane()->document()->blockCount();
    tick();
    EXPECT_EQ(lastLine(), "Eve chats: hi  Host has Won the Game!");
    EXPECT_EQ(lastChatLine(pane()).first().colour, QColor(Qt::black));
    tick();
    EXPECT_EQ(lastLine(), "Eve waves ");
    tick();
    EXPECT_EQ(lastLine(), "Dan  Host is Connected.");
    EXPECT_EQ(seat(4)->text(), "Dan  Host");
    // One line of the pane for each message, however many breaks they held.
    EXPECT_EQ(pane()->document()->blockCount(), blocks + 3);
}

TEST_F(HostileServerTest, ALineBreakInAFoundWordCannotAddALineToTheWordsGuessed) {
    login(1);
    deliver(msg("CMD_newplayerinfo+3+Carol") + msg("CMD_startround+1+20+0+A+1+ACORN\r\n+") +
            msg("CMD_gotword+3+ACT\r\n9 : AWESOME : Tester+3\n+"));
    tick(3);
    const QTextDocument* doc = wordList()->document();
    ASSERT_EQ(doc->blockCount(), 1);
    EXPECT_EQ(doc->findBlockByNumber(0).text(), "3  : ACT  9 : AWESOME : Tester : Carol");
    EXPECT_EQ(chat->board()->lastWordLabel(3)->toolTip(), "ACT  9 : AWESOME : Tester");
    EXPECT_EQ(chat->model().starterWord(), "ACORN  ");
}

TEST_F(HostileServerTest, AHostThatSendsMoreThanCanBeShownIsLetGo) {
    login(3);
    // Tiny messages far faster than Timer1 shows them.
    const QByteArray one = msg("CMD_playasound+1+wave1+");
    QByteArray flood;
    for (qsizetype i = 0; i <= Tchat::kMaxQueuedMessages; ++i)
        flood += one;
    peer.send(flood);
    ASSERT_TRUE(spinUntil([&] { return peer.conn->state() != QAbstractSocket::ConnectedState; }));
    EXPECT_EQ(chat->queuedMessages(), 0);
    EXPECT_EQ(lastLine(), "The host sent far more than this window can show, so the connection "
                          "was closed.");
    EXPECT_EQ(lastChatLine(pane()).first().colour, QColor(0, 0, 0xFF));
    // The window stays, so the player can read why, and sends nothing more.
    EXPECT_TRUE(chat->isVisible());
    EXPECT_FALSE(chat->gameSocket()->hasSocket());
    // A line typed now goes nowhere, without an error box.
    chat->board()->mychat()->setText(QStringLiteral("anyone?"));
    EXPECT_NO_THROW(chat->chat()->sendit());
}

TEST_F(HostileServerTest, FewButLargeMessagesAreCappedByTheirBytes) {
    login(3);
    const QByteArray big = "CMD_chat+" + QByteArray(60 * 1024, 'z') + "|clBlack\xFF";
    const qsizetype count = Tchat::kMaxQueuedBytes / big.size() + 1;
    for (qsizetype i = 0; i < count; ++i)
        peer.send(big);
    ASSERT_TRUE(spinUntil([&] { return peer.conn->state() != QAbstractSocket::ConnectedState; }));
    EXPECT_EQ(chat->queuedMessages(), 0);
    EXPECT_LT(count, Tchat::kMaxQueuedMessages);
}

TEST_F(HostileServerTest, ABusyButHonestHostIsKept) {
    login(3);
    QByteArray many;
    for (int i = 0; i < 1000; ++i)
        many += msg("CMD_chat+Eve chats: busy|clBlack");
    deliver(many);
    tick(1000);
    EXPECT_EQ(chat->queuedMessages(), 0);
    EXPECT_TRUE(chat->gameSocket()->connected());
    EXPECT_EQ(lastLine(), "Eve chats: busy");
}

// Each box is modal: the dispatcher goes on under it, and bad messages that
// come meanwhile must not open boxes inside boxes.
TEST_F(HostileServerTest, OneErrorBoxAtATimeAndAHostSendingManyBadMessagesIsLetGo) {
    login(3);
    qint64 now = 1000;
    chat->setClock([&] { return now; });
    QByteArray bad;
    for (int i = 0; i < Tchat::kMaxUnreadablePerMinute + 1; ++i)
        bad += msg("CMD_gotword+x+WORD+4+");
    deliver(bad + msg("CMD_newplayerinfo+4+Dan"));
    int depth = 0;
    int deepest = 0;
    VorlixApplication::errorBox() = [&](const QString& text) {
        errors << text;
        ++depth;
        deepest = std::max(deepest, depth);
        // What the box's own event loop does: the dispatcher keeps ticking.
        tick(3);
        --depth;
    };
    for (int i = 0; i < 20 && chat->queuedMessages() > 0; ++i)
        tick();
    EXPECT_EQ(deepest, 1);
    // Three boxes one after the other, each with three messages read under it;
    // the eleventh bad message within the minute lets the host go.
    EXPECT_EQ(errors.size(), 3);
    EXPECT_EQ(chat->queuedMessages(), 0);
    EXPECT_EQ(lastLine(), "The host sent more than 10 messages this window could not read "
                          "within a minute, so the connection was closed.");
    EXPECT_EQ(lastChatLine(pane()).first().colour, QColor(0, 0, 0xFF));
    EXPECT_FALSE(chat->gameSocket()->hasSocket());
    EXPECT_TRUE(chat->isVisible());
    EXPECT_EQ(seat(4)->text(), "<Waiting>");
}

TEST_F(HostileServerTest, BadMessagesSpreadOverMoreThanAMinuteAreOnlyShown) {
    login(3);
    qint64 now = 0;
    chat->setClock([&] { return now; });
    for (int i = 0; i < 3 * Tchat::kMaxUnreadablePerMinute; ++i) {
        deliver(msg("CMD_gotword+x+WORD+4+"));
        tick();
        now += 7000;
    }
    EXPECT_EQ(errors.size(), 3 * Tchat::kMaxUnreadablePerMinute);
    EXPECT_TRUE(chat->gameSocket()->connected());
}
