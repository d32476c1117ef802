// SPDX-License-Identifier: GPL-3.0-or-later
// The game model fed with the server's game messages, without any widget: the
// settings of a game and its rounds, the turn clock, words found and rejected,
// and a late arrival's view.

#include "gamemodel.h"
#include "gamerecorder.h"
#include "protocol.h"
#include "smalldictionary.h"

#include <QSignalSpy>
#include <QTimer>

#include <algorithm>

#include <gtest/gtest.h>

namespace {

struct GameRules : ::testing::Test {
    GameRecorder out;
    GameModel model{out};

    GameRules() {
        model.login(1);
        model.newplayerinfo("1+Alice");
        model.newplayerinfo("3+Bob");
        out.clear();
    }
};

TEST_F(GameRules, StartsIdle) {
    GameRecorder quiet;
    GameModel fresh{quiet};
    EXPECT_EQ(fresh.status(), "Welcome to Vorlix");
    EXPECT_EQ(fresh.round(), 0);
    EXPECT_EQ(fresh.rounds(), 5);
    EXPECT_EQ(fresh.clockText(), "Time: 0:00");
    EXPECT_FALSE(fresh.wordEntryShown());
    EXPECT_FALSE(fresh.scoresShown());
    EXPECT_FALSE(fresh.startShown());
    EXPECT_FALSE(fresh.loggedin());
    EXPECT_EQ(fresh.turntime()->interval(), 1000);
    EXPECT_FALSE(fresh.turntime()->isActive());
}

TEST_F(GameRules, StartingAGameShowsItsSettings) {
    model.startthegame("Alice+5+60+5+");
    EXPECT_EQ(model.round(), 0);
    EXPECT_EQ(model.rounds(), 5);
    EXPECT_EQ(model.secondsPerTurn(), 60);
    EXPECT_EQ(model.barScale(), 5);
    EXPECT_EQ(model.lengthSetting(), "5 Letters");
    EXPECT_EQ(out.lines, QStringList{"Alice has started a game."});
    // The computer takes the empty seat 2; a taken seat keeps its player.
    EXPECT_EQ(model.seat(2).name, "Grob");
    EXPECT_EQ(model.seat(4).name, "<Waiting>");

    model.startthegame("Alice+3+45+8+");
    EXPECT_EQ(model.lengthSetting(), "Random");
    EXPECT_EQ(model.barScale(), 6);
    model.startthegame("Alice+3+45+0+");
    EXPECT_EQ(model.lengthSetting(), "No Limit");
    // A round's own length is never "Random".
    model.startround("1+45+0+AB+1+ABOUT+");
    EXPECT_EQ(model.roundLength(), "No Limit");
    model.startround("2+45+8+AB+1+ABOUT+");
    EXPECT_EQ(model.roundLength(), "8 Letters");
}

TEST_F(GameRules, ZeroSecondsPerTurnDoesNotBreakTheClock) {
    model.startthegame("Alice+5+60+5+");
    model.startthegame("Alice+5+0+5+");
    EXPECT_EQ(model.secondsPerTurn(), 0);
    EXPECT_EQ(model.barScale(), 5);
}

TEST_F(GameRules, ExtremeSecondsFromTheServerKeepTheClockSane) {
    model.startthegame("Alice+5+1+5+"); // the largest bar scale, 300 pixels a second
    model.startround("1+2147483647+5+STA+1+STARTER+");
    model.turntimeTimer();
    EXPECT_EQ(model.barWidth(), 298);
    EXPECT_EQ(model.clockText(), "Time: 35791394:06");

    // The lowest int must not wrap round to the highest on the next tick.
    model.startround("2+-2147483648+5+STA+1+STARTER+");
    out.sounds.clear();
    model.turntimeTimer();
    EXPECT_EQ(model.timeleft(), 0);
    EXPECT_EQ(model.clockText(), "Time: 0:00");
    EXPECT_EQ(model.barWidth(), 0);
    EXPECT_EQ(model.status(), "Please Wait..");
    EXPECT_EQ(out.sounds, QStringList{"timeup"});
}

TEST_F(GameRules, TurnClockOfSixtySeconds) {
    QSignalSpy heard(&model, &GameModel::announced);
    model.startthegame("Alice+5+60+5+");
    model.startround("1+60+5+STA+1+STARTER+");
    EXPECT_EQ(model.status(), "Your Turn.");
    EXPECT_TRUE(model.turnRunning());
    EXPECT_EQ(model.starterWord(), "STARTER");
    // The answer is nowhere the board could show it until the scores are up.
    EXPECT_EQ(model.shownStarterWord(), std::nullopt);
    EXPECT_TRUE(model.wordEntryOpen());
    EXPECT_EQ(model.wordEntryDescription(), "Words of 5 letters beginning with STA, 60 seconds");
    ASSERT_EQ(heard.size(), 2);
    EXPECT_EQ(heard[0][0].toString(), "Alice has started a game.");
    EXPECT_EQ(heard[1][0].toString(),
              "Round 1 of 5. Your Turn. Words of 5 letters beginning with STA, 60 seconds.");
    EXPECT_EQ(model.round(), 1);
    EXPECT_EQ(model.rounds(), 5);
    EXPECT_EQ(model.roundLength(), "5 Letters");
    EXPECT_EQ(model.prefix(), "STA");
    EXPECT_TRUE(model.wordEntryShown());
    EXPECT_FALSE(model.notPlayingShown());
    EXPECT_TRUE(model.turntime()->isActive());
    EXPECT_EQ(out.sounds, QStringList{"turn"});
    EXPECT_EQ(out.focus, QStringList{"word"});
    out.sounds.clear();

    QList<int> timeSounds;
    for (int left = 59; left >= 1; --left) {
        model.turntimeTimer();
        ASSERT_EQ(model.timeleft(), left);
        EXPECT_EQ(model.barWidth(), 5 * left) << left;
        EXPECT_EQ(model.clockRed(), left < 20) << left;
        if (out.sounds.size() == 1) {
            EXPECT_EQ(out.sounds[0], "time");
            timeSounds << left;
        }
        out.sounds.clear();
    }
    EXPECT_EQ(model.clockText(), "Time: 0:01");
    EXPECT_EQ(timeSounds, (QList<int>{20, 15, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1}));

    model.turntimeTimer();
    EXPECT_EQ(out.sounds, QStringList{"timeup"});
    EXPECT_EQ(model.status(), "Please Wait..");
    EXPECT_FALSE(model.turnRunning());
    EXPECT_EQ(model.clockText(), "Time: 0:00");
    EXPECT_EQ(model.barWidth(), 0);
    EXPECT_EQ(model.whoseturn(), 0);
    // The entry stays where the keys go, closed: the focus is not moved, so
    // what the player still types reaches no one.
    EXPECT_TRUE(model.wordEntryShown());
    EXPECT_FALSE(model.wordEntryOpen());
    EXPECT_EQ(model.wordEntryDescription(), "Closed until the next round");
    EXPECT_EQ(out.focus, QStringList{"word"});
    EXPECT_EQ(heard.last()[0].toString(), "Time is up. Please Wait..");
    // With no turn running the clock goes on ticking silently.
    model.turntimeTimer();
    model.turntimeTimer();
    EXPECT_EQ(out.sounds, QStringList{"timeup"});
    EXPECT_EQ(model.timeleft(), 0);
    EXPECT_EQ(out.focus.size(), 1);
    EXPECT_EQ(heard.size(), 3);

    model.endround("1+9+2+2+9+3+4+1+1+4");
    EXPECT_EQ(model.shownStarterWord(), "STARTER");
    EXPECT_EQ(heard.last()[0].toString(),
              "Round 1 over. The starter word was STARTER. Scores: Alice 9, Grob 0, Bob 4.");
    model.winner("1+");
    EXPECT_EQ(heard.last()[0].toString(), "Game Over! Alice has Won the Game!");
}

TEST_F(GameRules, FirstTickOfSixtySecondsDrawsTheBarAt295) {
    model.startthegame("Alice+5+60+5+");
    model.startround("1+60+5+STA+1+STARTER+");
    model.turntimeTimer();
    EXPECT_EQ(model.barWidth(), 295);
    EXPECT_EQ(model.clockText(), "Time: 0:59");
    EXPECT_FALSE(model.clockRed());
}

TEST_F(GameRules, TurnSoundFollowsTheSetting) {
    out.turnSoundNew = true;
    model.startround("1+60+5+STA+1+STARTER+");
    EXPECT_EQ(out.sounds, QStringList{"turnnew"});
}

TEST_F(GameRules, RejectedWordShowsItsReasonUntilTheNextKey) {
    model.startround("1+60+5+STA+1+STARTER+");
    out.sounds.clear();
    model.notvalid("2+1+");
    EXPECT_FALSE(model.errorShown());
    EXPECT_TRUE(out.sounds.isEmpty());

    QSignalSpy heard(&model, &GameModel::announced);
    model.notvalid("1+2+");
    EXPECT_TRUE(model.errorShown());
    EXPECT_EQ(model.errorReason(), 2);
    EXPECT_EQ(out.sounds, QStringList{"error1"});
    ASSERT_EQ(heard.size(), 1);
    EXPECT_EQ(heard[0][0].toString(), "Word rejected: Already Guessed");
    model.wordKeyPressed();
    EXPECT_FALSE(model.errorShown());
}

TEST_F(GameRules, AcceptedWordsGoToTheListWithTheirSeats) {
    model.startround("1+60+5+STA+1+STARTER+");
    out.sounds.clear();
    model.gotword("1+STACK+5+");
    model.gotword("3+STAMP+5+");
    EXPECT_EQ(out.sounds, (QStringList{"goodwordme", "goodwordthem"}));
    EXPECT_EQ(out.wordsFound, 1);
    EXPECT_EQ(model.seat(1).lastWord, "STACK");
    EXPECT_EQ(model.seat(3).lastWord, "STAMP");
    ASSERT_EQ(model.words().size(), 2);
    EXPECT_EQ(model.words()[0].text, "5 : STACK : Alice");
    EXPECT_EQ(model.words()[1].text, "5 : STAMP : Bob");
    EXPECT_EQ(model.words()[1].seat, 3);
    // A new round empties the list.
    model.startround("2+60+5+BE+1+BEACH+");
    EXPECT_TRUE(model.words().isEmpty());
}

TEST_F(GameRules, LateArrivalJoinsTheRunningRound) {
    // 126 seconds left: the first tick shows 2:05.
    model.loadstats("1+5+150+8+2+4+AB+126+1+10+2+20+3+0+4+0+5+0+6+7");
    EXPECT_EQ(model.round(), 2);
    EXPECT_EQ(model.rounds(), 5);
    EXPECT_EQ(model.secondsPerTurn(), 150);
    EXPECT_EQ(model.barScale(), 2);
    EXPECT_EQ(model.lengthSetting(), "Random");
    EXPECT_EQ(model.roundLength(), "4 Letters");
    EXPECT_EQ(model.prefix(), "AB");
    EXPECT_EQ(model.seat(1).scoreText, "10");
    EXPECT_EQ(model.seat(2).scoreText, "20");
    // The last score has no "+" after it and must still arrive.
    EXPECT_EQ(model.seat(6).scoreText, "7");
    EXPECT_EQ(model.status(), "Your Turn.");
    EXPECT_EQ(model.whoseturn(), 1);
    EXPECT_EQ(out.sounds, QStringList{"turn"});
    EXPECT_TRUE(model.turntime()->isActive());
    model.turntimeTimer();
    EXPECT_EQ(model.clockText(), "Time: 2:05");
    EXPECT_EQ(model.barWidth(), 250);
}

TEST_F(GameRules, LateArrivalNearTheEndWaitsForTheNextRound) {
    model.loadstats("1+5+60+5+2+5+AB+9+1+10+2+20+3+0+4+0+5+0+6+0");
    EXPECT_EQ(model.status(), "Please wait for next round..");
    EXPECT_FALSE(model.turntime()->isActive());
    EXPECT_EQ(model.whoseturn(), 0);
    EXPECT_FALSE(model.wordEntryShown());
    EXPECT_TRUE(out.sounds.isEmpty());

    // Someone else's stats change nothing.
    model.loadstats("2+9+90+5+3+5+XY+40+1+10+2+20+3+0+4+0+5+0+6+0");
    EXPECT_EQ(model.round(), 2);
    EXPECT_EQ(model.rounds(), 5);
    EXPECT_FALSE(model.turntime()->isActive());
}

TEST_F(GameRules, SpyWatchesWithoutATurn) {
    model.setOwnNumber(8);
    model.loadstats("8+5+60+5+2+5+AB+40+1+10+2+20+3+0+4+0+5+0+6+0");
    EXPECT_TRUE(model.notPlayingShown());
    EXPECT_EQ(model.status(), "Watching the round..");
    EXPECT_FALSE(model.wordEntryShown());
    EXPECT_EQ(model.whoseturn(), 0);
    EXPECT_TRUE(out.sounds.isEmpty());
    EXPECT_TRUE(model.turnRunning());

    // Spies are given seat 1's number as the turn: it is nobody's turn, the
    // spy watches.
    model.startround("3+60+5+CA+1+CAT+");
    EXPECT_EQ(model.status(), "Watching the round..");
    EXPECT_TRUE(model.notPlayingShown());
    EXPECT_FALSE(model.wordEntryShown());
    EXPECT_TRUE(out.focus.isEmpty());

    model.gotword("1+CAT+3+");
    model.gotword("3+CATS+4+");
    EXPECT_EQ(out.sounds, (QStringList{"goodwordthem", "goodwordthem"}));
    EXPECT_EQ(out.wordsFound, 0);
}

TEST_F(GameRules, GivingUpIsSaidUntilTheRoundEnds) {
    model.gaveUp();
    EXPECT_EQ(model.status(), "Welcome to Vorlix") << "no round runs";
    model.startround("1+60+5+STA+1+STARTER+");
    model.gaveUp();
    EXPECT_EQ(model.status(), "You gave up this round.");
    model.gotword("3+STAMP+5+");
    model.turntimeTimer();
    EXPECT_EQ(model.status(), "You gave up this round.");
    model.endround("1+0+0+0+0+3+5+1+1+5");
    EXPECT_EQ(model.status(), "Posting Scores.. Please Wait.");
    model.startround("2+60+5+BE+1+BEACH+");
    EXPECT_EQ(model.status(), "Your Turn.");
    // The round's time running out ends it too.
    model.gaveUp();
    while (model.turnRunning())
        model.turntimeTimer();
    EXPECT_EQ(model.status(), "Please Wait..");
}

// Worked out here from the list itself: the words of the prefix and length
// (any length for 0) that were not found, longest first, in list order within
// a length, at most ten.
QStringList expectedMissed(const std::vector<std::string>& list, const std::string& prefix,
                           std::size_t length, const QStringList& found) {
    std::vector<std::string> fitting;
    for (const std::string& w : list)
        if (w.rfind(prefix, 0) == 0 && (length == 0 || w.size() == length) &&
            !found.contains(QString::fromStdString(w)))
            fitting.push_back(w);
    std::stable_sort(
        fitting.begin(), fitting.end(),
        [](const std::string& a, const std::string& b) { return a.size() > b.size(); });
    QStringList missed;
    for (std::size_t i = 0; i < fitting.size() && i < 10; ++i)
        missed << QString::fromStdString(fitting[i]);
    return missed;
}

TEST_F(GameRules, ARoundEndListsTheLongestWordsNobodyFound) {
    const SmallDictionary small({"STAB",  "STACK", "STAFF",    "STAGE", "STAGED", "STAIR",
                                 "STAKE", "STALE", "STALL",    "STAMP", "STAND",  "STARE",
                                 "START", "STASH", "STATE",    "STAVE", "STEAM",  "SPOON",
                                 "TABLE", "STAR",  "STARTLED", "STABLE"});
    model.setDictionary(small.dictionary);
    QList<QStringList> told;
    QObject::connect(&model, &GameModel::missedWordsAdded,
                     [&told](const QStringList& words) { told << words; });

    model.startround("1+60+5+STA+1+STARTER+");
    model.gotword("1+STACK+5+");
    model.gotword("3+STAMP+5+");
    EXPECT_TRUE(model.missedWordsShown().isEmpty()) << "not before the round ends";
    model.endround("1+5+1+1+5+3+5+1+1+5");
    const QStringList fives = expectedMissed(small.words, "STA", 5, {"STACK", "STAMP"});
    ASSERT_EQ(fives.size(), 10);
    EXPECT_EQ(model.missedWordsShown(), fives);
    EXPECT_EQ(told, QList<QStringList>{fives});
    EXPECT_FALSE(model.missedWordsShown().contains("STACK"));

    // "No Limit": the longest words of the prefix, whatever their length.
    model.startround("2+60+0+ST+1+STAR+");
    EXPECT_TRUE(model.missedWordsShown().isEmpty()) << "a new round clears them";
    model.gotword("3+STARTLED+8+");
    model.endround("1+5+1+0+0+3+13+2+1+8");
    EXPECT_EQ(model.missedWordsShown(), expectedMissed(small.words, "ST", 0, {"STARTLED"}));
    EXPECT_EQ(model.missedWordsShown().value(0), "STABLE");

    // Switched off, or a round joined late (its words found are unknown):
    // nothing is listed.
    model.setShowMissedWords(false);
    model.startround("3+60+5+STA+1+STARE+");
    model.endround("1+5+1+0+0");
    EXPECT_TRUE(model.missedWordsShown().isEmpty());
    model.setShowMissedWords(true);
    model.loadstats("1+5+60+5+4+5+STA+40+1+10+2+20+3+0+4+0+5+0+6+0");
    model.endround("1+5+1+0+0");
    EXPECT_TRUE(model.missedWordsShown().isEmpty());
    EXPECT_EQ(told.size(), 2);
}

TEST_F(GameRules, BadNumberStopsTheMessage) {
    model.startthegame("Alice+5+60+5+");
    EXPECT_THROW(model.startround("one+60+5+STA+1+STARTER+"), wire::EConvertError);
    EXPECT_EQ(model.round(), 0);
    EXPECT_FALSE(model.turntime()->isActive());
    EXPECT_THROW(model.endround("1+lots+0+0+0"), wire::EConvertError);
    EXPECT_FALSE(model.scoresShown());
}

TEST_F(GameRules, NumbersThatAreNoSeatAreHarmless) {
    model.gotword("9+WORD+4+");
    EXPECT_EQ(model.words().value(0).text, "4 : WORD : ");
    for (int n = 1; n <= 6; ++n)
        EXPECT_TRUE(model.seat(n).lastWord.isEmpty()) << n;
    model.winner("0+");
    model.endround("12+5+0+0+0");
    model.startround("1+60+5+STA+7+STARTER+");
    EXPECT_EQ(out.sounds.count("goodwordthem"), 1);
    EXPECT_EQ(model.status(), "Watching the round..");
}

} // namespace
