// SPDX-License-Identifier: GPL-3.0-or-later
#include "enginerig.h"

#include "messages.h"
#include "protocol.h"
#include "tdictn.h"
#include "wordlists.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>
#include <string_view>

QList<QByteArray> realStarters() {
    static const QList<QByteArray> words = [] {
        QList<QByteArray> out;
        for (const QString& w : starterWords())
            out.append(w.toLatin1());
        return out;
    }();
    return words;
}

WordLookup realDictionary() {
    // One working copy of the list for the whole test program.
    static QTemporaryDir dir;
    static const std::unique_ptr<TDictn> dictionary =
        std::make_unique<TDictn>(dir.path().toStdString(), [] { return loadWordListResource(); });
    return [](QByteArrayView word) {
        return dictionary->IsWord(std::string_view(word.data(), size_t(word.size())));
    };
}

void Player::send(const QByteArray& bytes) {
    rig->deliver(*this, bytes);
}

void Player::leave() {
    rig->leave(*this);
}

QList<QByteArray> Player::withCommand(const QByteArray& command) const {
    QList<QByteArray> out;
    for (const QByteArray& m : messages)
        if (wire::splitCommand(m).command == command)
            out.append(m);
    return out;
}

EngineRig::EngineRig(quint32 seed) : EngineRig(realStarters(), seed) {}

EngineRig::EngineRig(QList<QByteArray> starters, quint32 seed)
    : EngineRig(std::move(starters), realDictionary(), seed) {}

EngineRig::EngineRig(QList<QByteArray> starters, WordLookup isWord, quint32 seed)
    : m_engine(EngineSetup{std::move(starters), std::move(isWord), [this] { return pause; },
                           [this] { return botSpeed; }, seed},
               EngineSink{[this](int slot, const QByteArray& m) { sent(slot, m); },
                          [this](int slot) { m_pendingClose.append(slot); },
                          [this](GameTimer t) { timerChanged(t); }}) {
    timerChanged(GameTimer::Round);
    timerChanged(GameTimer::Computer);
}

Player& EngineRig::connect() {
    const int slot = m_engine.vacantslot();
    EXPECT_NE(slot, 0) << "no slot left";
    m_players.push_back(Player{this, slot, false, {}});
    Player& p = m_players.back();
    if (slot != 0) {
        m_bySlot[slot] = &p;
        EXPECT_TRUE(m_engine.arrive(slot));
    }
    return p;
}

Player& EngineRig::join(const QByteArray& name, const QByteArray& version) {
    Player& p = connect();
    p.send(wire::logininfo(p.slot, version.isEmpty() ? wire::kVersion : version, name) + '\xFF');
    return p;
}

void EngineRig::deliver(Player& from, const QByteArray& bytes) {
    QByteArray buffer = bytes;
    QList<QByteArray> messages;
    wire::cutMessages(buffer, messages);
    EXPECT_TRUE(buffer.isEmpty()) << "a test sent an unfinished message";
    for (const QByteArray& m : messages) {
        if (from.gone)
            return;
        m_engine.receive(from.slot, m);
        closePending();
    }
}

void EngineRig::leave(Player& who) {
    if (who.gone)
        return;
    who.gone = true;
    if (m_bySlot[who.slot] == &who)
        m_bySlot[who.slot] = nullptr;
    m_engine.depart(who.slot);
    closePending();
}

// As the server does: a kick closes the connection after the message that
// asked for it, and the departure is then reported like any other.
void EngineRig::closePending() {
    while (!m_pendingClose.isEmpty()) {
        const int slot = m_pendingClose.takeFirst();
        closeRequests.append(slot);
        if (Player* p = m_bySlot[slot])
            leave(*p);
    }
}

void EngineRig::sent(int slot, const QByteArray& message) {
    // Every message goes out whole: one terminator, at its end.
    EXPECT_TRUE(message.endsWith('\xFF')) << message.constData();
    EXPECT_EQ(message.count('\xFF'), 1) << message.constData();
    Player* p = slot >= 1 && slot <= GameEngine::kMaxSlots ? m_bySlot[slot] : nullptr;
    if (p == nullptr) {
        ADD_FAILURE() << "message for slot " << slot << " that nobody holds";
        return;
    }
    p->messages.append(message.chopped(1));
}

void EngineRig::timerChanged(GameTimer timer) {
    const TimerState& state =
        timer == GameTimer::Round ? m_engine.roundtimer() : m_engine.computertimer();
    HostTimer& host = timer == GameTimer::Round ? roundTimer : computerTimer;
    host.running = state.enabled;
    host.interval = state.interval;
    host.starts += state.enabled ? 1 : 0;
}

void EngineRig::tick(int times) {
    for (int i = 0; i < times; ++i) {
        m_engine.roundtimerTimer();
        closePending();
    }
}

void EngineRig::computerTick(int times) {
    for (int i = 0; i < times; ++i) {
        m_engine.computertimerTimer();
        closePending();
    }
}

int EngineRig::runPhase() {
    const RoundPhase phase = m_engine.roundphase();
    int ticks = 0;
    while (m_engine.roundtimer().enabled && m_engine.roundphase() == phase && ticks < 100000) {
        tick();
        ++ticks;
    }
    return ticks;
}

QByteArray EngineRig::acceptableWord() const {
    const WordLookup isWord = realDictionary();
    const RoundState& r = m_engine.round();
    for (const QByteArray& w : m_engine.starterWords()) {
        const QByteArray up = w.toUpper();
        if (r.wordlength != 0 && up.size() != r.wordlength)
            continue;
        if (!up.startsWith(r.prefix) || m_engine.acceptedWords().contains(up))
            continue;
        if (isWord(up))
            return up;
    }
    return {};
}
