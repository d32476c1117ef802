// SPDX-License-Identifier: GPL-3.0-or-later
#include "relayload.h"

#include "lobbyreaders.h"

#include <netinet/in.h>
#include <sys/epoll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <random>

namespace {

// Reads of one connection per turn of the loop, so that in a bulk transfer
// the sending end gets its turn too.
constexpr int kReadsPerTurn = 4;
// Pacing and pings need no finer clock.
constexpr std::int64_t kTickNs = 5'000'000;

} // namespace

RelayLoad::RelayLoad(const RelayPlan& plan)
    : m_plan(plan), m_area(kPieceBytes), m_pattern(kPatternPeriod + kPieceBytes) {
    m_epoll = ::epoll_create1(EPOLL_CLOEXEC);
    std::mt19937 random(7780);
    for (std::size_t i = 0; i < kPatternPeriod; ++i)
        m_pattern[i] = char(random() & 0xFF);
    for (std::size_t i = kPatternPeriod; i < m_pattern.size(); ++i)
        m_pattern[i] = m_pattern[i - kPatternPeriod];
    if (plan.acks) {
        // The driver's go-ahead lines come on standard input.
        epoll_event ev{};
        ev.events = EPOLLIN;
        ev.data.ptr = nullptr;
        ::epoll_ctl(m_epoll, EPOLL_CTL_ADD, 0, &ev);
    }
}

RelayLoad::~RelayLoad() {
    m_links.clear();
    if (m_epoll >= 0)
        ::close(m_epoll);
}

RelayLink& RelayLoad::keep(std::unique_ptr<RelayLink> link) {
    m_links.push_back(std::move(link));
    return *m_links.back();
}

bool RelayLoad::runUntil(const std::function<bool()>& done, double seconds) {
    epoll_event events[512];
    const std::int64_t deadline = steadyNs() + std::int64_t(seconds * 1e9);
    for (;;) {
        const std::int64_t now = steadyNs();
        if (now >= m_nextTickNs)
            tick(now);
        if (done())
            return true;
        if (now >= deadline)
            return false;
        const int wait = int(std::clamp<std::int64_t>((deadline - now) / 1'000'000, 0, 10));
        const int n = ::epoll_wait(m_epoll, events, 512, wait);
        for (int i = 0; i < n; ++i) {
            if (!events[i].data.ptr)
                readDriver();
            else
                dispatch(*static_cast<RelayLink*>(events[i].data.ptr), events[i].events);
        }
    }
}

void RelayLoad::tick(std::int64_t now) {
    m_nextTickNs = now + kTickNs;
    startQueued(now);
    for (BenchTable& t : m_tables)
        if (t.control && t.control->stage == RelayLink::Stage::Open &&
            now - t.lastSentNs >= m_plan.hostPingNs)
            sendControl(t, lobbywire::ping());
    if (!m_talking)
        return;
    for (RelayLink* p : m_players)
        if (p->mode == RelayLink::Mode::Talk && p->stage == RelayLink::Stage::Open &&
            p->askedNs == 0 && now >= p->nextTalkNs) {
            p->nextTalkNs = now + m_plan.talkIntervalNs;
            ask(*p);
        }
}

// Tables and players begin no faster than the plan's rate, and only so many
// wait for their answer at once.
void RelayLoad::startQueued(std::int64_t now) {
    const std::int64_t gap = 1'000'000'000 / std::max(1, m_plan.openRate);
    m_nextStartNs = std::max(m_nextStartNs, now - gap);
    while (now >= m_nextStartNs &&
           m_tablesOpening + m_playersOpening + m_endsOpening < m_plan.inFlight) {
        if (!m_queuedTables.empty()) {
            BenchTable& t = m_tables[size_t(m_queuedTables.front())];
            m_queuedTables.pop_front();
            ++m_tablesOpening;
            if (!t.control->connectTo(kServiceAddress, m_plan.port, m_epoll)) {
                ++m_tally.connectFailed;
                --m_tablesOpening;
                t.failed = true;
            }
        } else if (!m_queuedPlayers.empty()) {
            RelayLink& p = *m_queuedPlayers.front();
            m_queuedPlayers.pop_front();
            ++m_playersOpening;
            if (!p.connectTo(kServiceAddress, m_plan.port, m_epoll)) {
                ++m_tally.connectFailed;
                notJoined(p);
            }
        } else {
            return;
        }
        m_nextStartNs += gap;
    }
}

BenchTable& RelayLoad::addTable(std::uint32_t address, bool gamePort) {
    BenchTable t;
    t.index = int(m_tables.size());
    t.address = address;
    t.control =
        &keep(std::make_unique<RelayLink>(RelayLink::Role::Control, t.index, t.index, address));
    t.port = std::uint16_t(20'000 + t.index);
    if (gamePort) {
        t.gamePort = &keep(
            std::make_unique<RelayLink>(RelayLink::Role::GamePort, t.index, t.index, address));
        if (t.gamePort->listen(m_epoll))
            t.port = t.gamePort->localPort();
        else
            t.failed = true;
    }
    m_queuedTables.push_back(t.index);
    m_tables.push_back(t);
    return m_tables.back();
}

bool RelayLoad::hostQueued(double seconds) {
    runUntil([this] { return m_queuedTables.empty() && m_tablesOpening == 0; }, seconds);
    // Tables the bench closed itself were hosted before.
    return std::all_of(m_tables.begin(), m_tables.end(), [](const BenchTable& t) {
        return (t.hosted && !t.failed) || t.control->closedByUs;
    });
}

int RelayLoad::tablesHosted() const {
    return int(std::count_if(m_tables.begin(), m_tables.end(),
                             [](const BenchTable& t) { return t.hosted && !t.control->closed(); }));
}

int RelayLoad::playersOpen() const {
    return int(std::count_if(m_players.begin(), m_players.end(), [](const RelayLink* p) {
        return p->stage == RelayLink::Stage::Open;
    }));
}

RelayLink& RelayLoad::addPlayer(int table, std::uint32_t source, RelayLink::Mode mode) {
    RelayLink& p = keep(
        std::make_unique<RelayLink>(RelayLink::Role::Joiner, int(m_players.size()), table, source));
    p.mode = mode;
    p.opening = lobbywire::relay(m_tables[size_t(table)].code);
    m_players.push_back(&p);
    m_queuedPlayers.push_back(&p);
    return p;
}

RelayLink& RelayLoad::addDirect(int table, std::uint32_t source, RelayLink::Mode mode) {
    const BenchTable& t = m_tables[size_t(table)];
    RelayLink& p = keep(std::make_unique<RelayLink>(RelayLink::Role::DirectJoiner,
                                                    int(m_players.size()), table, source));
    p.mode = mode;
    if (!t.gamePort || !p.connectTo(t.address, t.port, m_epoll))
        ++m_tally.connectFailed;
    return p;
}

bool RelayLoad::openQueued(double seconds) {
    return runUntil(
        [this] { return m_queuedPlayers.empty() && m_playersOpening == 0 && m_endsOpening == 0; },
        seconds);
}

void RelayLoad::closePlayers(double seconds) {
    m_talking = false;
    m_closingPlayers = true;
    int expected = 0;
    for (RelayLink* p : m_players) {
        if (p->role == RelayLink::Role::Joiner && p->stage == RelayLink::Stage::Open)
            ++expected;
        p->closedByUs = true;
        p->close();
    }
    const int before = m_tally.endsFollowed;
    runUntil([&] { return m_tally.endsFollowed - before >= expected; }, seconds);
    m_closingPlayers = false;
    m_players.clear();
    m_queuedPlayers.clear();
    for (BenchTable& t : m_tables)
        t.lastEnd = nullptr;
    // Every player is gone, and the host ends that followed them.
    std::erase_if(m_links, [](const std::unique_ptr<RelayLink>& l) {
        return l->closed() && l->role != RelayLink::Role::Control &&
               l->role != RelayLink::Role::GamePort;
    });
}

void RelayLoad::closeAll() {
    m_talking = false;
    for (auto& l : m_links) {
        l->closedByUs = true;
        l->close();
    }
    m_players.clear();
    m_queuedPlayers.clear();
    m_queuedTables.clear();
}

void RelayLoad::awaitDriver() {
    if (!m_plan.acks || m_driverGone)
        return;
    const int wanted = ++m_driverWanted;
    runUntil([&] { return m_driverGone || m_driverLines >= wanted; }, 60);
}

void RelayLoad::readDriver() {
    char buffer[256];
    const ssize_t n = ::read(0, buffer, sizeof buffer);
    if (n <= 0) {
        m_driverGone = true;
        ::epoll_ctl(m_epoll, EPOLL_CTL_DEL, 0, nullptr);
        return;
    }
    m_driverLines += int(std::count(buffer, buffer + n, '\n'));
}

void RelayLoad::dispatch(RelayLink& l, std::uint32_t events) {
    if (l.closed())
        return; // closed earlier in this turn
    if (l.role == RelayLink::Role::GamePort) {
        acceptAll(l);
        return;
    }
    if (l.stage == RelayLink::Stage::Connecting) {
        if (!(events & (EPOLLOUT | EPOLLERR | EPOLLHUP)))
            return;
        if (!l.finishConnect()) {
            ++m_tally.connectFailed;
            ended(l);
            return;
        }
        connected(l);
        if (l.closed())
            return;
    }
    if (events & EPOLLOUT) {
        if (!l.flush()) {
            ended(l);
            return;
        }
        if (l.mode == RelayLink::Mode::Source && l.stage == RelayLink::Stage::Open)
            pump(l);
    }
    if (!l.closed() && (events & (EPOLLIN | EPOLLRDHUP | EPOLLHUP | EPOLLERR)))
        readSome(l);
}

void RelayLoad::acceptAll(RelayLink& port) {
    BenchTable& t = m_tables[size_t(port.table)];
    for (;;) {
        const int fd = ::accept4(port.fd(), nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd < 0)
            return;
        RelayLink& end = keep(
            std::make_unique<RelayLink>(RelayLink::Role::DirectHostEnd, 0, t.index, t.address));
        end.mode = t.endMode;
        end.bulkLimit = t.endBulkLimit;
        if (!end.adopt(fd, m_epoll)) {
            end.close();
            continue;
        }
        t.lastEnd = &end;
        if (end.mode == RelayLink::Mode::Source)
            end.wantWrites(true);
    }
}

void RelayLoad::readSome(RelayLink& l) {
    for (int i = 0; i < kReadsPerTurn; ++i) {
        const ssize_t n = l.receive(m_area.data(), m_area.size());
        if (n == -2)
            return;
        if (n <= 0) {
            ended(l);
            return;
        }
        bytes(l, m_area.data(), std::size_t(n));
        if (l.closed() || std::size_t(n) < m_area.size())
            return;
    }
}

// A bulk transfer ends with the sender's end: the receiver is sent it after
// the last byte, and the sender's own connection is closed by the relay then.
bool RelayLoad::bulkEnd(const RelayLink& l) {
    return l.mode == RelayLink::Mode::Sink || (l.mode == RelayLink::Mode::Source && l.bulkDone);
}

// The peer ended the connection (or it failed): what that means depends on
// what the connection was and whether the bench closed its other end.
void RelayLoad::ended(RelayLink& l) {
    const bool wasOpen = l.stage == RelayLink::Stage::Open;
    l.peerEnded = true;
    if (!l.closedByUs) {
        switch (l.role) {
        case RelayLink::Role::Control: {
            BenchTable& t = m_tables[size_t(l.table)];
            if (!t.hosted && !t.failed)
                --m_tablesOpening;
            t.failed = true;
            ++m_tally.tablesLost;
            break;
        }
        case RelayLink::Role::Joiner:
            if (!wasOpen)
                notJoined(l);
            else if (!bulkEnd(l))
                ++m_tally.playersLost;
            break;
        case RelayLink::Role::HostEnd:
            if (!wasOpen)
                notJoined(l);
            else if (m_closingPlayers || bulkEnd(l))
                ++m_tally.endsFollowed;
            else
                ++m_tally.endsLost;
            break;
        default:
            break;
        }
    }
    l.close();
}
