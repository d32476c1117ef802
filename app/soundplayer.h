// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Plays the program's own sounds (":/sounds/<name>.wav") asynchronously; a new
// sound cuts off the one still playing. Without an audio device it plays nothing
// and works on. Tests can replace the output with a recorder.

#include <QObject>
#include <QString>

#include <functional>

class SoundPlayer : public QObject {
    Q_OBJECT
public:
    explicit SoundPlayer(QObject* parent = nullptr);
    ~SoundPlayer() override;
    void play(const QString& name);
    // When set, play() calls this instead of the audio output (tests).
    std::function<void(const QString&)> recorder;

private:
    struct Impl;
    Impl* d;
};
