// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A player's end of the wire, kept as raw as possible: a plain non-blocking
// IPv4 socket that sends bytes exactly as given and cuts what it receives at
// the terminator. Tests use it to speak to a TServer over real loopback.

#include <QByteArray>
#include <QList>

#include <cstdint>

class RawClient {
public:
    // receiveBuffer > 0 sets the socket's receive buffer before connecting;
    // sourceHost > 0 connects from 127.0.0.<sourceHost> (the server tells
    // peers apart by address), else from the system's choice, 127.0.0.1.
    explicit RawClient(std::uint16_t port, int receiveBuffer = 0, std::uint8_t sourceHost = 0);
    ~RawClient();
    RawClient(const RawClient&) = delete;
    RawClient& operator=(const RawClient&) = delete;

    bool isOpen() const { return m_fd != -1; }
    // Sends everything, waiting for room when the socket is full.
    void send(const QByteArray& bytes);
    // Takes whatever has arrived; answers true when anything new came.
    bool poll();

    // Every message received so far, without terminators, in order.
    QList<QByteArray> messages;
    // Messages not yet taken by next().
    qsizetype unread() const { return messages.size() - m_taken; }
    QByteArray next() { return m_taken < messages.size() ? messages[m_taken++] : QByteArray(); }
    // Messages whose command (the text before the first "+") is `command`.
    QList<QByteArray> withCommand(const QByteArray& command) const;
    bool has(const QByteArray& message) const { return messages.contains(message); }

    bool peerClosed() const { return m_peerClosed; }
    // Orderly close (FIN).
    void close();
    // Abortive close: the server sees a reset.
    void reset();
    // Stops taking data out of the socket (poll() then does nothing).
    void stopReading() { m_reading = false; }
    bool isReading() const { return m_reading && m_fd != -1 && !m_peerClosed; }

private:
    std::intptr_t m_fd = -1; // a system socket (sysock::Handle)
    QByteArray m_buffer;
    qsizetype m_taken = 0;
    bool m_peerClosed = false;
    bool m_reading = true;
};
