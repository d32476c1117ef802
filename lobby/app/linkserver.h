// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// LinkServer: where the games the lobby starts open their silent link (TCP on
// 127.0.0.1, port 9001 unless that is taken). A game keeps its link open
// while it runs; the lobby learns from it that a game is open and when the
// last one has ended. Nothing is read from a link or sent on it.
//
// Port 9001 belongs to the whole machine: when another user's lobby (or a
// test) holds it, the server listens on any free port instead, and the games
// started from here are told that port. Links from another user's processes
// are closed at once and never counted; so is a link whose process has
// already closed it by the time it is taken, as its owner can't be known.

#include "linkowner.h"

#include <QList>
#include <QObject>

class QTcpServer;
class QTcpSocket;

class LinkServer : public QObject {
    Q_OBJECT
public:
    // `lookup` and `ownersKnown` decide whose links are taken (linkowner.h);
    // by default the system's.
    explicit LinkServer(quint16 preferredPort, QObject* parent = nullptr);
    LinkServer(quint16 preferredPort, linkowner::Lookup lookup, bool ownersKnown, uint ownUid,
               QObject* parent = nullptr);
    ~LinkServer() override;

    // Listens on the preferred port, else on a free one; false when neither
    // can be had.
    bool listen();
    quint16 port() const;
    int openLinks() const { return int(m_links.size()); }

signals:
    void linkOpened();
    // The last open link closed.
    void allClosed();

private:
    void onNewConnection();
    void onDisconnected(QTcpSocket* socket);

    // So many links at once are more than games on one desktop ever open;
    // more would only hold sockets.
    static constexpr int kMaxLinks = 32;

    quint16 m_preferredPort;
    linkowner::Lookup m_lookup;
    bool m_ownersKnown;
    uint m_ownUid;
    QTcpServer* m_server = nullptr;
    QList<QTcpSocket*> m_links;
};
