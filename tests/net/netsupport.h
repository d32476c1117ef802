// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Helpers for socket tests: an event recorder for TSock, a bounded event-loop
// wait, and plain POSIX peers for the other end of a loopback connection.

#include "sysock.h"
#include "tsock.h"

#include <QStringList>

#include <cstdint>
#include <functional>
#include <memory>

#include <ostream>

// Readable failure output for Qt strings.
inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}
inline void PrintTo(const QByteArray& b, std::ostream* os) {
    *os << '"' << b.toStdString() << "\" (" << b.size() << " bytes)";
}

namespace nettest {

// Spins the event loop until pred() holds or timeoutMs passes; answers pred().
bool waitUntil(const std::function<bool()>& pred, int timeoutMs = 10000);
// Spins the event loop for a short while, to let events that should NOT come
// show themselves.
void settle(int ms = 100);
// Sleeps without running the event loop, so socket events pile up unseen.
void sleepWithoutEvents(int ms);

// Records every report and event of one or more TSocks, in order, as lines:
// "Lookup: Lookup Of Port 7772", "OnConnect", "OnRead 5", ...
// The record outlives the Recorder, so an instance destroyed later (reporting
// "Socket Closed" from its destructor) never writes into freed memory.
struct Recorder {
    struct Record {
        QStringList lines;
        QList<TSock*> senders;
        QList<TSockReport> reports; // the typed reports, in order
    };
    std::shared_ptr<Record> record = std::make_shared<Record>();
    QStringList& lines = record->lines;
    QList<TSock*>& senders = record->senders; // the sender of each line
    QList<TSockReport>& reports = record->reports;
    void attach(TSock& s, bool withInfo = true);
    int count(const QString& line) const { return lines.count(line); }
    bool has(const QString& line) const { return lines.contains(line); }
};

// A plain socket on 127.0.0.1. Every call that could block is bounded by poll.
class RawSocket {
public:
    RawSocket() = default;
    explicit RawSocket(sysock::Handle fd) : m_fd(fd) {}
    RawSocket(RawSocket&& o) noexcept : m_fd(o.m_fd) { o.m_fd = sysock::kNone; }
    RawSocket& operator=(RawSocket&& o) noexcept;
    ~RawSocket();

    static RawSocket listener();  // listening on an ephemeral port
    static RawSocket boundOnly(); // bound, not listening: connects are refused
    static RawSocket connectTo(std::uint16_t port);

    bool valid() const { return m_fd != sysock::kNone; }
    std::uint16_t port() const;
    RawSocket accept(int timeoutMs = 10000);
    void sendAll(const QByteArray& data);
    // Reads whatever is there now without waiting.
    QByteArray readAvailable();
    // True once the other end's close has arrived and everything was read.
    bool sawEnd();
    // Spins the event loop while reading until `total` bytes came.
    QByteArray readExactly(qsizetype total, int timeoutMs = 30000);
    void close();
    void resetClose(); // SO_LINGER {1, 0}: the peer sees a reset

private:
    sysock::Handle m_fd = sysock::kNone;
};

// Restores the default name service when a test ends.
struct ResolverGuard {
    ~ResolverGuard() {
        TSock::setHostResolver(nullptr);
        TSock::clearHostCache();
    }
};

} // namespace nettest
