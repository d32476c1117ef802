// SPDX-License-Identifier: GPL-3.0-or-later
// The board draws the game model: every label, picture and panel shows what the
// model holds, and nothing is read back from them.

#include "boardpanel_p.h"
#include "contrast.h"
#include "gamemodel.h"

#include <QLabel>
#include <QScrollBar>
#include <QTextBlockFormat>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <QTextLength>

namespace {

const QColor kMissedColour(0x80, 0x80, 0x80);

void setTextColour(QWidget* w, const QColor& c) {
    QPalette pal = w->palette();
    pal.setColor(QPalette::WindowText, c);
    w->setPalette(pal);
}

// A text the label may be too narrow for (a long name, a long word): cut with
// "…" rather than mid-letter, the whole text as the tool tip and as the name
// a screen reader gives. `tip` is the tool tip while the text fits.
//
// The whole board is drawn on every change of the model, and eliding lays out
// the whole text: six seats of 3000-letter names from a hostile host made every
// tick of the clock cost 2 ms, 60 KB names far more. A label drawn from the
// same text, tip and room (`drawn`) is left as it is.
void showFitted(QLabel* label, board::FittedText& drawn, const QString& text,
                const QString& tip = QString()) {
    const int room = label->contentsRect().width();
    if (room == drawn.room && text == drawn.text && tip == drawn.tip)
        return;
    drawn = {text, tip, room};
    const QString shown = label->fontMetrics().elidedText(text, Qt::ElideRight, room);
    label->setText(shown);
    // A tool tip that looks like markup is shown as markup: the host's text is
    // made into markup that shows it as it is.
    const QString whole = shown == text ? tip : text;
    label->setToolTip(Qt::mightBeRichText(whole) ? Qt::convertFromPlainText(whole) : whole);
    board::setName(label, text.isEmpty() ? label->accessibleDescription() : text);
}

} // namespace

void BoardPanel::Impl::draw() {
    drawSettings();
    drawClock();
    drawSeats();
    drawShown();
}

void BoardPanel::Impl::drawSettings() {
    label_round->setText(QStringLiteral("%1 of %2").arg(model.round()).arg(model.rounds()));
    label_timeperturn->setText(QStringLiteral("%1 secs").arg(model.secondsPerTurn()));
    label_numletters->setText(model.lengthSetting());
    showText(label_word1, model.roundLength());
    showText(label_word2, model.prefix());
    const std::optional<QString> starter = model.shownStarterWord();
    showText(label_starter, starter ? QStringLiteral("Starter Word: ") + *starter : QString());
    label_status->setText(model.status());
}

void BoardPanel::Impl::drawClock() {
    image_timer->resize(model.barWidth(), image_timer->height());
    const boardart::ArtColours& art = boardart::artColours(highContrast);
    setTextColour(label_timer, model.clockRed() ? art.clockLow : art.clockText);
    label_timer->setText(model.clockText());
}

void BoardPanel::Impl::drawSeats() {
    for (int i = 0; i < GameModel::kSeats; ++i) {
        const GameModel::Seat& s = model.seat(i + 1);
        showFitted(playername[i], fittedName[i], s.name, s.hint);
        showFitted(last[i], fittedLast[i], s.lastWord);
        score[i]->setText(s.scoreText);
        showFitted(panelField[i][0], fittedPanelName[i], s.panel[0]);
        for (int field = 1; field < 5; ++field)
            panelField[i][field]->setText(s.panel[field]);
        winnerPicture[i]->setVisible(s.winner);
    }
}

void BoardPanel::Impl::drawShown() {
    const bool entry = model.wordEntryShown();
    image_word->setVisible(entry);
    edit_word->setVisible(entry);
    edit_word->setReadOnly(!model.wordEntryOpen());
    board::setDescription(edit_word, model.wordEntryDescription());
    button_igiveup->setVisible(model.wordEntryOpen());
    if (model.errorShown())
        image_error->setPicture(model.errorReason());
    image_error->setVisible(model.errorShown());
    image_full->setVisible(model.notPlayingShown());
    button_start->setVisible(model.startShown());
    panel_scores->setVisible(model.scoresShown());
    if (model.scoresShown())
        panel_scores->raise();
}

// Every text and picture in the colours of the mode.
void BoardPanel::Impl::drawColours() {
    for (const board::TintedLabel& t : tinted)
        setTextColour(t.label, contrast::shown(t.colour, t.background, highContrast));
    const boardart::ArtColours& art = boardart::artColours(highContrast);
    QPalette mark = label_scrolloff->palette();
    mark.setColor(QPalette::Window, art.mark);
    mark.setColor(QPalette::WindowText, art.markText);
    label_scrolloff->setPalette(mark);
    for (auto* picture : q->findChildren<boardart::PictureWidget*>())
        picture->setHighContrast(highContrast);
    for (auto* button : q->findChildren<boardart::BoardButton*>())
        button->setHighContrast(highContrast);
    image_error->setHighContrast(highContrast);
    contrast::recolour(*memo_wordlist->document(), memo_wordlist->palette().color(QPalette::Base),
                       highContrast);
    drawClock();
}

void BoardPanel::Impl::addtowordlist(const QString& text, int seat) {
    QTextCursor cursor(memo_wordlist->document());
    cursor.movePosition(QTextCursor::End);
    QTextCharFormat format;
    contrast::setColour(format, BoardPanel::seatColour(seat),
                        memo_wordlist->palette().color(QPalette::Base), highContrast);
    format.setFontWeight(QFont::Normal);
    // The document starts with one empty block; later lines each get their own.
    if (!memo_wordlist->document()->isEmpty())
        cursor.insertBlock();
    cursor.insertText(text, format);
    showLastLine();
}

// Under a rule, in grey, so they are never taken for words somebody found:
// "Nobody found:", then points and word of each.
void BoardPanel::Impl::addMissedWords(const QStringList& words) {
    QTextCursor cursor(memo_wordlist->document());
    cursor.movePosition(QTextCursor::End);
    // Lines do not wrap, so the document has no width to take a share of: the
    // rule is as wide as the pane shows.
    const qreal across = memo_wordlist->width() -
                         memo_wordlist->verticalScrollBar()->sizeHint().width() -
                         2 * memo_wordlist->document()->documentMargin();
    QTextBlockFormat rule;
    rule.setProperty(QTextFormat::BlockTrailingHorizontalRulerWidth,
                     QTextLength(QTextLength::FixedLength, across));
    QTextCharFormat grey;
    contrast::setColour(grey, kMissedColour, memo_wordlist->palette().color(QPalette::Base),
                        highContrast);
    grey.setFontWeight(QFont::Normal);
    if (!memo_wordlist->document()->isEmpty())
        cursor.insertBlock(rule, grey);
    else
        cursor.setBlockFormat(rule);
    QTextCharFormat heading = grey;
    heading.setFontItalic(true);
    cursor.insertBlock(QTextBlockFormat(), heading);
    cursor.insertText(QStringLiteral("Nobody found:"), heading);
    for (const QString& word : words) {
        cursor.insertBlock(QTextBlockFormat(), grey);
        cursor.insertText(QStringLiteral("%1 : %2").arg(word.size()).arg(word), grey);
    }
    showLastLine();
}

// The newest line comes into view from its start: the points and the word
// lead every line, and a long name at its end must not push them out of sight.
void BoardPanel::Impl::showLastLine() {
    QScrollBar* down = memo_wordlist->verticalScrollBar();
    down->setValue(down->maximum());
    memo_wordlist->horizontalScrollBar()->setValue(0);
}
