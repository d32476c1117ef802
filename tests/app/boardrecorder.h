// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A BoardHost that records what the board asks of the main window.

#include "boardhost.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

struct BoardRecorder : BoardHost {
    QList<QByteArray> sent;
    QStringList boxes;
    int gameStartShown = 0;

    void sendMessage(const QByteArray& message) override { sent << message; }
    void showGameStart() override { ++gameStartShown; }
    void messageBox(const QString& text) override { boxes << text; }
};
