// SPDX-License-Identifier: GPL-3.0-or-later
#include "tserver.h"

#include "lobbymessages.h"
#include "lobbyreaders.h"
#include "tdictn.h"
#include "tsock.h"
#include "wordlists.h"

#include <QTimer>

#include <algorithm>
#include <chrono>
#include <string_view>

namespace {

constexpr int kDispatchMs = 10;
// How long the test from outside is expected once announced: the service
// connects as soon as it hears the server is ready, and gives up after
// lobbywire::kProbeSeconds.
constexpr qint64 kProbeWindowMs = 3 * lobbywire::kProbeSeconds * 1000;
// How long a connection is looked at while the test is expected. The test
// greets at once; a game client waits for the server to speak first, so it
// waits this long once, in the seconds after the table was registered.
constexpr int kSniffMs = 1000;

QTimer* makeTimer(QObject* parent, const char* name, int intervalMs) {
    auto* t = new QTimer(parent);
    t->setObjectName(QLatin1String(name));
    t->setInterval(intervalMs);
    return t;
}

} // namespace

TServer::TServer(const QString& workingDir, QObject* parent)
    : TServer(std::shared_ptr<const TDictn>(), parent) {
    spell = std::make_shared<const TDictn>(
        workingDir.toStdString(), [] { return loadWordListResource(); },
        [this](const std::string& message) { reportNotFound(message); });
}

TServer::TServer(std::shared_ptr<const TDictn> dictionary, QObject* parent)
    : QObject(parent), Sock1(new TSock(this)), spell(std::move(dictionary)) {
    Sock1->setObjectName(QStringLiteral("Sock1"));
    Sock1->setPortName(QStringLiteral("7772"));
    Sock1->OnAccept = [this](TSock* s) { Sock1Accept(s); };
    Sock1->OnReport = [this](TSock* s, const TSockReport& r) { Sock1Info(s, r.event); };

    socktimer = makeTimer(this, "socktimer", kDispatchMs);
    guardtimer = makeTimer(this, "guardtimer", 1000);
    roundtimer = makeTimer(this, "roundtimer", 1000);
    computertimer = makeTimer(this, "computertimer", 1000);
    connect(socktimer, &QTimer::timeout, this, &TServer::socktimerTimer);
    connect(guardtimer, &QTimer::timeout, this, &TServer::guardtimerTimer);
    connect(roundtimer, &QTimer::timeout, this, &TServer::roundtimerTimer);
    connect(computertimer, &QTimer::timeout, this, &TServer::computertimerTimer);

    ServerTransport& transport = *this;
    m_core = std::make_unique<ServerCore>(engineSetup(), transport,
                                          [this](GameTimer t) { applyTimer(t); });
    m_core->onGameNews = [this](const GameNews& n) {
        if (onGameNews)
            onGameNews(n);
    };
    m_core->onConnectionNews = [this](const ConnectionNews& n) {
        if (onConnectionNews)
            onConnectionNews(n);
    };
    // No timer runs until Sock1 listens: a copy that joins another's game
    // keeps its server idle.
}

TServer::~TServer() {
    // The connections close as Sock1 goes; nobody is left to hear about it.
    for (TSock* s : Sock1->findChildren<TSock*>()) {
        s->OnReport = nullptr;
        s->OnDisconnect = nullptr;
        s->OnRead = nullptr;
    }
    Sock1->OnAccept = nullptr;
    Sock1->OnReport = nullptr;
    delete Sock1;
    Sock1 = nullptr;
}

// The game is played with the program's starter list and dictionary, at the
// host's pace, with chance seeded from the clock.
EngineSetup TServer::engineSetup() {
    EngineSetup setup;
    for (const QString& w : starterWords())
        setup.starterWords.append(w.toLatin1());
    setup.isWord = [this](QByteArrayView word) {
        return spell && spell->IsWord(std::string_view(word.data(), size_t(word.size())));
    };
    // The host may set or change its settings at any time: ask it each time.
    setup.timeBetweenRounds = [this] { return timeBetweenRounds ? timeBetweenRounds() : 12; };
    setup.botSpeed = [this] { return botSpeed ? botSpeed() : 1200; };
    setup.seed = quint32(std::chrono::steady_clock::now().time_since_epoch().count());
    return setup;
}

// The dictionary reports a missing word list while it is being built, before
// the host had a chance to set showMessage: keep the notice for the first turn
// of the event loop.
void TServer::reportNotFound(const std::string& message) {
    m_pendingNotice = QString::fromStdString(message);
    QTimer::singleShot(0, this, [this] {
        if (showMessage && !m_pendingNotice.isEmpty())
            showMessage(m_pendingNotice);
        m_pendingNotice.clear();
    });
}

void TServer::setManualTicks(bool manual) {
    m_manual = manual;
    applyTimers();
}

// The listener's own reports: listening starts and stops the server's timers.
void TServer::Sock1Info(TSock* sender, TSockEvent event) {
    if (sender != Sock1)
        return; // a connection being accepted reports through a copy of ours
    if (event == TSockEvent::ListeningStarted)
        m_serving = true;
    else if (event == TSockEvent::ListeningStopped)
        m_serving = false;
    else
        return;
    applyTimers();
}

void TServer::applyTimers() {
    const bool run = m_serving && !m_manual;
    if (run)
        guardtimer->start();
    else
        guardtimer->stop();
    if (!run)
        socktimer->stop();
    wakeDispatch();
    applyTimer(GameTimer::Round);
    applyTimer(GameTimer::Computer);
}

// Runs the real timer as the engine set its own: every notice that finds it
// enabled starts it afresh, as the engine's restarts require.
void TServer::applyTimer(GameTimer timer) {
    const bool round = timer == GameTimer::Round;
    const TimerState& state = round ? engine().roundtimer() : engine().computertimer();
    QTimer* t = round ? roundtimer : computertimer;
    if (t->interval() != state.interval)
        t->setInterval(state.interval);
    if (state.enabled && m_serving && !m_manual)
        t->start();
    else
        t->stop();
}

// The dispatch tick runs only while messages wait, so an idle server does not
// wake a hundred times a second. A message that finds it stopped is served as
// soon as a tick's time has passed since the last tick, not a whole tick later.
void TServer::wakeDispatch() {
    if (!m_serving || m_manual || m_core->queued() == 0 || socktimer->isActive())
        return;
    const qint64 since = m_lastTick.isValid() ? m_lastTick.elapsed() : kDispatchMs;
    socktimer->start(int(std::max<qint64>(0, kDispatchMs - since)));
}

void TServer::socktimerTimer() {
    m_lastTick.start();
    m_core->dispatch();
    if (m_core->queued() == 0)
        socktimer->stop();
    else if (socktimer->interval() != kDispatchMs)
        socktimer->setInterval(kDispatchMs);
}

void TServer::guardtimerTimer() {
    m_core->sweep();
}

void TServer::roundtimerTimer() {
    m_core->roundtimerTimer();
}

void TServer::computertimerTimer() {
    m_core->computertimerTimer();
}

void TServer::Sock1Accept(TSock* listener) {
    TSock* sock = nullptr;
    bool accepted = false;
    try {
        accepted = listener->Accept(sock);
    } catch (const std::exception&) {
    }
    if (!accepted || !sock)
        return; // nothing came in: no slot is given out
    if (probeArmed())
        sniff(sock, listener->peerAddress());
    else
        take(sock, listener->peerAddress(), {});
}

void TServer::adopt(TSock* sock, const QString& address, const QByteArray& early) {
    sock->setParent(Sock1); // as the listener's own connections are
    take(sock, address, early);
}

void TServer::take(TSock* sock, const QString& address, const QByteArray& early) {
    const ConnectionId id = ++m_lastId;
    m_socks[id] = sock;
    sock->setGameConnection();
    sock->OnDisconnect = [this](TSock* s) { tempsockDisconnect(s); };
    sock->OnRead = [this](TSock* s, int count) { Sock1Read(s, count); };
    sock->OnReport = [this](TSock* s, const TSockReport& r) { tempsockInfo(s, r.event); };
    m_core->opened(id, address);
    if (!early.isEmpty() && m_socks.count(id) != 0) {
        m_core->received(id, early);
        wakeDispatch();
    }
}

void TServer::expectProbe(const QString& nonce) {
    m_probeNonce = nonce;
    m_probeClock.start();
    m_probeUntil = kProbeWindowMs;
}

bool TServer::probeArmed() const {
    return !m_probeNonce.isEmpty() && m_probeClock.isValid() &&
           m_probeClock.elapsed() < m_probeUntil;
}

void TServer::sniff(TSock* sock, const QString& address) {
    m_sniffing[sock] = Sniffed{address, {}};
    sock->OnRead = [this](TSock* s, int) { sniffRead(s); };
    sock->OnReport = [this](TSock* s, const TSockReport& r) {
        if (r.event == TSockEvent::Closed || r.event == TSockEvent::SystemError)
            sniffed(s, false);
    };
    QTimer::singleShot(kSniffMs, sock, [this, sock] { sniffed(sock, true); });
}

void TServer::sniffRead(TSock* sock) {
    const auto it = m_sniffing.find(sock);
    if (it == m_sniffing.end())
        return;
    try {
        it->second.bytes += sock->Receive();
    } catch (const std::exception&) {
        return;
    }
    const QByteArray greeting = lobbywire::probeGreeting();
    const QByteArray& got = it->second.bytes;
    if (got.size() < greeting.size() && greeting.startsWith(got))
        return; // perhaps the test, still arriving
    if (got != greeting || !probeArmed()) {
        sniffed(sock, true);
        return;
    }
    // The test, answered once: a second greeting with the same nonce is
    // somebody else's.
    const QString nonce = std::exchange(m_probeNonce, QString());
    try {
        sock->Send(lobbywire::probeAnswer(nonce));
    } catch (const std::exception&) {
    }
    sniffed(sock, false);
}

// Looking is over: the connection is the game's, or it goes.
void TServer::sniffed(TSock* sock, bool handOver) {
    const auto it = m_sniffing.find(sock);
    if (it == m_sniffing.end())
        return;
    const Sniffed seen = std::move(it->second);
    m_sniffing.erase(it);
    sock->OnRead = nullptr;
    sock->OnReport = nullptr;
    if (handOver) {
        take(sock, seen.address, seen.bytes);
    } else {
        sock->Close();
        sock->deleteLater();
    }
}

void TServer::Sock1Read(TSock* sock, int /*count*/) {
    // Take the bytes whoever sent them, so the socket stops reporting them.
    QByteArray data;
    try {
        data = sock->Receive();
    } catch (const std::exception&) {
        // Whatever the connection carried is lost, and the messages after it
        // would be cut out of step: the player is let go, and the log (and
        // the others, by the departure) hear of it.
        if (const ConnectionId id = idOf(sock))
            m_core->failed(id, DropReason::ReadFailed);
        return;
    }
    if (const ConnectionId id = idOf(sock)) {
        m_core->received(id, data);
        wakeDispatch();
    }
}

void TServer::tempsockDisconnect(TSock* sock) {
    const ConnectionId id = idOf(sock);
    if (id != 0 && m_core->slotOf(id) != 0)
        sock->Close(); // its "Socket Closed" report frees the slot
}

void TServer::tempsockInfo(TSock* sock, TSockEvent event) {
    const ConnectionId id = idOf(sock);
    if (id == 0)
        return; // a report of a connection already let go
    if (event == TSockEvent::Closed) {
        m_core->closed(id);
        forget(id);
    } else if (event == TSockEvent::SystemError) {
        // A reset or an abort ends the connection as surely as a close does;
        // the socket reports nothing more, so the core closes it.
        m_core->failed(id);
    }
}

bool TServer::send(ConnectionId id, const QByteArray& bytes) {
    const auto it = m_socks.find(id);
    if (it == m_socks.end() || !it->second)
        return false;
    try {
        it->second->Send(bytes);
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

void TServer::close(ConnectionId id) {
    const auto it = m_socks.find(id);
    if (it != m_socks.end() && it->second)
        it->second->Close(); // reports "Socket Closed" from inside
    forget(id);
}

qsizetype TServer::unsent(ConnectionId id) const {
    const auto it = m_socks.find(id);
    return it != m_socks.end() && it->second ? it->second->pendingOutgoing() : 0;
}

ConnectionId TServer::idOf(const TSock* sock) const {
    for (const auto& [id, s] : m_socks)
        if (s.data() == sock)
            return id;
    return 0;
}

void TServer::forget(ConnectionId id) {
    const auto it = m_socks.find(id);
    if (it == m_socks.end())
        return;
    if (it->second)
        it->second->deleteLater();
    m_socks.erase(it);
}
