// SPDX-License-Identifier: GPL-3.0-or-later
#include "boardpanel.h"

#include "boardhost.h"
#include "boardpanel_p.h"
#include "contrast.h"
#include "gamemodel.h"
#include "messages.h"
#include "protocol.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QTextEdit>

namespace board {

void WordEdit::keyPressEvent(QKeyEvent* event) {
    if (anyKey)
        anyKey();
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        event->accept();
        if (enter)
            enter();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

Announcer::Announcer(QWidget* parent) : QStatusBar(parent) {
    setSizeGripEnabled(false);
    setAccessibleDescription(QStringLiteral("Announcements"));
}

void Announcer::announce(const QString& message) {
    // The same words again (a second rejection for the same reason) are news
    // too: a status bar tells a change only when its message differs.
    if (currentMessage() == message)
        clearMessage();
    showMessage(message);
}

} // namespace board

BoardPanel::BoardPanel(GameModel& model, BoardHost& host, QWidget* parent)
    : QWidget(parent), d(new Impl(this, model, host)) {
    setObjectName(QStringLiteral("board"));
    d->buildLayout();
    d->edit_word->anyKey = [this] { d->model.wordKeyPressed(); };
    d->edit_word->enter = [this] { d->sendWord(); };
    connect(d->button_igiveup, &QAbstractButton::clicked, this, &BoardPanel::button_igiveupClick);
    connect(d->button_start, &QAbstractButton::clicked, this, &BoardPanel::button_startClick);
    connect(&model, &GameModel::changed, this, [this] { d->draw(); });
    connect(&model, &GameModel::wordAdded, this,
            [this](const QString& text, int seat) { d->addtowordlist(text, seat); });
    connect(&model, &GameModel::wordsCleared, this, [this] { d->memo_wordlist->clear(); });
    connect(&model, &GameModel::wordEntryEmptied, this, [this] { d->edit_word->clear(); });
    connect(&model, &GameModel::announced, d->announcements, &board::Announcer::announce);
    connect(&model, &GameModel::missedWordsAdded, this,
            [this](const QStringList& words) { d->addMissedWords(words); });
    for (const GameModel::WordLine& line : model.words())
        d->addtowordlist(line.text, line.seat);
    if (!model.missedWordsShown().isEmpty())
        d->addMissedWords(model.missedWordsShown());
    d->draw();
}

BoardPanel::~BoardPanel() {
    // The controls go first, while the private part they may still report to
    // exists.
    qDeleteAll(findChildren<QWidget*>(Qt::FindDirectChildrenOnly));
    delete d;
}

QTextEdit* BoardPanel::mainchat() const {
    return d->mainchat;
}
QLineEdit* BoardPanel::mychat() const {
    return d->mychat;
}
QLabel* BoardPanel::label_status() const {
    return d->label_status;
}
QLabel* BoardPanel::playerNameLabel(int seat) const {
    return GameModel::isSeat(seat) ? d->playername[seat - 1] : nullptr;
}
QLabel* BoardPanel::lastWordLabel(int seat) const {
    return GameModel::isSeat(seat) ? d->last[seat - 1] : nullptr;
}
QAbstractButton* BoardPanel::phraseButton(int n) const {
    return (n >= 1 && n <= 10) ? d->phrase[n - 1] : nullptr;
}
QWidget* BoardPanel::button_start() const {
    return d->button_start;
}
QAbstractButton* BoardPanel::linkLogo() const {
    return d->Image4;
}

QColor BoardPanel::seatColour(int seat, bool highContrast) {
    if (highContrast)
        return contrast::readable(seatColour(seat), boardart::boardColour());
    switch (seat) {
    case 1:
        return QColor(0x00, 0x00, 0xDD);
    case 2:
        return QColor(0xFF, 0x80, 0x00);
    case 3:
        return QColor(0x00, 0xAA, 0xAA);
    case 4:
        return QColor(0xFF, 0x00, 0x00);
    case 5:
        return QColor(0x80, 0x80, 0xC0);
    case 6:
        return QColor(0xA4, 0xA4, 0x00);
    default:
        return QColor(0, 0, 0);
    }
}

QPixmap BoardPanel::errorPicture(int index) {
    return boardart::errorPixmap(index, 1.0);
}

void BoardPanel::Impl::sendWord() {
    if (model.ownTurn())
        host.sendMessage(wire::sendword(model.mynumber(), wire::encode(edit_word->text())));
    edit_word->clear();
}

void BoardPanel::button_igiveupClick() {
    if (!d->model.loggedin())
        return;
    d->host.sendMessage(wire::giveup(d->model.mynumber()));
    d->model.gaveUp();
}

void BoardPanel::button_startClick() {
    if (d->model.loggedin())
        d->host.showGameStart();
    else
        d->host.messageBox(QStringLiteral("You are not connected"));
}

void BoardPanel::setScrollChatOffMark(bool on) {
    d->label_scrolloff->setVisible(on);
}

bool BoardPanel::focusNextPrevChild(bool next) {
    QWidget* from = QApplication::focusWidget();
    // Either way round, Tab goes between the two entries while a round runs.
    if (d->model.wordEntryOpen() && (from == d->edit_word || from == d->mychat)) {
        QWidget* to = from == d->edit_word ? static_cast<QWidget*>(d->mychat) : d->edit_word;
        to->setFocus(Qt::TabFocusReason);
        return true;
    }
    return QWidget::focusNextPrevChild(next);
}

void BoardPanel::setHighContrast(bool on) {
    if (on == d->highContrast)
        return;
    d->highContrast = on;
    d->drawColours();
}

void BoardPanel::focusWordEntry() {
    d->edit_word->setFocus();
}
