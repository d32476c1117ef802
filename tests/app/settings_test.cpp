// The settings file: what each key does when read, what a save writes (byte for
// byte, keeping everything else in the file), and the Options menu items.

#include "clientstate.h"
#include "inifile.h"
#include "settingswindow.h"

#include <QAbstractButton>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTextEdit>

#include <gtest/gtest.h>

namespace {

QByteArray readFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

// The section as a save writes it for the window's first values.
QByteArray defaultSection(int top = 3, int left = 3, int width = 790, int height = 525) {
    return QStringLiteral("[Vorlix]\r\nTop=%1\r\nLeft=%2\r\nWidth=%3\r\nHeight=%4\r\n"
                          "Turnsound=0\r\nTextsize=8\r\nTextcolor=clBlack\r\n"
                          "Actioncolor=clBlack\r\nPlaytoscore=5\r\nTimeperturn=60\r\n"
                          "Gametype=6\r\nBotspeed=12\r\nBotspeed2=1200\r\nPlaysounds=true\r\n"
                          "ChatterSounds=false\r\n")
        .arg(top)
        .arg(left)
        .arg(width)
        .arg(height)
        .toLatin1();
}

struct Settings : ::testing::Test {
    QTemporaryDir dir;
    QString path = dir.filePath("kestrunlobby.ini");
    SettingsWindow w{path};

    void load(const QByteArray& body) {
        writeFile(path, "[Vorlix]\r\n" + body);
        w.settings->loadinifile();
    }
    int chatSize() { return w.board->mainchat()->font().pointSize(); }
};

TEST_F(Settings, MissingFileGivesEveryDefault) {
    w.window.setGeometry(100, 100, 400, 300);
    w.settings->loadinifile();
    EXPECT_FALSE(QFile::exists(path)) << "reading must not create the file";
    EXPECT_EQ(w.bounds(), QRect(3, 3, 790, 525));
    EXPECT_EQ(w.settings->loadedBounds(), QRect(3, 3, 790, 525));
    EXPECT_EQ(w.checkedOf({"Classic1", "New1"}), QStringList{"Classic1"});
    EXPECT_EQ(w.menu("TurnSound1")->property("Tag").toInt(), 0);
    EXPECT_EQ(chatSize(), 8);
    EXPECT_EQ(w.checkedOf({"N8", "N10", "N12", "N14"}), QStringList{"N8"});
    EXPECT_EQ(w.state.textcolour, 0u);
    EXPECT_EQ(w.state.actioncolour, 0u);
    EXPECT_EQ(w.rounds, 5);
    EXPECT_EQ(w.creationTime, 60);
    EXPECT_EQ(w.checkedImages, QStringList{"image_letters6"});
    EXPECT_EQ(w.checkedOf({"Long1", "Normal1", "Quick1"}), QStringList{"Normal1"});
    EXPECT_EQ(w.menu("BotSpeed1")->property("Tag").toInt(), 12);
    EXPECT_EQ(w.checkedOf({"Slow1", "Normal2", "Fast1"}), QStringList{"Normal2"});
    EXPECT_EQ(w.menu("BotSpeed2")->property("Tag").toInt(), 1200);
    EXPECT_EQ(w.board->phraseButton(7)->toolTip(), "Thanks!");
    EXPECT_TRUE(w.action("PlaySounds1")->isChecked());
    EXPECT_TRUE(w.action("PlayChatterSounds1")->isChecked());
}

TEST_F(Settings, EveryKeyIsApplied) {
    load("top=40\r\nLEFT=30\r\nWidth=800\r\nHeight=600\r\nTurnsound=1\r\nTextsize=12\r\n"
         "Textcolor=clRed\r\nActioncolor=$00FF0000\r\nPlaytoscore=7\r\nTimeperturn=90\r\n"
         "Gametype=3\r\nBotspeed=10\r\nBotspeed2=750\r\nPhrase3=Hi there\r\nPhrase4=\r\n"
         "Playsounds=false\r\nChatterSounds=false\r\n");
    EXPECT_EQ(w.bounds(), QRect(30, 40, 800, 600));
    EXPECT_EQ(w.checkedOf({"Classic1", "New1"}), QStringList{"New1"});
    EXPECT_EQ(w.menu("TurnSound1")->property("Tag").toInt(), 1);
    EXPECT_EQ(chatSize(), 12);
    EXPECT_EQ(w.checkedOf({"N8", "N10", "N12", "N14"}), QStringList{"N12"});
    EXPECT_EQ(w.state.textcolour, 0x0000FFu);
    EXPECT_EQ(w.board->mychat()->palette().color(QPalette::Text), QColor(Qt::red));
    EXPECT_EQ(w.state.actioncolour, 0xFF0000u);
    EXPECT_EQ(w.rounds, 7);
    EXPECT_EQ(w.creationTime, 90);
    EXPECT_EQ(w.checkedImages, QStringList{"image_letters3"});
    EXPECT_EQ(w.checkedOf({"Long1", "Normal1", "Quick1"}), QStringList{"Quick1"});
    EXPECT_EQ(w.checkedOf({"Slow1", "Normal2", "Fast1"}), QStringList{"Fast1"});
    EXPECT_EQ(w.menu("BotSpeed2")->property("Tag").toInt(), 750);
    EXPECT_EQ(w.board->phraseButton(3)->toolTip(), "Hi there");
    EXPECT_EQ(w.board->phraseButton(4)->toolTip(), "Excellent!");
    EXPECT_FALSE(w.action("PlaySounds1")->isChecked());
    EXPECT_FALSE(w.action("PlayChatterSounds1")->isChecked());
}

TEST_F(Settings, UnreadableValuesGiveTheirDefaults) {
    w.rounds = 9;
    w.creationTime = 45;
    load("Top=abc\r\nLeft=\r\nWidth=12x\r\nTurnsound=yes\r\nTextsize=big\r\n"
         "Textcolor=clMauve\r\nActioncolor=#123\r\nPlaytoscore=many\r\nTimeperturn=\r\n"
         "Gametype=\r\nBotspeed=fast\r\nBotspeed2=1\r\nPlaysounds=False\r\nChatterSounds=0\r\n");
    EXPECT_EQ(w.bounds(), QRect(3, 3, 790, 525));
    EXPECT_EQ(w.checkedOf({"Classic1", "New1"}), QStringList{"Classic1"});
    EXPECT_EQ(chatSize(), 8);
    EXPECT_EQ(w.state.textcolour, 0u);
    EXPECT_EQ(w.state.actioncolour, 0u);
    // Rounds and time that are not numbers leave the game start window alone.
    EXPECT_EQ(w.rounds, 9);
    EXPECT_EQ(w.creationTime, 45);
    EXPECT_EQ(w.checkedImages, QStringList{"image_letters6"});
    EXPECT_EQ(w.checkedOf({"Long1", "Normal1", "Quick1"}), QStringList{"Normal1"});
    EXPECT_EQ(w.checkedOf({"Slow1", "Normal2", "Fast1"}), QStringList{"Normal2"});
    // Only the exact text "false" turns a sound option off.
    EXPECT_TRUE(w.action("PlaySounds1")->isChecked());
    EXPECT_TRUE(w.action("PlayChatterSounds1")->isChecked());
}

TEST_F(Settings, TextSizeWithoutAMenuItemChecksNone) {
    load("Textsize=9\r\n");
    EXPECT_EQ(chatSize(), 9);
    EXPECT_TRUE(w.checkedOf({"N8", "N10", "N12", "N14"}).isEmpty());
}

TEST_F(Settings, TimeBetweenRoundsReadsBackWhatWasStored) {
    const std::pair<const char*, const char*> cases[] = {{"17", "Long1"},   {"15", "Long1"},
                                                         {"10", "Quick1"},  {"8", "Quick1"},
                                                         {"12", "Normal1"}, {"20", "Normal1"}};
    for (const auto& [stored, item] : cases) {
        load(QByteArray("Botspeed=") + stored + "\r\n");
        EXPECT_EQ(w.checkedOf({"Long1", "Normal1", "Quick1"}), QStringList{item}) << stored;
    }
    // The menu's choice survives a save and a reading, and the next save.
    for (const char* item : {"Long1", "Quick1", "Normal1"}) {
        w.action(item)->trigger();
        const int tag = w.menu("BotSpeed1")->property("Tag").toInt();
        w.settings->loadinifile();
        EXPECT_EQ(w.checkedOf({"Long1", "Normal1", "Quick1"}), QStringList{item});
        EXPECT_EQ(w.menu("BotSpeed1")->property("Tag").toInt(), tag);
        w.settings->saveinifile();
        EXPECT_EQ(IniFile(path).readString("Vorlix", "Botspeed", ""), QString::number(tag));
    }
}

TEST_F(Settings, SaveWritesItsKeysInOrder) {
    w.action("PlayChatterSounds1")->setChecked(false);
    w.window.setGeometry(3, 3, 790, 525);
    w.settings->saveinifile();
    EXPECT_EQ(readFile(path), defaultSection());
}

TEST_F(Settings, SaveKeepsEverythingElseByteForByte) {
    const QByteArray before = "; shared with the lobby\n[Lobby]\nName=Tester\nvorlix=keep me\n\n"
                              "[vorlix]\r\nphrase1=Go team\r\nTOP=99\r\nCustom=stays\r\n\r\n"
                              "[Other]\r\nTop=1";
    writeFile(path, before);
    w.action("PlayChatterSounds1")->setChecked(false);
    w.window.setGeometry(3, 3, 790, 525);
    w.settings->saveinifile();
    const QByteArray expected =
        "; shared with the lobby\n[Lobby]\nName=Tester\nvorlix=keep me\n\n"
        "[vorlix]\r\nphrase1=Go team\r\nTop=3\r\nCustom=stays\r\nLeft=3\r\nWidth=790\r\n"
        "Height=525\r\nTurnsound=0\r\nTextsize=8\r\nTextcolor=clBlack\r\nActioncolor=clBlack\r\n"
        "Playtoscore=5\r\nTimeperturn=60\r\nGametype=6\r\nBotspeed=12\r\nBotspeed2=1200\r\n"
        "Playsounds=true\r\nChatterSounds=false\r\n\r\n[Other]\r\nTop=1";
    EXPECT_EQ(readFile(path), expected);
}

TEST_F(Settings, ClosingWithoutAMoveWritesNothing) {
    w.settings->loadinifile();
    w.settings->formClose();
    EXPECT_FALSE(QFile::exists(path));

    writeFile(path,
              "[Vorlix]\r\nTop=10\r\nLeft=20\r\nWidth=700\r\nHeight=500\r\nOdd = spacing \r\n");
    w.settings->loadinifile();
    w.settings->formClose();
    EXPECT_EQ(readFile(path),
              "[Vorlix]\r\nTop=10\r\nLeft=20\r\nWidth=700\r\nHeight=500\r\nOdd = spacing \r\n");
}

TEST_F(Settings, StoredSizeTheWindowCannotTakeCountsAsUnmoved) {
    w.window.setMinimumSize(792, 486);
    writeFile(path, "[Vorlix]\r\nWidth=700\r\n");
    w.settings->loadinifile();
    EXPECT_EQ(w.bounds(), QRect(3, 3, 792, 525));
    w.settings->formClose();
    EXPECT_EQ(readFile(path), "[Vorlix]\r\nWidth=700\r\n");
}

TEST_F(Settings, ClosingAfterAMoveSavesTheBounds) {
    w.settings->loadinifile();
    w.window.move(50, 60);
    w.settings->formClose();
    IniFile ini(path);
    EXPECT_EQ(ini.readInteger("Vorlix", "Left", 0), 50);
    EXPECT_EQ(ini.readInteger("Vorlix", "Top", 0), 60);
    EXPECT_EQ(w.settings->loadedBounds(), QRect(50, 60, 790, 525));
}

TEST_F(Settings, WindowLargerThanTheWorkAreaIsStoredSmaller) {
    w.workArea = QRect(0, 0, 800, 500);
    w.settings->loadinifile();
    w.window.setGeometry(0, 0, 810, 520);
    w.settings->formClose();
    IniFile ini(path);
    EXPECT_EQ(ini.readInteger("Vorlix", "Width", 0), 795);
    EXPECT_EQ(ini.readInteger("Vorlix", "Height", 0), 505);
}

TEST_F(Settings, ClosingBeforeAnyReadingSaves) {
    w.window.setGeometry(3, 3, 790, 525);
    w.action("PlayChatterSounds1")->setChecked(false);
    w.settings->formClose();
    EXPECT_EQ(readFile(path), defaultSection());
}

TEST_F(Settings, OptionItemsChangeAndSave) {
    w.settings->loadinifile();
    IniFile ini(path);
    w.action("PlaySounds1")->trigger();
    EXPECT_EQ(ini.readString("Vorlix", "Playsounds", ""), "false");
    w.action("New1")->trigger();
    EXPECT_EQ(w.menu("TurnSound1")->property("Tag").toInt(), 1);
    EXPECT_EQ(ini.readString("Vorlix", "Turnsound", ""), "1");
    w.action("Slow1")->trigger();
    EXPECT_EQ(w.menu("BotSpeed2")->property("Tag").toInt(), 2000);
    EXPECT_EQ(ini.readString("Vorlix", "Botspeed2", ""), "2000");

    // The check mark moves to the chosen text size.
    w.action("N14")->trigger();
    EXPECT_EQ(chatSize(), 14);
    EXPECT_EQ(w.checkedOf({"N8", "N10", "N12", "N14"}), QStringList{"N14"});
    EXPECT_EQ(ini.readString("Vorlix", "Textsize", ""), "14");
    w.settings->TextSizeClick(10);
    EXPECT_EQ(w.checkedOf({"N8", "N10", "N12", "N14"}), QStringList{"N10"});
}

TEST_F(Settings, ColourDialogs) {
    w.nextColour = std::nullopt;
    w.action("TextColor1")->trigger();
    EXPECT_FALSE(QFile::exists(path)) << "a cancelled text colour saves nothing";
    w.action("ActionColor1")->trigger();
    EXPECT_EQ(IniFile(path).readString("Vorlix", "Actioncolor", ""), "clBlack");

    w.nextColour = QColor(0x12, 0x34, 0x56);
    w.action("TextColor1")->trigger();
    EXPECT_EQ(w.state.textcolour, 0x563412u);
    EXPECT_EQ(w.board->mychat()->palette().color(QPalette::Text), QColor(0x12, 0x34, 0x56));
    EXPECT_EQ(IniFile(path).readString("Vorlix", "Textcolor", ""), "$00563412");
    w.nextColour = QColor(Qt::red);
    w.action("ActionColor1")->trigger();
    EXPECT_EQ(IniFile(path).readString("Vorlix", "Actioncolor", ""), "clRed");
}

TEST_F(Settings, ResetScreenLocationIsNotSaved) {
    w.window.setGeometry(200, 200, 900, 700);
    w.action("ResetScreenLocation1")->trigger();
    EXPECT_EQ(w.bounds(), QRect(3, 3, 790, 525));
    EXPECT_FALSE(QFile::exists(path));
}

TEST_F(Settings, FailedWriteIsReported) {
    SettingsWindow bad(dir.filePath("missing/folder/kestrunlobby.ini"));
    try {
        bad.settings->saveinifile();
        FAIL() << "no error";
    } catch (const EIniFileError& e) {
        EXPECT_EQ(QString::fromLocal8Bit(e.what()),
                  "Unable to write to " + dir.filePath("missing/folder/kestrunlobby.ini"));
    }
}

TEST(IniFileTest, ReadsLikeThePrivateProfileFunctions) {
    QTemporaryDir dir;
    const QString path = dir.filePath("t.ini");
    IniFile ini(path);
    EXPECT_EQ(ini.readString("A", "k", "dflt"), "dflt");
    writeFile(path, "[A]\nk = \"quoted value\" \n;x=comment\n[a]\nk=second\nn=$1F\n[B]\nk=b\n"
                    "n= 42\nbad=4x");
    EXPECT_EQ(ini.readString("a", "K", ""), "quoted value");
    EXPECT_EQ(ini.readString("A", ";x", "none"), "none");
    EXPECT_EQ(ini.readString("A", "n", "none"), "none") << "only the first [A] counts";
    EXPECT_EQ(ini.readString("b", "k", ""), "b");
    EXPECT_EQ(ini.readInteger("B", "n", 0), 42);
    EXPECT_EQ(ini.readInteger("B", "bad", 7), 7);
    EXPECT_EQ(ini.readInteger("C", "n", 5), 5);
}

TEST(IniFileTest, WritesOnlyItsOwnKey) {
    QTemporaryDir dir;
    const QString path = dir.filePath("t.ini");
    IniFile ini(path);
    ini.writeString("S", "a", "1");
    EXPECT_EQ(readFile(path), "[S]\r\na=1\r\n");
    writeFile(path, "[S]\na=1\n\n[T]\nb=2");
    ini.writeString("s", "C", "3");
    ini.writeString("T", "B", "x");
    ini.writeString("U", "d", "4");
    EXPECT_EQ(readFile(path), "[S]\na=1\nC=3\r\n\n[T]\nB=x\r\n[U]\r\nd=4\r\n");
    // Characters outside the code page become "?".
    ini.writeString("U", "d", QString::fromUtf8("caf\xc3\xa9 \xe2\x82\xac \xe4\xb8\xad"));
    EXPECT_EQ(ini.readString("U", "d", ""), QString::fromUtf8("caf\xc3\xa9 \xe2\x82\xac ?"));
}

TEST(IniFileTest, ALineBreakInAValueCannotWriteAnotherKey) {
    QTemporaryDir dir;
    const QString path = dir.filePath("t.ini");
    IniFile ini(path);
    ini.writeString("Vorlix", "Top", "3");
    ini.writeString("Vorlix", "Phrase1", "Hi\r\nTop=-9000\n[Other]");
    EXPECT_EQ(readFile(path), "[Vorlix]\r\nTop=3\r\nPhrase1=Hi  Top=-9000 [Other]\r\n");
    EXPECT_EQ(ini.readInteger("Vorlix", "Top", 0), 3);
    EXPECT_EQ(ini.readString("Vorlix", "Phrase1", ""), "Hi  Top=-9000 [Other]");
}

} // namespace
