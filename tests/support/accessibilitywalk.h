// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Walks a window's accessibility tree as a screen reader does: every control
// must have a name (and a check box its checkable state), every label a
// description, and nothing readable may hold a text it must not give away.

#include <QAccessible>
#include <QObject>
#include <QStringList>

namespace accessibilitywalk {

inline QString describe(QAccessibleInterface* iface) {
    QObject* object = iface->object();
    return QStringLiteral("%1 %2").arg(
        object ? QString::fromLatin1(object->metaObject()->className()) : QStringLiteral("?"),
        object ? object->objectName() : QString());
}

// Answers the number of objects visited; every fault found goes to `faults`.
// Separators carry no name, nor do Qt's own scroll area parts ("qt_...").
// Where `labelsDescribed`, a label (whose name is what it shows) must also say
// what it is, as the board's labels do.
inline int findUnnamed(QAccessibleInterface* iface, QStringList& faults,
                       bool labelsDescribed = true) {
    int visited = 0;
    for (int i = 0; i < iface->childCount(); ++i) {
        QAccessibleInterface* child = iface->child(i);
        if (!child)
            continue;
        ++visited;
        const QString what = describe(child);
        QObject* object = child->object();
        const bool qtPart = object && object->objectName().startsWith(QLatin1String("qt_"));
        const QAccessible::Role role = child->role();
        if (role != QAccessible::Separator && !qtPart &&
            child->text(QAccessible::Name).trimmed().isEmpty())
            faults << what;
        if (labelsDescribed && role == QAccessible::StaticText &&
            child->text(QAccessible::Description).isEmpty())
            faults << what + QStringLiteral(" (no description)");
        if ((role == QAccessible::CheckBox || role == QAccessible::RadioButton) &&
            !child->state().checkable)
            faults << what + QStringLiteral(" (not checkable)");
        visited += findUnnamed(child, faults, labelsDescribed);
    }
    return visited;
}

// Every place under `iface` whose name, description, value or help holds
// `secret`.
inline void findText(QAccessibleInterface* iface, const QString& secret, QStringList& found) {
    for (QAccessible::Text t :
         {QAccessible::Name, QAccessible::Description, QAccessible::Value, QAccessible::Help})
        if (iface->text(t).contains(secret, Qt::CaseInsensitive))
            found << describe(iface) + QStringLiteral(": ") + iface->text(t);
    if (QObject* object = iface->object()) {
        const QString tip = object->property("toolTip").toString();
        if (tip.contains(secret, Qt::CaseInsensitive))
            found << describe(iface) + QStringLiteral(" tool tip: ") + tip;
    }
    for (int i = 0; i < iface->childCount(); ++i)
        if (QAccessibleInterface* child = iface->child(i))
            findText(child, secret, found);
}

} // namespace accessibilitywalk
