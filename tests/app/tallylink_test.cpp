// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's links from the game to the tally window: words found, the
// high score, games, and the other players at the table.

#include "gamemodel.h"
#include "tchat.h"
#include "ttallylist.h"

#include <QListWidget>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

struct TallyLink : ::testing::Test {
    QTemporaryDir dir;
    Tchat chat{dir.filePath("kestrunlobby.ini"), {QStringLiteral("Solo")}};
    Ttallylist* tally = new Ttallylist(&chat, dir.filePath("Vorlixtally.tld"), dir.path());
    GameModel& model = chat.model();

    TallyLink() {
        chat.timer1()->stop();
        ProgramWindows windows;
        windows.tally = tally;
        chat.attachWindows(windows);
        model.login(1);
        model.newplayerinfo("1+Alice");
        model.newplayerinfo("2+Grob");
        model.newplayerinfo("4+Dora");
    }
    void playOneRound(const QByteArray& scores) {
        model.startthegame("Alice+1+60+5+");
        model.startround("1+60+5+STA+1+STARTER+");
        model.endround(scores);
    }
    QListWidget* checklist() { return tally->findChild<QListWidget*>("checklist"); }
};

TEST_F(TallyLink, OwnWordsAreCountedOthersAreNot) {
    const QString before = tally->mylabel(4);
    model.gotword("1+STACK+5+");
    model.gotword("2+STAMP+5+");
    model.gotword("1+STAR+4+");
    EXPECT_EQ(tally->mylabel(4).toInt(), before.toInt() + 2);
}

TEST_F(TallyLink, ChecklistHoldsTheOtherSeatedPlayers) {
    tally->loadchecklist(); // as the tally window asks when shown
    ASSERT_EQ(checklist()->count(), 2);
    EXPECT_EQ(checklist()->item(0)->text(), "Grob");
    EXPECT_EQ(checklist()->item(1)->text(), "Dora");
    EXPECT_EQ(checklist()->item(0)->checkState(), Qt::Unchecked);
}

TEST_F(TallyLink, WinRecordsGameAndHighScore) {
    playOneRound("1+42+4+4+42+2+30+6+3+12+3+0+0+0+0+4+5+1+1+5+5+0+0+0+0+6+0+0+0+0");
    model.winner("1+");
    EXPECT_EQ(tally->mylabel(1), "1"); // games
    EXPECT_EQ(tally->mylabel(2), "1"); // wins
    EXPECT_EQ(tally->mylabel(3), "42");

    // A lower total neither replaces the high score nor counts as a win.
    playOneRound("1+17+4+4+17+2+30+6+3+12+3+0+0+0+0+4+5+1+1+5+5+0+0+0+0+6+0+0+0+0");
    model.winner("2+");
    EXPECT_EQ(tally->mylabel(1), "2");
    EXPECT_EQ(tally->mylabel(2), "1");
    EXPECT_EQ(tally->mylabel(3), "42");
}

TEST_F(TallyLink, AnOpponentCalledAddtomineWinsForHimself) {
    model.newplayerinfo("4+addtomine");
    playOneRound("1+17+4+4+17+2+0+0+0+0+3+0+0+0+0+4+42+4+4+42+5+0+0+0+0+6+0+0+0+0");
    model.winner("4+");
    EXPECT_EQ(tally->mylabel(1), "1");
    EXPECT_EQ(tally->mylabel(2), "0");
}

TEST_F(TallyLink, AWinnerInNoSeatRecordsNoGame) {
    playOneRound("1+42+4+4+42+2+30+6+3+12+3+0+0+0+0+4+5+1+1+5+5+0+0+0+0+6+0+0+0+0");
    model.winner("0+");
    model.winner("99+");
    EXPECT_EQ(tally->mylabel(1), "0"); // no game against a nameless opponent
    EXPECT_EQ(tally->mylabel(2), "0");
    EXPECT_EQ(tally->mylabel(3), "42"); // the own total is still a high score
}

TEST_F(TallyLink, SpyRecordsNothing) {
    model.setOwnNumber(7);
    playOneRound("1+42+4+4+42+2+30+6+3+12+3+0+0+0+0+4+5+1+1+5+5+0+0+0+0+6+0+0+0+0");
    model.gotword("1+STACK+5+");
    model.winner("1+");
    EXPECT_EQ(tally->mylabel(1), "0");
    EXPECT_EQ(tally->mylabel(3), "0");
    EXPECT_EQ(tally->mylabel(4), "0");
}

} // namespace
