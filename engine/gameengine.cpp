// SPDX-License-Identifier: GPL-3.0-or-later
// The engine's own plumbing: construction, the dispatch table, sending, the
// two timers, chance and the host's pace settings.

#include "gameengine.h"

#include "messages.h"
#include "protocol.h"

GameEngine::GameEngine(EngineSetup setup, EngineSink sink)
    : m_starterWords(std::move(setup.starterWords)), m_isWord(std::move(setup.isWord)),
      m_timeBetweenRounds(std::move(setup.timeBetweenRounds)),
      m_botSpeed(std::move(setup.botSpeed)), m_sink(std::move(sink)), m_rng(setup.seed) {}

void GameEngine::seed(quint32 seed) {
    m_rng.seed(seed);
}

void GameEngine::receive(int sender, const QByteArray& message) {
    using Handler = void (GameEngine::*)(const QByteArray&, int);
    // In the order the commands are compared; any other command is ignored.
    static const std::pair<const char*, Handler> kTable[] = {
        {wire::cmd::logininfo, &GameEngine::receivedlogininfo},
        {wire::cmd::kickhim, &GameEngine::kickhim},
        {wire::cmd::chat, &GameEngine::chat},
        {wire::cmd::action, &GameEngine::action},
        {wire::cmd::startgame, &GameEngine::startgame},
        {wire::cmd::sendword, &GameEngine::sendword},
        {wire::cmd::giveup, &GameEngine::giveup},
        {wire::cmd::playasound, &GameEngine::playasound},
    };
    if (!inUse(sender))
        return;
    const wire::Split m = wire::splitCommand(message);
    if (m.command.isEmpty())
        return;
    for (const auto& [command, handler] : kTable) {
        if (m.command == command) {
            (this->*handler)(m.payload, sender);
            return;
        }
    }
}

bool GameEngine::inUse(int slot) const {
    return slot >= 1 && slot <= kMaxSlots && m_players[slot].connected;
}

void GameEngine::sendTo(int slot, const QByteArray& message) {
    if (inUse(slot) && m_sink.send)
        m_sink.send(slot, message);
}

void GameEngine::broadcast(const QByteArray& message) {
    for (int i = 1; i <= m_numslots; ++i)
        sendTo(i, message);
}

void GameEngine::tell(const GameNews& news) {
    if (m_sink.news)
        m_sink.news(news);
}

void GameEngine::setRoundTimer(bool enabled) {
    m_roundtimer.enabled = enabled;
    if (m_sink.timerChanged)
        m_sink.timerChanged(GameTimer::Round);
}

void GameEngine::setComputerTimer(bool enabled) {
    m_computertimer.enabled = enabled;
    if (m_sink.timerChanged)
        m_sink.timerChanged(GameTimer::Computer);
}

int GameEngine::draw(int low, int high) {
    return std::uniform_int_distribution<int>(low, high)(m_rng);
}

int GameEngine::pauseSeconds() const {
    const int pause = m_timeBetweenRounds ? m_timeBetweenRounds() : 12;
    return pause < 20 ? pause : 12;
}

int GameEngine::botInterval() const {
    const int ms = m_botSpeed ? m_botSpeed() : 1200;
    return ms > 0 ? ms : 1200;
}
