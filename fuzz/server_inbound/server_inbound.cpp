// SPDX-License-Identifier: GPL-3.0-or-later
// The server's inbound path with no socket: connections opening from a few
// addresses, their bytes cut wherever the input cuts them, queued, dispatched
// through the connection limits into the game engine, and the engine's two
// timers, the login sweep and the clock driven by hand. The input is a small
// program (see the op list below); the transport records what the core sends
// and may refuse a send, pile up unsent bytes, and report a close at once,
// later or never, as the transport's contract allows.
//
// After every step the core and the engine must agree: a connected slot has
// exactly one connection and the other way round, nothing is sent to a
// connection once it is closed, every message sent is one whole server
// message, the round clock and the round's words stay within what the rules
// allow, and no exception leaves the core.

#include "fakeconnections.h"
#include "fuzzing.h"
#include "messages.h"
#include "protocol.h"
#include "servercore.h"
#include "serverlimits.h"

#include <QByteArray>
#include <QString>

#include <algorithm>
#include <array>
#include <map>
#include <vector>

namespace {

// The starter list (sorted, lower case) and the words the dictionary knows:
// small, so a round costs little, yet the computer opponent (which never picks
// the list's last ten entries) has six words to play.
const QList<QByteArray> kStarters = {"able",  "ace",  "acorn", "bake", "bread", "brick",
                                     "brisk", "cab",  "cable", "crab", "dab",   "deal",
                                     "ear",   "earn", "eat",   "zebra"};
constexpr std::array kWords = {"ABLE",  "ACE",   "ACORN", "ACT", "BAKE",  "BREAD", "BREAK",
                               "BRICK", "BRING", "BRISK", "CAB", "CABLE", "CRAB",  "DAB",
                               "DEAL",  "EAR",   "EARN",  "EAT", "ZEBRA"};

bool isWord(QByteArrayView word) {
    return std::any_of(kWords.begin(), kWords.end(),
                       [&](const char* w) { return word == QByteArrayView(w); });
}

const std::array<const char*, 17> kServerCommands = {wire::cmd::full,
                                                     wire::cmd::sendlogininfo,
                                                     wire::cmd::newplayerinfo,
                                                     wire::cmd::existingplayers,
                                                     wire::cmd::havewrongversion,
                                                     wire::cmd::wrongversion,
                                                     wire::cmd::loadstats,
                                                     wire::cmd::playerdisconnected,
                                                     wire::cmd::chat,
                                                     wire::cmd::action,
                                                     wire::cmd::playasound,
                                                     wire::cmd::startgame,
                                                     wire::cmd::startround,
                                                     wire::cmd::notvalid,
                                                     wire::cmd::gotword,
                                                     wire::cmd::endround,
                                                     wire::cmd::winner};

// The host's pace settings, as the options menu offers them.
constexpr int kPauses[] = {10, 12, 17};
constexpr int kBotSpeeds[] = {750, 1200, 2000};

// The input's operations. A connection operand is an index into every id
// opened so far (closed ones included: late events for them must do nothing).
enum Op : uint8_t {
    Open,         // address byte: the connection comes from one of four addresses
    Bytes,        // connection, length (one byte, or two when the first is 0xF0 or
                  // more), the bytes
    PeerClosed,   // connection: the peer went, the host reports the close
    Failed,       // connection: the host reports an error on it
    Dispatch,     // count: dispatch ticks
    Drain,        // dispatch ticks until nothing waits (bounded)
    RoundTick,    // count: round timer ticks
    ComputerTick, // count: computer timer ticks
    Advance,      // amount: the clock moves on by amount * 250 ms
    Sweep,        // the login sweep
    Refuse,       // connection: its sends are refused from now on
    Stall,        // connection, amount: amount * 2 KB of its output stays unsent
    LateCloses,   // the closes the transport reports late are reported now
    Fill,         // connection, count, byte: count * 64 copies of the byte arrive
                  // (a long message, or a burst of empty ones, from a short input)
    kOps
};

constexpr int kMaxOps = 400;

struct Link {
    bool open = true;
    bool refusing = false;
    qsizetype unsent = 0;
    int messages = 0;
    int slot = 0; // the number CMD_sendlogininfo gave it
};

class Transport : public ServerTransport {
public:
    fuzzing::FakeConnections<Link> connections;

    bool send(ConnectionId id, const QByteArray& bytes) override {
        Link& link = connections.sendingTo(id);
        checkMessage(link, bytes);
        ++link.messages;
        return connections.take(link, bytes.size());
    }
    void close(ConnectionId id) override { connections.close(id); }
    qsizetype unsent(ConnectionId id) const override { return connections.unsent(id); }

private:
    // One whole message of the server's, and the first a connection hears is
    // its number (or that the game is full); a round start tells a seat its own
    // number and a spy seat 1's; a rejection goes to the word's own sender.
    static void checkMessage(Link& link, const QByteArray& bytes) {
        FUZZ_CHECK(bytes.endsWith(wire::kTerminator));
        FUZZ_CHECK(bytes.indexOf(wire::kTerminator) == bytes.size() - 1);
        const QByteArray message = bytes.chopped(1);
        const qsizetype plus = message.indexOf('+');
        FUZZ_CHECK(plus > 0);
        const QByteArray command = message.left(plus);
        FUZZ_CHECK(std::any_of(kServerCommands.begin(), kServerCommands.end(),
                               [&](const char* c) { return command == c; }));
        const QList<QByteArray> fields = message.mid(plus + 1).split('+');
        if (link.messages == 0) {
            FUZZ_CHECK(command == wire::cmd::sendlogininfo || command == wire::cmd::full);
            if (command == wire::cmd::sendlogininfo) {
                link.slot = fields[0].toInt();
                FUZZ_CHECK(link.slot >= 1 && link.slot <= GameEngine::kMaxSlots);
            }
            return;
        }
        FUZZ_CHECK(command != wire::cmd::sendlogininfo && command != wire::cmd::full);
        if (command == wire::cmd::startround) {
            FUZZ_CHECK(fields.size() >= 5);
            FUZZ_CHECK(fields[4].toInt() == (link.slot <= GameEngine::kSeats ? link.slot : 1));
        } else if (command == wire::cmd::notvalid) {
            FUZZ_CHECK(fields[0].toInt() == link.slot);
        }
    }
};

// What must hold between any two steps.
void checkState(const ServerCore& core, const Transport& transport, int& numslots) {
    const GameEngine& engine = core.engine();
    FUZZ_CHECK(engine.numslots() >= numslots && engine.numslots() <= GameEngine::kMaxSlots);
    numslots = engine.numslots();
    FUZZ_CHECK(core.connectionCount() <= numslots);
    int inUse = 0;
    for (int slot = 1; slot <= GameEngine::kMaxSlots; ++slot) {
        const ConnectionId id = core.connectionOf(slot);
        FUZZ_CHECK(engine.players()[slot].connected == (id != 0));
        FUZZ_CHECK(slot <= numslots || id == 0);
        if (id == 0)
            continue;
        ++inUse;
        FUZZ_CHECK(core.slotOf(id) == slot);
        const auto link = transport.connections.links.find(id);
        FUZZ_CHECK(link != transport.connections.links.end() && link->second.open);
        FUZZ_CHECK(link->second.slot == slot);
    }
    FUZZ_CHECK(inUse == core.connectionCount());
    qsizetype queued = 0;
    for (const auto& [id, link] : transport.connections.links) {
        FUZZ_CHECK(link.open || core.slotOf(id) == 0);
        FUZZ_CHECK(core.queuedFrom(id) <= serverlimits::kMaxQueuedPerConnection);
        FUZZ_CHECK(core.buffered(id) <= serverlimits::kMaxMessageBytes);
        queued += core.queuedFrom(id);
    }
    FUZZ_CHECK(queued == core.queued());

    // The round clock runs exactly while a game is on, and only as long as a
    // round or a pause lasts.
    const RoundState& round = engine.round();
    const RoundPhase phase = engine.roundphase();
    FUZZ_CHECK(engine.roundtimer().enabled == (phase != RoundPhase::Idle));
    FUZZ_CHECK(engine.gameon() == (phase != RoundPhase::Idle));
    FUZZ_CHECK(!round.roundopen || phase == RoundPhase::Playing);
    if (phase == RoundPhase::Playing) {
        FUZZ_CHECK(round.countdown >= 1 && round.countdown <= engine.settings().roundtime);
        FUZZ_CHECK(round.roundopen);
    } else if (phase == RoundPhase::Pause) {
        FUZZ_CHECK(round.countdown >= 1 && round.countdown <= 17);
    }
    if (round.roundnum >= 1) {
        FUZZ_CHECK(round.prefix.size() >= 1 && round.prefix.size() <= 3);
        FUZZ_CHECK(round.starterword.startsWith(round.prefix));
    }
    // Every word taken this round is a word of the round's prefix and length,
    // taken once, and counted for exactly one seat.
    int roundwords = 0;
    for (int seat = 1; seat <= GameEngine::kSeats; ++seat) {
        const tplayer& p = engine.players()[seat];
        FUZZ_CHECK(p.roundwords >= 0 && p.roundwords <= p.gamewords && p.score >= 0);
        roundwords += p.roundwords;
    }
    const QList<QByteArray>& gotten = engine.acceptedWords();
    FUZZ_CHECK(roundwords == gotten.size());
    for (qsizetype i = 0; i < gotten.size(); ++i) {
        FUZZ_CHECK(isWord(gotten[i]) && gotten[i].startsWith(round.prefix));
        FUZZ_CHECK(round.wordlength == 0 || gotten[i].size() == round.wordlength);
        FUZZ_CHECK(gotten.indexOf(gotten[i]) == i);
    }
}

class Session {
public:
    Session(quint32 seed, uint8_t config)
        : m_core(setup(seed, config, m_pause, m_botSpeed), m_transport) {
        m_transport.connections.reportClose = [this](ConnectionId id) { m_core.closed(id); };
        m_transport.connections.report = fuzzing::CloseReport((config >> 4) % 3);
        m_transport.connections.addresses = {QString(), QStringLiteral("10.0.0.1"),
                                             QStringLiteral("10.0.0.2"),
                                             QStringLiteral("192.0.2.7")};
        m_core.setClock([this] { return m_now; });
    }

    void run(fuzzing::Input& in) {
        for (int step = 0; step < kMaxOps && in.left() > 0; ++step) {
            perform(in);
            checkState(m_core, m_transport, m_numslots);
        }
    }

private:
    static EngineSetup setup(quint32 seed, uint8_t config, int& pause, int& botSpeed) {
        pause = kPauses[config % 3];
        botSpeed = kBotSpeeds[(config >> 2) % 3];
        EngineSetup s;
        s.starterWords = kStarters;
        s.isWord = isWord;
        s.timeBetweenRounds = [&pause] { return pause; };
        s.botSpeed = [&botSpeed] { return botSpeed; };
        s.seed = seed;
        return s;
    }

    void perform(fuzzing::Input& in) {
        fuzzing::FakeConnections<Link>& connections = m_transport.connections;
        switch (Op(in.byte() % kOps)) {
        case Open: {
            const auto [id, address] = connections.open(in);
            const int slot = m_core.opened(id, address);
            FUZZ_CHECK(slot == 0 || connections.links[id].slot == slot);
            break;
        }
        case Bytes: {
            const ConnectionId id = connections.pick(in);
            m_core.received(id, fuzzing::bytesOperand(in));
            break;
        }
        case PeerClosed:
            m_core.closed(connections.peerClosed(in));
            break;
        case Failed:
            m_core.failed(connections.pick(in));
            break;
        case Dispatch:
            for (int i = in.byte() % 16; i >= 0; --i)
                m_core.dispatch();
            break;
        case Drain:
            for (int i = 0; i < 200 && m_core.queued() > 0; ++i)
                m_core.dispatch();
            break;
        case RoundTick:
            for (int i = in.byte(); i >= 0; --i)
                m_core.roundtimerTimer();
            break;
        case ComputerTick:
            for (int i = in.byte() % 32; i >= 0; --i)
                m_core.computertimerTimer();
            break;
        case Advance:
            m_now += qint64(in.byte()) * 250;
            break;
        case Sweep:
            m_core.sweep();
            break;
        case Refuse:
            connections.refuse(in);
            break;
        case Stall:
            connections.stall(in, 2048);
            break;
        case LateCloses:
            for (ConnectionId id : std::exchange(connections.lateCloses, {}))
                m_core.closed(id);
            break;
        case Fill: {
            const ConnectionId id = connections.pick(in);
            m_core.received(id, fuzzing::fillOperand(in));
            break;
        }
        case kOps:
            break;
        }
    }

    int m_pause = 12;
    int m_botSpeed = 1200;
    Transport m_transport;
    ServerCore m_core;
    qint64 m_now = 1'000'000;
    int m_numslots = 0;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    fuzzing::Input in(data, size);
    const quint32 seed = in.byte();
    const uint8_t config = in.byte();
    Session session(seed, config);
    session.run(in);
    return 0;
}
