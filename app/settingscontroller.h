// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The player's preferences (preferences.h) while the main window runs: read from
// the settings file when the server announces the player's own arrival, changed
// by the Options menu and the other windows, saved at each change and, when the
// window moved, at closing. A save writes only the keys that were read from the
// file or changed by the player in this run: a copy that ends before the
// player's arrival (a full game, a host gone) leaves the stored choices alone.
// Views (the menus, the chat pane, the phrase buttons,
// the game start window) show `preferences()` on `changed` and never keep a
// value of their own.

#include "preferences.h"

#include <QColor>
#include <QObject>
#include <QRect>
#include <QString>

#include <array>
#include <functional>
#include <optional>

class QWidget;

class SettingsController : public QObject {
    Q_OBJECT
public:
    // `window` is the main window, whose place and size are stored; `section`
    // is the game's section of the file at `filePath`.
    SettingsController(QWidget& window, QString filePath, QString section,
                       QObject* parent = nullptr);
    ~SettingsController() override;

    const Preferences& preferences() const { return m_prefs; }
    QString filePath() const;
    // The bounds last read from or written to the file; none before either.
    std::optional<QRect> loadedBounds() const { return m_loaded; }

    // Puts the window at its first place and size (those of "Reset Screen
    // Location"); closing it there before the file was read writes nothing.
    void placeAtStart();
    void loadinifile();
    // Writes the keys read or changed so far, with the window's current place
    // and size (which count as changed once the window moved).
    void saveinifile();
    // The keys a save writes now.
    StoredKeys knownKeys() const { return m_known; }
    // FormClose: saves when the window's bounds differ from the loaded ones.
    void formClose();

    // Options menu: each change is saved at once.
    void setPlaySounds(bool on);
    void setChatterSounds(bool on);
    void setTurnSound(TurnSound sound);
    void setPause(RoundPause pause);
    void setBotPace(BotPace pace);
    void setTextSize(int size);
    void setShowMissedWords(bool on);
    // "High Contrast Colours": writes its own key and no other.
    void setHighContrast(bool on);
    // "Text Color": a cancelled dialog changes and saves nothing. "Action
    // Color": saved whether the dialog was confirmed or cancelled.
    void TextColor1Click();
    void ActionColor1Click();
    // Moves the window to its first place and size; saved only at closing.
    void ResetScreenLocation1Click();
    // Not stored.
    void setScrollChatOff(bool on);

    // The game start window's choice: rounds, seconds and word length are
    // stored with the next save (a game start); the word list is not stored,
    // and a choice that changes none of the three marks nothing to be written.
    void setGameStart(const GameStartChoice& choice);
    // The phrase editor's Done: the nine "Phrase" keys are written every time.
    void setPhrases(const std::array<QString, 9>& phrases);

    // The colour dialog; answers nothing when cancelled. Tests replace it.
    std::function<std::optional<QColor>(const QColor& current)> chooseColour;
    // The screen's work area; by default that of the window's screen.
    std::function<QRect()> workArea;

signals:
    void changed(const Preferences& prefs);

private:
    QRect windowBounds() const;
    void place(const QRect& bounds);
    void update(const std::function<void(Preferences&)>& change, StoredKeys keys, bool save);
    void save(const QRect& bounds);
    // The bounds closing compares with: the loaded ones, else the first ones.
    QRect referenceBounds() const { return m_loaded.value_or(m_startBounds); }

    QWidget& m_window;
    QString m_path;
    QString m_section;
    Preferences m_prefs;
    std::optional<QRect> m_loaded;
    QRect m_startBounds;
    StoredKeys m_known;
};
