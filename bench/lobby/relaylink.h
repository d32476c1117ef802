// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One TCP connection of the relay bench's load generator (relay_load): a
// plain non-blocking IPv4 socket, bound before it connects to a loopback
// source address of the generator's choosing, so that the service's limits
// per address see hosts and players spread over many addresses as they would
// be behind many routers; or one a table's game port accepted. What the
// socket does not take at once waits in a queue and goes as it drains. The
// generator reads the bytes itself and decides what they are (a lobby line,
// the relay's JOINED, or the game's own bytes).

#include "loadsocket.h"

#include <QByteArray>

#include <cstddef>
#include <cstdint>
#include <sys/types.h>

class RelayLink {
public:
    enum class Role : std::uint8_t {
        Control,       // a table's host, speaking the lobby protocol
        HostEnd,       // the host's connection for one player, with its ticket
        Joiner,        // a player coming through the relay
        DirectJoiner,  // a player connecting to the table's game port itself
        DirectHostEnd, // that connection as the table's game port took it
        GamePort,      // a table's listening game port
    };
    enum class Stage : std::uint8_t {
        Idle,       // not started
        Connecting, // connect() under way
        Opening,    // its first line sent; the service's answer not read yet
        Open,       // a control link welcomed, or a game connection passing bytes
        Closed,
    };
    // What a game connection does with the game's bytes.
    enum class Mode : std::uint8_t {
        Echo,   // a host's end: answers each word it is sent
        Talk,   // a player: sends a word now and then, checks the answer
        Source, // sends the bulk pattern
        Sink,   // reads the bulk pattern and checks it
    };

    RelayLink(Role role, int index, int table, std::uint32_t source);
    ~RelayLink();
    RelayLink(const RelayLink&) = delete;
    RelayLink& operator=(const RelayLink&) = delete;

    // Starts connecting to address:port (host order) and joins `epollFd`;
    // false, and Closed, when the socket could not even be made.
    bool connectTo(std::uint32_t address, std::uint16_t port, int epollFd);
    // Listens on source:0 (the system picks the port); false when it cannot.
    bool listen(int epollFd);
    // Takes a connection a game port accepted.
    bool adopt(int fd, int epollFd);
    // The connect finished: true when it succeeded.
    bool finishConnect();

    // Queues the bytes behind what waits; false when the connection is gone.
    bool send(const QByteArray& bytes);
    // Writes what is queued as far as the socket takes it.
    bool flush();
    // Writes without queueing: the bytes the socket took, or -1 when it failed.
    ssize_t writeSome(const char* data, std::size_t size);
    // Whether the loop should tell it when the socket takes more.
    void wantWrites(bool on);
    // One read: bytes read, 0 at the peer's end, -1 on failure, -2 when
    // nothing is waiting.
    ssize_t receive(char* area, std::size_t size);
    // Our end of the stream (FIN) once the queue is out; reading goes on.
    void shutdownWrites();
    void close();

    int fd() const { return m_fd; }
    bool closed() const { return stage == Stage::Closed; }
    std::uint16_t localPort() const;

    const Role role;
    const int index; // its place among the links of its kind
    const int table; // the table it belongs to
    const std::uint32_t source;
    Stage stage = Stage::Idle;
    Mode mode = Mode::Echo;
    bool closedByUs = false;
    bool peerEnded = false; // the peer's FIN or reset arrived
    QByteArray in;          // bytes of a line or message not complete yet
    QByteArray opening;     // its first line, sent once connected

    // Talk: the word it sends, the question open, and how they fared.
    QByteArray word;
    int seat = 1;
    std::int64_t askedNs = 0;     // 0: no question open
    std::int64_t roundTripNs = 0; // of the last question answered
    std::int64_t nextTalkNs = 0;
    std::int64_t asked = 0, answered = 0, wrong = 0;
    // Source and Sink: bytes so far, and when the first and last went.
    std::int64_t bulkBytes = 0;
    std::int64_t bulkLimit = 0; // Source: at most this many
    std::int64_t firstNs = 0, lastNs = 0;
    std::int64_t corrupt = 0; // Sink: reads that did not match the pattern
    bool bulkDone = false;    // Source: all sent and its end given

private:
    void watch();

    int m_fd = -1;
    int m_epollFd = -1;
    bool m_writes = false; // the owner wants to hear of room
    bool m_watchingOut = false;
    QByteArray m_out;
    bool m_shutdownPending = false;
};
