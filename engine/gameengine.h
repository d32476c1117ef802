// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// GameEngine: the game the server runs, with no socket, clock or window behind
// it. It owns the slot table (seats 1 to 6, spies 7 to 9), logins and version
// notices, the relays of chat, actions and chatter sounds, kicks, departures,
// the rounds with their prefixes and scores, the judging of words and the
// computer opponent in an empty seat 2.
//
// Its host feeds it connections arriving and leaving (by slot), every complete
// message a slot's connection carried, and the ticks of its two timers. The
// engine answers only through its sink. What a host may rely on:
//
// - The sink is called only from inside the call that caused it (arrive,
//   depart, receive or a tick), and the host must not call the engine again
//   from inside a sink call.
// - sink.send(slot, message): one complete message, terminator included, for a
//   slot whose connection is in use. Messages come in the order they are to go
//   out; a message for everybody is sent slot by slot in ascending order.
// - sink.close(slot): the host (player 1) removed that slot's player. The host
//   closes the connection and, once the call that asked has returned, reports
//   the departure with depart(slot) as for any other.
// - sink.timerChanged(timer): the engine set that timer (roundtimer() or
//   computertimer()). Each call that finds it enabled is a (re)start: a host
//   running a real timer starts it afresh at the interval given; disabled, it
//   stops it. A disabled timer's ticks do nothing, so a late tick is harmless.
// - sink.news(news): a login, a departure, a game's start or its winner, told
//   after the players were sent it; for the host's log only.
// - Every message is bound to the slot that carried it: one that speaks for
//   another player number is ignored, and only slot 1, the host's own window,
//   may start a game or remove a player. A number field that does not convert
//   drops that one message before anything changes. Messages of a slot that is
//   not connected are ignored.
// - Chance comes only from the seeded generator and time only from the ticks;
//   the host's pace settings are read when needed: the pause between rounds as
//   each pause begins, the computer's interval as each round begins.
//
// The messages themselves are documented in protocol/messages.h.

#include "gamestate.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>

#include <array>
#include <functional>
#include <random>

// The dictionary: is this upper-case word of the letters A to Z a word? A
// lookup that throws counts as "no".
using WordLookup = std::function<bool(QByteArrayView word)>;

// What the host gives the engine once, at construction.
struct EngineSetup {
    // The built-in word list: lower-case words, sorted. Round starters are
    // drawn from all but the last entry, the computer's words from all but the
    // last ten.
    QList<QByteArray> starterWords;
    WordLookup isWord; // without one, no word counts
    // The host's "Time Between Rounds" in seconds (12 when empty); 20 or more
    // means 12.
    std::function<int()> timeBetweenRounds;
    // The host's "Bot Speed": the computer's interval in ms (1200 when empty or
    // not positive).
    std::function<int()> botSpeed;
    quint32 seed = 0;
};

struct EngineSink {
    std::function<void(int slot, const QByteArray& message)> send;
    std::function<void(int slot)> close;
    std::function<void(GameTimer timer)> timerChanged;
    std::function<void(const GameNews& news)> news; // may be empty
};

class GameEngine {
public:
    static constexpr int kMaxSlots = 9;
    static constexpr int kSeats = 6;
    using SlotTable = std::array<tplayer, kMaxSlots + 1>; // index 1..9; 0 unused

    GameEngine(EngineSetup setup, EngineSink sink);
    GameEngine(const GameEngine&) = delete;
    GameEngine& operator=(const GameEngine&) = delete;

    void seed(quint32 seed);

    // ---- connections ----
    // The slot the next connection takes: the lowest free one up to numslots,
    // else the one after numslots; 0 when all nine are in use (the host then
    // refuses the connection).
    int vacantslot() const;
    // A connection took `slot`, which must be vacantslot(): the slot is in use
    // and its connection is told its number (CMD_sendlogininfo). Its name stays
    // empty until the login; its score fields are left as they are. Answers
    // false, changing nothing, for any other slot.
    bool arrive(int slot);
    // The slot's connection ended: the others hear of it
    // (CMD_playerdisconnected) and the slot is free, its name empty. Nothing
    // happens for a slot not in use.
    void depart(int slot);

    // ---- messages and ticks ----
    // One message (without its terminator) carried by `sender`'s connection.
    void receive(int sender, const QByteArray& message);
    // The one-second tick of the round timer.
    void roundtimerTimer();
    // The tick of the computer opponent's timer.
    void computertimerTimer();

    // ---- state ----
    const SlotTable& players() const { return m_players; }
    int numslots() const { return m_numslots; } // highest slot given out; never falls
    int numseats() const { return kSeats; }
    bool gameon() const { return m_gameon; } // from CMD_startgame until the winner
    const GameSettings& settings() const { return m_settings; }
    const RoundState& round() const { return m_round; }
    // The built-in word list the round starters (and the computer's words)
    // are drawn from.
    const QList<QByteArray>& starterWords() const { return m_starterWords; }
    // The words accepted in the current round; cleared as a round begins.
    const QList<QByteArray>& acceptedWords() const { return m_acceptedWords; }
    // Prefixes played since the record was last cleared; cleared when a game
    // starts while it holds more than 26, or when no unused prefix is left.
    const QList<QByteArray>& usedPrefixes() const { return m_usedPrefixes; }
    const TimerState& roundtimer() const { return m_roundtimer; }
    RoundPhase roundphase() const { return m_roundphase; }
    const TimerState& computertimer() const { return m_computertimer; }

private:
    // Message handlers: the payload, and the slot whose connection carried it.
    void receivedlogininfo(const QByteArray& payload, int sender);
    void kickhim(const QByteArray& payload, int sender);
    void chat(const QByteArray& payload, int sender);
    void action(const QByteArray& payload, int sender);
    void playasound(const QByteArray& payload, int sender);
    void startgame(const QByteArray& payload, int sender);
    void sendword(const QByteArray& payload, int sender);
    void giveup(const QByteArray& payload, int sender);

    void disconnectsock(int number);
    void sendLoadStats(int number);
    void judgeword(int seat, QByteArray word);
    bool inDictionary(const QByteArray& word) const;
    void starttheround();
    void drawRoundStart();
    QByteArray drawStarter(int length);
    void endtheround();
    bool checkforwin();
    void computerfindword();

    bool inUse(int slot) const;
    void sendTo(int slot, const QByteArray& message);
    void broadcast(const QByteArray& message);
    void tell(const GameNews& news);
    void setRoundTimer(bool enabled);
    void setComputerTimer(bool enabled);
    int draw(int low, int high);
    int pauseSeconds() const;
    int botInterval() const;

    SlotTable m_players{};
    int m_numslots = 0;
    bool m_gameon = false;
    GameSettings m_settings;
    RoundState m_round;
    QList<QByteArray> m_starterWords;
    QList<QByteArray> m_acceptedWords;
    QList<QByteArray> m_usedPrefixes;
    TimerState m_roundtimer{false, 1000};
    RoundPhase m_roundphase = RoundPhase::Idle;
    TimerState m_computertimer{true, 1000};

    WordLookup m_isWord;
    std::function<int()> m_timeBetweenRounds;
    std::function<int()> m_botSpeed;
    EngineSink m_sink;
    std::mt19937 m_rng;
};
