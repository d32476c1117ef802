// SPDX-License-Identifier: GPL-3.0-or-later
#include "messages.h"

#include "protocol.h"

#include <initializer_list>

namespace wire {

namespace {

// Joins the pieces and appends the terminator. Pieces carry their own "+".
QByteArray build(std::initializer_list<QByteArray> pieces) {
    QByteArray out;
    for (const QByteArray& p : pieces)
        out += p;
    out += kTerminator;
    return out;
}

QByteArray n(int value) {
    return fromInt(value);
}

} // namespace

QByteArray logininfo(int number, const QByteArray& version, const QByteArray& name) {
    return build({cmd::logininfo, "+", n(number), "+", version, "+", name});
}

QByteArray kickhim(int number, int target) {
    return build({cmd::kickhim, "+", n(number), "+", n(target), "+"});
}

QByteArray chat(int number, const QByteArray& text, const QByteArray& colour) {
    return build({cmd::chat, "+", n(number), "+", text, "|", colour});
}

QByteArray action(int number, const QByteArray& text, const QByteArray& colour) {
    return build({cmd::action, "+", n(number), "+", text, "|", colour});
}

QByteArray startgame(const QByteArray& starter, const QByteArray& rounds, const QByteArray& seconds,
                     const QByteArray& lengthChoice, const QByteArray& showWords) {
    return build({cmd::startgame, "+", starter, "+", rounds, "+", seconds, "+", lengthChoice, "+",
                  showWords, "+"});
}

QByteArray startgame(const QByteArray& starter, const GameStartChoice& choice) {
    return startgame(starter, n(choice.rounds), n(choice.seconds), n(choice.lengthChoice),
                     choice.showWordList ? "1" : "0");
}

QByteArray sendword(int number, const QByteArray& word) {
    return build({cmd::sendword, "+", n(number), "+", word, "+"});
}

QByteArray giveup(int number) {
    return build({cmd::giveup, "+", n(number), "+"});
}

QByteArray playasound(int number, int sound) {
    return build({cmd::playasound, "+", n(number), "+wave", n(sound), "+"});
}

QByteArray full() {
    return build({cmd::full, "+"});
}

QByteArray sendlogininfo(int number) {
    return build({cmd::sendlogininfo, "+", n(number)});
}

QByteArray newplayerinfo(int number, const QByteArray& name) {
    return build({cmd::newplayerinfo, "+", n(number), "+", name});
}

QByteArray existingplayers(int number, const QByteArray& name) {
    return build({cmd::existingplayers, "+", n(number), "+", name});
}

QByteArray havewrongversion(const QByteArray& name) {
    return build({cmd::havewrongversion, "+", name});
}

QByteArray wrongversion() {
    return build({cmd::wrongversion, "+"});
}

QByteArray loadstats(const LoadStats& s) {
    QByteArray out = QByteArray(cmd::loadstats) + "+" + n(s.number) + "+" + n(s.rounds) + "+" +
                     n(s.seconds) + "+" + n(s.lengthSetting) + "+" + n(s.round) + "+" +
                     n(s.roundLength) + "+" + s.prefix + "+" + n(s.timeLeft);
    for (const SeatScore& seat : s.seats)
        out += "+" + n(seat.seat) + "+" + n(seat.score);
    return build({out});
}

QByteArray playerdisconnected(int number, const QByteArray& name) {
    return build({cmd::playerdisconnected, "+", n(number), "+", name});
}

QByteArray chatRelay(const QByteArray& name, const QByteArray& rest) {
    return build({cmd::chat, "+", name, " chats: ", rest});
}

QByteArray actionRelay(const QByteArray& name, const QByteArray& rest) {
    return build({cmd::action, "+", name, " ", rest});
}

QByteArray playasoundRelay(int number, const QByteArray& rest) {
    return build({cmd::playasound, "+", n(number), "+", rest});
}

QByteArray startgameAnnounce(const QByteArray& starter, int rounds, int seconds,
                             int lengthSetting) {
    return build({cmd::startgame, "+", starter, "+", n(rounds), "+", n(seconds), "+",
                  n(lengthSetting), "+"});
}

QByteArray startround(int round, int seconds, int roundLength, const QByteArray& prefix, int turn,
                      const QByteArray& starterWord) {
    return build({cmd::startround, "+", n(round), "+", n(seconds), "+", n(roundLength), "+", prefix,
                  "+", n(turn), "+", starterWord, "+"});
}

QByteArray notvalid(int number, int code) {
    return build({cmd::notvalid, "+", n(number), "+", n(code), "+"});
}

QByteArray gotword(int number, const QByteArray& word, int points) {
    return build({cmd::gotword, "+", n(number), "+", word, "+", n(points), "+"});
}

QByteArray endround(const std::array<RoundReport, 6>& seats) {
    QByteArray out = cmd::endround;
    for (const RoundReport& r : seats)
        out += "+" + n(r.seat) + "+" + n(r.score) + "+" + n(r.gameWords) + "+" + n(r.roundWords) +
               "+" + n(r.roundPoints);
    return build({out});
}

QByteArray winner(int number) {
    return build({cmd::winner, "+", n(number), "+"});
}

} // namespace wire
