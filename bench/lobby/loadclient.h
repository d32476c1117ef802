// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One lobby connection of the load generator: a plain non-blocking IPv4
// socket bound to a loopback source address of the generator's choosing
// before it connects (so the service's per-address limits see the clients
// spread over many addresses, as real players behind many routers would be).
// Lines go out whole, queued when the socket takes less; what arrives is cut
// with lobbywire::cutLines and stamped with the time the kernel received it
// (SO_TIMESTAMPNS), so that a generator busy with other clients does not make
// the service look slower than it is. Where the kernel gives no stamp, the
// time of the read stands in, and the caller is told which it got. The stamp
// is that of the last bytes a read takes: a generator so far behind that one
// read takes several batches makes the earlier ones look later, never
// earlier, so its figures can only err against the service.

#include "loadsocket.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <cstdint>

class LoadClient {
public:
    enum class Role : std::uint8_t { Watcher, Host, Resolver };
    enum class Stage : std::uint8_t {
        Waiting,    // not started
        Connecting, // connect() in progress
        Greeting,   // HELLO sent, no WELCOME yet
        Welcomed,
        Hosting,  // HOST sent, no HOSTED yet
        Hosted,   // table registered and its first STATE sent
        Watching, // WATCH sent, no LISTED yet
        Listed,
        Closed,
    };

    // `slot`: the client's place among its worker's clients; `source`: its
    // IPv4 source address in host order.
    LoadClient(Role role, int index, int slot, std::uint32_t source);
    ~LoadClient();
    LoadClient(const LoadClient&) = delete;
    LoadClient& operator=(const LoadClient&) = delete;

    // Starts connecting to 127.0.0.1:port and registers with `epollFd`; false
    // (and Closed) when the socket could not even be made.
    bool start(std::uint16_t port, int epollFd);
    // The connect finished: true when it succeeded.
    bool finishConnect();
    // Queues one complete line; false when the connection is gone.
    bool send(const QByteArray& line);
    // Writes what is queued as far as the socket takes it.
    bool flush();
    bool wantsWrite() const { return !m_out.isEmpty() || stage == Stage::Connecting; }

    struct Read {
        bool open = true;
        bool kernelStamp = false;
        std::int64_t stampNs = 0; // realtime of the last bytes read
        std::int64_t bytes = 0;
        bool more = false; // the area was filled: more may be waiting
    };
    // One read of what is waiting, its complete lines appended to `lines`,
    // all stamped alike (a line over the protocol's limit closes the
    // connection, as it would the service's own peers).
    Read read(char* area, std::size_t size, QList<QByteArray>& lines);
    void close();

    int fd() const { return m_fd; }
    bool closed() const { return stage == Stage::Closed; }
    QString sourceText() const;

    const Role role;
    const int index; // hosts: their table; others: their place among all clients
    const int slot;
    const std::uint32_t source;
    Stage stage = Stage::Waiting;
    bool inFlight = false;       // counted against the worker's setup pace
    bool closedByUs = false;     // the generator ended it, not the service
    std::int64_t lastSentNs = 0; // steady; a PING when silent too long
    int snapshotTables = 0;      // TABLE lines before LISTED
    // A resolver's open question.
    bool asking = false;
    bool askedKnown = false;
    int asked = 0;
    int askedTable = -1;
    std::int64_t askedNs = 0;   // realtime
    std::int64_t nextAskNs = 0; // steady
    QString askedCode;

private:
    void setEvents(int epollFd);

    int m_fd = -1;
    int m_epollFd = -1;
    bool m_writeWatched = false;
    QByteArray m_in;
    QByteArray m_out;
};
