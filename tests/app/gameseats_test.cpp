// SPDX-License-Identifier: GPL-3.0-or-later
// The game model's people, without any widget: arrivals and departures of
// players and spies, the leader at the end of a round, the winner, and what the
// tally is told.

#include "gamemodel.h"
#include "gamerecorder.h"

#include <gtest/gtest.h>

namespace {

struct GameSeats : ::testing::Test {
    GameRecorder out;
    GameModel model{out};
    int spiesChangedCount = 0;

    GameSeats() {
        QObject::connect(&model, &GameModel::spiesChanged, [this] { ++spiesChangedCount; });
    }
    void seatPlayers() {
        model.login(1);
        model.newplayerinfo("1+Alice");
        model.newplayerinfo("3+Bob");
        out.clear();
    }
    QList<GameModel::Spy> spies(std::initializer_list<GameModel::Spy> list) { return list; }
};

TEST_F(GameSeats, SeatsStartEmptyWithTheirHints) {
    for (int n = 1; n <= 6; ++n) {
        EXPECT_EQ(model.seat(n).name, "<Waiting>") << n;
        EXPECT_EQ(model.seat(n).scoreText, "0") << n;
    }
    EXPECT_TRUE(model.seat(1).hint.isEmpty());
    EXPECT_EQ(model.seat(2).hint, "Grob");
    QStringList hints;
    for (int n = 3; n <= 6; ++n)
        hints << model.seat(n).hint;
    for (const QString& hint : hints) {
        EXPECT_FALSE(hint.isEmpty());
        EXPECT_EQ(hints.count(hint), 1) << "seat hints must differ";
    }
    EXPECT_TRUE(model.seatName(0).isEmpty());
    EXPECT_TRUE(model.seatName(7).isEmpty());
}

TEST_F(GameSeats, ArrivalsAreNamedAndAnnounced) {
    model.login(3);
    model.newplayerinfo("1+Host");
    model.newplayerinfo("2+Grob");
    EXPECT_EQ(model.seat(1).name, "Host");
    EXPECT_EQ(model.seat(2).name, "Grob");
    EXPECT_EQ(out.lines, (QStringList{"Host is Connected.", "Grob is Connected."}));
    EXPECT_EQ(out.sounds, (QStringList{"entered", "entered"}));
    EXPECT_EQ(out.arrivals, 0);

    model.newplayerinfo("3+Tester");
    EXPECT_EQ(out.lines.last(), "You are Connected.");
    EXPECT_EQ(out.arrivals, 1);
    EXPECT_EQ(model.seat(3).name, "Tester");
}

TEST_F(GameSeats, SpiesAreListedAndAnnounced) {
    model.login(7);
    model.newplayerinfo("7+Tester");
    model.newplayerinfo("8+Eve+Bob");
    EXPECT_EQ(out.lines, (QStringList{"You are Connected.", "You are spying.",
                                      "Eve+Bob is Connected.", "Eve+Bob is spying."}));
    EXPECT_EQ(out.arrivals, 1);
    EXPECT_EQ(model.spies(), spies({{7, "Tester"}, {8, "Eve+Bob"}}));
    EXPECT_EQ(spiesChangedCount, 2);
    for (int n = 1; n <= 6; ++n)
        EXPECT_EQ(model.seat(n).name, "<Waiting>");
}

TEST_F(GameSeats, NumbersBelowTheSeatsNameNoSeat) {
    model.login(3);
    model.newplayerinfo("0+Zero");
    model.newplayerinfo("-4+Minus");
    model.playerdisconnected("0+Zero");
    for (int n = 1; n <= 6; ++n)
        EXPECT_EQ(model.seat(n).name, "<Waiting>");
    EXPECT_TRUE(model.spies().isEmpty());
}

TEST_F(GameSeats, DeparturesFreeSeatsAndSeatTwoFallsBackToGrob) {
    model.login(1);
    model.newplayerinfo("2+Bob");
    model.newplayerinfo("5+Carl");
    model.newplayerinfo("8+Eve");
    out.clear();

    model.playerdisconnected("2+Bob");
    model.playerdisconnected("5+Carl");
    EXPECT_EQ(model.seat(2).name, "Grob");
    EXPECT_EQ(model.seat(5).name, "<Waiting>");
    EXPECT_EQ(out.lines, (QStringList{"Bob disconnected.", "Carl disconnected."}));

    // The computer opponent leaving seat 2 and an unknown spy write nothing.
    model.playerdisconnected("2+Grob");
    model.playerdisconnected("9+Nobody");
    model.playerdisconnected("8+Evelyn");
    model.playerdisconnected("5+Carl");
    EXPECT_EQ(model.seat(2).name, "Grob");
    EXPECT_EQ(out.lines.size(), 2);
    EXPECT_EQ(model.spies().size(), 1);

    model.playerdisconnected("8+Eve");
    EXPECT_EQ(out.lines.last(), "Eve has left.");
    EXPECT_TRUE(model.spies().isEmpty());
}

TEST_F(GameSeats, ChecklistNamesAreTheOtherSeatedPlayers) {
    model.login(1);
    model.newplayerinfo("1+Alice");
    model.newplayerinfo("2+Grob");
    model.newplayerinfo("4+Dora");
    model.newplayerinfo("7+Spy");
    EXPECT_EQ(model.playersInGame(), (QStringList{"Grob", "Dora"}));
}

TEST_F(GameSeats, ChatterSoundSendersAreSeatNumbersWrittenPlainly) {
    seatPlayers();
    EXPECT_EQ(model.seatNameByNumberText("3"), "Bob");
    EXPECT_EQ(model.seatNameByNumberText("5"), "<Waiting>");
    for (const char* text : {"03", "+3", "3 ", "7", "0", "x", ""})
        EXPECT_FALSE(model.seatNameByNumberText(QString::fromLatin1(text))) << text;
}

TEST_F(GameSeats, EndOfRoundPostsScoresAndTiesGoToTheLowerSeat) {
    seatPlayers();
    model.newplayerinfo("2+Grob");
    model.startround("1+60+5+STA+1+STARTER+");
    // Seats 2 and 3 tie at 30; seat 5 has more but nobody sits there.
    model.endround("1+20+4+2+9+2+30+6+3+12+3+30+5+2+10+4+0+0+0+0+5+50+0+0+0+6+0+0+0+0");
    EXPECT_EQ(model.seat(2).lastWord, "LEADER!");
    EXPECT_NE(model.seat(3).lastWord, "LEADER!");
    EXPECT_NE(model.seat(5).lastWord, "LEADER!");
    EXPECT_EQ(model.seat(2).scoreText, "30");
    EXPECT_EQ(model.seat(2).score, 30);
    const std::array<QString, 5> panel = {"Grob", "3", "12", "6", "30"};
    EXPECT_EQ(model.seat(2).panel, panel); // name, round words and points, game words, total
    EXPECT_EQ(model.status(), "Posting Scores.. Please Wait.");
    EXPECT_FALSE(model.turnRunning());
    EXPECT_TRUE(model.scoresShown());
    EXPECT_FALSE(model.wordEntryOpen());

    model.startround("2+60+5+BE+1+BEACH+");
    EXPECT_FALSE(model.scoresShown());
}

TEST_F(GameSeats, ANewGamesLeaderIsNeverLastGamesHighest) {
    seatPlayers();
    model.endround("1+10+0+0+10+2+0+0+0+0+3+50+0+0+50+4+0+0+0+0+5+0+0+0+0+6+0+0+0+0");
    EXPECT_EQ(model.seat(3).lastWord, "LEADER!");
    model.startthegame("Alice+1+60+5+");
    EXPECT_EQ(model.seat(3).score, 0);
    // An end of round that names only seat 1.
    model.endround("1+4+0+0+4");
    EXPECT_EQ(model.seat(1).lastWord, "LEADER!");
    EXPECT_TRUE(model.seat(3).lastWord.isEmpty());
}

TEST_F(GameSeats, WinnerOnTheScorePanelAndStartGameBackForTheHost) {
    seatPlayers();
    model.setHosting(true);
    model.setStartShown(true);
    model.startthegame("Alice+1+60+5+");
    EXPECT_FALSE(model.startShown());
    model.startround("1+60+5+STA+1+STARTER+");
    model.endround("1+20+4+2+9+2+10+6+3+12+3+0+0+0+0+4+0+0+0+0+5+0+0+0+0+6+0+0+0+0");
    out.clear();
    model.winner("1+");
    EXPECT_EQ(out.sounds, QStringList{"gameover"});
    EXPECT_EQ(model.status(), "Game Over!");
    EXPECT_EQ(out.lines, QStringList{"Alice has Won the Game!"});
    EXPECT_TRUE(model.seat(1).winner);
    EXPECT_FALSE(model.seat(2).winner);
    EXPECT_TRUE(model.scoresShown());
    EXPECT_TRUE(model.startShown());

    // A new game clears the board.
    model.startthegame("Alice+1+60+5+");
    EXPECT_FALSE(model.seat(1).winner);
    EXPECT_FALSE(model.scoresShown());
    EXPECT_EQ(model.seat(1).scoreText, "0");
    EXPECT_EQ(model.seat(1).panel[4], "0");
    EXPECT_TRUE(model.seat(1).lastWord.isEmpty());
}

TEST_F(GameSeats, WinnerDoesNotBringStartGameBackForAGuest) {
    seatPlayers();
    model.winner("3+");
    EXPECT_FALSE(model.startShown());
    EXPECT_EQ(out.lines, QStringList{"Bob has Won the Game!"});
}

TEST_F(GameSeats, TheTallyHearsOfOwnWordsTheOwnTotalAndTheGame) {
    seatPlayers();
    model.gotword("1+STACK+5+");
    model.gotword("2+STAMP+5+");
    model.gotword("1+STAR+4+");
    EXPECT_EQ(out.wordsFound, 2);

    model.endround("1+42+4+4+42+2+30+6+3+12+3+0+0+0+0+4+5+1+1+5+5+0+0+0+0+6+0+0+0+0");
    model.winner("1+");
    EXPECT_EQ(out.highScores, (QList<std::pair<int, QString>>{{42, "42"}}));
    EXPECT_EQ(out.games, QStringList{"(own win)"});
    model.winner("3+");
    EXPECT_EQ(out.games, (QStringList{"(own win)", "Bob"}));
}

TEST_F(GameSeats, AWinnerInNoSeatRecordsNoGame) {
    seatPlayers();
    model.endround("1+42+4+4+42+2+30+6+3+12+3+0+0+0+0+4+5+1+1+5+5+0+0+0+0+6+0+0+0+0");
    model.winner("0+");
    model.winner("99+");
    EXPECT_EQ(out.lines, (QStringList{" has Won the Game!", " has Won the Game!"}));
    EXPECT_TRUE(out.games.isEmpty());    // no game against a nameless opponent
    EXPECT_EQ(out.highScores.size(), 2); // the own total is still offered
}

TEST_F(GameSeats, SpyRecordsNothing) {
    seatPlayers();
    model.setOwnNumber(7);
    model.endround("1+42+4+4+42+2+30+6+3+12+3+0+0+0+0+4+5+1+1+5+5+0+0+0+0+6+0+0+0+0");
    model.gotword("1+STACK+5+");
    model.winner("1+");
    EXPECT_EQ(out.wordsFound, 0);
    EXPECT_TRUE(out.highScores.isEmpty());
    EXPECT_TRUE(out.games.isEmpty());
}

} // namespace
