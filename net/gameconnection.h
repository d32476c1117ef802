// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The socket options of a game connection, set on both ends: the host's
// accepted connections and every player's own connection (the host's own
// window included). The lobby link and the listener are not game connections.
//
// - TCP_NODELAY: every message goes out whole in one send, so there is nothing
//   for Nagle's algorithm to coalesce; with it on, a judged word that reaches
//   several players at once was held back 15 to 38 ms for the players whose own
//   word had just been acknowledged.
// - Keepalive and TCP_USER_TIMEOUT: a player whose network silently dies sends
//   no FIN and no reset. Without these the seat was kept for ever (no traffic)
//   or for about 16 minutes (traffic, the kernel's retransmission limit). With
//   them the kernel reports the connection as failed, the server frees and
//   announces the seat, and the player's window says the host is lost, in under
//   two minutes either way:
//     nothing waiting: the first probe after kKeepIdle (60 s) of silence, then
//       one every kKeepInterval (10 s); once the user timeout has passed since
//       the peer was last heard with a probe unanswered, Linux drops the
//       connection: about 90 to 100 s after the peer went.
//     data waiting: the user timeout (90 s) bounds the retransmissions, the
//       kernel clamps its last back-off to it: about 90 s.
//   A live player's window answers probes without any traffic of ours, so a
//   quiet player who only watches is never dropped. 60 s of idle keeps the
//   probes rare (one packet a minute per idle player); ten seconds between
//   probes and five of them ride out a short outage of Wi-Fi or a router.
//   Windows has the same keepalive options (TCP_KEEPIDLE and the others, on
//   Windows 10 and later) and bounds retransmissions in whole seconds
//   (TCP_MAXRT); a system without the options takes the two times through
//   SIO_KEEPALIVE_VALS, whose count is fixed at ten, with the interval made
//   short enough that the dead peer is still found in the same time.
//   gameconnection_posix.cpp and gameconnection_windows.cpp set them.

#include <cstdint>

namespace gameconnection {

constexpr int kKeepIdleSeconds = 60;
constexpr int kKeepIntervalSeconds = 10;
constexpr int kKeepCount = 5;
constexpr unsigned kUserTimeoutMs = 90'000;

// Sets the options on a TCP socket; false when the system refused one of them
// (the others are still set; the connection works without them).
bool apply(std::intptr_t socket);

// What the system reports for the options, for tests and diagnostics.
struct Options {
    bool noDelay = false;
    bool keepAlive = false;
    int keepIdleSeconds = 0;
    int keepIntervalSeconds = 0;
    int keepCount = 0;
    unsigned userTimeoutMs = 0;
};
Options read(std::intptr_t socket);

} // namespace gameconnection
