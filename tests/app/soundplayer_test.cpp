// SPDX-License-Identifier: GPL-3.0-or-later
// The program's own sounds: every name the board and the chatter menu play is
// a small mono 16-bit WAVE resource, and the player hands names to its recorder.

#include "soundplayer.h"

#include <QFile>
#include <QSignalSpy>
#ifndef _WIN32
#include <QSoundEffect>
#endif
#include <QtEndian>

#include <gtest/gtest.h>

namespace {

QStringList soundNames() {
    QStringList names{"entered", "turn", "turnnew", "goodwordme", "goodwordthem",
                      "error1",  "time", "timeup",  "gameover"};
    for (int k = 1; k <= 20; ++k)
        names << QStringLiteral("wave%1").arg(k);
    return names;
}

TEST(Sounds, EveryNameIsASmallWaveResource) {
    for (const QString& name : soundNames()) {
        SCOPED_TRACE(name.toStdString());
        QFile f(":/sounds/" + name + ".wav");
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        const QByteArray wav = f.readAll();
        ASSERT_GT(wav.size(), 44);
        EXPECT_EQ(wav.left(4), "RIFF");
        EXPECT_EQ(wav.mid(8, 8), "WAVEfmt ");
        const auto u16 = [&](int at) { return qFromLittleEndian<quint16>(wav.constData() + at); };
        const auto u32 = [&](int at) { return qFromLittleEndian<quint32>(wav.constData() + at); };
        EXPECT_EQ(u16(20), 1) << "PCM";
        EXPECT_EQ(u16(22), 1) << "mono";
        EXPECT_LE(u32(24), 22050u) << "sample rate";
        EXPECT_EQ(u16(34), 16) << "bits";
        const double seconds = double(wav.size() - 44) / (u32(24) * 2);
        EXPECT_GT(seconds, 0.02);
        EXPECT_LT(seconds, 3.0);
    }
}

TEST(Sounds, EverySoundLoadsIntoASoundEffect) {
#ifdef _WIN32
    GTEST_SKIP() << "Windows plays the sounds with the system's own player, not Qt Multimedia";
#else
    for (const QString& name : soundNames()) {
        QSoundEffect effect;
        QSignalSpy changed(&effect, &QSoundEffect::statusChanged);
        effect.setSource(QUrl("qrc:/sounds/" + name + ".wav"));
        for (int i = 0; i < 50 && effect.status() == QSoundEffect::Loading; ++i)
            changed.wait(100);
        EXPECT_EQ(effect.status(), QSoundEffect::Ready) << name.toStdString();
    }
#endif
}

TEST(Sounds, RecorderReceivesEveryPlay) {
    SoundPlayer player;
    QStringList played;
    player.recorder = [&](const QString& name) { played << name; };
    player.play("turn");
    player.play("wave13");
    EXPECT_EQ(played, (QStringList{"turn", "wave13"}));
}

} // namespace
