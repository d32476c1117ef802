// SPDX-License-Identifier: GPL-3.0-or-later
#include "chatpanel.h"

#include "chatmodel.h"
#include "lobbymessages.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QSplitter>
#include <QTextBlock>
#include <QTextCursor>
#include <QVBoxLayout>

ChatPanel::ChatPanel(ChatModel& model, std::function<bool(const QString&)> say, QWidget* parent)
    : QWidget(parent), m_model(model), m_say(std::move(say)) {
    m_lines = new QPlainTextEdit(this);
    m_lines->setObjectName(QStringLiteral("chatLines"));
    m_lines->setAccessibleName(QStringLiteral("Lobby chat"));
    m_lines->setReadOnly(true);
    m_lines->setMaximumBlockCount(ChatModel::kMaxLines);
    m_people = new QListWidget(this);
    m_people->setObjectName(QStringLiteral("chatPeople"));
    m_people->setAccessibleName(QStringLiteral("Players in the lobby"));
    m_people->setContextMenuPolicy(Qt::CustomContextMenu);
    m_entry = new QLineEdit(this);
    m_entry->setObjectName(QStringLiteral("chatEntry"));
    m_entry->setAccessibleName(QStringLiteral("Say in the lobby chat"));
    m_entry->setPlaceholderText(QStringLiteral("Say something, then press Enter"));
    m_entry->setMaxLength(lobbywire::kMaxChatChars);

    auto* split = new QSplitter(this);
    split->addWidget(m_lines);
    split->addWidget(m_people);
    split->setStretchFactor(0, 4);
    split->setStretchFactor(1, 1);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(split, 1);
    layout->addWidget(m_entry);

    connect(&m_model, &ChatModel::lineShown, this,
            [this](const ChatEntry& e) { m_lines->appendPlainText(lineText(e)); });
    connect(&m_model, &ChatModel::oldestShownLineDropped, this, [this] {
        QTextCursor first(m_lines->document()->firstBlock());
        if (!first.movePosition(QTextCursor::NextBlock, QTextCursor::KeepAnchor))
            first.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
        first.removeSelectedText();
    });
    connect(&m_model, &ChatModel::shownLinesReset, this, &ChatPanel::showAllLines);
    connect(&m_model, &ChatModel::peopleChanged, this, &ChatPanel::showPeople);
    connect(&m_model, &ChatModel::ignoredChanged, this, &ChatPanel::showPeople);
    connect(m_entry, &QLineEdit::returnPressed, this, &ChatPanel::sayTyped);
    connect(m_people, &QListWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        const QListWidgetItem* item = m_people->itemAt(at);
        if (!item)
            return;
        if (std::unique_ptr<QMenu> menu = menuFor(m_people->row(item)))
            menu->exec(m_people->viewport()->mapToGlobal(at));
    });
    showAllLines();
    showPeople();
}

ChatPanel::~ChatPanel() = default;

QString ChatPanel::lineText(const ChatEntry& entry) {
    return entry.name + QStringLiteral(": ") + entry.text;
}

std::unique_ptr<QMenu> ChatPanel::menuFor(int row) {
    if (row < 0 || row >= m_model.people().size())
        return nullptr;
    const QString name = m_model.people().at(row);
    const bool ignored = m_model.isIgnored(name);
    auto menu = std::make_unique<QMenu>(this);
    // A name is text, never a shortcut: "&" stays an ampersand.
    QString shown = name;
    shown.replace(u'&', QStringLiteral("&&"));
    QAction* action = menu->addAction(
        (ignored ? QStringLiteral("Stop Ignoring %1") : QStringLiteral("Ignore %1")).arg(shown));
    connect(action, &QAction::triggered, this,
            [this, name, ignored] { m_model.setIgnoring(name, !ignored); });
    return menu;
}

void ChatPanel::showAllLines() {
    m_lines->clear();
    for (const ChatEntry& e : m_model.shownLines())
        m_lines->appendPlainText(lineText(e));
}

void ChatPanel::showPeople() {
    m_people->clear();
    for (const QString& name : m_model.people()) {
        auto* item = new QListWidgetItem(
            m_model.isIgnored(name) ? name + QStringLiteral(" (ignored)") : name, m_people);
        item->setData(Qt::AccessibleTextRole, item->text());
    }
}

void ChatPanel::sayTyped() {
    const QString text = m_entry->text().trimmed();
    if (text.isEmpty())
        return;
    if (m_say(text))
        m_entry->clear();
}
