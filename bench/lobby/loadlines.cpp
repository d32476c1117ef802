// SPDX-License-Identifier: GPL-3.0-or-later
// The lines a load client hears: each read through lobbywire's reader, the
// client moved on through its setup, and every change's arrival tallied.

#include "loadworker.h"

#include "lobbyreaders.h"
#include "version.h"

#include <algorithm>

QString benchTableName(int table) {
    return QStringLiteral("Bench table %1").arg(table);
}

QString benchHostName(int table) {
    return QStringLiteral("Host %1").arg(table);
}

void LoadWorker::onLine(LoadClient& c, const QByteArray& line, std::int64_t stampNs) {
    using namespace lobbywire;
    if (const auto seen = m_seen.constFind(line); seen != m_seen.constEnd()) {
        if (seen->table >= 0)
            onTable(c, seen->table, seen->round, stampNs);
        else
            ++m_tally.foreign;
        return;
    }
    const Message m = split(line);
    if (m.name == name::table) {
        const auto entry = readTable(m);
        if (!entry) {
            ++m_tally.unexpected;
            return;
        }
        const auto it = m_shared.tableOfCode.find(entry->code);
        const Seen seen{it == m_shared.tableOfCode.end() ? -1 : it->second, entry->state.round};
        m_seen.insert(line, seen);
        onLine(c, line, stampNs);
    } else if (isBare(m, name::listed) && c.stage == LoadClient::Stage::Watching) {
        c.stage = LoadClient::Stage::Listed;
        ++m_tally.listed;
        if (c.snapshotTables < int(m_shared.tableOfCode.size()))
            ++m_tally.snapshotShort;
        ready(c);
    } else if (readWelcome(m) && c.stage == LoadClient::Stage::Greeting) {
        onWelcome(c);
    } else if (const auto code = readHosted(m); code && c.stage == LoadClient::Stage::Hosting) {
        m_shared.codes[size_t(c.index)] = code->code;
        TableState s;
        s.seated = 1;
        s.phase = lobbywire::Phase::Playing;
        s.round = 1;
        s.rounds = kMaxRounds;
        s.hostName = benchHostName(c.index);
        c.stage = LoadClient::Stage::Hosted;
        ++m_tally.hosted;
        if (!c.send(state(s)))
            onClosed(c);
        ready(c);
    } else if (const auto f = readFound(m)) {
        onAnswer(c, f->code, f->address, f->port, true, stampNs);
    } else if (const auto u = readUnknown(m)) {
        onAnswer(c, *u, {}, 0, false, stampNs);
    } else if (readProbe(m) && c.role == LoadClient::Role::Host) {
        // The bench's tables have no game server to ready for the test: the
        // service finds them unreachable once the test's time has passed.
    } else if (readReach(m) && c.role == LoadClient::Role::Host) {
        m_shared.tested.fetch_add(1, std::memory_order_acq_rel);
    } else if (isBare(m, name::pong)) {
    } else if (readGone(m)) {
        ++m_tally.gone;
    } else if (const auto bye = readBye(m)) {
        ++m_tally.byes[bye->word]; // the service closes the connection next
    } else if (const auto error = readError(m)) {
        // A refused HOST or WATCH ends that client's setup step: it is
        // counted here, and the run goes on without it.
        ++m_tally.errors[error->word];
        ready(c);
        if (c.role == LoadClient::Role::Resolver && c.asking) {
            c.asking = false;
            ++m_tally.wrong;
        }
    } else {
        ++m_tally.unexpected;
    }
}

void LoadWorker::onWelcome(LoadClient& c) {
    using namespace lobbywire;
    if (c.role == LoadClient::Role::Resolver) {
        c.stage = LoadClient::Stage::Welcomed;
        ++m_tally.resolversReady;
        ready(c);
    } else if (c.role == LoadClient::Role::Host) {
        c.stage = LoadClient::Stage::Hosting;
        if (!c.send(host(Listing::Public, m_plan.gamePort(c.index), QLatin1String(wire::kVersion),
                         benchTableName(c.index), benchHostName(c.index))))
            onClosed(c);
    } else {
        c.stage = LoadClient::Stage::Watching;
        if (!c.send(watch()))
            onClosed(c);
    }
}

// A watcher heard table `table` at `round`. Every round it had not heard yet
// up to this one reached it now: the service may send a table that changed
// twice within a batch once, as it is now.
void LoadWorker::onTable(LoadClient& c, int table, int round, std::int64_t stampNs) {
    if (c.stage == LoadClient::Stage::Watching)
        ++c.snapshotTables;
    std::uint16_t& last = m_lastRound[size_t(c.slot) * size_t(m_plan.tables) + size_t(table)];
    if (round < last)
        ++m_tally.stale;
    if (round <= last)
        return;
    for (int q = last + 1; q <= round && q < m_plan.roundsCap(); ++q) {
        const size_t slot = m_shared.changeSlot(table, q);
        const std::int64_t sent = m_shared.sentAt[slot].load(std::memory_order_acquire);
        if (sent == 0)
            continue; // the round of its listing, not a measured change
        m_tally.receipts.add(stampNs - sent);
        m_tally.lastArrival[slot] = std::max(m_tally.lastArrival[slot], stampNs);
        if (q < round)
            ++m_tally.superseded;
    }
    last = std::uint16_t(round);
}

void LoadWorker::onAnswer(LoadClient& c, const QString& code, const QString& address, int port,
                          bool found, std::int64_t stampNs) {
    if (c.role != LoadClient::Role::Resolver || !c.asking) {
        ++m_tally.unexpected;
        return;
    }
    c.asking = false;
    m_tally.resolveNs.push_back(stampNs - c.askedNs);
    const bool right =
        code == c.askedCode &&
        (found ? c.askedKnown &&
                     address ==
                         QString::fromLatin1(dottedAddress(m_plan.clientSource(c.askedTable))) &&
                     port == m_plan.gamePort(c.askedTable)
               : !c.askedKnown);
    if (!right)
        ++m_tally.wrong;
    else
        ++(found ? m_tally.found : m_tally.unknown);
}
