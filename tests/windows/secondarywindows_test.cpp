// SPDX-License-Identifier: GPL-3.0-or-later
#include "tabout.h"
#include "tdownload.h"
#include "thelp.h"
#include "tphrases.h"
#include "tspylist.h"
#include "version.h"

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>

#include <gtest/gtest.h>

namespace {

class SpyList : public ::testing::Test {
protected:
    void SetUp() override {
        spies.show();
        spies.kicking = [this](int number) { kicked << number; };
        spies.showSpies({{7, QStringLiteral("Guest")}, {8, QStringLiteral("Watcher")}});
    }

    QListWidget* list() { return spies.findChild<QListWidget*>(QStringLiteral("listbox_spys")); }
    QAction* removeItem() { return spies.findChild<QAction*>(QStringLiteral("popup_kickhim")); }
    // The pointer moves inside the list to a point.
    void moveTo(const QPoint& pos) {
        QMouseEvent move(QEvent::MouseMove, pos, list()->viewport()->mapToGlobal(pos), Qt::NoButton,
                         Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(list()->viewport(), &move);
    }
    void moveOverLine(int line) { moveTo(list()->visualItemRect(list()->item(line)).center()); }

    Tspylist spies{nullptr};
    QList<int> kicked;
};

} // namespace

TEST_F(SpyList, StartsWithRemoveDisabled) {
    EXPECT_EQ(spies.windowTitle(), QStringLiteral("Vorlix - Spys"));
    EXPECT_FALSE(spies.kickEnabled());
    EXPECT_FALSE(removeItem()->isEnabled());
    EXPECT_EQ(removeItem()->text(), QStringLiteral("Remove From Game"));
    EXPECT_TRUE(spies.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(spies.lineUnderPointer(), -1);
    removeItem()->trigger(); // disabled: nothing happens
    EXPECT_TRUE(kicked.isEmpty());
}

TEST_F(SpyList, ShowsOneLinePerSpy) {
    ASSERT_EQ(list()->count(), 2);
    EXPECT_EQ(list()->item(0)->text(), QStringLiteral("7: Guest"));
    EXPECT_EQ(list()->item(1)->text(), QStringLiteral("8: Watcher"));
    spies.showSpies({{9, QStringLiteral("Eve")}});
    ASSERT_EQ(list()->count(), 1);
    EXPECT_EQ(list()->item(0)->text(), QStringLiteral("9: Eve"));
}

TEST_F(SpyList, RemovesTheSpyUnderThePointerNotTheSelectedOne) {
    spies.setKickEnabled(true);
    list()->setCurrentRow(0);
    moveOverLine(1);
    EXPECT_EQ(spies.lineUnderPointer(), 1);
    removeItem()->trigger();
    moveOverLine(0);
    removeItem()->trigger();
    EXPECT_EQ(kicked, (QList<int>{8, 7}));
}

TEST_F(SpyList, PointerBelowTheLastLineRemovesNobody) {
    spies.setKickEnabled(true);
    moveOverLine(0);
    moveTo(QPoint(10, list()->viewport()->height() - 2));
    EXPECT_EQ(spies.lineUnderPointer(), -1);
    removeItem()->trigger();
    EXPECT_TRUE(kicked.isEmpty());
}

TEST_F(SpyList, TheNumberIsTheSpysNotReadFromTheLineAndLinesGoneAreIgnored) {
    spies.setKickEnabled(true);
    // A name that looks like another line's number changes nothing.
    spies.showSpies({{7, QStringLiteral("8: Guest")}, {9, QStringLiteral("Last")}});
    moveOverLine(0);
    removeItem()->trigger();
    EXPECT_EQ(kicked, QList<int>{7});
    kicked.clear();
    moveOverLine(1);
    spies.showSpies({{7, QStringLiteral("8: Guest")}}); // the spy left before the choice
    removeItem()->trigger();
    EXPECT_TRUE(kicked.isEmpty());
}

TEST_F(SpyList, DoneHides) {
    spies.findChild<QPushButton*>(QStringLiteral("button_done"))->click();
    EXPECT_TRUE(spies.isHidden());
}

TEST(Phrases, NineEditsOfAtMostFiftyCharacters) {
    Tphrases phrases(nullptr);
    EXPECT_EQ(phrases.windowTitle(), QStringLiteral("Vorlix - Phrase Buttons "));
    EXPECT_EQ(phrases.phrase(1)->text(), QStringLiteral("Way To Go!"));
    EXPECT_EQ(phrases.phrase(9)->text(), QStringLiteral("Good Game Everyone!"));
    for (int n = 1; n <= 9; ++n) {
        ASSERT_NE(phrases.findChild<QLineEdit*>(QStringLiteral("phrase%1").arg(n)), nullptr);
        EXPECT_EQ(phrases.phrase(n)->maxLength(), 50);
    }
    QLineEdit* edit = phrases.phrase(3);
    edit->clear();
    QTest::keyClicks(edit, QString(51, QLatin1Char('a')));
    EXPECT_EQ(edit->text(), QString(50, QLatin1Char('a')));
    EXPECT_EQ(phrases.findChild<QLabel*>(QStringLiteral("Label13"))->text(),
              QStringLiteral("Buttons can only be used once every 2 seconds"));
}

TEST(Phrases, DoneHandsOverAllNineTextsAndHides) {
    Tphrases phrases(nullptr);
    QStringList given;
    phrases.onDone = [&given](const QStringList& texts) { given = texts; };
    phrases.show();
    phrases.phrase(2)->setText(QStringLiteral("Well played"));
    phrases.findChild<QPushButton*>(QStringLiteral("button_done"))->click();
    ASSERT_EQ(given.size(), 9);
    EXPECT_EQ(given[1], QStringLiteral("Well played"));
    EXPECT_EQ(given[0], QStringLiteral("Way To Go!"));
    EXPECT_TRUE(phrases.isHidden());
}

TEST(Phrases, SetPhrasesFillsTheEditsInOrder) {
    Tphrases phrases(nullptr);
    phrases.setPhrases({QStringLiteral("One"), QStringLiteral("/me two")});
    EXPECT_EQ(phrases.phrase(1)->text(), QStringLiteral("One"));
    EXPECT_EQ(phrases.phrase(2)->text(), QStringLiteral("/me two"));
    EXPECT_EQ(phrases.phrase(3)->text(), QStringLiteral("Nice Try!"));
    EXPECT_EQ(phrases.phrases().size(), 9);
    EXPECT_EQ(phrases.phrase(0), nullptr);
}

TEST(Help, PageButtonsBringTheirPaneToTheFront) {
    Thelp help(nullptr);
    EXPECT_EQ(help.windowTitle(), QStringLiteral("Vorlix - Help File"));
    EXPECT_EQ(help.currentPage(), 1);
    auto* caption = help.findChild<QLabel*>(QStringLiteral("label_caption"));
    EXPECT_EQ(caption->text(), QStringLiteral("Overview"));
    const char* captions[] = {"Overview", "Connecting",    "Game Play",
                              "Scoring",  "Documentation", "License"};
    for (int page = 1; page <= 6; ++page) {
        auto* button = help.findChild<QPushButton*>(QStringLiteral("SelButton%1").arg(page));
        ASSERT_NE(button, nullptr);
        EXPECT_EQ(button->property("Tag").toInt(), page);
        ASSERT_NE(help.findChild<QTextEdit*>(QStringLiteral("memo%1").arg(page)), nullptr);
        button->click();
        EXPECT_EQ(help.currentPage(), page);
        EXPECT_EQ(caption->text(), QString::fromLatin1(captions[page - 1]));
    }
    help.show();
    help.findChild<QPushButton*>(QStringLiteral("button_done"))->click();
    EXPECT_TRUE(help.isHidden());
    EXPECT_EQ(help.currentPage(), 6); // the page in front stays for the next opening
}

TEST(Help, OverviewAndScoringHoldTheirTexts) {
    Thelp help(nullptr);
    auto* memo1 = help.findChild<QTextEdit*>(QStringLiteral("memo1"));
    // A paragraph is one line of the pane, which wraps it at its own width.
    EXPECT_EQ(memo1->toPlainText(),
              QStringLiteral("Overview\n\nVorlix is a game I dreamed up while trying to figure "
                             "out how to make another game work. \n\nThe Object of the game is "
                             "to guess as many words as possible within the constraints of the "
                             "requirements given."));
    EXPECT_EQ(memo1->lineWrapMode(), QTextEdit::WidgetWidth);
    EXPECT_TRUE(memo1->isReadOnly());
    // Reached with Tab, as any control, and read with the arrow keys.
    EXPECT_TRUE(memo1->focusPolicy() & Qt::TabFocus);
    EXPECT_TRUE(memo1->textInteractionFlags() & Qt::TextSelectableByKeyboard);
    EXPECT_EQ(memo1->accessibleName(), QStringLiteral("Overview help"));
    // Game Play tells the keys.
    const QString play = help.findChild<QTextEdit*>(QStringLiteral("memo3"))->toPlainText();
    for (const char* key : {"Ctrl+G", "Tab", "F10", "Alt+F File", "Alt+O Options"})
        EXPECT_TRUE(play.contains(QLatin1String(key))) << key;
    auto* memo4 = help.findChild<QTextEdit*>(QStringLiteral("memo4"));
    EXPECT_TRUE(memo4->toPlainText().startsWith(
        QStringLiteral("Scoring\n\nYou receive one point for each letter in every valid word "
                       "you create.\n\n")));
    EXPECT_TRUE(memo4->toPlainText().endsWith(
        QStringLiteral("\n\nThe player with the highest score at the end of the set number of "
                       "rounds will win. Game play will continue until ties for the lead are "
                       "broken.")));
    // The licence the program is distributed under, and the word list's notice.
    const QString licence = help.findChild<QTextEdit*>(QStringLiteral("memo6"))->toPlainText();
    EXPECT_TRUE(
        licence.startsWith(QStringLiteral("License Agreement \n\nCopyright (C) 2026 Kestrun\n\n")));
    EXPECT_TRUE(licence.contains(
        QStringLiteral("\nVorlix and the Kestrun Lobby are free software: you can redistribute "
                       "them and/or modify them under the terms of the GNU General Public "
                       "License as published by the Free Software Foundation, either version 3 "
                       "of the License, or (at your option) any later version.\n")));
    EXPECT_TRUE(licence.contains(QStringLiteral("WITHOUT ANY WARRANTY")));
    EXPECT_TRUE(licence.contains(QStringLiteral("SCOWL, Copyright 2000-2011 Kevin Atkinson")));
    EXPECT_TRUE(licence.endsWith(QStringLiteral("(on Debian, /usr/share/doc/vorlix/copyright).")));
    EXPECT_FALSE(licence.contains(QStringLiteral("reverse engineer")));
    EXPECT_TRUE(help.findChild<QTextEdit*>(QStringLiteral("memo5"))
                    ->toPlainText()
                    .startsWith(QStringLiteral("History\n")));
}

TEST(Help, ListLinesAndBlankLinesKeepTheirPlaces) {
    EXPECT_EQ(helpParagraphs({"Title ", "", "one ", "two", "three ", "  - a ", "  - b", "", "four ",
                              " ", "five"}),
              "Title \n\none two\nthree \n  - a \n  - b\n\nfour \n \nfive");
    Thelp help(nullptr);
    const QString history = help.findChild<QTextEdit*>(QStringLiteral("memo5"))->toPlainText();
    EXPECT_TRUE(history.contains("Version 1.0.4.6\n  - Added chatter sounds.\n  - Added a "
                                 "setting to reset the screen location.\n"));
}

TEST(Help, AboutButtonAsksForTheAboutWindow) {
    Thelp help(nullptr);
    int shown = 0;
    help.showAbout = [&shown] { ++shown; };
    help.findChild<QPushButton*>(QStringLiteral("button_about"))->click();
    EXPECT_EQ(shown, 1);
}

TEST(About, ShowsTheVersionAndOpensTheLink) {
    Tabout about(nullptr);
    EXPECT_EQ(about.windowTitle(), QStringLiteral("Vorlix - About"));
    EXPECT_EQ(about.versionText(), QLatin1String(wire::kVersion));
    EXPECT_EQ(about.findChild<QLabel*>(QStringLiteral("label_build"))->text(),
              QStringLiteral(".6"));
    QStringList opened;
    about.openLink = [&opened](const QString& address) { opened << address; };
    about.show();
    QTest::mouseClick(about.findChild<QLabel*>(QStringLiteral("Label7")), Qt::LeftButton);
    EXPECT_EQ(opened, QStringList{QStringLiteral("http://www.kestrun.com")});
    EXPECT_EQ(about.address(), QStringLiteral("www.kestrun.com"));
    EXPECT_EQ(about.findChild<QLabel*>(QStringLiteral("Label7"))->text(), about.address());
    about.setAddress(QString());
    about.Label7Click();
    EXPECT_EQ(opened.size(), 1);
    about.findChild<QPushButton*>(QStringLiteral("Button1"))->click();
    EXPECT_TRUE(about.isHidden());
}

TEST(Download, OpensWithTheKeyboardOnPlaySoloGame) {
    Tdownload download(nullptr);
    auto* solo = download.findChild<QPushButton*>(QStringLiteral("Button1"));
    EXPECT_TRUE(solo->isDefault());
    download.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&download));
    EXPECT_TRUE(solo->hasFocus());
    // Empty status lines say what they are for.
    EXPECT_EQ(download.findChild<QLabel*>(QStringLiteral("infolabel"))->accessibleName(),
              QStringLiteral("No download status"));
}

TEST(Download, StopBeforeAnyDownloadOnlyReports) {
    Tdownload download(nullptr);
    download.setOffersDownload(true);
    EXPECT_EQ(download.windowTitle(), QStringLiteral("Download The Kestrun Lobby"));
    EXPECT_EQ(download.size(), QSize(724, 500));
    auto* get = download.findChild<QPushButton*>(QStringLiteral("getbutton"));
    auto* stop = download.findChild<QPushButton*>(QStringLiteral("abortbutton"));
    EXPECT_TRUE(get->isEnabled());
    EXPECT_TRUE(stop->isEnabled());
    stop->click();
    EXPECT_EQ(download.findChild<QLabel*>(QStringLiteral("infolabel"))->text(),
              QStringLiteral("Download has been aborted."));
    EXPECT_EQ(download.downloadState(), Tdownload::DownloadState::Failed);
    EXPECT_EQ(download.findChild<QLabel*>(QStringLiteral("infolabel3"))->text(),
              QStringLiteral("Download Aborted"));
    EXPECT_TRUE(get->isEnabled());
}

#ifdef _WIN32
TEST(Download, OnWindowsTheLobbyIsOfferedAndLookedForBesideTheGameThenWhereItIsInstalled) {
    Tdownload download(nullptr);
    // Neither beside this test nor installed: the download is offered.
    ASSERT_FALSE(Tdownload::lobbyPresent(download.lobbyPrograms));
    EXPECT_TRUE(download.offersDownload());
    EXPECT_TRUE(
        download.findChild<QPushButton*>(QStringLiteral("getbutton"))->isVisibleTo(&download));
    EXPECT_EQ(download.lobbyPrograms,
              QStringList({QDir(QCoreApplication::applicationDirPath())
                               .filePath(QStringLiteral("KestrunLobby.exe")),
                           QStringLiteral("C:\\Program Files\\Kestrun\\KestrunLobby.exe")}));
}
#else
TEST(Download, OnLinuxTheLobbyComesWithTheGameAndNothingIsDownloaded) {
    QTemporaryDir dir;
    const QString lobby = dir.filePath(QStringLiteral("kestrunlobby"));
    EXPECT_FALSE(Tdownload::lobbyPresent({lobby}));
    QFile(lobby).open(QIODevice::WriteOnly);
    EXPECT_TRUE(Tdownload::lobbyPresent({dir.filePath(QStringLiteral("none")), lobby}));
    EXPECT_FALSE(Tdownload::lobbyPresent({dir.path()})); // a folder is no program
    Tdownload download(nullptr);
    EXPECT_FALSE(download.offersDownload());
    auto* get = download.findChild<QPushButton*>(QStringLiteral("getbutton"));
    EXPECT_FALSE(get->isVisibleTo(&download));
    EXPECT_TRUE(download.findChild<QLabel*>(QStringLiteral("label_offer"))
                    ->text()
                    .startsWith(QStringLiteral("The Kestrun Lobby comes with Vorlix.")));
    // The installer would go to the user's temporary folder, never the program's.
    EXPECT_EQ(download.downloadDir, QDir::tempPath());
    // Beside the game first, then where it is installed.
    ASSERT_FALSE(download.lobbyPrograms.isEmpty());
    EXPECT_EQ(
        download.lobbyPrograms.first(),
        QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("kestrunlobby")));
    int starts = 0;
    download.startProgram = [&starts](const QString&, const QStringList&) { return ++starts; };
    get->click();
    EXPECT_EQ(starts, 0);
}
#endif

TEST(Download, PlayWithOthersStartsTheFirstLobbyFound) {
    Tdownload download(nullptr);
    download.setOffersDownload(false); // as on Linux, where the lobby comes with the game
    QStringList messages, started;
    int exits = 0;
    download.showMessage = [&messages](const QString& m) { messages << m; };
    download.startProgram = [&started](const QString& p, const QStringList&) {
        started << p;
        return true;
    };
    download.exitProgram = [&exits] { ++exits; };
    QTemporaryDir dir;
    const QString beside = dir.filePath(QStringLiteral("game/kestrunlobby"));
    const QString installed = dir.filePath(QStringLiteral("usr/bin/kestrunlobby"));
    download.lobbyPrograms = {beside, installed};
    auto* others = download.findChild<QPushButton*>(QStringLiteral("Button2"));
    others->click();
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages.first().startsWith(
        QStringLiteral("The Kestrun Lobby was not found beside the game or on the PATH.")));
    EXPECT_TRUE(started.isEmpty());
    // Where the lobby is downloaded separately, the player is told where it is.
    download.setOffersDownload(true);
    others->click();
    EXPECT_EQ(messages.last(), QStringLiteral("Please close the game and open the Kestrun Lobby "
                                              "using the icon on your desktop or using the your "
                                              "Window's start-up menu."));
    EXPECT_EQ(exits, 0);

    for (const QString& path : {installed, beside}) {
        ASSERT_TRUE(QDir().mkpath(QFileInfo(path).path()));
        QFile lobby(path);
        ASSERT_TRUE(lobby.open(QIODevice::WriteOnly));
        lobby.close();
        others->click();
        EXPECT_EQ(started.last(), path);
    }
    EXPECT_EQ(exits, 2);

    download.show();
    download.findChild<QPushButton*>(QStringLiteral("Button1"))->click();
    EXPECT_TRUE(download.isHidden());
}
