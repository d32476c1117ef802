// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// BoardPanel: the main window's board (777 x 474): every control of the board
// layout, the chat pane and entry line and the phrase buttons included, each with
// its objectName. It draws the game model whenever the model changes and reports
// the player's own actions (a word, I GIVE UP, START GAME); it keeps no game
// state of its own.

#include <QByteArray>
#include <QColor>
#include <QPixmap>
#include <QString>
#include <QWidget>

class BoardHost;
class GameModel;
class QLabel;
class QLineEdit;
class QTextEdit;
class QAbstractButton;

class BoardPanel : public QWidget {
    Q_OBJECT
public:
    // Longest text the word box takes.
    static constexpr int kMaxWordLength = 60;

    BoardPanel(GameModel& model, BoardHost& host, QWidget* parent = nullptr);
    ~BoardPanel() override;

    // The host's START GAME (also File > Start Game) and the I GIVE UP button.
    void button_startClick();
    void button_igiveupClick();
    // The mark on the chat pane while "Scroll Chat Off" keeps its view still.
    void setScrollChatOffMark(bool on);
    // The keyboard focus into the word entry.
    void focusWordEntry();
    // "High Contrast Colours": every text of the board, the words already
    // listed included, at 4.5:1 or better against what lies behind it; off,
    // the board's own colours.
    void setHighContrast(bool on);

    // Controls other parts of the main window use (also found by objectName).
    QTextEdit* mainchat() const;
    QLineEdit* mychat() const;
    QLabel* label_status() const;
    QLabel* playerNameLabel(int seat) const;    // label_playername1..6
    QLabel* lastWordLabel(int seat) const;      // label_last1..6
    QAbstractButton* phraseButton(int n) const; // b_phrase1..10; a phrase is the button's toolTip
    QWidget* button_start() const;
    // Image4: the small logo that opens the maker's web link (the main window
    // connects clicked).
    QAbstractButton* linkLogo() const;

    // The colour of seat 1..6's labels and words, black for any other number;
    // in high-contrast mode the same hue made readable on the board.
    static QColor seatColour(int seat, bool highContrast = false);
    // Picture `index` of imagelist_error (reason codes 0..3), 195 x 21.
    static QPixmap errorPicture(int index);

protected:
    // While a round runs Tab and Shift+Tab go between the word box and the chat
    // entry only.
    bool focusNextPrevChild(bool next) override;

private:
    struct Impl;
    Impl* d;
};
