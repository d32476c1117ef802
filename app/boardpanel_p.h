// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Private parts of BoardPanel shared by its source files (layout, drawing and
// entry). Not for use outside the board.

#include "boardart.h"
#include "boardpanel.h"

#include <QLineEdit>
#include <QStatusBar>

#include <array>
#include <functional>
#include <vector>

class QLabel;
class QTextEdit;
class QWidget;

namespace board {

// The word entry: reports every key before the edit sees it, and takes Enter.
class WordEdit : public QLineEdit {
    Q_OBJECT
public:
    using QLineEdit::QLineEdit;
    std::function<void()> anyKey;
    std::function<void()> enter;

protected:
    void keyPressEvent(QKeyEvent* event) override;
};

// Where the board's announcements go for a screen reader: a status bar, the
// object whose name changes a screen reader speaks, lying unseen under the
// status line (the status line shows what a sighted player needs).
class Announcer : public QStatusBar {
    Q_OBJECT
public:
    explicit Announcer(QWidget* parent);
    void announce(const QString& message);

protected:
    void paintEvent(QPaintEvent*) override {}
};

// A name or description for a screen reader, set only when it differs: each
// setting is an event a screen reader may speak.
void setName(QWidget* w, const QString& name);
void setDescription(QWidget* w, const QString& description);

// A label drawn in a colour of its own, and the colour that lies behind it.
struct TintedLabel {
    QLabel* label;
    QColor colour;
    QColor background;
};

// What a label that fits its text to its room was last drawn from.
struct FittedText {
    QString text;
    QString tip;
    int room = -1; // never drawn
};

} // namespace board

struct BoardPanel::Impl {
    Impl(BoardPanel* owner, GameModel& model, BoardHost& host)
        : q(owner), model(model), host(host) {}

    BoardPanel* q;
    GameModel& model;
    BoardHost& host;

    QTextEdit* mainchat = nullptr;
    QLineEdit* mychat = nullptr;
    QTextEdit* memo_wordlist = nullptr;
    QLabel* label_status = nullptr;
    QLabel* label_round = nullptr;
    QLabel* label_timeperturn = nullptr;
    QLabel* label_numletters = nullptr;
    QLabel* label_word1 = nullptr;
    QLabel* label_word2 = nullptr;
    QLabel* label_timer = nullptr;
    QLabel* label_starter = nullptr;
    QLabel* label_scrolloff = nullptr;
    boardart::PictureWidget* image_timer = nullptr;
    boardart::PictureWidget* image_word = nullptr;
    boardart::PictureWidget* image_full = nullptr;
    boardart::ErrorPicture* image_error = nullptr;
    board::WordEdit* edit_word = nullptr;
    board::Announcer* announcements = nullptr;
    boardart::BoardButton* button_igiveup = nullptr;
    boardart::BoardButton* button_start = nullptr;
    boardart::BoardButton* Image4 = nullptr;
    std::array<boardart::BoardButton*, 10> phrase{};
    QWidget* panel_scores = nullptr;
    std::array<QWidget*, 6> panel{};
    std::array<QLabel*, 6> playername{};
    std::array<QLabel*, 6> last{};
    std::array<QLabel*, 6> score{};
    std::array<std::array<QLabel*, 5>, 6> panelField{};
    std::array<boardart::PictureWidget*, 6> winnerPicture{};
    // Of playername, last and the score panel's names: every change of the
    // model redraws the board, and a label is fitted again only when what it
    // shows changed.
    std::array<board::FittedText, 6> fittedName{};
    std::array<board::FittedText, 6> fittedLast{};
    std::array<board::FittedText, 6> fittedPanelName{};
    // Every label in a colour of its own but the clock's (drawClock) and the
    // "Scroll Off" mark's.
    std::vector<board::TintedLabel> tinted;
    bool highContrast = false;

    void buildLayout();
    void buildWordList();
    void buildCentreColumn();
    void buildChatColumn();
    void buildSettingsColumn();
    void buildSeatRows();
    void buildScorePanel();
    void buildAnnouncer();
    void orderTabStops();
    void nameForScreenReaders();
    static void showText(QLabel* label, const QString& text);

    // Draws everything the model holds but the words guessed.
    void draw();
    void drawSettings();
    void drawClock();
    void drawSeats();
    void drawShown();
    void drawColours();
    void addtowordlist(const QString& text, int seat);
    void addMissedWords(const QStringList& words);
    void showLastLine();
    void sendWord();
};
