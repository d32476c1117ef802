// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What one peer may make the lobby service hold, and what it costs it to try.
//
// The service serves thousands of connections from one thread, so no peer may
// make it do much work or hold much memory for long. Each limit below is far
// beyond what a person in the lobby (or a game hosting a table) ever does: a
// client says HELLO, NAME, WATCH and ENTER once, a chat line now and then, and
// a host sends a STATE at most once a second and a PING every 10 s. Only a
// broken or hostile program reaches one. A peer that does is sent BYE (where a
// line can still reach it) and closed; a flooder's or guesser's address is
// refused new connections for a minute.
//
// Load generators: put at most kMaxConnectionsPerAddress clients on one source
// address (127.x.y.z addresses are all loopback) and open them no faster than
// kMaxConnectsPerAddress per kConnectWindowMs from each.

#include <QtGlobal>

namespace servicelimits {

// A connection that has not said HELLO by then is sent BYE "late". The lobby
// and the game say it as soon as they are connected.
constexpr qint64 kLoginGraceMs = 10'000;

// Lines of one connection: kMaxLinesPerSecond sustained, with a burst of
// kLineBurst (a client's opening, or lines a stalled network releases at
// once). A connection above that rate is sent BYE "flood". A person's client
// sends a handful of lines a minute.
constexpr int kMaxLinesPerSecond = 5;
constexpr int kLineBurst = 30;

// Complete lines held while an earlier request of the same connection waits
// for the shared store (answers keep their order). More than this is a
// client that does not wait for anything: flooding.
constexpr int kMaxHeldLines = 32;

// Requests refused with ERROR (malformed, unknown, or not allowed now): a
// burst of kBadRequestBurst, then one per kBadRequestRefillMs. Beyond that
// the connection is sent BYE "flood". A client of a newer protocol may try a
// request this service does not know now and then; a script probing it does
// so without end.
constexpr int kBadRequestBurst = 20;
constexpr qint64 kBadRequestRefillMs = 3'000;

// Chat: at most kChatBurst lines (or changes of name while in the chat, which
// every entered client hears too) within kChatWindowMs; a line over that gets
// ERROR "say" asking to slow down. After kChatStrikes such refusals (one is
// forgiven every kChatStrikeRefillMs) the next cuts the sayer off as a flooder.
constexpr int kChatBurst = 5;
constexpr qint64 kChatWindowMs = 10'000;
constexpr int kChatStrikes = 10;
constexpr qint64 kChatStrikeRefillMs = 6'000;

// Invite codes are about 40 bits: safe as long as nobody may try many. A
// connection gets at most kMaxUnknownPerConnection UNKNOWN answers within
// kUnknownWindowMs, an address (all its connections together)
// kMaxUnknownPerAddress; past that the connection is cut off ("flood") and its
// address refused for kRefusalMs. A player mistypes a code a few times at most.
constexpr int kMaxUnknownPerConnection = 10;
constexpr int kMaxUnknownPerAddress = 30;
constexpr qint64 kUnknownWindowMs = 60'000;

// A hosting connection pings every lobbywire::kHostPingSeconds (10 s); one
// silent for longer than lobbywire::kHostSilenceSeconds (25 s) is sent BYE
// "silent" and its table leaves the directory (checked every second, so within
// 26 s). Any other connection silent for kIdleMs is let go the same way: the
// clients ping after 20 s without sending, and a vanished peer would otherwise
// keep its memory here until TCP gave up on it.
constexpr qint64 kIdleMs = 90'000;

// Bytes written to one connection that its peer has not read yet. The largest
// single write is a WATCH answer: 2,000 tables at about 100 bytes each, or a
// full chat's HERE lines. A client that lets more than this pile up is not
// reading and is closed (no BYE: it would not read that either).
constexpr qsizetype kMaxUnsentBytes = 4 * 1024 * 1024;

// Connections at once: from one address (players behind one router, a school
// or a café: a few dozen at most), and in all (each holds a file descriptor
// and a little memory; the service also stays below its open-files limit).
// Over either, a newcomer is sent BYE "busy".
constexpr int kMaxConnectionsPerAddress = 32;
constexpr int kMaxConnections = 30'000;

// Reconnects: an address that opens more than kMaxConnectsPerAddress
// connections within kConnectWindowMs is refused (closed without a word) for
// kRefusalMs; so is one cut off for flooding or guessing. A person's program
// reconnects after a loss with a growing wait; an invite look-up opens one
// connection each.
constexpr int kMaxConnectsPerAddress = 48;
constexpr qint64 kConnectWindowMs = 10'000;
constexpr qint64 kRefusalMs = 60'000;

// Directory changes are gathered this long and sent to every watcher in one
// write: a table that changed several times in between is sent once, as it
// is now.
constexpr qint64 kBatchMs = 200;

// Chat lines kept for newcomers to the chat.
constexpr int kChatHistory = 20;

// The relay. A table seats six players and three spies, and a player who
// drops may come back while the old connection lingers: a few more than nine
// relays per table, joined or waiting. Players of one address (a house, a
// café) are few; a script opening relay after relay to tie up hosts is not.
// The host's own connections for its players count towards neither.
constexpr int kMaxRelaysPerTable = 12;
constexpr int kMaxRelaysPerAddress = 16;
// Bytes waiting to be written to one end of a relay: past this the other end
// is not read until they drain, so a player who stops reading costs the
// service this much and no more, and the sender is slowed down by TCP.
constexpr qsizetype kRelayBufferBytes = 256 * 1024;
// Game bytes a waiting player may send before its table's host takes it (a
// game client sends nothing before the server speaks).
constexpr qsizetype kMaxEarlyBytes = 16 * 1024;
// Tests from outside asked for by PORT: a host's router changes its mapping
// rarely; a host that asks more often is refused a test for a while.
constexpr int kMaxProbesPerWindow = 6;
constexpr qint64 kProbeWindowMs = 60'000;
// ARMED must come this soon after PROBE.
constexpr qint64 kArmMs = 5'000;

} // namespace servicelimits
