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
    return build({"CMD_logininfo+", n(number), "+", version, "+", name});
}

QByteArray kickhim(int number, int target) {
    return build({"CMD_kickhim+", n(number), "+", n(target), "+"});
}

QByteArray chat(int number, const QByteArray& text, const QByteArray& colour) {
    return build({"CMD_chat+", n(number), "+", text, "|", colour});
}

QByteArray action(int number, const QByteArray& text, const QByteArray& colour) {
    return build({"CMD_action+", n(number), "+", text, "|", colour});
}

QByteArray startgame(const QByteArray& starter, const QByteArray& rounds, const QByteArray& seconds,
                     const QByteArray& lengthChoice, const QByteArray& showWords) {
    return build({"CMD_startgame+", starter, "+", rounds, "+", seconds, "+", lengthChoice, "+",
                  showWords, "+"});
}

QByteArray sendword(int number, const QByteArray& word) {
    return build({"CMD_sendword+", n(number), "+", word, "+"});
}

QByteArray giveup(int number) {
    return build({"CMD_giveup+", n(number), "+"});
}

QByteArray playasound(int number, int sound) {
    return build({"CMD_playasound+", n(number), "+wave", n(sound), "+"});
}

QByteArray full() {
    return build({"CMD_full+"});
}

QByteArray sendlogininfo(int number) {
    return build({"CMD_sendlogininfo+", n(number)});
}

QByteArray newplayerinfo(int number, const QByteArray& name) {
    return build({"CMD_newplayerinfo+", n(number), "+", name});
}

QByteArray existingplayers(int number, const QByteArray& name) {
    return build({"CMD_existingplayers+", n(number), "+", name});
}

QByteArray havewrongversion(const QByteArray& name) {
    return build({"CMD_havewrongversion+", name});
}

QByteArray wrongversion() {
    return build({"CMD_wrongversion+"});
}

QByteArray loadstats(const LoadStats& s) {
    QByteArray out = "CMD_loadstats+" + n(s.number) + "+" + n(s.rounds) + "+" + n(s.seconds) + "+" +
                     n(s.lengthSetting) + "+" + n(s.round) + "+" + n(s.roundLength) + "+" +
                     s.prefix + "+" + n(s.timeLeft);
    for (const SeatScore& seat : s.seats)
        out += "+" + n(seat.seat) + "+" + n(seat.score);
    return build({out});
}

QByteArray playerdisconnected(int number, const QByteArray& name) {
    return build({"CMD_playerdisconnected+", n(number), "+", name});
}

QByteArray chatRelay(const QByteArray& name, const QByteArray& rest) {
    return build({"CMD_chat+", name, " chats: ", rest});
}

QByteArray actionRelay(const QByteArray& name, const QByteArray& rest) {
    return build({"CMD_action+", name, " ", rest});
}

QByteArray playasoundRelay(int number, const QByteArray& rest) {
    return build({"CMD_playasound+", n(number), "+", rest});
}

QByteArray startgameAnnounce(const QByteArray& starter, int rounds, int seconds,
                             int lengthSetting) {
    return build(
        {"CMD_startgame+", starter, "+", n(rounds), "+", n(seconds), "+", n(lengthSetting), "+"});
}

QByteArray startround(int round, int seconds, int roundLength, const QByteArray& prefix, int turn,
                      const QByteArray& starterWord) {
    return build({"CMD_startround+", n(round), "+", n(seconds), "+", n(roundLength), "+", prefix,
                  "+", n(turn), "+", starterWord, "+"});
}

QByteArray notvalid(int number, int code) {
    return build({"CMD_notvalid+", n(number), "+", n(code), "+"});
}

QByteArray gotword(int number, const QByteArray& word, int points) {
    return build({"CMD_gotword+", n(number), "+", word, "+", n(points), "+"});
}

QByteArray endround(const std::array<RoundReport, 6>& seats) {
    QByteArray out = "CMD_endround";
    for (const RoundReport& r : seats)
        out += "+" + n(r.seat) + "+" + n(r.score) + "+" + n(r.gameWords) + "+" + n(r.roundWords) +
               "+" + n(r.roundPoints);
    return build({out});
}

QByteArray winner(int number) {
    return build({"CMD_winner+", n(number), "+"});
}

} // namespace wire
