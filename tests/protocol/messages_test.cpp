// SPDX-License-Identifier: GPL-3.0-or-later
#include "messages.h"
#include "protocol.h"
#include "readers.h"
#include "version.h"

#include <gtest/gtest.h>

namespace {

QByteArray ff(const QByteArray& text) {
    return text + '\xFF';
}

// A late joiner's game as the server sends it: every field set, a round length
// of 0 (no limit), time left below zero and the last seat's score not 0.
wire::LoadStats sampleLoadStats() {
    wire::LoadStats s;
    s.number = 8;
    s.rounds = 5;
    s.seconds = 60;
    s.lengthSetting = 8;
    s.round = 2;
    s.roundLength = 0;
    s.prefix = "TR";
    s.timeLeft = -3;
    for (int i = 0; i < 6; ++i)
        s.seats[i] = {i + 1, i * 7};
    return s;
}

} // namespace

TEST(WireClientMessages, ExactBytes) {
    EXPECT_EQ(wire::logininfo(3, wire::kVersion, "Te+ster"),
              ff("CMD_logininfo+3+" + QByteArray(wire::kVersion) + "+Te+ster"));
    EXPECT_EQ(wire::kickhim(1, 7), ff("CMD_kickhim+1+7+"));
    EXPECT_EQ(wire::chat(2, "a+b", "clRed"), ff("CMD_chat+2+a+b|clRed"));
    EXPECT_EQ(wire::action(2, "says: hi", "$00FF0000"), ff("CMD_action+2+says: hi|$00FF0000"));
    EXPECT_EQ(wire::startgame("Host", "5", "60", "6", "1"), ff("CMD_startgame+Host+5+60+6+1+"));
    EXPECT_EQ(wire::startgame("You", GameStartChoice{}), ff("CMD_startgame+You+5+60+6+1+"));
    EXPECT_EQ(wire::startgame("Host", GameStartChoice{7, 45, 2, false}),
              ff("CMD_startgame+Host+7+45+2+0+"));
    EXPECT_EQ(wire::sendword(4, "brisk"), ff("CMD_sendword+4+brisk+"));
    EXPECT_EQ(wire::giveup(5), ff("CMD_giveup+5+"));
    EXPECT_EQ(wire::playasound(6, 13), ff("CMD_playasound+6+wave13+"));
}

TEST(WireServerMessages, ExactBytes) {
    EXPECT_EQ(wire::full(), ff("CMD_full+"));
    EXPECT_EQ(wire::sendlogininfo(3), ff("CMD_sendlogininfo+3"));
    EXPECT_EQ(wire::newplayerinfo(7, "Spy+One"), ff("CMD_newplayerinfo+7+Spy+One"));
    EXPECT_EQ(wire::existingplayers(1, ""), ff("CMD_existingplayers+1+"));
    EXPECT_EQ(wire::havewrongversion("Old"), ff("CMD_havewrongversion+Old"));
    EXPECT_EQ(wire::wrongversion(), ff("CMD_wrongversion+"));
    EXPECT_EQ(wire::playerdisconnected(2, "Bob"), ff("CMD_playerdisconnected+2+Bob"));
    EXPECT_EQ(wire::chatRelay("Bob", "a+b|clRed"), ff("CMD_chat+Bob chats: a+b|clRed"));
    EXPECT_EQ(wire::actionRelay("Bob", "waves|clBlue"), ff("CMD_action+Bob waves|clBlue"));
    EXPECT_EQ(wire::playasoundRelay(2, "wave3+"), ff("CMD_playasound+2+wave3+"));
    EXPECT_EQ(wire::startgameAnnounce("Host", 5, 60, 8), ff("CMD_startgame+Host+5+60+8+"));
    EXPECT_EQ(wire::startround(6, 60, 5, "BR", 1, "BRISK"),
              ff("CMD_startround+6+60+5+BR+1+BRISK+"));
    EXPECT_EQ(wire::notvalid(3, 2), ff("CMD_notvalid+3+2+"));
    EXPECT_EQ(wire::gotword(2, "BRISK", 5), ff("CMD_gotword+2+BRISK+5+"));
    EXPECT_EQ(wire::winner(4), ff("CMD_winner+4+"));
}

TEST(WireServerMessages, EndRoundCarriesThirtyFields) {
    std::array<wire::RoundReport, 6> seats{};
    for (int i = 0; i < 6; ++i)
        seats[i] = {i + 1, 10 * (i + 1), i, i % 2, i * 3};
    const QByteArray msg = wire::endround(seats);
    EXPECT_EQ(msg, ff("CMD_endround+1+10+0+0+0+2+20+1+1+3+3+30+2+0+6+4+40+3+1+9+5+50+4+0+12"
                      "+6+60+5+1+15"));
    EXPECT_TRUE(msg.startsWith("CMD_endround+1+"));
    const auto split = wire::splitCommand(msg.chopped(1));
    EXPECT_EQ(split.command, "CMD_endround");
    EXPECT_EQ(split.payload.count('+'), 29);
}

TEST(WireServerMessages, LoadStatsLayout) {
    EXPECT_EQ(wire::loadstats(sampleLoadStats()),
              ff("CMD_loadstats+8+5+60+8+2+0+TR+-3+1+0+2+7+3+14+4+21+5+28+6+35"));
}

namespace {
// A built message as its receiver sees it: cut from the stream, then split.
wire::Split received(const QByteArray& built, const char* command) {
    QByteArray stream = built;
    QList<QByteArray> queue;
    EXPECT_EQ(wire::cutMessages(stream, queue), 1);
    const wire::Split split = wire::splitCommand(queue.value(0));
    EXPECT_EQ(split.command, command);
    return split;
}
} // namespace

// Every message either side sends reads back, through the reader its receiver
// uses, as what was put in.
TEST(WireMessages, ClientMessagesReadBackOnTheServer) {
    const auto login = wire::readLogininfo(
        received(wire::logininfo(9, wire::kVersion, "A+B"), "CMD_logininfo").payload);
    EXPECT_EQ(login.number, 9);
    EXPECT_EQ(login.version, wire::kVersion);
    EXPECT_EQ(login.name, "A+B");
    const auto kick = wire::readKickhim(received(wire::kickhim(1, 7), "CMD_kickhim").payload);
    EXPECT_EQ(kick.number, 1);
    EXPECT_EQ(kick.target, 7);
    const auto chat =
        wire::readRelay(received(wire::chat(1, "1+1=2", "clLime"), "CMD_chat").payload);
    EXPECT_EQ(chat.number, 1);
    EXPECT_EQ(chat.rest, "1+1=2|clLime");
    EXPECT_EQ(wire::readRelay(received(wire::playasound(3, 13), "CMD_playasound").payload).rest,
              "wave13+");
    const auto start = wire::readStartgameRequest(
        received(wire::startgame("Host", "x", "45", "2", "0"), "CMD_startgame").payload);
    EXPECT_EQ(start.starter, "Host");
    EXPECT_FALSE(start.rounds.has_value());
    EXPECT_EQ(start.seconds, 45);
    EXPECT_EQ(start.lengthChoice, 2);
    EXPECT_EQ(start.showWords, "0");
    EXPECT_THROW(wire::readStartgameRequest("Host+5+60+six+1+"), wire::EConvertError);
    const auto word =
        wire::readSendword(received(wire::sendword(2, "crisp"), "CMD_sendword").payload);
    EXPECT_EQ(word.number, 2);
    EXPECT_EQ(word.word, "crisp");
    EXPECT_EQ(wire::readGiveup(received(wire::giveup(5), "CMD_giveup").payload), 5);
    EXPECT_THROW(wire::readGiveup("five+"), wire::EConvertError);
}

TEST(WireMessages, ServerMessagesReadBackOnTheClient) {
    EXPECT_EQ(
        wire::readSendlogininfo(received(wire::sendlogininfo(3), "CMD_sendlogininfo").payload), 3);
    const auto arrival = wire::readPlayerNotice(
        received(wire::newplayerinfo(7, "Spy+One"), "CMD_newplayerinfo").payload);
    EXPECT_EQ(arrival.number, 7);
    EXPECT_EQ(arrival.numberText, "7");
    EXPECT_EQ(arrival.name, "Spy+One");
    EXPECT_EQ(wire::readPlayerNotice("02").number, 2); // no name at all
    EXPECT_EQ(wire::readPlayerNotice("02").numberText, "02");
    const auto line =
        wire::readChatLine(received(wire::chatRelay("Bob", "a|b+c|clRed"), "CMD_chat").payload);
    EXPECT_EQ(line.line, "Bob chats: a|b+c");
    EXPECT_EQ(line.colour, QByteArray("clRed"));
    EXPECT_FALSE(wire::readChatLine("no colour").colour.has_value());
    const auto game = wire::readStartgameAnnounce(
        received(wire::startgameAnnounce("Host", 5, 60, 8), "CMD_startgame").payload);
    EXPECT_EQ(game.starter, "Host");
    EXPECT_EQ(game.rounds, 5);
    EXPECT_EQ(game.seconds, 60);
    EXPECT_EQ(game.lengthSetting, "8");
    const auto round = wire::readStartround(
        received(wire::startround(6, 60, 5, "BR", 1, "BRISK"), "CMD_startround").payload);
    EXPECT_EQ(round.round, 6);
    EXPECT_EQ(round.seconds, 60);
    EXPECT_EQ(round.roundLength, "5");
    EXPECT_EQ(round.prefix, "BR");
    EXPECT_EQ(round.turn, 1);
    EXPECT_EQ(round.starterWord, "BRISK");
    const auto got =
        wire::readGotword(received(wire::gotword(2, "BRISK", 5), "CMD_gotword").payload);
    EXPECT_EQ(got.number, 2);
    EXPECT_EQ(got.word, "BRISK");
    EXPECT_EQ(got.points, "5");
    EXPECT_EQ(wire::readNotvalid(received(wire::notvalid(3, 2), "CMD_notvalid").payload, 3), 2);
    EXPECT_FALSE(wire::readNotvalid("4+x+", 3).has_value()); // not ours: not read further
    EXPECT_THROW(wire::readNotvalid("3+x+", 3), wire::EConvertError);
    EXPECT_EQ(wire::readWinner(received(wire::winner(4), "CMD_winner").payload), 4);
    const auto sound = wire::readSoundNotice(
        received(wire::playasoundRelay(2, "wave3+"), "CMD_playasound").payload);
    EXPECT_EQ(sound.number, "2");
    EXPECT_EQ(sound.sound, "wave3");
}

TEST(WireMessages, LoadStatsAndEndRoundReadBack) {
    const QByteArray payload =
        received(wire::loadstats(sampleLoadStats()), "CMD_loadstats").payload;
    EXPECT_FALSE(wire::readLoadstats(payload, 7).has_value());
    const auto state = wire::readLoadstats(payload, 8);
    ASSERT_TRUE(state.has_value());
    EXPECT_EQ(state->rounds, 5);
    EXPECT_EQ(state->lengthSetting, "8");
    EXPECT_EQ(state->roundLength, "0");
    EXPECT_EQ(state->prefix, "TR");
    EXPECT_EQ(state->timeLeft, -3);
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(state->scores[i].seat, i + 1);
        EXPECT_EQ(state->scores[i].score, QByteArray::number(i * 7)); // the last one too
    }

    std::array<wire::RoundReport, 6> seats{};
    for (int i = 0; i < 6; ++i)
        seats[i] = {i + 1, 10 * (i + 1), i, i % 2, i * 3};
    const auto records =
        wire::readEndround(received(wire::endround(seats), "CMD_endround").payload);
    ASSERT_EQ(records.size(), 6);
    EXPECT_EQ(records[5].seat, 6);
    EXPECT_EQ(records[5].total, 60);
    EXPECT_EQ(records[5].gameWords, "5");
    EXPECT_EQ(records[5].roundWords, "1");
    EXPECT_EQ(records[5].roundPoints, "15");
    // A short last record reads empty fields; a record that is not a number stops it all.
    EXPECT_EQ(wire::readEndround("9+2").size(), 1);
    EXPECT_THROW(wire::readEndround("1+2+0+0+0+x+3"), wire::EConvertError);
}
