// SPDX-License-Identifier: GPL-3.0-or-later
#include "soundplayer.h"

#include <QAudioDevice>
#include <QHash>
#include <QMediaDevices>
#include <QSoundEffect>
#include <QUrl>

struct SoundPlayer::Impl {
    QHash<QString, QSoundEffect*> effects;
    QSoundEffect* current = nullptr;
};

SoundPlayer::SoundPlayer(QObject* parent) : QObject(parent), d(new Impl) {}

SoundPlayer::~SoundPlayer() {
    delete d;
}

void SoundPlayer::play(const QString& name) {
    if (recorder) {
        recorder(name);
        return;
    }
    // Without an audio device there is nothing to play on; the game goes on silently.
    if (QMediaDevices::audioOutputs().isEmpty())
        return;
    QSoundEffect*& effect = d->effects[name];
    if (!effect) {
        effect = new QSoundEffect(this);
        effect->setSource(QUrl(QStringLiteral("qrc:/sounds/%1.wav").arg(name)));
    }
    if (d->current && d->current != effect)
        d->current->stop();
    effect->stop();
    effect->play();
    d->current = effect;
}
