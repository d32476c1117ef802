// SPDX-License-Identifier: GPL-3.0-or-later
// The client end of the wire protocol: bytes from the game connection are cut
// into messages, queued, and handed one per tick of Timer1 to their handlers.

#include "messages.h"
#include "protocol.h"
#include "readers.h"
#include "tchat.h"
#include "tsock.h"

#include "vorlixapplication.h"

#include <QAction>
#include <QTimer>

#include <exception>

void Tchat::sockRead(TSock* /*sender*/, int /*count*/) {
    QByteArray bytes = sock->Receive();
    if (m_route && m_route->way() == JoinRoute::Way::Relay && !m_route->answered()) {
        const JoinRoute::Answer answer = m_route->feed(bytes);
        if (answer.kind == JoinRoute::Answer::Kind::Waiting)
            return;
        if (answer.kind == JoinRoute::Answer::Kind::Refused) {
            m_startupError = answer.why;
            leaveGame(answer.why);
            return;
        }
        bytes = answer.rest;
    }
    if (!bytes.isEmpty() && !m_gameHeard) {
        m_gameHeard = true;
        if (m_directTimer)
            m_directTimer->stop();
    }
    receiveBytes(bytes);
}

void Tchat::receiveBytes(QByteArray bytes) {
    if (m_discardingMessage) {
        // The rest of an over-long message: drop it up to and with its end byte.
        const qsizetype end = bytes.indexOf(wire::kTerminator);
        if (end < 0)
            return;
        bytes.remove(0, end + 1);
        m_discardingMessage = false;
    }
    m_receiveBuffer += bytes;
    const qsizetype before = receivedlist.size();
    wire::cutMessages(m_receiveBuffer, receivedlist);
    for (qsizetype i = before; i < receivedlist.size(); ++i)
        m_queuedBytes += receivedlist[i].size();
    if (receivedlist.size() > kMaxQueuedMessages || m_queuedBytes > kMaxQueuedBytes) {
        letHostGo(QStringLiteral("The host sent far more than this window can show, so the "
                                 "connection was closed."));
        return;
    }
    // No message of the game comes near this size: a peer that sends this much
    // without an end byte would otherwise make us hold everything it sends.
    if (m_receiveBuffer.size() > kMaxPendingMessageBytes) {
        m_receiveBuffer.clear();
        m_receiveBuffer.squeeze();
        m_discardingMessage = true;
    }
}

// Closes the game connection quietly (its Closed report would close the
// window before the player could read why) and says why in the program's own
// colour.
void Tchat::letHostGo(const QString& notice) {
    sock->OnRead = nullptr;
    sock->OnReport = nullptr;
    sock->Close();
    receivedlist.clear();
    m_queuedBytes = 0;
    m_receiveBuffer.clear();
    m_receiveBuffer.squeeze();
    m_discardingMessage = false;
    addlinetochat(notice, m_state.systemcolour);
}

void Tchat::Timer1Timer() {
    processsocktimer();
    m_chat->phraseGateTick();
}

void Tchat::processsocktimer() {
    if (m_leaving || receivedlist.isEmpty())
        return;
    const QByteArray message = receivedlist.takeFirst();
    m_queuedBytes -= message.size();
    const wire::Split split = wire::splitCommand(message);
    // A message that cannot be read stops only itself: the close check below
    // must still run, or a connection whose last message was bad would never
    // let the window go.
    if (!split.command.isEmpty()) {
        try {
            dispatchMessage(split.command, split.payload);
        } catch (const std::exception& e) {
            unreadableMessage(QString::fromLocal8Bit(e.what()));
        }
    }
    // The server's last words came before its close: they are read first.
    if (m_connectionClosed && receivedlist.isEmpty())
        leaveGame(QStringLiteral("The connection to the game was closed."));
}

// An honest host never sends a message the client cannot read; a few may come
// from an older or broken one, and each is shown. A host that keeps sending
// them is let go, as one that floods the queue is.
void Tchat::unreadableMessage(const QString& why) {
    const qint64 now = m_clock();
    m_unreadableAt.append(now);
    while (!m_unreadableAt.isEmpty() && now - m_unreadableAt.first() >= kUnreadableWindowMs)
        m_unreadableAt.removeFirst();
    if (m_unreadableAt.size() > kMaxUnreadablePerMinute) {
        m_unreadableAt.clear();
        letHostGo(QStringLiteral("The host sent more than %1 messages this window could not "
                                 "read within a minute, so the connection was closed.")
                      .arg(kMaxUnreadablePerMinute));
        return;
    }
    showErrorBox(why);
}

// The box is modal and the dispatcher goes on under it (the game does not wait
// for the player to read it); what goes wrong meanwhile opens no second box,
// so a stream of bad messages cannot stack modal loops one inside another.
void Tchat::showErrorBox(const QString& text) {
    if (m_errorBoxOpen)
        return;
    m_errorBoxOpen = true;
    VorlixApplication::showError(text);
    m_errorBoxOpen = false;
}

void Tchat::dispatchMessage(const QByteArray& command, const QByteArray& payload) {
    if (command == wire::cmd::sendlogininfo) {
        sendloginfo(payload);
    } else if (command == wire::cmd::chat || command == wire::cmd::action) {
        m_chat->chatrecieved(payload);
    } else if (command == wire::cmd::newplayerinfo) {
        m_model.newplayerinfo(payload);
    } else if (command == wire::cmd::havewrongversion) {
        addlinetochat(wire::decodeShown(payload) +
                          QStringLiteral(" has a different version of the game then you."),
                      m_state.systemcolour);
    } else if (command == wire::cmd::wrongversion) {
        addlinetochat(QStringLiteral("You have a differnt version of the game then the host."),
                      m_state.systemcolour);
    } else if (command == wire::cmd::existingplayers) {
        m_model.newplayerinfo(payload);
    } else if (command == wire::cmd::playerdisconnected) {
        m_model.playerdisconnected(payload);
    } else if (command == wire::cmd::startgame) {
        m_model.startthegame(payload);
    } else if (command == wire::cmd::startround) {
        m_model.startround(payload);
    } else if (command == wire::cmd::winner) {
        m_model.winner(payload);
    } else if (command == wire::cmd::full) {
        leaveGame(QStringLiteral("Game is full"));
    } else if (command == wire::cmd::endround) {
        m_model.endround(payload);
    } else if (command == wire::cmd::notvalid) {
        m_model.notvalid(payload);
    } else if (command == wire::cmd::gotword) {
        m_model.gotword(payload);
    } else if (command == wire::cmd::loadstats) {
        m_model.loadstats(payload);
    } else if (command == wire::cmd::playasound) {
        m_chat->playasound(payload);
    }
}

void Tchat::sendloginfo(const QByteArray& payload) {
    m_model.login(wire::readSendlogininfo(payload));
    // loginstring already ends in the terminator, so the login ends in two.
    sendRaw(wire::logininfo(m_model.mynumber(), wire::kVersion, m_state.loginstring));
    if (m_model.mynumber() == 1 && !m_model.hosting())
        holdTheTable();
}

void Tchat::sockInfo(TSock* /*sender*/, const TSockReport& report) {
    const bool failed = report.kind == TSocketInfo::Error;
    // A direct attempt at an invite code's table that failed before the
    // game server spoke gives way to the relay.
    if (m_route && m_route->mayFallBack() && !m_gameHeard &&
        (failed || report.event == TSockEvent::Closed)) {
        fallBack(report.text);
        return;
    }
    if (report.event == TSockEvent::Closed) {
        // Messages still queued (a "Game is full" among them) are handled
        // before the window goes; the dispatcher closes it once they are.
        m_connectionClosed = true;
        if (receivedlist.isEmpty())
            leaveGame(QStringLiteral("The connection to the game was closed."));
        return;
    }
    if (failed)
        reportConnectionError(report.text);
}

// A failed connection would otherwise leave the player looking at "Loading..."
// for ever: say what happened, once before login and once after.
void Tchat::reportConnectionError(const QString& msg) {
    if (!m_model.loggedin()) {
        addlinetochat(QStringLiteral("Could not reach the host %1: %2").arg(sock->HostName(), msg),
                      m_state.systemcolour);
    } else if (!m_connectionLostShown) {
        m_connectionLostShown = true;
        addlinetochat(QStringLiteral("The connection to the host was lost: %1").arg(msg),
                      m_state.systemcolour);
    }
}

// The player is told why the game ends before the window closes. The box is
// modal and runs its own event loop: the dispatcher stops, so nothing else is
// handled meanwhile, and a second reason (the close that follows "Game is
// full") finds the window already on its way out.
void Tchat::leaveGame(const QString& why) {
    if (m_leaving)
        return;
    m_leaving = true;
    Timer1->stop();
    messageBox(why);
    close();
}

void Tchat::label_playername1ContextPopup(int seat, bool lastWordLabel) {
    if (!GameModel::isSeat(seat))
        return;
    m_kickSeat = seat;
    // What the label under the pointer shows: a last-word label never shows
    // "<Waiting>".
    const GameModel::Seat& s = m_model.seat(seat);
    const QString& shown = lastWordLabel ? s.lastWord : s.name;
    m_menus.removeFromGame->setEnabled(m_model.hosting() && shown != GameModel::waiting());
}

void Tchat::RemoveFromGame1Click() {
    kicking(m_kickSeat);
}

void Tchat::kicking(int player) {
    if (m_model.hosting() && m_model.loggedin())
        sendRaw(wire::kickhim(m_model.mynumber(), player));
}
