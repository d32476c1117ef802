// SPDX-License-Identifier: GPL-3.0-or-later
// The preferences while the main window runs: when the file is read and
// written, closing, and the Options menu, which shows and changes them.

#include "boardpanel.h"
#include "filebytes.h"
#include "inifile.h"
#include "settingscontroller.h"
#include "tchat.h"
#include "tgamestart.h"

#include <QAbstractButton>
#include <QAction>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTextEdit>

#include <gtest/gtest.h>

namespace {

QRect boundsOf(const QWidget& w) {
    return QRect(w.x(), w.y(), w.width(), w.height());
}

// The controller alone, on a plain window.
struct Settings : ::testing::Test {
    QTemporaryDir dir;
    QString path = dir.filePath("kestrunlobby.ini");
    QWidget window;
    SettingsController settings{window, path, QStringLiteral("Vorlix")};
    QRect workArea{0, 0, 1024, 768};

    Settings() {
        settings.workArea = [this] { return workArea; };
    }
};

// The main window's menus over the controller.
struct SettingsMenus : ::testing::Test {
    QTemporaryDir dir;
    QString path = dir.filePath("kestrunlobby.ini");
    Tchat chat{path, {QStringLiteral("Solo")}};
    Tgamestart* gamestart = new Tgamestart(&chat);
    std::optional<QColor> nextColour; // what the colour dialog answers

    SettingsMenus() {
        ProgramWindows windows;
        windows.gamestart = gamestart;
        chat.attachWindows(windows);
        chat.settings()->chooseColour = [this](const QColor&) { return nextColour; };
    }
    const Preferences& prefs() { return chat.settings()->preferences(); }
    QStringList checkedOf(std::initializer_list<const char*> names) {
        QStringList checked;
        for (const char* n : names)
            if (chat.findChild<QAction*>(QLatin1String(n))->isChecked())
                checked << n;
        return checked;
    }
    int chatSize() { return chat.board()->mainchat()->font().pointSize(); }
};

} // namespace

TEST_F(Settings, ReadingPlacesTheWindowAndTellsTheViews) {
    writeFile(path, "[Vorlix]\r\nTop=40\r\nLeft=30\r\nWidth=800\r\nHeight=600\r\nBotspeed=17\r\n");
    int told = 0;
    QObject::connect(&settings, &SettingsController::changed, [&](const Preferences& p) {
        ++told;
        EXPECT_EQ(p.pause, RoundPause::Long);
    });
    settings.loadinifile();
    EXPECT_EQ(told, 1);
    EXPECT_EQ(boundsOf(window), QRect(30, 40, 800, 600));
    EXPECT_EQ(settings.loadedBounds(), QRect(30, 40, 800, 600));
}

TEST_F(Settings, ClosingWithoutAMoveWritesNothing) {
    settings.loadinifile();
    settings.formClose();
    EXPECT_FALSE(QFile::exists(path));

    writeFile(path,
              "[Vorlix]\r\nTop=10\r\nLeft=20\r\nWidth=700\r\nHeight=500\r\nOdd = spacing \r\n");
    settings.loadinifile();
    settings.formClose();
    EXPECT_EQ(readFile(path),
              "[Vorlix]\r\nTop=10\r\nLeft=20\r\nWidth=700\r\nHeight=500\r\nOdd = spacing \r\n");
}

TEST_F(Settings, StoredSizeTheWindowCannotTakeCountsAsUnmoved) {
    window.setMinimumSize(792, 486);
    writeFile(path, "[Vorlix]\r\nWidth=700\r\n");
    settings.loadinifile();
    EXPECT_EQ(boundsOf(window), QRect(3, 3, 792, 525));
    settings.formClose();
    EXPECT_EQ(readFile(path), "[Vorlix]\r\nWidth=700\r\n");
}

TEST_F(Settings, ClosingAfterAMoveSavesTheBounds) {
    settings.loadinifile();
    window.move(50, 60);
    settings.formClose();
    IniFile ini(path);
    EXPECT_EQ(ini.readInteger("Vorlix", "Left", 0), 50);
    EXPECT_EQ(ini.readInteger("Vorlix", "Top", 0), 60);
    EXPECT_EQ(settings.loadedBounds(), QRect(50, 60, 790, 525));
}

TEST_F(Settings, WindowLargerThanTheWorkAreaIsStoredSmaller) {
    workArea = QRect(0, 0, 800, 500);
    settings.loadinifile();
    window.setGeometry(0, 0, 810, 520);
    settings.formClose();
    IniFile ini(path);
    EXPECT_EQ(ini.readInteger("Vorlix", "Width", 0), 795);
    EXPECT_EQ(ini.readInteger("Vorlix", "Height", 0), 505);
}

// Before the file is read the window runs with its first values; they are no
// choice of the player's and must not replace the stored ones.
TEST_F(Settings, ClosingBeforeAnyReadingWritesOnlyTheMovedBounds) {
    const QByteArray stored = "[Vorlix]\r\nTop=40\r\nTextsize=14\r\nPlaysounds=false\r\n";
    writeFile(path, stored);
    settings.placeAtStart();
    EXPECT_EQ(boundsOf(window), QRect(3, 3, 790, 525));
    settings.formClose();
    EXPECT_EQ(readFile(path), stored) << "an unmoved window writes nothing";
    window.move(50, 60);
    settings.formClose();
    EXPECT_EQ(readFile(path), "[Vorlix]\r\nTop=60\r\nTextsize=14\r\nPlaysounds=false\r\nLeft=50\r\n"
                              "Width=790\r\nHeight=525\r\n");
}

TEST_F(Settings, AFirstEverRunWithAMovedWindowWritesTheBounds) {
    settings.placeAtStart();
    window.setGeometry(100, 120, 800, 540);
    settings.formClose();
    EXPECT_EQ(readFile(path), "[Vorlix]\r\nTop=120\r\nLeft=100\r\nWidth=800\r\nHeight=540\r\n");
}

TEST_F(Settings, AChangeBeforeAnyReadingWritesItsOwnKeys) {
    const QByteArray stored = "[Vorlix]\r\nTop=40\r\nTextsize=14\r\nChatterSounds=false\r\n";
    writeFile(path, stored);
    settings.placeAtStart();
    settings.setChatterSounds(true);
    settings.setShowMissedWords(false);
    EXPECT_EQ(readFile(path), "[Vorlix]\r\nTop=40\r\nTextsize=14\r\nChatterSounds=true\r\n"
                              "ShowMissedWords=false\r\n");
    // The word list choice alone is not stored: it marks nothing to write.
    settings.setGameStart({5, 60, 6, false});
    settings.saveinifile();
    EXPECT_EQ(IniFile(path).readString("Vorlix", "Playtoscore", "none"), "none");
    // The game start window's choices go with the next save, and only they.
    settings.setGameStart({7, 45, 2, true});
    settings.saveinifile();
    EXPECT_EQ(IniFile(path).readString("Vorlix", "Playtoscore", ""), "7");
    EXPECT_EQ(IniFile(path).readString("Vorlix", "Gametype", ""), "2");
    EXPECT_EQ(IniFile(path).readString("Vorlix", "Turnsound", "none"), "none");
    EXPECT_EQ(IniFile(path).readString("Vorlix", "Textsize", ""), "14");
    settings.formClose();
    EXPECT_EQ(IniFile(path).readString("Vorlix", "Left", "none"), "none");
}

TEST_F(Settings, AfterReadingEverySaveWritesEveryKey) {
    writeFile(path, "[Vorlix]\r\nTextsize=14\r\n");
    settings.placeAtStart();
    settings.loadinifile();
    EXPECT_EQ(settings.knownKeys(), allStoredKeys());
    settings.setPlaySounds(false);
    Preferences written;
    readPreferences(IniFile(path), "Vorlix", written);
    EXPECT_EQ(written, settings.preferences());
    EXPECT_EQ(IniFile(path).readString("Vorlix", "Botspeed2", ""), "1200");
}

TEST_F(Settings, HighContrastWritesItsOwnLineAndNoOther) {
    // Values a save would write otherwise ("15" as "17", "False" as "true").
    const QByteArray stored = "; lobby\r\n[Lobby]\r\nName=x\r\n[Vorlix]\r\nTop=40\r\n"
                              "Botspeed=15\r\nPlaysounds=False\r\nTextcolor=clred\r\n"
                              "[Other]\r\nHighContrast=7\r\n";
    writeFile(path, stored);
    settings.placeAtStart();
    settings.loadinifile();
    EXPECT_FALSE(settings.preferences().highContrast);
    settings.setHighContrast(true);
    EXPECT_TRUE(settings.preferences().highContrast);
    QByteArray expected = stored;
    expected.insert(expected.indexOf("[Other]"), "HighContrast=1\r\n");
    EXPECT_EQ(readFile(path), expected);
    settings.setHighContrast(false);
    expected.replace("HighContrast=1", "HighContrast=0");
    EXPECT_EQ(readFile(path), expected);
    // Once chosen, it goes with every later save.
    settings.setHighContrast(true);
    settings.setPlaySounds(true);
    EXPECT_EQ(IniFile(path).readString("Vorlix", "HighContrast", ""), "1");
}

TEST_F(Settings, ResetScreenLocationIsNotSaved) {
    window.setGeometry(200, 200, 900, 700);
    settings.ResetScreenLocation1Click();
    EXPECT_EQ(boundsOf(window), QRect(3, 3, 790, 525));
    EXPECT_FALSE(QFile::exists(path));
}

TEST_F(SettingsMenus, MenusShowTheWindowsFirstValuesThenTheFile) {
    EXPECT_EQ(checkedOf({"PlaySounds1", "PlayChatterSounds1"}), QStringList{"PlaySounds1"});
    writeFile(path, "[Vorlix]\r\nTurnsound=1\r\nTextsize=12\r\nTextcolor=clRed\r\nBotspeed=10\r\n"
                    "Botspeed2=750\r\nPlaytoscore=7\r\nGametype=3\r\nPhrase3=Hi there\r\n");
    chat.settings()->loadinifile();
    EXPECT_EQ(checkedOf({"Classic1", "New1"}), QStringList{"New1"});
    EXPECT_EQ(chat.settings()->preferences().turnSound, TurnSound::New);
    EXPECT_EQ(chatSize(), 12);
    EXPECT_EQ(checkedOf({"N8", "N10", "N12", "N14"}), QStringList{"N12"});
    EXPECT_EQ(chat.board()->mychat()->palette().color(QPalette::Text), QColor(Qt::red));
    EXPECT_EQ(checkedOf({"Long1", "Normal1", "Quick1"}), QStringList{"Quick1"});
    EXPECT_EQ(checkedOf({"Slow1", "Normal2", "Fast1"}), QStringList{"Fast1"});
    EXPECT_EQ(checkedOf({"PlaySounds1", "PlayChatterSounds1"}),
              (QStringList{"PlaySounds1", "PlayChatterSounds1"}));
    EXPECT_EQ(chat.board()->phraseButton(3)->toolTip(), "Hi there");
    EXPECT_EQ(gamestart->choice(), (GameStartChoice{7, 60, 3, true}));

    // A size without an item of its own checks none.
    writeFile(path, "[Vorlix]\r\nTextsize=9\r\n");
    chat.settings()->loadinifile();
    EXPECT_EQ(chatSize(), 9);
    EXPECT_TRUE(checkedOf({"N8", "N10", "N12", "N14"}).isEmpty());
}

TEST_F(SettingsMenus, OptionItemsChangeAndSave) {
    chat.settings()->loadinifile();
    IniFile ini(path);
    chat.findChild<QAction*>("PlaySounds1")->trigger();
    EXPECT_FALSE(prefs().playSounds);
    EXPECT_FALSE(chat.settings()->preferences().playSounds);
    EXPECT_EQ(ini.readString("Vorlix", "Playsounds", ""), "false");
    chat.findChild<QAction*>("New1")->trigger();
    EXPECT_EQ(prefs().turnSound, TurnSound::New);
    EXPECT_EQ(ini.readString("Vorlix", "Turnsound", ""), "1");
    chat.findChild<QAction*>("Slow1")->trigger();
    EXPECT_EQ(prefs().botPace, BotPace::Slow);
    EXPECT_EQ(ini.readString("Vorlix", "Botspeed2", ""), "2000");
    for (const char* item : {"Long1", "Quick1", "Normal1"}) {
        chat.findChild<QAction*>(QLatin1String(item))->trigger();
        EXPECT_EQ(checkedOf({"Long1", "Normal1", "Quick1"}), QStringList{item});
        EXPECT_EQ(ini.readString("Vorlix", "Botspeed", ""), QString::number(int(prefs().pause)));
    }

    // The check mark moves to the chosen text size.
    chat.findChild<QAction*>("N14")->trigger();
    EXPECT_EQ(chatSize(), 14);
    EXPECT_EQ(checkedOf({"N8", "N10", "N12", "N14"}), QStringList{"N14"});
    EXPECT_EQ(ini.readString("Vorlix", "Textsize", ""), "14");

    // "Show Missed Words" (View menu) is on until turned off, and stored.
    EXPECT_TRUE(chat.findChild<QAction*>("ShowMissedWords1")->isChecked());
    chat.findChild<QAction*>("ShowMissedWords1")->trigger();
    EXPECT_FALSE(prefs().showMissedWords);
    EXPECT_FALSE(chat.model().showMissedWords());
    EXPECT_FALSE(chat.findChild<QAction*>("ShowMissedWords1")->isChecked());
    EXPECT_EQ(ini.readString("Vorlix", "ShowMissedWords", ""), "false");

    // "High Contrast Colours" (View menu): off until chosen, stored, and
    // shown by the board and the chat pane at once.
    QAction* highContrast = chat.findChild<QAction*>("HighContrast1");
    EXPECT_FALSE(highContrast->isChecked());
    const QColor ownOrange =
        chat.board()->playerNameLabel(2)->palette().color(QPalette::WindowText);
    EXPECT_EQ(ownOrange, QColor(0xFF, 0x80, 0x00));
    highContrast->trigger();
    EXPECT_TRUE(prefs().highContrast);
    EXPECT_TRUE(highContrast->isChecked());
    EXPECT_EQ(ini.readString("Vorlix", "HighContrast", ""), "1");
    EXPECT_EQ(chat.board()->playerNameLabel(2)->palette().color(QPalette::WindowText),
              BoardPanel::seatColour(2, true));
    EXPECT_NE(BoardPanel::seatColour(2, true), ownOrange);
    highContrast->trigger();
    EXPECT_FALSE(prefs().highContrast);
    EXPECT_EQ(ini.readString("Vorlix", "HighContrast", ""), "0");
    EXPECT_EQ(chat.board()->playerNameLabel(2)->palette().color(QPalette::WindowText), ownOrange);
    // The two "Scroll Chat Off" items are one setting, never stored.
    chat.findChild<QAction*>("ScrollChatOff1")->trigger();
    EXPECT_TRUE(prefs().scrollChatOff);
    EXPECT_TRUE(chat.findChild<QAction*>("ScrollChatOff2")->isChecked());
    EXPECT_EQ(ini.readString("Vorlix", "ScrollChatOff", "none"), "none");

    // The game start window's choices are stored when a game starts.
    gamestart->image_letters6Click(2);
    EXPECT_EQ(prefs().lengthChoice, 2);
    EXPECT_EQ(ini.readString("Vorlix", "Gametype", ""), "6");
    gamestart->button_startClick();
    EXPECT_EQ(ini.readString("Vorlix", "Gametype", ""), "2");
    // The word list choice is not stored: another option's change, which shows
    // every preference again, leaves it as the host set it.
    gamestart->image_showClick();
    chat.findChild<QAction*>("PlaySounds1")->trigger();
    EXPECT_EQ(gamestart->choice(), (GameStartChoice{5, 60, 2, false}));
    // A file that holds the choice shows it.
    writeFile(path, "[Vorlix]\r\nHighContrast=1\r\n");
    chat.settings()->loadinifile();
    EXPECT_TRUE(highContrast->isChecked());
    EXPECT_EQ(chat.board()->playerNameLabel(2)->palette().color(QPalette::WindowText),
              BoardPanel::seatColour(2, true));
}

TEST_F(SettingsMenus, ColourDialogs) {
    nextColour = std::nullopt;
    chat.findChild<QAction*>("TextColor1")->trigger();
    EXPECT_FALSE(QFile::exists(path)) << "a cancelled text colour saves nothing";
    chat.findChild<QAction*>("ActionColor1")->trigger();
    EXPECT_EQ(IniFile(path).readString("Vorlix", "Actioncolor", ""), "clBlack");

    nextColour = QColor(0x12, 0x34, 0x56);
    chat.findChild<QAction*>("TextColor1")->trigger();
    EXPECT_EQ(prefs().textColour, 0x563412u);
    EXPECT_EQ(chat.board()->mychat()->palette().color(QPalette::Text), QColor(0x12, 0x34, 0x56));
    EXPECT_EQ(IniFile(path).readString("Vorlix", "Textcolor", ""), "$00563412");
    nextColour = QColor(Qt::red);
    chat.findChild<QAction*>("ActionColor1")->trigger();
    EXPECT_EQ(IniFile(path).readString("Vorlix", "Actioncolor", ""), "clRed");
}
