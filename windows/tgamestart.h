// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The game start window: the host picks the number of rounds, the time per
// round, the word length and whether everybody sees the word list, then
// presses the start picture, which sends "CMD_startgame" through `send`, hides
// the window and has the main window store its settings.
//
// Created once and reused; the values survive hiding. Enter starts the game and
// Escape closes the window.

#include <QDialog>

#include <array>
#include <functional>

class ImageList;
class ClickablePicture;
class QLineEdit;
class UpDown;

class Tgamestart : public QDialog {
    Q_OBJECT
public:
    explicit Tgamestart(QWidget* parent);

    // The choices the window shows and the player changes; stored with the
    // player's preferences (all but the word list, which is not stored).
    struct Options {
        int rounds = 5;        // "Num of Rounds", 1..10
        int creationTime = 60; // "Creation Time", seconds per round, 30..120
        int lengthChoice = 6;  // word-length choice 0..6, 6 Random
        bool operator==(const Options&) const = default;
    };
    Options options() const;
    // Shows the options; values out of range are held in range.
    void setOptions(const Options& options);

    // Checks the word-length picture of that name ("image_letters" + value) and
    // unchecks the others. A name that is not one of the group chooses "Random".
    void checkimage(const QString& name);
    bool showWordList() const; // the Tag of image_show

    // Handlers, callable directly.
    void image_letters6Click(ClickablePicture* clicked);
    void image_showClick();
    void button_startClick();

    std::function<void(const QByteArray&)> send;
    std::function<QString()> playerName;
    // A game was started with the options shown: they are to be stored.
    std::function<void()> saveSettings;

signals:
    // The player changed rounds, time or word length.
    void optionsChanged(const Tgamestart::Options& options);

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void buildWindow();
    void drawCheck(ClickablePicture* picture, int state);

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
