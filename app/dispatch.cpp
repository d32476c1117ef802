// The client end of the wire protocol: bytes from the game connection are cut
// into messages, queued, and handed one per tick of Timer1 to their handlers.

#include "boardpanel.h"
#include "chatcontroller.h"
#include "messages.h"
#include "protocol.h"
#include "readers.h"
#include "settingscontroller.h"
#include "tchat.h"
#include "tsock.h"
#include "tspylist.h"

#include <QAction>
#include <QLabel>
#include <QListWidget>
#include <QMenu>

namespace {

const QString kWaiting = QStringLiteral("<Waiting>");

struct NumberAndName {
    QByteArray numberText;
    int number;
    QString name;
};

NumberAndName splitNumberAndName(const QByteArray& payload) {
    const wire::PlayerNotice m = wire::readPlayerNotice(payload);
    return {m.numberText, m.number, wire::decodeShown(m.name)};
}

} // namespace

void Tchat::sockRead(TSock* /*sender*/, int /*count*/) {
    QByteArray bytes = sock->Receive();
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
        dropFloodingHost();
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

// Closes the game connection quietly (its "Socket Closed" would close the
// window before the player could read why) and says why in the program's own
// colour.
void Tchat::dropFloodingHost() {
    sock->OnRead = nullptr;
    sock->OnInfo = nullptr;
    sock->Close();
    receivedlist.clear();
    m_queuedBytes = 0;
    m_receiveBuffer.clear();
    m_receiveBuffer.squeeze();
    m_discardingMessage = false;
    m_state.loggedin = false; // nothing more can be sent
    addlinetochat(QStringLiteral("The host sent far more than this window can show, so the "
                                 "connection was closed."),
                  m_state.systemcolour);
}

void Tchat::Timer1Timer() {
    processsocktimer();
    if (!m_state.phraseok) {
        ++m_state.phraseticks;
        if (m_state.phraseticks > 100) {
            m_state.phraseok = true;
            m_state.phraseticks = 0;
        }
    }
}

void Tchat::processsocktimer() {
    if (receivedlist.isEmpty())
        return;
    const QByteArray message = receivedlist.takeFirst();
    m_queuedBytes -= message.size();
    const wire::Split split = wire::splitCommand(message);
    if (split.command.isEmpty())
        return;
    dispatchMessage(split.command, split.payload);
}

void Tchat::dispatchMessage(const QByteArray& command, const QByteArray& payload) {
    if (command == wire::cmd::sendlogininfo) {
        sendloginfo(payload);
    } else if (command == wire::cmd::chat || command == wire::cmd::action) {
        m_chat->chatrecieved(payload);
    } else if (command == wire::cmd::newplayerinfo) {
        newplayerinfo(payload);
    } else if (command == wire::cmd::havewrongversion) {
        addlinetochat(wire::decodeShown(payload) +
                          QStringLiteral(" has a different version of the game then you."),
                      m_state.systemcolour);
    } else if (command == wire::cmd::wrongversion) {
        addlinetochat(QStringLiteral("You have a differnt version of the game then the host."),
                      m_state.systemcolour);
    } else if (command == wire::cmd::existingplayers) {
        newplayerinfo(payload);
    } else if (command == wire::cmd::playerdisconnected) {
        playerdisconnected(payload);
    } else if (command == wire::cmd::startgame) {
        m_board->startthegame(payload);
    } else if (command == wire::cmd::startround) {
        m_board->startround(payload);
    } else if (command == wire::cmd::winner) {
        m_board->winner(payload);
    } else if (command == wire::cmd::full) {
        messageBox(QStringLiteral("Game is full"));
        close();
    } else if (command == wire::cmd::endround) {
        m_board->endround(payload);
    } else if (command == wire::cmd::notvalid) {
        m_board->notvalid(payload);
    } else if (command == wire::cmd::gotword) {
        m_board->gotword(payload);
    } else if (command == wire::cmd::loadstats) {
        m_board->loadstats(payload);
    } else if (command == wire::cmd::playasound) {
        m_chat->playasound(payload);
    }
}

void Tchat::sendloginfo(const QByteArray& payload) {
    m_state.mynumber = wire::readSendlogininfo(payload);
    m_state.loggedin = true;
    // loginstring already ends in the terminator, so the login ends in two.
    sendRaw(wire::logininfo(m_state.mynumber, wire::kVersion, m_state.loginstring));
}

void Tchat::newplayerinfo(const QByteArray& payload) {
    const NumberAndName who = splitNumberAndName(payload);
    if (who.number == m_state.mynumber) {
        addlinetochat(QStringLiteral("You are Connected."), m_state.systemcolour);
        m_settings->loadinifile();
    } else {
        addlinetochat(who.name + QStringLiteral(" is Connected."), m_state.systemcolour);
    }
    if (who.number <= m_state.seatcount) {
        if (QLabel* label = m_board->playerNameLabel(who.number))
            label->setText(who.name);
    } else {
        if (Tspylist* spies = m_windows.spylist)
            spies->listbox_spys->addItem(QString::number(who.number) + QStringLiteral(": ") +
                                         who.name);
        if (who.number == m_state.mynumber)
            addlinetochat(QStringLiteral("You are spying."), m_state.systemcolour);
        else
            addlinetochat(who.name + QStringLiteral(" is spying."), m_state.systemcolour);
    }
    m_board->playsounds(QStringLiteral("entered"));
}

void Tchat::playerdisconnected(const QByteArray& payload) {
    const NumberAndName who = splitNumberAndName(payload);
    if (who.number <= m_state.seatcount) {
        QLabel* label = m_board->playerNameLabel(who.number);
        if (!label)
            return;
        if (label->text() != kWaiting && label->text() != label->toolTip())
            addlinetochat(label->text() + QStringLiteral(" disconnected."), m_state.systemcolour);
        label->setText(who.numberText == "2" ? QStringLiteral("Grob") : kWaiting);
        return;
    }
    Tspylist* spies = m_windows.spylist;
    if (!spies)
        return;
    const QString entry = QString::number(who.number) + QStringLiteral(": ") + who.name;
    const auto found = spies->listbox_spys->findItems(entry, Qt::MatchExactly);
    if (found.isEmpty())
        return;
    addlinetochat(who.name + QStringLiteral(" has left."), m_state.systemcolour);
    delete found.first();
}

void Tchat::sockInfo(TSock* /*sender*/, TSocketInfo info, const QString& msg) {
    if (msg == QLatin1String("Socket Closed")) {
        close();
        return;
    }
    if (info == TSocketInfo::Error)
        reportConnectionError(msg);
}

// A failed connection would otherwise leave the player looking at "Loading..."
// for ever: say what happened, once before login and once after.
void Tchat::reportConnectionError(const QString& msg) {
    if (!m_state.loggedin) {
        addlinetochat(QStringLiteral("Could not reach the host %1: %2").arg(sock->HostName(), msg),
                      m_state.systemcolour);
    } else if (!m_connectionLostShown) {
        m_connectionLostShown = true;
        addlinetochat(QStringLiteral("The connection to the host was lost: %1").arg(msg),
                      m_state.systemcolour);
    }
}

void Tchat::label_playername1ContextPopup(QLabel* label) {
    m_kickSeat = label->property("Tag").toInt();
    menuAction(QStringLiteral("RemoveFromGame1"))
        ->setEnabled(m_state.hosting && label->text() != kWaiting);
}

void Tchat::RemoveFromGame1Click() {
    kicking(m_kickSeat);
}

void Tchat::kicking(int player) {
    if (m_state.hosting && m_state.loggedin)
        sendRaw(wire::kickhim(m_state.mynumber, player));
}
