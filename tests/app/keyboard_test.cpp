// SPDX-License-Identifier: GPL-3.0-or-later
// The whole game from the keyboard: focus at a round's start, Tab, Ctrl+G and
// the menus' keys.

#include "boardpanel.h"

#include "tchatfixture.h"
#include <QAbstractButton>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QSet>
#include <QTest>

namespace {

constexpr quint16 kKeyboardPort = 19200;

// The whole game from the keyboard, on a window that is the active one.
class KeyboardTest : public TchatFixture {
protected:
    void SetUp() override {
        startJoined(kKeyboardPort);
        login(3);
        deliver(msg("CMD_newplayerinfo+3+Tester"));
        tick();
        chat->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(chat.get()));
    }
    QWidget* focused() const { return QApplication::focusWidget(); }
    QLineEdit* entry() const { return chat->board()->mychat(); }
    QWidget* wordBox() const { return chat->findChild<QWidget*>("edit_word"); }
    void startRound() {
        deliver(msg("CMD_startround+1+60+5+STA+3+STARTER+"));
        tick();
    }
    void endRound() {
        while (chat->model().turnRunning())
            chat->model().turntimeTimer();
    }
};

} // namespace

TEST_F(KeyboardTest, ARoundStartPutsTheFocusInTheWordBox) {
    entry()->setFocus();
    ASSERT_TRUE(spinUntil([&] { return entry()->hasFocus(); }));
    startRound();
    EXPECT_EQ(focused(), wordBox());
}

TEST_F(KeyboardTest, AChatLineBeingTypedKeepsTheFocus) {
    entry()->setFocus();
    QTest::keyClicks(entry(), "hel");
    startRound();
    EXPECT_EQ(focused(), entry());
    EXPECT_EQ(entry()->text(), "hel");
}

TEST_F(KeyboardTest, TabGoesBetweenTheWordBoxAndTheChatEntry) {
    startRound();
    ASSERT_EQ(focused(), wordBox());
    QTest::keyClick(focused(), Qt::Key_Tab);
    EXPECT_EQ(focused(), entry());
    QTest::keyClick(focused(), Qt::Key_Tab);
    EXPECT_EQ(focused(), wordBox());
    QTest::keyClick(focused(), Qt::Key_Tab);
    QTest::keyClick(focused(), Qt::Key_Backtab);
    EXPECT_EQ(focused(), wordBox());
    QTest::keyClick(focused(), Qt::Key_Backtab);
    EXPECT_EQ(focused(), entry());
    QTest::keyClick(focused(), Qt::Key_Backtab);
    EXPECT_EQ(focused(), wordBox());

    // Between rounds Tab goes on to the picture buttons, never into the
    // read-only panes.
    endRound();
    entry()->setFocus();
    QSet<QString> stops;
    for (int i = 0; i < 30; ++i) {
        QTest::keyClick(focused(), Qt::Key_Tab);
        stops.insert(focused()->objectName());
    }
    EXPECT_FALSE(stops.contains("mainchat"));
    EXPECT_FALSE(stops.contains("memo_wordlist"));
    EXPECT_TRUE(stops.contains("b_phrase1"));
    EXPECT_TRUE(stops.contains("b_phrase10"));
    EXPECT_TRUE(stops.contains("mychat"));
}

TEST_F(KeyboardTest, KeysTypedAtTheBuzzerReachNobody) {
    startRound();
    ASSERT_EQ(focused(), wordBox());
    peer.expect(QByteArray()); // what login brought
    peer.take();
    QTest::keyClicks(focused(), "stal");
    endRound();
    // The half-typed word is dropped and the focus stays: the next guesses
    // typed go into a closed word box, not out to everybody as chat.
    EXPECT_EQ(focused(), wordBox());
    auto* box = qobject_cast<QLineEdit*>(wordBox());
    EXPECT_TRUE(box->text().isEmpty());
    QTest::keyClicks(focused(), "ding");
    QTest::keyClick(focused(), Qt::Key_Return);
    EXPECT_TRUE(box->text().isEmpty());
    // The chat line typed after them is the first thing the host hears.
    entry()->setFocus();
    entry()->clear();
    QTest::keyClicks(entry(), "gg");
    QTest::keyClick(entry(), Qt::Key_Return);
    ASSERT_TRUE(peer.expect(msg("CMD_chat+3+gg|clBlack")));
    EXPECT_EQ(peer.take(), msg("CMD_chat+3+gg|clBlack"));

    // The next round opens the box again where the focus still is.
    wordBox()->setFocus();
    startRound();
    QTest::keyClicks(focused(), "stab");
    QTest::keyClick(focused(), Qt::Key_Return);
    ASSERT_TRUE(peer.expect(msg("CMD_sendword+3+stab+")));
}

TEST_F(KeyboardTest, CtrlGGivesUp) {
    startRound();
    QTest::keyClick(focused(), Qt::Key_G, Qt::ControlModifier);
    ASSERT_TRUE(peer.expect(msg("CMD_giveup+3+")));
    EXPECT_EQ(chat->board()->label_status()->text(), "You gave up this round.");
}

TEST_F(KeyboardTest, F10AndAltFOpenTheFileMenu) {
    QMenu* file = chat->findChild<QMenu*>("File1");
    QTest::keyClick(focused() ? focused() : chat.get(), Qt::Key_F10);
    ASSERT_TRUE(spinUntil([&] { return file->isVisible(); }));
    file->close();
    ASSERT_TRUE(spinUntil([&] { return !file->isVisible(); }));
    QTest::keyClick(focused() ? focused() : chat.get(), Qt::Key_F, Qt::AltModifier);
    EXPECT_TRUE(spinUntil([&] { return file->isVisible(); }));
    file->close();
}

TEST_F(KeyboardTest, AClickOnABoardButtonLeavesTheFocusInTheWordBox) {
    startRound();
    ASSERT_EQ(focused(), wordBox());
    QTest::mouseClick(chat->board()->phraseButton(1), Qt::LeftButton);
    EXPECT_EQ(focused(), wordBox());
}
