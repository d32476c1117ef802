// SPDX-License-Identifier: GPL-3.0-or-later
// The chat pane under the mouse and the keyboard: web addresses, selection
// and the focus.

#include "chatcontroller.h"
#include "tchatfixture.h"

#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QTest>
#include <QTextBlock>
#include <QTextFragment>

#include <algorithm>
#include <cmath>

namespace {

constexpr quint16 kPort = 19010;

class ChatPaneTest : public TchatFixture {
protected:
    void SetUp() override {
        startJoined(kPort);
        login(3);
    }
    QLineEdit* entry() const { return chat->board()->mychat(); }
};

} // namespace

TEST_F(ChatPaneTest, WebAddressesInThePaneOpenOnALeftPress) {
    QStringList opened;
    chat->chat()->openLink = [&](const QString& url) { opened << url; };
    chat->addlinetochat(QStringLiteral("Bob chats: see http://example.com/x now"), 0);
    const int at = pane()->toPlainText().indexOf("example");
    QTextCursor c(pane()->document());
    c.setPosition(at);
    const QPoint onLink = pane()->cursorRect(c).center() + QPoint(2, 0);
    QWidget* viewport = pane()->viewport();
    QTest::mouseMove(viewport, onLink);
    EXPECT_EQ(viewport->cursor().shape(), Qt::PointingHandCursor);
    QTest::mouseClick(viewport, Qt::LeftButton, {}, onLink);
    EXPECT_EQ(opened, QStringList{"http://example.com/x"});

    c.setPosition(pane()->toPlainText().indexOf("Bob"));
    const QPoint offLink = pane()->cursorRect(c).center() + QPoint(2, 0);
    QTest::mouseMove(viewport, offLink);
    EXPECT_NE(viewport->cursor().shape(), Qt::PointingHandCursor);
    QTest::mouseClick(viewport, Qt::LeftButton, {}, offLink);
    EXPECT_EQ(opened.size(), 1);
}

TEST_F(ChatPaneTest, AddressesInThePaneLookLikeLinks) {
    chat->addlinetochat(QStringLiteral("Bob chats: see www.example.com/a, or HTTP://x.org."),
                        0x0000FF);
    const QTextBlock line = pane()->document()->lastBlock().previous();
    ASSERT_EQ(line.text(), "Bob chats: see www.example.com/a, or HTTP://x.org.");
    QStringList linked;
    for (auto it = line.begin(); !it.atEnd(); ++it) {
        const QTextFragment f = it.fragment();
        if (f.charFormat().fontUnderline()) {
            linked << f.text();
            EXPECT_EQ(f.charFormat().foreground().color(), pane()->palette().color(QPalette::Link));
            EXPECT_EQ(f.charFormat().anchorHref(), f.text());
        } else {
            EXPECT_EQ(f.charFormat().foreground().color(), QColor(Qt::red))
                << f.text().toStdString();
        }
    }
    EXPECT_EQ(linked, (QStringList{"www.example.com/a", "HTTP://x.org"}));
    EXPECT_EQ(line.begin().fragment().charFormat().fontWeight(), QFont::Bold);
}

TEST_F(ChatPaneTest, HighContrastRecoloursEveryLineAndTheNewOnes) {
    // WCAG 2 contrast, measured here on its own.
    auto contrastOf = [](const QColor& a, const QColor& b) {
        auto lum = [](const QColor& c) {
            auto lin = [](int v) {
                const double x = v / 255.0;
                return x <= 0.03928 ? x / 12.92 : std::pow((x + 0.055) / 1.055, 2.4);
            };
            return 0.2126 * lin(c.red()) + 0.7152 * lin(c.green()) + 0.0722 * lin(c.blue());
        };
        const double x = lum(a), y = lum(b);
        return (std::max(x, y) + 0.05) / (std::min(x, y) + 0.05);
    };
    auto colours = [this] {
        QList<QColor> found;
        for (QTextBlock b = pane()->document()->begin(); b.isValid(); b = b.next())
            for (auto it = b.begin(); !it.atEnd(); ++it)
                found << it.fragment().charFormat().foreground().color();
        return found;
    };
    const QColor behind = pane()->palette().color(QPalette::Base);
    pane()->clear();
    // Yellow chat (a colour a player may choose), the program's blue, a link.
    chat->addlinetochat(QStringLiteral("Eve chats: sunny www.example.com"), 0x00FFFF);
    chat->addlinetochat(QStringLiteral("Welcome"), 0xFF0000);
    const QList<QColor> own = colours();
    ASSERT_GE(own.size(), 4);
    EXPECT_EQ(own[0], QColor(Qt::yellow));
    EXPECT_LT(contrastOf(own[0], behind), 1.5);

    chat->chat()->setHighContrast(true);
    const QList<QColor> readable = colours();
    ASSERT_EQ(readable.size(), own.size());
    for (int i = 0; i < readable.size(); ++i) {
        EXPECT_GE(contrastOf(readable[i], behind), 4.5) << i;
        if (contrastOf(own[i], behind) >= 4.5)
            EXPECT_EQ(readable[i], own[i]) << i << ": already readable, left as it was";
    }
    EXPECT_EQ(pane()->toPlainText(), "Eve chats: sunny www.example.com\nWelcome\n");
    chat->addlinetochat(QStringLiteral("Eve chats: again"), 0x00FFFF);
    EXPECT_GE(contrastOf(colours().last(), behind), 4.5);

    chat->chat()->setHighContrast(false);
    const QList<QColor> back = colours();
    EXPECT_EQ(back.mid(0, own.size()), own);
    EXPECT_EQ(back.last(), QColor(Qt::yellow));
}

TEST_F(ChatPaneTest, LocalFileAddressesFromThePaneAreNotOpened) {
    QStringList opened;
    chat->chat()->openLink = [&](const QString& url) { opened << url; };
    chat->addlinetochat(QStringLiteral("Eve chats: file:///usr/bin/xterm"), 0);
    QTextCursor c(pane()->document());
    c.setPosition(pane()->toPlainText().indexOf("usr"));
    const QPoint onLink = pane()->cursorRect(c).center() + QPoint(2, 0);
    QTest::mouseMove(pane()->viewport(), onLink);
    ASSERT_EQ(pane()->viewport()->cursor().shape(), Qt::PointingHandCursor); // seen as a link
    QTest::mouseClick(pane()->viewport(), Qt::LeftButton, {}, onLink);
    EXPECT_TRUE(opened.isEmpty());

    chat->addlinetochat(QStringLiteral("Bob chats: www.example.com"), 0);
    c.setPosition(pane()->toPlainText().indexOf("example"));
    QTest::mouseClick(pane()->viewport(), Qt::LeftButton, {},
                      pane()->cursorRect(c).center() + QPoint(2, 0));
    EXPECT_EQ(opened, QStringList{"www.example.com"});
}

TEST_F(ChatPaneTest, ReleasingAButtonOverThePaneFocusesTheEntry) {
    chat->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(chat.get()));
    pane()->setFocus();
    ASSERT_TRUE(spinUntil([&] { return pane()->hasFocus(); }));
    QTest::mouseRelease(pane()->viewport(), Qt::RightButton, {}, QPoint(5, 5));
    EXPECT_TRUE(entry()->hasFocus());

    pane()->setFocus();
    chat->findChild<QAction*>("ClearMainChat1")->trigger();
    EXPECT_TRUE(entry()->hasFocus());
}

TEST_F(ChatPaneTest, ASelectionInThePaneStaysThereForCtrlC) {
    chat->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(chat.get()));
    chat->addlinetochat(QStringLiteral("Bob chats: copy this line"), 0);
    QTextCursor c(pane()->document());
    c.setPosition(pane()->toPlainText().indexOf("copy"));
    const QPoint from = pane()->cursorRect(c).center();
    c.setPosition(pane()->toPlainText().indexOf(" line"));
    const QPoint to = pane()->cursorRect(c).center();
    QWidget* viewport = pane()->viewport();
    QTest::mousePress(viewport, Qt::LeftButton, {}, from);
    QTest::mouseMove(viewport, to);
    QTest::mouseRelease(viewport, Qt::LeftButton, {}, to);
    ASSERT_EQ(pane()->textCursor().selectedText(), "copy this");
    EXPECT_TRUE(pane()->hasFocus());
    QApplication::clipboard()->clear();
    QTest::keyClick(pane(), Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->text(), "copy this");
}
