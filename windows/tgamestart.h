// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The game start window: the host picks the number of rounds, the time per
// round, the word length and whether everybody sees the word list, then
// presses the start picture, which sends "CMD_startgame" through `send`, hides
// the window and has the main window store its settings.
//
// The choices are one GameStartChoice that the window holds: its widgets show
// it and the player's changes go into it; the start message is built from it,
// never from what a widget shows. Created once and reused; the choice survives
// hiding. Enter starts the game and Escape closes the window.

#include "gamestartchoice.h"

#include <QDialog>

#include <array>
#include <functional>

class ClickablePicture;
class ImageList;
class QLineEdit;
class UpDown;

class Tgamestart : public QDialog {
    Q_OBJECT
public:
    explicit Tgamestart(QWidget* parent);

    const GameStartChoice& choice() const { return m_choice; }
    // Shows `choice`, rounds and seconds held within the arrows' limits and a
    // word length that is not one of the choices taken as Random.
    void setChoice(const GameStartChoice& choice);

    // Chooses word length `value` (0..6; anything else chooses Random) and
    // shows it checked, the other six unchecked.
    void checkimage(int value);

    // Handlers, callable directly. A click on the length already chosen
    // changes nothing.
    void image_letters6Click(int value);
    void image_showClick();
    void button_startClick();

    std::function<void(const QByteArray&)> send;
    std::function<QString()> playerName;
    // A game was started with the choice shown: it is to be stored.
    std::function<void()> saveSettings;

signals:
    // The player changed the choice (not reported for setChoice).
    void choiceChanged(const GameStartChoice& choice);

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void buildWindow();
    void drawCheck(ClickablePicture* picture, bool checked);
    void showChoice();
    void changeChoice(const GameStartChoice& choice);

    GameStartChoice m_choice;
    QLineEdit* edit_playtoscore = nullptr;
    QLineEdit* edit_creationtime = nullptr;
    UpDown* UpDown1 = nullptr;
    UpDown* UpDown2 = nullptr;
    ImageList* imagelist_checks = nullptr;
    ClickablePicture* image_show = nullptr;
    ClickablePicture* Image1 = nullptr;
    // image_letters0..6: word lengths No Limit, 3 to 7 letters, Random.
    std::array<ClickablePicture*, 7> m_lengthPictures{};
};
