// SPDX-License-Identifier: GPL-3.0-or-later
// Player slots: arrivals, logins, departures, kicks and the relays.

#include "gameengine.h"
#include "messages.h"
#include "readers.h"
#include "tryread.h"

int GameEngine::vacantslot() const {
    for (int i = 1; i <= m_numslots; ++i)
        if (!m_players[i].connected)
            return i;
    return m_numslots < kMaxSlots ? m_numslots + 1 : 0;
}

bool GameEngine::arrive(int slot) {
    if (slot == 0 || slot != vacantslot())
        return false;
    m_numslots = std::max(m_numslots, slot);
    m_players[slot].connected = true;
    sendTo(slot, wire::sendlogininfo(slot));
    return true;
}

void GameEngine::depart(int slot) {
    if (!inUse(slot))
        return;
    tplayer& p = m_players[slot];
    const QByteArray name = p.name;
    // Free before anybody hears of it, so the announcement never reaches the
    // slot that left. The score fields stay with the seat; numslots stays.
    p.connected = false;
    p.name.clear();
    broadcast(wire::playerdisconnected(slot, name));
    tell({GameNews::Kind::Left, slot, name});
}

void GameEngine::receivedlogininfo(const QByteArray& payload, int sender) {
    const auto m = tryRead(wire::readLogininfo, payload);
    if (!m || m->number != sender)
        return;
    tplayer& p = m_players[sender];
    p.name = m->name;
    p.connected = true;
    broadcast(wire::newplayerinfo(sender, p.name));
    for (int i = 1; i <= m_numslots; ++i)
        if (i != sender && m_players[i].connected)
            sendTo(sender, wire::existingplayers(i, m_players[i].name));
    if (m->version != wire::kVersion) {
        if (m_players[1].connected)
            sendTo(1, wire::havewrongversion(p.name));
        sendTo(sender, wire::wrongversion());
    }
    if (m_gameon)
        sendLoadStats(sender);
    tell({GameNews::Kind::Joined, sender, p.name});
}

// Brings a late arrival up to date with the running game.
void GameEngine::sendLoadStats(int number) {
    wire::LoadStats s;
    s.number = number;
    s.rounds = m_settings.numrounds;
    s.seconds = m_settings.roundtime - 4;
    s.lengthSetting = m_settings.lengthsetting;
    s.round = m_round.roundnum;
    s.roundLength = m_round.wordlength;
    s.prefix = m_round.prefix;
    // Between rounds the countdown is the pause's: a long pause would tell the
    // newcomer a round runs that is over, and its words would go unanswered.
    s.timeLeft = m_round.roundopen ? m_round.countdown - 5 : 0;
    for (int seat = 1; seat <= kSeats; ++seat)
        s.seats[seat - 1] = {seat, m_players[seat].score};
    sendTo(number, wire::loadstats(s));
}

void GameEngine::kickhim(const QByteArray& payload, int sender) {
    const auto m = tryRead(wire::readKickhim, payload);
    if (sender != 1 || !m || m->number != sender)
        return;
    disconnectsock(m->target);
}

// The host closes the connection; its departure comes back through depart().
void GameEngine::disconnectsock(int number) {
    if (inUse(number) && m_sink.close)
        m_sink.close(number);
}

void GameEngine::chat(const QByteArray& payload, int sender) {
    const auto m = tryRead(wire::readRelay, payload);
    if (m && m->number == sender)
        broadcast(wire::chatRelay(m_players[sender].name, m->rest));
}

void GameEngine::action(const QByteArray& payload, int sender) {
    const auto m = tryRead(wire::readRelay, payload);
    if (m && m->number == sender)
        broadcast(wire::actionRelay(m_players[sender].name, m->rest));
}

void GameEngine::playasound(const QByteArray& payload, int sender) {
    const auto m = tryRead(wire::readRelay, payload);
    if (m && m->number == sender)
        broadcast(wire::playasoundRelay(sender, m->rest));
}
