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
class PictureButton;
class QLineEdit;
class UpDown;

class Tgamestart : public QDialog {
    Q_OBJECT
public:
    explicit Tgamestart(QWidget* parent);

    // Checks the word-length picture of that name ("image_letters" + value) and
    // unchecks the others. A name that is not one of the group (a damaged
    // stored value) chooses "Random".
    void checkimage(const QString& name);
    int lengthChoice() const; // the Tag of imagelist_checks, 0..6
    int rounds() const;
    void setRounds(int rounds);
    int creationTime() const;
    void setCreationTime(int seconds);
    bool showWordList() const; // the Tag of image_show

    // Handlers, callable directly.
    void image_letters6Click(PictureButton* clicked);
    void image_showClick();
    void button_startClick();

    std::function<void(const QByteArray&)> send;
    std::function<QString()> playerName;
    std::function<void()> saveSettings;

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void buildWindow();
    void drawCheck(PictureButton* picture, int state);

    QLineEdit* edit_playtoscore = nullptr;
    QLineEdit* edit_creationtime = nullptr;
    UpDown* UpDown1 = nullptr;
    UpDown* UpDown2 = nullptr;
    ImageList* imagelist_checks = nullptr;
    PictureButton* image_show = nullptr;
    PictureButton* Image1 = nullptr;
    // image_letters0..6: word lengths No Limit, 3 to 7 letters, Random.
    std::array<PictureButton*, 7> m_lengthPictures{};
};
