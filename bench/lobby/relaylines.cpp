// SPDX-License-Identifier: GPL-3.0-or-later
// The lobby's lines of relay_load: a table's host registering its table and
// taking its players' tickets, and the relay's first line at either end of a
// relayed connection, after which the game's bytes pass (relaygame.cpp).

#include "relayload.h"

#include "lobbyreaders.h"
#include "version.h"

namespace {

const QString kProgram = QStringLiteral("relaybench");
const QString kVersion = QStringLiteral("1");

} // namespace

void RelayLoad::connected(RelayLink& l) {
    switch (l.role) {
    case RelayLink::Role::Control:
        l.stage = RelayLink::Stage::Opening;
        sendControl(m_tables[size_t(l.table)], lobbywire::hello(kProgram, kVersion));
        break;
    case RelayLink::Role::Joiner:
    case RelayLink::Role::HostEnd:
        l.stage = RelayLink::Stage::Opening;
        if (!l.send(l.opening))
            ended(l);
        break;
    case RelayLink::Role::DirectJoiner:
        if (l.mode == RelayLink::Mode::Source)
            l.wantWrites(true);
        break;
    default:
        break;
    }
}

void RelayLoad::bytes(RelayLink& l, const char* data, std::size_t size) {
    if (l.role == RelayLink::Role::Control) {
        BenchTable& t = m_tables[size_t(l.table)];
        l.in.append(data, qsizetype(size));
        QList<QByteArray> lines;
        const bool fits = lobbywire::cutLines(l.in, lines);
        for (const QByteArray& line : lines)
            if (!l.closed())
                controlLine(t, line);
        if (!fits) {
            ++m_tally.unexpected;
            ended(l);
        }
    } else if (l.stage == RelayLink::Stage::Opening) {
        opening(l, data, size);
    } else {
        game(l, data, size);
    }
}

// The relay's first line, JOINED or why not; what follows it is the game's.
void RelayLoad::opening(RelayLink& l, const char* data, std::size_t size) {
    l.in.append(data, qsizetype(size));
    const qsizetype end = l.in.indexOf('\n');
    if (end < 0) {
        if (l.in.size() > lobbywire::kMaxLineBytes)
            notJoined(l);
        return;
    }
    QByteArray line = l.in.left(end);
    if (line.endsWith('\r'))
        line.chop(1);
    const QByteArray rest = l.in.mid(end + 1);
    l.in.clear();
    const lobbywire::Message m = lobbywire::split(line);
    const QByteArray who = l.role == RelayLink::Role::Joiner ? "player:" : "end:";
    if (!lobbywire::isBare(m, lobbywire::name::joined)) {
        if (const auto bye = lobbywire::readBye(m))
            ++m_tally.byes[who + bye->word.toUtf8()];
        else if (lobbywire::readUnknown(m))
            ++m_tally.byes[who + "unknown"];
        else
            ++m_tally.unexpected;
        notJoined(l);
        return;
    }
    joined(l);
    if (!rest.isEmpty())
        game(l, rest.constData(), std::size_t(rest.size()));
}

void RelayLoad::joined(RelayLink& l) {
    l.stage = RelayLink::Stage::Open;
    if (l.role == RelayLink::Role::Joiner) {
        --m_playersOpening;
        ++m_tally.playersJoined;
    } else {
        --m_endsOpening;
        ++m_tally.endsJoined;
        m_tables[size_t(l.table)].lastEnd = &l;
    }
    if (l.mode == RelayLink::Mode::Source)
        l.wantWrites(true);
}

void RelayLoad::notJoined(RelayLink& l) {
    if (l.role == RelayLink::Role::Joiner) {
        --m_playersOpening;
        ++m_tally.playersFailed;
    } else {
        --m_endsOpening;
        ++m_tally.endsFailed;
    }
    l.closedByUs = true;
    l.close();
}

void RelayLoad::controlLine(BenchTable& t, const QByteArray& line) {
    using namespace lobbywire;
    const Message m = split(line);
    if (readWelcome(m) && t.control->stage == RelayLink::Stage::Opening) {
        t.control->stage = RelayLink::Stage::Open;
        sendControl(t, host(Listing::Invite, t.port, QLatin1String(wire::kVersion),
                            QStringLiteral("Relay bench %1").arg(t.index),
                            QStringLiteral("Host %1").arg(t.index)));
    } else if (const auto claim = readHosted(m); claim && !t.hosted) {
        t.code = claim->code;
        t.hosted = true;
        --m_tablesOpening;
    } else if (const auto j = readJoiner(m)) {
        openEnd(t, j->ticket);
    } else if (readProbe(m)) {
        ++m_tally.probes; // left unanswered: the table is one to relay for
    } else if (readReach(m) || isBare(m, name::pong)) {
    } else if (const auto bye = readBye(m)) {
        ++m_tally.byes["host:" + bye->word.toUtf8()];
    } else if (const auto error = readError(m)) {
        ++m_tally.errors[error->word.toUtf8()];
        if (!t.hosted && !t.failed) {
            t.failed = true;
            --m_tablesOpening;
        }
    } else {
        ++m_tally.unexpected;
    }
}

// The host's connection for a player waiting at the relay, from the table's
// own address as a game's would be.
void RelayLoad::openEnd(BenchTable& t, const QString& ticket) {
    RelayLink& end =
        keep(std::make_unique<RelayLink>(RelayLink::Role::HostEnd, 0, t.index, t.address));
    end.mode = t.endMode;
    end.bulkLimit = t.endBulkLimit;
    end.opening = lobbywire::ticket(ticket);
    ++m_endsOpening;
    if (!end.connectTo(kServiceAddress, m_plan.port, m_epoll)) {
        ++m_tally.connectFailed;
        notJoined(end);
    }
}

void RelayLoad::sendControl(BenchTable& t, const QByteArray& line) {
    t.lastSentNs = steadyNs();
    if (!t.control->send(line))
        ended(*t.control);
}
