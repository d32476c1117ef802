// SPDX-License-Identifier: GPL-3.0-or-later
// The computer opponent in an empty seat 2.

#include "gameengine.h"
#include "rules.h"

void GameEngine::computertimerTimer() {
    if (!m_computertimer.enabled)
        return;
    if (m_players[2].connected || !m_round.roundopen)
        return;
    if (draw(0, 9) <= 3 || m_round.countdown <= 4)
        return;
    computerfindword();
}

// Up to 1000 random picks from the starter list (never its last ten entries);
// the first of the round's length and prefix is judged as seat 2's word. It may
// be taken already or unknown to the dictionary: then it is rejected quietly,
// seat 2 having no connection to hear of it.
void GameEngine::computerfindword() {
    const int last = int(m_starterWords.size()) - 11;
    if (last < 0)
        return;
    for (int attempt = 0; attempt < 1000; ++attempt) {
        const QByteArray& entry = m_starterWords[draw(0, last)];
        if (m_round.wordlength != 0 && entry.size() != m_round.wordlength)
            continue;
        if (rules::upperAscii(entry.left(m_round.prefix.size())) == m_round.prefix) {
            judgeword(2, entry);
            return;
        }
    }
}
