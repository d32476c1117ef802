// Word judging: the rules in their order, scoring, who hears of a word, and
// giving up.

#include "gamehelpers.h"
#include "messages.h"

#include <gtest/gtest.h>

namespace {

constexpr std::uint16_t kPort = 18202;

// A host in seat 1, a player in seat 3 (seat 2 is left to the computer, which
// these tests never tick) and a spy in seat 7, in a round set by hand.
struct Round {
    Harness h{kPort};
    RawClient& host = h.join("Host");
    RawClient& three = [this]() -> RawClient& {
        h.connect(); // slot 2: a bare connection that is closed again
        h.clients().back()->close();
        h.pump([&] { return !h.server().players[2].connected; });
        h.join("Filler"); // takes slot 2 again ...
        RawClient& c = h.join("Three");
        h.clients()[1]->close(); // ... and leaves it free
        h.clients()[2]->close();
        h.pump([&] { return !h.server().players[2].connected; });
        return c;
    }();
    TServer& s = h.server();

    Round() {
        h.settle();
        open(5, "BR");
    }
    void open(int length, const QByteArray& prefix) {
        s.listbox_gotten.clear();
        s.roundopen = true;
        s.wordlength = length;
        s.prefix = prefix;
        s.showwords = true;
        s.countdown = 30;
    }
    // Sends a word and answers the verdict that reaches its sender.
    QByteArray word(RawClient& from, int number, const QByteArray& w) {
        const qsizetype before = from.messages.size();
        from.send(wire::sendword(number, w));
        const QByteArray got = "CMD_gotword+" + QByteArray::number(number) + "+";
        const QByteArray bad = "CMD_notvalid+" + QByteArray::number(number) + "+";
        QByteArray verdict;
        h.pump([&] {
            for (qsizetype i = before; i < from.messages.size(); ++i)
                if (from.messages[i].startsWith(got) || from.messages[i].startsWith(bad)) {
                    verdict = from.messages[i];
                    return true;
                }
            return false;
        });
        return verdict;
    }
};

} // namespace

TEST(WordJudging, TheBriskExample) {
    Round r;
    ASSERT_EQ(Harness::numberOf(r.three), 3);
    EXPECT_EQ(r.word(r.host, 1, "brisk"), "CMD_gotword+1+BRISK+5+");
    ASSERT_TRUE(r.h.pump([&] { return r.three.has("CMD_gotword+1+BRISK+5+"); }));
    EXPECT_EQ(r.s.players[1].roundpoints, 5);
    EXPECT_EQ(r.s.players[1].roundwords, 1);
    EXPECT_EQ(r.s.players[1].gamewords, 1);
    EXPECT_EQ(r.word(r.three, 3, "brisket"), "CMD_notvalid+3+0+");
    EXPECT_EQ(r.word(r.three, 3, "brzzq"), "CMD_notvalid+3+1+");
    EXPECT_EQ(r.word(r.three, 3, "BRISK"), "CMD_notvalid+3+2+");
    EXPECT_EQ(r.word(r.host, 1, "brisk"), "CMD_notvalid+1+2+");
    EXPECT_EQ(r.word(r.three, 3, "crisp"), "CMD_notvalid+3+3+");
    EXPECT_EQ(r.s.players[3].roundpoints, 0);
    EXPECT_EQ(r.s.listbox_gotten, QList<QByteArray>{"BRISK"});
    // Rejections go to their sender only.
    r.h.settle();
    EXPECT_TRUE(r.host.withCommand("CMD_notvalid").size() == 1);
}

TEST(WordJudging, FirstFailingRuleDecides) {
    Round r;
    // wrong length, not a word, wrong prefix
    EXPECT_EQ(r.word(r.host, 1, "zzzzzzz"), "CMD_notvalid+1+0+");
    // not a word, wrong prefix
    EXPECT_EQ(r.word(r.host, 1, "zzzzz"), "CMD_notvalid+1+1+");
    EXPECT_EQ(r.word(r.host, 1, ""), "CMD_notvalid+1+0+");
    r.open(5, "CR");
    EXPECT_EQ(r.word(r.host, 1, "crisp"), "CMD_gotword+1+CRISP+5+");
    r.open(5, "BR");
    r.s.listbox_gotten.append("CRISP");
    // taken and wrong prefix: taken first
    EXPECT_EQ(r.word(r.host, 1, "crisp"), "CMD_notvalid+1+2+");
}

TEST(WordJudging, NoLengthLimitScoresByLetters) {
    Round r;
    r.open(0, "S");
    EXPECT_EQ(r.word(r.host, 1, "station"), "CMD_gotword+1+STATION+7+");
    EXPECT_EQ(r.word(r.three, 3, "sun"), "CMD_gotword+3+SUN+3+");
    EXPECT_EQ(r.word(r.host, 1, ""), "CMD_notvalid+1+1+");
    // Blanks or other bytes never make a new word of an old one.
    EXPECT_EQ(r.word(r.host, 1, "sun "), "CMD_notvalid+1+1+");
    EXPECT_EQ(r.word(r.host, 1, " station"), "CMD_notvalid+1+1+");
    EXPECT_EQ(r.s.players[1].roundpoints, 7);
    EXPECT_EQ(r.s.players[3].roundpoints, 3);
}

TEST(WordJudging, HiddenWordsReachOnlyTheirFinder) {
    Round r;
    r.s.showwords = false;
    EXPECT_EQ(r.word(r.three, 3, "brisk"), "CMD_gotword+3+BRISK+5+");
    r.h.settle();
    EXPECT_TRUE(r.host.withCommand("CMD_gotword").isEmpty());
}

TEST(WordJudging, WordsOutsideARoundFromSpiesOrForOthersAreIgnored) {
    Round r;
    RawClient& spy = r.h.join("S4");
    r.h.join("S5");
    r.h.join("S6");
    r.h.join("S7"); // takes seat 2
    RawClient& seven = r.h.join("Spy");
    ASSERT_EQ(Harness::numberOf(seven), 7);
    seven.send(wire::sendword(7, "brisk"));
    spy.send(wire::sendword(1, "brisk")); // in the host's name
    r.host.send(wire::chat(1, "m1", "clRed"));
    ASSERT_TRUE(r.h.pump([&] { return seven.has("CMD_chat+Host chats: m1|clRed"); }));
    r.s.roundopen = false;
    r.host.send(wire::sendword(1, "brisk"));
    r.host.send(wire::chat(1, "m2", "clRed"));
    ASSERT_TRUE(r.h.pump([&] { return seven.has("CMD_chat+Host chats: m2|clRed"); }));
    for (auto& c : r.h.clients()) {
        EXPECT_TRUE(c->withCommand("CMD_gotword").isEmpty());
        EXPECT_TRUE(c->withCommand("CMD_notvalid").isEmpty());
    }
    EXPECT_TRUE(r.s.listbox_gotten.isEmpty());
}

TEST(WordJudging, AllConnectedSeatsGivingUpEndsTheRound) {
    Round r;
    r.host.send(wire::giveup(1));
    ASSERT_TRUE(r.h.pump([&] { return r.s.players[1].gaveup; }));
    EXPECT_TRUE(r.s.roundopen); // seat 3 plays on
    r.three.send(wire::giveup(3));
    ASSERT_TRUE(r.h.pump([&] { return !r.host.withCommand("CMD_endround").isEmpty(); }));
    EXPECT_FALSE(r.s.roundopen);
    EXPECT_EQ(r.s.roundtimer.Tag, 2);
    EXPECT_TRUE(r.s.roundtimer.enabled());
}

TEST(WordJudging, GiveUpInTheLastFourSecondsIsOnlyRecorded) {
    Round r;
    r.s.countdown = 4;
    r.host.send(wire::giveup(1));
    r.three.send(wire::giveup(3));
    ASSERT_TRUE(r.h.pump([&] { return r.s.players[1].gaveup && r.s.players[3].gaveup; }));
    EXPECT_TRUE(r.s.roundopen);
    EXPECT_TRUE(r.host.withCommand("CMD_endround").isEmpty());
    // A give-up after the round changes nothing but the flag.
    r.s.roundopen = false;
    r.s.players[1].gaveup = false;
    r.host.send(wire::giveup(1));
    ASSERT_TRUE(r.h.pump([&] { return r.s.players[1].gaveup; }));
    EXPECT_TRUE(r.host.withCommand("CMD_endround").isEmpty());
}

TEST(WordJudging, OneHumanAndTheComputerEndsOnTheHumansGiveUp) {
    Harness h(kPort);
    RawClient& host = h.join("Host");
    host.send(wire::startgame("Host", "5", "60", "0", "1"));
    ASSERT_TRUE(h.pump([&] { return !host.withCommand("CMD_startround").isEmpty(); }));
    EXPECT_TRUE(h.server().computertimer.enabled());
    host.send(wire::giveup(1));
    ASSERT_TRUE(h.pump([&] { return !host.withCommand("CMD_endround").isEmpty(); }));
    EXPECT_FALSE(h.server().roundopen);
}
