// SPDX-License-Identifier: GPL-3.0-or-later
#include "chatmodel.h"

ChatModel::ChatModel(QObject* parent) : QObject(parent) {}

void ChatModel::addLine(const QString& name, const QString& text) {
    m_lines.append({name, text});
    // The pane shows only what is kept: a shown line forgotten here goes
    // there too, even while others' lines are ignored and the pane holds
    // fewer than its most.
    if (m_lines.size() > kMaxLines && !isIgnored(m_lines.takeFirst().name))
        emit oldestShownLineDropped();
    if (!isIgnored(name))
        emit lineShown(m_lines.last());
}

void ChatModel::setPeople(const QStringList& people) {
    if (people == m_people)
        return;
    m_people = people;
    emit peopleChanged();
}

void ChatModel::setIgnored(const QStringList& names) {
    QStringList kept;
    for (const QString& name : names)
        if (!name.isEmpty() && !kept.contains(name, Qt::CaseInsensitive))
            kept << name;
    if (kept == m_ignored)
        return;
    m_ignored = kept;
    emit ignoredChanged();
    emit shownLinesReset();
}

void ChatModel::setIgnoring(const QString& name, bool ignore) {
    QStringList names = m_ignored;
    if (ignore)
        names << name;
    else
        names.removeIf([&](const QString& n) { return n.compare(name, Qt::CaseInsensitive) == 0; });
    setIgnored(names);
}

bool ChatModel::isIgnored(const QString& name) const {
    return m_ignored.contains(name, Qt::CaseInsensitive);
}

QList<ChatEntry> ChatModel::shownLines() const {
    QList<ChatEntry> shown;
    for (const ChatEntry& e : m_lines)
        if (!isIgnored(e.name))
            shown << e;
    return shown;
}
