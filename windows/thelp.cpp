// SPDX-License-Identifier: GPL-3.0-or-later
#include "thelp.h"

#include "windowart.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QStackedWidget>
#include <QTextEdit>
#include <QVBoxLayout>

namespace {

const char* const kPageCaptions[] = {"Overview", "Connecting",    "Game Play",
                                     "Scoring",  "Documentation", "License"};

QTextEdit* makePane(int page) {
    auto* memo = new QTextEdit;
    memo->setObjectName(QStringLiteral("memo%1").arg(page));
    memo->setReadOnly(true);
    // A Tab stop, read with the arrow keys: a screen-reader user reaches the
    // text from the page buttons as anyone reaches a control.
    memo->setFocusPolicy(Qt::StrongFocus);
    memo->setTextInteractionFlags(Qt::TextSelectableByKeyboard | Qt::TextSelectableByMouse);
    memo->setTabChangesFocus(true);
    const QString caption = QString::fromLatin1(kPageCaptions[page - 1]);
    memo->setAccessibleName(caption + QStringLiteral(" help"));
    memo->verticalScrollBar()->setAccessibleName(caption + QStringLiteral(" help scrolling"));
    memo->horizontalScrollBar()->setAccessibleName(caption +
                                                   QStringLiteral(" help scrolling across"));
    memo->setFrameShape(QFrame::NoFrame);
    memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    memo->document()->setDocumentMargin(5);
    memo->setFont(QFont(QStringLiteral("Arial"), 8));
    QPalette pale = memo->palette();
    pale.setColor(QPalette::Base, QColor(0xFF, 0xFF, 0xD3)); // 00BBGGRR 13893631
    memo->setPalette(pale);
    memo->setPlainText(helpParagraphs(helpPageText(page)));
    return memo;
}

} // namespace

Thelp::Thelp(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("help"));
    setWindowTitle(QStringLiteral("Vorlix - Help File"));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                   Qt::WindowMinMaxButtonsHint);
    resize(521, 422);
    windowart::makeWhite(this);

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    auto* left = new QWidget(this);
    left->setObjectName(QStringLiteral("panel_left"));
    left->setFixedWidth(137);
    left->setAccessibleName(QStringLiteral("Help pages"));
    auto* buttons = new QVBoxLayout(left);
    for (int page = 1; page <= 6; ++page) {
        auto* button = new QPushButton(QString::fromLatin1(kPageCaptions[page - 1]), left);
        button->setObjectName(QStringLiteral("SelButton%1").arg(page));
        button->setProperty("Tag", page);
        button->setAutoDefault(false);
        connect(button, &QPushButton::clicked, this, [this, page] { SelButton1Click(page); });
        m_pageButtons[page - 1] = button;
        buttons->addWidget(button);
    }
    buttons->addStretch();
    auto* about = new QPushButton(QStringLiteral("About"), left);
    about->setObjectName(QStringLiteral("button_about"));
    about->setAutoDefault(false);
    connect(about, &QPushButton::clicked, this, &Thelp::button_aboutClick);
    buttons->addWidget(about);
    auto* done = new QPushButton(QStringLiteral("Done"), left);
    done->setObjectName(QStringLiteral("button_done"));
    done->setAutoDefault(false);
    connect(done, &QPushButton::clicked, this, &Thelp::button_doneClick);
    buttons->addWidget(done);
    layout->addWidget(left);

    auto* right = new QWidget(this);
    right->setAccessibleName(QStringLiteral("Help text"));
    auto* column = new QVBoxLayout(right);
    column->setContentsMargins(0, 0, 0, 0);
    label_caption = new QLabel(QStringLiteral("Overview"), right);
    label_caption->setObjectName(QStringLiteral("label_caption"));
    label_caption->setAlignment(Qt::AlignCenter);
    label_caption->setFont(QFont(QStringLiteral("Arial"), 12));
    label_caption->setStyleSheet(QStringLiteral("color: navy;"));
    column->addWidget(label_caption);
    m_panes = new QStackedWidget(right);
    m_panes->setAccessibleName(QStringLiteral("Help page"));
    for (int page = 1; page <= 6; ++page)
        m_panes->addWidget(makePane(page));
    column->addWidget(m_panes, 1);
    layout->addWidget(right, 1);

    m_panes->setCurrentIndex(0);
}

void Thelp::SelButton1Click(int page) {
    if (page < 1 || page > int(m_pageButtons.size()))
        return;
    m_panes->setCurrentIndex(page - 1);
    label_caption->setText(m_pageButtons[page - 1]->text());
}

void Thelp::button_aboutClick() {
    if (showAbout)
        showAbout();
}

void Thelp::button_doneClick() {
    hide();
}

int Thelp::currentPage() const {
    return m_panes->currentIndex() + 1;
}
