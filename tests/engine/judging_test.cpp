// SPDX-License-Identifier: GPL-3.0-or-later
// Word judging: the rules in their order, scoring, who hears of a word, and
// giving up.

#include "enginerig.h"
#include "messages.h"
#include "rules.h"

#include <gtest/gtest.h>

namespace {

// A host in seat 1 and a player in seat 3, seat 2 left free for the computer
// (which these tests never tick), in a game whose rounds draw their starters
// from `starters`.
struct Round {
    EngineRig rig;
    Player& host;
    Player& three;

    explicit Round(QList<QByteArray> starters, const char* length = "3", const char* show = "1")
        : rig(std::move(starters)), host(rig.join("Host")), three([this]() -> Player& {
              Player& filler = rig.join("Filler");
              Player& p = rig.join("Three");
              filler.leave();
              return p;
          }()) {
        host.send(wire::startgame("Host", "50", "60", length, show));
    }
    // Plays rounds out until one has `prefix`; a handful of prefixes cycle.
    bool playUntil(const QByteArray& prefix) {
        for (int r = 0; r < 10 && rig->round().prefix != prefix; ++r) {
            rig.runPhase();
            rig.runPhase();
        }
        return rig->round().prefix == prefix && rig->round().roundopen;
    }
    // Sends a word and answers the verdict that reaches its sender.
    QByteArray word(Player& from, int number, const QByteArray& w) {
        const qsizetype before = from.messages.size();
        from.send(wire::sendword(number, w));
        const QByteArray got = "CMD_gotword+" + QByteArray::number(number) + "+";
        const QByteArray bad = "CMD_notvalid+" + QByteArray::number(number) + "+";
        for (qsizetype i = before; i < from.messages.size(); ++i)
            if (from.messages[i].startsWith(got) || from.messages[i].startsWith(bad))
                return from.messages[i];
        return {};
    }
};

const QList<QByteArray> kBrisk{"brisk", "last"};

} // namespace

TEST(WordJudging, TheBriskExample) {
    Round r(kBrisk);
    ASSERT_EQ(r.three.slot, 3);
    ASSERT_TRUE(r.playUntil("BR"));
    const qsizetype hostRejections = r.host.withCommand("CMD_notvalid").size();
    EXPECT_EQ(r.word(r.host, 1, "brisk"), "CMD_gotword+1+BRISK+5+");
    EXPECT_TRUE(r.three.has("CMD_gotword+1+BRISK+5+"));
    EXPECT_EQ(r.rig->players()[1].roundpoints, 5);
    EXPECT_EQ(r.rig->players()[1].roundwords, 1);
    EXPECT_EQ(r.rig->players()[1].gamewords, 1);
    EXPECT_EQ(r.word(r.three, 3, "brisket"), "CMD_notvalid+3+0+");
    EXPECT_EQ(r.word(r.three, 3, "brzzq"), "CMD_notvalid+3+1+");
    EXPECT_EQ(r.word(r.three, 3, "BRISK"), "CMD_notvalid+3+2+");
    EXPECT_EQ(r.word(r.host, 1, "brisk"), "CMD_notvalid+1+2+");
    EXPECT_EQ(r.word(r.three, 3, "crisp"), "CMD_notvalid+3+3+");
    EXPECT_EQ(r.rig->players()[3].roundpoints, 0);
    EXPECT_EQ(r.rig->acceptedWords(), QList<QByteArray>{"BRISK"});
    // Rejections go to their sender only.
    EXPECT_EQ(r.host.withCommand("CMD_notvalid").size(), hostRejections + 1);
}

TEST(WordJudging, FirstFailingRuleDecides) {
    Round r({"brisk", "crisp", "last"});
    // wrong length, not a word, wrong prefix
    EXPECT_EQ(r.word(r.host, 1, "zzzzzzz"), "CMD_notvalid+1+0+");
    // not a word, wrong prefix
    EXPECT_EQ(r.word(r.host, 1, "zzzzz"), "CMD_notvalid+1+1+");
    EXPECT_EQ(r.word(r.host, 1, ""), "CMD_notvalid+1+0+");
    ASSERT_TRUE(r.playUntil("CR"));
    EXPECT_EQ(r.word(r.host, 1, "crisp"), "CMD_gotword+1+CRISP+5+");
    // Taken and of the wrong prefix: taken first. No round can show this (a
    // taken word always has the round's prefix), so the rule itself answers.
    const auto anyWord = [](const QByteArray&) { return true; };
    EXPECT_EQ(rules::judge("CRISP", 5, "BR", {"CRISP"}, anyWord), rules::RejectCode::AlreadyTaken);
}

TEST(WordJudging, NoLengthLimitScoresByLetters) {
    Round r({"s", "zz"}, "0"); // every round's prefix is "S"
    ASSERT_EQ(r.rig->round().prefix, "S");
    EXPECT_EQ(r.word(r.host, 1, "station"), "CMD_gotword+1+STATION+7+");
    EXPECT_EQ(r.word(r.three, 3, "sun"), "CMD_gotword+3+SUN+3+");
    EXPECT_EQ(r.word(r.host, 1, ""), "CMD_notvalid+1+1+");
    // Blanks or other bytes never make a new word of an old one.
    EXPECT_EQ(r.word(r.host, 1, "sun "), "CMD_notvalid+1+1+");
    EXPECT_EQ(r.word(r.host, 1, " station"), "CMD_notvalid+1+1+");
    EXPECT_EQ(r.rig->players()[1].roundpoints, 7);
    EXPECT_EQ(r.rig->players()[3].roundpoints, 3);
}

TEST(WordJudging, HiddenWordsReachOnlyTheirFinder) {
    Round r(kBrisk, "3", "0");
    ASSERT_TRUE(r.playUntil("BR"));
    EXPECT_EQ(r.word(r.three, 3, "brisk"), "CMD_gotword+3+BRISK+5+");
    EXPECT_TRUE(r.host.withCommand("CMD_gotword").isEmpty());
}

TEST(WordJudging, WordsOutsideARoundFromSpiesOrForOthersAreIgnored) {
    Round r(kBrisk);
    ASSERT_TRUE(r.playUntil("BR"));
    Player& two = r.rig.join("S4"); // takes seat 2
    r.rig.join("S5");
    r.rig.join("S6");
    r.rig.join("S7");
    Player& seven = r.rig.join("Spy");
    ASSERT_EQ(seven.slot, 7);
    seven.send(wire::sendword(7, "brisk"));
    two.send(wire::sendword(1, "brisk")); // in the host's name
    r.rig.runPhase();                     // the round ends
    ASSERT_FALSE(r.rig->round().roundopen);
    r.host.send(wire::sendword(1, "brisk"));
    for (const Player* p : {&r.host, &r.three, &two, &seven}) {
        EXPECT_TRUE(p->withCommand("CMD_gotword").isEmpty());
        EXPECT_TRUE(p->withCommand("CMD_notvalid").isEmpty());
    }
    EXPECT_TRUE(r.rig->acceptedWords().isEmpty());
}

TEST(WordJudging, AllConnectedSeatsGivingUpEndsTheRound) {
    Round r(kBrisk);
    const qsizetype ended = r.host.withCommand("CMD_endround").size();
    r.host.send(wire::giveup(1));
    ASSERT_TRUE(r.rig->players()[1].gaveup);
    EXPECT_TRUE(r.rig->round().roundopen); // seat 3 plays on
    r.three.send(wire::giveup(3));
    EXPECT_EQ(r.host.withCommand("CMD_endround").size(), ended + 1);
    EXPECT_FALSE(r.rig->round().roundopen);
    EXPECT_EQ(r.rig->roundphase(), RoundPhase::Pause);
    EXPECT_TRUE(r.rig->roundtimer().enabled);
}

TEST(WordJudging, GiveUpInTheLastFourSecondsIsOnlyRecorded) {
    Round r(kBrisk);
    r.rig.tick(r.rig->round().countdown - 4);
    ASSERT_EQ(r.rig->round().countdown, 4);
    r.host.send(wire::giveup(1));
    r.three.send(wire::giveup(3));
    ASSERT_TRUE(r.rig->players()[1].gaveup && r.rig->players()[3].gaveup);
    EXPECT_TRUE(r.rig->round().roundopen);
    EXPECT_TRUE(r.host.withCommand("CMD_endround").isEmpty());
    // A give-up after the round changes nothing but the flag.
    r.rig.runPhase(); // this round ends,
    r.rig.runPhase(); // the next begins with the flags cleared,
    r.rig.runPhase(); // and ends.
    ASSERT_FALSE(r.rig->round().roundopen);
    ASSERT_FALSE(r.rig->players()[1].gaveup);
    const qsizetype ended = r.host.withCommand("CMD_endround").size();
    r.host.send(wire::giveup(1));
    EXPECT_TRUE(r.rig->players()[1].gaveup);
    EXPECT_EQ(r.host.withCommand("CMD_endround").size(), ended);
}

TEST(WordJudging, OneHumanAndTheComputerEndsOnTheHumansGiveUp) {
    EngineRig rig;
    Player& host = rig.join("Host");
    host.send(wire::startgame("Host", "5", "60", "0", "1"));
    ASSERT_FALSE(host.withCommand("CMD_startround").isEmpty());
    EXPECT_TRUE(rig->computertimer().enabled);
    host.send(wire::giveup(1));
    EXPECT_FALSE(host.withCommand("CMD_endround").isEmpty());
    EXPECT_FALSE(rig->round().roundopen);
}

TEST(WordJudging, ADictionaryThatFailsAcceptsNoWord) {
    EngineRig rig(kBrisk, [](QByteArrayView) -> bool { throw std::runtime_error("unreadable"); });
    Player& host = rig.join("Host");
    host.send(wire::startgame("Host", "5", "60", "3", "1"));
    host.send(wire::sendword(1, rig->round().starterword));
    EXPECT_EQ(host.withCommand("CMD_notvalid"), QList<QByteArray>{"CMD_notvalid+1+1+"});
    EXPECT_TRUE(rig->acceptedWords().isEmpty());
}
