// SPDX-License-Identifier: GPL-3.0-or-later
// The tally window in play: following players, counting games and words,
// dropping and resetting.

#include "inttext.h"
#include "tallywindowfixture.h"

#include <QAccessible>

#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionViewItem>
#include <QTest>

#include <gtest/gtest.h>

TEST_F(TallyWindow, FirstRunShowsZerosAndFollowsNobody) {
    auto tally = open();
    EXPECT_EQ(tally->windowTitle(), QStringLiteral("Vorlix - Tally List"));
    EXPECT_EQ(tally->size(), QSize(475, 390));
    EXPECT_TRUE(tally->isHidden());
    for (int n = 1; n <= 4; ++n)
        EXPECT_EQ(tally->mylabel(n), QStringLiteral("0"));
    for (int n = 1; n <= 8; ++n)
        EXPECT_EQ(text(*tally, QStringLiteral("label_%1").arg(n)), QStringLiteral("0"));
    EXPECT_EQ(text(*tally, QStringLiteral("label_hisname")), QStringLiteral("XX Wins:"));
    EXPECT_EQ(followedListOf(*tally)->count(), 0);
    EXPECT_EQ(tally->grid().rowCount(), 1);
    EXPECT_TRUE(errors.isEmpty());
    EXPECT_TRUE(packer.decompressOutputs.isEmpty());
}

TEST_F(TallyWindow, FirstGameWonAgainstAFollowedOpponentIsWrittenAtExit) {
    table.players = {QStringLiteral("Bob")};
    {
        auto tally = open();
        table.fill(*tally);
        toggle(checklistOf(*tally), 0); // the user ticks "Bob"
        ASSERT_EQ(followedListOf(*tally)->count(), 1);
        EXPECT_EQ(followedListOf(*tally)->item(0)->checkState(), Qt::Checked);
        EXPECT_EQ(checklistOf(*tally)->item(0)->checkState(), Qt::Checked);
        EXPECT_TRUE(tally->isFollowed(QStringLiteral("BOB")));
        EXPECT_FALSE(tally->isFollowed(QStringLiteral("Bo")));
        tally->addgame(TallyWinner::me());
        EXPECT_EQ(tally->mylabel(1), QStringLiteral("1"));
        EXPECT_EQ(tally->mylabel(2), QStringLiteral("1"));
    }
    EXPECT_EQ(storedText(), lines({"9", "2", "0", "Bob", "1", "1", "1", "0", "0", "1",
                                   "0", "0", "0", "1",   "0", "0", "0", "1", "0", "0"}));
    // The scratch file lives in the private working directory and is gone.
    ASSERT_FALSE(packer.compressInputs.isEmpty());
    EXPECT_EQ(QFileInfo(packer.compressInputs.last()).absolutePath(), QDir(scratch).absolutePath());
    EXPECT_EQ(QFileInfo(packer.compressInputs.last()).fileName(), QStringLiteral("temp.txt"));
    EXPECT_FALSE(QFileInfo::exists(QDir(scratch).filePath(QStringLiteral("temp.txt"))));
    EXPECT_FALSE(QFileInfo::exists(tallyPath + QStringLiteral(".new")));
}

TEST_F(TallyWindow, GamesWonByOthersCountAsNeitherWonAndUnfollowedAreSkipped) {
    table.players = {QStringLiteral("Bob"), QStringLiteral("Carol"), QStringLiteral("Eve")};
    auto tally = open();
    follow(*tally, QStringLiteral("Bob"));
    follow(*tally, QStringLiteral("Carol"));
    tally->addgame(TallyWinner::opponent(QStringLiteral("Dave"))); // a third player won
    tally->addgame(TallyWinner::opponent(QStringLiteral("Bob")));

    const TallyGrid& grid = tally->grid();
    ASSERT_EQ(grid.rowCount(), 3);
    const QStringList bob = {"Bob", "2", "1", "0", "1", "2", "1", "0", "1"};
    const QStringList carol = {"Carol", "2", "0", "0", "2", "2", "0", "0", "2"};
    for (int column = 0; column < 9; ++column) {
        EXPECT_EQ(grid.cell(column, 1), bob[column]) << column;
        EXPECT_EQ(grid.cell(column, 2), carol[column]) << column;
    }
    EXPECT_EQ(tally->mylabel(1), QStringLiteral("2"));
    EXPECT_EQ(tally->mylabel(2), QStringLiteral("0"));
}

TEST_F(TallyWindow, PlayerWhoLeftBeforeTheEndIsNotCounted) {
    table.players = {QStringLiteral("Bob")};
    auto tally = open();
    follow(*tally, QStringLiteral("Bob"));
    table.players.clear(); // Bob's seat reads "<Waiting>" at the end
    tally->addgame(TallyWinner::me());
    EXPECT_EQ(tally->grid().cell(1, 1), QStringLiteral("0"));
    EXPECT_EQ(tally->mylabel(1), QStringLiteral("1"));
}

// The old marker of an own win was a name a player could take; a tally file
// that follows such a player reads and counts as any other.
TEST_F(TallyWindow, AnOpponentNamedLikeTheOldOwnWinMarkerIsOnlyAnOpponent) {
    writeAll(tallyPath, "PACK" + lines({"9", "2", "0", "addtomine", "4", "3", "2", "1", "0", "2",
                                        "5", "0", "7", "1",         "0", "0", "0", "0", "0", "0"}));
    table.players = {QStringLiteral("addtomine")};
    auto tally = open();
    ASSERT_TRUE(tally->isFollowed(QStringLiteral("addtomine")));
    EXPECT_EQ(tally->mylabel(2), QStringLiteral("2"));
    tally->addgame(TallyWinner::opponent(QStringLiteral("addtomine")));
    EXPECT_EQ(tally->mylabel(2), QStringLiteral("2")); // no own win
    tally->addgame(TallyWinner::me());
    EXPECT_EQ(tally->mylabel(1), QStringLiteral("6"));
    EXPECT_EQ(tally->mylabel(2), QStringLiteral("3"));
    const QStringList row = {"addtomine", "5", "2", "3", "0", "2", "1", "1", "0"};
    for (int column = 0; column < 9; ++column)
        EXPECT_EQ(tally->grid().cell(column, 1), row[column]) << column;
}

TEST_F(TallyWindow, WinnerComparisonIsExactButLookupIgnoresCase) {
    table.players = {QStringLiteral("Bob")};
    auto tally = open();
    follow(*tally, QStringLiteral("Bob"));
    table.players = {QStringLiteral("BOB")};
    tally->addgame(TallyWinner::opponent(QStringLiteral("BOB")));
    const TallyGrid& grid = tally->grid();
    EXPECT_EQ(grid.cell(1, 1), QStringLiteral("1"));
    EXPECT_EQ(grid.cell(2, 1), QStringLiteral("0"));
    EXPECT_EQ(grid.cell(4, 1), QStringLiteral("1"));
    EXPECT_EQ(grid.cell(8, 1), QStringLiteral("1"));
}

TEST_F(TallyWindow, AlreadyFollowedNameAddsNoSecondRow) {
    table.players = {QStringLiteral("Bob"), QStringLiteral("bob")};
    auto tally = open();
    table.fill(*tally);
    toggle(checklistOf(*tally), 0);
    toggle(checklistOf(*tally), 0); // unticking does not drop a followed player
    toggle(checklistOf(*tally), 1);
    EXPECT_EQ(followedListOf(*tally)->count(), 1);
    EXPECT_EQ(tally->grid().rowCount(), 2);
    EXPECT_EQ(checklistOf(*tally)->item(0)->checkState(), Qt::Checked);
}

TEST_F(TallyWindow, RefillingTheListByCodeFollowsNobody) {
    table.players = {QStringLiteral("Bob"), QStringLiteral("Carol")};
    auto tally = open();
    table.fill(*tally);
    checklistOf(*tally)->item(1)->setCheckState(Qt::Checked);
    checklistOf(*tally)->item(1)->setCheckState(Qt::Unchecked);
    QCoreApplication::processEvents();
    EXPECT_EQ(followedListOf(*tally)->count(), 0);
}

TEST_F(TallyWindow, ClickingAFollowedPlayerShowsTheFigures) {
    table.players = {QStringLiteral("Bob"), QStringLiteral("Carol")};
    auto tally = open();
    follow(*tally, QStringLiteral("Bob"));
    follow(*tally, QStringLiteral("Carol"));
    tally->addgame(TallyWinner::opponent(QStringLiteral("Carol")));
    followedListOf(*tally)->setCurrentRow(1);
    EXPECT_EQ(text(*tally, QStringLiteral("label_hisname")), QStringLiteral("Carol Wins:"));
    EXPECT_EQ(text(*tally, QStringLiteral("label_hisnametop")), QStringLiteral("Carol's Tally"));
    EXPECT_EQ(text(*tally, QStringLiteral("label_1")), QStringLiteral("1"));
    EXPECT_EQ(text(*tally, QStringLiteral("label_2")), QStringLiteral("1"));
    EXPECT_EQ(text(*tally, QStringLiteral("label_6")), QStringLiteral("1"));
    // A finished game refreshes the player on show.
    tally->addgame(TallyWinner::me());
    EXPECT_EQ(text(*tally, QStringLiteral("label_1")), QStringLiteral("2"));
    EXPECT_EQ(text(*tally, QStringLiteral("label_7")), QStringLiteral("1"));

    // Once the focus has left the list, no entry of it reads as focused to a
    // screen reader, and the player on show stays; it comes back with the focus.
    QListWidget* list = followedListOf(*tally);
    tally->show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(tally.get()));
    list->setFocus();
    list->setCurrentRow(1);
    const auto focusedEntries = [&] {
        int n = 0;
        QAccessibleInterface* view = QAccessible::queryAccessibleInterface(list);
        for (int i = 0; i < view->childCount(); ++i)
            if (view->child(i)->state().focused)
                ++n;
        return n;
    };
    EXPECT_EQ(focusedEntries(), 1);
    tally->findChild<QPushButton*>(QStringLiteral("button_done"))->setFocus();
    EXPECT_EQ(focusedEntries(), 0);
    EXPECT_EQ(text(*tally, QStringLiteral("label_hisnametop")), QStringLiteral("Carol's Tally"));
    list->setFocus();
    EXPECT_EQ(list->currentRow(), 1);
    EXPECT_EQ(focusedEntries(), 1);
    EXPECT_EQ(list->accessibleName(), QStringLiteral("Tallied Opponents"));
}

TEST_F(TallyWindow, OwnFiguresAreCountedAndSet) {
    auto tally = open();
    tally->addtomineincrease(4);
    tally->addtomineincrease(4);
    tally->addtomineset(3, QStringLiteral("57"));
    EXPECT_EQ(tally->mylabel(4), QStringLiteral("2"));
    EXPECT_EQ(tally->mylabel(3), QStringLiteral("57"));
    EXPECT_EQ(tally->grid().cell(3, 0), QStringLiteral("57"));
}

TEST_F(TallyWindow, CellThatIsNoNumberRaisesAndLeavesTheFigure) {
    writeAll(tallyPath, "PACK" + lines({"9", "1", "0", "3", "1", "20", "abc", "0", "0", "0", "0"}));
    auto tally = open();
    EXPECT_EQ(tally->mylabel(4), QStringLiteral("abc"));
    EXPECT_THROW(tally->addtomineincrease(4), wire::EConvertError);
    EXPECT_EQ(tally->mylabel(4), QStringLiteral("abc"));
    EXPECT_EQ(tally->grid().cell(4, 0), QStringLiteral("abc"));
}

TEST_F(TallyWindow, SessionFiguresRestartWhileTotalsStay) {
    table.players = {QStringLiteral("Bob")};
    {
        auto tally = open();
        follow(*tally, QStringLiteral("Bob"));
        tally->addgame(TallyWinner::opponent(QStringLiteral("Bob")));
        tally->addgame(TallyWinner::me());
    }
    auto tally = open();
    ASSERT_EQ(followedListOf(*tally)->count(), 1);
    EXPECT_EQ(followedListOf(*tally)->item(0)->text(), QStringLiteral("Bob"));
    EXPECT_EQ(followedListOf(*tally)->item(0)->checkState(), Qt::Checked);
    EXPECT_EQ(tally->mylabel(1), QStringLiteral("2"));
    const QStringList expected = {"Bob", "2", "1", "1", "0", "0", "0", "0", "0"};
    for (int column = 0; column < 9; ++column)
        EXPECT_EQ(tally->grid().cell(column, 1), expected[column]) << column;
}

TEST_F(TallyWindow, DroppingTheOnlyOpponentAsksAndLeavesRowZeroAlone) {
    table.players = {QStringLiteral("Bob")};
    auto tally = open();
    follow(*tally, QStringLiteral("Bob"));
    followedListOf(*tally)->setCurrentRow(0);

    answerYes = false;
    toggle(followedListOf(*tally), 0);
    ASSERT_EQ(questions.size(), 1);
    EXPECT_EQ(questions[0],
              QStringLiteral("This will delete Bob's Tally, Are you want to delete it?"));
    EXPECT_EQ(followedListOf(*tally)->item(0)->checkState(), Qt::Checked);
    EXPECT_EQ(tally->grid().rowCount(), 2);

    answerYes = true;
    toggle(followedListOf(*tally), 0);
    EXPECT_EQ(questions.size(), 2);
    EXPECT_EQ(followedListOf(*tally)->count(), 0);
    EXPECT_EQ(tally->grid().rowCount(), 1);
    EXPECT_EQ(checklistOf(*tally)->item(0)->checkState(), Qt::Unchecked);
    EXPECT_EQ(text(*tally, QStringLiteral("label_hisname")), QStringLiteral("XX Wins:"));
}

TEST_F(TallyWindow, DroppingAMiddleOpponentKeepsListAndRowsInStep) {
    table.players = {QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")};
    auto tally = open();
    for (const QString& name : table.players)
        follow(*tally, name);
    tally->addgame(TallyWinner::opponent(QStringLiteral("C")));
    tally->listbox_tallyClickCheck(1); // still checked: nothing happens
    EXPECT_TRUE(questions.isEmpty());
    followedListOf(*tally)->item(1)->setCheckState(Qt::Unchecked);
    tally->listbox_tallyClickCheck(1);
    ASSERT_EQ(followedListOf(*tally)->count(), 2);
    EXPECT_EQ(tally->grid().cell(0, 2), QStringLiteral("C"));
    EXPECT_EQ(tally->grid().cell(2, 2), QStringLiteral("1"));
    EXPECT_EQ(followedListOf(*tally)->item(1)->text(), QStringLiteral("C"));
}

TEST_F(TallyWindow, ResetEmptiesEverythingConsistently) {
    table.players = {QStringLiteral("Bob"), QStringLiteral("Carol")};
    auto tally = open();
    follow(*tally, QStringLiteral("Bob"));
    follow(*tally, QStringLiteral("Carol"));
    tally->addgame(TallyWinner::me());
    followedListOf(*tally)->setCurrentRow(0);

    auto* reset = tally->findChild<QPushButton*>(QStringLiteral("button_reset"));
    ASSERT_NE(reset, nullptr);
    answerYes = false;
    reset->click();
    EXPECT_EQ(questions.value(0), QStringLiteral("Are you sure you want to reset the Tally?"));
    EXPECT_EQ(tally->grid().rowCount(), 3);
    EXPECT_EQ(tally->mylabel(1), QStringLiteral("1"));

    answerYes = true;
    reset->click();
    EXPECT_EQ(tally->grid().rowCount(), 1);
    for (int column = 0; column < 9; ++column)
        EXPECT_EQ(tally->grid().cell(column, 0), QStringLiteral("0"));
    EXPECT_EQ(followedListOf(*tally)->count(), 0);
    for (int n = 1; n <= 4; ++n)
        EXPECT_EQ(tally->mylabel(n), QStringLiteral("0"));
    for (int n = 1; n <= 8; ++n)
        EXPECT_EQ(text(*tally, QStringLiteral("label_%1").arg(n)), QStringLiteral("0"));
    EXPECT_EQ(checklistOf(*tally)->item(0)->checkState(), Qt::Unchecked);

    // Following again after a reset puts the row in step with the list.
    follow(*tally, QStringLiteral("Carol"));
    tally->addgame(TallyWinner::opponent(QStringLiteral("Carol")));
    EXPECT_EQ(tally->grid().cell(0, 1), QStringLiteral("Carol"));
    EXPECT_EQ(tally->grid().cell(2, 1), QStringLiteral("1"));
    EXPECT_EQ(tally->mylabel(1), QStringLiteral("1"));
}

TEST_F(TallyWindow, DoneHidesTheWindow) {
    auto tally = open();
    tally->show();
    tally->findChild<QPushButton*>(QStringLiteral("button_done"))->click();
    EXPECT_TRUE(tally->isHidden());
}

TEST_F(TallyWindow, MouseClickOnACheckBoxFollowsAndDrops) {
    table.players = {QStringLiteral("Bob")};
    auto tally = open();
    tally->show();
    table.fill(*tally);
    const auto clickCheckBox = [](QListWidget* list, int row) {
        QStyleOptionViewItem option;
        option.initFrom(list);
        option.rect = list->visualItemRect(list->item(row));
        option.features |= QStyleOptionViewItem::HasCheckIndicator;
        const QRect box =
            list->style()->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &option, list);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, box.center());
        QCoreApplication::processEvents();
    };
    clickCheckBox(checklistOf(*tally), 0);
    ASSERT_EQ(followedListOf(*tally)->count(), 1);
    clickCheckBox(followedListOf(*tally), 0);
    EXPECT_EQ(questions.size(), 1);
    EXPECT_EQ(followedListOf(*tally)->count(), 0);
    EXPECT_EQ(tally->grid().rowCount(), 1);
}
