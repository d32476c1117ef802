// SPDX-License-Identifier: GPL-3.0-or-later
#include "boardart.h"

#include "contrast.h"
#include "gamemodel.h"

#include <QEnterEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QPainterPath>

namespace boardart {
namespace {

const QColor kBoard(0xFF, 0xFF, 0xD3);
const QColor kNavy(0x00, 0x00, 0x80);
const QColor kOrange(0xDE, 0x5F, 0x21);
const QColor kFrame(0x6B, 0x4A, 0x2B);
const QColor kCream(0xFF, 0xF8, 0xC4);

QFont artFont(const char* family, qreal pixelSize, bool bold = true) {
    QFont f(QString::fromLatin1(family));
    f.setPixelSize(qMax(1, qRound(pixelSize)));
    f.setBold(bold);
    f.setStyleStrategy(QFont::PreferAntialias);
    return f;
}

// A rounded frame with a soft border: the look shared by all board pictures.
void frame(QPainter& p, const QRectF& r, const QColor& fill, const QColor& border, qreal radius,
           qreal width = 2.0) {
    p.setPen(QPen(border, width));
    p.setBrush(fill);
    const qreal h = width / 2;
    p.drawRoundedRect(r.adjusted(h, h, -h, -h), radius, radius);
}

void gradientFrame(QPainter& p, const QRectF& r, const QColor& top, const QColor& bottom,
                   const QColor& border, qreal radius) {
    QLinearGradient g(r.topLeft(), r.bottomLeft());
    g.setColorAt(0, top);
    g.setColorAt(1, bottom);
    p.setPen(QPen(border, 2));
    p.setBrush(g);
    p.drawRoundedRect(r.adjusted(1, 1, -1, -1), radius, radius);
}

void text(QPainter& p, const QRectF& r, const QString& s, const QFont& f, const QColor& c,
          int flags = Qt::AlignCenter) {
    p.setFont(f);
    p.setPen(c);
    p.drawText(r, flags, s);
}

// Every colour of the fill darkened until `text` reads on it.
Gradient under(const Gradient& fill, const QColor& text, double minimum = contrast::kReadable) {
    return {contrast::readable(fill.top, text, minimum),
            contrast::readable(fill.bottom, text, minimum)};
}

// Of the two, the fill's lighter colour: a light text that reads on it reads
// on all of it (a gradient between two colours is nowhere lighter than both).
QColor lighter(const QColor& a, const QColor& b) {
    return contrast::relativeLuminance(a) >= contrast::relativeLuminance(b) ? a : b;
}

ArtColours defaultColours() {
    ArtColours c;
    c.caption = kOrange;
    c.clockFrame = {QColor(0x55, 0x5E, 0x75), QColor(0x2A, 0x30, 0x42)};
    c.clockBar = {QColor(0x3D, 0x8B, 0xE0), QColor(0x16, 0x4C, 0x9A)};
    c.clockText = QColor(0xE0, 0xE3, 0x9D);
    c.clockLow = QColor(0xFF, 0x00, 0x00);
    c.error = {QColor(0xE8, 0x3A, 0x2A), QColor(0xA8, 0x12, 0x0C)};
    c.errorText = Qt::white;
    c.startButton = {QColor(0x4C, 0xB8, 0x4C), QColor(0x1E, 0x7A, 0x22)};
    c.giveUpButton = {QColor(0xE8, 0x5A, 0x3A), QColor(0xA8, 0x26, 0x14)};
    c.hotButton = {QColor(0xFF, 0xD8, 0x40), QColor(0xE8, 0x8E, 0x10)};
    c.buttonText = Qt::white;
    c.hotButtonText = kNavy;
    c.linkLogo = {QColor(0x2E, 0x4C, 0xA8), QColor(0x14, 0x22, 0x5E)};
    c.hotLinkLogo = {QColor(0x4A, 0x6C, 0xD0), QColor(0x14, 0x22, 0x5E)};
    c.linkName = QColor(0xFF, 0xD0, 0x50);
    c.linkText = Qt::white;
    c.mark = kOrange;
    c.markText = Qt::white;
    return c;
}

ArtColours highContrastColours() {
    ArtColours c = defaultColours();
    c.caption = contrast::readable(c.caption, kBoard);
    // No red is light enough to read on the clock's blue at 4.5:1: the bar
    // and its frame go dark enough (10:1 with white) that a clear light red
    // still reads on them, and the two texts are lightened to reach the
    // lighter of the two fills.
    c.clockFrame = under(c.clockFrame, Qt::white, 10.0);
    c.clockBar = under(c.clockBar, Qt::white, 10.0);
    const QColor behindClock = lighter(lighter(c.clockFrame.top, c.clockFrame.bottom),
                                       lighter(c.clockBar.top, c.clockBar.bottom));
    c.clockText = contrast::readable(c.clockText, behindClock);
    c.clockLow = contrast::readable(c.clockLow, behindClock);
    c.error = under(c.error, c.errorText);
    c.startButton = under(c.startButton, c.buttonText);
    c.giveUpButton = under(c.giveUpButton, c.buttonText);
    c.hotButton = under(c.hotButton, c.hotButtonText);
    // "Vorlix" is the darker of the logo's two words: what reads with it reads
    // with white.
    c.linkLogo = under(under(c.linkLogo, c.linkName), c.linkText);
    c.hotLinkLogo = under(under(c.hotLinkLogo, c.linkName), c.linkText);
    c.mark = contrast::readable(c.mark, c.markText);
    return c;
}

void paintRequirements(QPainter& p, const QRectF& r, const ArtColours& c) {
    gradientFrame(p, r, QColor(0xFF, 0xE9, 0x9A), QColor(0xF4, 0xC2, 0x5E), kFrame, 10);
    text(p, QRectF(r.left(), r.top() + 6, r.width(), 26), QStringLiteral("WORD REQUIREMENTS"),
         artFont("Arial", 19), kNavy);
    // The two boxes sit under the labels label_word1 (9..157) and label_word2 (181..305).
    const QRectF box1(r.left() + 7, r.top() + 40, 152, 66);
    const QRectF box2(r.left() + 178, r.top() + 40, 130, 66);
    for (const QRectF& b : {box1, box2}) {
        frame(p, b, kBoard, kFrame, 7, 1.5);
    }
    const QFont small = artFont("Arial", 13);
    text(p, QRectF(box1.left(), box1.top() + 3, box1.width(), 18), QStringLiteral("Word Length"),
         small, c.caption);
    text(p, QRectF(box2.left(), box2.top() + 3, box2.width(), 18), QStringLiteral("Begins With"),
         small, c.caption);
}

void paintNotPlaying(QPainter& p, const QRectF& r) {
    gradientFrame(p, r, QColor(0x3A, 0x4E, 0x8C), QColor(0x1C, 0x28, 0x55),
                  QColor(0x10, 0x18, 0x38), 8);
    text(p, QRectF(r.left(), r.top() + 4, r.width(), 20), QStringLiteral("You are not playing"),
         artFont("Arial", 14, false), QColor(0xE0, 0xE3, 0x9D));
    text(p, QRectF(r.left(), r.top() + 22, r.width(), 28), QStringLiteral("GAME IS FULL"),
         artFont("Arial", 22), QColor(0xFF, 0xD0, 0x40));
}

void paintWinner(QPainter& p, const QRectF& r) {
    gradientFrame(p, r, QColor(0xFF, 0xE4, 0x5C), QColor(0xE8, 0xA8, 0x18),
                  QColor(0x9A, 0x63, 0x00), 8);
    // A five-pointed star on each side of the word.
    auto star = [&](QPointF c, qreal radius) {
        QPainterPath path;
        for (int i = 0; i < 10; ++i) {
            const qreal rr = (i % 2 == 0) ? radius : radius * 0.45;
            const qreal a = -M_PI / 2 + i * M_PI / 5;
            const QPointF pt(c.x() + rr * std::cos(a), c.y() + rr * std::sin(a));
            if (i == 0)
                path.moveTo(pt);
            else
                path.lineTo(pt);
        }
        path.closeSubpath();
        p.setPen(QPen(QColor(0x9A, 0x63, 0x00), 1));
        p.setBrush(Qt::white);
        p.drawPath(path);
    };
    const qreal radius = qMin(r.height() * 0.35, 14.0);
    star(QPointF(r.left() + 18, r.center().y()), radius);
    star(QPointF(r.right() - 18, r.center().y()), radius);
    text(p, r, QStringLiteral("WINNER!"), artFont("Arial", r.height() * 0.5),
         QColor(0x7A, 0x1E, 0x00));
}

void paintLogo(QPainter& p, const QRectF& r) {
    gradientFrame(p, r, QColor(0x2E, 0x4C, 0xA8), QColor(0x14, 0x22, 0x5E),
                  QColor(0x0C, 0x14, 0x3C), 10);
    QFont f = artFont("Times New Roman", r.height() * 0.66);
    f.setItalic(true);
    f.setLetterSpacing(QFont::PercentageSpacing, 104);
    QPainterPath path;
    const QString word = QStringLiteral("Vorlix");
    const QFontMetricsF fm(f);
    const qreal w = fm.horizontalAdvance(word);
    path.addText(r.center().x() - w / 2, r.center().y() + fm.ascent() * 0.36, f, word);
    p.setPen(QPen(QColor(0x7A, 0x2E, 0x00), 2.2));
    QLinearGradient g(r.topLeft(), r.bottomLeft());
    g.setColorAt(0, QColor(0xFF, 0xF0, 0x90));
    g.setColorAt(1, QColor(0xFF, 0x9E, 0x2C));
    p.setBrush(g);
    p.drawPath(path);
}

} // namespace

QColor boardColour() {
    return kBoard;
}

QColor scorePanelColour() {
    return kCream;
}

const ArtColours& artColours(bool highContrast) {
    static const ArtColours plain = defaultColours();
    static const ArtColours readable = highContrastColours();
    return highContrast ? readable : plain;
}

QString errorCaption(int index) {
    return GameModel::rejectionReason(index);
}

void paintErrorPicture(QPainter& p, int index, const QRectF& r, const ArtColours& c) {
    gradientFrame(p, r, c.error.top, c.error.bottom, QColor(0x70, 0x08, 0x04), 5);
    // A white cross in a circle, then the reason.
    const QRectF mark(r.left() + 4, r.top() + 3, r.height() - 6, r.height() - 6);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawEllipse(mark);
    p.setPen(QPen(QColor(0xB0, 0x14, 0x0C), 2, Qt::SolidLine, Qt::RoundCap));
    const QRectF x = mark.adjusted(4.5, 4.5, -4.5, -4.5);
    p.drawLine(x.topLeft(), x.bottomRight());
    p.drawLine(x.topRight(), x.bottomLeft());
    text(p, r.adjusted(mark.width() + 6, 0, -4, 0), errorCaption(index), artFont("Arial", 13),
         c.errorText);
}

QPixmap errorPixmap(int index, qreal devicePixelRatio, bool highContrast) {
    QPixmap pm(
        QSize(qCeil(kErrorWidth * devicePixelRatio), qCeil(kErrorHeight * devicePixelRatio)));
    pm.setDevicePixelRatio(devicePixelRatio);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    paintErrorPicture(p, index, QRectF(0, 0, kErrorWidth, kErrorHeight), artColours(highContrast));
    return pm;
}

void paintPicture(QPainter& p, Picture picture, const QRectF& r, const ArtColours& c) {
    switch (picture) {
    case Picture::LeftColumn:
        frame(p, r, kBoard, kFrame, 12, 3);
        frame(p, r.adjusted(6, 34, -6, -6), kBoard, QColor(0xD9, 0xB9, 0x73), 6, 1.5);
        break;
    case Picture::Requirements:
        paintRequirements(p, r, c);
        break;
    case Picture::ClockFrame:
        gradientFrame(p, r, c.clockFrame.top, c.clockFrame.bottom, kFrame, 8);
        break;
    case Picture::ClockBar:
        gradientFrame(p, r, c.clockBar.top, c.clockBar.bottom, QColor(0x0D, 0x32, 0x6A), 4);
        break;
    case Picture::WordFrame:
        gradientFrame(p, r, QColor(0xFF, 0xE9, 0x9A), QColor(0xF4, 0xC2, 0x5E), kFrame, 10);
        text(p, QRectF(r.left() + 12, r.top() + 2, 200, 22), QStringLiteral("ENTER YOUR WORDS"),
             artFont("Arial", 15), kNavy, Qt::AlignLeft | Qt::AlignVCenter);
        frame(p, QRectF(r.left() + 9, r.top() + 25, r.width() - 18, r.height() - 31), kBoard,
              kFrame, 6, 1.5);
        break;
    case Picture::NotPlaying:
        paintNotPlaying(p, r);
        break;
    case Picture::Logo:
        paintLogo(p, r);
        break;
    case Picture::ChatBackground:
        frame(p, r, QColor(0xF3, 0xD9, 0x8E), kFrame, 12, 3);
        frame(p, r.adjusted(5, 5, -5, -36), kBoard, QColor(0xD9, 0xB9, 0x73), 5, 1.5);
        frame(p, r.adjusted(7, r.height() - 32, -7, -6), Qt::white, QColor(0xD9, 0xB9, 0x73), 5,
              1.5);
        break;
    case Picture::Winner:
        paintWinner(p, r);
        break;
    case Picture::ScoreBackground:
        frame(p, r, kCream, kFrame, 10, 3);
        break;
    case Picture::ScoreCard:
        frame(p, r, kBoard, QColor(0xD9, 0xB9, 0x73), 8, 1.5);
        p.setPen(QPen(QColor(0xE8, 0xD2, 0x9A), 1));
        p.drawLine(QPointF(r.left() + 8, r.top() + 24.5), QPointF(r.right() - 8, r.top() + 24.5));
        break;
    }
}

void paintButton(QPainter& p, ButtonFace face, const QRectF& r, bool hot, bool down,
                 const ArtColours& c) {
    const QRectF b = down ? r.adjusted(1, 1, 0, 0) : r;
    switch (face) {
    case ButtonFace::StartGame:
    case ButtonFace::GiveUp: {
        const bool start = face == ButtonFace::StartGame;
        const Gradient fill = hot ? c.hotButton : start ? c.startButton : c.giveUpButton;
        gradientFrame(p, b, fill.top, fill.bottom, QColor(0x30, 0x20, 0x10), b.height() / 3);
        const QString caption = start ? QStringLiteral("START GAME") : QStringLiteral("I GIVE UP");
        text(p, b, caption, artFont("Arial", b.height() * 0.56),
             hot ? c.hotButtonText : c.buttonText);
        break;
    }
    case ButtonFace::Phrase:
    case ButtonFace::Chatter: {
        const QColor top = hot ? QColor(0xFF, 0xE0, 0x70) : QColor(0x8C, 0xB4, 0xEC);
        const QColor bottom = hot ? QColor(0xF0, 0xA0, 0x20) : QColor(0x3A, 0x64, 0xB4);
        gradientFrame(p, b, top, bottom, QColor(0x1C, 0x2C, 0x5C), 4);
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::white);
        const QPointF c = b.center();
        if (face == ButtonFace::Phrase) {
            // A speech bubble.
            QPainterPath bubble;
            bubble.addRoundedRect(QRectF(c.x() - 7, c.y() - 6, 14, 9), 3, 3);
            bubble.moveTo(c.x() - 3, c.y() + 2);
            bubble.lineTo(c.x() - 5, c.y() + 6);
            bubble.lineTo(c.x() + 1, c.y() + 2);
            p.drawPath(bubble.simplified());
        } else {
            // A loudspeaker with two waves.
            QPainterPath speaker;
            speaker.moveTo(c.x() - 8, c.y() - 2.5);
            speaker.lineTo(c.x() - 5, c.y() - 2.5);
            speaker.lineTo(c.x() - 1, c.y() - 6);
            speaker.lineTo(c.x() - 1, c.y() + 6);
            speaker.lineTo(c.x() - 5, c.y() + 2.5);
            speaker.lineTo(c.x() - 8, c.y() + 2.5);
            speaker.closeSubpath();
            p.drawPath(speaker);
            p.setPen(QPen(Qt::white, 1.4, Qt::SolidLine, Qt::RoundCap));
            p.setBrush(Qt::NoBrush);
            p.drawArc(QRectF(c.x() - 3, c.y() - 4, 7, 8), -50 * 16, 100 * 16);
            p.drawArc(QRectF(c.x() - 4, c.y() - 7, 11, 14), -50 * 16, 100 * 16);
        }
        break;
    }
    case ButtonFace::LinkLogo: {
        const Gradient fill = hot ? c.hotLinkLogo : c.linkLogo;
        gradientFrame(p, b, fill.top, fill.bottom, QColor(0x0C, 0x14, 0x3C), 8);
        text(p, b.adjusted(0, 1, 0, -b.height() / 2 + 2), QStringLiteral("Vorlix"),
             artFont("Times New Roman", b.height() * 0.42), c.linkName);
        text(p, b.adjusted(0, b.height() / 2, 0, -2), QStringLiteral("on the web"),
             artFont("Arial", b.height() * 0.26, false), c.linkText);
        break;
    }
    }
}

PictureWidget::PictureWidget(Picture picture, QWidget* parent)
    : QWidget(parent), m_picture(picture) {
    setAttribute(Qt::WA_TranslucentBackground);
    setAccessibleName(pictureName(picture));
}

void PictureWidget::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    paintPicture(p, m_picture, QRectF(rect()), artColours(m_highContrast));
}

void PictureWidget::setHighContrast(bool on) {
    m_highContrast = on;
    update();
}

ErrorPicture::ErrorPicture(QWidget* parent) : QWidget(parent) {
    setPicture(-1);
}

void ErrorPicture::setPicture(int index) {
    m_index = (index >= 0 && index < kErrorCount) ? index : -1;
    setAccessibleName(m_index < 0 ? QStringLiteral("No word rejected")
                                  : QStringLiteral("Word rejected: ") + errorCaption(m_index));
    update();
}

void ErrorPicture::paintEvent(QPaintEvent*) {
    if (m_index < 0)
        return;
    QPainter p(this);
    p.drawPixmap(0, 0, errorPixmap(m_index, devicePixelRatioF(), m_highContrast));
}

void ErrorPicture::setHighContrast(bool on) {
    m_highContrast = on;
    update();
}

BoardButton::BoardButton(ButtonFace face, QWidget* parent) : QAbstractButton(parent), m_face(face) {
    setAccessibleName(buttonName(face));
    setCursor(Qt::PointingHandCursor);
    // Reached with Tab and pressed with Space (QAbstractButton) or Enter; a
    // click leaves the focus where it was, in the word box or the chat entry.
    setFocusPolicy(Qt::TabFocus);
}

void BoardButton::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    paintButton(p, m_face, QRectF(rect()), m_hot || hasFocus(), isDown(),
                artColours(m_highContrast));
    if (hasFocus()) {
        p.setPen(QPen(palette().color(QPalette::Highlight), 1, Qt::DotLine));
        p.setBrush(Qt::NoBrush);
        p.drawRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5));
    }
}

void BoardButton::setHighContrast(bool on) {
    m_highContrast = on;
    update();
}

void BoardButton::keyPressEvent(QKeyEvent* e) {
    if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
        e->accept();
        click();
        return;
    }
    QAbstractButton::keyPressEvent(e);
}

void BoardButton::enterEvent(QEnterEvent* e) {
    m_hot = true;
    update();
    QAbstractButton::enterEvent(e);
}

void BoardButton::leaveEvent(QEvent* e) {
    m_hot = false;
    update();
    QAbstractButton::leaveEvent(e);
}

} // namespace boardart
