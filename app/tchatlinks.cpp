// SPDX-License-Identifier: GPL-3.0-or-later
// What the game model and the chat ask of the main window: sounds under the
// options, lines in the chat pane, focus, the tally and the settings.

#include "boardpanel.h"
#include "settingscontroller.h"
#include "soundplayer.h"
#include "tchat.h"
#include "tphrases.h"
#include "ttallylist.h"

#include <QAbstractButton>
#include <QLineEdit>

#include <exception>

void Tchat::playsounds(const QString& name) {
    if (m_settings->preferences().playSounds)
        m_sounds->play(name);
}

bool Tchat::newTurnSound() const {
    return m_settings->preferences().turnSound == TurnSound::New;
}

void Tchat::systemLine(const QString& text) {
    addlinetochat(text, m_state.systemcolour);
}

// The focus moves only in the active window: another program's window keeps
// the keyboard. A line being typed in the chat entry keeps it too.
void Tchat::focusWordEntry() {
    if (!isActiveWindow())
        return;
    const QLineEdit* entry = m_board->mychat();
    const QString typed = entry->text();
    if (entry->hasFocus() && !typed.isEmpty() &&
        typed != QLatin1String(ChatController::kEntryPrompt))
        return;
    m_board->focusWordEntry();
}

void Tchat::ownArrival() {
    m_settings->loadinifile();
}

// A tally cell that holds no number (a damaged tally file) is the tally's
// fault, not the host's: it is shown, and not counted against the host as an
// unreadable message would be.
void Tchat::tallyWordFound() {
    if (!m_windows.tally)
        return;
    try {
        m_windows.tally->addtomineincrease(4);
    } catch (const std::exception& e) {
        showErrorBox(QString::fromLocal8Bit(e.what()));
    }
}

void Tchat::tallyHighScore(int total, const QString& text) {
    if (m_windows.tally)
        m_windows.tally->offerHighScore(total, text);
}

void Tchat::tallyGame(bool ownWin, const QString& winner) {
    if (!m_windows.tally)
        return;
    try {
        m_windows.tally->addgame(ownWin ? TallyWinner::me() : TallyWinner::opponent(winner));
    } catch (const std::exception& e) {
        showErrorBox(QString::fromLocal8Bit(e.what()));
    }
}

void Tchat::loadchecklist() {
    if (m_windows.tally)
        m_windows.tally->setPlayersInGame(m_model.playersInGame());
}

int Tchat::ownNumber() const {
    return m_model.mynumber();
}

bool Tchat::loggedIn() const {
    return m_model.loggedin();
}

const Preferences& Tchat::preferences() const {
    return m_settings->preferences();
}

quint32 Tchat::systemColour() const {
    return m_state.systemcolour;
}

void Tchat::playSound(const QString& name) {
    m_sounds->play(name);
}

std::optional<QString> Tchat::seatNameByNumberText(const QString& number) const {
    return m_model.seatNameByNumberText(number);
}

void Tchat::showPhraseEditor(const QStringList& phrases) {
    if (!m_windows.phrases)
        return;
    m_windows.phrases->setPhrases(phrases);
    m_windows.phrases->show();
}
