// SPDX-License-Identifier: GPL-3.0-or-later
// The settings file: what each key gives when read, what a save writes (byte for
// byte, keeping everything else in the file), and the file layer beneath.

#include "filebytes.h"
#include "inifile.h"
#include "preferences.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#ifdef Q_OS_UNIX
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace {

// The section as a save writes it for a window's first values.
QByteArray defaultSection() {
    return "[Vorlix]\r\nTop=3\r\nLeft=3\r\nWidth=790\r\nHeight=525\r\nTurnsound=0\r\n"
           "Textsize=8\r\nTextcolor=clBlack\r\nActioncolor=clBlack\r\nPlaytoscore=5\r\n"
           "Timeperturn=60\r\nGametype=6\r\nBotspeed=12\r\nBotspeed2=1200\r\n"
           "Playsounds=true\r\nChatterSounds=false\r\nShowMissedWords=true\r\n";
}

struct PreferencesFile : ::testing::Test {
    QTemporaryDir dir;
    QString path = dir.filePath("kestrunlobby.ini");
    IniFile file{path};

    Preferences read(const QByteArray& body, Preferences prefs = {}) {
        writeFile(path, "[Vorlix]\r\n" + body);
        readPreferences(file, "Vorlix", prefs);
        return prefs;
    }
};

} // namespace

TEST_F(PreferencesFile, MissingFileGivesEveryDefault) {
    Preferences p;
    p.rounds = 9;
    p.secondsPerRound = 45;
    readPreferences(file, "Vorlix", p);
    EXPECT_FALSE(QFile::exists(path)) << "reading must not create the file";
    EXPECT_EQ(p.bounds, QRect(3, 3, 790, 525));
    EXPECT_EQ(p.turnSound, TurnSound::Classic);
    EXPECT_EQ(p.textSize, 8);
    EXPECT_EQ(p.textColour, 0u);
    EXPECT_EQ(p.actionColour, 0u);
    EXPECT_EQ(p.rounds, 5);
    EXPECT_EQ(p.secondsPerRound, 60);
    EXPECT_EQ(p.lengthChoice, 6);
    EXPECT_EQ(p.pause, RoundPause::Normal);
    EXPECT_EQ(p.botPace, BotPace::Normal);
    EXPECT_EQ(p.phrases[6], "Thanks!");
    EXPECT_TRUE(p.playSounds);
    EXPECT_TRUE(p.chatterSounds) << "a file without the key turns chatter sounds on";
    EXPECT_TRUE(p.showMissedWords);
}

TEST_F(PreferencesFile, EveryKeyIsApplied) {
    const Preferences p =
        read("top=40\r\nLEFT=30\r\nWidth=800\r\nHeight=600\r\nTurnsound=1\r\nTextsize=12\r\n"
             "Textcolor=clRed\r\nActioncolor=$00FF0000\r\nPlaytoscore=7\r\nTimeperturn=90\r\n"
             "Gametype=3\r\nBotspeed=10\r\nBotspeed2=750\r\nPhrase3=Hi there\r\nPhrase4=\r\n"
             "Playsounds=false\r\nChatterSounds=false\r\nShowMissedWords=false\r\n");
    EXPECT_EQ(p.bounds, QRect(30, 40, 800, 600));
    EXPECT_EQ(p.turnSound, TurnSound::New);
    EXPECT_EQ(p.textSize, 12);
    EXPECT_EQ(p.textColour, 0x0000FFu);
    EXPECT_EQ(p.actionColour, 0xFF0000u);
    EXPECT_EQ(p.rounds, 7);
    EXPECT_EQ(p.secondsPerRound, 90);
    EXPECT_EQ(p.lengthChoice, 3);
    EXPECT_EQ(p.pause, RoundPause::Quick);
    EXPECT_EQ(p.botPace, BotPace::Fast);
    EXPECT_EQ(p.phrases[2], "Hi there");
    EXPECT_EQ(p.phrases[3], "Excellent!");
    EXPECT_FALSE(p.playSounds);
    EXPECT_FALSE(p.chatterSounds);
    EXPECT_FALSE(p.showMissedWords);
}

TEST_F(PreferencesFile, UnreadableValuesGiveTheirDefaults) {
    Preferences before;
    before.rounds = 9;
    before.secondsPerRound = 45;
    const Preferences p =
        read("Top=abc\r\nLeft=\r\nWidth=12x\r\nTurnsound=yes\r\nTextsize=big\r\n"
             "Textcolor=clMauve\r\nActioncolor=#123\r\nPlaytoscore=many\r\nTimeperturn=\r\n"
             "Gametype=\r\nBotspeed=fast\r\nBotspeed2=1\r\nPlaysounds=False\r\nChatterSounds=0\r\n"
             "ShowMissedWords=no\r\n",
             before);
    EXPECT_EQ(p.bounds, QRect(3, 3, 790, 525));
    EXPECT_EQ(p.turnSound, TurnSound::Classic);
    EXPECT_EQ(p.chatFontSize(), 8);
    EXPECT_EQ(p.textColour, 0u);
    EXPECT_EQ(p.actionColour, 0u);
    // Rounds and time that are not numbers leave the game start window's alone.
    EXPECT_EQ(p.rounds, 9);
    EXPECT_EQ(p.secondsPerRound, 45);
    EXPECT_EQ(p.lengthChoice, 6);
    EXPECT_EQ(p.pause, RoundPause::Normal);
    EXPECT_EQ(p.botPace, BotPace::Normal);
    // Only the exact text "false" turns a sound option off.
    EXPECT_TRUE(p.playSounds);
    EXPECT_TRUE(p.chatterSounds);
    EXPECT_TRUE(p.showMissedWords);

    // A place and size whose far edge lies beyond the range of int make no
    // rectangle: the default one is read. Up to the very edge they do.
    const QRect defaults = Preferences::defaultBounds();
    EXPECT_EQ(read("Top=2147483647\r\nHeight=525\r\n").bounds, defaults);
    EXPECT_EQ(read("Left=-2147483648\r\nWidth=-1\r\n").bounds, defaults);
    EXPECT_EQ(read("Left=1\r\nWidth=-2147483648\r\n").bounds, defaults);
    EXPECT_EQ(read("Left=2147483000\r\nWidth=647\r\n").bounds, QRect(2147483000, 3, 647, 525));
}

TEST_F(PreferencesFile, OddSizesRoundsAndLengthsAreHeldToWhatTheWindowsOffer) {
    Preferences p = read("Textsize=9\r\nPlaytoscore=50\r\nTimeperturn=5\r\nGametype=03\r\n");
    EXPECT_EQ(p.textSize, 9);
    EXPECT_EQ(p.chatFontSize(), 9);
    EXPECT_EQ(p.rounds, 10);
    EXPECT_EQ(p.secondsPerRound, 30);
    EXPECT_EQ(p.lengthChoice, 6) << "only 0 to 6 name a choice; anything else is Random";
    p = read("Textsize=0\r\nGametype=0\r\n");
    EXPECT_EQ(p.chatFontSize(), 8);
    EXPECT_EQ(p.lengthChoice, 0);
}

TEST_F(PreferencesFile, TimeBetweenRoundsReadsBackWhatWasStored) {
    const std::pair<const char*, RoundPause> cases[] = {
        {"17", RoundPause::Long}, {"15", RoundPause::Long},   {"10", RoundPause::Quick},
        {"8", RoundPause::Quick}, {"12", RoundPause::Normal}, {"20", RoundPause::Normal}};
    for (const auto& [stored, pause] : cases)
        EXPECT_EQ(read(QByteArray("Botspeed=") + stored + "\r\n").pause, pause) << stored;
    // Every choice survives a save and a reading.
    for (RoundPause pause : {RoundPause::Long, RoundPause::Quick, RoundPause::Normal}) {
        Preferences p;
        p.pause = pause;
        writePreferences(file, "Vorlix", p);
        EXPECT_EQ(file.readString("Vorlix", "Botspeed", ""), QString::number(int(pause)));
        Preferences back;
        readPreferences(file, "Vorlix", back);
        EXPECT_EQ(back.pause, pause);
    }
}

TEST_F(PreferencesFile, SaveWritesItsKeysInOrder) {
    writePreferences(file, "Vorlix", Preferences{});
    EXPECT_EQ(readFile(path), defaultSection());
    Preferences p;
    readPreferences(file, "Vorlix", p);
    EXPECT_EQ(p, Preferences{}) << "what was written reads back";
}

TEST_F(PreferencesFile, SaveKeepsEverythingElseByteForByte) {
    const QByteArray before = "; shared with the lobby\n[Lobby]\nName=Tester\nvorlix=keep me\n\n"
                              "[vorlix]\r\nphrase1=Go team\r\nTOP=99\r\nCustom=stays\r\n\r\n"
                              "[Other]\r\nTop=1";
    writeFile(path, before);
    writePreferences(file, "Vorlix", Preferences{});
    const QByteArray expected =
        "; shared with the lobby\n[Lobby]\nName=Tester\nvorlix=keep me\n\n"
        "[vorlix]\r\nphrase1=Go team\r\nTop=3\r\nCustom=stays\r\nLeft=3\r\nWidth=790\r\n"
        "Height=525\r\nTurnsound=0\r\nTextsize=8\r\nTextcolor=clBlack\r\nActioncolor=clBlack\r\n"
        "Playtoscore=5\r\nTimeperturn=60\r\nGametype=6\r\nBotspeed=12\r\nBotspeed2=1200\r\n"
        "Playsounds=true\r\nChatterSounds=false\r\nShowMissedWords=true\r\n\r\n[Other]\r\n"
        "Top=1";
    EXPECT_EQ(readFile(path), expected);
}

TEST_F(PreferencesFile, ASaveOfSomeKeysLeavesTheOthersAsTheyAre) {
    const QByteArray before = "[Vorlix]\r\nTop=40\r\nLeft=30\r\nTextsize=12\r\nPlaysounds=true\r\n"
                              "Botspeed=17\r\n";
    writeFile(path, before);
    Preferences p;
    p.playSounds = false;
    p.bounds = QRect(50, 60, 800, 600);
    writePreferences(file, "Vorlix", p, {});
    EXPECT_EQ(readFile(path), before) << "no key given, nothing written";
    writePreferences(file, "Vorlix", p, StoredKey::Playsounds);
    EXPECT_EQ(readFile(path), "[Vorlix]\r\nTop=40\r\nLeft=30\r\nTextsize=12\r\n"
                              "Playsounds=false\r\nBotspeed=17\r\n");
    writePreferences(file, "Vorlix", p, StoredKey::Bounds | StoredKey::ShowMissedWords);
    EXPECT_EQ(readFile(path), "[Vorlix]\r\nTop=60\r\nLeft=50\r\nTextsize=12\r\n"
                              "Playsounds=false\r\nBotspeed=17\r\nWidth=800\r\nHeight=600\r\n"
                              "ShowMissedWords=true\r\n");
    // Every flag is a key of the file: all of them together are the full save.
    writeFile(path, "");
    writePreferences(file, "Vorlix", Preferences{}, allStoredKeys());
    EXPECT_EQ(readFile(path), defaultSection());
}

TEST_F(PreferencesFile, HighContrastIsOnOnlyAsOneAndWrittenOnlyWhenAskedFor) {
    EXPECT_FALSE(read("").highContrast);
    EXPECT_TRUE(read("HighContrast=1\r\n").highContrast);
    for (const char* other : {"0", "true", "2", "", "01"})
        EXPECT_FALSE(read(QByteArray("HighContrast=") + other + "\r\n").highContrast) << other;

    // A full save, as every save after a reading, leaves the key out.
    writeFile(path, "");
    Preferences on;
    on.highContrast = true;
    writePreferences(file, "Vorlix", on);
    EXPECT_EQ(readFile(path), defaultSection());
    writePreferences(file, "Vorlix", on, allStoredKeys() | StoredKey::HighContrast);
    EXPECT_EQ(readFile(path), defaultSection() + "HighContrast=1\r\n");
    Preferences back;
    readPreferences(file, "Vorlix", back);
    EXPECT_EQ(back, on);
}

TEST_F(PreferencesFile, FailedWriteIsReported) {
    IniFile bad(dir.filePath("missing/folder/kestrunlobby.ini"));
    try {
        writePreferences(bad, "Vorlix", Preferences{});
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

#ifdef Q_OS_UNIX
namespace {

// A program that writes `writes` values of its own key into its own section,
// as the game and the lobby do, in a process of its own.
pid_t writeInChild(const QString& path, const QString& section, int writes) {
    const pid_t pid = fork();
    if (pid == 0) {
        IniFile file(path);
        int code = 0;
        try {
            for (int i = 1; i <= writes; ++i)
                file.writeInteger(section, QStringLiteral("Count"), i);
        } catch (...) {
            code = 1;
        }
        _exit(code);
    }
    return pid;
}

} // namespace

TEST(IniFileTest, TwoProgramsWritingAtOnceLoseNeitherSection) {
    QTemporaryDir dir;
    const QString path = dir.filePath("kestrunlobby.ini");
    constexpr int kWrites = 300;
    const pid_t game = writeInChild(path, "Vorlix", kWrites);
    const pid_t lobby = writeInChild(path, "Kestrun Lobby", kWrites);
    ASSERT_GT(game, 0);
    ASSERT_GT(lobby, 0);
    for (pid_t pid : {game, lobby}) {
        int status = 0;
        ASSERT_EQ(waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    IniFile file(path);
    EXPECT_EQ(file.readInteger("Vorlix", "Count", 0), kWrites);
    EXPECT_EQ(file.readInteger("Kestrun Lobby", "Count", 0), kWrites);
    EXPECT_FALSE(QFile::exists(path + ".lock"));
}
#else
TEST(IniFileTest, TwoProgramsWritingAtOnceLoseNeitherSection) {
    GTEST_SKIP() << "the two writers are forked copies of this test, and Windows has no fork()";
}
#endif
