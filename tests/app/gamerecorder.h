// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A GameOutside that records what the game model makes happen outside itself.

#include "gamemodel.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <utility>

struct GameRecorder : GameOutside {
    QStringList sounds;
    QStringList lines;
    QStringList focus; // "word" or "chat"
    int arrivals = 0;
    int wordsFound = 0;
    QList<std::pair<int, QString>> highScores;
    QStringList games; // the winner's name, or "(own win)"
    bool turnSoundNew = false;

    // Forgets what was recorded; the setting stays.
    void clear() {
        const bool setting = turnSoundNew;
        *this = GameRecorder();
        turnSoundNew = setting;
    }

    void playsounds(const QString& name) override { sounds << name; }
    bool newTurnSound() const override { return turnSoundNew; }
    void systemLine(const QString& text) override { lines << text; }
    void focusWordEntry() override { focus << QStringLiteral("word"); }
    void ownArrival() override { ++arrivals; }
    void tallyWordFound() override { ++wordsFound; }
    void tallyHighScore(int total, const QString& text) override {
        highScores.append({total, text});
    }
    void tallyGame(bool ownWin, const QString& winner) override {
        games << (ownWin ? QStringLiteral("(own win)") : winner);
    }
};
