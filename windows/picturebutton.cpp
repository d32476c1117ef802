// SPDX-License-Identifier: GPL-3.0-or-later
#include "picturebutton.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

namespace {

// A label to Qt; a button, check box or radio button to a screen reader.
class PictureButtonAccessible : public QAccessibleWidget {
public:
    explicit PictureButtonAccessible(PictureButton* button) : QAccessibleWidget(button) {}

    QAccessible::Role role() const override {
        switch (button()->kind()) {
        case PictureButton::Kind::CheckBox:
            return QAccessible::CheckBox;
        case PictureButton::Kind::RadioButton:
            return QAccessible::RadioButton;
        case PictureButton::Kind::Button:
            break;
        }
        return QAccessible::Button;
    }
    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        if (button()->kind() != PictureButton::Kind::Button) {
            s.checkable = true;
            s.checked = button()->tag() == 1;
        }
        return s;
    }
    QString text(QAccessible::Text t) const override {
        // A picture with words on it (a link) is named by them.
        if (t == QAccessible::Name && widget()->accessibleName().isEmpty())
            return button()->text();
        return QAccessibleWidget::text(t);
    }
    QStringList actionNames() const override {
        return {button()->kind() == PictureButton::Kind::Button ? pressAction() : toggleAction()};
    }
    void doAction(const QString& name) override {
        if (name == pressAction() || name == toggleAction())
            emit button()->clicked();
    }

private:
    PictureButton* button() const { return static_cast<PictureButton*>(widget()); }
};

QAccessibleInterface* pictureButtonFactory(const QString& className, QObject* object) {
    if (className == QLatin1String("PictureButton"))
        if (auto* button = qobject_cast<PictureButton*>(object))
            return new PictureButtonAccessible(button);
    return nullptr;
}

} // namespace

PictureButton::PictureButton(QWidget* parent, const QString& name, const QString& hint)
    : QLabel(parent) {
    static const bool factoryInstalled = [] {
        QAccessible::installFactory(pictureButtonFactory);
        return true;
    }();
    Q_UNUSED(factoryInstalled);
    setObjectName(name);
    setToolTip(hint);
    setProperty("Tag", 0);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setFocusPolicy(Qt::StrongFocus);
    setCursor(Qt::PointingHandCursor);
}

void PictureButton::setTag(int tag) {
    const bool wasChecked = this->tag() == 1;
    setProperty("Tag", tag);
    if (m_kind != Kind::Button && wasChecked != (tag == 1)) {
        QAccessible::State changed;
        changed.checked = true;
        QAccessibleStateChangeEvent event(this, changed);
        QAccessible::updateAccessibility(&event);
    }
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
