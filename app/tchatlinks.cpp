// SPDX-License-Identifier: GPL-3.0-or-later
// What the game model and the chat ask of the main window: sounds under the
// options, lines in the chat pane, focus, the tally, the settings, and the chat's
// widgets and texts.

#include "boardpanel.h"
#include "settingscontroller.h"
#include "soundplayer.h"
#include "tchat.h"
#include "tphrases.h"
#include "ttallylist.h"

#include <QAbstractButton>
#include <QLineEdit>

#include <exception>

bool Tchat::playSoundsChecked() const {
    return m_settings->preferences().playSounds;
}

int Tchat::turnSoundTag() const {
    return int(m_settings->preferences().turnSound);
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

quint32 Tchat::textColour() const {
    return m_settings->preferences().textColour;
}

quint32 Tchat::actionColour() const {
    return m_settings->preferences().actionColour;
}

quint32 Tchat::systemColour() const {
    return m_state.systemcolour;
}

bool Tchat::playChatterSounds() const {
    return m_settings->preferences().chatterSounds;
}

bool Tchat::scrollChatOff() const {
    return m_settings->preferences().scrollChatOff;
}

void Tchat::playSound(const QString& name) {
    m_sounds->play(name);
}

QTextEdit* Tchat::chatPane() const {
    return m_board->mainchat();
}

QLineEdit* Tchat::chatEntry() const {
    return m_board->mychat();
}

QAbstractButton* Tchat::phraseButton(int n) const {
    return m_board->phraseButton(n);
}

QString Tchat::phraseText(int n) const {
    return n >= 1 && n <= 9 ? m_settings->preferences().phrases[n - 1] : QString();
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
