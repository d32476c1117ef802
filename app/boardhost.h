// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the board (BoardPanel) needs from the main window that owns it for the
// player's own actions. The main window implements this; tests can implement
// it with a recorder.

#include <QByteArray>
#include <QString>

class BoardHost {
public:
    virtual ~BoardHost() = default;
    // Sends one complete message (terminator included) on the game connection.
    virtual void sendMessage(const QByteArray& message) = 0;
    // Shows the game start window (host's START GAME / File > Start Game).
    virtual void showGameStart() = 0;
    // A modal message box with the given text (tests replace it).
    virtual void messageBox(const QString& text) = 0;
};
