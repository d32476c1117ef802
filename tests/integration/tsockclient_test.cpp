// SPDX-License-Identifier: GPL-3.0-or-later
// The main window talks to the server through a TSock of its own; this plays
// that part with the socket component itself.

#include "harness.h"
#include "messages.h"
#include "protocol.h"
#include "tsock.h"

#include <gtest/gtest.h>

namespace {

constexpr std::uint16_t kPort = 18104;

} // namespace

TEST(ServerWithTSockClient, HostWindowLogsInAndPlaysARound) {
    Harness h(kPort);
    TServer& s = h.server();
    TSock sock;
    sock.setHostName("127.0.0.1");
    sock.setPortName(QString::number(kPort));
    QByteArray received;
    QList<QByteArray> queue;
    sock.OnRead = [&](TSock* x, int) {
        received += x->Receive();
        wire::cutMessages(received, queue);
    };
    bool connected = false;
    sock.OnConnect = [&](TSock*) { connected = true; };
    sock.Open();
    ASSERT_TRUE(h.pump([&] { return !queue.isEmpty(); }));
    EXPECT_TRUE(connected);
    EXPECT_EQ(queue.first(), "CMD_sendlogininfo+1");

    sock.Send(wire::logininfo(1, wire::kVersion, "You") + '\xFF');
    ASSERT_TRUE(h.pump([&] { return queue.contains("CMD_newplayerinfo+1+You"); }));
    sock.Send(wire::startgame("You", "1", "30", "3", "1"));
    ASSERT_TRUE(h.pump(
        [&] { return !queue.isEmpty() && queue.last().startsWith("CMD_startround+1+30+5+"); }));
    EXPECT_TRUE(queue.contains("CMD_startgame+You+1+30+5+"));
    EXPECT_TRUE(s.engine().computertimer().enabled); // a solo game: the computer has seat 2

    // Leaving ends the slot like any other departure.
    sock.Close();
    ASSERT_TRUE(h.pump([&] { return !s.engine().players()[1].connected; }));
    EXPECT_TRUE(s.engine().players()[1].name.isEmpty());
}
