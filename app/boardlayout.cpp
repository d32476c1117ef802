// SPDX-License-Identifier: GPL-3.0-or-later
// Builds the board's controls at their places, with their names, fonts and colours.

#include "boardpanel_p.h"
#include "gamemodel.h"

#include <QLabel>
#include <QTextEdit>

using boardart::BoardButton;
using boardart::ButtonFace;
using boardart::Picture;
using boardart::PictureWidget;

namespace {

const QColor kBoardColour = boardart::boardColour();
const QColor kNavy(0x00, 0x00, 0x80);
const QColor kOrange(0xDE, 0x5F, 0x21);

QFont boardFont(const QString& family, int points, bool bold = false, bool underline = false) {
    QFont f(family);
    f.setPointSize(points);
    f.setBold(bold);
    f.setUnderline(underline);
    return f;
}
QFont arial(int points, bool bold = false, bool underline = false) {
    return boardFont(QStringLiteral("Arial"), points, bold, underline);
}
QFont times(int points, bool bold = false) {
    return boardFont(QStringLiteral("Times New Roman"), points, bold);
}
// The chat pane's "MS Sans Serif" has no metric twin on Linux; Liberation Sans
// is the closest narrow sans at small sizes.
QFont chatFont(int points) {
    QFont f = boardFont(QStringLiteral("MS Sans Serif"), points);
    f.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("Liberation Sans"),
                   QStringLiteral("Arial")});
    return f;
}

void setTextColour(QWidget* w, const QColor& c) {
    QPalette pal = w->palette();
    pal.setColor(QPalette::WindowText, c);
    pal.setColor(QPalette::Text, c);
    w->setPalette(pal);
}

// A label in a colour of its own on `background`, remembered in `tinted` so
// "High Contrast Colours" can draw it again (none: the board colours it itself).
QLabel* label(std::vector<board::TintedLabel>* tinted, QWidget* parent, const QString& name,
              const QString& text, QRect geometry, const QFont& font, const QColor& colour,
              Qt::Alignment align = Qt::AlignLeft, const QColor& background = kBoardColour) {
    auto* l = new QLabel(text, parent);
    if (tinted)
        tinted->push_back({l, colour, background});
    // Names, words and scores come from the host: "<b>Eve</b>" is a name, not
    // markup to render.
    l->setTextFormat(Qt::PlainText);
    if (!name.isEmpty())
        l->setObjectName(name);
    l->setGeometry(geometry);
    l->setFont(font);
    l->setAlignment(align | Qt::AlignVCenter);
    setTextColour(l, colour);
    return l;
}

// A label that sizes itself to its text, placed at a point (headings).
QLabel* heading(std::vector<board::TintedLabel>* tinted, QWidget* parent, const QString& text,
                QPoint at, const QFont& font, const QColor& colour) {
    QLabel* l = label(tinted, parent, QString(), text, QRect(at, QSize(10, 10)), font, colour);
    l->adjustSize();
    return l;
}

template <class W> W* named(W* w, const QString& name, QRect geometry) {
    w->setObjectName(name);
    w->setGeometry(geometry);
    return w;
}

void flatTextPane(QTextEdit* pane, const QFont& font) {
    pane->setReadOnly(true);
    // Read by clicking (and selected to copy), never a stop of the Tab key.
    pane->setFocusPolicy(Qt::ClickFocus);
    pane->setFrameStyle(QFrame::NoFrame);
    pane->setFont(font);
    pane->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    pane->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    QPalette pal = pane->palette();
    pal.setColor(QPalette::Base, kBoardColour);
    pane->setPalette(pal);
}

const char* const kDefaultPhrases[9] = {
    "Way To Go!", "Good One!", "Nice Try!",         "Excellent!",          "Brilliant!",
    "Wow, WTG!",  "Thanks!",   "Way To Go Teamie!", "Good Game Everyone!",
};

} // namespace

void BoardPanel::Impl::buildLayout() {
    q->setFixedSize(777, 474);
    q->setAutoFillBackground(true);
    QPalette pal = q->palette();
    pal.setColor(QPalette::Window, kBoardColour);
    q->setPalette(pal);

    // Made in this order: later controls lie over earlier ones.
    buildWordList();
    buildCentreColumn();
    buildSeatRows();
    buildSettingsColumn();
    buildChatColumn();
    buildScorePanel();
    buildAnnouncer();
    orderTabStops();
    nameForScreenReaders();
}

// Left column: the words guessed.
void BoardPanel::Impl::buildWordList() {
    named(new PictureWidget(Picture::LeftColumn, q), QStringLiteral("image_leftcolumn"),
          QRect(4, 8, 233, 460));
    heading(&tinted, q, QStringLiteral("WORDS GUESSED"), QPoint(33, 16), arial(14, true, true),
            kOrange);
    memo_wordlist =
        named(new QTextEdit(q), QStringLiteral("memo_wordlist"), QRect(14, 48, 209, 410));
    flatTextPane(memo_wordlist, arial(10));
    memo_wordlist->setLineWrapMode(QTextEdit::NoWrap);
    // Lines do not wrap: a line wider than the pane can be scrolled to.
    memo_wordlist->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
}

// Centre column: requirements, clock, status and the word entry.
void BoardPanel::Impl::buildCentreColumn() {
    named(new PictureWidget(Picture::Requirements, q), QStringLiteral("image_requirements"),
          QRect(240, 24, 320, 113));
    label_word1 = label(&tinted, q, QStringLiteral("label_word1"), QString(),
                        QRect(249, 89, 148, 32), times(20, true), kNavy, Qt::AlignHCenter);
    label_word2 = label(&tinted, q, QStringLiteral("label_word2"), QString(),
                        QRect(421, 89, 124, 32), times(20, true), kNavy, Qt::AlignHCenter);

    named(new PictureWidget(Picture::ClockFrame, q), QStringLiteral("image_clock"),
          QRect(240, 138, 317, 34));
    image_timer = named(new PictureWidget(Picture::ClockBar, q), QStringLiteral("image_timer"),
                        QRect(247, 144, 0, 23));
    label_timer =
        label(nullptr, q, QStringLiteral("label_timer"), QStringLiteral("Time: 0:00"),
              QRect(251, 146, 87, 19), arial(12, true), QColor(0xE0, 0xE3, 0x9D), Qt::AlignHCenter);
    label_status =
        label(&tinted, q, QStringLiteral("label_status"), QStringLiteral("Welcome to Vorlix"),
              QRect(241, 173, 318, 19), arial(12, true), kOrange, Qt::AlignHCenter);

    image_word = named(new PictureWidget(Picture::WordFrame, q), QStringLiteral("image_word"),
                       QRect(239, 195, 323, 73));
    button_igiveup = named(new BoardButton(ButtonFace::GiveUp, q), QStringLiteral("button_igiveup"),
                           QRect(447, 196, 108, 18));
    // A button's shortcut acts only while the button is on show, which is
    // while the player's own turn runs.
    button_igiveup->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_G));
    button_igiveup->setToolTip(QStringLiteral("I Give Up (Ctrl+G)"));
    edit_word =
        named(new board::WordEdit(q), QStringLiteral("edit_word"), QRect(251, 223, 297, 38));
    edit_word->setFont(times(24));
    edit_word->setFrame(false);
    // No word in the list is longer than 14 letters; without a cap a pasted page
    // would go out as one message past the server's limit and get us dropped.
    edit_word->setMaxLength(BoardPanel::kMaxWordLength);
    {
        QPalette ep = edit_word->palette();
        ep.setColor(QPalette::Base, kBoardColour);
        edit_word->setPalette(ep);
    }
    image_full = named(new PictureWidget(Picture::NotPlaying, q), QStringLiteral("image_full"),
                       QRect(288, 204, 216, 54));
    image_full->hide();
    image_error = named(new boardart::ErrorPicture(q), QStringLiteral("image_error"),
                        QRect(365, 266, boardart::kErrorWidth, boardart::kErrorHeight));
}

// Right column: the chat pane and entry.
void BoardPanel::Impl::buildChatColumn() {
    named(new PictureWidget(Picture::ChatBackground, q), QStringLiteral("image_chat"),
          QRect(566, 170, 207, 298));
    mainchat = named(new QTextEdit(q), QStringLiteral("mainchat"), QRect(572, 176, 195, 255));
    flatTextPane(mainchat, chatFont(8));
    // "Scroll Chat Off" shows on the pane itself: new lines arrive out of view.
    label_scrolloff =
        label(nullptr, q, QStringLiteral("label_scrolloff"), QStringLiteral("Scroll Off"),
              QRect(690, 177, 58, 15), arial(7, true), Qt::white, Qt::AlignHCenter);
    label_scrolloff->setAutoFillBackground(true);
    {
        QPalette mark = label_scrolloff->palette();
        mark.setColor(QPalette::Window, kOrange);
        label_scrolloff->setPalette(mark);
    }
    label_scrolloff->setAttribute(Qt::WA_TransparentForMouseEvents); // the pane's own
    label_scrolloff->hide();
    mychat = named(new QLineEdit(q), QStringLiteral("mychat"), QRect(575, 440, 189, 22));
    mychat->setFont(arial(10));
    mychat->setText(QStringLiteral("<Enter Chat Here>"));
    mychat->setFrame(false);
}

void BoardPanel::Impl::buildAnnouncer() {
    announcements =
        named(new board::Announcer(q), QStringLiteral("announcements"), label_status->geometry());
    announcements->lower();
    announcements->showMessage(model.status());
}

// Tab: word box, chat entry, then the picture buttons; Shift+Tab the other way.
void BoardPanel::Impl::orderTabStops() {
    QList<QWidget*> order = {button_igiveup, edit_word, mychat};
    for (BoardButton* b : phrase)
        order << b;
    order << Image4 << button_start;
    for (qsizetype i = 1; i < order.size(); ++i)
        QWidget::setTabOrder(order[i - 1], order[i]);
}

void BoardPanel::Impl::buildSettingsColumn() {
    named(new PictureWidget(Picture::Logo, q), QStringLiteral("image_logo"),
          QRect(565, 9, 209, 55));
    button_start = named(new BoardButton(ButtonFace::StartGame, q), QStringLiteral("button_start"),
                         QRect(598, 21, 150, 35));
    button_start->hide();

    // Captions end at 684 across; values start at 692.
    const int rows[3] = {68, 88, 105};
    const char* captions[3] = {"Round:", "Time Per Turn:", "Word Length:"};
    for (int i = 0; i < 3; ++i) {
        const QFont f = arial(i == 0 ? 12 : 10, true);
        label(&tinted, q, QString(), QString::fromLatin1(captions[i]), QRect(566, rows[i], 118, 18),
              f, kNavy, Qt::AlignRight);
    }
    label_round = label(&tinted, q, QStringLiteral("label_round"), QStringLiteral("0 of 5"),
                        QRect(692, rows[0], 82, 18), arial(12, true), kNavy);
    label_timeperturn =
        label(&tinted, q, QStringLiteral("label_timeperturn"), QStringLiteral("60 secs"),
              QRect(692, rows[1], 82, 18), arial(10, true), kNavy);
    label_numletters =
        label(&tinted, q, QStringLiteral("label_numletters"), QStringLiteral("Random"),
              QRect(692, rows[2], 82, 18), arial(10, true), kNavy);

    const int across[5] = {566, 592, 618, 644, 670};
    for (int i = 0; i < 10; ++i) {
        const bool chatter = i == 9;
        auto* b = new BoardButton(chatter ? ButtonFace::Chatter : ButtonFace::Phrase, q);
        named(b, QStringLiteral("b_phrase%1").arg(i + 1),
              QRect(across[i % 5], i < 5 ? 128 : 148, 25, 19));
        b->setToolTip(chatter ? QStringLiteral("Chatter Sounds")
                              : QString::fromLatin1(kDefaultPhrases[i]));
        phrase[i] = b;
    }
    Image4 = named(new BoardButton(ButtonFace::LinkLogo, q), QStringLiteral("Image4"),
                   QRect(697, 128, 74, 38));
}

void BoardPanel::Impl::buildSeatRows() {
    heading(&tinted, q, QStringLiteral("Last Word"), QPoint(275, 291), arial(12, true, true),
            kNavy);
    heading(&tinted, q, QStringLiteral("Name"), QPoint(387, 291), arial(12, true, true), kNavy);
    heading(&tinted, q, QStringLiteral("Score"), QPoint(503, 291), arial(12, true, true), kNavy);
    const int down[6] = {315, 338, 362, 385, 409, 432};
    for (int i = 0; i < 6; ++i) {
        const int seat = i + 1;
        const QColor c = BoardPanel::seatColour(seat);
        const QFont f = arial(12, true);
        last[i] = label(&tinted, q, QStringLiteral("label_last%1").arg(seat), QString(),
                        QRect(240, down[i], 128, 20), f, c, Qt::AlignHCenter);
        last[i]->setProperty("Tag", seat);
        playername[i] = label(&tinted, q, QStringLiteral("label_playername%1").arg(seat),
                              GameModel::waiting(), QRect(372, down[i], 128, 20), f, c);
        playername[i]->setProperty("Tag", seat);
        score[i] = label(&tinted, q, QStringLiteral("label_score%1").arg(seat), QStringLiteral("0"),
                         QRect(513, down[i], 46, 20), f, c);
    }
}

void BoardPanel::Impl::buildScorePanel() {
    panel_scores = named(new QWidget(q), QStringLiteral("panel_scores"), QRect(238, 8, 323, 459));
    named(new PictureWidget(Picture::ScoreBackground, panel_scores), QStringLiteral("image_scores"),
          QRect(0, 0, 323, 459));
    const QPoint at[6] = {{8, 8}, {163, 8}, {8, 155}, {163, 155}, {8, 302}, {163, 302}};
    for (int i = 0; i < 6; ++i) {
        const int seat = i + 1;
        const QColor c = BoardPanel::seatColour(seat);
        QWidget* sub = named(new QWidget(panel_scores), QStringLiteral("panel_%1").arg(seat),
                             QRect(at[i], QSize(152, 138)));
        named(new PictureWidget(Picture::ScoreCard, sub), QStringLiteral("image_card%1").arg(seat),
              QRect(0, 0, 152, 138));
        panel[i] = sub;
        auto field = [&](int n, QRect r, const QFont& f, Qt::Alignment a) {
            QLabel* l = label(&tinted, sub, QStringLiteral("label_score%1%2").arg(seat).arg(n),
                              n == 0 ? GameModel::waiting() : QStringLiteral("0"), r, f, c, a);
            panelField[i][n] = l;
        };
        field(0, QRect(2, 3, 148, 20), arial(11, true), Qt::AlignHCenter);
        label(&tinted, sub, QString(), QStringLiteral("Round"), QRect(52, 26, 46, 16),
              arial(8, true, true), kNavy, Qt::AlignHCenter);
        label(&tinted, sub, QString(), QStringLiteral("Total"), QRect(100, 26, 46, 16),
              arial(8, true, true), kNavy, Qt::AlignHCenter);
        label(&tinted, sub, QString(), QStringLiteral("Words"), QRect(4, 44, 48, 18),
              arial(8, true), kNavy);
        label(&tinted, sub, QString(), QStringLiteral("Score"), QRect(4, 64, 48, 18),
              arial(8, true), kNavy);
        field(1, QRect(52, 44, 46, 18), arial(10, true), Qt::AlignHCenter);
        field(2, QRect(52, 64, 46, 18), arial(10, true), Qt::AlignHCenter);
        field(3, QRect(100, 44, 46, 18), arial(10, true), Qt::AlignHCenter);
        field(4, QRect(100, 64, 46, 18), arial(10, true), Qt::AlignHCenter);
        winnerPicture[i] = named(new PictureWidget(Picture::Winner, sub),
                                 QStringLiteral("image_winner%1").arg(seat), QRect(6, 92, 140, 38));
        winnerPicture[i]->hide();
    }
    // Between the last cards (ending at 440) and the panel's frame line.
    label_starter = label(&tinted, panel_scores, QStringLiteral("label_starter"), QString(),
                          QRect(4, 440, 315, 15), arial(10, true), kOrange, Qt::AlignHCenter,
                          boardart::scorePanelColour());
    panel_scores->hide();
    panel_scores->raise();
}
