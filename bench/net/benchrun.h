// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The load bench's table: the real dedicated server in a child process and
// eight loopback players of the bench's own, playing one long game while some
// of them flood. Every case measures the good players' word round trip
// (CMD_sendword to its CMD_notvalid or CMD_gotword), the spread of each judged
// word's arrival over all the players (CMD_gotword goes to everybody), how long
// a flooder lasts, and the server's resident memory.

#include "benchclient.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <array>
#include <deque>
#include <map>
#include <memory>
#include <vector>

struct CaseSpec {
    QString name;
    std::vector<int> flooders; // players (1..8) that flood chat instead of playing
    int floodPerSecond = 0;
    bool reconnectLoop = false; // a ninth connection comes and goes without pause
    int seconds = 6;
};

struct CaseResult {
    std::vector<Micros> roundTrips; // of the good players' words
    std::vector<Micros> spreads;    // of each judged word over every player
    long rssBeforeKb = 0, rssPeakKb = 0, rssAfterKb = 0;
    std::vector<Micros> flooderCutMs; // per flooder, -1 when never cut
    int loopConnects = 0, loopGreeted = 0, loopFull = 0, loopRefused = 0;
    int arrivalsHeard = 0, departuresHeard = 0; // by player 1
};

class BenchRun {
public:
    explicit BenchRun(std::uint16_t port);
    ~BenchRun();

    // Starts the server and seats players 1 to 8 in a game of long rounds.
    bool start(QString& error);
    CaseResult run(const CaseSpec& plan);
    long serverRssKb() const;
    long serverPeakRssKb() const;

private:
    bool spawnServer(QString& error);
    bool seat(int player, int host);
    void pump(int timeoutMs);
    void handle(int player, const BenchClient::Arrival& a);
    void refillWords();
    void sendWord(int player, const QByteArray& word, Micros at);
    void replaceGone(CaseResult& result, const std::vector<int>& flooders, Micros floodStart);
    void runLoopClient(CaseResult& result);

    std::uint16_t m_port;
    int m_pid = -1;
    QString m_log;
    int m_nextHost = 20; // fresh loopback addresses for replacements
    std::array<std::unique_ptr<BenchClient>, 9> m_players; // 1..8
    std::array<std::deque<Micros>, 9> m_pending;           // words awaiting a reply
    std::unique_ptr<BenchClient> m_loop;
    bool m_loopGreeted = false;
    QByteArray m_prefix;
    QStringList m_starters;
    QStringList m_pool; // unused words of the round's prefix
    bool m_restarting = false;
    std::map<QByteArray, std::vector<Micros>> m_gotArrivals;
    CaseResult* m_current = nullptr;
    int m_junk = 0;
};
