// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What one peer may make the server hold, and what it costs it to try.
//
// The server serves every player from one thread. Each connection has its own
// queue, and every 10 ms dispatch tick hands the game at most one message of
// each connection that has one waiting, in turn, so one peer's traffic never
// delays another's by more than a tick. A peer that floods, never finishes a
// message, never reads its replies or never logs in would still grow the
// server's memory or hold a seat and slow everybody down. Each limit below is
// far beyond anything a person at the keyboard produces (a chat line is a few
// hundred bytes; a fast typist sends a handful of messages a second and the
// phrase buttons allow one every two seconds), so only a broken or hostile
// peer reaches one. A peer that does is disconnected and announced as gone
// like any departing player, and whatever of its messages is still waiting is
// dropped with it.

#include <QtGlobal>

namespace serverlimits {

// Bytes of one message, or of a message still waiting for its terminator. The
// two are the same limit so that the outcome never depends on how the network
// happened to split the stream.
constexpr qsizetype kMaxMessageBytes = 8 * 1024;

// Messages of one connection waiting for their turn. At one message of each
// connection per 10 ms tick this is a second of that connection's own turns;
// the rate limit below trips long before a peer gets here unless it sends its
// messages in one burst.
constexpr int kMaxQueuedPerConnection = 100;

// Bytes written to one connection that its peer has not read yet. A game's
// whole traffic to one player is a few kilobytes a minute.
constexpr qsizetype kMaxUnreadOutgoing = 256 * 1024;

// Sustained messages of one connection. A connection may send
// kMaxMessagesPerSecond * kRateWindowMs / 1000 messages at once (40: a burst
// that a stalled network releases in one go) and kMaxMessagesPerSecond every
// second after that; one that keeps above that rate for the window is
// disconnected. Typing and the phrase buttons stay far below it; without this
// limit a peer at 90 messages a second, under the queue limit, held every
// other player's answers back for as long as it liked.
constexpr int kMaxMessagesPerSecond = 20;
constexpr qint64 kRateWindowMs = 2000;

// A connection that has not logged in by then is closed and its slot freed.
// The game's own window logs in as soon as it is given its number; without
// this, seven connections that never logged in kept every free slot and real
// players were told the game was full.
constexpr qint64 kLoginGraceMs = 30'000;

// An address that connects more than kMaxConnectsPerAddress times within
// kConnectWindowMs, or one of whose connections was disconnected for flooding
// (the rate, queue or message size limits), has its new connections refused
// for kRefusalMs; its connections already open stay. Nine players behind one
// router join well within ten connections; a dropped flooder used to come back
// 77 times in 10 s, every player hearing each arrival and departure.
constexpr int kMaxConnectsPerAddress = 10;
constexpr qint64 kConnectWindowMs = 10'000;
constexpr qint64 kRefusalMs = 60'000;

} // namespace serverlimits
