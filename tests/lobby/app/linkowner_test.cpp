// SPDX-License-Identifier: GPL-3.0-or-later
// Whose process opened a link: the /proc/net/tcp parser on fixture text, and
// the decision with an injected lookup.

#include "linkowner.h"
#include "linkserver.h"

#include <QSignalSpy>
#include <QTcpSocket>

#include <gtest/gtest.h>

#ifndef _WIN32
#include <unistd.h>
#endif

namespace {

// 127.0.0.1:9001 listening (uid 1000), an established link from port 0xA1B2
// (41394) of uid 1001 and our accepted end of it (uid 1000), an old
// connection in TIME_WAIT (uid 0) with the same ports as another, and an
// IPv6 line.
const QByteArray kTcp =
    "  sl  local_address rem_address   st tx_queue rx_queue tr tm->when retrnsmt   uid  timeout "
    "inode\n"
    "   0: 0100007F:2329 00000000:0000 0A 00000000:00000000 00:00000000 00000000  1000        0 "
    "1 1 0000000000000000 100 0 0 10 0\n"
    "   1: 0100007F:A1B2 0100007F:2329 01 00000000:00000000 00:00000000 00000000  1001        0 "
    "2 1 0000000000000000 20 4 30 10 -1\n"
    "   2: 0100007F:2329 0100007F:A1B2 01 00000000:00000000 00:00000000 00000000  1000        0 "
    "3 1 0000000000000000 20 4 30 10 -1\n"
    "   3: 0100007F:C000 0100007F:2329 06 00000000:00000000 03:00001234 00000000     0        0 "
    "0 3 0000000000000000\n"
    "   4: 0100007F:C000 0100007F:2329 01 00000000:00000000 00:00000000 00000000  1000        0 "
    "4 1 0000000000000000 20 4 30 10 -1\n";
const QByteArray kTcp6 =
    "  sl  local_address                         remote_address                        st "
    "tx_queue rx_queue tr tm->when retrnsmt   uid  timeout inode\n"
    "   0: 0000000000000000FFFF00000100007F:D431 0000000000000000FFFF00000100007F:2329 01 "
    "00000000:00000000 00:00000000 00000000  1002        0 5 1 0000000000000000 20 4 0 10 -1\n";

} // namespace

TEST(LinkOwner, FindsThePeersSocketByItsTwoPorts) {
    EXPECT_EQ(linkowner::ownerIn(kTcp, 0xA1B2, 9001), 1001u);
    // Our own end of the same connection has the ports the other way round.
    EXPECT_EQ(linkowner::ownerIn(kTcp, 9001, 0xA1B2), 1000u);
    // TIME_WAIT lines (owned by nobody) are not the link.
    EXPECT_EQ(linkowner::ownerIn(kTcp, 0xC000, 9001), 1000u);
    EXPECT_EQ(linkowner::ownerIn(kTcp6, 0xD431, 9001), 1002u);
    EXPECT_EQ(linkowner::ownerIn(kTcp, 0xD431, 9001), std::nullopt);
    EXPECT_EQ(linkowner::ownerIn("garbage\n\n 0: x y 01 a b c 12\n", 1, 2), std::nullopt);
    // Two sockets of those ports with different owners: nobody can say.
    const QByteArray both =
        kTcp + QByteArray(kTcp.split('\n').at(2)).replace(" 1001 ", " 1003 ") + '\n';
    EXPECT_EQ(linkowner::ownerIn(both, 0xA1B2, 9001), std::nullopt);
}

TEST(LinkOwner, DecidesFromTheLookup) {
    const linkowner::Lookup lookup = [](quint16 local, quint16 remote) {
        return linkowner::ownerIn(kTcp, local, remote);
    };
    EXPECT_FALSE(linkowner::fromOwnUser(0xA1B2, 9001, lookup, true, 1000));
    EXPECT_TRUE(linkowner::fromOwnUser(0xA1B2, 9001, lookup, true, 1001));
    EXPECT_FALSE(linkowner::fromOwnUser(0x1234, 9001, lookup, true, 1001)); // not found
    EXPECT_TRUE(linkowner::fromOwnUser(0x1234, 9001, lookup, false, 1001)); // nobody to ask
    // This system's own table knows this process's sockets.
    QTcpSocket probe;
    LinkServer server(0);
    ASSERT_TRUE(server.listen());
    probe.connectToHost(QHostAddress::LocalHost, server.port());
    ASSERT_TRUE(probe.waitForConnected(10000));
#ifndef _WIN32
    if (linkowner::systemKnowsOwners()) {
        EXPECT_EQ(linkowner::systemLookup()(probe.localPort(), server.port()), uint(::getuid()));
    }
#endif
}

TEST(LinkServer, CountsOwnLinksAndClosesOthersAtOnce) {
    uint owner = 1000;
    const linkowner::Lookup lookup = [&owner](quint16, quint16) {
        return std::optional<uint>(owner);
    };
    LinkServer server(0, lookup, true, 1000);
    ASSERT_TRUE(server.listen());
    EXPECT_NE(server.port(), 0);
    QSignalSpy opened(&server, &LinkServer::linkOpened);
    QSignalSpy closed(&server, &LinkServer::allClosed);

    QTcpSocket ours;
    ours.connectToHost(QHostAddress::LocalHost, server.port());
    ASSERT_TRUE(opened.wait(10000));
    EXPECT_EQ(server.openLinks(), 1);

    owner = 1001;
    QTcpSocket foreign;
    QSignalSpy foreignGone(&foreign, &QTcpSocket::disconnected);
    foreign.connectToHost(QHostAddress::LocalHost, server.port());
    ASSERT_TRUE(foreignGone.wait(10000));
    EXPECT_EQ(opened.count(), 1);
    EXPECT_EQ(server.openLinks(), 1);

    ours.disconnectFromHost();
    ASSERT_TRUE(closed.wait(10000));
    EXPECT_EQ(server.openLinks(), 0);
}
