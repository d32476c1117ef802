// SPDX-License-Identifier: GPL-3.0-or-later
// The game's bytes at either end of a relay (or of a direct connection):
// words asked and answered in the game's own messages, and the bulk pattern
// sent and checked byte for byte.

#include "relayload.h"

#include "inttext.h"
#include "messages.h"
#include "protocol.h"
#include "readers.h"

#include <QList>

#include <algorithm>
#include <cstring>

namespace {

constexpr int kWritesPerTurn = 4;

} // namespace

void RelayLoad::ask(RelayLink& player) {
    player.askedNs = steadyNs();
    ++player.asked;
    if (!player.send(wire::sendword(player.seat, player.word)))
        ended(player);
}

void RelayLoad::game(RelayLink& l, const char* data, std::size_t size) {
    switch (l.mode) {
    case RelayLink::Mode::Sink:
        sink(l, data, size);
        return;
    case RelayLink::Mode::Source:
        ++m_tally.unexpected; // nothing is sent back in a bulk transfer
        return;
    case RelayLink::Mode::Echo:
    case RelayLink::Mode::Talk:
        break;
    }
    l.in.append(data, qsizetype(size));
    QList<QByteArray> messages;
    wire::cutMessages(l.in, messages);
    for (const QByteArray& m : messages) {
        if (l.closed())
            return;
        if (l.mode == RelayLink::Mode::Echo)
            echo(l, m);
        else
            answer(l, m);
    }
}

// A table's server judging a word: every word is good, worth its length.
void RelayLoad::echo(RelayLink& l, const QByteArray& message) {
    const wire::Split s = wire::splitCommand(message);
    if (s.command != wire::cmd::sendword) {
        ++m_tally.unexpected;
        return;
    }
    try {
        const wire::WordRequest word = wire::readSendword(s.payload);
        if (!l.send(wire::gotword(word.number, word.word, int(word.word.size()))))
            ended(l);
    } catch (const wire::EConvertError&) {
        ++m_tally.unexpected;
    }
}

// The answer to a player's word must be its own word, for its own seat: a
// relay that mixed up its connections' bytes would show here.
void RelayLoad::answer(RelayLink& l, const QByteArray& message) {
    const std::int64_t now = steadyNs();
    const wire::Split s = wire::splitCommand(message);
    bool right = false;
    if (s.command == wire::cmd::gotword && l.askedNs != 0) {
        try {
            const wire::FoundWord found = wire::readGotword(s.payload);
            right = found.number == l.seat && found.word == l.word &&
                    found.points == QByteArray::number(l.word.size());
        } catch (const wire::EConvertError&) {
        }
    }
    if (right) {
        ++l.answered;
        l.roundTripNs = now - l.askedNs;
    } else {
        ++l.wrong;
    }
    l.askedNs = 0;
}

// Each piece read must be the pattern at its offset in the stream.
void RelayLoad::sink(RelayLink& l, const char* data, std::size_t size) {
    const std::int64_t now = steadyNs();
    if (l.firstNs == 0)
        l.firstNs = now;
    l.lastNs = now;
    const char* expected = m_pattern.data() + std::size_t(l.bulkBytes) % kPatternPeriod;
    if (std::memcmp(data, expected, size) != 0)
        ++l.corrupt;
    l.bulkBytes += std::int64_t(size);
}

// Sends the pattern while the socket takes it, until the limit or the
// deadline; then the sender's end, which the relay must pass on after the
// last byte.
void RelayLoad::pump(RelayLink& l) {
    const std::int64_t now = steadyNs();
    if (l.firstNs == 0)
        l.firstNs = now;
    for (int i = 0; i < kWritesPerTurn && !l.bulkDone; ++i) {
        if (l.bulkBytes >= l.bulkLimit ||
            now - l.firstNs >= std::int64_t(m_plan.bulkSeconds) * 1'000'000'000) {
            l.bulkDone = true;
            l.lastNs = now;
            l.wantWrites(false);
            l.shutdownWrites();
            return;
        }
        const std::size_t size = std::min<std::size_t>(kPieceBytes, l.bulkLimit - l.bulkBytes);
        const ssize_t n =
            l.writeSome(m_pattern.data() + std::size_t(l.bulkBytes) % kPatternPeriod, size);
        if (n < 0) {
            ended(l);
            return;
        }
        if (n == 0)
            return;
        l.bulkBytes += n;
    }
}
