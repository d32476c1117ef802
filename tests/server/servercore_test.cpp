// SPDX-License-Identifier: GPL-3.0-or-later
// The server core with a transport that only records what it is asked: the
// parts of the transport's contract no real socket shows, a close that is
// never reported and a send that is refused.

#include "coretable.h"

TEST(ServerCore, CloseThatIsNeverReportedStillFreesTheSlotOnce) {
    CoreTable t;
    t.join(11, "Host");
    t.join(22, "Two");
    t.core.received(11, wire::kickhim(1, 2));
    t.drain();
    EXPECT_EQ(t.transport.closes, QList<ConnectionId>{22});
    EXPECT_EQ(t.core.slotOf(22), 0);
    EXPECT_EQ(t.core.connectionOf(2), 0);
    EXPECT_FALSE(t.core.engine().players()[2].connected);
    EXPECT_EQ(t.count(11, "CMD_playerdisconnected+2+Two"), 1);
    // A report that comes after all, and late bytes, change nothing.
    t.core.closed(22);
    t.core.received(22, wire::chat(2, "late", "clRed"));
    t.drain();
    EXPECT_EQ(t.count(11, "CMD_playerdisconnected+2+Two"), 1);
    EXPECT_EQ(t.count(11, "CMD_chat+ chats: late|clRed"), 0);
    EXPECT_EQ(t.count(11, "CMD_chat+Two chats: late|clRed"), 0);
    // The slot is given out again, to a new connection.
    t.join(33, "Next");
    EXPECT_EQ(t.core.slotOf(33), 2);
}

TEST(ServerCore, RefusedSendClosesThatConnectionOnceTheTickEnds) {
    CoreTable t;
    t.join(11, "Host");
    t.join(22, "Two");
    t.join(33, "Three");
    t.transport.refusing.insert(22);
    t.core.received(11, wire::chat(1, "hello", "clRed"));
    t.drain();
    EXPECT_EQ(t.transport.closes, QList<ConnectionId>{22});
    for (ConnectionId id : {11, 33}) {
        EXPECT_EQ(t.count(id, "CMD_chat+Host chats: hello|clRed"), 1);
        EXPECT_EQ(t.count(id, "CMD_playerdisconnected+2+Two"), 1);
    }
    EXPECT_EQ(t.core.connectionCount(), 2);
}
