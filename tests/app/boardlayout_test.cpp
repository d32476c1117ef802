// SPDX-License-Identifier: GPL-3.0-or-later
// The board's controls: every composed name resolves, and the controls start
// where and as the layout puts them.

#include "boardpanel.h"
#include "boardrecorder.h"
#include "gamemodel.h"
#include "gamerecorder.h"

#include <QAbstractButton>
#include <QApplication>
#include <QEnterEvent>
#include <QLabel>
#include <QLineEdit>
#include <QTextEdit>

#include <gtest/gtest.h>

namespace {

struct BoardFixture : ::testing::Test {
    GameRecorder out;
    GameModel model{out};
    BoardRecorder host;
    BoardPanel board{model, host};

    template <class W = QWidget> W* find(const QString& name) { return board.findChild<W*>(name); }
};

TEST_F(BoardFixture, EveryComposedNameResolves) {
    for (int seat = 1; seat <= 6; ++seat) {
        for (const char* prefix : {"label_playername", "label_score", "label_last"})
            EXPECT_NE(find<QLabel>(QStringLiteral("%1%2").arg(prefix).arg(seat)), nullptr)
                << prefix << seat;
        EXPECT_NE(find(QStringLiteral("image_winner%1").arg(seat)), nullptr) << seat;
        EXPECT_NE(find(QStringLiteral("panel_%1").arg(seat)), nullptr) << seat;
        for (int field = 0; field <= 4; ++field)
            EXPECT_NE(find<QLabel>(QStringLiteral("label_score%1%2").arg(seat).arg(field)), nullptr)
                << seat << field;
    }
    for (int n = 1; n <= 10; ++n) {
        auto* b = find<QAbstractButton>(QStringLiteral("b_phrase%1").arg(n));
        ASSERT_NE(b, nullptr) << n;
        EXPECT_EQ(b, board.phraseButton(n));
    }
    for (const char* name :
         {"mainchat",          "mychat",           "memo_wordlist", "label_status", "label_round",
          "label_timeperturn", "label_numletters", "label_word1",   "label_word2",  "label_timer",
          "label_starter",     "image_timer",      "image_word",    "image_error",  "image_full",
          "edit_word",         "button_igiveup",   "button_start",  "Image4",       "panel_scores"})
        EXPECT_NE(find(QString::fromLatin1(name)), nullptr) << name;
    EXPECT_EQ(find<QTextEdit>("mainchat"), board.mainchat());
    EXPECT_EQ(find<QLineEdit>("mychat"), board.mychat());
}

TEST_F(BoardFixture, StartsAsTheLayoutSays) {
    EXPECT_EQ(board.size(), QSize(777, 474));
    EXPECT_EQ(board.label_status()->text(), "Welcome to Vorlix");
    EXPECT_EQ(board.mychat()->text(), "<Enter Chat Here>");
    EXPECT_EQ(find<QLabel>("label_round")->text(), "0 of 5");
    EXPECT_EQ(find<QLabel>("label_timeperturn")->text(), "60 secs");
    EXPECT_EQ(find<QLabel>("label_numletters")->text(), "Random");
    EXPECT_EQ(find<QLabel>("label_timer")->text(), "Time: 0:00");
    EXPECT_TRUE(find("button_start")->isHidden());
    EXPECT_TRUE(find("image_full")->isHidden());
    EXPECT_TRUE(find("panel_scores")->isHidden());
    EXPECT_TRUE(find("edit_word")->isHidden());
    EXPECT_TRUE(find<QTextEdit>("mainchat")->isReadOnly());

    const QString phrases[9] = {"Way To Go!", "Good One!",         "Nice Try!",
                                "Excellent!", "Brilliant!",        "Wow, WTG!",
                                "Thanks!",    "Way To Go Teamie!", "Good Game Everyone!"};
    for (int n = 1; n <= 9; ++n)
        EXPECT_EQ(board.phraseButton(n)->toolTip(), phrases[n - 1]);
    EXPECT_EQ(board.phraseButton(10)->toolTip(), "Chatter Sounds");
    EXPECT_EQ(board.phraseButton(1)->geometry(), QRect(566, 128, 25, 19));
    EXPECT_EQ(board.phraseButton(10)->geometry(), QRect(670, 148, 25, 19));

    for (int seat = 1; seat <= 6; ++seat) {
        QLabel* name = board.playerNameLabel(seat);
        EXPECT_EQ(name->text(), "<Waiting>");
        EXPECT_EQ(name->property("Tag").toInt(), seat);
        EXPECT_EQ(board.lastWordLabel(seat)->property("Tag").toInt(), seat);
        // A seat's hint is also its tool tip.
        EXPECT_EQ(name->toolTip(), model.seat(seat).hint);
    }

    EXPECT_EQ(find("edit_word")->geometry(), QRect(251, 223, 297, 38));
    EXPECT_EQ(find("image_error")->size(), QSize(195, 21));
    EXPECT_EQ(find("mainchat")->geometry(), QRect(572, 176, 195, 255));
    EXPECT_EQ(find("label_score64")->parentWidget()->objectName(), "panel_6");
    EXPECT_EQ(find("panel_6")->geometry(), QRect(163, 302, 152, 138));
    EXPECT_EQ(BoardPanel::seatColour(5), QColor(0x80, 0x80, 0xC0));
    EXPECT_EQ(BoardPanel::seatColour(7), QColor(Qt::black));
}

TEST_F(BoardFixture, BoardButtonsLightUpUnderTheMouse) {
    for (const char* name :
         {"button_start", "button_igiveup", "b_phrase1", "b_phrase10", "Image4"}) {
        QWidget* button = find(QString::fromLatin1(name));
        ASSERT_NE(button, nullptr) << name;
        EXPECT_EQ(button->cursor().shape(), Qt::PointingHandCursor) << name;
        const QImage normal = button->grab().toImage();
        QEnterEvent enter(QPointF(2, 2), QPointF(2, 2), QPointF(2, 2));
        QApplication::sendEvent(button, &enter);
        const QImage hot = button->grab().toImage();
        EXPECT_NE(normal, hot) << name;
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(button, &leave);
        EXPECT_EQ(button->grab().toImage(), normal) << name;
    }
}

} // namespace
