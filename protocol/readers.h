// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The readers of every message either side receives: each takes a payload (the
// message after its command and first "+", see wire::splitCommand) and answers
// its fields, read the one way the protocol reads them (wire::FieldReader: a
// missing field reads empty; "the rest" is everything left, "+" included).
//
// A number field that does not convert raises wire::EConvertError before
// anything is answered. The client lets it reach the error box; the server
// drops the message. Text fields stay wire bytes (Windows-1252), and number
// fields that the client shows as received (scores, points, length settings)
// stay text too.
//
// The messages themselves are documented in messages.h.

#include <QByteArray>
#include <QList>

#include <array>
#include <optional>

namespace wire {

// ---- read by the server ----

// CMD_logininfo: <number> "+" <version> "+" <name: the rest>.
struct LoginInfo {
    int number = 0;
    QByteArray version;
    QByteArray name;
};
LoginInfo readLogininfo(const QByteArray& payload);

// CMD_kickhim: <number> "+" <target> "+".
struct KickRequest {
    int number = 0;
    int target = 0;
};
KickRequest readKickhim(const QByteArray& payload);

// CMD_chat, CMD_action and CMD_playasound from a client: <number> "+" and the
// rest, which the server relays unchanged.
struct RelayRequest {
    int number = 0;
    QByteArray rest;
};
RelayRequest readRelay(const QByteArray& payload);

// CMD_startgame from the host: the counts as typed, so the engine can apply its
// defaults to what is not a number; the length choice must be a number.
struct StartRequest {
    QByteArray starter;
    std::optional<int> rounds;
    std::optional<int> seconds;
    int lengthChoice = 0;
    QByteArray showWords;
};
StartRequest readStartgameRequest(const QByteArray& payload);

// CMD_sendword: <number> "+" <word> "+".
struct WordRequest {
    int number = 0;
    QByteArray word;
};
WordRequest readSendword(const QByteArray& payload);

// CMD_giveup: <number> "+". Answers the number.
int readGiveup(const QByteArray& payload);

// ---- read by the client ----

// CMD_sendlogininfo: the whole payload is the number.
int readSendlogininfo(const QByteArray& payload);

// CMD_newplayerinfo, CMD_existingplayers and CMD_playerdisconnected: the number
// before the first "+", the name after it (it may hold "+"). `numberText` is the
// number as it came: the departure of seat "2" is told by its text.
struct PlayerNotice {
    QByteArray numberText;
    int number = 0;
    QByteArray name;
};
PlayerNotice readPlayerNotice(const QByteArray& payload);

// CMD_chat and CMD_action from the server: the line, and the colour text after
// the last "|" (a colour text never holds one, a typed line may). No "|" at
// all: the whole payload is the line and there is no colour.
struct ChatLine {
    QByteArray line;
    std::optional<QByteArray> colour;
};
ChatLine readChatLine(const QByteArray& payload);

// CMD_startgame from the server.
struct GameAnnounce {
    QByteArray starter;
    int rounds = 0;
    int seconds = 0;
    QByteArray lengthSetting;
};
GameAnnounce readStartgameAnnounce(const QByteArray& payload);

// CMD_startround.
struct RoundStart {
    int round = 0;
    int seconds = 0;
    QByteArray roundLength;
    QByteArray prefix;
    int turn = 0;
    QByteArray starterWord;
};
RoundStart readStartround(const QByteArray& payload);

// CMD_loadstats, read only when it is meant for `me`: a message for another
// number answers nothing, whatever its other fields hold. A seat field that is
// not a number leaves its score unset; the last score, which has no "+" after
// it, is the rest of the message.
struct GameState {
    int rounds = 0;
    int seconds = 0;
    QByteArray lengthSetting;
    int round = 0;
    QByteArray roundLength;
    QByteArray prefix;
    int timeLeft = 0;
    struct Score {
        std::optional<int> seat;
        QByteArray score;
    };
    std::array<Score, 6> scores{};
};
std::optional<GameState> readLoadstats(const QByteArray& payload, int me);

// CMD_gotword.
struct FoundWord {
    int number = 0;
    QByteArray word;
    QByteArray points;
};
FoundWord readGotword(const QByteArray& payload);

// CMD_notvalid, read only when it is meant for `me`: answers the reason code.
std::optional<int> readNotvalid(const QByteArray& payload, int me);

// CMD_endround: records of five fields until the payload is used up. Each
// record's seat and total must be numbers; a seat outside 1..6 is kept here
// and left for the caller to skip.
struct SeatReport {
    int seat = 0;
    int total = 0;
    QByteArray totalText;
    QByteArray gameWords;
    QByteArray roundWords;
    QByteArray roundPoints;
};
QList<SeatReport> readEndround(const QByteArray& payload);

// CMD_winner: the winner's number.
int readWinner(const QByteArray& payload);

// CMD_playasound from the server: the sender's number and the sound's name, as
// texts (a chatter sound is shown only for a number and a name that match).
struct SoundNotice {
    QByteArray number;
    QByteArray sound;
};
SoundNotice readSoundNotice(const QByteArray& payload);

} // namespace wire
