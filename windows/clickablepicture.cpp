// SPDX-License-Identifier: GPL-3.0-or-later
#include "clickablepicture.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

namespace {

// A label to Qt; a button, check box or radio button to a screen reader.
class ClickablePictureAccessible : public QAccessibleWidget {
public:
    explicit ClickablePictureAccessible(ClickablePicture* picture) : QAccessibleWidget(picture) {}

    QAccessible::Role role() const override {
        switch (picture()->kind()) {
        case ClickablePicture::Kind::CheckBox:
            return QAccessible::CheckBox;
        case ClickablePicture::Kind::RadioButton:
            return QAccessible::RadioButton;
        case ClickablePicture::Kind::Button:
            break;
        }
        return QAccessible::Button;
    }
    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        if (picture()->kind() != ClickablePicture::Kind::Button) {
            s.checkable = true;
            s.checked = picture()->isChecked();
        }
        return s;
    }
    QString text(QAccessible::Text t) const override {
        // A picture with words on it (a link) is named by them.
        if (t == QAccessible::Name && widget()->accessibleName().isEmpty())
            return picture()->text();
        return QAccessibleWidget::text(t);
    }
    QStringList actionNames() const override {
        return {picture()->kind() == ClickablePicture::Kind::Button ? pressAction()
                                                                    : toggleAction()};
    }
    void doAction(const QString& name) override {
        if (name == pressAction() || name == toggleAction())
            emit picture()->clicked();
    }

private:
    ClickablePicture* picture() const { return static_cast<ClickablePicture*>(widget()); }
};

QAccessibleInterface* clickablePictureFactory(const QString& className, QObject* object) {
    if (className == QLatin1String("ClickablePicture"))
        if (auto* picture = qobject_cast<ClickablePicture*>(object))
            return new ClickablePictureAccessible(picture);
    return nullptr;
}

} // namespace

ClickablePicture::ClickablePicture(QWidget* parent, const QString& name, const QString& hint)
    : QLabel(parent) {
    static const bool factoryInstalled = [] {
        QAccessible::installFactory(clickablePictureFactory);
        return true;
    }();
    Q_UNUSED(factoryInstalled);
    setObjectName(name);
    setToolTip(hint);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setFocusPolicy(Qt::StrongFocus);
    setCursor(Qt::PointingHandCursor);
}

void ClickablePicture::setChecked(bool checked) {
    if (m_checked == checked)
        return;
    m_checked = checked;
    if (m_kind != Kind::Button) {
        QAccessible::State changed;
        changed.checked = true;
        QAccessibleStateChangeEvent event(this, changed);
        QAccessible::updateAccessibility(&event);
    }
}

void ClickablePicture::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit clicked();
    QLabel::mouseReleaseEvent(event);
}

void ClickablePicture::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Space) {
        emit clicked();
        return;
    }
    QLabel::keyPressEvent(event);
}

// A dotted outline shows the keyboard user which picture Space acts on.
void ClickablePicture::paintEvent(QPaintEvent* event) {
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
}
