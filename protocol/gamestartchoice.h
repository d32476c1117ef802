// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The host's choices for a new game: what the game start window shows and the
// host changes, what "CMD_startgame" carries (wire::startgame) and, all but the
// word list, what the settings file keeps ("Playtoscore", "Timeperturn",
// "Gametype"). A plain value: the window holds it in range, the settings file
// reader checks what it reads, and the builder writes the numbers as they are.

struct GameStartChoice {
    // Word-length choices as the start message carries them: 0 no limit, 1..5
    // words of 3..7 letters, 6 a length drawn each round.
    static constexpr int kNoLimit = 0;
    static constexpr int kRandom = 6;

    int rounds = 5;
    int seconds = 60; // per round
    int lengthChoice = kRandom;
    // Everybody sees every accepted word; else each player only their own.
    bool showWordList = true;

    bool operator==(const GameStartChoice&) const = default;
};
