#pragma once
// Private parts of BoardPanel shared by its source files (layout, handlers,
// clock and entry). Not for use outside the board.

#include "boardart.h"
#include "boardpanel.h"
#include "protocol.h"

#include <QByteArray>
#include <QLineEdit>
#include <QList>
#include <QString>

#include <array>
#include <functional>

class QLabel;
class QTextEdit;
class QTimer;
class QWidget;
struct ClientState;
class Ttallylist;

namespace board {

inline const QString kWaiting = QStringLiteral("<Waiting>");

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

// "0" -> "No Limit", "8" -> "Random" (only where allowRandom), v -> "v Letters".
QString lengthText(const QByteArray& value, bool allowRandom);

// The board's calls into the tally window; each does nothing without one.
void tallyWordFound(Ttallylist* tally);
// Stores `text` as the new high score when `total` beats the stored one.
void tallyHighScore(Ttallylist* tally, int total, const QString& text);
void tallyGame(Ttallylist* tally, const QString& winner);
// Refills the tally window's check list with `names`, checking the followed ones.
void fillChecklist(Ttallylist* tally, const QStringList& names);

} // namespace board

struct BoardPanel::Impl {
    Impl(BoardPanel* owner, ClientState& state, BoardHost& host)
        : q(owner), st(state), host(host) {}

    BoardPanel* q;
    ClientState& st;
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
    boardart::PictureWidget* image_timer = nullptr;
    boardart::PictureWidget* image_word = nullptr;
    boardart::PictureWidget* image_full = nullptr;
    boardart::ErrorPicture* image_error = nullptr;
    board::WordEdit* edit_word = nullptr;
    boardart::PictureButton* button_igiveup = nullptr;
    boardart::PictureButton* button_start = nullptr;
    boardart::PictureButton* Image4 = nullptr;
    std::array<boardart::PictureButton*, 10> phrase{};
    QWidget* panel_scores = nullptr;
    std::array<QWidget*, 6> panel{};
    std::array<QLabel*, 6> playername{};
    std::array<QLabel*, 6> last{};
    std::array<QLabel*, 6> score{};
    std::array<std::array<QLabel*, 5>, 6> panelField{};
    std::array<boardart::PictureWidget*, 6> winnerPicture{};
    QTimer* turntime = nullptr;

    void buildLayout();
    void buildSettingsColumn();
    void buildSeatRows();
    void buildScorePanel();

    static bool isSeat(int n) { return n >= 1 && n <= 6; }
    // Name shown for seat n, empty for a number that is not a seat.
    QString seatName(int n) const;
    int statusTag() const;
    void setStatus(const QString& text);
    void setStatusTag(int tag);
    int barScale() const;
    void setBarScale(int secondsPerTurn);
    void showOwnTurn();
    void showOthersTurn();
    void hideWordEntry();
    void sendWord();
    void playTurnSound();
};
