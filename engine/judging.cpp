// SPDX-License-Identifier: GPL-3.0-or-later
// Word judging, scoring and giving up.

#include "gameengine.h"
#include "messages.h"
#include "readers.h"
#include "rules.h"
#include "tryread.h"

// Only words of the letters A to Z can be in the list. The dictionary itself
// forgives blanks and zero bytes around a word, so without this check "BRISK "
// would score 6 points beside "BRISK".
bool GameEngine::inDictionary(const QByteArray& word) const {
    if (!rules::spelledAtoZ(word) || !m_isWord)
        return false;
    try {
        return m_isWord(word);
    } catch (const std::exception&) {
        return false; // a list that cannot be read holds no words
    }
}

void GameEngine::sendword(const QByteArray& payload, int sender) {
    const auto m = tryRead(wire::readSendword, payload);
    if (m && m->number == sender)
        judgeword(sender, m->word);
}

// Judges one word for a seat: a player's from CMD_sendword, or the computer's
// for seat 2. Spies and anything outside a round are ignored.
void GameEngine::judgeword(int seat, QByteArray word) {
    if (!m_round.roundopen || seat < 1 || seat > kSeats)
        return;
    word = rules::upperAscii(std::move(word));
    const auto rejected = rules::judge(word, m_round.wordlength, m_round.prefix, m_acceptedWords,
                                       [this](const QByteArray& w) { return inDictionary(w); });
    if (rejected) {
        sendTo(seat, wire::notvalid(seat, int(*rejected)));
        return;
    }
    m_acceptedWords.append(word);
    tplayer& p = m_players[seat];
    ++p.roundwords;
    ++p.gamewords;
    p.roundpoints += int(word.size());
    const QByteArray got = wire::gotword(seat, word, int(word.size()));
    if (m_settings.showwords)
        broadcast(got);
    else
        sendTo(seat, got);
}

void GameEngine::giveup(const QByteArray& payload, int sender) {
    const auto number = tryRead(wire::readGiveup, payload);
    if (!number || *number != sender)
        return;
    m_players[sender].gaveup = true;
    // The last four seconds of a round are the server's own grace time: a
    // give-up then is recorded but the round runs out.
    if (!m_round.roundopen || m_round.countdown <= 4)
        return;
    for (int seat = 1; seat <= kSeats; ++seat)
        if (m_players[seat].connected && !m_players[seat].gaveup)
            return;
    endtheround();
}
