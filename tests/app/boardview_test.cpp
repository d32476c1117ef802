// SPDX-License-Identifier: GPL-3.0-or-later
// The board drawing the game model, and the player's own actions on it: what it
// shows and what it sends. The rules themselves are the model's
// (gamemodel_test, gameseats_test).

#include "boardart.h"
#include "boardpanel.h"
#include "boardrecorder.h"
#include "contrast.h"
#include "gamemodel.h"
#include "gamerecorder.h"
#include "smalldictionary.h"

#include <QAbstractButton>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QScrollBar>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextEdit>

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>
#include <vector>

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

TEST_F(BoardView, BoardButtonsTakeTheFocusAndAnswerSpaceAndEnter) {
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

// Colours, measured here on their own (WCAG 2's relative luminance and CIE
// L*a*b*), not by the program's helper.
double luminance(const QColor& c) {
    auto lin = [](int v) {
        const double x = v / 255.0;
        return x <= 0.03928 ? x / 12.92 : std::pow((x + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * lin(c.red()) + 0.7152 * lin(c.green()) + 0.0722 * lin(c.blue());
}
double wcag(const QColor& a, const QColor& b) {
    const double x = luminance(a);
    const double y = luminance(b);
    return (std::max(x, y) + 0.05) / (std::min(x, y) + 0.05);
}
// CIE76 colour difference: about 2 is the least an eye tells apart.
double colourDistance(const QColor& a, const QColor& b) {
    auto lab = [](const QColor& c) {
        auto lin = [](int v) {
            const double x = v / 255.0;
            return x <= 0.04045 ? x / 12.92 : std::pow((x + 0.055) / 1.055, 2.4);
        };
        const double r = lin(c.red()), g = lin(c.green()), b = lin(c.blue());
        const double xyz[3] = {(0.4124 * r + 0.3576 * g + 0.1805 * b) / 0.95047,
                               0.2126 * r + 0.7152 * g + 0.0722 * b,
                               (0.0193 * r + 0.1192 * g + 0.9505 * b) / 1.08883};
        double f[3];
        for (int i = 0; i < 3; ++i)
            f[i] = xyz[i] > 0.008856 ? std::cbrt(xyz[i]) : 7.787 * xyz[i] + 16.0 / 116;
        return std::array<double, 3>{116 * f[1] - 16, 500 * (f[0] - f[1]), 200 * (f[1] - f[2])};
    };
    const auto x = lab(a), y = lab(b);
    return std::hypot(x[0] - y[0], x[1] - y[1], x[2] - y[2]);
}
double leastSeatDistance(bool highContrast) {
    double least = 1e9;
    for (int a = 1; a <= 6; ++a)
        for (int b = a + 1; b <= 6; ++b)
            least = std::min(least, colourDistance(BoardPanel::seatColour(a, highContrast),
                                                   BoardPanel::seatColour(b, highContrast)));
    return least;
}
// The least contrast of `text` with any pixel of `area` in `image`.
double leastContrast(const QImage& image, const QRect& area, const QColor& text) {
    double least = 21;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            least = std::min(least, wcag(text, image.pixelColor(x, y)));
    return least;
}

const QColor kBoardColour(0xFF, 0xFF, 0xD3);

TEST(Contrast, MeasuresAsWcagDoes) {
    EXPECT_NEAR(contrast::ratio(Qt::black, Qt::white), 21.0, 1e-9);
    EXPECT_NEAR(contrast::ratio(Qt::white, Qt::white), 1.0, 1e-9);
    // The board's own colours, as measured when they were found too faint.
    const std::pair<QColor, double> faint[] = {
        {QColor(0xFF, 0x80, 0x00), 2.46}, {QColor(0xA4, 0xA4, 0x00), 2.60},
        {QColor(0x00, 0xAA, 0xAA), 2.80}, {QColor(0x80, 0x80, 0xC0), 3.55},
        {QColor(0x80, 0x80, 0x80), 3.85}, {QColor(0xFF, 0x00, 0x00), 3.90},
    };
    for (const auto& [colour, ratio] : faint) {
        EXPECT_NEAR(contrast::ratio(colour, kBoardColour), ratio, 0.005)
            << colour.name().toStdString();
        EXPECT_NEAR(contrast::ratio(colour, kBoardColour), wcag(colour, kBoardColour), 1e-9);
    }
    EXPECT_NEAR(contrast::ratio(QColor(0xDE, 0x5F, 0x21), QColor(0xFF, 0xF8, 0xC4)), 3.38, 0.005);
}

TEST(Contrast, ReadableKeepsTheHueAndGoesNoFurtherThanNeeded) {
    const QColor backgrounds[] = {kBoardColour,
                                  Qt::white,
                                  QColor(0x1C, 0x28, 0x55),
                                  Qt::black,
                                  QColor(0x77, 0x77, 0x77),
                                  QColor(0x3D, 0x8B, 0xE0)};
    const QColor texts[] = {QColor(0xFF, 0x80, 0x00), QColor(0x00, 0xAA, 0xAA), Qt::red,
                            QColor(0x80, 0x80, 0xC0), QColor(0xE0, 0xE3, 0x9D), Qt::blue,
                            QColor(0x80, 0x80, 0x80)};
    for (const QColor& bg : backgrounds) {
        for (const QColor& text : texts) {
            const QColor shown = contrast::readable(text, bg);
            const std::string what = text.name().toStdString() + " on " + bg.name().toStdString();
            EXPECT_GE(wcag(shown, bg), 4.5) << what;
            if (wcag(text, bg) >= 4.5) {
                EXPECT_EQ(shown, text) << what;
                continue;
            }
            if (text.hsvSaturation() > 0 && shown != Qt::black && shown != Qt::white)
                EXPECT_NEAR(shown.hsvHueF(), text.hsvHueF(), 0.02) << what;
            // Darker on a light background, lighter on a dark one, and only
            // just: a colour a little nearer the text's own would not read.
            const bool light = luminance(bg) > 0.18;
            EXPECT_EQ(luminance(shown) < luminance(text), light) << what;
            const QColor nearer((shown.red() * 9 + text.red()) / 10,
                                (shown.green() * 9 + text.green()) / 10,
                                (shown.blue() * 9 + text.blue()) / 10);
            EXPECT_LT(wcag(nearer, bg), 4.5 + 0.4) << what;
        }
    }
}

TEST_F(BoardView, TheDefaultColoursAreTheBoardsOwn) {
    const QColor seats[] = {QColor(0x00, 0x00, 0xDD), QColor(0xFF, 0x80, 0x00),
                            QColor(0x00, 0xAA, 0xAA), QColor(0xFF, 0x00, 0x00),
                            QColor(0x80, 0x80, 0xC0), QColor(0xA4, 0xA4, 0x00)};
    // Off again after on, everything is as it was.
    for (const bool toggled : {false, true}) {
        if (toggled) {
            board.setHighContrast(true);
            board.setHighContrast(false);
        }
        for (int seat = 1; seat <= 6; ++seat) {
            EXPECT_EQ(BoardPanel::seatColour(seat), seats[seat - 1]);
            for (const QString& name :
                 {QStringLiteral("label_playername%1"), QStringLiteral("label_last%1"),
                  QStringLiteral("label_score%1"), QStringLiteral("label_score%10")})
                EXPECT_EQ(find<QLabel>(name.arg(seat))->palette().color(QPalette::WindowText),
                          seats[seat - 1])
                    << name.arg(seat).toStdString();
        }
        const QColor orange(0xDE, 0x5F, 0x21);
        EXPECT_EQ(find<QLabel>("label_status")->palette().color(QPalette::WindowText), orange);
        EXPECT_EQ(find<QLabel>("label_starter")->palette().color(QPalette::WindowText), orange);
        EXPECT_EQ(clockColour(), kClockColour);
    }
}

TEST_F(BoardView, HighContrastSeatsStayApart) {
    const double before = leastSeatDistance(false);
    const double after = leastSeatDistance(true);
    EXPECT_GT(before, 30.0);
    // Told apart at least as well as in the board's own colours.
    EXPECT_GE(after, before);
    for (int seat = 1; seat <= 6; ++seat)
        EXPECT_GE(wcag(BoardPanel::seatColour(seat, true), kBoardColour), 4.5) << seat;
}

struct BoardContrast : BoardView {
    BoardContrast() {
        for (const char* seat : {"2+Grob", "4+Dora", "5+Eve", "6+Fay"})
            model.newplayerinfo(seat);
        board.show();
        board.setScrollChatOffMark(true);
    }
    // The least contrast of any label's text with what lies behind its text,
    // the board drawn without the label; `panel`: the labels of the score
    // panel, else those it would cover.
    double leastOfLabels(bool panel, QString* worst = nullptr) {
        double least = 21;
        QWidget* scores = find("panel_scores");
        for (QLabel* label : board.findChildren<QLabel*>()) {
            if (label->text().isEmpty() || !label->isVisibleTo(&board) ||
                scores->isAncestorOf(label) != panel)
                continue;
            const QColor text = label->palette().color(QPalette::WindowText);
            const QRect box =
                label->fontMetrics()
                    .boundingRect(label->contentsRect(), int(label->alignment()), label->text())
                    .intersected(label->rect());
            double ratio = 21;
            if (label->autoFillBackground()) {
                ratio = wcag(text, label->palette().color(QPalette::Window));
            } else {
                label->hide();
                const QImage behind =
                    board.grab(QRect(label->mapTo(&board, box.topLeft()), box.size())).toImage();
                label->show();
                ratio = leastContrast(behind, behind.rect(), text);
            }
            if (ratio < least) {
                least = ratio;
                if (worst)
                    *worst = label->objectName() + ": " + label->text();
            }
        }
        return least;
    }
};

TEST_F(BoardContrast, EveryLabelReadsOnWhatLiesBehindIt) {
    model.startround("1+60+5+STA+1+STARTER+");
    for (int seat = 1; seat <= 6; ++seat)
        model.gotword(QByteArray::number(seat) + "+STACK+5+");
    model.turntimeTimer();
    QString worst;
    // The faint colours show in this very measure.
    EXPECT_LT(leastOfLabels(false), 3.0);

    board.setHighContrast(true);
    for (int left : {59, 19, 3}) {
        while (model.timeleft() > left)
            model.turntimeTimer();
        EXPECT_GE(leastOfLabels(false, &worst), 4.5) << left << " s left: " << worst.toStdString();
    }
    model.endround("1+20+4+2+9+2+30+6+3+12+3+30+5+2+10+4+0+0+0+0+5+50+0+0+0+6+0+0+0+0");
    EXPECT_GE(leastOfLabels(true, &worst), 4.5) << worst.toStdString();
    board.setHighContrast(false);
    EXPECT_LT(leastOfLabels(true), 3.5) << "the starter word's orange on the panel";
}

TEST_F(BoardView, HighContrastRecoloursTheWordsAlreadyListed) {
    const SmallDictionary small({"STACK", "STAFF", "STAGE"});
    model.setDictionary(small.dictionary);
    model.newplayerinfo("2+Grob");
    model.startround("1+60+5+STA+1+STARTER+");
    model.gotword("2+STACK+5+");
    model.endround("1+5+1+1+5");
    auto* list = find<QTextEdit>("memo_wordlist");
    const QColor behind = list->palette().color(QPalette::Base);
    EXPECT_EQ(behind, kBoardColour);
    auto colours = [&] {
        QList<QColor> found;
        for (QTextBlock b = list->document()->begin(); b.isValid(); b = b.next())
            for (auto it = b.begin(); !it.atEnd(); ++it)
                found << it.fragment().charFormat().foreground().color();
        return found;
    };
    const QList<QColor> own = colours();
    ASSERT_EQ(own.size(), 4); // the word, "Nobody found:" and two missed words
    EXPECT_EQ(own[0], QColor(0xFF, 0x80, 0x00));
    EXPECT_EQ(own[3], QColor(0x80, 0x80, 0x80));

    board.setHighContrast(true);
    const QList<QColor> readable = colours();
    ASSERT_EQ(readable.size(), own.size());
    for (const QColor& c : readable)
        EXPECT_GE(wcag(c, behind), 4.5) << c.name().toStdString();
    EXPECT_EQ(list->toPlainText(), "5 : STACK : Grob\n\nNobody found:\n5 : STAFF\n5 : STAGE");
    // New lines come in readable too, and everything goes back when it is off.
    model.startround("2+60+5+STA+1+STARTER+");
    model.gotword("6+STAGE+5+");
    EXPECT_GE(wcag(colours().first(), behind), 4.5);
    board.setHighContrast(false);
    EXPECT_EQ(colours().first(), QColor(0xA4, 0xA4, 0x00));
}

// The pictures' words, measured on the pixels painted behind them.
TEST(BoardArt, HighContrastPicturesKeepTheirWordsReadable) {
    const boardart::ArtColours& c = boardart::artColours(true);
    auto painted = [&](QSize size, const std::function<void(QPainter&, QRectF)>& paint) {
        QImage image(size, QImage::Format_ARGB32);
        image.fill(Qt::transparent);
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        paint(p, QRectF(QPointF(0, 0), QSizeF(size)));
        return image;
    };
    // The clock's texts over the whole inside of the bar and its frame.
    for (auto picture : {boardart::Picture::ClockBar, boardart::Picture::ClockFrame}) {
        const QImage image = painted(QSize(298, 23), [&](QPainter& p, QRectF r) {
            boardart::paintPicture(p, picture, r, c);
        });
        const QRect inside = image.rect().adjusted(8, 3, -8, -3);
        EXPECT_GE(leastContrast(image, inside, c.clockText), 4.5);
        EXPECT_GE(leastContrast(image, inside, c.clockLow), 4.5);
        const boardart::ArtColours& plain = boardart::artColours(false);
        const QImage before = painted(QSize(298, 23), [&](QPainter& p, QRectF r) {
            boardart::paintPicture(p, picture, r, plain);
        });
        EXPECT_LT(leastContrast(before, inside, plain.clockLow), 2.0)
            << "red on the clock's blue was the faintest text of all";
    }
    // The rejection pictures' white reason: beside it, to the right.
    const QImage rejected = boardart::errorPixmap(0, 1.0, true).toImage();
    EXPECT_GE(leastContrast(rejected, QRect(186, 3, 4, 15), c.errorText), 4.5);
    // The picture buttons' words: the fill left of the centred caption.
    struct Face {
        boardart::ButtonFace face;
        QSize size;
        QRect beside;
        std::vector<QColor> words;
    };
    const Face faces[] = {
        {boardart::ButtonFace::StartGame, {150, 35}, {4, 13, 3, 9}, {c.buttonText}},
        {boardart::ButtonFace::GiveUp, {108, 18}, {8, 3, 3, 12}, {c.buttonText}},
        {boardart::ButtonFace::LinkLogo, {74, 38}, {5, 10, 3, 18}, {c.linkName, c.linkText}},
    };
    for (const Face& f : faces)
        for (const bool hot : {false, true}) {
            const QImage image = painted(f.size, [&](QPainter& p, QRectF r) {
                boardart::paintButton(p, f.face, r, hot, false, c);
            });
            const std::vector<QColor> words = hot && f.face != boardart::ButtonFace::LinkLogo
                                                  ? std::vector<QColor>{c.hotButtonText}
                                                  : f.words;
            for (const QColor& word : words)
                EXPECT_GE(leastContrast(image, f.beside, word), 4.5)
                    << int(f.face) << (hot ? " hot " : " ") << word.name().toStdString();
        }
    const QImage plainStart = painted(QSize(150, 35), [&](QPainter& p, QRectF r) {
        boardart::paintButton(p, boardart::ButtonFace::StartGame, r, false, false,
                              boardart::artColours(false));
    });
    EXPECT_LT(leastContrast(plainStart, faces[0].beside, Qt::white), 4.5);
    EXPECT_GE(wcag(c.caption, boardart::boardColour()), 4.5);
    EXPECT_GE(wcag(c.markText, c.mark), 4.5);
    EXPECT_EQ(boardart::artColours(false).caption, QColor(0xDE, 0x5F, 0x21));
}

} // namespace
