// SPDX-License-Identifier: GPL-3.0-or-later
// The system's own player (PlaySound), from the sound's bytes in the
// resources: asynchronous, and a new sound stops the one still playing, as
// PlaySound does by itself. Without an audio device PlaySound fails quietly
// and the game goes on silently.

#include "soundplayer.h"

#include <QFile>
#include <QHash>

// windows.h first: mmsystem.h builds on its types.
#include <windows.h>

#include <mmsystem.h>

struct SoundPlayer::Impl {
    // PlaySound reads an asynchronous sound from memory while it plays: each
    // sound's bytes stay here for the life of the player.
    QHash<QString, QByteArray> bytes;
};

SoundPlayer::SoundPlayer(QObject* parent) : QObject(parent), d(new Impl) {}

SoundPlayer::~SoundPlayer() {
    ::PlaySoundW(nullptr, nullptr, 0); // stops what still plays from our bytes
    delete d;
}

void SoundPlayer::play(const QString& name) {
    if (recorder) {
        recorder(name);
        return;
    }
    QByteArray& wave = d->bytes[name];
    if (wave.isEmpty()) {
        QFile file(QStringLiteral(":/sounds/%1.wav").arg(name));
        if (!file.open(QIODevice::ReadOnly))
            return;
        wave = file.readAll();
    }
    ::PlaySoundW(reinterpret_cast<LPCWSTR>(wave.constData()), nullptr,
                 SND_MEMORY | SND_ASYNC | SND_NODEFAULT);
}
