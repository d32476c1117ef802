// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Tells a check list's owner when the user (mouse or Space key) flips an entry's
// check box, and only then: entries checked or unchecked by code, as the main
// window does when it refills the list, raise nothing.

#include <QStyledItemDelegate>

#include <functional>

class CheckToggleDelegate : public QStyledItemDelegate {
public:
    // `toggled` runs once the view has finished with the event (queued), so it
    // may change or remove entries and open message boxes safely. It gets the
    // entry's row at that moment.
    CheckToggleDelegate(QObject* parent, std::function<void(int)> toggled);

    bool editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
                     const QModelIndex& index) override;

private:
    std::function<void(int)> m_toggled;
};
