#include "tserver.h"

#include "messages.h"
#include "protocol.h"
#include "serverlimits.h"
#include "settleguard.h"
#include "tdictn.h"
#include "tsock.h"
#include "wordlists.h"

#include <QTimer>

#include <chrono>

TServer::TServer(const QString& workingDir, QObject* parent)
    : QObject(parent), Sock1(new TSock(this)), tempsock(new TSock(this)),
      socktimer(this, 10, true, [this] { socktimerTimer(); }),
      roundtimer(this, 1000, false, [this] { roundtimerTimer(); }),
      computertimer(this, 1000, true, [this] { computertimerTimer(); }) {
    m_rng.seed(static_cast<quint32>(std::chrono::steady_clock::now().time_since_epoch().count()));
    numseats = 6;
    receivedlist.push_back({}); // the window starts with one empty line, dropped at once

    Sock1->setObjectName(QStringLiteral("Sock1"));
    Sock1->setPortName(QStringLiteral("7772"));
    Sock1->OnAccept = [this](TSock* s) { Sock1Accept(s); };
    Sock1->OnRead = [this](TSock* s, int count) { Sock1Read(s, count); };
    tempsock->setObjectName(QStringLiteral("tempsock"));
    tempsock->OnDisconnect = [this](TSock* s) { tempsockDisconnect(s); };
    tempsock->OnInfo = [this](TSock* s, TSocketInfo kind, const QString& text) {
        tempsockInfo(s, kind, text);
    };

    for (const QString& w : starterWords())
        listbox_words.append(w.toLatin1());

    // The dictionary reports a missing word list while it is being built, before
    // the host had a chance to set showMessage: keep the notice for the first
    // turn of the event loop.
    spell = std::make_unique<TDictn>(
        workingDir.toStdString(), [] { return loadWordListResource(); },
        [this](const std::string& message) {
            m_pendingNotice = QString::fromStdString(message);
            QTimer::singleShot(0, this, [this] {
                if (showMessage && !m_pendingNotice.isEmpty())
                    showMessage(m_pendingNotice);
                m_pendingNotice.clear();
            });
        });
}

TServer::~TServer() {
    // The connections close as Sock1 goes; nobody is left to hear about it.
    for (TSock* s : Sock1->findChildren<TSock*>()) {
        s->OnInfo = nullptr;
        s->OnDisconnect = nullptr;
        s->OnRead = nullptr;
    }
    Sock1->OnAccept = nullptr;
    Sock1->OnRead = nullptr;
    delete Sock1;
    Sock1 = nullptr;
}

void TServer::seed(quint32 s) {
    m_rng.seed(s);
}

void TServer::setManualTicks(bool manual) {
    socktimer.setManual(manual);
    roundtimer.setManual(manual);
    computertimer.setManual(manual);
}

int TServer::draw(int low, int high) {
    return std::uniform_int_distribution<int>(low, high)(m_rng);
}

bool TServer::isLive(int slot, quint64 serial) const {
    return slot >= 1 && slot <= kMaxSlots && players[slot].connected &&
           players[slot].serial == serial && serial != 0;
}

void TServer::socktimerTimer() {
    SettleGuard guard(*this);
    if (receivedlist.empty())
        return;
    const Received r = std::move(receivedlist.front());
    receivedlist.pop_front();
    if (!isLive(r.slot, r.serial))
        return; // its connection is gone, or the line is the window's first
    --players[r.slot].queued;

    const wire::Split m = wire::splitCommand(r.text);
    if (m.command.isEmpty())
        return;
    if (m.command == wire::cmd::logininfo)
        receivedlogininfo(m.payload, r.slot);
    else if (m.command == wire::cmd::kickhim)
        kickhim(m.payload, r.slot);
    else if (m.command == wire::cmd::chat)
        chat(m.payload, r.slot);
    else if (m.command == wire::cmd::action)
        action(m.payload, r.slot);
    else if (m.command == wire::cmd::startgame)
        startgame(m.payload, r.slot);
    else if (m.command == wire::cmd::sendword)
        sendword(m.payload, r.slot);
    else if (m.command == wire::cmd::giveup)
        giveup(m.payload, r.slot);
    else if (m.command == wire::cmd::playasound)
        playasound(m.payload, r.slot);
}

void TServer::sendTo(int slot, const QByteArray& message) {
    if (slot < 1 || slot > kMaxSlots)
        return;
    tplayer& p = players[slot];
    if (!p.connected || !p.conn)
        return;
    for (const auto& d : m_doomed)
        if (d.first == slot && d.second == p.serial)
            return;
    try {
        p.conn->Send(message);
    } catch (const std::exception&) {
        doom(slot);
        return;
    }
    if (p.conn->pendingOutgoing() > serverlimits::kMaxUnreadOutgoing)
        doom(slot);
}

void TServer::broadcast(const QByteArray& message) {
    for (int i = 1; i <= numslots; ++i)
        sendTo(i, message);
}

void TServer::doom(int slot) {
    const quint64 serial = players[slot].serial;
    for (const auto& d : m_doomed)
        if (d.first == slot && d.second == serial)
            return;
    m_doomed.append({slot, serial});
    if (m_settleDepth == 0)
        settle();
}

void TServer::settle() {
    ++m_settleDepth; // closing announces the departure, which may doom others
    while (!m_doomed.isEmpty()) {
        const auto [slot, serial] = m_doomed.takeFirst();
        if (!isLive(slot, serial))
            continue;
        if (TSock* s = players[slot].conn)
            s->Close(); // its "Socket Closed" report frees the slot
        if (isLive(slot, serial))
            freeSlot(slot, players[slot].conn); // a socket that reported nothing
    }
    --m_settleDepth;
}

void TServer::purgeQueue(quint64 serial) {
    std::erase_if(receivedlist, [serial](const Received& r) { return r.serial == serial; });
}
