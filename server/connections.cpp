// Connections and player slots: accepting, reading, departures, logins, relays
// and kicks.

#include "messages.h"
#include "protocol.h"
#include "readers.h"
#include "serverlimits.h"
#include "settleguard.h"
#include "tserver.h"
#include "tsock.h"

#include <optional>

void TServer::Sock1Accept(TSock* listener) {
    SettleGuard guard(*this);
    int slot = 0;
    const int oldNumslots = numslots;
    if (numslots == 0) {
        numslots = 1;
        slot = 1;
    } else {
        for (int i = 1; i <= numslots && slot == 0; ++i)
            if (!players[i].connected)
                slot = i;
        if (slot == 0 && numslots == kMaxSlots) {
            TSock* tenth = nullptr;
            if (listener->Accept(tenth) && tenth) {
                tenth->Tag = 10;
                try {
                    tenth->Send(wire::full());
                } catch (const std::exception&) {
                }
                delete tenth; // closes it; slot 10 is never in use
            }
            return;
        }
        if (slot == 0)
            slot = ++numslots;
    }

    TSock* sock = nullptr;
    bool accepted = false;
    try {
        accepted = listener->Accept(sock);
    } catch (const std::exception&) {
    }
    if (!accepted || !sock) {
        numslots = oldNumslots; // nothing came in: no slot was given out
        return;
    }

    tplayer& p = players[slot];
    p.conn = sock;
    p.connected = true;
    p.serial = ++m_nextSerial;
    p.received.clear();
    p.queued = 0;
    sock->Tag = slot;
    sock->OnDisconnect = tempsock->OnDisconnect;
    sock->OnRead = [this](TSock* s, int count) { Sock1Read(s, count); };
    sock->OnInfo = tempsock->OnInfo;
    sendTo(slot, wire::sendlogininfo(slot));
}

void TServer::Sock1Read(TSock* sock, int /*count*/) {
    SettleGuard guard(*this);
    QByteArray data;
    try {
        data = sock->Receive();
    } catch (const std::exception&) {
        return;
    }
    const int slot = sock->Tag;
    if (slot < 1 || slot > kMaxSlots || players[slot].conn != sock || !players[slot].connected)
        return;
    tplayer& p = players[slot];
    p.received += data;
    QList<QByteArray> messages;
    wire::cutMessages(p.received, messages);
    for (QByteArray& m : messages) {
        if (m.size() > serverlimits::kMaxMessageBytes ||
            p.queued >= serverlimits::kMaxQueuedPerConnection) {
            doom(slot);
            return;
        }
        receivedlist.push_back({std::move(m), slot, p.serial});
        ++p.queued;
    }
    if (p.received.size() > serverlimits::kMaxMessageBytes)
        doom(slot);
}

void TServer::tempsockDisconnect(TSock* sock) {
    SettleGuard guard(*this);
    const int slot = sock->Tag;
    if (slot >= 1 && slot <= kMaxSlots && players[slot].connected && players[slot].conn == sock)
        sock->Close();
}

void TServer::tempsockInfo(TSock* sock, TSocketInfo kind, const QString& text) {
    SettleGuard guard(*this);
    const int slot = sock->Tag;
    if (slot < 1 || slot > kMaxSlots || players[slot].conn != sock)
        return; // a report of a connection that no longer holds its slot
    if (text == QLatin1String("Socket Closed")) {
        freeSlot(slot, sock);
    } else if (kind == TSocketInfo::Error && text.startsWith(QLatin1String("Error #"))) {
        // A reset or an abort ends the connection as surely as a close does;
        // the socket reports nothing more, so close it and free the slot.
        if (players[slot].connected)
            doom(slot);
    }
}

void TServer::freeSlot(int slot, TSock* sock) {
    tplayer& p = players[slot];
    const bool wasConnected = p.connected;
    const QByteArray name = p.name;
    // The slot is free before anybody hears of it, so that a send failing in the
    // announcement can never come back to this slot. Its score fields stay.
    p.connected = false;
    p.name.clear();
    purgeQueue(p.serial);
    p.received.clear();
    p.queued = 0;
    p.conn = nullptr;
    if (sock && sock != tempsock)
        sock->deleteLater();
    if (wasConnected)
        broadcast(wire::playerdisconnected(slot, name));
}

void TServer::disconnectsock(int number) {
    if (number < 1 || number > kMaxSlots)
        return;
    tplayer& p = players[number];
    if (p.connected && p.conn)
        p.conn->Close();
}

namespace {

// Reads a client's message; one that does not read is dropped (nullopt).
template <typename Reader>
auto tryRead(Reader reader, const QByteArray& payload) -> std::optional<decltype(reader(payload))> {
    try {
        return reader(payload);
    } catch (const wire::EConvertError&) {
        return std::nullopt;
    }
}

} // namespace

void TServer::receivedlogininfo(const QByteArray& payload, int sender) {
    const auto m = tryRead(wire::readLogininfo, payload);
    if (!m || m->number != sender)
        return;
    const QByteArray& version = m->version;
    const QByteArray& name = m->name;

    tplayer& p = players[sender];
    p.name = name;
    p.connected = true;
    broadcast(wire::newplayerinfo(sender, name));
    for (int i = 1; i <= numslots; ++i)
        if (i != sender && players[i].connected)
            sendTo(sender, wire::existingplayers(i, players[i].name));
    if (version != wire::kVersion) {
        if (players[1].connected)
            sendTo(1, wire::havewrongversion(name));
        sendTo(sender, wire::wrongversion());
    }
    if (gameon)
        sendLoadStats(sender);
}

void TServer::sendLoadStats(int number) {
    wire::LoadStats s;
    s.number = number;
    s.rounds = numrounds;
    s.seconds = roundtime - 4;
    s.lengthSetting = lengthsetting;
    s.round = roundnum;
    s.roundLength = wordlength;
    s.prefix = prefix;
    s.timeLeft = countdown - 5;
    for (int seat = 1; seat <= 6; ++seat)
        s.seats[seat - 1] = {seat, players[seat].score};
    sendTo(number, wire::loadstats(s));
}

void TServer::kickhim(const QByteArray& payload, int sender) {
    const auto m = tryRead(wire::readKickhim, payload);
    if (sender != 1 || !m || m->number != sender)
        return;
    disconnectsock(m->target);
}

void TServer::chat(const QByteArray& payload, int sender) {
    const auto m = tryRead(wire::readRelay, payload);
    if (m && m->number == sender)
        broadcast(wire::chatRelay(players[sender].name, m->rest));
}

void TServer::action(const QByteArray& payload, int sender) {
    const auto m = tryRead(wire::readRelay, payload);
    if (m && m->number == sender)
        broadcast(wire::actionRelay(players[sender].name, m->rest));
}

void TServer::playasound(const QByteArray& payload, int sender) {
    const auto m = tryRead(wire::readRelay, payload);
    if (m && m->number == sender)
        broadcast(wire::playasoundRelay(sender, m->rest));
}
