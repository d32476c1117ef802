// SPDX-License-Identifier: GPL-3.0-or-later
// Every message either side builds, read back by the reader of the side that
// receives it: the same numbers and texts must come out, and relayed messages
// (chat, action, sounds) must survive the server's relay too.
//
// The input gives the numbers (four bytes each) and texts (up to the next
// 0xFF, the terminator, which no text field can hold). Fields that are not
// "the rest" of their message cannot hold "+" either (the protocol escapes
// nothing), nor a chat colour "|": those bytes are taken out of such fields,
// as the program's callers ensure.

#include "fuzzing.h"
#include "messages.h"
#include "protocol.h"
#include "readers.h"

namespace {

using wire::toInt;

class Values {
public:
    Values(const uint8_t* data, std::size_t size) : m_input(data, size) {}

    int number() { return int(int32_t(m_input.u32())); }
    // Any text a field may hold; `rest` fields may hold "+".
    QByteArray text(bool rest = false) {
        const std::string_view t = m_input.until(0xFF, 64);
        QByteArray bytes(t.data(), qsizetype(t.size()));
        if (!rest)
            bytes.replace('+', "");
        return bytes;
    }
    QByteArray colour() { return text().replace('|', ""); }

private:
    fuzzing::Input m_input;
};

// The one message in `built`, as the receiver splits it.
wire::Split received(const QByteArray& built, const char* command) {
    QByteArray buffer = built;
    QList<QByteArray> queue;
    FUZZ_CHECK(wire::cutMessages(buffer, queue) == 1 && buffer.isEmpty());
    const wire::Split split = wire::splitCommand(queue[0]);
    FUZZ_CHECK(split.command == command);
    return split;
}

void clientToServer(Values& v) {
    const int number = v.number();
    {
        const QByteArray version = v.text(), name = v.text(true);
        const auto m = wire::readLogininfo(
            received(wire::logininfo(number, version, name), wire::cmd::logininfo).payload);
        FUZZ_CHECK(m.number == number && m.version == version && m.name == name);
    }
    {
        const int target = v.number();
        const auto m =
            wire::readKickhim(received(wire::kickhim(number, target), "CMD_kickhim").payload);
        FUZZ_CHECK(m.number == number && m.target == target);
    }
    {
        // A chat line through the server's relay to the other clients.
        const QByteArray text = v.text(true), colour = v.colour(), name = v.text(true);
        const auto relay =
            wire::readRelay(received(wire::chat(number, text, colour), "CMD_chat").payload);
        FUZZ_CHECK(relay.number == number && relay.rest == text + '|' + colour);
        const auto line =
            wire::readChatLine(received(wire::chatRelay(name, relay.rest), "CMD_chat").payload);
        FUZZ_CHECK(line.line == name + " chats: " + text && line.colour == colour);
        const auto act =
            wire::readRelay(received(wire::action(number, text, colour), "CMD_action").payload);
        FUZZ_CHECK(act.number == number && act.rest == text + '|' + colour);
        const auto shown =
            wire::readChatLine(received(wire::actionRelay(name, act.rest), "CMD_action").payload);
        FUZZ_CHECK(shown.line == name + ' ' + text && shown.colour == colour);
    }
    {
        const QByteArray starter = v.text(), rounds = v.text(), seconds = v.text(),
                         showWords = v.text();
        const int length = v.number();
        const auto m = wire::readStartgameRequest(
            received(wire::startgame(starter, rounds, seconds, wire::fromInt(length), showWords),
                     "CMD_startgame")
                .payload);
        FUZZ_CHECK(m.starter == starter && m.lengthChoice == length && m.showWords == showWords);
        int value = 0;
        FUZZ_CHECK(m.rounds ==
                   (wire::tryToInt(rounds, value) ? std::optional(value) : std::nullopt));
        FUZZ_CHECK(m.seconds ==
                   (wire::tryToInt(seconds, value) ? std::optional(value) : std::nullopt));
    }
    {
        const QByteArray word = v.text();
        const auto m =
            wire::readSendword(received(wire::sendword(number, word), "CMD_sendword").payload);
        FUZZ_CHECK(m.number == number && m.word == word);
        FUZZ_CHECK(wire::readGiveup(received(wire::giveup(number), "CMD_giveup").payload) ==
                   number);
    }
    {
        const int sound = v.number(), sender = v.number();
        const auto relay =
            wire::readRelay(received(wire::playasound(number, sound), "CMD_playasound").payload);
        FUZZ_CHECK(relay.number == number);
        const auto m = wire::readSoundNotice(
            received(wire::playasoundRelay(sender, relay.rest), "CMD_playasound").payload);
        FUZZ_CHECK(m.number == wire::fromInt(sender) && m.sound == "wave" + wire::fromInt(sound));
    }
}

void serverToClient(Values& v) {
    const int number = v.number();
    FUZZ_CHECK(received(wire::full(), "CMD_full").payload.isEmpty());
    FUZZ_CHECK(received(wire::wrongversion(), "CMD_wrongversion").payload.isEmpty());
    FUZZ_CHECK(wire::readSendlogininfo(
                   received(wire::sendlogininfo(number), "CMD_sendlogininfo").payload) == number);
    const QByteArray name = v.text(true);
    for (const auto& [built, command] :
         {std::pair{wire::newplayerinfo(number, name), "CMD_newplayerinfo"},
          std::pair{wire::existingplayers(number, name), "CMD_existingplayers"},
          std::pair{wire::playerdisconnected(number, name), "CMD_playerdisconnected"}}) {
        const auto m = wire::readPlayerNotice(received(built, command).payload);
        FUZZ_CHECK(m.number == number && m.numberText == wire::fromInt(number) && m.name == name);
    }
    FUZZ_CHECK(received(wire::havewrongversion(name), "CMD_havewrongversion").payload == name);

    wire::LoadStats s;
    s.number = number;
    s.rounds = v.number();
    s.seconds = v.number();
    s.lengthSetting = v.number();
    s.round = v.number();
    s.roundLength = v.number();
    s.prefix = v.text();
    s.timeLeft = v.number();
    for (auto& seat : s.seats)
        seat = {v.number(), v.number()};
    const QByteArray stats = received(wire::loadstats(s), "CMD_loadstats").payload;
    const auto state = wire::readLoadstats(stats, number);
    FUZZ_CHECK(state && !wire::readLoadstats(stats, number ^ 1));
    FUZZ_CHECK(state->rounds == s.rounds && state->seconds == s.seconds);
    FUZZ_CHECK(state->lengthSetting == wire::fromInt(s.lengthSetting) && state->round == s.round);
    FUZZ_CHECK(state->roundLength == wire::fromInt(s.roundLength) && state->prefix == s.prefix);
    FUZZ_CHECK(state->timeLeft == s.timeLeft);
    for (std::size_t i = 0; i < s.seats.size(); ++i) {
        FUZZ_CHECK(state->scores[i].seat == s.seats[i].seat);
        FUZZ_CHECK(state->scores[i].score == wire::fromInt(s.seats[i].score));
    }
}

void gameMessages(Values& v) {
    const QByteArray starter = v.text();
    const int rounds = v.number(), seconds = v.number(), length = v.number();
    const auto game = wire::readStartgameAnnounce(
        received(wire::startgameAnnounce(starter, rounds, seconds, length), "CMD_startgame")
            .payload);
    FUZZ_CHECK(game.starter == starter && game.rounds == rounds && game.seconds == seconds);
    FUZZ_CHECK(game.lengthSetting == wire::fromInt(length));

    const int round = v.number(), roundLength = v.number(), turn = v.number();
    const QByteArray prefix = v.text(), word = v.text();
    const auto start = wire::readStartround(
        received(wire::startround(round, seconds, roundLength, prefix, turn, word),
                 "CMD_startround")
            .payload);
    FUZZ_CHECK(start.round == round && start.seconds == seconds && start.turn == turn);
    FUZZ_CHECK(start.roundLength == wire::fromInt(roundLength) && start.prefix == prefix);
    FUZZ_CHECK(start.starterWord == word);

    const int number = v.number(), code = v.number();
    const QByteArray notvalid = received(wire::notvalid(number, code), "CMD_notvalid").payload;
    FUZZ_CHECK(wire::readNotvalid(notvalid, number) == code);
    FUZZ_CHECK(!wire::readNotvalid(notvalid, number ^ 1));
    const auto found =
        wire::readGotword(received(wire::gotword(number, word, code), "CMD_gotword").payload);
    FUZZ_CHECK(found.number == number && found.word == word && found.points == wire::fromInt(code));
    FUZZ_CHECK(wire::readWinner(received(wire::winner(number), "CMD_winner").payload) == number);

    std::array<wire::RoundReport, 6> seats;
    for (auto& r : seats)
        r = {v.number(), v.number(), v.number(), v.number(), v.number()};
    const auto records =
        wire::readEndround(received(wire::endround(seats), "CMD_endround").payload);
    FUZZ_CHECK(records.size() == 6);
    for (std::size_t i = 0; i < seats.size(); ++i) {
        const wire::SeatReport& r = records[qsizetype(i)];
        FUZZ_CHECK(r.seat == seats[i].seat && r.total == seats[i].score);
        FUZZ_CHECK(r.gameWords == wire::fromInt(seats[i].gameWords));
        FUZZ_CHECK(r.roundWords == wire::fromInt(seats[i].roundWords));
        FUZZ_CHECK(r.roundPoints == wire::fromInt(seats[i].roundPoints));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    Values values(data, size);
    clientToServer(values);
    serverToClient(values);
    gameMessages(values);
    return 0;
}
