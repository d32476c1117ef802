#pragma once
// State of the main window that its parts (start-up, dispatch, board, chat,
// settings) share. It lives as long as the main window.

#include <QByteArray>
#include <QString>

struct ClientState {
    QString gamename = QStringLiteral("Vorlix");
    int seatcount = 6;               // player numbers 1..6 are seats, 7..9 spies
    QString playername;              // name this copy logs in with
    QString hostip;                  // address of the host to join
    QByteArray loginstring;          // playername (Windows-1252) + 0xFF
    bool hosting = false;            // this copy runs the game server
    bool loggedin = false;           // the server has given us a number
    int mynumber = 0;                // own player number
    int whoseturn = 0;               // player whose turn the board shows, 0 = none
    int timeleft = 0;                // seconds left on the turn clock
    bool phraseok = true;            // phrase-button gate
    int phraseticks = 0;             // ticks counted while the gate is closed
    quint32 systemcolour = 0xFF0000; // 00BBGGRR: blue, for the program's own chat lines
};
