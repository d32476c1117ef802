// SPDX-License-Identifier: GPL-3.0-or-later
// The game: starting it, beginning and ending rounds, the round clock and the
// winner.

#include "gameengine.h"
#include "messages.h"
#include "readers.h"
#include "rules.h"
#include "tryread.h"

#include <climits>

namespace {

// Draws of a round's starter word before the record of used prefixes is given
// up as full and cleared. The check for a record that leaves no choice comes
// first; this bound only guarantees that a round always starts.
constexpr int kMaxPrefixDraws = 100000;

} // namespace

void GameEngine::startgame(const QByteArray& payload, int sender) {
    if (sender != 1)
        return; // only the host's own window starts games
    // Every field is read and checked before anything changes: a message that
    // cannot be read leaves the game exactly as it was.
    const auto m = tryRead(wire::readStartgameRequest, payload);
    if (!m)
        return;
    const int rounds = m->rounds.value_or(0) >= 1 ? *m->rounds : 5;
    // A round of no time, or less, would end at its first tick.
    int seconds = m->seconds.value_or(0) >= 1 ? *m->seconds : 60;
    seconds = std::min(seconds, INT_MAX - 4);

    setComputerTimer(false);
    if (m_usedPrefixes.size() > 26)
        m_usedPrefixes.clear();
    setRoundTimer(false);
    m_gameon = true;
    m_settings.numrounds = rounds;
    m_settings.roundtime = seconds + 4;
    m_settings.showwords = m->showWords != "0";
    m_settings.lengthsetting = rules::lengthSettingFor(m->lengthChoice);
    broadcast(wire::startgameAnnounce(m->starter, rounds, seconds, m_settings.lengthsetting));
    tell({GameNews::Kind::GameStarted, sender, m_players[sender].name, rounds, seconds,
          m_settings.lengthsetting});
    for (int seat = 1; seat <= kSeats; ++seat) {
        tplayer& p = m_players[seat];
        p.score = p.gamewords = p.roundpoints = p.roundwords = 0;
    }
    m_round.wordlength = 0;
    m_round.roundnum = 0;
    starttheround();
}

void GameEngine::starttheround() {
    setComputerTimer(false);
    ++m_round.roundnum;
    if (m_round.roundnum > m_settings.numrounds && checkforwin()) {
        m_roundphase = RoundPhase::Idle; // the round timer is already off
        return;
    }
    m_acceptedWords.clear();
    for (int seat = 1; seat <= kSeats; ++seat) {
        m_players[seat].roundwords = m_players[seat].roundpoints = 0;
        m_players[seat].gaveup = false;
    }
    drawRoundStart();
    m_round.roundopen = true;

    for (int i = 1; i <= m_numslots; ++i)
        sendTo(i, wire::startround(m_round.roundnum, m_settings.roundtime - 4, m_round.wordlength,
                                   m_round.prefix, i <= kSeats ? i : 1, m_round.starterword));
    if (!m_players[2].connected) {
        setComputerTimer(false);
        m_computertimer.interval = botInterval();
        setComputerTimer(true);
    }
    setRoundTimer(false);
    m_round.countdown = m_settings.roundtime;
    m_roundphase = RoundPhase::Playing;
    setRoundTimer(true);
}

// Draws the round's word length, starter word and prefix until the prefix is
// one not used since the record was last cleared. When the record already
// holds every prefix the game's word length can produce (a few games of
// 3-letter words get there), it is cleared first, so the draw always ends.
void GameEngine::drawRoundStart() {
    if (rules::prefixesExhausted(m_starterWords, m_usedPrefixes, m_settings.lengthsetting))
        m_usedPrefixes.clear();
    for (int draws = 0;; ++draws) {
        if (draws == kMaxPrefixDraws)
            m_usedPrefixes.clear();
        if (m_settings.lengthsetting == 8) {
            const int r = draw(0, 9);
            m_round.wordlength = r >= 3 && r <= 7 ? r : 0;
        } else {
            m_round.wordlength = m_settings.lengthsetting;
        }
        const QByteArray word = drawStarter(m_round.wordlength);
        const QList<int> ks = rules::prefixLengths(m_round.wordlength);
        const int k = ks.size() == 1 ? 1 : draw(1, int(ks.size()));
        const QByteArray candidate = word.left(k);
        if (!m_usedPrefixes.contains(candidate)) {
            m_usedPrefixes.append(candidate);
            m_round.prefix = candidate;
            m_round.starterword = word;
            return;
        }
    }
}

// A starter word in upper case: any entry but the last, of the given length
// when that is not 0. A list without a word of that length gives any word.
QByteArray GameEngine::drawStarter(int length) {
    const int n = int(m_starterWords.size());
    if (n == 0)
        return "A";
    if (n == 1)
        return rules::upperAscii(m_starterWords[0]);
    const bool exists = rules::hasStarterOfLength(m_starterWords, length);
    for (;;) {
        const QByteArray& w = m_starterWords[draw(0, n - 2)];
        if (!exists || length == 0 || w.size() == length)
            return rules::upperAscii(w);
    }
}

void GameEngine::endtheround() {
    m_round.roundopen = false;
    setComputerTimer(false);
    std::array<wire::RoundReport, kSeats> report{};
    for (int seat = 1; seat <= kSeats; ++seat) {
        tplayer& p = m_players[seat];
        p.score += p.roundpoints;
        report[seat - 1] = {seat, p.score, p.gamewords, p.roundwords, p.roundpoints};
    }
    broadcast(wire::endround(report));
    setRoundTimer(false);
    m_roundphase = RoundPhase::Pause;
    m_round.countdown = pauseSeconds();
    setRoundTimer(true);
}

// All six seats count, connected or not: a seat whose player left keeps its
// score and can still win.
bool GameEngine::checkforwin() {
    std::array<int, kSeats> scores{};
    for (int seat = 1; seat <= kSeats; ++seat)
        scores[seat - 1] = m_players[seat].score;
    const int leader = rules::soleLeader(scores);
    if (leader == 0)
        return false;
    broadcast(wire::winner(leader));
    m_gameon = false;
    tell({GameNews::Kind::Won, leader, m_players[leader].connected ? m_players[leader].name : ""});
    return true;
}

void GameEngine::roundtimerTimer() {
    if (!m_roundtimer.enabled)
        return;
    --m_round.countdown;
    if (m_round.countdown > 0)
        return;
    setRoundTimer(false);
    if (m_roundphase == RoundPhase::Playing)
        endtheround();
    else if (m_roundphase == RoundPhase::Pause)
        starttheround();
}
