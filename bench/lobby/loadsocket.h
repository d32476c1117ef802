// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the two load generators' connections (lobby_load's LoadClient,
// relay_load's RelayLink) do alike: plain non-blocking IPv4 sockets on
// loopback, each bound before it connects to a source address of the
// generator's choosing, so that the service's limits per address see the
// clients spread over many addresses as they would be behind many routers;
// a queue written as far as the socket takes it; and the clocks the
// generators time with.

#include <QByteArray>

#include <cstdint>
#include <netinet/in.h>

// A monotonic clock in ns, for everything timed within one thread.
std::int64_t steadyNs();
// CLOCK_REALTIME in ns: the clock of the kernel's receive stamps, so that send
// and arrival times are comparable across threads.
std::int64_t realtimeNs();
// An IPv4 address in host order as dotted text.
QByteArray dottedAddress(std::uint32_t address);

namespace loadsocket {

// address:port (host order) as the socket calls take it.
sockaddr_in ipv4(std::uint32_t address, std::uint16_t port);
// A socket bound to `source` (host order; its port picked at connect(), per
// destination, so that thousands of connections of one address never run
// short of ports) and connecting to address:port, with TCP_NODELAY (a game
// sends a word as soon as it is typed; so does the bench) and, with
// `receiveStamps`, the kernel's receive times (SO_TIMESTAMPNS). -1 when the
// socket could not be made or the connect failed at once.
int connectFrom(std::uint32_t source, std::uint32_t address, std::uint16_t port,
                bool receiveStamps);
// The socket's events for the epoll set (`op` EPOLL_CTL_ADD or _MOD), told
// with `owner`; false when epoll refused.
bool watch(int epollFd, int op, int fd, std::uint32_t events, void* owner);
// connectFrom(), then added to the epoll set for reading, writing (the end of
// the connect) and the peer's end; -1, and nothing left open, when either
// failed.
int connectWatched(std::uint32_t source, std::uint32_t address, std::uint16_t port,
                   bool receiveStamps, int epollFd, void* owner);
// The connect of a socket from connectFrom() ended: true when it succeeded.
bool connected(int fd);
// Writes `out` from its front as far as the socket takes it, removing what
// went; false when the connection failed.
bool flush(int fd, QByteArray& out);
// Leaves the epoll set (when there is one) and closes; fd is -1 afterwards.
void close(int& fd, int epollFd);

} // namespace loadsocket
