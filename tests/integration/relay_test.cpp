// SPDX-License-Identifier: GPL-3.0-or-later
// Chat, actions and sounds relayed to everybody; messages that must change
// nothing: wrong case, bad numbers, numbers that are not the sender's own.

#include "harness.h"
#include "messages.h"
#include "version.h"

#include <gtest/gtest.h>

namespace {

constexpr std::uint16_t kPort = 18102;

struct Table {
    Harness h{kPort};
    RawClient& host = h.join("Host");
    RawClient& two = h.join("Two+Too");
    RawClient& spy = [this]() -> RawClient& {
        for (int i = 3; i <= 6; ++i)
            h.join("Seat" + QByteArray::number(i));
        return h.join("Spy");
    }();

    // Sends a chat line from `from` and waits until every client has it, so
    // that whatever `from` sent before has been handled.
    void marker(RawClient& from, int number, const QByteArray& name) {
        static int n = 0;
        const QByteArray text = "marker" + QByteArray::number(++n);
        from.send(wire::chat(number, text, "clRed"));
        const QByteArray relayed = "CMD_chat+" + name + " chats: " + text + "|clRed";
        ASSERT_TRUE(h.pump([&] {
            for (auto& c : h.clients())
                if (c->isOpen() && !c->has(relayed))
                    return false;
            return true;
        }));
    }
};

} // namespace

TEST(ServerRelay, NameWithPlusSurvivesLogin) {
    Table t;
    EXPECT_EQ(Harness::numberOf(t.spy), 7);
    EXPECT_TRUE(t.host.has("CMD_newplayerinfo+2+Two+Too"));
    EXPECT_TRUE(t.spy.has("CMD_existingplayers+2+Two+Too"));
    EXPECT_EQ(t.h.server().engine().players()[2].name, "Two+Too");
}

TEST(ServerRelay, ChatActionAndSoundReachEverybodyIntact) {
    Table t;
    t.two.send(wire::chat(2, "1+1=2 + more", "$00563412"));
    t.spy.send(wire::action(7, "waves", "clBlue"));
    t.two.send(wire::playasound(2, 13));
    ASSERT_TRUE(t.h.pump([&] {
        for (auto& c : t.h.clients())
            if (!c->has("CMD_playasound+2+wave13+"))
                return false;
        return true;
    }));
    for (auto& c : t.h.clients()) {
        EXPECT_TRUE(c->has("CMD_chat+Two+Too chats: 1+1=2 + more|$00563412"));
        EXPECT_TRUE(c->has("CMD_action+Spy waves|clBlue"));
    }
}

TEST(ServerRelay, CommandInTheWrongCaseIsIgnored) {
    Table t;
    t.two.send("CMD_Chat+2+upper|clRed\xFF");
    t.two.send("cmd_chat+2+lower|clRed\xFF");
    t.two.send("CMD_chat\xFF"); // no "+": no command
    t.two.send("\xFF");
    t.marker(t.two, 2, "Two+Too");
    for (auto& c : t.h.clients()) {
        EXPECT_EQ(c->withCommand("CMD_chat").size(), 1);
        EXPECT_FALSE(c->has("CMD_chat+Two+Too chats: upper|clRed"));
    }
}

TEST(ServerRelay, NumberFieldsThatDoNotConvertAreDropped) {
    Table t;
    t.two.send("CMD_chat+abc+hi|clRed\xFF");
    t.two.send("CMD_chat+hi\xFF"); // no field at all
    t.two.send("CMD_playasound++wave1+\xFF");
    t.host.send("CMD_kickhim+1+x+\xFF");
    t.marker(t.two, 2, "Two+Too");
    EXPECT_EQ(t.host.withCommand("CMD_chat").size(), 1);
    EXPECT_TRUE(t.host.withCommand("CMD_playasound").isEmpty());
    EXPECT_TRUE(t.host.withCommand("CMD_playerdisconnected").isEmpty());
}

TEST(ServerRelay, MessagesInAnotherPlayersNameAreIgnored) {
    Table t;
    TServer& s = t.h.server();
    // Slot 3 pretends to be the host, seat 2, and numbers that index nothing.
    RawClient& three = *t.h.clients()[2];
    three.send(wire::chat(1, "I am the host", "clRed"));
    three.send(wire::chat(2, "I am two", "clRed"));
    three.send(wire::logininfo(1, wire::kVersion, "Impostor"));
    three.send(wire::logininfo(10, wire::kVersion, "Ten"));
    three.send("CMD_chat+42+far away|clRed\xFF");
    three.send("CMD_chat+-1+below|clRed\xFF");
    three.send("CMD_giveup+100000+\xFF");
    three.send("CMD_playasound+0+wave1+\xFF");
    three.send(wire::startgame("Three", "5", "60", "6", "1"));
    three.send(wire::kickhim(1, 2));
    t.marker(three, 3, "Seat3");
    EXPECT_EQ(t.host.withCommand("CMD_chat").size(), 1);
    EXPECT_TRUE(t.host.withCommand("CMD_newplayerinfo").size() == 7);
    EXPECT_TRUE(t.host.withCommand("CMD_startgame").isEmpty());
    EXPECT_TRUE(t.host.withCommand("CMD_playasound").isEmpty());
    EXPECT_TRUE(t.host.withCommand("CMD_playerdisconnected").isEmpty());
    EXPECT_EQ(s.engine().players()[1].name, "Host");
    EXPECT_FALSE(s.engine().gameon());
    EXPECT_TRUE(s.engine().players()[2].connected);
    EXPECT_EQ(s.engine().numslots(), 7);
}
