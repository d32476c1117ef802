// The board drawing the game model, and the player's own actions on it: what it
// shows and what it sends. The rules themselves are the model's
// (gamemodel_test, gameseats_test).

#include "boardpanel.h"
#include "boardrecorder.h"
#include "gamemodel.h"
#include "gamerecorder.h"
#include "smalldictionary.h"

#include <QAbstractButton>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextEdit>

#include <gtest/gtest.h>

namespace {

const QColor kClockColour(0xE0, 0xE3, 0x9D);

struct BoardView : ::testing::Test {
    GameRecorder out;
    GameModel model{out};
    BoardRecorder host;
    BoardPanel board{model, host};

    BoardView() {
        model.login(1);
        model.newplayerinfo("1+Alice");
        model.newplayerinfo("3+Bob");
    }
    template <class W = QWidget> W* find(const QString& name) {
        W* w = board.findChild<W*>(name);
        EXPECT_NE(w, nullptr) << name.toStdString();
        return w;
    }
    QString text(const QString& name) { return find<QLabel>(name)->text(); }
    int barWidth() { return find("image_timer")->width(); }
    QColor clockColour() { return find("label_timer")->palette().color(QPalette::WindowText); }
    QLineEdit* wordEntry() { return find<QLineEdit>("edit_word"); }
};

TEST_F(BoardView, DrawsTheGameTheRoundAndTheClock) {
    model.startthegame("Alice+5+60+5+");
    EXPECT_EQ(text("label_round"), "0 of 5");
    EXPECT_EQ(text("label_timeperturn"), "60 secs");
    EXPECT_EQ(text("label_numletters"), "5 Letters");
    EXPECT_EQ(board.playerNameLabel(2)->text(), "Grob");
    EXPECT_EQ(board.playerNameLabel(4)->text(), "<Waiting>");

    model.startround("1+60+5+STA+1+STARTER+");
    EXPECT_EQ(text("label_status"), "Your Turn.");
    // The answer is not on the hidden score panel while the round runs.
    EXPECT_EQ(text("label_starter"), "");
    EXPECT_EQ(text("label_round"), "1 of 5");
    EXPECT_EQ(text("label_word1"), "5 Letters");
    EXPECT_EQ(text("label_word2"), "STA");
    EXPECT_FALSE(wordEntry()->isHidden());
    EXPECT_FALSE(find("button_igiveup")->isHidden());
    EXPECT_FALSE(find("image_word")->isHidden());
    EXPECT_TRUE(find("image_full")->isHidden());

    model.turntimeTimer();
    EXPECT_EQ(barWidth(), 295);
    EXPECT_EQ(text("label_timer"), "Time: 0:59");
    EXPECT_EQ(clockColour(), kClockColour);
    while (model.timeleft() > 19)
        model.turntimeTimer();
    EXPECT_EQ(barWidth(), 5 * 19);
    EXPECT_EQ(clockColour(), QColor(Qt::red));
    while (model.turnRunning())
        model.turntimeTimer();
    EXPECT_EQ(text("label_status"), "Please Wait..");
    EXPECT_EQ(text("label_timer"), "Time: 0:00");
    EXPECT_EQ(barWidth(), 0);
    // Closed where it is, so the keys a player still types go nowhere.
    EXPECT_FALSE(wordEntry()->isHidden());
    EXPECT_TRUE(wordEntry()->isReadOnly());
    EXPECT_EQ(wordEntry()->accessibleDescription(), "Closed until the next round");
    EXPECT_TRUE(find("button_igiveup")->isHidden());
}

TEST_F(BoardView, ASpyIsCoveredByNotPlaying) {
    model.setOwnNumber(8);
    model.startround("3+60+5+CA+1+CAT+");
    EXPECT_EQ(text("label_status"), "Watching the round..");
    EXPECT_FALSE(find("image_full")->isHidden());
    EXPECT_TRUE(wordEntry()->isHidden());
}

TEST_F(BoardView, WordEntrySendsOnlyOnOwnTurn) {
    model.startround("1+60+5+STA+1+STARTER+");
    QTest::keyClicks(wordEntry(), "Stack");
    QTest::keyClick(wordEntry(), Qt::Key_Return);
    ASSERT_EQ(host.sent.size(), 1);
    EXPECT_EQ(host.sent[0], QByteArray("CMD_sendword+1+Stack+\xFF"));
    EXPECT_TRUE(wordEntry()->text().isEmpty());

    model.startround("2+60+5+STA+2+STARTER+");
    QTest::keyClicks(wordEntry(), "stamp");
    QTest::keyClick(wordEntry(), Qt::Key_Return);
    EXPECT_EQ(host.sent.size(), 1);
    EXPECT_TRUE(wordEntry()->text().isEmpty());
}

TEST_F(BoardView, WordEntrySendsNothingBeforeLogin) {
    GameModel early{out};
    BoardPanel earlyBoard{early, host};
    early.setOwnNumber(1);
    early.startround("1+60+5+STA+1+STARTER+");
    auto* entry = earlyBoard.findChild<QLineEdit*>("edit_word");
    QTest::keyClicks(entry, "stamp");
    QTest::keyClick(entry, Qt::Key_Enter);
    EXPECT_TRUE(host.sent.isEmpty());
    EXPECT_TRUE(entry->text().isEmpty());
}

TEST_F(BoardView, PastedPageGoesOutCutToTheWordBoxLimit) {
    model.startround("1+60+5+STA+1+STARTER+");
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

TEST_F(BoardView, RejectedWordShowsItsReasonUntilTheNextKey) {
    model.startround("1+60+5+STA+1+STARTER+");
    QWidget* error = find("image_error");
    EXPECT_TRUE(error->isHidden());
    model.notvalid("1+2+");
    EXPECT_FALSE(error->isHidden());
    EXPECT_EQ(error->property("picture").toInt(), 2);
    QTest::keyClick(wordEntry(), Qt::Key_S);
    EXPECT_TRUE(error->isHidden());

    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(BoardPanel::errorPicture(i).size(), QSize(195, 21));
    EXPECT_NE(BoardPanel::errorPicture(0).toImage(), BoardPanel::errorPicture(1).toImage());
}

TEST_F(BoardView, AcceptedWordsGoToTheListInSeatColours) {
    model.startround("1+60+5+STA+1+STARTER+");
    model.gotword("1+STACK+5+");
    model.gotword("3+STAMP+5+");
    EXPECT_EQ(board.lastWordLabel(1)->text(), "STACK");
    EXPECT_EQ(board.lastWordLabel(3)->text(), "STAMP");
    auto* list = find<QTextEdit>("memo_wordlist");
    EXPECT_EQ(list->toPlainText(), "5 : STACK : Alice\n5 : STAMP : Bob");
    const QTextBlock second = list->document()->findBlockByNumber(1);
    EXPECT_EQ(second.begin().fragment().charFormat().foreground().color(),
              BoardPanel::seatColour(3));
    // A new round empties the list.
    model.startround("2+60+5+BE+1+BEACH+");
    EXPECT_TRUE(list->toPlainText().isEmpty());
}

TEST_F(BoardView, EndOfRoundShowsTheScorePanel) {
    model.newplayerinfo("2+Grob");
    model.startround("1+60+5+STA+1+STARTER+");
    model.endround("1+20+4+2+9+2+30+6+3+12+3+30+5+2+10+4+0+0+0+0+5+50+0+0+0+6+0+0+0+0");
    EXPECT_EQ(board.lastWordLabel(2)->text(), "LEADER!");
    EXPECT_EQ(text("label_score2"), "30");
    EXPECT_EQ(text("label_score20"), "Grob");
    EXPECT_EQ(text("label_score21"), "3");  // words this round
    EXPECT_EQ(text("label_score22"), "12"); // points this round
    EXPECT_EQ(text("label_score23"), "6");  // words this game
    EXPECT_EQ(text("label_score24"), "30"); // total
    EXPECT_EQ(text("label_status"), "Posting Scores.. Please Wait.");
    EXPECT_FALSE(find("panel_scores")->isHidden());
    EXPECT_TRUE(wordEntry()->isReadOnly());
    EXPECT_EQ(text("label_starter"), "Starter Word: STARTER");

    model.startround("2+60+5+BE+1+BEACH+");
    EXPECT_TRUE(find("panel_scores")->isHidden());
}

TEST_F(BoardView, WinnerOnTheScorePanelAndStartGameForTheHost) {
    model.setHosting(true);
    model.setStartShown(true);
    EXPECT_FALSE(board.button_start()->isHidden());
    model.startthegame("Alice+1+60+5+");
    EXPECT_TRUE(board.button_start()->isHidden());
    model.endround("1+20+4+2+9+2+10+6+3+12+3+0+0+0+0+4+0+0+0+0+5+0+0+0+0+6+0+0+0+0");
    model.winner("1+");
    EXPECT_EQ(text("label_status"), "Game Over!");
    EXPECT_FALSE(find("image_winner1")->isHidden());
    EXPECT_TRUE(find("image_winner2")->isHidden());
    EXPECT_FALSE(board.button_start()->isHidden());

    // A new game clears the board.
    model.startthegame("Alice+1+60+5+");
    EXPECT_TRUE(find("image_winner1")->isHidden());
    EXPECT_TRUE(find("panel_scores")->isHidden());
    EXPECT_EQ(text("label_score1"), "0");
    EXPECT_EQ(text("label_score14"), "0");
    EXPECT_TRUE(board.lastWordLabel(1)->text().isEmpty());
}

TEST_F(BoardView, NewLinesOfTheWordListShowFromTheirStart) {
    board.show();
    model.newplayerinfo("4+Maximilian Kowalski");
    model.startround("1+60+5+STA+1+STARTER+");
    auto* list = find<QTextEdit>("memo_wordlist");
    QScrollBar* across = list->horizontalScrollBar();
    EXPECT_EQ(list->horizontalScrollBarPolicy(), Qt::ScrollBarAsNeeded);
    const char* words[] = {"STACK", "STAMP", "STAIR", "STAKE", "STALL", "STAND", "STARK",
                           "START", "STASH", "STATE", "STAYS", "STAFF", "STAGE", "STAID",
                           "STAIN", "STALE", "STALK", "STANK", "STAPH", "STARE", "STATS"};
    for (const char* word : words)
        model.gotword(QByteArray("4+") + word + "+5+");
    EXPECT_GT(across->maximum(), 0) << "a line is wider than the pane: it can be scrolled to";
    EXPECT_EQ(across->value(), 0) << "the points and the word at the start stay in sight";
    EXPECT_EQ(list->verticalScrollBar()->value(), list->verticalScrollBar()->maximum());
    // Scrolled across by the player, the next line brings the starts back.
    across->setValue(across->maximum());
    model.gotword("1+STEAM+5+");
    EXPECT_EQ(across->value(), 0);
}

TEST_F(BoardView, LongNamesAreCutWithAnEllipsisAndShownWholeAsTips) {
    const QString name = QStringLiteral("Maximilian Kowalski-Brandt");
    model.newplayerinfo(QByteArray("4+") + name.toLatin1());
    for (QLabel* label : {board.playerNameLabel(4), find<QLabel>("label_score40")}) {
        model.endround("4+10+2+2+10");
        ASSERT_TRUE(label->text().endsWith(QChar(0x2026))) << label->objectName().toStdString();
        EXPECT_TRUE(name.startsWith(label->text().chopped(1)));
        EXPECT_LE(label->fontMetrics().horizontalAdvance(label->text()),
                  label->contentsRect().width());
        EXPECT_EQ(label->toolTip(), name);
        EXPECT_EQ(label->accessibleName(), name);
    }
    // Names that fit are shown whole, and a seat keeps its hint as the tip.
    EXPECT_EQ(board.playerNameLabel(3)->text(), "Bob");
    EXPECT_EQ(board.playerNameLabel(3)->toolTip(), model.seat(3).hint);
    EXPECT_EQ(board.playerNameLabel(2)->toolTip(), "Grob");
    model.playerdisconnected("4+Maximilian Kowalski-Brandt");
    EXPECT_EQ(board.playerNameLabel(4)->text(), "<Waiting>");
}

// A label is fitted once for each text and width it is drawn with (every change
// of the model redraws the board), and again whenever either changes.
TEST_F(BoardView, ALabelIsFittedAgainWhenItsTextOrItsRoomChanges) {
    QLabel* label = board.playerNameLabel(4);
    const QByteArray name(3000, 'N');
    model.newplayerinfo("4+" + name);
    const QString cut = label->text();
    ASSERT_TRUE(cut.endsWith(QChar(0x2026)));
    model.turntimeTimer(); // a change elsewhere leaves it as it was
    EXPECT_EQ(label->text(), cut);
    model.newplayerinfo("4+Dan");
    EXPECT_EQ(label->text(), "Dan");
    model.newplayerinfo("4+" + name);
    EXPECT_EQ(label->text(), cut);
    label->setFixedWidth(label->width() / 2);
    model.turntimeTimer();
    EXPECT_LT(label->text().size(), cut.size());
    EXPECT_TRUE(label->text().endsWith(QChar(0x2026)));
    EXPECT_LE(label->fontMetrics().horizontalAdvance(label->text()), label->contentsRect().width());
}

// The host chooses names and words: what looks like markup is shown as it is.
TEST_F(BoardView, NamesThatLookLikeMarkupAreShownAsTheyAre) {
    const QString name = QStringLiteral("<b>Dan</b>");
    model.newplayerinfo(QByteArray("4+") + name.toLatin1());
    QLabel* label = board.playerNameLabel(4);
    EXPECT_EQ(label->textFormat(), Qt::PlainText);
    EXPECT_EQ(label->text(), name);
    const QString longName = QStringLiteral("<font size=7>") + QString(200, u'W');
    model.newplayerinfo(QByteArray("4+") + longName.toLatin1());
    ASSERT_TRUE(label->text().endsWith(QChar(0x2026)));
    QTextDocument tip;
    tip.setHtml(label->toolTip());
    EXPECT_EQ(tip.toPlainText().simplified(), longName);
    EXPECT_EQ(label->accessibleName(), longName);
}

TEST_F(BoardView, TheStarterWordStandsClearOfTheScorePanelsFrame) {
    QWidget* panel = find("panel_scores");
    const QRect starter = find("label_starter")->geometry();
    EXPECT_GE(starter.top(), find("panel_6")->geometry().bottom() + 1);
    // The panel's frame line is 3 pixels wide along its edges.
    EXPECT_LE(starter.bottom(), panel->height() - 1 - 3);
    EXPECT_GE(starter.left(), 3);
    EXPECT_LE(starter.right(), panel->width() - 1 - 3);
}

TEST_F(BoardView, TheWordsNobodyFoundFollowInGreyUnderARule) {
    const SmallDictionary small({"STACK", "STAFF", "STAGE", "STAMP", "STAB", "SPOON"});
    model.setDictionary(small.dictionary);
    model.startround("1+60+5+STA+1+STARTER+");
    model.gotword("1+STACK+5+");
    model.endround("1+5+1+1+5");
    auto* list = find<QTextEdit>("memo_wordlist");
    EXPECT_EQ(list->toPlainText(),
              "5 : STACK : Alice\n\nNobody found:\n5 : STAFF\n5 : STAGE\n5 : STAMP");
    QTextDocument* doc = list->document();
    EXPECT_TRUE(doc->findBlockByNumber(1).blockFormat().hasProperty(
        QTextFormat::BlockTrailingHorizontalRulerWidth));
    for (int n = 2; n < doc->blockCount(); ++n)
        EXPECT_EQ(doc->findBlockByNumber(n).begin().fragment().charFormat().foreground().color(),
                  QColor(0x80, 0x80, 0x80))
            << n;
    // A board made later draws them too.
    BoardPanel later{model, host};
    EXPECT_EQ(later.findChild<QTextEdit*>("memo_wordlist")->toPlainText(), list->toPlainText());
}

TEST_F(BoardView, StartGameAndGiveUpNeedALogin) {
    GameModel early{out};
    BoardPanel earlyBoard{early, host};
    earlyBoard.button_startClick();
    EXPECT_EQ(host.boxes, QStringList{"You are not connected"});
    EXPECT_EQ(host.gameStartShown, 0);
    earlyBoard.button_igiveupClick();
    EXPECT_TRUE(host.sent.isEmpty());

    board.button_startClick();
    EXPECT_EQ(host.gameStartShown, 1);
    EXPECT_EQ(host.boxes.size(), 1);
    qobject_cast<QAbstractButton*>(find("button_igiveup"))->click();
    EXPECT_EQ(host.sent, QList<QByteArray>{QByteArray("CMD_giveup+1+\xFF")});
}

TEST_F(BoardView, GivingUpShowsOnTheStatusLine) {
    model.startround("1+60+5+STA+1+STARTER+");
    auto* giveUp = find<QAbstractButton>("button_igiveup");
    EXPECT_EQ(giveUp->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_G));
    EXPECT_EQ(giveUp->toolTip(), "I Give Up (Ctrl+G)");
    giveUp->click();
    EXPECT_EQ(host.sent, QList<QByteArray>{QByteArray("CMD_giveup+1+\xFF")});
    EXPECT_EQ(text("label_status"), "You gave up this round.");
    // Outside the own turn the button, and so its key, is gone.
    while (model.turnRunning())
        model.turntimeTimer();
    EXPECT_TRUE(giveUp->isHidden());
}

TEST_F(BoardView, PictureButtonsTakeTheFocusAndAnswerSpaceAndEnter) {
    model.startround("1+60+5+STA+1+STARTER+");
    for (const char* name : {"button_igiveup", "b_phrase1", "b_phrase10", "button_start"}) {
        auto* button = find<QAbstractButton>(QString::fromLatin1(name));
        EXPECT_EQ(button->focusPolicy(), Qt::TabFocus) << name;
        int clicks = 0;
        auto counting =
            QObject::connect(button, &QAbstractButton::clicked, [&clicks] { ++clicks; });
        QTest::keyClick(button, Qt::Key_Space);
        QTest::keyClick(button, Qt::Key_Return);
        QTest::keyClick(button, Qt::Key_Enter);
        EXPECT_EQ(clicks, 3) << name;
        QObject::disconnect(counting);
    }
}

} // namespace
