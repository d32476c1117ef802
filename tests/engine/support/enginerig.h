// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One GameEngine played in-process, with no connection and no clock: players
// arrive, log in, send and leave as the server would make them, and the two
// timers tick only when a test calls them. What the engine sends a slot lands
// in the messages of the player holding it then, cut as a client would.

#include "gameengine.h"

#include <QByteArray>
#include <QList>

#include <array>
#include <deque>

class EngineRig;

// A player as the engine sees it: a slot, and what was sent to it.
struct Player {
    EngineRig* rig = nullptr;
    int slot = 0;
    bool gone = false;
    // Every message sent to this player, without terminators, in order.
    QList<QByteArray> messages;

    // Hands the engine every message in `bytes` (built with the terminator)
    // as this player's connection would carry it.
    void send(const QByteArray& bytes);
    void leave();
    QList<QByteArray> withCommand(const QByteArray& command) const;
    bool has(const QByteArray& message) const { return messages.contains(message); }
};

// The program's own starter list and dictionary, shared by every test.
QList<QByteArray> realStarters();
WordLookup realDictionary();

class EngineRig {
public:
    // The real starter list and dictionary unless a test gives its own.
    explicit EngineRig(quint32 seed = 12345);
    explicit EngineRig(QList<QByteArray> starters, quint32 seed = 12345);
    EngineRig(QList<QByteArray> starters, WordLookup isWord, quint32 seed = 12345);
    EngineRig(const EngineRig&) = delete;
    EngineRig& operator=(const EngineRig&) = delete;

    const GameEngine& engine() const { return m_engine; }
    const GameEngine* operator->() const { return &m_engine; }

    // A connection that was given its slot, not logged in.
    Player& connect();
    // A connection that logged in as the real client does (two terminators).
    Player& join(const QByteArray& name, const QByteArray& version = {});

    void tick(int times = 1);
    void computerTick(int times = 1);
    // Ticks the round timer until the current phase (round or pause) ends;
    // answers the ticks taken.
    int runPhase();
    // An upper-case starter-list word the current round accepts and nobody has
    // taken; empty when there is none.
    QByteArray acceptableWord() const;

    // The host's pace settings, read by the engine when it needs them.
    int pause = 12;
    int botSpeed = 1200;
    // Slots the engine asked to close, in order.
    QList<int> closeRequests;
    // The timers as a host runs them: a start on every notice that finds the
    // timer enabled, a stop on every other.
    struct HostTimer {
        bool running = false;
        int interval = 0;
        int starts = 0;
    };
    HostTimer roundTimer;
    HostTimer computerTimer;

    // Used by Player.
    void deliver(Player& from, const QByteArray& bytes);
    void leave(Player& who);

private:
    void sent(int slot, const QByteArray& message);
    void timerChanged(GameTimer timer);
    void closePending();

    GameEngine m_engine;
    std::deque<Player> m_players;
    std::array<Player*, GameEngine::kMaxSlots + 1> m_bySlot{};
    QList<int> m_pendingClose;
};
