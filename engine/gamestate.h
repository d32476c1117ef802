// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The game's state as typed values: what GameEngine shows its host and tests
// through its const accessors. Nothing here acts; the engine alone changes it.

#include <QByteArray>

// One player slot: 1 to 6 are the seats at the table, 7 to 9 spies. The
// connection behind a slot belongs to the host; the game knows only whether
// one holds it. A seat's score fields outlive its player: a newcomer who takes
// a seat freed during a game carries on with that seat's score.
struct tplayer {
    QByteArray name;        // empty while the slot is free or its login has not come
    bool connected = false; // a connection holds the slot
    int score = 0;          // this game's points; grows by roundpoints as a round ends
    int roundwords = 0;     // words accepted this round
    int roundpoints = 0;    // points earned this round
    int gamewords = 0;      // words accepted this game
    bool gaveup = false;    // gave up this round
};

// Fixed by CMD_startgame.
struct GameSettings {
    int numrounds = 5;
    int roundtime = 64;    // ticks of a round: the host's seconds plus 4
    int lengthsetting = 0; // 0 no limit, 3 to 7 letters, 8 random per round
    bool showwords = true; // every accepted word goes to everybody, else to its finder
};

// The current round, or the last one while the game pauses or is over.
struct RoundState {
    int roundnum = 0;       // from 1; exceeds numrounds while the lead is shared
    int wordlength = 0;     // 0 any length, else 3 to 7
    QByteArray prefix;      // one to three upper-case letters
    QByteArray starterword; // upper case; the prefix is its beginning
    bool roundopen = false; // words are judged only while true
    int countdown = 0;      // ticks left of the round, or of the pause after it
};

// What the round timer is timing. Idle: no game, or the game is over.
enum class RoundPhase { Idle, Playing, Pause };

// The engine's two timers. The round timer ticks once a second; the computer
// opponent's timer at the host's "Bot Speed".
enum class GameTimer { Round, Computer };

struct TimerState {
    bool enabled = false;
    int interval = 1000; // milliseconds
};

// What happened, for the host's log. Nothing of the game depends on it.
struct GameNews {
    enum class Kind {
        Joined,      // slot logged in as name
        Left,        // slot's connection ended; name is the one it had
        GameStarted, // slot 1 started a game of rounds, seconds, lengthSetting
        Won,         // seat `slot` (name, empty for the computer) won the game
    };
    Kind kind = Kind::Joined;
    int slot = 0;
    QByteArray name;
    int rounds = 0;
    int seconds = 0;
    int lengthSetting = 0;
};
