// A client fed malformed or oversized messages by the server it joined.

#include "protocol.h"
#include "tchatfixture.h"

#include <QLabel>
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
    for (int i = 0; i < 3; ++i)
        EXPECT_THROW(chat->processsocktimer(), wire::EConvertError);
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
