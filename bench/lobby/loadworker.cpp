// SPDX-License-Identifier: GPL-3.0-or-later
#include "loadworker.h"

#include "lobbyreaders.h"

#include <sys/epoll.h>
#include <unistd.h>

#include <algorithm>

namespace {

const QString kProgram = QStringLiteral("lobbybench");
const QString kVersion = QStringLiteral("1");

} // namespace

LoadWorker::LoadWorker(int id, LoadShared& shared)
    : m_id(id), m_shared(shared), m_plan(shared.plan), m_random(shared.plan.seed + unsigned(id)),
      m_area(256 * 1024) {
    m_epoll = ::epoll_create1(EPOLL_CLOEXEC);
    const int n = m_plan.workers;
    for (int i = id; i < m_plan.clients; i += n) {
        const auto role = i < m_plan.tables ? LoadClient::Role::Host : LoadClient::Role::Watcher;
        m_clients.push_back(
            std::make_unique<LoadClient>(role, i, int(m_clients.size()), m_plan.clientSource(i)));
        if (role == LoadClient::Role::Host)
            m_hosts.push_back(m_clients.back().get());
    }
    for (int r = id; r < m_plan.resolvers; r += n) {
        m_clients.push_back(std::make_unique<LoadClient>(
            LoadClient::Role::Resolver, r, int(m_clients.size()), m_plan.resolverSource(r)));
        m_resolvers.push_back(m_clients.back().get());
    }
    m_cap = std::max(1, m_plan.setupInFlight / n);
    m_lastRound.assign(m_clients.size() * std::size_t(m_plan.tables), 0);
    m_tally.lastArrival.assign(std::size_t(m_plan.tables) * m_plan.roundsCap(), 0);
}

LoadWorker::~LoadWorker() {
    m_clients.clear();
    if (m_epoll >= 0)
        ::close(m_epoll);
}

void LoadWorker::run() {
    enter(Phase::Hosting);
    std::vector<epoll_event> events(1024);
    std::int64_t nextTick = 0;
    for (;;) {
        const Phase phase = m_shared.phase.load(std::memory_order_acquire);
        if (phase == Phase::Stop)
            break;
        if (phase != m_phase)
            enter(phase);
        const int n = ::epoll_wait(m_epoll, events.data(), int(events.size()),
                                   m_phase == Phase::Load ? 2 : 20);
        for (int i = 0; i < n; ++i)
            onEvent(*static_cast<LoadClient*>(events[size_t(i)].data.ptr),
                    events[size_t(i)].events);
        const std::int64_t now = steadyNs();
        pace();
        if (now >= nextTick) {
            ping(now);
            nextTick = now + 100'000'000;
        }
        if (m_phase == Phase::Load) {
            sendChanges(realtimeNs());
            ask(now);
        }
        if (settledNow())
            m_shared.settled[m_id].store(int(m_phase), std::memory_order_release);
    }
    finish();
}

void LoadWorker::enter(Phase phase) {
    m_phase = phase;
    if (phase == Phase::Hosting) {
        m_todo.assign(m_hosts.begin(), m_hosts.end());
    } else if (phase == Phase::Watching) {
        for (auto& c : m_clients)
            if (!c->closed() &&
                (c->role != LoadClient::Role::Host || c->stage == LoadClient::Stage::Hosted))
                m_todo.push_back(c.get());
    } else if (phase == Phase::Load) {
        // The resolvers' questions are spread over the interval.
        const std::int64_t now = steadyNs();
        for (LoadClient* r : m_resolvers)
            r->nextAskNs = now + m_plan.askIntervalNs * r->index / std::max(1, m_plan.resolvers);
    }
}

// Begins setup steps while fewer than the worker's share are under way.
void LoadWorker::pace() {
    while (m_inFlight < m_cap && !m_todo.empty()) {
        LoadClient& c = *m_todo.front();
        m_todo.pop_front();
        c.inFlight = true;
        ++m_inFlight;
        step(c);
    }
}

void LoadWorker::step(LoadClient& c) {
    if (c.stage == LoadClient::Stage::Waiting) {
        if (!c.start(m_plan.port, m_epoll))
            onClosed(c);
        return;
    }
    // A host whose table is registered follows the directory from now on.
    c.stage = LoadClient::Stage::Watching;
    c.snapshotTables = 0;
    if (!c.send(lobbywire::watch()))
        onClosed(c);
}

void LoadWorker::ready(LoadClient& c) {
    if (!c.inFlight)
        return;
    c.inFlight = false;
    --m_inFlight;
}

void LoadWorker::onClosed(LoadClient& c) {
    if (!c.closedByUs)
        ++m_tally.lost[int(c.role)];
    c.close();
    ready(c);
}

void LoadWorker::onEvent(LoadClient& c, std::uint32_t events) {
    if (c.closed())
        return;
    if (c.stage == LoadClient::Stage::Connecting) {
        if (!(events & (EPOLLOUT | EPOLLERR | EPOLLHUP)))
            return;
        if (!c.finishConnect()) {
            onClosed(c);
            return;
        }
        c.stage = LoadClient::Stage::Greeting;
        if (!c.send(lobbywire::hello(kProgram, kVersion))) {
            onClosed(c);
            return;
        }
    }
    if ((events & EPOLLOUT) && !c.flush()) {
        onClosed(c);
        return;
    }
    if (!(events & (EPOLLIN | EPOLLRDHUP | EPOLLHUP | EPOLLERR)))
        return;
    LoadClient::Read r;
    do {
        m_lines.clear();
        r = c.read(m_area.data(), m_area.size(), m_lines);
        if (r.bytes > 0) {
            ++(r.kernelStamp ? m_tally.readsStamped : m_tally.readsUnstamped);
            m_tally.bytesIn += r.bytes;
        }
        m_tally.linesIn += m_lines.size();
        for (const QByteArray& line : m_lines)
            onLine(c, line, r.stampNs);
    } while (r.open && r.more);
    if (!r.open)
        onClosed(c);
}

// An idle client pings as the lobby's own do, so the service keeps it.
void LoadWorker::ping(std::int64_t now) {
    for (auto& c : m_clients) {
        if (c->stage < LoadClient::Stage::Welcomed || c->closed())
            continue;
        const std::int64_t gap =
            c->role == LoadClient::Role::Host ? m_plan.hostPingNs : m_plan.otherPingNs;
        if (now - c->lastSentNs >= gap && !c->send(lobbywire::ping()))
            onClosed(*c);
    }
}

// Change k of the schedule is due at loadStart + k / changesPerSecond; it
// moves table order[k mod tables] to round 2 + k div tables. Each worker
// sends the changes of its own tables.
void LoadWorker::sendChanges(std::int64_t nowReal) {
    const std::int64_t start = m_shared.loadStartNs.load(std::memory_order_acquire);
    if (nowReal < start)
        return;
    const std::int64_t due = std::min<std::int64_t>(
        m_plan.totalChanges(), (nowReal - start) * m_plan.changesPerSecond / 1'000'000'000 + 1);
    for (; m_nextChange < due; ++m_nextChange) {
        const int t = m_shared.order[size_t(m_nextChange % m_plan.tables)];
        if (m_plan.workerOf(t) != m_id)
            continue;
        const int round = 2 + int(m_nextChange / m_plan.tables);
        LoadClient& host = *m_hosts[size_t(t / m_plan.workers)];
        if (host.closed() || host.stage < LoadClient::Stage::Hosted) {
            ++m_tally.changesUnsent;
            continue;
        }
        lobbywire::TableState s;
        s.seated = 1 + round % lobbywire::kSeats;
        s.spies = round % (lobbywire::kSpies + 1);
        s.phase = lobbywire::Phase::Playing;
        s.round = round;
        s.rounds = lobbywire::kMaxRounds;
        s.hostName = benchHostName(t);
        const QByteArray line = lobbywire::state(s);
        // Published before the line leaves, so that whichever thread hears
        // the change finds when it was sent.
        m_shared.sentAt[m_shared.changeSlot(t, round)].store(realtimeNs(),
                                                             std::memory_order_release);
        if (host.send(line))
            ++m_tally.changesSent;
        else
            onClosed(host);
    }
}

// Each resolver has one question open at a time; most ask for a listed
// table's code, every unknownEvery-th for a code nobody holds.
void LoadWorker::ask(std::int64_t now) {
    for (LoadClient* r : m_resolvers) {
        if (r->closed() || r->asking || r->stage < LoadClient::Stage::Welcomed ||
            now < r->nextAskNs)
            continue;
        r->askedKnown = ++r->asked % m_plan.unknownEvery != 0;
        if (r->askedKnown) {
            std::uniform_int_distribution<int> pick(0, m_plan.tables - 1);
            do
                r->askedTable = pick(m_random);
            while (m_shared.codes[size_t(r->askedTable)].isEmpty());
            r->askedCode = m_shared.codes[size_t(r->askedTable)];
        } else {
            do
                r->askedCode = lobbywire::invite::generate(m_random);
            while (m_shared.tableOfCode.count(r->askedCode));
            r->askedTable = -1;
        }
        r->asking = true;
        // Realtime, as the answer's arrival stamp is.
        r->askedNs = realtimeNs();
        r->nextAskNs = now + m_plan.askIntervalNs;
        if (!r->send(lobbywire::resolve(r->askedCode)))
            onClosed(*r);
    }
}

void LoadWorker::finish() {
    m_tally.minRound.assign(size_t(m_plan.tables), lobbywire::kMaxRounds + 1);
    for (auto& c : m_clients) {
        if (c->role == LoadClient::Role::Resolver) {
            m_tally.unanswered += c->asking && !c->closed();
        } else if (c->stage == LoadClient::Stage::Listed) {
            ++m_tally.watchersAtEnd;
            const std::uint16_t* last = &m_lastRound[size_t(c->slot) * size_t(m_plan.tables)];
            for (int t = 0; t < m_plan.tables; ++t)
                m_tally.minRound[size_t(t)] = std::min<int>(m_tally.minRound[size_t(t)], last[t]);
        }
        c->closedByUs = true;
        c->close();
    }
}
