// SPDX-License-Identifier: GPL-3.0-or-later
#include "windowart.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QWidget>

namespace windowart {

QPixmap checkBox(bool checked) {
    QPixmap picture(34, 21);
    picture.fill(Qt::white);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(0x33, 0x33, 0x99), 1.5));
    painter.setBrush(QColor(0xF4, 0xF4, 0xFF));
    painter.drawRoundedRect(QRectF(2.5, 2.5, 16, 16), 3, 3);
    if (checked) {
        QPainterPath tick;
        tick.moveTo(5.5, 10.5);
        tick.lineTo(9.5, 15.5);
        tick.lineTo(20.5, 3.0);
        painter.setPen(
            QPen(QColor(0x00, 0x99, 0x00), 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        painter.setBrush(Qt::NoBrush);
        painter.drawPath(tick);
    }
    return picture;
}

QPixmap startButton() {
    QPixmap picture(160, 40);
    picture.fill(Qt::white);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    QLinearGradient shade(0, 0, 0, 40);
    shade.setColorAt(0, QColor(0x4C, 0xB0, 0x4C));
    shade.setColorAt(1, QColor(0x1E, 0x6E, 0x1E));
    painter.setBrush(shade);
    painter.setPen(QPen(QColor(0x14, 0x4A, 0x14), 2));
    painter.drawRoundedRect(QRectF(1, 1, 158, 38), 8, 8);
    QFont font(QStringLiteral("Arial"), 14, QFont::Bold);
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(picture.rect(), Qt::AlignCenter, QStringLiteral("START GAME"));
    return picture;
}

QPixmap logo() {
    QPixmap picture(240, 60);
    picture.fill(Qt::white);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    QFont font(QStringLiteral("Times New Roman"), 32, QFont::Bold);
    painter.setFont(font);
    painter.setPen(QColor(0x00, 0x00, 0x80));
    painter.drawText(picture.rect(), Qt::AlignCenter, QStringLiteral("Vorlix"));
    return picture;
}

void makeWhite(QWidget* window) {
    QPalette white = window->palette();
    white.setColor(QPalette::Window, Qt::white);
    window->setPalette(white);
    window->setAutoFillBackground(true);
}

} // namespace windowart
