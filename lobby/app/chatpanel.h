// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The lobby chat's widgets over a ChatModel: the lines (plain text only, so a
// name such as "<b>x</b>" shows as typed), who is present, and the entry line
// where Enter says what was typed. A name's context menu ignores that player
// or stops ignoring them; the model decides, the panel only shows it.

#include <QWidget>

#include <functional>
#include <memory>

class ChatModel;
struct ChatEntry;
class QLineEdit;
class QListWidget;
class QMenu;
class QPlainTextEdit;

class ChatPanel : public QWidget {
    Q_OBJECT
public:
    // `say` sends a line and answers whether it could; the entry keeps what
    // was typed when it could not.
    ChatPanel(ChatModel& model, std::function<bool(const QString&)> say, QWidget* parent = nullptr);
    ~ChatPanel() override;

    // The menu a right click on the person in `row` of the list opens.
    std::unique_ptr<QMenu> menuFor(int row);

    QPlainTextEdit* lines() const { return m_lines; }
    QListWidget* peopleList() const { return m_people; }
    QLineEdit* entry() const { return m_entry; }

    static QString lineText(const ChatEntry& entry);

private:
    void showAllLines();
    void showPeople();
    void sayTyped();

    ChatModel& m_model;
    std::function<bool(const QString&)> m_say;
    QPlainTextEdit* m_lines = nullptr;
    QListWidget* m_people = nullptr;
    QLineEdit* m_entry = nullptr;
};
