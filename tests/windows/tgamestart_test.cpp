// SPDX-License-Identifier: GPL-3.0-or-later
#include "clickablepicture.h"
#include "tgamestart.h"
#include "updown.h"

#include <QAccessible>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

namespace {

class GameStart : public ::testing::Test {
protected:
    void SetUp() override {
        window.show();
        window.send = [this](const QByteArray& message) { sent << message; };
        window.playerName = [] { return QStringLiteral("You"); };
        window.saveSettings = [this] {
            ++saves;
            hiddenWhenSaved = window.isHidden();
        };
    }

    ClickablePicture* picture(const QString& name) {
        return window.findChild<ClickablePicture*>(name);
    }
    QLineEdit* edit(const QString& name) { return window.findChild<QLineEdit*>(name); }

    void click(QWidget* widget) { QTest::mouseClick(widget, Qt::LeftButton); }
    void clickArrow(const QString& upDown, const char* which, int times) {
        auto* arrow = window.findChild<UpDown*>(upDown)->findChild<QToolButton*>(which);
        for (int i = 0; i < times; ++i)
            click(arrow);
    }

    // The values of the seven word-length pictures that stand checked.
    QList<int> checkedLengths() {
        QList<int> checked;
        for (int value = 0; value <= 6; ++value) {
            if (picture(QStringLiteral("image_letters%1").arg(value))->isChecked())
                checked << value;
        }
        return checked;
    }

    Tgamestart window{nullptr};
    QList<QByteArray> sent;
    int saves = 0;
    bool hiddenWhenSaved = false;
};

} // namespace

TEST_F(GameStart, StartsWithDefaultsAndEveryComposedNameResolves) {
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Vorlix - Game Start"));
    EXPECT_EQ(edit(QStringLiteral("edit_playtoscore"))->text(), QStringLiteral("5"));
    EXPECT_EQ(edit(QStringLiteral("edit_creationtime"))->text(), QStringLiteral("60"));
    EXPECT_EQ(window.choice(), (GameStartChoice{5, 60, 6, true}));
    const char* meanings[] = {"No Limit",       "3 Letter Words", "4 Letter Words",
                              "5 Letter Words", "6 Letter Words", "7 Letter Words",
                              "Random"};
    for (int value = 0; value <= 6; ++value) {
        ClickablePicture* p = picture(QStringLiteral("image_letters%1").arg(value));
        ASSERT_NE(p, nullptr) << value;
        EXPECT_EQ(p->toolTip(), QString::number(value));
        EXPECT_EQ(p->size(), QSize(34, 21));
        EXPECT_EQ(window.findChild<QLabel*>(QStringLiteral("label_letters%1").arg(value))->text(),
                  QString::fromLatin1(meanings[value]));
    }
    EXPECT_EQ(checkedLengths(), QList<int>{6});
    EXPECT_NE(window.findChild<QObject*>(QStringLiteral("imagelist_checks")), nullptr);
    EXPECT_TRUE(picture(QStringLiteral("image_show"))->isChecked());
    EXPECT_NE(picture(QStringLiteral("Image1")), nullptr);
}

TEST_F(GameStart, UpDownsStopAtTheirLimitsWithoutWrapping) {
    clickArrow(QStringLiteral("UpDown1"), "up", 12);
    EXPECT_EQ(edit(QStringLiteral("edit_playtoscore"))->text(), QStringLiteral("10"));
    clickArrow(QStringLiteral("UpDown1"), "down", 15);
    EXPECT_EQ(edit(QStringLiteral("edit_playtoscore"))->text(), QStringLiteral("1"));
    EXPECT_EQ(window.choice().rounds, 1);

    clickArrow(QStringLiteral("UpDown2"), "up", 1);
    EXPECT_EQ(edit(QStringLiteral("edit_creationtime"))->text(), QStringLiteral("65"));
    clickArrow(QStringLiteral("UpDown2"), "up", 20);
    EXPECT_EQ(edit(QStringLiteral("edit_creationtime"))->text(), QStringLiteral("120"));
    clickArrow(QStringLiteral("UpDown2"), "down", 30);
    EXPECT_EQ(edit(QStringLiteral("edit_creationtime"))->text(), QStringLiteral("30"));

    EXPECT_EQ(window.choice().seconds, 30);

    window.setChoice({0, 500, 3, false});
    EXPECT_EQ(window.choice(), (GameStartChoice{1, 120, 3, false}));
    EXPECT_EQ(edit(QStringLiteral("edit_playtoscore"))->text(), QStringLiteral("1"));
    EXPECT_EQ(edit(QStringLiteral("edit_creationtime"))->text(), QStringLiteral("120"));
}

TEST_F(GameStart, EditsCannotBeTypedIntoButArrowKeysStep) {
    QLineEdit* rounds = edit(QStringLiteral("edit_playtoscore"));
    EXPECT_TRUE(rounds->isReadOnly());
    QTest::keyClicks(rounds, QStringLiteral("9"));
    EXPECT_EQ(rounds->text(), QStringLiteral("5"));
    QTest::keyClick(rounds, Qt::Key_Up);
    EXPECT_EQ(rounds->text(), QStringLiteral("6"));
    QLineEdit* time = edit(QStringLiteral("edit_creationtime"));
    QTest::keyClick(time, Qt::Key_Down);
    EXPECT_EQ(time->text(), QStringLiteral("55"));
}

TEST_F(GameStart, ExactlyOneLengthIsCheckedAfterAnyClick) {
    const char* names[] = {"No Limit",       "3 Letter Words", "4 Letter Words", "5 Letter Words",
                           "6 Letter Words", "7 Letter Words", "Random"};
    for (int value : {0, 3, 5, 1, 6, 2, 4}) {
        click(picture(QStringLiteral("image_letters%1").arg(value)));
        EXPECT_EQ(checkedLengths(), QList<int>{value});
        EXPECT_EQ(window.choice().lengthChoice, value);
        // A screen reader hears radio buttons named by their captions, the
        // chosen one checked, and can choose one itself.
        for (int other = 0; other <= 6; ++other) {
            QAccessibleInterface* length = QAccessible::queryAccessibleInterface(
                picture(QStringLiteral("image_letters%1").arg(other)));
            EXPECT_EQ(length->role(), QAccessible::RadioButton);
            EXPECT_EQ(length->text(QAccessible::Name), names[other]);
            EXPECT_TRUE(length->state().checkable);
            EXPECT_EQ(length->state().checked, other == value) << other;
        }
    }
    QAccessibleInterface* three =
        QAccessible::queryAccessibleInterface(picture(QStringLiteral("image_letters1")));
    three->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
    EXPECT_EQ(checkedLengths(), QList<int>{1});
    QAccessibleInterface* show =
        QAccessible::queryAccessibleInterface(picture(QStringLiteral("image_show")));
    EXPECT_EQ(show->role(), QAccessible::CheckBox);
    EXPECT_TRUE(show->state().checked);
    EXPECT_EQ(QAccessible::queryAccessibleInterface(picture(QStringLiteral("Image1")))->role(),
              QAccessible::Button);
}

TEST_F(GameStart, ThePlayersChangesAreReportedShownChoicesAreNot) {
    QList<GameStartChoice> reported;
    QObject::connect(&window, &Tgamestart::choiceChanged,
                     [&](const GameStartChoice& c) { reported << c; });
    window.setChoice({7, 45, 2, true});
    EXPECT_TRUE(reported.isEmpty());
    clickArrow(QStringLiteral("UpDown1"), "up", 1);
    QTest::keyClick(edit(QStringLiteral("edit_creationtime")), Qt::Key_Down);
    click(picture(QStringLiteral("image_letters5")));
    click(picture(QStringLiteral("image_letters5"))); // already chosen: no change
    click(picture(QStringLiteral("image_show")));
    window.setChoice({10, 120, 0, false});
    clickArrow(QStringLiteral("UpDown1"), "up", 1); // at its limit: no change
    EXPECT_EQ(reported,
              (QList<GameStartChoice>{
                  {8, 45, 2, true}, {8, 40, 2, true}, {8, 40, 5, true}, {8, 40, 5, false}}));
}

TEST_F(GameStart, ClickingTheCheckedLengthChangesNothing) {
    click(picture(QStringLiteral("image_letters3")));
    const QImage before = picture(QStringLiteral("image_letters3"))->pixmap().toImage();
    click(picture(QStringLiteral("image_letters3")));
    EXPECT_EQ(checkedLengths(), QList<int>{3});
    EXPECT_EQ(window.choice().lengthChoice, 3);
    EXPECT_EQ(picture(QStringLiteral("image_letters3"))->pixmap().toImage(), before);
}

TEST_F(GameStart, CheckedAndUncheckedPicturesDiffer) {
    const QImage on = picture(QStringLiteral("image_letters6"))->pixmap().toImage();
    const QImage off = picture(QStringLiteral("image_letters0"))->pixmap().toImage();
    EXPECT_EQ(on.size(), QSize(34, 21));
    EXPECT_NE(on, off);
}

TEST_F(GameStart, ShowWordListTogglesAndIsSent) {
    ClickablePicture* show = picture(QStringLiteral("image_show"));
    click(show);
    EXPECT_FALSE(show->isChecked());
    EXPECT_FALSE(window.choice().showWordList);
    window.button_startClick();
    click(show);
    EXPECT_TRUE(show->isChecked());
    EXPECT_TRUE(window.choice().showWordList);
    window.button_startClick();
    ASSERT_EQ(sent.size(), 2);
    EXPECT_EQ(sent[0], QByteArray("CMD_startgame+You+5+60+6+0+\xFF"));
    EXPECT_EQ(sent[1], QByteArray("CMD_startgame+You+5+60+6+1+\xFF"));
}

TEST_F(GameStart, StartPictureSendsHidesAndStoresSettings) {
    window.show();
    click(picture(QStringLiteral("Image1")));
    ASSERT_EQ(sent.size(), 1);
    EXPECT_EQ(sent[0], QByteArray("CMD_startgame+You+5+60+6+1+\xFF"));
    EXPECT_TRUE(window.isHidden());
    EXPECT_EQ(saves, 1);
    EXPECT_TRUE(hiddenWhenSaved);
}

TEST_F(GameStart, StoredSettingsAreShownAndSent) {
    window.setChoice({7, 45, 2, true});
    EXPECT_EQ(edit(QStringLiteral("edit_playtoscore"))->text(), QStringLiteral("7"));
    EXPECT_EQ(edit(QStringLiteral("edit_creationtime"))->text(), QStringLiteral("45"));
    EXPECT_EQ(checkedLengths(), QList<int>{2});
    window.playerName = [] { return QStringLiteral("Zoë"); };
    window.button_startClick();
    ASSERT_EQ(sent.size(), 1);
    EXPECT_EQ(sent[0], QByteArray("CMD_startgame+Zo\xEB+7+45+2+1+\xFF"));
}

TEST_F(GameStart, PlusInThePlayersNameNeverShiftsTheSettings) {
    window.playerName = [] { return QStringLiteral("Bob+1"); };
    window.setChoice({3, 90, 1, true});
    window.button_startClick();
    ASSERT_EQ(sent.size(), 1);
    EXPECT_EQ(sent[0], QByteArray("CMD_startgame+Bob1+3+90+1+1+\xFF"));
}

TEST_F(GameStart, StoredLengthOutsideTheGroupFallsBackToRandom) {
    for (int value : {9, 7, -1}) {
        window.checkimage(2);
        window.checkimage(value);
        EXPECT_EQ(checkedLengths(), QList<int>{6}) << value;
        EXPECT_EQ(window.choice().lengthChoice, 6) << value;
    }
    window.setChoice({5, 60, 42, true});
    EXPECT_EQ(checkedLengths(), QList<int>{6});
    EXPECT_TRUE(picture(QStringLiteral("image_show"))->isChecked());
}

TEST_F(GameStart, EnterStartsAndEscapeCloses) {
    window.show();
    QTest::keyClick(edit(QStringLiteral("edit_creationtime")), Qt::Key_Return);
    ASSERT_EQ(sent.size(), 1);
    EXPECT_TRUE(window.isHidden());

    window.show();
    QTest::keyClick(&window, Qt::Key_Escape);
    EXPECT_TRUE(window.isHidden());
    EXPECT_EQ(sent.size(), 1);

    window.show();
    QTest::keyClick(&window, Qt::Key_Enter);
    EXPECT_EQ(sent.size(), 2);
}

TEST_F(GameStart, SpaceOnAFocusedPictureChoosesIt) {
    QTest::keyClick(picture(QStringLiteral("image_letters4")), Qt::Key_Space);
    EXPECT_EQ(checkedLengths(), QList<int>{4});
    QTest::keyClick(picture(QStringLiteral("image_show")), Qt::Key_Space);
    EXPECT_FALSE(window.choice().showWordList);
}
