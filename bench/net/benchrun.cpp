// SPDX-License-Identifier: GPL-3.0-or-later
#include "benchrun.h"

#include "messages.h"
#include "protocol.h"
#include "version.h"
#include "wordlists.h"

#include <QDir>
#include <QFile>

#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

long statusKb(int pid, const char* key) {
    QFile f(QStringLiteral("/proc/%1/status").arg(pid));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith(key))
            return line.mid(qsizetype(strlen(key))).trimmed().split(' ').first().toLong();
    return 0;
}

QByteArray commandOf(const QByteArray& m) {
    const qsizetype plus = m.indexOf('+');
    return plus < 0 ? m : m.left(plus);
}

} // namespace

BenchRun::BenchRun(std::uint16_t port)
    : m_port(port), m_log(QDir::temp().filePath(QStringLiteral("vorlix_net_bench_server.log"))),
      m_starters(starterWords()) {}

BenchRun::~BenchRun() {
    for (auto& p : m_players)
        p.reset();
    m_loop.reset();
    if (m_pid > 0) {
        ::kill(m_pid, SIGTERM);
        ::waitpid(m_pid, nullptr, 0);
    }
}

long BenchRun::serverRssKb() const {
    return statusKb(m_pid, "VmRSS:");
}

long BenchRun::serverPeakRssKb() const {
    return statusKb(m_pid, "VmHWM:");
}

// The real program as a dedicated server, with no display, its log in a file
// (a pipe nobody reads would stop it once full).
bool BenchRun::spawnServer(QString& error) {
    QFile::remove(m_log);
    const QByteArray port = QByteArray::number(m_port);
    const QByteArray log = m_log.toLocal8Bit();
    m_pid = ::fork();
    if (m_pid == 0) {
        ::unsetenv("DISPLAY");
        ::unsetenv("WAYLAND_DISPLAY");
        ::unsetenv("QT_QPA_PLATFORM");
        const int fd = ::open(log.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ::dup2(fd, 1);
        ::dup2(fd, 2);
        const char* argv[] = {VORLIX_BINARY, "--server",    "--port", port.constData(), "--pause",
                              "quick",       "--bot-speed", "normal", nullptr};
        ::execve(VORLIX_BINARY, const_cast<char**>(argv), environ);
        ::_exit(127);
    }
    for (int i = 0; i < 200; ++i) {
        QFile f(m_log);
        if (f.open(QIODevice::ReadOnly) && f.readAll().contains("listening on port"))
            return true;
        ::poll(nullptr, 0, 50);
    }
    error = QStringLiteral("the server did not start; see ") + m_log;
    return false;
}

bool BenchRun::start(QString& error) {
    if (!spawnServer(error))
        return false;
    for (int p = 1; p <= 8; ++p) {
        if (!seat(p, p)) {
            error = QStringLiteral("player %1 was not seated").arg(p);
            return false;
        }
    }
    // Ten rounds of two minutes: no round ends while the cases run, except
    // when the bench starts a new game for a fresh prefix.
    m_players[1]->send(wire::startgame("Bench", "10", "120", "0", "1"));
    for (int i = 0; i < 500 && m_prefix.isEmpty(); ++i)
        pump(10);
    if (m_prefix.isEmpty())
        error = QStringLiteral("no round started");
    return !m_prefix.isEmpty();
}

// Connects player `player` from 127.0.0.<host> and logs it in.
bool BenchRun::seat(int player, int host) {
    m_players[player] = std::make_unique<BenchClient>(host, m_port);
    m_pending[player].clear();
    BenchClient& c = *m_players[player];
    for (int i = 0; i < 500 && c.number == 0 && !c.closed(); ++i)
        pump(10);
    if (c.number != player)
        return false;
    c.send(wire::logininfo(player, wire::kVersion, "P" + QByteArray::number(player)) + '\xFF');
    pump(50);
    return true;
}

void BenchRun::pump(int timeoutMs) {
    std::vector<pollfd> fds;
    std::vector<int> who;
    for (int p = 1; p <= 8; ++p)
        if (m_players[p] && !m_players[p]->closed()) {
            fds.push_back({m_players[p]->fd(), POLLIN, 0});
            who.push_back(p);
        }
    ::poll(fds.data(), nfds_t(fds.size()), timeoutMs);
    for (int p : who) {
        m_players[p]->read();
        for (const BenchClient::Arrival& a : m_players[p]->take())
            handle(p, a);
    }
}

void BenchRun::handle(int player, const BenchClient::Arrival& a) {
    BenchClient& c = *m_players[player];
    const QByteArray command = commandOf(a.text);
    const QList<QByteArray> f = a.text.split('+');
    const QByteArray own = QByteArray::number(player);
    if (command == "CMD_sendlogininfo") {
        c.number = f.value(1).toInt();
    } else if (command == "CMD_startround") {
        m_pending[player].clear();
        if (player == 1) {
            m_prefix = f.value(4);
            m_restarting = false;
            m_pool.clear();
            for (const QString& w : m_starters)
                if (w.startsWith(QString::fromLatin1(m_prefix).toLower()) && w.size() >= 2)
                    m_pool << w;
        }
    } else if (command == "CMD_endround") {
        m_pending[player].clear();
    } else if (command == "CMD_notvalid" || command == "CMD_gotword") {
        if (command == "CMD_gotword")
            m_gotArrivals[f.value(2)].push_back(a.at);
        if (f.value(1) == own && !m_pending[player].empty()) {
            if (m_current)
                m_current->roundTrips.push_back(a.at - m_pending[player].front());
            m_pending[player].pop_front();
        }
    } else if (player == 1 && m_current && command == "CMD_newplayerinfo") {
        ++m_current->arrivalsHeard;
    } else if (player == 1 && m_current && command == "CMD_playerdisconnected") {
        ++m_current->departuresHeard;
    }
}

// A new game brings a new prefix, and with it new words to find.
void BenchRun::refillWords() {
    if (m_pool.size() >= 8 || m_restarting)
        return;
    m_restarting = true;
    m_players[1]->send(wire::startgame("Bench", "10", "120", "0", "1"));
}

void BenchRun::sendWord(int player, const QByteArray& word, Micros at) {
    if (m_players[player]->send(wire::sendword(player, word)))
        m_pending[player].push_back(at);
}

// Flooders that were cut come back from a fresh address, so the next case has
// eight players again.
void BenchRun::replaceGone(CaseResult& result, const std::vector<int>& flooders,
                           Micros floodStart) {
    for (size_t i = 0; i < flooders.size(); ++i) {
        const int p = flooders[i];
        if (m_players[p]->closed()) {
            result.flooderCutMs[i] = (m_players[p]->closedAt() - floodStart) / 1000;
            seat(p, m_nextHost++);
        }
    }
}

// A connection that logs in and leaves again as fast as it can, from one
// address: each greeting it gets is a connection the server admitted.
void BenchRun::runLoopClient(CaseResult& result) {
    if (m_loop) {
        m_loop->read();
        for (const BenchClient::Arrival& a : m_loop->take()) {
            if (commandOf(a.text) == "CMD_sendlogininfo") {
                ++result.loopGreeted;
                m_loop->send(wire::logininfo(a.text.mid(18).toInt(), wire::kVersion, "Loop") +
                             '\xFF');
                m_loopGreeted = true;
            } else if (commandOf(a.text) == "CMD_full") {
                // Its last connection's seat was not free yet: admitted, then
                // told the game is full.
                ++result.loopFull;
                m_loopGreeted = true;
            }
        }
        if (!m_loopGreeted && !m_loop->closed())
            return;
        if (m_loop->closed() && !m_loopGreeted)
            ++result.loopRefused;
        m_loop.reset();
    }
    ++result.loopConnects;
    m_loopGreeted = false;
    m_loop = std::make_unique<BenchClient>(9, m_port);
}

CaseResult BenchRun::run(const CaseSpec& plan) {
    CaseResult result;
    result.flooderCutMs.assign(plan.flooders.size(), -1);
    m_current = &result;
    m_gotArrivals.clear();
    auto floods = [&](int p) {
        return std::find(plan.flooders.begin(), plan.flooders.end(), p) != plan.flooders.end();
    };
    result.rssBeforeKb = result.rssPeakKb = serverRssKb();
    const Micros start = nowMicros();
    const Micros end = start + Micros(plan.seconds) * 1'000'000;
    Micros nextWord = start, nextBurst = start + 250'000, nextSample = start;
    long flooded = 0;
    while (nowMicros() < end) {
        pump(1);
        const Micros now = nowMicros();
        if (now >= nextSample) {
            result.rssPeakKb = std::max(result.rssPeakKb, serverRssKb());
            nextSample = now + 100'000;
        }
        // Each good player at a seat types a word five times a second.
        if (now >= nextWord) {
            for (int p = 1; p <= 6; ++p)
                if (!floods(p) && !m_players[p]->closed())
                    sendWord(p, "ZQX" + QByteArray::number(++m_junk % 1000), now);
            nextWord = now + 200'000;
        }
        // Twice a second every good player sends at once: a word each from
        // the seats, a chat line from the spies.
        if (now >= nextBurst && !m_restarting) {
            refillWords();
            for (int p = 1; p <= 8 && !m_restarting; ++p) {
                if (floods(p) || m_players[p]->closed())
                    continue;
                if (p <= 6 && !m_pool.isEmpty())
                    sendWord(p, m_pool.takeFirst().toLatin1(), now);
                else if (p > 6)
                    m_players[p]->send(wire::chat(p, "now", "clBlack"));
            }
            nextBurst = now + 500'000;
        }
        if (plan.floodPerSecond > 0) {
            const long due = long((now - start) * plan.floodPerSecond / 1'000'000);
            for (; flooded < due; ++flooded)
                for (int p : plan.flooders)
                    if (!m_players[p]->closed())
                        m_players[p]->send(wire::chat(p, "flood", "clRed"));
        }
        if (plan.reconnectLoop)
            runLoopClient(result);
    }
    m_loop.reset();
    for (int i = 0; i < 100; ++i)
        pump(10); // replies still on their way
    for (const auto& [word, times] : m_gotArrivals)
        if (times.size() >= 2)
            result.spreads.push_back(*std::max_element(times.begin(), times.end()) -
                                     *std::min_element(times.begin(), times.end()));
    m_current = nullptr;
    replaceGone(result, plan.flooders, start);
    for (int i = 0; i < 50; ++i)
        pump(10);
    result.rssAfterKb = serverRssKb();
    return result;
}
