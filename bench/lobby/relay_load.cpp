// SPDX-License-Identifier: GPL-3.0-or-later
// relay_load: the relay bench's load generator, run by relay_bench in a
// process of its own, single-threaded (relayload.h), against the service at
// 127.0.0.1:--port. It measures, in turn:
// - round trips of a word and its answer through the relay and, alternating
//   with them, straight to the table's own game port;
// - one relayed connection's throughput, a pattern sent one way and checked
//   byte for byte at the other end;
// - many relays open at once over many tables, each passing a word now and
//   then (the driver reads the service's memory meanwhile), opened and closed
//   --rounds times, so that memory a relay leaves behind would show.
// It tells its driver on standard output where it is, one line each:
//   phase <name> k=v ...   as each phase begins or ends; with --acks it then
//                          waits for a line on standard input, so that the
//                          driver reads the service while nothing moves on
//   result <name> k=v ...  the figures
//   failed <why>           when it cannot go on; it then exits 1
// Nothing leaves loopback.

#include "generatorlines.h"
#include "loadtally.h"
#include "relayload.h"

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

using Mode = RelayLink::Mode;
using Stage = RelayLink::Stage;

// Source addresses, host order: the measured table's host and its two
// players; the memory phase's hosts, one address each, and its players,
// plan.playersPerAddress to an address.
constexpr std::uint32_t kMeasuredHost = 0x7F030001u;    // 127.3.0.1
constexpr std::uint32_t kRoundTripper = 0x7F030002u;    // 127.3.0.2
constexpr std::uint32_t kBulkSender = 0x7F030003u;      // 127.3.0.3
constexpr std::uint32_t kHostAddresses = 0x7F050000u;   // 127.5.x.y
constexpr std::uint32_t kPlayerAddresses = 0x7F060000u; // 127.6.x.y

std::uint32_t spread(std::uint32_t base, int n) {
    return base | std::uint32_t((n / 250) << 8) | std::uint32_t(n % 250 + 1);
}

[[noreturn]] void fail(const char* why) {
    say("failed %s", why);
    std::exit(1);
}

// A word of six capitals of its own for each player, so that an answer
// reaching the wrong player shows.
QByteArray wordFor(int player) {
    QByteArray word(6, 'A');
    for (int i = 5, n = player; i >= 0; --i, n /= 26)
        word[i] = char('A' + n % 26);
    return word;
}

// The largest of sorted round trips, in ms; -1 when there are none.
double maxMs(const std::vector<std::int64_t>& sortedNs) {
    return sortedNs.empty() ? -1 : double(sortedNs.back()) / 1e6;
}

void latency(RelayLoad& load, const RelayPlan& plan, int table) {
    load.tables()[size_t(table)].endMode = Mode::Echo;
    RelayLink& relayed = load.addPlayer(table, kRoundTripper, Mode::Talk);
    if (!load.openQueued(30) || relayed.stage != Stage::Open)
        fail("the relay did not join the round-trip player to its table");
    RelayLink& direct = load.addDirect(table, kRoundTripper, Mode::Talk);
    load.runUntil([&] { return direct.stage == Stage::Open || direct.closed(); }, 10);
    if (direct.stage != Stage::Open)
        fail("could not connect to the table's game port");
    relayed.word = direct.word = "PLANKS";
    say("phase latency-begin samples=%d", plan.samples);
    load.awaitDriver();
    std::vector<std::int64_t> through, straight;
    for (int i = 0; i < plan.warmup + plan.samples; ++i) {
        // Turn about, and each first every other time: both ways see the
        // machine as it is at that moment.
        for (int k = 0; k < 2; ++k) {
            RelayLink& p = (i + k) % 2 == 0 ? relayed : direct;
            const std::int64_t answered = p.answered, wrong = p.wrong;
            load.ask(p);
            if (!load.runUntil(
                    [&] { return p.answered + p.wrong > answered + wrong || p.closed(); }, 10) ||
                p.closed())
                fail(&p == &relayed ? "a word through the relay was not answered within 10 s"
                                    : "a word on the direct connection was not answered in 10 s");
            if (i >= plan.warmup && p.answered > answered)
                (&p == &relayed ? through : straight).push_back(p.roundTripNs);
        }
    }
    say("phase latency-end");
    load.awaitDriver();
    std::sort(through.begin(), through.end());
    std::sort(straight.begin(), straight.end());
    say("result latency samples=%zu warmup=%d relay_p50=%.4f relay_p99=%.4f relay_max=%.4f "
        "direct_p50=%.4f direct_p99=%.4f direct_max=%.4f wrong=%lld",
        through.size(), plan.warmup, quantileMs(through, 0.5), quantileMs(through, 0.99),
        maxMs(through), quantileMs(straight, 0.5), quantileMs(straight, 0.99), maxMs(straight),
        (long long)(relayed.wrong + direct.wrong));
}

// One bulk transfer, from the player to the table's host or back: what was
// sent, what arrived intact, how long it took, and whether the sender's end
// reached the other side after the last byte.
void transfer(RelayLoad& load, const RelayPlan& plan, int table, bool relayed, bool toHost,
              const char* name) {
    BenchTable& t = load.tables()[size_t(table)];
    t.endMode = toHost ? Mode::Sink : Mode::Source;
    t.endBulkLimit = plan.bulkBytes;
    t.lastEnd = nullptr;
    const Mode mode = toHost ? Mode::Source : Mode::Sink;
    RelayLink& player = relayed ? load.addPlayer(table, kBulkSender, mode)
                                : load.addDirect(table, kBulkSender, mode);
    player.bulkLimit = plan.bulkBytes;
    if (relayed && !load.openQueued(30))
        fail("the relay did not join the bulk transfer's player to its table");
    // The sender's end comes back to it once the receiver has it too; one
    // that ends before it is done sending has failed.
    auto source = [&] { return toHost ? &player : t.lastEnd; };
    auto sink = [&] { return toHost ? t.lastEnd : &player; };
    const bool done = load.runUntil(
        [&] {
            const RelayLink* from = source();
            const RelayLink* to = sink();
            return from && to &&
                   ((from->closed() && !from->bulkDone) || (from->bulkDone && to->peerEnded) ||
                    (to->closed() && !from->bulkDone));
        },
        plan.bulkSeconds + 120);
    const RelayLink* from = source();
    const RelayLink* to = sink();
    if (!from || !to)
        fail("a bulk transfer found no end of the table to send to or from");
    const double seconds = double(to->lastNs - from->firstNs) / 1e9;
    say("result %s sent=%lld received=%lld seconds=%.3f corrupt_reads=%lld end_passed=%s "
        "finished=%s",
        name, (long long)from->bulkBytes, (long long)to->bulkBytes, seconds, (long long)to->corrupt,
        to->peerEnded ? "yes" : "no", done ? "yes" : "no");
}

void memory(RelayLoad& load, const RelayPlan& plan) {
    const int first = int(load.tables().size());
    for (int t = 0; t < plan.tables; ++t)
        load.addTable(spread(kHostAddresses, t), false);
    if (!load.hostQueued(120))
        fail("the service did not register every table in 120 s");
    say("phase tables-hosted tables=%d", load.tablesHosted());
    load.awaitDriver();
    for (int round = 1; round <= plan.rounds; ++round) {
        const std::int64_t began = steadyNs();
        for (int j = 0; j < plan.players; ++j) {
            RelayLink& p =
                load.addPlayer(first + j % plan.tables,
                               spread(kPlayerAddresses, j / plan.playersPerAddress), Mode::Talk);
            p.word = wordFor(j);
            p.seat = 1 + j % 6;
            p.nextTalkNs = began + plan.talkIntervalNs * j / plan.players;
        }
        load.talk(true);
        const bool all = load.openQueued(300);
        say("phase relays-open round=%d open=%d of=%d complete=%s seconds=%.1f", round,
            load.playersOpen(), plan.players, all ? "yes" : "no", double(steadyNs() - began) / 1e9);
        load.awaitDriver();
        load.runUntil([] { return false; }, plan.holdSeconds);
        say("phase relays-held round=%d open=%d tables=%d", round, load.playersOpen(),
            load.tablesHosted());
        load.awaitDriver();
        load.talk(false);
        auto quiet = [&] {
            return std::none_of(load.players().begin(), load.players().end(),
                                [](const RelayLink* p) { return p->askedNs != 0 && !p->closed(); });
        };
        load.runUntil(quiet, 10);
        std::int64_t asked = 0, answered = 0, wrong = 0, open = 0, unanswered = 0;
        std::vector<std::int64_t> trips;
        for (const RelayLink* p : load.players()) {
            asked += p->asked;
            answered += p->answered;
            wrong += p->wrong;
            open += p->stage == Stage::Open;
            unanswered += p->askedNs != 0;
        }
        say("result round%d players=%d open=%lld asked=%lld answered=%lld wrong=%lld "
            "unanswered=%lld",
            round, plan.players, (long long)open, (long long)asked, (long long)answered,
            (long long)wrong, (long long)unanswered);
        load.closePlayers(10);
        // The service lets its relays go as it hears of their ends.
        load.runUntil([] { return false; }, 2);
        say("phase relays-closed round=%d", round);
        load.awaitDriver();
    }
}

QByteArray counts(const std::map<QByteArray, int>& m) {
    QByteArray out;
    for (const auto& [word, n] : m)
        out += ' ' + word + '=' + QByteArray::number(n);
    return out.isEmpty() ? QByteArray(" none=0") : out;
}

bool parse(int argc, char** argv, RelayPlan& plan) {
    for (int i = 1; i < argc; ++i) {
        const char* key = argv[i];
        if (std::strcmp(key, "--acks") == 0) {
            plan.acks = true;
            continue;
        }
        if (i + 1 >= argc)
            return false;
        const long long v = std::strtoll(argv[++i], nullptr, 10);
        if (std::strcmp(key, "--port") == 0)
            plan.port = std::uint16_t(v);
        else if (std::strcmp(key, "--samples") == 0)
            plan.samples = int(v);
        else if (std::strcmp(key, "--megabytes") == 0)
            plan.bulkBytes = v << 20;
        else if (std::strcmp(key, "--seconds") == 0)
            plan.bulkSeconds = int(v);
        else if (std::strcmp(key, "--tables") == 0)
            plan.tables = int(v);
        else if (std::strcmp(key, "--players") == 0)
            plan.players = int(v);
        else if (std::strcmp(key, "--hold") == 0)
            plan.holdSeconds = int(v);
        else if (std::strcmp(key, "--rounds") == 0)
            plan.rounds = int(v);
        else
            return false;
    }
    // The service's limits: 12 relays a table, 16 a player's address, and
    // every source address of a kind within 127.x.0-255.1-250.
    return plan.port != 0 && plan.samples >= 0 && plan.bulkBytes >= 0 && plan.bulkSeconds > 0 &&
           plan.tables > 0 && plan.tables <= 250 * 250 && plan.players >= 0 &&
           (plan.players + plan.tables - 1) / plan.tables <= 12 &&
           plan.players / plan.playersPerAddress < 250 * 250 && plan.holdSeconds >= 0 &&
           plan.rounds >= 0;
}

} // namespace

int main(int argc, char** argv) {
    RelayPlan plan;
    if (!parse(argc, argv, plan)) {
        std::fprintf(stderr, "usage: relay_load --port N [--samples N] [--megabytes N] "
                             "[--seconds S] [--tables N] [--players N (12 a table at most)] "
                             "[--hold S] [--rounds N] [--acks]\n");
        return 2;
    }
    // Every host, player and host's end is a descriptor here.
    rlimit files{};
    ::getrlimit(RLIMIT_NOFILE, &files);
    files.rlim_cur = files.rlim_max;
    ::setrlimit(RLIMIT_NOFILE, &files);

    RelayLoad load(plan);
    say("phase start");
    load.awaitDriver();
    if (plan.samples > 0 || plan.bulkBytes > 0) {
        const int table = load.addTable(kMeasuredHost, true).index;
        if (!load.hostQueued(30))
            fail("the service did not register the measured table");
        if (plan.samples > 0)
            latency(load, plan, table);
        if (plan.bulkBytes > 0) {
            say("phase throughput-begin");
            load.awaitDriver();
            transfer(load, plan, table, true, true, "relayed");
            transfer(load, plan, table, true, false, "relayed_back");
            transfer(load, plan, table, false, true, "direct");
            transfer(load, plan, table, false, false, "direct_back");
            say("phase throughput-end");
            load.awaitDriver();
        }
        load.closeAll();
    }
    if (plan.players > 0 && plan.rounds > 0)
        memory(load, plan);
    load.closeAll();

    const RelayTally& t = load.tally();
    say("result relays players_joined=%d ends_joined=%d players_failed=%d ends_failed=%d "
        "players_lost=%d ends_lost=%d ends_followed=%d tables_lost=%d connect_failed=%d "
        "probes=%d unexpected=%d",
        t.playersJoined, t.endsJoined, t.playersFailed, t.endsFailed, t.playersLost, t.endsLost,
        t.endsFollowed, t.tablesLost, t.connectFailed, t.probes, t.unexpected);
    say("result byes%s", counts(t.byes).constData());
    say("result errors%s", counts(t.errors).constData());
    return 0;
}
