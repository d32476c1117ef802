// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The board's own artwork, painted with QPainter whenever a picture is shown, so
// it stays crisp at any device pixel ratio. Each picture carries the words and
// the size the board layout gives it.

#include <QAbstractButton>
#include <QColor>
#include <QPixmap>
#include <QWidget>

namespace boardart {

// What lies behind the board's texts: the board itself (also the fill of the
// word boxes, the score cards and the panes) and the score panel around the
// cards.
QColor boardColour();
QColor scorePanelColour();

// A picture's fill from its top edge to its bottom edge.
struct Gradient {
    QColor top;
    QColor bottom;
};

// The colours of the pictures that carry words, and of those words. The
// default set is the board's own look; the high-contrast set keeps every word
// at 4.5:1 or better against every colour of the fill behind it: a coloured
// word keeps its hue (contrast::readable), a white or navy one stays and the
// fill behind it is darkened instead.
struct ArtColours {
    QColor caption; // "Word Length", "Begins With", on the board colour
    Gradient clockFrame;
    Gradient clockBar;
    QColor clockText; // label_timer over the bar and the frame: 20 s or more left
    QColor clockLow;  // and below 20 s
    Gradient error;
    QColor errorText;
    Gradient startButton;  // START GAME
    Gradient giveUpButton; // I GIVE UP
    Gradient hotButton;    // either of them under the mouse or with the focus
    QColor buttonText;
    QColor hotButtonText;
    Gradient linkLogo;
    Gradient hotLinkLogo;
    QColor linkName; // "Vorlix"
    QColor linkText; // "on the web"
    QColor mark;     // fill of the chat pane's "Scroll Off" mark
    QColor markText;
};
const ArtColours& artColours(bool highContrast);

// Pictures of the board that are plain decoration or frames.
enum class Picture {
    LeftColumn,   // frame around the words-guessed list
    Requirements, // WORD REQUIREMENTS with the Word Length and Begins With boxes
    ClockFrame,   // frame of the turn clock
    ClockBar,     // the shrinking bar itself
    WordFrame,    // ENTER YOUR WORDS frame around the word entry
    NotPlaying,   // "You are not playing" / "GAME IS FULL" cover
    Logo,         // "Vorlix"
    ChatBackground,
    Winner, // winner picture on the score panel
    ScoreBackground,
    ScoreCard, // one seat's card on the score panel
};

// LinkLogo: the small logo beside the phrase buttons that opens the web link.
enum class ButtonFace { StartGame, GiveUp, Phrase, Chatter, LinkLogo };

// Number of rejection pictures and their size in pixels (the reason codes 0..3).
constexpr int kErrorCount = 4;
constexpr int kErrorWidth = 195;
constexpr int kErrorHeight = 21;
// What a screen reader calls a picture or a picture button.
QString pictureName(Picture picture);
QString buttonName(ButtonFace face);

// Caption of rejection picture `index` ("Invalid Word", ...), empty if out of range.
QString errorCaption(int index);
// Rejection picture `index` rendered at the given device pixel ratio.
QPixmap errorPixmap(int index, qreal devicePixelRatio, bool highContrast = false);

void paintPicture(QPainter& p, Picture picture, const QRectF& r, const ArtColours& c);
void paintButton(QPainter& p, ButtonFace face, const QRectF& r, bool hot, bool down,
                 const ArtColours& c);
void paintErrorPicture(QPainter& p, int index, const QRectF& r, const ArtColours& c);

// The board's widgets below are painted in the default colours until told
// otherwise.

// A widget that shows one of the pictures above.
class PictureWidget : public QWidget {
    Q_OBJECT
public:
    PictureWidget(Picture picture, QWidget* parent);
    void setHighContrast(bool on);

protected:
    void paintEvent(QPaintEvent*) override;

private:
    Picture m_picture;
    bool m_highContrast = false;
};

// The rejection picture holder (image_error): empty until a picture is drawn in.
class ErrorPicture : public QWidget {
    Q_OBJECT
    Q_PROPERTY(int picture READ picture)
public:
    explicit ErrorPicture(QWidget* parent);
    // -1 clears the picture.
    void setPicture(int index);
    int picture() const { return m_index; }
    void setHighContrast(bool on);

protected:
    void paintEvent(QPaintEvent*) override;

private:
    int m_index = -1;
    bool m_highContrast = false;
};

// A button of the board painted from its face (START GAME, I GIVE UP, a phrase
// or chatter button, the web-link logo), whose colours change while the mouse
// is over it or it has the keyboard focus; Space and Enter press it.
class BoardButton : public QAbstractButton {
    Q_OBJECT
public:
    BoardButton(ButtonFace face, QWidget* parent);
    void setHighContrast(bool on);

protected:
    void paintEvent(QPaintEvent*) override;
    void keyPressEvent(QKeyEvent*) override;
    void enterEvent(QEnterEvent*) override;
    void leaveEvent(QEvent*) override;

private:
    ButtonFace m_face;
    bool m_hot = false;
    bool m_highContrast = false;
};

} // namespace boardart
