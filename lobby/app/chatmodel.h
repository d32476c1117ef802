// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The lobby chat as the window shows it: the lines said (the last kMaxLines),
// who is present, and whom the player ignores. An ignored player's lines stay
// kept but are not shown, so "Stop Ignoring" brings them back. Names are
// matched without regard to case, as a reader would: "BOB" is not a way round
// ignoring "Bob". Text is kept as received, to be shown as plain text only.

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

struct ChatEntry {
    QString name;
    QString text;
    friend bool operator==(const ChatEntry&, const ChatEntry&) = default;
};

class ChatModel : public QObject {
    Q_OBJECT
public:
    static constexpr int kMaxLines = 500;

    explicit ChatModel(QObject* parent = nullptr);

    void addLine(const QString& name, const QString& text);
    void setPeople(const QStringList& people);
    void setIgnored(const QStringList& names);
    void setIgnoring(const QString& name, bool ignore);

    bool isIgnored(const QString& name) const;
    const QStringList& ignored() const { return m_ignored; }
    const QStringList& people() const { return m_people; }
    // The lines shown: every kept line of a player not ignored, oldest first.
    QList<ChatEntry> shownLines() const;

signals:
    // A line to show was added (one of an ignored player is kept silently).
    void lineShown(const ChatEntry& entry);
    // The oldest line shown was forgotten, to keep the last kMaxLines.
    void oldestShownLineDropped();
    // The lines to show changed otherwise: an ignore began or ended.
    void shownLinesReset();
    void peopleChanged();
    void ignoredChanged();

private:
    QList<ChatEntry> m_lines;
    QStringList m_people;
    QStringList m_ignored;
};
