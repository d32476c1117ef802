#pragma once
// What the board (BoardPanel) needs from the main window that owns it. The main
// window implements this; tests can implement it with a recorder.

#include <QByteArray>
#include <QString>

class Ttallylist;

class BoardHost {
public:
    virtual ~BoardHost() = default;
    // Sends one complete message (terminator included) on the game connection.
    virtual void sendMessage(const QByteArray& message) = 0;
    // Writes a line into the chat pane (bold up to the first ":").
    virtual void addlinetochat(const QString& text, quint32 colour) = 0;
    // True when the main window is the active window (focus moves only then).
    virtual bool isMainWindowActive() const = 0;
    // Options the board consults: "Play Sounds" checked, the "Turn Sound" tag (0/1).
    virtual bool playSoundsChecked() const = 0;
    virtual int turnSoundTag() const = 0;
    // Plays a sound resource by name (":/sounds/<name>.wav"); never fails.
    virtual void playSound(const QString& name) = 0;
    // The tally window (may be null in tests).
    virtual Ttallylist* tally() = 0;
    // Shows the game start window (host's START GAME / File > Start Game).
    virtual void showGameStart() = 0;
    // A modal message box with the given text (tests replace it).
    virtual void messageBox(const QString& text) = 0;
};
