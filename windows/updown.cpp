// SPDX-License-Identifier: GPL-3.0-or-later
#include "updown.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QToolButton>
#include <QVBoxLayout>

UpDown::UpDown(QWidget* parent, QLineEdit* buddy, int minimum, int maximum, int increment,
               int position)
    : QWidget(parent), m_buddy(buddy), m_minimum(minimum), m_maximum(maximum),
      m_increment(increment) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    m_up = new QToolButton(this);
    m_up->setObjectName(QStringLiteral("up"));
    m_up->setArrowType(Qt::UpArrow);
    m_up->setAutoRepeat(true);
    m_down = new QToolButton(this);
    m_down->setObjectName(QStringLiteral("down"));
    m_down->setArrowType(Qt::DownArrow);
    m_down->setAutoRepeat(true);
    for (QToolButton* button : {m_up, m_down}) {
        button->setFocusPolicy(Qt::NoFocus);
        button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
        layout->addWidget(button);
    }
    connect(m_up, &QToolButton::clicked, this, &UpDown::stepUp);
    connect(m_down, &QToolButton::clicked, this, &UpDown::stepDown);
    m_buddy->setReadOnly(true);
    m_buddy->installEventFilter(this);
    setPosition(position);
}

void UpDown::nameFor(const QString& setting) {
    setAccessibleName(setting + QStringLiteral(" arrows"));
    m_up->setAccessibleName(setting + QStringLiteral(" up"));
    m_down->setAccessibleName(setting + QStringLiteral(" down"));
}

void UpDown::setPosition(int position) {
    m_position = qBound(m_minimum, position, m_maximum);
    m_buddy->setText(QString::number(m_position));
}

bool UpDown::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_buddy && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Up) {
            stepUp();
            return true;
        }
        if (key == Qt::Key_Down) {
            stepDown();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}
