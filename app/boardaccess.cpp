// SPDX-License-Identifier: GPL-3.0-or-later
// What a screen reader is told about the board: every control's name, and for
// the labels a description of what they show (their name is what they show).

#include "boardpanel_p.h"
#include "gamemodel.h"

#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QTextEdit>

namespace boardart {

QString pictureName(Picture picture) {
    switch (picture) {
    case Picture::LeftColumn:
        return QStringLiteral("Words guessed");
    case Picture::Requirements:
        return QStringLiteral("Word requirements");
    case Picture::ClockFrame:
        return QStringLiteral("Clock");
    case Picture::ClockBar:
        return QStringLiteral("Time left");
    case Picture::WordFrame:
        return QStringLiteral("Enter your words");
    case Picture::NotPlaying:
        return QStringLiteral("You are not playing: game is full");
    case Picture::Logo:
        return QStringLiteral("Vorlix");
    case Picture::ChatBackground:
        return QStringLiteral("Chat");
    case Picture::Winner:
        return QStringLiteral("Winner");
    case Picture::ScoreBackground:
        return QStringLiteral("Scores");
    case Picture::ScoreCard:
        return QStringLiteral("Score card");
    }
    return {};
}

QString buttonName(ButtonFace face) {
    switch (face) {
    case ButtonFace::StartGame:
        return QStringLiteral("Start game");
    case ButtonFace::GiveUp:
        return QStringLiteral("I give up");
    case ButtonFace::Phrase:
        return QStringLiteral("Phrase");
    case ButtonFace::Chatter:
        return QStringLiteral("Chatter sounds");
    case ButtonFace::LinkLogo:
        return QStringLiteral("Web site");
    }
    return {};
}

} // namespace boardart

namespace {

void describe(QWidget* w, const QString& description) {
    w->setAccessibleDescription(description);
}

// A pane and its scroll bars.
void namePane(QTextEdit* pane, const QString& name) {
    pane->setAccessibleName(name);
    pane->verticalScrollBar()->setAccessibleName(name + QStringLiteral(" scrolling"));
    pane->horizontalScrollBar()->setAccessibleName(name + QStringLiteral(" scrolling across"));
}

} // namespace

void BoardPanel::Impl::nameForScreenReaders() {
    q->setAccessibleName(QStringLiteral("Game board"));
    namePane(memo_wordlist, QStringLiteral("Words guessed"));
    namePane(mainchat, QStringLiteral("Chat"));
    mychat->setAccessibleName(QStringLiteral("Chat entry"));
    edit_word->setAccessibleName(QStringLiteral("Your word"));
    for (int n = 1; n <= 9; ++n)
        phrase[n - 1]->setAccessibleName(QStringLiteral("Phrase %1").arg(n));

    describe(label_round, QStringLiteral("Round"));
    describe(label_timeperturn, QStringLiteral("Time per turn"));
    describe(label_numletters, QStringLiteral("Word length of the game"));
    describe(label_word1, QStringLiteral("Word length of this round"));
    describe(label_word2, QStringLiteral("Words begin with"));
    describe(label_timer, QStringLiteral("Time left"));
    describe(label_status, QStringLiteral("Status"));
    describe(label_starter, QStringLiteral("Starter word"));
    describe(label_scrolloff, QStringLiteral("Scroll Chat Off is on"));
    panel_scores->setAccessibleName(QStringLiteral("Scores"));
    const char* const fields[5] = {"name", "words this round", "points this round",
                                   "words this game", "total score"};
    for (int i = 0; i < GameModel::kSeats; ++i) {
        const QString seat = QStringLiteral("Seat %1 ").arg(i + 1);
        describe(last[i], seat + QStringLiteral("last word"));
        describe(playername[i], seat + QStringLiteral("name"));
        describe(score[i], seat + QStringLiteral("score"));
        panel[i]->setAccessibleName(seat + QStringLiteral("scores"));
        for (int field = 0; field < 5; ++field)
            describe(panelField[i][field], seat + QLatin1String(fields[field]));
    }
    // Headings and captions say what they are.
    for (QLabel* l : q->findChildren<QLabel*>())
        if (l->accessibleDescription().isEmpty())
            describe(l, QStringLiteral("Heading"));
    for (QLabel* l : {label_word1, label_word2, label_starter})
        showText(l, l->text());
}

// A label's text, and the name a screen reader reads: the text, or while there
// is none, what the label is for.
void BoardPanel::Impl::showText(QLabel* label, const QString& text) {
    label->setText(text);
    board::setName(label, text.isEmpty() ? label->accessibleDescription() : QString());
}

namespace board {

void setName(QWidget* w, const QString& name) {
    if (w->accessibleName() != name)
        w->setAccessibleName(name);
}

void setDescription(QWidget* w, const QString& description) {
    if (w->accessibleDescription() != description)
        w->setAccessibleDescription(description);
}

} // namespace board
