// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// ServiceLink: a program's connection to the lobby service (the protocol is
// documented in protocol/lobbymessages.h). It looks the service up and
// connects without blocking the event loop (IPv4 and IPv6; IPv4 alone when
// asked, see Options::ipv4Only), says HELLO, and hands its owner every line
// the service sends after WELCOME, split and within the line limit. It keeps
// the connection alive: a PING when nothing was sent for a while, and the
// service counted as lost when no line comes within the answer time. After a
// loss it connects again, waiting longer each time (firstRetryMs doubling up
// to maxRetryMs), until its owner closes it. A service that refuses this
// program's protocol version is not tried again.
//
// What an owner may rely on:
// - opened() after every WELCOME: whatever the service should know of the
//   owner (a name, a table, a WATCH) is sent again from there.
// - lost(why) once for every connection that was opened or tried and ended,
//   unless the owner closed it; `why` says it in plain words ("The lobby
//   service at lobby.kestrun.com:7780 can't be reached: Connection refused").
// - refused(why) instead of lost() for BYE "version": no retry follows.
// - Signals come from the event loop, never from inside send() or close().

#include "lobbyaddress.h"
#include "lobbyreaders.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QString>

class QTcpSocket;
class QTimer;

class ServiceLink : public QObject {
    Q_OBJECT
public:
    struct Options {
        lobbywire::HostPort service;
        // Other instances of the same service, tried in turn after `service`:
        // a link that loses one (or can't reach it) tries the next after
        // kSwitchMs, and waits longer only when it has tried them all.
        QList<lobbywire::HostPort> alternates;
        QString program;              // "kestrunlobby", "vorlix"
        QString version;              // the program's version
        bool ipv4Only = false;        // a host: the game takes players on IPv4 only
        int connectTimeoutMs = 8000;  // from the look-up to WELCOME
        int idlePingMs = 20'000;      // a PING after this long without sending
        int answerTimeoutMs = 10'000; // for any line after a PING
        bool reconnect = true;
        int firstRetryMs = 1000;
        int maxRetryMs = 30'000;
    };
    enum class State { Closed, Connecting, Open, Waiting, Refused };
    static constexpr int kSwitchMs = 500;

    explicit ServiceLink(Options options, QObject* parent = nullptr);
    ~ServiceLink() override;

    // Starts connecting (again, after close()).
    void open();
    // Ends the connection, after what was sent has gone out as far as the
    // system takes it at once; no retry follows.
    void close();
    // Queues one complete line (a lobbywire builder's); false, and dropped,
    // unless the link is open.
    bool send(const QByteArray& line);
    // The owner lets its link go: `receiver` hears nothing more from it, it is
    // closed, and it is deleted once control is back in the event loop, so
    // this may be called from inside one of the link's own signals. `link` is
    // null afterwards; nothing happens when it already was.
    static void release(ServiceLink*& link, QObject* receiver);

    // What the socket delivered, handled exactly as bytes read from it are:
    // cut into lines (a line too long loses the connection), a WELCOME opens
    // the link, a BYE ends it. Tests and the fuzz target feed a link through
    // it without a service; send() without a socket drops the line.
    void receiveBytes(const QByteArray& bytes);

    State state() const { return m_state; }
    // The service's address and port on the open connection (as looked up):
    // a host connects there for a relay's players. Empty and 0 unless open.
    QString peerAddress() const;
    quint16 peerPort() const;
    // Why the last attempt failed or the connection ended; empty while open.
    QString problem() const { return m_problem; }
    const Options& options() const { return m_options; }
    // The instance the link is connected to, or tries next.
    lobbywire::HostPort current() const;

signals:
    void opened();
    void message(const lobbywire::Message& message);
    void lost(const QString& why);
    void refused(const QString& why);

private:
    void startConnecting();
    void onConnected();
    void onReadyRead();
    void onSocketEnded();
    void onIdle();
    void handleLine(const QByteArray& line);
    // Ends the connection (or attempt) for `why`; retries unless refused.
    void end(const QString& why, bool refusedForGood);
    void dropSocket();
    void resetTimers();
    QString serviceText() const;
    QString unreachable(const QString& why) const;

    Options m_options;
    State m_state = State::Closed;
    QString m_problem;
    QTcpSocket* m_socket = nullptr;
    // Connecting: the connect deadline; Waiting: the next attempt.
    QTimer* m_timer = nullptr;
    QTimer* m_idleTimer = nullptr;   // a PING when it fires
    QTimer* m_answerTimer = nullptr; // runs from a PING to the next line
    QByteArray m_buffer;
    int m_retryMs = 0;
    int m_instance = 0;     // 0: service; 1..: alternates
    int m_triedInRound = 0; // instances failed since the link was last open
    // open() asked for a connection and close() has not ended it: only then
    // does a loss lead to another attempt (a link fed by receiveBytes alone
    // never connects anywhere).
    bool m_wanted = false;
    // Bumped by every open, close and loss, so that a zero-delay connect
    // scheduled for an attempt that has since ended does nothing.
    quint64 m_attempt = 0;
};
