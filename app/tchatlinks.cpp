// What the game model asks of the main window: sounds under the options, lines
// in the chat pane, focus, the tally and the settings.

#include "boardpanel.h"
#include "settingscontroller.h"
#include "soundplayer.h"
#include "tchat.h"
#include "ttallylist.h"

#include <QAction>
#include <QMenu>

bool Tchat::playSoundsChecked() const {
    return menuAction(QStringLiteral("PlaySounds1"))->isChecked();
}

int Tchat::turnSoundTag() const {
    return menu(QStringLiteral("TurnSound1"))->property("Tag").toInt();
}

void Tchat::playsounds(const QString& name) {
    if (playSoundsChecked())
        m_sounds->play(name);
}

bool Tchat::newTurnSound() const {
    return turnSoundTag() == 1;
}

void Tchat::systemLine(const QString& text) {
    addlinetochat(text, m_state.systemcolour);
}

// The focus moves only in the active window: another program's window keeps
// the keyboard.
void Tchat::focusWordEntry() {
    if (isActiveWindow())
        m_board->focusWordEntry();
}

void Tchat::focusChatEntry() {
    if (isActiveWindow())
        m_board->focusChatEntry();
}

void Tchat::ownArrival() {
    m_settings->loadinifile();
}

void Tchat::tallyWordFound() {
    if (m_windows.tally)
        m_windows.tally->addtomineincrease(4);
}

void Tchat::tallyHighScore(int total, const QString& text) {
    if (m_windows.tally)
        m_windows.tally->offerHighScore(total, text);
}

void Tchat::tallyGame(const QString& winner) {
    if (m_windows.tally)
        m_windows.tally->addgame(winner);
}

void Tchat::loadchecklist() {
    if (m_windows.tally)
        m_windows.tally->setPlayersInGame(m_model.playersInGame());
}
