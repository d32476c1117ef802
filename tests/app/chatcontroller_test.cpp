// SPDX-License-Identifier: GPL-3.0-or-later
// The chat controller on its own, with a stand-in for the main window: what it
// asks of its host, and widgets that go before it does.

#include "apptestsupport.h"
#include "chatcontroller.h"
#include "preferences.h"

#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QTest>
#include <QTextEdit>

#include <gtest/gtest.h>

#include <memory>

namespace {

struct FakeChatHost : ChatHost {
    FakeChatHost() {
        for (int n = 1; n <= 9; ++n)
            prefs.phrases[n - 1] = QStringLiteral("Phrase %1").arg(n);
        prefs.textColour = prefs.actionColour = 0;
    }
    QWidget window;
    QPointer<QTextEdit> pane = new QTextEdit(&window);
    QPointer<QLineEdit> entry = new QLineEdit(&window);
    QPushButton phrase{&window};
    Preferences prefs;
    QList<QByteArray> sent;
    QStringList editorPhrases;

    ChatWidgets widgets() {
        ChatWidgets w{pane, entry, {}};
        w.phraseButtons[0] = &phrase;
        return w;
    }
    void sendMessage(const QByteArray& message) override { sent << message; }
    int ownNumber() const override { return 3; }
    bool loggedIn() const override { return true; }
    const Preferences& preferences() const override { return prefs; }
    quint32 systemColour() const override { return 0xFF0000; }
    void playSound(const QString&) override {}
    std::optional<QString> seatNameByNumberText(const QString& number) const override {
        if (number == QLatin1String("4"))
            return QStringLiteral("Tester");
        return std::nullopt;
    }
    void showPhraseEditor(const QStringList& phrases) override { editorPhrases = phrases; }
};

struct ChatAlone : ::testing::Test {
    FakeChatHost host;
    std::unique_ptr<ChatController> chat =
        std::make_unique<ChatController>(host, host.widgets(), &host.window);
};

TEST_F(ChatAlone, SendsWhatIsTypedAndTheHostsColourThoughPointedAt) {
    host.prefs.textColour = 0x0000FF; // red, read when the line goes
    QTest::keyClicks(host.entry, QStringLiteral("hi"));
    QTest::mouseMove(host.pane->viewport(), QPoint(5, 5));
    QTest::mouseRelease(host.pane->viewport(), Qt::LeftButton, {}, QPoint(5, 5));
    QTest::keyClick(host.entry, Qt::Key_Return);
    EXPECT_EQ(host.sent, QList<QByteArray>{msg("CMD_chat+3+hi|clRed")});
}

TEST_F(ChatAlone, UsesTheHostsPhrasesAndSeatNames) {
    host.phrase.click();
    EXPECT_EQ(host.sent, QList<QByteArray>{msg("CMD_action+3+says: Phrase 1|clBlack")});
    chat->PrhaseList1Click();
    EXPECT_EQ(host.editorPhrases.size(), 9);
    EXPECT_EQ(host.editorPhrases.value(8), "Phrase 9");
    chat->playasound("4+wave3+");
    EXPECT_EQ(lastChatText(host.pane), "Tester: <Chatter Sound> Hello");
}

TEST_F(ChatAlone, WidgetsThatGoFirstLeaveItHarmless) {
    delete host.entry;
    delete host.pane;
    chat->addlinetochat(QStringLiteral("nobody sees this"), 0);
    chat->sendit();
    chat->Copy1Click();
    chat->Paste1Click();
    chat->ClearMainChat1Click();
    EXPECT_TRUE(host.sent.isEmpty());
}

TEST_F(ChatAlone, OnceGoneItNoLongerWatchesTheWidgets) {
    chat.reset();
    host.entry->setText(QStringLiteral("typed"));
    QTest::keyClick(host.entry, Qt::Key_Return);
    EXPECT_TRUE(host.sent.isEmpty());
    EXPECT_EQ(host.entry->text(), "typed");
}

} // namespace
