#pragma once
// What one peer may make the server hold, and what it costs it to try.
//
// The server serves every player from one thread and dispatches one message per
// 10 ms tick from a queue that all connections share, so a peer that floods it,
// never finishes a message or never reads its replies would otherwise grow the
// server's memory without bound and hold up everybody else. Each limit below is
// far beyond anything a person at the keyboard produces (a chat line is a few
// hundred bytes; a fast typist sends a handful of messages a second), so only a
// broken or hostile peer reaches one. A peer that does is disconnected and
// announced as gone like any departing player, and whatever of its messages is
// still waiting in the queue is dropped with it.

#include <QtGlobal>

namespace serverlimits {

// Bytes of one message, or of a message still waiting for its terminator. The
// two are the same limit so that the outcome never depends on how the network
// happened to split the stream.
constexpr qsizetype kMaxMessageBytes = 8 * 1024;

// Messages of one connection waiting in the shared queue. At one message per
// 10 ms tick this is about one second of everybody else's time.
constexpr int kMaxQueuedPerConnection = 100;

// Bytes written to one connection that its peer has not read yet. A game's
// whole traffic to one player is a few kilobytes a minute.
constexpr qsizetype kMaxUnreadOutgoing = 256 * 1024;

} // namespace serverlimits
