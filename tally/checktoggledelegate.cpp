// SPDX-License-Identifier: GPL-3.0-or-later
#include "checktoggledelegate.h"

#include <QPersistentModelIndex>
#include <QPointer>

CheckToggleDelegate::CheckToggleDelegate(QObject* parent, std::function<void(int)> toggled)
    : QStyledItemDelegate(parent), m_toggled(std::move(toggled)) {}

bool CheckToggleDelegate::editorEvent(QEvent* event, QAbstractItemModel* model,
                                      const QStyleOptionViewItem& option,
                                      const QModelIndex& index) {
    const QVariant before = index.data(Qt::CheckStateRole);
    const bool handled = QStyledItemDelegate::editorEvent(event, model, option, index);
    if (handled && index.data(Qt::CheckStateRole) != before) {
        QPersistentModelIndex entry(index);
        QPointer<CheckToggleDelegate> self(this);
        QMetaObject::invokeMethod(
            this,
            [self, entry] {
                if (self && entry.isValid())
                    self->m_toggled(entry.row());
            },
            Qt::QueuedConnection);
    }
    return handled;
}
