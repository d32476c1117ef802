#pragma once
// The board's own artwork, painted with QPainter whenever a picture is shown, so
// it stays crisp at any device pixel ratio. Each picture carries the words and
// the size the board layout gives it.

#include <QAbstractButton>
#include <QPixmap>
#include <QWidget>

namespace boardart {

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
QPixmap errorPixmap(int index, qreal devicePixelRatio);

void paintPicture(QPainter& p, Picture picture, const QRectF& r);
void paintButton(QPainter& p, ButtonFace face, const QRectF& r, bool hot, bool down);
void paintErrorPicture(QPainter& p, int index, const QRectF& r);

// A widget that shows one of the pictures above.
class PictureWidget : public QWidget {
    Q_OBJECT
public:
    PictureWidget(Picture picture, QWidget* parent);

protected:
    void paintEvent(QPaintEvent*) override;

private:
    Picture m_picture;
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

protected:
    void paintEvent(QPaintEvent*) override;

private:
    int m_index = -1;
};

// A picture button whose colours change while the mouse is over it or it has
// the keyboard focus; Space and Enter press it.
class PictureButton : public QAbstractButton {
    Q_OBJECT
public:
    PictureButton(ButtonFace face, QWidget* parent);

protected:
    void paintEvent(QPaintEvent*) override;
    void keyPressEvent(QKeyEvent*) override;
    void enterEvent(QEnterEvent*) override;
    void leaveEvent(QEvent*) override;

private:
    ButtonFace m_face;
    bool m_hot = false;
};

} // namespace boardart
