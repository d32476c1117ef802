// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// SocketSet: the lobby service's client connections, plain non-blocking TCP
// sockets watched through one epoll set (Linux). The Qt event loop watches
// only the epoll descriptor, through one QSocketNotifier.
//
// Why not a QTcpSocket each: Qt's event dispatchers (glib's and the UNIX one)
// poll every registered descriptor on every turn of the loop, and QTcpSocket
// turns its write notifier on and off for every write. With the 10,000
// connections a busy lobby holds, that made the service spend 15-20 % of a
// core while idle (the clients' pings alone wake it hundreds of times a
// second) and deliver directory batches seconds late. Here a turn of the loop
// costs what the ready sockets cost, and nothing else.
//
// What its owner may rely on:
// - send() writes what the socket takes at once and keeps the rest, shared
//   (the bytes of a batch sent to thousands are never copied); it is written
//   as the socket drains, in order.
// - close() sends what was queued, then ends the connection (FIN) and waits
//   for the peer's end, discarding what it still sends; sweep() cuts off one
//   that lingers longer than kLingerMs.
// - onData and onEnded come from the event loop only, never from inside
//   send() or close(); onEnded once for a connection that ended by itself (the
//   peer closed it, or it failed), never for one the owner closed.
// - join() makes two connections a relay: what one sends is written to the
//   other as it comes, without onData, and a side whose mate has
//   kRelayBufferBytes waiting is not read until they drain. When one ends,
//   onEnded reports it and its mate is closed after what it was still owed
//   (cut off if its peer does not take that within kRelayLingerMs).

#include <QByteArray>
#include <QHostAddress>
#include <QList>
#include <QObject>

#include <functional>
#include <unordered_map>

class QSocketNotifier;

class SocketSet : public QObject {
    Q_OBJECT
public:
    using Id = quint64;
    static constexpr qint64 kLingerMs = 10'000;
    static constexpr qint64 kRelayLingerMs = 1'000;

    explicit SocketSet(QObject* parent = nullptr);
    ~SocketSet() override;

    std::function<void(Id id, const QByteArray& bytes)> onData;
    std::function<void(Id id)> onEnded;

    // Takes a connected socket's descriptor; 0 (and the descriptor closed)
    // when it cannot be watched. `peer` is the address it came from.
    Id add(int fd, QHostAddress* peer = nullptr);
    // False when the connection is gone or its socket failed.
    bool send(Id id, const QByteArray& bytes);
    void close(Id id);
    // Bytes given to send() not yet taken by the system.
    qsizetype unsent(Id id) const;
    // See above; `toA` and `toB` are written first. False when either is
    // gone or closing.
    bool join(Id a, Id b, const QByteArray& toA, const QByteArray& toB, qsizetype bufferBytes);
    // The local address of the connection, as its peer reached it.
    QHostAddress localAddress(Id id) const;
    // Cuts off connections that lingered too long; `now` in monotonic ms.
    void sweep(qint64 now);

    int open() const { return int(m_sockets.size()) - m_closing; }
    int lingering() const { return m_closing; }

private:
    struct Socket {
        Id id = 0;
        int fd = -1;
        QList<QByteArray> queue; // unsent, oldest first
        qsizetype offset = 0;    // bytes of queue.first() already sent
        qsizetype queued = 0;
        bool wrote = false;   // anything was sent: its end waits for the last byte
        bool writing = false; // waiting for the socket to take more
        bool closing = false;
        bool finished = false; // our FIN is out; waiting for the peer's
        qint64 closingSince = 0;
        qint64 lingerMs = kLingerMs;
        Id mate = 0;         // a relay's other end
        bool paused = false; // not read while its mate's queue is full
        qsizetype bufferBytes = 0;
    };

    void ready();
    void readable(Id id);
    bool flush(Socket& s);
    void watchWrites(Socket& s, bool on);
    void watch(Socket& s);
    void pass(Socket& from, const char* data, qsizetype size);
    void mateEnded(Id mate);
    void finish(Socket& s);
    void drop(Id id, bool abort);

    int m_epoll = -1;
    QSocketNotifier* m_notifier = nullptr;
    std::unordered_map<Id, Socket> m_sockets;
    Id m_lastId = 0;
    int m_closing = 0;
    QByteArray m_readBuffer;
};
