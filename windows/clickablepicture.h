// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A picture (or a line of text) in a secondary window that the player clicks:
// it acts as a button, a check box or a radio button, as its kind says. It
// reports a left click and the Space key as clicked() and leaves what a click
// means to its window, which also tells it whether to stand checked: the state
// is the window's, the picture only shows it. A screen reader meets it as what
// it acts as, under its accessible name, checked while it is shown checked.
// Its tool tip is the window's "Hint" for it, shown and never read back.

#include <QLabel>
#include <QList>
#include <QPixmap>

class ClickablePicture : public QLabel {
    Q_OBJECT
public:
    enum class Kind { Button, CheckBox, RadioButton };

    ClickablePicture(QWidget* parent, const QString& name, const QString& hint = QString());

    Kind kind() const { return m_kind; }
    void setKind(Kind kind) { m_kind = kind; }
    // A check or radio picture's state as its window shows it; a screen reader
    // hears the change.
    bool isChecked() const { return m_checked; }
    void setChecked(bool checked);

signals:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    Kind m_kind = Kind::Button;
    bool m_checked = false;
};

// A numbered set of pictures of one size.
class ImageList : public QObject {
    Q_OBJECT
public:
    ImageList(QObject* parent, const QString& name, QList<QPixmap> images);

    const QPixmap& image(int index) const { return m_images.at(index); }
    int count() const { return static_cast<int>(m_images.size()); }

private:
    QList<QPixmap> m_images;
};
