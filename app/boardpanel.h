#pragma once
// BoardPanel: the main window's board (777 x 474): every control of the board
// layout, the chat pane and entry line and the phrase buttons included, each with
// its objectName, and the handlers that turn the server's game messages into what
// the board shows and which sounds play. Payloads are the message text after the
// command's "+", as bytes (Windows-1252).

#include <QByteArray>
#include <QColor>
#include <QPixmap>
#include <QString>
#include <QWidget>

class BoardHost;
class QLabel;
class QLineEdit;
class QTextEdit;
class QTimer;
class QAbstractButton;
struct ClientState;

class BoardPanel : public QWidget {
    Q_OBJECT
public:
    // Longest text the word box takes.
    static constexpr int kMaxWordLength = 60;

    BoardPanel(ClientState& state, BoardHost& host, QWidget* parent = nullptr);
    ~BoardPanel() override;

    // Message handlers (called by the client's dispatcher).
    void startthegame(const QByteArray& payload);
    void startround(const QByteArray& payload);
    void loadstats(const QByteArray& payload);
    void gotword(const QByteArray& payload);
    void notvalid(const QByteArray& payload);
    void endround(const QByteArray& payload);
    void winner(const QByteArray& payload);

    void clearall();
    void addtowordlist(const QString& text, int seat);
    void playsounds(const QString& name);
    void loadchecklist();
    void turntimeTimer();
    // The host's START GAME (also File > Start Game) and the I GIVE UP button.
    void button_startClick();
    void button_igiveupClick();

    // Controls other parts of the main window use (also found by objectName).
    QTextEdit* mainchat() const;
    QLineEdit* mychat() const;
    QLabel* label_status() const;
    QLabel* playerNameLabel(int seat) const;    // label_playername1..6
    QLabel* lastWordLabel(int seat) const;      // label_last1..6
    QAbstractButton* phraseButton(int n) const; // b_phrase1..10; a phrase is the button's toolTip
    QWidget* button_start() const;
    QTimer* turntime() const;
    // Image4: the small logo that opens the maker's web link (the main window
    // connects clicked).
    QAbstractButton* linkLogo() const;

    // Seat colour as 00BBGGRR-free QColor helper: RGB of seat 1..6, black otherwise.
    static QColor seatColour(int seat);
    // Picture `index` of imagelist_error (reason codes 0..3), 195 x 21.
    static QPixmap errorPicture(int index);

private:
    struct Impl;
    Impl* d;
};
