#include "picturebutton.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

PictureButton::PictureButton(QWidget* parent, const QString& name, const QString& hint)
    : QLabel(parent) {
    setObjectName(name);
    setToolTip(hint);
    setProperty("Tag", 0);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setFocusPolicy(Qt::StrongFocus);
    setCursor(Qt::PointingHandCursor);
}

void PictureButton::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit clicked();
    QLabel::mouseReleaseEvent(event);
}

void PictureButton::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Space) {
        emit clicked();
        return;
    }
    QLabel::keyPressEvent(event);
}

// A dotted outline shows the keyboard user which picture Space acts on.
void PictureButton::paintEvent(QPaintEvent* event) {
    QLabel::paintEvent(event);
    if (hasFocus()) {
        QPainter painter(this);
        painter.setPen(QPen(Qt::darkGray, 1, Qt::DotLine));
        painter.drawRect(rect().adjusted(0, 0, -1, -1));
    }
}

ImageList::ImageList(QObject* parent, const QString& name, QList<QPixmap> images)
    : QObject(parent), m_images(std::move(images)) {
    setObjectName(name);
    setTag(0);
}
