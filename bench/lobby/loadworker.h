// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One thread of the load generator: its share of the clients (client i and
// resolver r belong to worker i mod n and r mod n; hosts are the clients
// 0..tables-1, so a table's host is client `table`), one epoll set, and a
// loop that follows the main thread's phases:
// - Hosting: its hosts connect, say HELLO, HOST a public table and send its
//   first STATE (round 1).
// - Watching: its hosts WATCH; its other clients connect and WATCH; its
//   resolvers connect. At most setupInFlight/n clients are mid-step at once.
// - Idle: nothing but the pings an idle lobby client sends.
// - Load: the changes of its tables from the one schedule shared by all
//   workers; its resolvers ask for codes.
// - Drain: no more sending; what is on its way is still received.
// Every TABLE line a watcher gets is read through lobbywire's reader; its
// (table, round) is kept per line text, since the same bytes reach every
// watcher and read the same each time.

#include "loadclient.h"
#include "loadplan.h"
#include "loadtally.h"

#include <QByteArray>
#include <QHash>
#include <QList>

#include <deque>
#include <memory>
#include <random>
#include <vector>

// What the bench's tables call themselves and their hosts: names of a
// realistic length, so the lines weigh what real ones do.
QString benchTableName(int table);
QString benchHostName(int table);

class LoadWorker {
public:
    LoadWorker(int id, LoadShared& shared);
    ~LoadWorker();
    LoadWorker(const LoadWorker&) = delete;
    LoadWorker& operator=(const LoadWorker&) = delete;

    // The thread's body: returns once the phase is Stop, its tally complete.
    void run();
    const WorkerTally& tally() const { return m_tally; }

private:
    struct Seen {
        int table = -1; // -1: a code the generator did not host
        int round = 0;
    };

    void enter(Phase phase);
    void pace();
    void step(LoadClient& c);
    void ready(LoadClient& c);
    void onEvent(LoadClient& c, std::uint32_t events);
    void onClosed(LoadClient& c);
    void onLine(LoadClient& c, const QByteArray& line, std::int64_t stampNs);
    void onWelcome(LoadClient& c);
    void onTable(LoadClient& c, int table, int round, std::int64_t stampNs);
    void onAnswer(LoadClient& c, const QString& code, const QString& address, int port, bool found,
                  std::int64_t stampNs);
    void ping(std::int64_t now);
    void sendChanges(std::int64_t nowReal);
    void ask(std::int64_t now);
    void finish();
    bool settledNow() const { return m_todo.empty() && m_inFlight == 0; }

    const int m_id;
    LoadShared& m_shared;
    const LoadPlan& m_plan;
    int m_epoll = -1;
    Phase m_phase = Phase::Hosting;
    std::vector<std::unique_ptr<LoadClient>> m_clients;
    std::vector<LoadClient*> m_hosts; // table t at t / workers
    std::vector<LoadClient*> m_resolvers;
    std::deque<LoadClient*> m_todo; // setup steps not begun
    int m_inFlight = 0;
    int m_cap = 1;
    std::vector<std::uint16_t> m_lastRound; // [slot * tables + table]
    QHash<QByteArray, Seen> m_seen;
    std::int64_t m_nextChange = 0;
    std::mt19937 m_random;
    WorkerTally m_tally;
    QList<QByteArray> m_lines;
    std::vector<char> m_area;
};
