// The board's entries in the tally window: words found, high score, games and
// the check list of the other players at the table.

#include "boardpanel.h"
#include "boardrecorder.h"
#include "ttallylist.h"

#include <QLabel>
#include <QListWidget>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

struct BoardTally : ::testing::Test {
    QTemporaryDir dir;
    ClientState state;
    BoardRecorder host;
    BoardPanel board{state, host};
    Ttallylist tally{nullptr, dir.filePath("Vorlixtally.tld"), dir.path()};

    BoardTally() {
        host.tallyWindow = &tally;
        tally.loadchecklist = [this] { board.loadchecklist(); };
        state.mynumber = 1;
        state.loggedin = true;
        board.playerNameLabel(1)->setText("Alice");
        board.playerNameLabel(2)->setText("Grob");
        board.playerNameLabel(4)->setText("Dora");
    }
    void playOneRound(const QByteArray& scores) {
        board.startthegame("Alice+1+60+5+");
        board.startround("1+60+5+STA+1+STARTER+");
        board.endround(scores);
    }
};

TEST_F(BoardTally, OwnWordsAreCountedOthersAreNot) {
    const QString before = tally.mylabel(4);
    board.gotword("1+STACK+5+");
    board.gotword("2+STAMP+5+");
    board.gotword("1+STAR+4+");
    EXPECT_EQ(tally.mylabel(4).toInt(), before.toInt() + 2);
}

TEST_F(BoardTally, ChecklistHoldsTheOtherSeatedPlayers) {
    board.loadchecklist();
    auto* checklist = tally.findChild<QListWidget*>("checklist");
    ASSERT_EQ(checklist->count(), 2);
    EXPECT_EQ(checklist->item(0)->text(), "Grob");
    EXPECT_EQ(checklist->item(1)->text(), "Dora");
    EXPECT_EQ(checklist->item(0)->checkState(), Qt::Unchecked);
}

TEST_F(BoardTally, WinRecordsGameAndHighScore) {
    playOneRound("1+42+4+4+42+2+30+6+3+12+3+0+0+0+0+4+5+1+1+5+5+0+0+0+0+6+0+0+0+0");
    board.winner("1+");
    EXPECT_EQ(tally.mylabel(1), "1"); // games
    EXPECT_EQ(tally.mylabel(2), "1"); // wins
    EXPECT_EQ(tally.mylabel(3), "42");

    // A lower total neither replaces the high score nor counts as a win.
    playOneRound("1+17+4+4+17+2+30+6+3+12+3+0+0+0+0+4+5+1+1+5+5+0+0+0+0+6+0+0+0+0");
    board.winner("2+");
    EXPECT_EQ(tally.mylabel(1), "2");
    EXPECT_EQ(tally.mylabel(2), "1");
    EXPECT_EQ(tally.mylabel(3), "42");
}

TEST_F(BoardTally, AWinnerInNoSeatRecordsNoGame) {
    playOneRound("1+42+4+4+42+2+30+6+3+12+3+0+0+0+0+4+5+1+1+5+5+0+0+0+0+6+0+0+0+0");
    board.winner("0+");
    board.winner("99+");
    EXPECT_EQ(tally.mylabel(1), "0"); // no game against a nameless opponent
    EXPECT_EQ(tally.mylabel(2), "0");
    EXPECT_EQ(tally.mylabel(3), "42"); // the own total is still a high score
}

TEST_F(BoardTally, SpyRecordsNothing) {
    state.mynumber = 7;
    playOneRound("1+42+4+4+42+2+30+6+3+12+3+0+0+0+0+4+5+1+1+5+5+0+0+0+0+6+0+0+0+0");
    board.gotword("1+STACK+5+");
    board.winner("1+");
    EXPECT_EQ(tally.mylabel(1), "0");
    EXPECT_EQ(tally.mylabel(3), "0");
    EXPECT_EQ(tally.mylabel(4), "0");
}

} // namespace
