#include "messages.h"
#include "protocol.h"

#include <gtest/gtest.h>

namespace {
QByteArray ff(const char* text) {
    return QByteArray(text) + '\xFF';
}
} // namespace

TEST(WireClientMessages, ExactBytes) {
    EXPECT_EQ(wire::logininfo(3, "1.0.4", "Te+ster"), ff("CMD_logininfo+3+1.0.4+Te+ster"));
    EXPECT_EQ(wire::kickhim(1, 7), ff("CMD_kickhim+1+7+"));
    EXPECT_EQ(wire::chat(2, "a+b", "clRed"), ff("CMD_chat+2+a+b|clRed"));
    EXPECT_EQ(wire::action(2, "says: hi", "$00FF0000"), ff("CMD_action+2+says: hi|$00FF0000"));
    EXPECT_EQ(wire::startgame("Host", "5", "60", "6", "1"), ff("CMD_startgame+Host+5+60+6+1+"));
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
    EXPECT_EQ(wire::loadstats(s),
              ff("CMD_loadstats+8+5+60+8+2+0+TR+-3+1+0+2+7+3+14+4+21+5+28+6+35"));
}

TEST(WireMessages, BuiltMessagesRoundTripThroughCuttingAndFields) {
    QByteArray stream = wire::sendword(2, "crisp") + wire::chat(1, "1+1=2", "clLime") +
                        wire::logininfo(9, "1.0.4", "A+B");
    QList<QByteArray> queue;
    EXPECT_EQ(wire::cutMessages(stream, queue), 3);
    auto word = wire::splitCommand(queue[0]);
    wire::FieldReader r(word.payload);
    EXPECT_EQ(word.command, "CMD_sendword");
    EXPECT_EQ(r.nextInt(), 2);
    EXPECT_EQ(r.next(), "crisp");

    auto chat = wire::splitCommand(queue[1]);
    wire::FieldReader c(chat.payload);
    EXPECT_EQ(c.nextInt(), 1);
    EXPECT_EQ(c.rest(), "1+1=2|clLime");

    auto login = wire::splitCommand(queue[2]);
    wire::FieldReader l(login.payload);
    EXPECT_EQ(l.nextInt(), 9);
    EXPECT_EQ(l.next(), "1.0.4");
    EXPECT_EQ(l.rest(), "A+B");
}
