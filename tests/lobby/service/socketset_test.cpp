// SPDX-License-Identifier: GPL-3.0-or-later
// SocketSet over a socket pair whose other end the test reads (or does not):
// what the socket does not take at once waits, shared, and goes out in order;
// a close sends it all before the end; a peer's end is told once.

#include "socketset.h"

#include <QTest>
#include <gtest/gtest.h>

#include <cerrno>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <vector>

namespace {

struct Pair {
    int ours = -1;
    int theirs = -1;
    Pair() {
        int fds[2];
        if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds) == 0) {
            ours = fds[0];
            theirs = fds[1];
            ::fcntl(theirs, F_SETFL, O_NONBLOCK);
        }
    }
    ~Pair() {
        if (theirs >= 0)
            ::close(theirs);
    }
    // Reads what there is; false once the other end has ended.
    bool read(QByteArray& into) const {
        char buffer[65536];
        for (;;) {
            const ssize_t n = ::read(theirs, buffer, sizeof buffer);
            if (n > 0)
                into.append(buffer, n);
            else
                return n < 0 && errno == EAGAIN;
        }
    }
};

} // namespace

TEST(SocketSet, WhatWaitsGoesOutInOrderAndACloseSendsItAllFirst) {
    Pair pair;
    SocketSet set;
    int ended = 0;
    set.onEnded = [&](SocketSet::Id) { ++ended; };
    const SocketSet::Id id = set.add(pair.ours);
    ASSERT_NE(id, 0u);

    QByteArray expected;
    for (int i = 0; set.unsent(id) == 0; ++i) {
        const QByteArray block(64 * 1024, char('a' + i % 26));
        ASSERT_TRUE(set.send(id, block));
        expected += block;
    }
    for (const char* tail : {"one\n", "two\n", "three\n"}) {
        ASSERT_TRUE(set.send(id, tail));
        expected += tail;
    }
    EXPECT_GT(set.unsent(id), 0);
    set.close(id);
    EXPECT_EQ(set.lingering(), 1);
    EXPECT_FALSE(set.send(id, "late\n"));

    QByteArray got;
    ASSERT_TRUE(QTest::qWaitFor([&] { return !pair.read(got); }, 10'000));
    EXPECT_EQ(got.size(), expected.size());
    EXPECT_TRUE(got == expected);
    ::close(pair.theirs); // our end: the lingering connection is let go
    pair.theirs = -1;
    ASSERT_TRUE(QTest::qWaitFor([&] { return set.lingering() == 0; }, 10'000));
    EXPECT_EQ(ended, 0); // closed by its owner: never reported
}

TEST(SocketSet, BytesComeInAndThePeersEndIsToldOnce) {
    Pair pair;
    SocketSet set;
    QByteArray got;
    QList<SocketSet::Id> ended;
    set.onData = [&](SocketSet::Id, const QByteArray& bytes) { got += bytes; };
    set.onEnded = [&](SocketSet::Id id) { ended << id; };
    const SocketSet::Id id = set.add(pair.ours);
    ASSERT_EQ(::write(pair.theirs, "PING\n", 5), 5);
    ASSERT_TRUE(QTest::qWaitFor([&] { return got == "PING\n"; }, 10'000));
    ::close(pair.theirs);
    pair.theirs = -1;
    ASSERT_TRUE(QTest::qWaitFor([&] { return !ended.isEmpty(); }, 10'000));
    EXPECT_EQ(ended, QList<SocketSet::Id>{id});
    EXPECT_EQ(set.open(), 0);
    EXPECT_FALSE(set.send(id, "gone\n"));
}

// A relay: what one end sends reaches the other unchanged, after what the
// set was given to send first; a side whose mate's peer does not read is not
// read either, past the buffer, and goes on when it drains; one end's close
// is reported once and ends the other.
TEST(SocketSet, ARelayPassesBytesBothWaysWithinItsBufferAndEndsTogether) {
    Pair a, b;
    SocketSet set;
    std::vector<SocketSet::Id> ended;
    QByteArray seenByOwner;
    set.onEnded = [&](SocketSet::Id id) { ended.push_back(id); };
    set.onData = [&](SocketSet::Id, const QByteArray& bytes) { seenByOwner += bytes; };
    const SocketSet::Id ia = set.add(a.ours);
    const SocketSet::Id ib = set.add(b.ours);
    constexpr qsizetype kBuffer = 64 * 1024;
    ASSERT_TRUE(set.join(ia, ib, "JOINED\n", "JOINED\nearly", kBuffer));

    ASSERT_EQ(::write(a.theirs, "\xFFping", 5), 5);
    ASSERT_EQ(::write(b.theirs, "pong\xFF", 5), 5);
    QByteArray atA, atB;
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            a.read(atA);
            b.read(atB);
            return atA.size() == 12 && atB.size() == 17;
        },
        10'000));
    EXPECT_EQ(atA, QByteArray("JOINED\npong\xFF", 12));
    EXPECT_EQ(atB, QByteArray("JOINED\nearly\xFFping", 17));
    EXPECT_TRUE(seenByOwner.isEmpty()); // a relay's bytes are not the owner's

    // b's peer stops reading: a is read only until b's buffer is full.
    const QByteArray block(16 * 1024, 'x');
    qsizetype written = 0;
    for (int i = 0; i < 4096; ++i) {
        const ssize_t n = ::write(a.theirs, block.constData(), size_t(block.size()));
        if (n > 0)
            written += n;
        QTest::qWait(0);
    }
    QTest::qWait(100);
    EXPECT_LE(set.unsent(ib), kBuffer + 64 * 1024); // the buffer and one read at most
    EXPECT_LT(written, 4096 * block.size());        // the writer was held back
    // Read everything at b's end: all of it arrives, in order.
    QByteArray drained;
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            b.read(drained);
            return drained.size() == written;
        },
        20'000));
    EXPECT_EQ(drained.count('x'), written);

    // a's peer goes: reported once, b's peer sees its end.
    ::close(a.theirs);
    a.theirs = -1;
    QByteArray rest;
    ASSERT_TRUE(QTest::qWaitFor([&] { return !b.read(rest); }, 10'000));
    EXPECT_EQ(ended, std::vector<SocketSet::Id>{ia});
    ::close(b.theirs); // and b's peer answers with its own end
    b.theirs = -1;
    ASSERT_TRUE(QTest::qWaitFor([&] { return set.open() == 0 && set.lingering() == 0; }, 10'000));
}
