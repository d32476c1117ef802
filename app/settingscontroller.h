#pragma once
// The player's preferences in the settings file "kestrunlobby.ini", section
// "Vorlix": loadinifile / saveinifile and the Options menu items that change
// them. It works on the main window's named menu actions (objectNames such as
// "PlaySounds1", "BotSpeed1", "N10"), its geometry, the chat pane's font, the
// chat colours in ClientState, the phrase buttons and the game start window.

#include <QColor>
#include <QObject>
#include <QRect>
#include <QString>

#include <functional>
#include <optional>

class BoardPanel;
class QWidget;
class Tchat;
struct ClientState;

class SettingsController : public QObject {
    Q_OBJECT
public:
    // What the settings act on. The main window fills it from itself; tests
    // fill it with a window of their own that carries the named menu items.
    struct Target {
        QWidget* window = nullptr; // geometry; its menu actions are found by objectName
        ClientState* state = nullptr;
        BoardPanel* board = nullptr; // chat pane, chat entry, phrase buttons
        // The game start window's counters and word-length choice. Unset hooks,
        // or getters that answer nothing (no such window yet), keep the values
        // last read from the file.
        std::function<std::optional<int>()> rounds;
        std::function<void(int)> setRounds;
        std::function<std::optional<int>()> creationTime;
        std::function<void(int)> setCreationTime;
        std::function<std::optional<int>()> lengthChoice;
        std::function<void(const QString&)> checkimage;
        // The colour dialogs: answer the chosen colour, or nothing when cancelled.
        std::function<std::optional<QColor>(const QColor& current)> chooseColour;
        // The screen's work area; by default that of the window's screen.
        std::function<QRect()> workArea;
    };

    // filePath: the settings file's full path.
    SettingsController(Tchat& window, QString filePath);
    SettingsController(Target target, QString filePath);
    ~SettingsController() override;

    void loadinifile();
    void saveinifile();
    // FormClose: saves the bounds when they differ from the loaded ones.
    void formClose();

    QString filePath() const;
    // The bounds last read from or written to the file; none before either.
    std::optional<QRect> loadedBounds() const;

    // Options menu handlers (connected to the named menu items).
    void PlaySounds1Click();
    void PlayChatterSounds1Click();
    void TurnSoundClick(int tag);         // Classic1 (0), New1 (1)
    void TimeBetweenRoundsClick(int tag); // Long1 (17), Normal1 (12), Quick1 (10)
    void BotSpeedClick(int tag);          // Slow1 (2000), Normal2 (1200), Fast1 (750)
    void TextColor1Click();
    void ActionColor1Click();
    void TextSizeClick(int size); // N8, N10, N12, N14
    void ResetScreenLocation1Click();

private:
    struct Impl;
    Impl* d;
};
