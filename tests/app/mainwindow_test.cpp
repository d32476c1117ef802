// SPDX-License-Identifier: GPL-3.0-or-later
#include "boardpanel.h"
#include "chatcontroller.h"
#include "programwindows.h"
#include "tabout.h"
#include "tchat.h"
#include "tdictn.h"
#include "tdownload.h"
#include "tgamestart.h"
#include "thelp.h"
#include "tphrases.h"
#include "tserver.h"
#include "tspylist.h"
#include "ttallylist.h"

#include "accessibilitywalk.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSet>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTextEdit>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

namespace {

class MainWindowTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    Tchat chat{dir.filePath("kestrunlobby.ini"), {QStringLiteral("Solo")}};
};

// The caption a menu shows: its text without the "&" that marks the mnemonic
// ("&&" shows one "&").
QString shown(const QString& text) {
    QString caption = text;
    caption.replace(QLatin1String("&&"), QStringLiteral("\x01"));
    caption.remove(QLatin1Char('&'));
    caption.replace(QLatin1Char('\x01'), QLatin1Char('&'));
    return caption;
}

struct Item {
    const char* name;
    const char* caption;
    int tag; // -1: none
    bool checked;
    bool enabled;
};

} // namespace

TEST_F(MainWindowTest, WindowLooksAsDefined) {
    EXPECT_EQ(chat.windowTitle(), "Vorlix");
    EXPECT_EQ(chat.font().family(), "Arial");
    EXPECT_EQ(chat.font().pointSize(), 8);
    QWidget* client = chat.centralWidget();
    EXPECT_EQ(client->palette().color(QPalette::Window), QColor(0xFF, 0xFF, 0xD3));
    EXPECT_EQ(client->minimumSize(), QSize(792, 486));
    EXPECT_EQ(chat.findChildren<BoardPanel*>().size(), 1);
    EXPECT_EQ(chat.board()->size(), QSize(777, 474));
    EXPECT_EQ(chat.board()->label_status()->text(), "Welcome to Vorlix");
    EXPECT_EQ(chat.timer1()->interval(), 15);
    EXPECT_TRUE(chat.chat()->phraseok());
    EXPECT_EQ(chat.state().systemcolour, 0xFF0000u);
    EXPECT_FALSE(chat.model().hosting());

    // In a larger window the board keeps its size and stays centred.
    chat.resize(1000, 800);
    client->resize(1000, 760);
    client->layout()->activate();
    EXPECT_EQ(chat.board()->size(), QSize(777, 474));
    EXPECT_EQ(chat.board()->geometry().center().x(), client->rect().center().x());
}

// Before the settings file is read, the window stands where its definition
// puts it: left 3, top 3, at the size "Reset Screen Location" gives.
TEST_F(MainWindowTest, BeforeItsOwnArrivalTheWindowStandsAtItsFirstPlace) {
    EXPECT_EQ(chat.pos(), QPoint(3, 3));
    const QSize first = chat.size();
    EXPECT_EQ(first, QSize(792, 525)) << "790 wide, held to the board's 792";
    chat.show();
    EXPECT_EQ(chat.pos(), QPoint(3, 3));
    chat.move(100, 100);
    chat.findChild<QAction*>("ResetScreenLocation1")->trigger();
    EXPECT_EQ(chat.pos(), QPoint(3, 3));
    EXPECT_EQ(chat.size(), first);
}

TEST_F(MainWindowTest, MenusCarryTheirNamesCaptionsTagsAndStates) {
    const Item items[] = {
        {"StartGame1", "Start Game", -1, false, false},
        {"Exit1", "Exit", -1, false, true},
        {"PlaySounds1", "Play Sounds", -1, true, true},
        {"PlayChatterSounds1", "Play Chatter Sounds", -1, false, true},
        {"Classic1", "Classic", 0, true, true},
        {"New1", "New", 1, false, true},
        {"Long1", "Long", 17, false, true},
        {"Normal1", "Normal", 12, true, true},
        {"Quick1", "Quick", 10, false, true},
        {"Slow1", "Slow", 2000, false, true},
        {"Normal2", "Normal", 1200, true, true},
        {"Fast1", "Fast", 750, false, true},
        {"TextColor1", "Text Color", -1, false, true},
        {"ActionColor1", "Action Color", -1, false, true},
        {"N8", "8", 8, true, true},
        {"N10", "10", 10, false, true},
        {"N12", "12", 12, false, true},
        {"N14", "14", 14, false, true},
        {"ScrollChatOff1", "Scroll Chat Off", -1, false, true},
        {"ClearMainChat1", "Clear Main Chat", -1, false, true},
        {"ResetScreenLocation1", "Reset Screen Location", -1, false, true},
        {"ViewTally1", "View Tally", -1, false, true},
        {"SpyList1", "Spy List", -1, false, true},
        {"PrhaseList1", "Phrase List", -1, false, true},
        {"ShowMissedWords1", "Show Missed Words", -1, true, true},
        {"HighContrast1", "High Contrast Colours", -1, false, true},
        {"Content1", "Content", -1, false, true},
        {"About1", "About", -1, false, true},
        {"RemoveFromGame1", "Remove From Game", -1, false, true},
        {"Copy1", "Copy", -1, false, true},
        {"ClearMainChat2", "Clear Main Chat", -1, false, true},
        {"ScrollChatOff2", "Scroll Chat Off", -1, false, true},
        {"Paste1", "Paste", -1, false, true},
        {"Cancel1", "<Cancel>", 0, false, true},
    };
    for (const Item& item : items) {
        QAction* a = chat.findChild<QAction*>(QLatin1String(item.name));
        ASSERT_NE(a, nullptr) << item.name;
        EXPECT_EQ(shown(a->text()), QLatin1String(item.caption)) << item.name;
        EXPECT_EQ(a->isChecked(), item.checked) << item.name;
        EXPECT_EQ(a->isEnabled(), item.enabled) << item.name;
        if (item.tag >= 0) {
            EXPECT_EQ(a->property("Tag").toInt(), item.tag) << item.name;
        }
    }
    EXPECT_EQ(chat.findChild<QAction*>("ScrollChatOff1")->shortcut(), QKeySequence("Ctrl+S"));
    EXPECT_EQ(chat.findChild<QAction*>("Copy1")->shortcut(), QKeySequence("Ctrl+C"));
    EXPECT_EQ(chat.findChild<QAction*>("Paste1")->shortcut(), QKeySequence("Ctrl+V"));
    EXPECT_EQ(chat.findChild<QAction*>("Content1")->shortcut(), QKeySequence("F1"));

    EXPECT_EQ(shown(chat.findChild<QMenu*>("TurnSound1")->title()), "Turn Sound");
    EXPECT_EQ(shown(chat.findChild<QMenu*>("TextSize1")->title()), "Text Size");
    EXPECT_EQ(shown(chat.findChild<QMenu*>("BotSpeed1")->title()), "Time Between Rounds");
    EXPECT_EQ(shown(chat.findChild<QMenu*>("BotSpeed2")->title()), "Bot Speed");
    EXPECT_EQ(shown(chat.findChild<QMenu*>("File1")->title()), "File");
    EXPECT_EQ(shown(chat.findChild<QMenu*>("Options1")->title()), "Options");
    EXPECT_EQ(shown(chat.findChild<QMenu*>("View1")->title()), "View");
    EXPECT_EQ(shown(chat.findChild<QMenu*>("Help1")->title()), "Help");
}

// Every menu of the bar and every item in them can be reached from the
// keyboard: each has a mnemonic of its own within its menu.
TEST_F(MainWindowTest, EveryMenuAndItemHasItsOwnMnemonic) {
    std::function<void(const QList<QAction*>&, const QString&)> check =
        [&](const QList<QAction*>& actions, const QString& where) {
            QSet<QKeySequence> keys;
            for (QAction* a : actions) {
                if (a->isSeparator())
                    continue;
                const QKeySequence key = QKeySequence::mnemonic(a->text());
                EXPECT_FALSE(key.isEmpty())
                    << where.toStdString() << ": " << a->text().toStdString();
                EXPECT_FALSE(keys.contains(key))
                    << where.toStdString() << ": " << a->text().toStdString();
                keys.insert(key);
                if (a->menu())
                    check(a->menu()->actions(), shown(a->text()));
            }
        };
    check(chat.menuBar()->actions(), QStringLiteral("menu bar"));
    EXPECT_EQ(QKeySequence::mnemonic(chat.findChild<QMenu*>("File1")->title()),
              QKeySequence("Alt+F"));
}

TEST_F(MainWindowTest, RadioItemsAreExclusive) {
    chat.findChild<QAction*>("Long1")->trigger();
    EXPECT_TRUE(chat.findChild<QAction*>("Long1")->isChecked());
    EXPECT_FALSE(chat.findChild<QAction*>("Normal1")->isChecked());
    chat.findChild<QAction*>("N14")->trigger();
    EXPECT_FALSE(chat.findChild<QAction*>("N8")->isChecked());
    chat.findChild<QAction*>("New1")->trigger();
    EXPECT_FALSE(chat.findChild<QAction*>("Classic1")->isChecked());
    chat.findChild<QAction*>("Fast1")->trigger();
    EXPECT_FALSE(chat.findChild<QAction*>("Normal2")->isChecked());
}

TEST_F(MainWindowTest, EveryComposedNameResolves) {
    for (int n = 1; n <= 6; ++n) {
        for (const char* prefix : {"label_playername", "label_last", "label_score"}) {
            const QString name = QLatin1String(prefix) + QString::number(n);
            EXPECT_NE(chat.findChild<QLabel*>(name), nullptr) << name.toStdString();
        }
        EXPECT_EQ(chat.board()->playerNameLabel(n)->property("Tag").toInt(), n);
        EXPECT_EQ(chat.board()->playerNameLabel(n)->text(), "<Waiting>");
    }
    EXPECT_EQ(chat.board()->playerNameLabel(2)->toolTip(), "Grob");
    for (int n = 1; n <= 10; ++n) {
        const QString name = QStringLiteral("b_phrase%1").arg(n);
        EXPECT_NE(chat.findChild<QAbstractButton*>(name), nullptr) << name.toStdString();
    }
    EXPECT_EQ(chat.board()->phraseButton(10)->toolTip(), "Chatter Sounds");
    const char* captions[] = {
        "Doh",       "Cough",    "Hello",          "Thank You",    "Where have you been?",
        "Snoring",   "Sneezing", "Sorry",          "Welcome",      "Yeehaa",
        "Yippee",    "Oh No",    "Applause",       "Honk",         "Oooh",
        "Razzberry", "Cheer",    "Woman Laughing", "Man Laughing", "Crying"};
    for (int k = 1; k <= 20; ++k) {
        QAction* item = chat.findChild<QAction*>(QStringLiteral("wave%1").arg(k));
        ASSERT_NE(item, nullptr) << k;
        EXPECT_EQ(item->text(), QLatin1String(captions[k - 1]));
        EXPECT_EQ(item->property("Tag").toInt(), k);
    }
    EXPECT_NE(chat.findChild<QTextEdit*>("mainchat"), nullptr);
    EXPECT_NE(chat.findChild<QLineEdit*>("mychat"), nullptr);
    EXPECT_NE(chat.findChild<QMenu*>("popup_kick"), nullptr);
    EXPECT_NE(chat.findChild<QMenu*>("popup_sounds"), nullptr);
    EXPECT_EQ(chat.board()->mychat()->text(), "<Enter Chat Here>");
}

TEST_F(MainWindowTest, TheServerAndTheWindowShareOneDictionary) {
    const ProgramWindows windows =
        createProgramWindows(chat, dir.path(), dir.filePath(QStringLiteral("Vorlixtally.tld")));
    ASSERT_TRUE(windows.dictionary);
    EXPECT_TRUE(windows.dictionary->IsWord("STACK"));
    EXPECT_EQ(windows.server->dictionary(), windows.dictionary);
    EXPECT_EQ(chat.model().dictionary(), windows.dictionary);
    EXPECT_EQ(QDir(dir.path()).entryList({QStringLiteral("English*")}).size(), 1)
        << "one working file";
}

TEST_F(MainWindowTest, EveryControlHasAnAccessibleName) {
    using accessibilitywalk::findUnnamed;
    chat.show();
    QAccessibleInterface* window = QAccessible::queryAccessibleInterface(&chat);
    ASSERT_NE(window, nullptr);
    QStringList unnamed;
    // The menus and their items, the board's controls, labels and pictures.
    EXPECT_GT(findUnnamed(window, unnamed), 150);
    EXPECT_TRUE(unnamed.isEmpty()) << unnamed.join(QLatin1Char('\n')).toStdString();

    // In a game, every label reads what it shows, the whole of a long name.
    chat.model().setOwnNumber(1);
    chat.model().newplayerinfo("4+Maximilian Kowalski-Brandt");
    chat.model().startround("1+60+5+STA+1+STARTER+");
    chat.model().notvalid("1+2+");
    unnamed.clear();
    findUnnamed(window, unnamed);
    EXPECT_TRUE(unnamed.isEmpty()) << unnamed.join(QLatin1Char('\n')).toStdString();
    QAccessibleInterface* seat4 =
        QAccessible::queryAccessibleInterface(chat.board()->playerNameLabel(4));
    EXPECT_EQ(seat4->text(QAccessible::Name), "Maximilian Kowalski-Brandt");
    EXPECT_EQ(seat4->text(QAccessible::Description), "Seat 4 name");
    QAccessibleInterface* prefix =
        QAccessible::queryAccessibleInterface(chat.findChild<QLabel*>("label_word2"));
    EXPECT_EQ(prefix->text(QAccessible::Name), "STA");
    QAccessibleInterface* error =
        QAccessible::queryAccessibleInterface(chat.findChild<QWidget*>("image_error"));
    EXPECT_EQ(error->text(QAccessible::Name), "Word rejected: Already Guessed");
}

// Every window the program opens, as a screen reader finds it: no control
// without a name, and the round's answer nowhere before the scores show it.
TEST_F(MainWindowTest, EveryWindowsControlsAreNamedAndTheAnswerStaysHidden) {
    using accessibilitywalk::findText;
    using accessibilitywalk::findUnnamed;
    const ProgramWindows windows =
        createProgramWindows(chat, dir.path(), dir.filePath(QStringLiteral("Vorlixtally.tld")));
    chat.model().setOwnNumber(1);
    chat.model().newplayerinfo("1+Ann");
    chat.model().newplayerinfo("3+Bob");
    chat.model().startround("1+60+5+NU+1+NUDGE+");
    QList<QWidget*> all{&chat};
    all << windows.about << windows.download << windows.gamestart << windows.help << windows.phrases
        << windows.spylist << windows.tally;
    for (QWidget* window : all) {
        window->show();
        QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(window);
        ASSERT_NE(iface, nullptr);
        QStringList faults;
        EXPECT_GT(findUnnamed(iface, faults, window == &chat), 2)
            << window->objectName().toStdString();
        EXPECT_TRUE(faults.isEmpty()) << window->objectName().toStdString() << ":\n"
                                      << faults.join(QLatin1Char('\n')).toStdString();
        QStringList answer;
        findText(iface, QStringLiteral("NUDGE"), answer);
        EXPECT_TRUE(answer.isEmpty()) << answer.join(QLatin1Char('\n')).toStdString();
        window->hide();
    }
    // Once the scores show, the starter word is read like any other label.
    chat.model().endround("1+5+1+1+5");
    QStringList answer;
    findText(QAccessible::queryAccessibleInterface(&chat), QStringLiteral("NUDGE"), answer);
    EXPECT_FALSE(answer.isEmpty());
}

TEST_F(MainWindowTest, StartGameBeforeLoginSaysNotConnected) {
    QStringList boxes;
    chat.messageBoxHook = [&](const QString& t) { boxes << t; };
    chat.findChild<QAction*>("StartGame1")->setEnabled(true);
    chat.findChild<QAction*>("StartGame1")->trigger();
    EXPECT_EQ(boxes, QStringList{"You are not connected"});
}

TEST_F(MainWindowTest, LogoOpensTheAboutWindowsLink) {
    QStringList opened;
    chat.openLinkHook = [&](const QString& address) { opened << address; };
    chat.board()->linkLogo()->click();
    EXPECT_EQ(opened, QStringList{"http://www.kestrun.com"});

    // With the about window attached its address is the one opened, and an
    // empty address opens nothing, as on the about window itself.
    auto* about = new Tabout(&chat);
    about->setAddress(QStringLiteral("example.org/games"));
    ProgramWindows windows;
    windows.about = about;
    chat.attachWindows(windows);
    chat.board()->linkLogo()->click();
    EXPECT_EQ(opened.value(1), "http://example.org/games");
    about->setAddress(QString());
    chat.board()->linkLogo()->click();
    EXPECT_EQ(opened.size(), 2);
}

TEST_F(MainWindowTest, HelpsAboutShowsTheAboutWindowAndTheDownloadWindowEndsTheProgram) {
    ProgramWindows windows;
    windows.about = new Tabout(&chat);
    windows.help = new Thelp(&chat);
    windows.download = new Tdownload(&chat);
    chat.attachWindows(windows);
    EXPECT_TRUE(windows.about->isHidden());
    windows.help->findChild<QPushButton*>("button_about")->click();
    EXPECT_FALSE(windows.about->isHidden());

    QSignalSpy closed(&chat, &Tchat::closed);
    ASSERT_TRUE(windows.download->exitProgram);
    windows.download->exitProgram();
    EXPECT_EQ(closed.count(), 1);
}
