#pragma once
// The player's preferences in the settings file "kestrunlobby.ini", section
// "Vorlix": loadinifile / saveinifile and the Options menu items that change
// them. It works on the main window's named menu actions (objectNames such as
// "PlaySounds1", "BotSpeed1", "N10"), its geometry, the chat pane's font, the
// chat colours in ClientState, the phrase buttons and the game start window.

#include <QObject>
#include <QRect>
#include <QString>

class Tchat;

class SettingsController : public QObject {
    Q_OBJECT
public:
    // filePath: the settings file's full path.
    SettingsController(Tchat& window, QString filePath);
    ~SettingsController() override;

    void loadinifile();
    void saveinifile();
    // FormClose: saves the bounds when they differ from the loaded ones.
    void formClose();

    QString filePath() const;

private:
    struct Impl;
    Impl* d;
};
