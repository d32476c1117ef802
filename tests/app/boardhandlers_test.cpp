// The board fed with the server's messages: what it shows, sends and plays.

#include "boardpanel.h"
#include "boardrecorder.h"
#include "protocol.h"

#include <QAbstractButton>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextEdit>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

const QColor kClockColour(0xE0, 0xE3, 0x9D);

struct BoardHandlers : ::testing::Test {
    ClientState state;
    BoardRecorder host;
    BoardPanel board{state, host};

    BoardHandlers() {
        state.mynumber = 1;
        state.loggedin = true;
        board.playerNameLabel(1)->setText("Alice");
        board.playerNameLabel(3)->setText("Bob");
    }
    template <class W = QWidget> W* find(const QString& name) {
        W* w = board.findChild<W*>(name);
        EXPECT_NE(w, nullptr) << name.toStdString();
        return w;
    }
    QString text(const QString& name) { return find<QLabel>(name)->text(); }
    int tag(const QString& name) { return find(name)->property("Tag").toInt(); }
    int barWidth() { return find("image_timer")->width(); }
    QColor clockColour() { return find("label_timer")->palette().color(QPalette::WindowText); }
    QLineEdit* wordEntry() { return find<QLineEdit>("edit_word"); }
};

TEST_F(BoardHandlers, StartingAGameShowsItsSettings) {
    board.startthegame("Alice+5+60+5+");
    EXPECT_EQ(text("label_round"), "0 of 5");
    EXPECT_EQ(tag("label_round"), 5);
    EXPECT_EQ(text("label_timeperturn"), "60 secs");
    EXPECT_EQ(tag("label_timeperturn"), 60);
    EXPECT_EQ(tag("image_timer"), 5);
    EXPECT_EQ(text("label_numletters"), "5 Letters");
    ASSERT_EQ(host.chatLines.size(), 1);
    EXPECT_EQ(host.chatLines[0], "Alice has started a game.");
    EXPECT_EQ(host.chatColours[0], state.systemcolour);
    // The computer takes the empty seat 2; a taken seat keeps its player.
    EXPECT_EQ(board.playerNameLabel(2)->text(), "Grob");
    EXPECT_EQ(board.playerNameLabel(4)->text(), "<Waiting>");

    board.startthegame("Alice+3+45+8+");
    EXPECT_EQ(text("label_numletters"), "Random");
    EXPECT_EQ(tag("image_timer"), 6);
    board.startthegame("Alice+3+45+0+");
    EXPECT_EQ(text("label_numletters"), "No Limit");
    // A round's own length is never "Random".
    board.startround("1+45+0+AB+1+ABOUT+");
    EXPECT_EQ(text("label_word1"), "No Limit");
    board.startround("2+45+8+AB+1+ABOUT+");
    EXPECT_EQ(text("label_word1"), "8 Letters");
}

TEST_F(BoardHandlers, ZeroSecondsPerTurnDoesNotBreakTheClock) {
    board.startthegame("Alice+5+60+5+");
    board.startthegame("Alice+5+0+5+");
    EXPECT_EQ(text("label_timeperturn"), "0 secs");
    EXPECT_EQ(tag("image_timer"), 5);
}

TEST_F(BoardHandlers, ExtremeSecondsFromTheServerKeepTheClockSane) {
    board.startthegame("Alice+5+1+5+"); // the largest bar scale, 300 pixels a second
    board.startround("1+2147483647+5+STA+1+STARTER+");
    board.turntimeTimer();
    EXPECT_EQ(barWidth(), 298);
    EXPECT_EQ(text("label_timer"), "Time: 35791394:06");

    // The lowest int must not wrap round to the highest on the next tick.
    board.startround("2+-2147483648+5+STA+1+STARTER+");
    host.sounds.clear();
    board.turntimeTimer();
    EXPECT_EQ(state.timeleft, 0);
    EXPECT_EQ(text("label_timer"), "Time: 0:00");
    EXPECT_EQ(barWidth(), 0);
    EXPECT_EQ(text("label_status"), "Please Wait..");
    EXPECT_EQ(host.sounds, QStringList{"timeup"});
}

TEST_F(BoardHandlers, TurnClockOfSixtySeconds) {
    board.startthegame("Alice+5+60+5+");
    board.startround("1+60+5+STA+1+STARTER+");
    EXPECT_EQ(text("label_status"), "Your Turn.");
    EXPECT_EQ(tag("label_status"), 1);
    EXPECT_EQ(text("label_starter"), "Starter Word: STARTER");
    EXPECT_EQ(text("label_round"), "1 of 5");
    EXPECT_EQ(text("label_word1"), "5 Letters");
    EXPECT_EQ(text("label_word2"), "STA");
    EXPECT_FALSE(wordEntry()->isHidden());
    EXPECT_FALSE(find("button_igiveup")->isHidden());
    EXPECT_TRUE(find("image_full")->isHidden());
    EXPECT_TRUE(board.turntime()->isActive());
    EXPECT_EQ(host.sounds, QStringList{"turn"});
    host.sounds.clear();

    QList<int> timeSounds;
    for (int left = 59; left >= 1; --left) {
        board.turntimeTimer();
        ASSERT_EQ(state.timeleft, left);
        EXPECT_EQ(barWidth(), 5 * left) << left;
        EXPECT_EQ(clockColour(), left >= 20 ? kClockColour : QColor(Qt::red)) << left;
        if (host.sounds.size() == 1) {
            EXPECT_EQ(host.sounds[0], "time");
            timeSounds << left;
        }
        host.sounds.clear();
    }
    EXPECT_EQ(text("label_timer"), "Time: 0:01");
    EXPECT_EQ(timeSounds, (QList<int>{20, 15, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1}));

    board.turntimeTimer();
    EXPECT_EQ(host.sounds, QStringList{"timeup"});
    EXPECT_EQ(text("label_status"), "Please Wait..");
    EXPECT_EQ(tag("label_status"), 0);
    EXPECT_EQ(text("label_timer"), "Time: 0:00");
    EXPECT_EQ(barWidth(), 0);
    EXPECT_EQ(state.whoseturn, 0);
    EXPECT_TRUE(wordEntry()->isHidden());
    // With no turn running the clock goes on ticking silently.
    board.turntimeTimer();
    board.turntimeTimer();
    EXPECT_EQ(host.sounds, QStringList{"timeup"});
    EXPECT_EQ(state.timeleft, 0);
}

TEST_F(BoardHandlers, FirstTickOfSixtySecondsDrawsTheBarAt295) {
    board.startthegame("Alice+5+60+5+");
    board.startround("1+60+5+STA+1+STARTER+");
    board.turntimeTimer();
    EXPECT_EQ(barWidth(), 295);
    EXPECT_EQ(text("label_timer"), "Time: 0:59");
    EXPECT_EQ(clockColour(), kClockColour);
}

TEST_F(BoardHandlers, LateArrivalJoinsTheRunningRound) {
    // 126 seconds left: the first tick shows 2:05.
    board.loadstats("1+5+150+8+2+4+AB+126+1+10+2+20+3+0+4+0+5+0+6+7");
    EXPECT_EQ(text("label_round"), "2 of 5");
    EXPECT_EQ(tag("label_round"), 5);
    EXPECT_EQ(text("label_timeperturn"), "150 secs");
    EXPECT_EQ(tag("image_timer"), 2);
    EXPECT_EQ(text("label_numletters"), "Random");
    EXPECT_EQ(text("label_word1"), "4 Letters");
    EXPECT_EQ(text("label_word2"), "AB");
    EXPECT_EQ(text("label_score1"), "10");
    EXPECT_EQ(text("label_score2"), "20");
    // The last score has no "+" after it and must still arrive.
    EXPECT_EQ(text("label_score6"), "7");
    EXPECT_EQ(text("label_status"), "Your Turn.");
    EXPECT_EQ(state.whoseturn, 1);
    EXPECT_EQ(host.sounds, QStringList{"turn"});
    EXPECT_TRUE(board.turntime()->isActive());
    board.turntimeTimer();
    EXPECT_EQ(text("label_timer"), "Time: 2:05");
    EXPECT_EQ(barWidth(), 250);
}

TEST_F(BoardHandlers, LateArrivalNearTheEndWaitsForTheNextRound) {
    board.loadstats("1+5+60+5+2+5+AB+9+1+10+2+20+3+0+4+0+5+0+6+0");
    EXPECT_EQ(text("label_status"), "Please wait for next round..");
    EXPECT_FALSE(board.turntime()->isActive());
    EXPECT_EQ(state.whoseturn, 0);
    EXPECT_TRUE(wordEntry()->isHidden());
    EXPECT_TRUE(host.sounds.isEmpty());

    // Someone else's stats change nothing.
    board.loadstats("2+9+90+5+3+5+XY+40+1+10+2+20+3+0+4+0+5+0+6+0");
    EXPECT_EQ(text("label_round"), "2 of 5");
    EXPECT_FALSE(board.turntime()->isActive());
}

TEST_F(BoardHandlers, SpyWatchesWithoutATurn) {
    state.mynumber = 8;
    board.loadstats("8+5+60+5+2+5+AB+40+1+10+2+20+3+0+4+0+5+0+6+0");
    EXPECT_FALSE(find("image_full")->isHidden());
    EXPECT_FALSE(text("label_status").isEmpty());
    EXPECT_NE(text("label_status"), "Your Turn.");
    EXPECT_TRUE(wordEntry()->isHidden());
    EXPECT_EQ(state.whoseturn, 0);
    EXPECT_TRUE(host.sounds.isEmpty());

    // Spies are given seat 1's number as the turn.
    board.startround("3+60+5+CA+1+CAT+");
    EXPECT_EQ(text("label_status"), "Alice's turn.");
    EXPECT_FALSE(find("image_full")->isHidden());
    EXPECT_TRUE(wordEntry()->isHidden());

    board.gotword("1+CAT+3+");
    board.gotword("3+CATS+4+");
    EXPECT_EQ(host.sounds, (QStringList{"goodwordthem", "goodwordthem"}));
}

TEST_F(BoardHandlers, TurnSoundFollowsTheSetting) {
    host.turnSound = 1;
    board.startround("1+60+5+STA+1+STARTER+");
    EXPECT_EQ(host.sounds, QStringList{"turnnew"});
    host.playSounds = false;
    board.startround("2+60+5+STA+1+STARTER+");
    board.turntimeTimer();
    EXPECT_EQ(host.sounds, QStringList{"turnnew"});
}

TEST_F(BoardHandlers, WordEntrySendsOnlyOnOwnTurn) {
    board.startround("1+60+5+STA+1+STARTER+");
    QTest::keyClicks(wordEntry(), "Stack");
    QTest::keyClick(wordEntry(), Qt::Key_Return);
    ASSERT_EQ(host.sent.size(), 1);
    EXPECT_EQ(host.sent[0], QByteArray("CMD_sendword+1+Stack+\xFF"));
    EXPECT_TRUE(wordEntry()->text().isEmpty());

    state.loggedin = false;
    QTest::keyClicks(wordEntry(), "stamp");
    QTest::keyClick(wordEntry(), Qt::Key_Enter);
    EXPECT_EQ(host.sent.size(), 1);
    EXPECT_TRUE(wordEntry()->text().isEmpty());

    state.loggedin = true;
    state.whoseturn = 2;
    QTest::keyClicks(wordEntry(), "stamp");
    QTest::keyClick(wordEntry(), Qt::Key_Return);
    EXPECT_EQ(host.sent.size(), 1);
    EXPECT_TRUE(wordEntry()->text().isEmpty());
}

TEST_F(BoardHandlers, PastedPageGoesOutCutToTheWordBoxLimit) {
    board.startround("1+60+5+STA+1+STARTER+");
    // A pasted page is cut at 60 characters, so the word message stays far
    // below the server's 8 KiB limit.
    wordEntry()->setFocus();
    wordEntry()->insert(QString(20000, QLatin1Char('a')));
    EXPECT_EQ(wordEntry()->text().size(), 60);
    QTest::keyClick(wordEntry(), Qt::Key_Return);
    ASSERT_EQ(host.sent.size(), 1);
    EXPECT_EQ(host.sent[0], QByteArray("CMD_sendword+1+") + QByteArray(60, 'a') + "+\xFF");

    // The longest word of the list (14 letters) still fits.
    QTest::keyClicks(wordEntry(), "Characteristic");
    QTest::keyClick(wordEntry(), Qt::Key_Return);
    ASSERT_EQ(host.sent.size(), 2);
    EXPECT_EQ(host.sent[1], QByteArray("CMD_sendword+1+Characteristic+\xFF"));
}

TEST_F(BoardHandlers, RejectedWordShowsItsReasonUntilTheNextKey) {
    board.startround("1+60+5+STA+1+STARTER+");
    host.sounds.clear();
    board.notvalid("2+1+");
    EXPECT_TRUE(find("image_error")->isHidden());
    EXPECT_TRUE(host.sounds.isEmpty());

    board.notvalid("1+2+");
    QWidget* error = find("image_error");
    EXPECT_FALSE(error->isHidden());
    EXPECT_EQ(error->property("picture").toInt(), 2);
    EXPECT_EQ(host.sounds, QStringList{"error1"});
    QTest::keyClick(wordEntry(), Qt::Key_S);
    EXPECT_TRUE(error->isHidden());

    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(BoardPanel::errorPicture(i).size(), QSize(195, 21));
    EXPECT_NE(BoardPanel::errorPicture(0).toImage(), BoardPanel::errorPicture(1).toImage());
}

TEST_F(BoardHandlers, AcceptedWordsGoToTheListInSeatColours) {
    board.startround("1+60+5+STA+1+STARTER+");
    host.sounds.clear();
    board.gotword("1+STACK+5+");
    board.gotword("3+STAMP+5+");
    EXPECT_EQ(host.sounds, (QStringList{"goodwordme", "goodwordthem"}));
    EXPECT_EQ(board.lastWordLabel(1)->text(), "STACK");
    EXPECT_EQ(board.lastWordLabel(3)->text(), "STAMP");
    auto* list = find<QTextEdit>("memo_wordlist");
    EXPECT_EQ(list->toPlainText(), "5 : STACK : Alice\n5 : STAMP : Bob");
    const QTextBlock second = list->document()->findBlockByNumber(1);
    EXPECT_EQ(second.begin().fragment().charFormat().foreground().color(),
              BoardPanel::seatColour(3));
    // A new round empties the list.
    board.startround("2+60+5+BE+1+BEACH+");
    EXPECT_TRUE(list->toPlainText().isEmpty());
}

TEST_F(BoardHandlers, EndOfRoundPostsScoresAndTiesGoToTheLowerSeat) {
    board.playerNameLabel(2)->setText("Grob");
    board.startround("1+60+5+STA+1+STARTER+");
    // Seats 2 and 3 tie at 30; seat 5 has more but nobody sits there.
    board.endround("1+20+4+2+9+2+30+6+3+12+3+30+5+2+10+4+0+0+0+0+5+50+0+0+0+6+0+0+0+0");
    EXPECT_EQ(board.lastWordLabel(2)->text(), "LEADER!");
    EXPECT_NE(board.lastWordLabel(3)->text(), "LEADER!");
    EXPECT_NE(board.lastWordLabel(5)->text(), "LEADER!");
    EXPECT_EQ(text("label_score2"), "30");
    EXPECT_EQ(tag("label_score2"), 30);
    EXPECT_EQ(text("label_score20"), "Grob");
    EXPECT_EQ(text("label_score21"), "3");  // words this round
    EXPECT_EQ(text("label_score22"), "12"); // points this round
    EXPECT_EQ(text("label_score23"), "6");  // words this game
    EXPECT_EQ(text("label_score24"), "30"); // total
    EXPECT_EQ(text("label_status"), "Posting Scores.. Please Wait.");
    EXPECT_EQ(tag("label_status"), 0);
    EXPECT_FALSE(find("panel_scores")->isHidden());
    EXPECT_TRUE(wordEntry()->isHidden());

    board.startround("2+60+5+BE+1+BEACH+");
    EXPECT_TRUE(find("panel_scores")->isHidden());
}

TEST_F(BoardHandlers, WinnerOnTheScorePanelAndStartGameBackForTheHost) {
    state.hosting = true;
    board.startthegame("Alice+1+60+5+");
    EXPECT_TRUE(board.button_start()->isHidden());
    board.startround("1+60+5+STA+1+STARTER+");
    board.endround("1+20+4+2+9+2+10+6+3+12+3+0+0+0+0+4+0+0+0+0+5+0+0+0+0+6+0+0+0+0");
    host.sounds.clear();
    host.chatLines.clear();
    board.winner("1+");
    EXPECT_EQ(host.sounds, QStringList{"gameover"});
    EXPECT_EQ(text("label_status"), "Game Over!");
    EXPECT_EQ(host.chatLines, QStringList{"Alice has Won the Game!"});
    EXPECT_FALSE(find("image_winner1")->isHidden());
    EXPECT_TRUE(find("image_winner2")->isHidden());
    EXPECT_FALSE(find("panel_scores")->isHidden());
    EXPECT_FALSE(board.button_start()->isHidden());

    // A new game clears the board.
    board.startthegame("Alice+1+60+5+");
    EXPECT_TRUE(find("image_winner1")->isHidden());
    EXPECT_TRUE(find("panel_scores")->isHidden());
    EXPECT_EQ(text("label_score1"), "0");
    EXPECT_EQ(text("label_score14"), "0");
    EXPECT_TRUE(board.lastWordLabel(1)->text().isEmpty());
}

TEST_F(BoardHandlers, WinnerDoesNotBringStartGameBackForAGuest) {
    board.winner("3+");
    EXPECT_TRUE(board.button_start()->isHidden());
    EXPECT_EQ(host.chatLines, QStringList{"Bob has Won the Game!"});
}

TEST_F(BoardHandlers, StartGameAndGiveUpNeedALogin) {
    state.loggedin = false;
    board.button_startClick();
    EXPECT_EQ(host.boxes, QStringList{"You are not connected"});
    EXPECT_EQ(host.gameStartShown, 0);
    board.button_igiveupClick();
    EXPECT_TRUE(host.sent.isEmpty());

    state.loggedin = true;
    board.button_startClick();
    EXPECT_EQ(host.gameStartShown, 1);
    EXPECT_EQ(host.boxes.size(), 1);
    qobject_cast<QAbstractButton*>(find("button_igiveup"))->click();
    EXPECT_EQ(host.sent, QList<QByteArray>{QByteArray("CMD_giveup+1+\xFF")});
}

TEST_F(BoardHandlers, BadNumberStopsTheMessage) {
    board.startthegame("Alice+5+60+5+");
    EXPECT_THROW(board.startround("one+60+5+STA+1+STARTER+"), wire::EConvertError);
    EXPECT_EQ(text("label_round"), "0 of 5");
    EXPECT_FALSE(board.turntime()->isActive());
    EXPECT_THROW(board.endround("1+lots+0+0+0"), wire::EConvertError);
}

TEST_F(BoardHandlers, NumbersThatAreNoSeatAreHarmless) {
    board.gotword("9+WORD+4+");
    board.winner("0+");
    board.endround("12+5+0+0+0");
    board.startround("1+60+5+STA+7+STARTER+");
    EXPECT_EQ(host.sounds.count("goodwordthem"), 1);
    EXPECT_FALSE(text("label_status").isEmpty());
}

} // namespace
