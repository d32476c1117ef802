// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The player's preferences: one typed value that the menus and windows show and
// change, that the host's server reads its pace from, and that is stored in the
// settings file "kestrunlobby.ini" in the game's own section (the file may be
// shared with the maker's lobby program: other sections and unknown keys are
// never touched).
//
// Stored keys, in the order a save writes them (missing or unreadable values
// read as the default in brackets):
//   Top, Left, Width, Height   the main window's place and size [3, 3, 790, 525];
//                              a place and size whose far edge lies beyond the
//                              range of int make no rectangle and read as the
//                              default one
//   Turnsound                  "1" New, anything else Classic ["0"]
//   Textsize                   the chat pane's point size [8]
//   Textcolor, Actioncolor     colour text (chatcolour.h); unreadable: black
//   Playtoscore, Timeperturn   the game start window's rounds (1..10) and seconds
//                              per round (30..120), held in range; a value that
//                              is not a number is ignored [5, 60]
//   Gametype                   the game start window's word-length choice
//                              "0".."6"; anything else chooses Random (6) ["6"]
//   Botspeed                   the pause between rounds in seconds: "17" Long,
//                              "10" Quick, else Normal (12). Copies of the game
//                              before this one read "17" back as 15 and "10" as 8
//                              and then stored those: "15" and "8" read as Long
//                              and Quick, so a choice always survives.
//   Botspeed2                  the computer's pace in ms: "2000" Slow, "750" Fast,
//                              else Normal (1200)
//   Phrase1..Phrase9           read only; a non-empty value replaces the phrase
//                              (written by the phrase editor, writePhrases)
//   Playsounds, ChatterSounds  "true"/"false"; anything but exactly "false" is on
//   ShowMissedWords            "true"/"false": the words nobody found are listed
//                              when a round ends; anything but "false" is on
//   HighContrast               "1": every text drawn readable (4.5:1 or better);
//                              anything else the board's own colours ["0"].
//                              Written only once the player chose it, so a
//                              file that never had it keeps its bytes.

#include "gamestartchoice.h"

#include <QFlags>
#include <QRect>
#include <QString>

#include <array>

class IniFile;

enum class TurnSound { Classic = 0, New = 1 };

// "Time Between Rounds": the seconds the server waits between two rounds.
enum class RoundPause { Long = 17, Normal = 12, Quick = 10 };

// "Bot Speed": the computer opponent's interval in milliseconds.
enum class BotPace { Slow = 2000, Normal = 1200, Fast = 750 };

// The stored keys a save may write, one flag per key, named for what it holds
// ("Bounds" stands for Top, Left, Width and Height together; RoundPause is
// "Botspeed" and BotPace "Botspeed2"). A copy that closes before it ever read the
// file writes only what the player changed, not its own first values over the
// stored ones.
enum class StoredKey : quint32 {
    Bounds = 1u << 0,
    Turnsound = 1u << 1,
    Textsize = 1u << 2,
    Textcolor = 1u << 3,
    Actioncolor = 1u << 4,
    Playtoscore = 1u << 5,
    Timeperturn = 1u << 6,
    Gametype = 1u << 7,
    RoundPause = 1u << 8,
    BotPace = 1u << 9,
    Playsounds = 1u << 10,
    ChatterSounds = 1u << 11,
    ShowMissedWords = 1u << 12,
    HighContrast = 1u << 13,
};
Q_DECLARE_FLAGS(StoredKeys, StoredKey)
Q_DECLARE_OPERATORS_FOR_FLAGS(StoredKeys)
// The keys a full save writes: every key but HighContrast, which is written
// only when the player changes it.
StoredKeys allStoredKeys();

struct Preferences {
    static constexpr int kDefaultWidth = 790;
    static constexpr int kDefaultHeight = 525;
    static constexpr QRect defaultBounds() { return QRect(3, 3, kDefaultWidth, kDefaultHeight); }
    static const std::array<QString, 9>& defaultPhrases();
    // The game start window's limits.
    static constexpr int kMinRounds = 1;
    static constexpr int kMaxRounds = 10;
    static constexpr int kMinSeconds = 30;
    static constexpr int kMaxSeconds = 120;

    // The values a window has before the file is read; the file's own defaults
    // differ in one place: a file without "ChatterSounds" turns them on.
    QRect bounds = defaultBounds();
    TurnSound turnSound = TurnSound::Classic;
    int textSize = 8; // as stored; the "Text Size" item "N<size>" is checked if it exists
    quint32 textColour = 0;
    quint32 actionColour = 0;
    int rounds = 5;
    int secondsPerRound = 60;
    int lengthChoice = 6;
    RoundPause pause = RoundPause::Normal;
    BotPace botPace = BotPace::Normal;
    std::array<QString, 9> phrases = defaultPhrases();
    bool playSounds = true;
    bool chatterSounds = false;
    // "Show Missed Words" (View menu).
    bool showMissedWords = true;
    // "High Contrast Colours" (View menu).
    bool highContrast = false;
    // "Scroll Chat Off": keeps the chat pane's view still. Never stored.
    bool scrollChatOff = false;

    // The chat pane's font size (a stored size of 0 or less means 8).
    int chatFontSize() const { return textSize > 0 ? textSize : 8; }

    // The game start window's choice: rounds, seconds and word length are
    // these; the word list, which is never stored, is the one given.
    GameStartChoice gameStart(bool showWordList) const {
        return {rounds, secondsPerRound, lengthChoice, showWordList};
    }
    // Takes the choice's rounds, seconds and word length.
    void setGameStart(const GameStartChoice& choice) {
        rounds = choice.rounds;
        secondsPerRound = choice.seconds;
        lengthChoice = choice.lengthChoice;
    }

    bool operator==(const Preferences&) const = default;
};

// Reads every key of `section` into `prefs`, by the rules above: a missing or
// unreadable key gives its default, except rounds, seconds and phrases, which
// then keep the value they had in `prefs`. A missing file reads as empty.
void readPreferences(const IniFile& file, const QString& section, Preferences& prefs);

// Writes the keys in `keys`, in the order "Top" to "HighContrast" (not the
// phrases); the others keep their lines as they are. The file is written once,
// whole: a save that fails raises EIniFileError and leaves the file as it was,
// never half its keys new. No keys: the file is not touched.
void writePreferences(IniFile& file, const QString& section, const Preferences& prefs,
                      StoredKeys keys = allStoredKeys());

// The phrase editor's keys "Phrase1".."Phrase9", all nine every time.
void writePhrases(IniFile& file, const QString& section, const std::array<QString, 9>& phrases);
