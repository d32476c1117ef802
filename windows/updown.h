// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Up-down buttons bound to a read-only edit: the edit shows the position, and
// only the buttons (or the arrow keys on the edit) move it, in steps, between a
// minimum and a maximum, without wrapping round.

#include <QWidget>

class QLineEdit;
class QToolButton;

class UpDown : public QWidget {
    Q_OBJECT
public:
    UpDown(QWidget* parent, QLineEdit* buddy, int minimum, int maximum, int increment,
           int position);

    int position() const { return m_position; }
    // Clamped into the limits.
    void setPosition(int position);
    // The player's steps (buttons, arrow keys); they report `stepped`.
    void stepUp() { step(m_increment); }
    void stepDown() { step(-m_increment); }
    int minimum() const { return m_minimum; }
    int maximum() const { return m_maximum; }
    // Names the arrows for a screen reader after the setting they move.
    void nameFor(const QString& setting);

signals:
    void stepped(int position);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void step(int by) {
        setPosition(m_position + by);
        emit stepped(m_position);
    }

    QLineEdit* m_buddy;
    QToolButton* m_up;
    QToolButton* m_down;
    int m_minimum;
    int m_maximum;
    int m_increment;
    int m_position = 0;
};
