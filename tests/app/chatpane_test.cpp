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
    chat->menuAction("ClearMainChat1")->trigger();
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
