// SPDX-License-Identifier: GPL-3.0-or-later
#include "tchatfixture.h"

#include <QAbstractButton>
#include <QFile>
#include <QLabel>

// The settings file takes effect when the server announces the player's own
// arrival, not before.
namespace {

constexpr quint16 kPort = 19060;

class ArrivalSettingsTest : public TchatFixture {
protected:
    void SetUp() override { startJoined(kPort); }
    QLabel* seat(int n) const { return chat->board()->playerNameLabel(n); }
};

} // namespace

TEST_F(ArrivalSettingsTest, OwnArrivalReadsTheSettings) {
    QFile ini(dir.filePath("kestrunlobby.ini"));
    ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
    ini.write("[Vorlix]\r\nPhrase1=Hello all\r\n");
    ini.close();
    login(3);
    EXPECT_EQ(chat->board()->phraseButton(1)->toolTip(), "Way To Go!");
    deliver(msg("CMD_newplayerinfo+3+Tester"));
    tick();
    EXPECT_EQ(lastLine(), "You are Connected.");
    EXPECT_EQ(seat(3)->text(), "Tester");
    EXPECT_EQ(chat->board()->phraseButton(1)->toolTip(), "Hello all");
}
