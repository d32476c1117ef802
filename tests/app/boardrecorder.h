#pragma once
// A BoardHost that records what the board asks of the main window.

#include "boardhost.h"
#include "clientstate.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

struct BoardRecorder : BoardHost {
    QList<QByteArray> sent;
    QStringList chatLines;
    QList<quint32> chatColours;
    QStringList sounds;
    QStringList boxes;
    int gameStartShown = 0;
    bool active = false;
    bool playSounds = true;
    int turnSound = 0;
    Ttallylist* tallyWindow = nullptr;

    void sendMessage(const QByteArray& message) override { sent << message; }
    void addlinetochat(const QString& text, quint32 colour) override {
        chatLines << text;
        chatColours << colour;
    }
    bool isMainWindowActive() const override { return active; }
    bool playSoundsChecked() const override { return playSounds; }
    int turnSoundTag() const override { return turnSound; }
    void playSound(const QString& name) override { sounds << name; }
    Ttallylist* tally() override { return tallyWindow; }
    void showGameStart() override { ++gameStartShown; }
    void messageBox(const QString& text) override { boxes << text; }
};
