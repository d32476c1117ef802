// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Every message of the wire protocol, built byte for byte.
//
// Each builder returns the complete message, terminator 0xFF included, ready
// for one call of TSock::Send. Text fields are wire bytes (Windows-1252, see
// wire::encode); they are copied as they are, nothing is escaped. Number fields
// are written as plain decimal text.
//
// Notation below: literal text in quotes, fields in <angle brackets>, FF the
// terminator. A field described as "the rest" is the last one and may itself
// hold "+"; every other field ends at the next "+".
//
// Client to server, in the order the server's dispatcher tests them:
//   "CMD_logininfo+" <number> "+" <version> "+" <name> FF
//       Answer to CMD_sendlogininfo. <version> is kVersion; <name> is the rest.
//       The client's own login name text already ends in FF, so what the client
//       really sends ends in two terminators; the receiver sees an empty message
//       after the login and ignores it.
//   "CMD_kickhim+" <number> "+" <target> "+" FF
//       The host (number 1) removes player <target>.
//   "CMD_chat+" <number> "+" <text> "|" <colour> FF
//   "CMD_action+" <number> "+" <text> "|" <colour> FF
//       A chat line, or an action ("/me ...", a phrase button). The server
//       relays everything after <number> "+" as one piece.
//   "CMD_startgame+" <starter> "+" <rounds> "+" <seconds> "+" <length choice> "+"
//       <show words> "+" FF
//       From the host's game start window. <rounds> and <seconds> as typed;
//       <length choice> "0" no limit, "1".."5" words of 3..7 letters, "6"
//       random; <show words> "1" everybody sees every word, "0" only the finder.
//   "CMD_sendword+" <number> "+" <word> "+" FF      a word as typed
//   "CMD_giveup+" <number> "+" FF
//   "CMD_playasound+" <number> "+wave" <sound> "+" FF     <sound> 1..20
//
// Server to clients:
//   "CMD_full+" FF                          to a tenth connection, then closed
//   "CMD_sendlogininfo+" <number> FF        no "+" after the number
//   "CMD_newplayerinfo+" <number> "+" <name> FF        to everybody on a login
//   "CMD_existingplayers+" <number> "+" <name> FF      to a newcomer, per player
//   "CMD_havewrongversion+" <name> FF       to player 1: <name>'s version differs
//   "CMD_wrongversion+" FF                  to that newcomer
//   "CMD_loadstats+" <number> "+" <rounds> "+" <seconds> "+" <length setting> "+"
//       <round> "+" <round length> "+" <prefix> "+" <time left>, then for seats
//       1..6 "+" <seat> "+" <score>, then FF. To a newcomer during a game;
//       <time left> is the round's countdown minus 5 and may be 0 or negative;
//       0 while no round runs (the pause between rounds, a game over).
//   "CMD_playerdisconnected+" <number> "+" <name> FF    to the others
//   "CMD_chat+" <name> " chats: " <text> "|" <colour> FF
//   "CMD_action+" <name> " " <text> "|" <colour> FF
//   "CMD_playasound+" <number> "+wave" <sound> "+" FF
//       Relays to everybody; the server copies the client's rest unchanged.
//   "CMD_startgame+" <starter> "+" <rounds> "+" <seconds> "+" <length setting> "+" FF
//       <length setting> "0" no limit, "3".."7" letters, "8" random per round.
//   "CMD_startround+" <round> "+" <seconds> "+" <round length> "+" <prefix> "+"
//       <turn> "+" <starter word> "+" FF
//       <round length> "0" or "3".."7"; <prefix> 1..3 upper-case letters;
//       <turn> the receiver's own number for seats, "1" for spies.
//   "CMD_notvalid+" <number> "+" <code> "+" FF
//       To the sender of a rejected word. <code> "0" wrong length, "1" not in
//       the dictionary, "2" already taken this round, "3" wrong prefix.
//   "CMD_gotword+" <number> "+" <word> "+" <points> "+" FF
//   "CMD_endround", then for seats 1..6 "+" <seat> "+" <score> "+" <game words>
//       "+" <round words> "+" <round points>, then FF: thirty fields, and no
//       "+" of its own after the command name.
//   "CMD_winner+" <number> "+" FF
//
// Every message either side reads is taken apart by its reader in readers.h.

#include "gamestartchoice.h"
#include "version.h"

#include <QByteArray>

#include <array>

namespace wire {

// Command names, compared exactly (letter case counts).
namespace cmd {
inline constexpr char logininfo[] = "CMD_logininfo";
inline constexpr char kickhim[] = "CMD_kickhim";
inline constexpr char chat[] = "CMD_chat";
inline constexpr char action[] = "CMD_action";
inline constexpr char startgame[] = "CMD_startgame";
inline constexpr char sendword[] = "CMD_sendword";
inline constexpr char giveup[] = "CMD_giveup";
inline constexpr char playasound[] = "CMD_playasound";
inline constexpr char full[] = "CMD_full";
inline constexpr char sendlogininfo[] = "CMD_sendlogininfo";
inline constexpr char newplayerinfo[] = "CMD_newplayerinfo";
inline constexpr char existingplayers[] = "CMD_existingplayers";
inline constexpr char havewrongversion[] = "CMD_havewrongversion";
inline constexpr char wrongversion[] = "CMD_wrongversion";
inline constexpr char loadstats[] = "CMD_loadstats";
inline constexpr char playerdisconnected[] = "CMD_playerdisconnected";
inline constexpr char startround[] = "CMD_startround";
inline constexpr char notvalid[] = "CMD_notvalid";
inline constexpr char gotword[] = "CMD_gotword";
inline constexpr char endround[] = "CMD_endround";
inline constexpr char winner[] = "CMD_winner";
} // namespace cmd

// ---- client to server ----
QByteArray logininfo(int number, const QByteArray& version, const QByteArray& name);
QByteArray kickhim(int number, int target);
QByteArray chat(int number, const QByteArray& text, const QByteArray& colour);
QByteArray action(int number, const QByteArray& text, const QByteArray& colour);
QByteArray startgame(const QByteArray& starter, const QByteArray& rounds, const QByteArray& seconds,
                     const QByteArray& lengthChoice, const QByteArray& showWords);
// The game start window's message: the choice's numbers in decimal, <show words>
// "1" or "0". `starter` is copied as it is (the window keeps "+" out of it).
QByteArray startgame(const QByteArray& starter, const GameStartChoice& choice);
QByteArray sendword(int number, const QByteArray& word);
QByteArray giveup(int number);
QByteArray playasound(int number, int sound);

// ---- server to clients ----
QByteArray full();
QByteArray sendlogininfo(int number);
QByteArray newplayerinfo(int number, const QByteArray& name);
QByteArray existingplayers(int number, const QByteArray& name);
QByteArray havewrongversion(const QByteArray& name);
QByteArray wrongversion();

struct SeatScore {
    int seat = 0;
    int score = 0;
};
struct LoadStats {
    int number = 0;
    int rounds = 0;
    int seconds = 0;
    int lengthSetting = 0;
    int round = 0;
    int roundLength = 0;
    QByteArray prefix;
    int timeLeft = 0;
    std::array<SeatScore, 6> seats{};
};
QByteArray loadstats(const LoadStats& stats);

QByteArray playerdisconnected(int number, const QByteArray& name);
// Relays: `rest` is what the client sent after its number and "+".
QByteArray chatRelay(const QByteArray& name, const QByteArray& rest);
QByteArray actionRelay(const QByteArray& name, const QByteArray& rest);
QByteArray playasoundRelay(int number, const QByteArray& rest);
QByteArray startgameAnnounce(const QByteArray& starter, int rounds, int seconds, int lengthSetting);
QByteArray startround(int round, int seconds, int roundLength, const QByteArray& prefix, int turn,
                      const QByteArray& starterWord);
QByteArray notvalid(int number, int code);
QByteArray gotword(int number, const QByteArray& word, int points);

struct RoundReport {
    int seat = 0;
    int score = 0;
    int gameWords = 0;
    int roundWords = 0;
    int roundPoints = 0;
};
QByteArray endround(const std::array<RoundReport, 6>& seats);
QByteArray winner(int number);

} // namespace wire
