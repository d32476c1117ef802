// SPDX-License-Identifier: GPL-3.0-or-later
#include "chatcontroller.h"
#include "colortext.h"
#include "settingscontroller.h"
#include "tchatfixture.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QTextBlock>
#include <QTextFragment>

namespace {

constexpr quint16 kPort = 19000;

class ChatTest : public TchatFixture {
protected:
    void SetUp() override {
        startJoined(kPort);
        login(3);
    }
    QLineEdit* entry() const { return chat->board()->mychat(); }
    // A phrase as the phrase editor or the settings file would set it.
    void setPhrase(int n, const QString& text) {
        std::array<QString, 9> phrases = chat->settings()->preferences().phrases;
        phrases[n - 1] = text;
        chat->settings()->setPhrases(phrases);
    }
    void type(const QString& text) {
        entry()->setText(text);
        chat->chat()->sendit();
    }
    // Sends a marker chat line and answers everything the peer received up to it,
    // so a test can tell that nothing else was sent before.
    QByteArray sentBeforeMarker() {
        type(QStringLiteral("marker"));
        const QByteArray marker = msg("CMD_chat+3+marker|clBlack");
        EXPECT_TRUE(peer.expect(marker));
        QByteArray all = peer.take();
        return all.left(all.indexOf(marker));
    }
};

} // namespace

TEST_F(ChatTest, LineIsBoldUpToAndIncludingTheFirstColon) {
    chat->addlinetochat(QStringLiteral("Tester chats: hello: there"), 0x563412);
    const auto runs = lastChatLine(pane());
    ASSERT_EQ(runs.size(), 2);
    EXPECT_EQ(runs[0].text, "Tester chats:");
    EXPECT_TRUE(runs[0].bold);
    EXPECT_EQ(runs[1].text, " hello: there");
    EXPECT_FALSE(runs[1].bold);
    EXPECT_EQ(runs[0].colour, QColor(0x12, 0x34, 0x56));
    EXPECT_EQ(runs[1].colour, QColor(0x12, 0x34, 0x56));

    chat->addlinetochat(QStringLiteral("no colon here"), colortext::kBlue);
    const auto plain = lastChatLine(pane());
    ASSERT_EQ(plain.size(), 1);
    EXPECT_FALSE(plain[0].bold);
    EXPECT_EQ(plain[0].colour, QColor(0, 0, 255));
}

TEST_F(ChatTest, ReceivedChatTakesItsColourAndUnreadableColoursShowRed) {
    ChatController* c = chat->chat();
    c->chatrecieved("Bob chats: hi|clGreen");
    EXPECT_EQ(lastLine(), "Bob chats: hi");
    EXPECT_EQ(lastChatLine(pane())[0].colour, QColor(0, 0x80, 0));

    c->chatrecieved("Bob chats: hi|notacolour");
    EXPECT_EQ(lastLine(), "Bob chats: hi");
    EXPECT_EQ(lastChatLine(pane())[0].colour, QColor(255, 0, 0));

    c->chatrecieved("Bob waves");
    EXPECT_EQ(lastLine(), "Bob waves");
    EXPECT_EQ(lastChatLine(pane())[0].colour, QColor(255, 0, 0));

    // A "|" typed in the chat stays part of the line.
    c->chatrecieved("Bob chats: a|b|$00563412");
    EXPECT_EQ(lastLine(), "Bob chats: a|b");
    EXPECT_EQ(lastChatLine(pane())[0].colour, QColor(0x12, 0x34, 0x56));
}

TEST_F(ChatTest, ChatAndActionsLeaveWithTheirColours) {
    chat->settings()->chooseColour = [](const QColor&) { return QColor(Qt::red); };
    chat->settings()->TextColor1Click();
    chat->settings()->chooseColour = [](const QColor&) { return QColor(0x12, 0x34, 0x56); };
    chat->settings()->ActionColor1Click();
    type(QStringLiteral("hello there"));
    ASSERT_TRUE(peer.expect(msg("CMD_chat+3+hello there|clRed")));
    peer.take();
    type(QStringLiteral("/me waves"));
    ASSERT_TRUE(peer.expect(msg("CMD_action+3+waves|$00563412")));
    EXPECT_EQ(peer.take(), msg("CMD_action+3+waves|$00563412"));
    type(QStringLiteral("/meow"));
    ASSERT_TRUE(peer.expect(msg("CMD_action+3+w|$00563412")));
    EXPECT_EQ(peer.take(), msg("CMD_action+3+w|$00563412"));
    EXPECT_TRUE(entry()->text().isEmpty());
}

TEST_F(ChatTest, OtherSlashCommandsSendNothingAndEmptyTheEntry) {
    type(QStringLiteral("/quit"));
    EXPECT_TRUE(entry()->text().isEmpty());
    EXPECT_TRUE(sentBeforeMarker().isEmpty());
}

TEST_F(ChatTest, EnterInTheUntouchedEntrySendsNothing) {
    entry()->setText(QString::fromLatin1(ChatController::kEntryPrompt));
    QTest::keyClick(entry(), Qt::Key_Return);
    EXPECT_TRUE(entry()->text().isEmpty());
    EXPECT_TRUE(sentBeforeMarker().isEmpty());

    entry()->setText(QString::fromLatin1(ChatController::kEntryPrompt));
    QTest::keyClicks(entry(), QStringLiteral("hi"));
    EXPECT_EQ(entry()->text(), "hi");
    QTest::keyClick(entry(), Qt::Key_Return);
    ASSERT_TRUE(peer.expect(msg("CMD_chat+3+hi|clBlack")));
    EXPECT_EQ(peer.take(), msg("CMD_chat+3+hi|clBlack"));
}

TEST_F(ChatTest, TheTerminatorByteTypedInChatIsLeftOut) {
    type(QStringLiteral("caf\u00FFe"));
    ASSERT_TRUE(peer.expect(msg("CMD_chat+3+cafe|clBlack")));
    EXPECT_EQ(peer.take(), msg("CMD_chat+3+cafe|clBlack"));
}

TEST_F(ChatTest, PhraseButtonsSendSaysOrActionsAndAreGated) {
    QAbstractButton* thanks = chat->board()->phraseButton(7);
    ASSERT_EQ(thanks->toolTip(), "Thanks!");
    thanks->click();
    ASSERT_TRUE(peer.expect(msg("CMD_action+3+says: Thanks!|clBlack")));
    peer.take();
    EXPECT_FALSE(chat->chat()->phraseok());

    thanks->click();
    tick(100);
    thanks->click();
    EXPECT_TRUE(sentBeforeMarker().isEmpty());
    EXPECT_FALSE(chat->chat()->phraseok());
    tick();
    EXPECT_TRUE(chat->chat()->phraseok());
    EXPECT_EQ(chat->chat()->phraseticks(), 0);

    setPhrase(1, QStringLiteral("/me dances"));
    chat->board()->phraseButton(1)->click();
    ASSERT_TRUE(peer.expect(msg("CMD_action+3+dances|clBlack")));
    EXPECT_EQ(peer.take(), msg("CMD_action+3+dances|clBlack"));
}

TEST_F(ChatTest, AnOverlongPhraseGoesOutCutToALineTheServerAccepts) {
    // Settings files are edited by hand: a phrase may be any length.
    setPhrase(2, QString(20000, QLatin1Char('p')));
    chat->board()->phraseButton(2)->click();
    const QByteArray expected =
        "CMD_action+3+says: " + QByteArray(ChatController::kMaxEntryChars, 'p') + "|clBlack\xFF";
    ASSERT_TRUE(peer.expect(expected));
    EXPECT_EQ(peer.take(), expected);
}

TEST_F(ChatTest, ChatterSoundItemsSendFromSeatsOnly) {
    QAction* applause = chat->chat()->popupSounds()->findChild<QAction*>("wave13");
    ASSERT_NE(applause, nullptr);
    EXPECT_EQ(applause->text(), "Applause");
    chat->chat()->popupSounds()->findChild<QAction*>("Cancel1")->trigger();
    applause->trigger();
    ASSERT_TRUE(peer.expect(msg("CMD_playasound+3+wave13+")));
    EXPECT_EQ(peer.take(), msg("CMD_playasound+3+wave13+"));

    chat->model().setOwnNumber(7); // a spy
    applause->trigger();
    chat->model().setOwnNumber(3);
    EXPECT_TRUE(sentBeforeMarker().isEmpty());
}

TEST_F(ChatTest, ChatterSoundWithoutChatterSoundsIsWrittenAsALine) {
    chat->model().newplayerinfo("4+Tester");
    sounds.clear();
    chat->chat()->playasound("4+wave13+");
    const auto runs = lastChatLine(pane());
    ASSERT_EQ(runs.size(), 2);
    EXPECT_EQ(runs[0].text, "Tester:");
    EXPECT_TRUE(runs[0].bold);
    EXPECT_EQ(runs[1].text, " <Chatter Sound> Applause");
    EXPECT_EQ(runs[0].colour, QColor(0, 0, 255));
    EXPECT_TRUE(sounds.isEmpty());

    const int blocks = pane()->document()->blockCount();
    chat->chat()->playasound("8+wave13+");
    chat->chat()->playasound("4+wave99+");
    chat->chat()->playasound("x+wave2+");
    EXPECT_EQ(pane()->document()->blockCount(), blocks);

    chat->settings()->setChatterSounds(true);
    chat->settings()->setPlaySounds(false);
    chat->chat()->playasound("4+wave2+");
    EXPECT_EQ(sounds, QStringList{"wave2"});
    EXPECT_EQ(pane()->document()->blockCount(), blocks);
}

TEST_F(ChatTest, ScrollChatOffKeepsTheView) {
    for (int i = 0; i < 200; ++i)
        chat->addlinetochat(QStringLiteral("line %1").arg(i), 0);
    QScrollBar* bar = pane()->verticalScrollBar();
    ASSERT_GT(bar->maximum(), 0);
    EXPECT_EQ(bar->value(), bar->maximum());

    QAction* off1 = chat->findChild<QAction*>("ScrollChatOff1");
    QAction* off2 = chat->chat()->chatPopup()->findChild<QAction*>("ScrollChatOff2");
    QWidget* mark = chat->findChild<QWidget*>("label_scrolloff");
    ASSERT_NE(mark, nullptr);
    EXPECT_TRUE(mark->isHidden());
    EXPECT_EQ(off1->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_S));
    off2->trigger();
    EXPECT_TRUE(off1->isChecked());
    // The pane carries a mark while its view stays still.
    EXPECT_FALSE(mark->isHidden());
    EXPECT_TRUE(pane()->geometry().contains(mark->geometry()));
    bar->setValue(10);
    for (int i = 0; i < 20; ++i)
        chat->addlinetochat(QStringLiteral("more %1").arg(i), 0);
    EXPECT_EQ(bar->value(), 10);

    off1->trigger();
    EXPECT_FALSE(off2->isChecked());
    EXPECT_TRUE(mark->isHidden());
    chat->addlinetochat(QStringLiteral("follow"), 0);
    EXPECT_EQ(bar->value(), bar->maximum());
}

TEST_F(ChatTest, APastedPageIsCutToALineTheServerAccepts) {
    QApplication::clipboard()->setText(QString(20000, QLatin1Char('a')));
    chat->chat()->entryPopup()->findChild<QAction*>("Paste1")->trigger();
    EXPECT_EQ(entry()->text().size(), ChatController::kMaxEntryChars);
    chat->chat()->sendit();
    const QByteArray expected = msg(
        ("CMD_chat+3+" + QByteArray(ChatController::kMaxEntryChars, 'a') + "|clBlack").constData());
    ASSERT_TRUE(peer.expect(expected));
    EXPECT_EQ(peer.take(), expected);
    EXPECT_LT(expected.size(), 8 * 1024);
}

TEST_F(ChatTest, CopyPasteAndClear) {
    chat->addlinetochat(QStringLiteral("Bob chats: copy me"), 0);
    QTextCursor all(pane()->document());
    all.select(QTextCursor::Document);
    pane()->setTextCursor(all);
    chat->chat()->chatPopup()->findChild<QAction*>("Copy1")->trigger();
    EXPECT_TRUE(QApplication::clipboard()->text().contains("Bob chats: copy me"));

    QApplication::clipboard()->setText(QStringLiteral("pasted"));
    entry()->setText(QStringLiteral("old text"));
    chat->chat()->entryPopup()->findChild<QAction*>("Paste1")->trigger();
    EXPECT_EQ(entry()->text(), "pasted");
    // Ctrl+V in the entry replaces its whole text too.
    entry()->setText(QStringLiteral("typed"));
    QTest::keyClick(entry(), Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(entry()->text(), "pasted");

    chat->findChild<QAction*>("ClearMainChat1")->trigger();
    EXPECT_TRUE(pane()->toPlainText().isEmpty());
    chat->addlinetochat(QStringLiteral("again"), 0);
    chat->chat()->chatPopup()->findChild<QAction*>("ClearMainChat2")->trigger();
    EXPECT_TRUE(pane()->toPlainText().isEmpty());
}

TEST_F(ChatTest, PhraseListCopiesThePhrasesIntoTheEditor) {
    setPhrase(2, QStringLiteral("/me cheers"));
    chat->findChild<QAction*>("PrhaseList1")->trigger();
    EXPECT_EQ(phrases->findChild<QLineEdit*>("phrase1")->text(), "Way To Go!");
    EXPECT_EQ(phrases->findChild<QLineEdit*>("phrase2")->text(), "/me cheers");
    EXPECT_EQ(phrases->findChild<QLineEdit*>("phrase9")->text(), "Good Game Everyone!");
    EXPECT_TRUE(phrases->isVisible());
}

TEST_F(ChatTest, PhraseEditorDoneSetsTheButtonsAndWritesAllNineKeys) {
    const QString ini = dir.filePath(QStringLiteral("kestrunlobby.ini"));
    {
        QFile f(ini);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("[Lobby]\r\nName=Kept\r\n[Vorlix]\r\nPhrase3=Old\r\nTop=40\r\n");
    }
    chat->findChild<QAction*>("PrhaseList1")->trigger();
    phrases->findChild<QLineEdit*>("phrase3")->setText(QStringLiteral("/me dances"));
    phrases->findChild<QPushButton*>("button_done")->click();

    EXPECT_EQ(chat->board()->phraseButton(3)->toolTip(), "/me dances");
    EXPECT_EQ(chat->board()->phraseButton(1)->toolTip(), "Way To Go!");
    QFile f(ini);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray text = f.readAll();
    EXPECT_TRUE(
        text.startsWith("[Lobby]\r\nName=Kept\r\n[Vorlix]\r\nPhrase3=/me dances\r\nTop=40\r\n"));
    for (int n = 1; n <= 9; ++n)
        EXPECT_TRUE(text.contains("Phrase" + QByteArray::number(n) + "=")) << n;
    EXPECT_TRUE(text.contains("Phrase9=Good Game Everyone!\r\n"));
}

TEST(ChatBeforeLogin, TypedTextStaysAndNothingIsSent) {
    QTemporaryDir dir;
    Tchat chat(dir.filePath("kestrunlobby.ini"), {QStringLiteral("Solo")});
    chat.timer1()->stop();
    chat.board()->mychat()->setText(QStringLiteral("early"));
    chat.chat()->sendit();
    EXPECT_EQ(chat.board()->mychat()->text(), "early");
    chat.board()->phraseButton(1)->click();
    EXPECT_TRUE(chat.chat()->phraseok());
}

TEST(ColorText, ConvertsToScreenColour) {
    EXPECT_EQ(colortext::toQColor(0x0000FF), QColor(255, 0, 0));
    EXPECT_EQ(colortext::toQColor(0xFF0000), QColor(0, 0, 255));
    EXPECT_EQ(colortext::toQColor(0x563412), QColor(0x12, 0x34, 0x56));
}
