// SPDX-License-Identifier: GPL-3.0-or-later
// Player slots over real loopback connections: numbering, logins, the order of
// what a newcomer receives, departures and kicks. What a seat keeps and what a
// late arrival learns are the engine's, and tested there.

#include "harness.h"
#include "messages.h"

#include <gtest/gtest.h>

namespace {

constexpr std::uint16_t kPort = 18101;

QByteArray msg(const QByteArray& built) {
    return built.chopped(1);
}

} // namespace

TEST(ServerSlots, NumberingHostFirstSpiesThenFull) {
    Harness h(kPort);
    for (int i = 1; i <= 9; ++i) {
        RawClient& c = h.connect();
        EXPECT_EQ(c.messages.first(), msg(wire::sendlogininfo(i)));
        EXPECT_EQ(h.server().engine().numslots(), i);
        EXPECT_TRUE(h.server().engine().players()[i].connected);
    }
    RawClient& tenth = h.connect();
    ASSERT_TRUE(h.pump([&] { return tenth.peerClosed(); }));
    EXPECT_EQ(tenth.messages, QList<QByteArray>{"CMD_full+"});
    EXPECT_EQ(h.server().engine().numslots(), 9);
    EXPECT_EQ(h.server().core().connectionCount(), 9); // the tenth holds nothing

    // Once a slot is freed the next connection takes the lowest free one.
    h.clients()[4]->close(); // slot 5
    h.clients()[2]->close(); // slot 3
    ASSERT_TRUE(h.pump([&] {
        return !h.server().engine().players()[3].connected &&
               !h.server().engine().players()[5].connected;
    }));
    RawClient& again = h.connect();
    EXPECT_EQ(again.messages.first(), msg(wire::sendlogininfo(3)));
    EXPECT_EQ(h.server().engine().numslots(), 9);
}

TEST(ServerSlots, NewcomerReceivesEverythingInOrder) {
    Harness h(kPort);
    RawClient& host = h.join("Host");
    RawClient& silent = h.connect(); // slot 2, never logs in
    RawClient& three = h.join("Three");
    ASSERT_EQ(Harness::numberOf(silent), 2);
    h.settle();

    const int before = int(host.messages.size());
    RawClient& late = h.connect();
    late.send(wire::logininfo(4, "0.9", "Old+Timer") + '\xFF');
    ASSERT_TRUE(h.pump([&] { return late.has("CMD_wrongversion+"); }));
    h.settle();
    EXPECT_EQ(late.messages, (QList<QByteArray>{
                                 "CMD_sendlogininfo+4",
                                 "CMD_newplayerinfo+4+Old+Timer",
                                 "CMD_existingplayers+1+Host",
                                 "CMD_existingplayers+2+",
                                 "CMD_existingplayers+3+Three",
                                 "CMD_wrongversion+",
                             }));
    // The host hears of the newcomer once and of the differing version.
    EXPECT_EQ(host.messages.mid(before), (QList<QByteArray>{"CMD_newplayerinfo+4+Old+Timer",
                                                            "CMD_havewrongversion+Old+Timer"}));
    // Players already present, logged in or not, receive one newplayerinfo.
    EXPECT_EQ(three.withCommand("CMD_newplayerinfo").count("CMD_newplayerinfo+4+Old+Timer"), 1);
    EXPECT_EQ(silent.withCommand("CMD_newplayerinfo").count("CMD_newplayerinfo+4+Old+Timer"), 1);
    EXPECT_TRUE(late.isOpen());
    EXPECT_EQ(h.server().engine().players()[4].name, "Old+Timer");
}

TEST(ServerSlots, DepartureIsAnnouncedOnceAndFreesTheSlot) {
    Harness h(kPort);
    RawClient& host = h.join("Host");
    RawClient& two = h.join("Two");
    RawClient& spy = h.connect(); // slot 3, never logs in
    two.close();
    spy.close();
    ASSERT_TRUE(h.pump([&] { return host.withCommand("CMD_playerdisconnected").size() == 2; }));
    h.settle();
    EXPECT_EQ(host.withCommand("CMD_playerdisconnected"),
              (QList<QByteArray>{"CMD_playerdisconnected+2+Two", "CMD_playerdisconnected+3+"}));
    EXPECT_FALSE(h.server().engine().players()[2].connected);
    EXPECT_FALSE(h.server().engine().players()[3].connected);
    EXPECT_EQ(h.server().engine().numslots(), 3);
}

TEST(ServerSlots, KicksObeyOnlyTheHost) {
    Harness h(kPort);
    RawClient& host = h.join("Host");
    RawClient& two = h.join("Two");
    RawClient& three = h.join("Three");

    two.send(wire::kickhim(2, 3));
    two.send(wire::kickhim(1, 3)); // speaking for the host from slot 2
    two.send(wire::chat(2, "marker", "clRed"));
    ASSERT_TRUE(h.pump([&] { return host.has("CMD_chat+Two chats: marker|clRed"); }));
    EXPECT_TRUE(h.server().engine().players()[3].connected);
    EXPECT_TRUE(host.withCommand("CMD_playerdisconnected").isEmpty());

    host.send(wire::kickhim(1, 5)); // a free slot: nothing
    host.send(wire::kickhim(1, 42));
    host.send(wire::kickhim(1, 3));
    ASSERT_TRUE(h.pump([&] { return three.peerClosed(); }));
    h.settle();
    EXPECT_EQ(host.withCommand("CMD_playerdisconnected"),
              QList<QByteArray>{"CMD_playerdisconnected+3+Three"});
    EXPECT_EQ(two.withCommand("CMD_playerdisconnected"),
              QList<QByteArray>{"CMD_playerdisconnected+3+Three"});
    EXPECT_FALSE(h.server().engine().players()[3].connected);

    // The host may remove itself; its own connection closes.
    host.send(wire::kickhim(1, 1));
    ASSERT_TRUE(h.pump([&] { return host.peerClosed(); }));
    EXPECT_TRUE(h.pump([&] { return two.has("CMD_playerdisconnected+1+Host"); }));
}
