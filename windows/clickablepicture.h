// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A picture (or a line of text) in a secondary window that the player clicks:
// it acts as a button, a check box or a radio button. Its "Tag" property holds the
// window's state for it (for a check picture: 1 checked, 0 not) and its tool
// tip its "Hint". It reports a left click and the Space key as clicked() and
// leaves what a click means to its window. A screen reader meets it as what it
// acts as (its kind), under its accessible name, checked while its tag is 1.

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
    int tag() const { return property("Tag").toInt(); }
    // A check picture's state; a screen reader hears the change.
    void setTag(int tag);

signals:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    Kind m_kind = Kind::Button;
};

// A numbered set of pictures of one size, with a "Tag" property of its own.
class ImageList : public QObject {
    Q_OBJECT
public:
    ImageList(QObject* parent, const QString& name, QList<QPixmap> images);

    const QPixmap& image(int index) const { return m_images.at(index); }
    int count() const { return static_cast<int>(m_images.size()); }
    int tag() const { return property("Tag").toInt(); }
    void setTag(int tag) { setProperty("Tag", tag); }

private:
    QList<QPixmap> m_images;
};
