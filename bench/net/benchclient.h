// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One player's end of the wire for the load bench: a plain non-blocking IPv4
// socket bound to a loopback address of its own (so the server's per-address
// rules see each bench client apart), with TCP_NODELAY like the game's own
// window, cutting what arrives into messages stamped with their arrival time.

#include <QByteArray>
#include <QList>

#include <chrono>
#include <cstdint>

using BenchClock = std::chrono::steady_clock;
using Micros = std::int64_t;

inline Micros nowMicros() {
    return std::chrono::duration_cast<std::chrono::microseconds>(
               BenchClock::now().time_since_epoch())
        .count();
}

class BenchClient {
public:
    struct Arrival {
        QByteArray text; // without its terminator
        Micros at = 0;
    };

    // Connects from 127.0.0.<host> to 127.0.0.1:port; closed() when refused.
    BenchClient(int host, std::uint16_t port);
    ~BenchClient();
    BenchClient(const BenchClient&) = delete;
    BenchClient& operator=(const BenchClient&) = delete;

    int fd() const { return m_fd; }
    bool closed() const { return m_fd < 0; }
    Micros closedAt() const { return m_closedAt; }
    // Sends what the socket takes now; false when it took less (a flooder
    // whose server stopped reading) or the connection is gone.
    bool send(const QByteArray& bytes);
    // Reads everything waiting; new messages go to `arrivals`.
    void read();
    // Takes the messages that arrived since the last call.
    QList<Arrival> take();

    int number = 0; // the slot the server gave, 0 until then

private:
    void shut();

    int m_fd = -1;
    Micros m_closedAt = 0;
    QByteArray m_buffer;
    QList<Arrival> m_arrivals;
};
