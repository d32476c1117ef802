// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// State of the main window that its parts (start-up, dispatch, board, chat,
// settings) share. It lives as long as the main window. Who this player is and
// the game itself live in the GameModel; the phrase gate in the ChatController.

#include <QByteArray>
#include <QString>

struct ClientState {
    QString gamename = QStringLiteral("Vorlix");
    int seatcount = 6;               // player numbers 1..6 are seats, 7..9 spies
    QString playername;              // name this copy logs in with
    QString hostip;                  // address of the host to join
    QByteArray loginstring;          // playername (Windows-1252) + 0xFF
    quint32 systemcolour = 0xFF0000; // 00BBGGRR: blue, for the program's own chat lines
};
