// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// JoinRoute: how a joining copy reaches a table it found by its invite code.
// Straight to the table's address when the lobby service reached it from
// outside, or has not tested it yet; otherwise through the service's relay,
// which the game connection asks for with the relay's opening line and whose
// one-line answer comes before the game's bytes. A direct attempt that has
// not heard from the game server within kDirectMs, or failed, gives way to
// the relay.
//
// It holds no socket: the game window connects where it says, hands it what
// the relay connection delivers until the answer, and tells the player which
// way was used with its lines.

#include "lobbymessages.h"

#include <QByteArray>
#include <QString>

class JoinRoute {
public:
    static constexpr int kDirectMs = 5000;
    enum class Way { Direct, Relay };

    explicit JoinRoute(lobbywire::Found found);

    const lobbywire::Found& found() const { return m_found; }
    Way way() const { return m_way; }
    // Where the game connection goes for the current way.
    QString host() const;
    quint16 port() const;
    // A direct attempt may still give way to the relay.
    bool mayFallBack() const {
        return m_way == Way::Direct && !m_fellBack && !m_found.relayHost.isEmpty();
    }
    // The relay from now on.
    void fallBack();

    // What the game connection sends first on the relay: its opening line.
    QByteArray opening() const;
    // The relay's answer, fed with what the connection delivers: Waiting
    // until its line is whole; then Joined with the game's bytes that came
    // after it, or Refused with why in plain words.
    struct Answer {
        enum class Kind { Waiting, Joined, Refused };
        Kind kind = Kind::Waiting;
        QByteArray rest;
        QString why;
    };
    Answer feed(const QByteArray& bytes);
    bool answered() const { return m_answered; }

    // The chat pane's line for the current way, and for a direct attempt
    // that gave way (`why`: what went wrong).
    QString joiningLine() const;
    QString fallBackLine(const QString& why) const;

private:
    lobbywire::Found m_found;
    Way m_way = Way::Direct;
    bool m_fellBack = false;
    bool m_answered = false;
    QByteArray m_buffer;
};
