// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// GameModel: the client's own view of the game, with no widget behind it. It
// holds what the board shows (the seats, the game's and the round's settings,
// the turn clock, the status line, the words guessed, the score panel), who this
// player is, and the spies, and it applies the server's game messages to them.
//
// Every change of what the board shows is announced by changed(); the words
// guessed also arrive one by one (wordAdded, wordsCleared) and the spies by
// spiesChanged(). When a round this copy saw from its start ends, the longest
// words of its prefix and length that nobody found come from the copy's own
// dictionary (missedWordsShown); no message carries them. What the rules make
// happen outside the model (sounds, chat
// lines, focus, the tally, the settings) goes to the GameOutside it is given.
//
// Payloads are the message text after the command's "+", as bytes
// (Windows-1252). A number field that does not convert raises
// wire::EConvertError before the model changes. Player numbers that are no seat
// (1 to 6) never index a seat.

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

#include <array>
#include <memory>
#include <optional>

class QTimer;
class TDictn;

// What the game model makes happen outside itself, and the one setting it asks.
class GameOutside {
public:
    virtual ~GameOutside() = default;
    // A board sound by name ("entered", "turn", "time", ...), played only while
    // "Play Sounds" is on.
    virtual void playsounds(const QString& name) = 0;
    // "Turn Sound" is New: a turn starts with "turnnew" instead of "turn".
    virtual bool newTurnSound() const = 0;
    // A line of the program's own in the chat pane, in systemcolour.
    virtual void systemLine(const QString& text) = 0;
    // The keyboard focus into the word entry, moved only while the main window
    // is the active window. It is never moved out of the entry when a round
    // ends: the keys a player was still typing would land wherever it went.
    virtual void focusWordEntry() = 0;
    // The server announced the player's own arrival: the settings take effect.
    virtual void ownArrival() = 0;
    // The tally: one more word found; an own total that is a new high score if
    // it beats the stored one; a game won by this player (ownWin) or by the
    // opponent named `winner`.
    virtual void tallyWordFound() = 0;
    virtual void tallyHighScore(int total, const QString& text) = 0;
    virtual void tallyGame(bool ownWin, const QString& winner) = 0;
};

class GameModel : public QObject {
    Q_OBJECT
public:
    static constexpr int kSeats = 6;
    static bool isSeat(int n) { return n >= 1 && n <= kSeats; }
    // The name an empty seat shows.
    static const QString& waiting();

    struct Seat {
        QString name;      // as shown: a player's name, "<Waiting>" or "Grob"
        QString hint;      // fixed: none for seat 1, "Grob" for seat 2, names for 3 to 6
        QString scoreText; // the total as received ("0" in a new game)
        int score = 0;     // the total as a number, from the last end of round
        QString lastWord;  // the last accepted word, or "LEADER!"
        // The score panel: name, words and points this round, words and points
        // this game.
        std::array<QString, 5> panel;
        bool winner = false;
    };
    struct WordLine {
        QString text;
        int seat = 0; // the finder's number, which picks the line's colour
    };
    struct Spy {
        int number = 0;
        QString name;
        bool operator==(const Spy&) const = default;
    };

    explicit GameModel(GameOutside& outside, QObject* parent = nullptr);
    ~GameModel() override;

    // Message handlers.
    void startthegame(const QByteArray& payload);
    void startround(const QByteArray& payload);
    void loadstats(const QByteArray& payload);
    void gotword(const QByteArray& payload);
    void notvalid(const QByteArray& payload);
    void endround(const QByteArray& payload);
    void winner(const QByteArray& payload);
    void newplayerinfo(const QByteArray& payload);
    void playerdisconnected(const QByteArray& payload);
    // The turn clock's tick (the timer `turntime`, every second once started).
    void turntimeTimer();
    void clearall();

    // Who this player is.
    void login(int number); // CMD_sendlogininfo: own number, logged in
    void setOwnNumber(int number);
    void setHosting(bool hosting);
    int mynumber() const { return m_mynumber; }
    bool loggedin() const { return m_loggedin; }
    bool hosting() const { return m_hosting; }
    // A word typed now is sent: the turn shown is this player's, after login.
    bool ownTurn() const { return m_loggedin && m_whoseturn == m_mynumber; }

    // The seats, 1 to 6; `seatName` is empty for a number that is no seat.
    const Seat& seat(int n) const { return m_seats.at(n - 1); }
    QString seatName(int n) const;
    // The seat's name when `number` is written exactly as a seat number ("1" to
    // "6"), as a chatter sound names its sender; nothing otherwise.
    std::optional<QString> seatNameByNumberText(const QString& number) const;
    // `loadchecklist`'s names: the other seated players, in seat order.
    QStringList playersInGame() const;
    const QList<Spy>& spies() const { return m_spies; }
    const QList<WordLine>& words() const { return m_words; }

    // The game's and the round's settings as shown.
    int round() const { return m_round; }
    int rounds() const { return m_rounds; }
    int secondsPerTurn() const { return m_secondsPerTurn; }
    QString lengthSetting() const { return m_lengthSetting; } // "No Limit", "Random", "5 Letters"
    QString roundLength() const { return m_roundLength; }     // "No Limit", "5 Letters"
    QString prefix() const { return m_prefix; }
    std::optional<QString> starterWord() const { return m_starterWord; } // upper case
    // The starter word as the board may show it: only once the round's scores
    // are on show. Before, it is the answer, and nothing readable (a hidden
    // label's text, a screen reader's tree) may hold it.
    std::optional<QString> shownStarterWord() const;

    // The turn.
    int whoseturn() const { return m_whoseturn; }
    int timeleft() const { return m_timeleft; }
    bool turnRunning() const { return m_turnRunning; }
    QString status() const { return m_status; }
    QTimer* turntime() const { return m_turntime; }
    // The clock as last drawn: its text, red below 20 seconds, the bar's width
    // and its pixels per second.
    QString clockText() const { return m_clockText; }
    bool clockRed() const { return m_clockRed; }
    int barWidth() const { return m_barWidth; }
    int barScale() const { return m_barScale; }

    // What is on show besides the labels.
    // The word entry (image_word, edit_word) stays on show from the player's
    // first turn on; it takes words (and button_igiveup shows) only while the
    // player's own turn runs, so keys typed at the buzzer go nowhere.
    bool wordEntryShown() const { return m_entryShown; }
    bool wordEntryOpen() const { return m_entryOpen; }
    // What the word entry asks for, for a screen reader: the round's prefix,
    // length and time, or that it is closed until the next round.
    QString wordEntryDescription() const;
    bool notPlayingShown() const { return m_notPlayingShown; } // image_full
    bool errorShown() const { return m_errorShown; }
    int errorReason() const { return m_errorReason; } // the server's reason code, -1 none
    bool scoresShown() const { return m_scoresShown; }
    bool startShown() const { return m_startShown; }
    void setStartShown(bool shown);
    // The rejection picture's words for the server's reason code; empty for a
    // code that has none.
    static QString rejectionReason(int code);
    // A key in the word entry takes the rejection picture away.
    void wordKeyPressed();
    // The player pressed I GIVE UP: the status says so until the round ends.
    void gaveUp();

    // The words nobody found: listed at the end of a round while a dictionary
    // is given and the list is on ("Show Missed Words").
    static constexpr int kMissedWords = 10;
    void setDictionary(std::shared_ptr<const TDictn> dictionary);
    const std::shared_ptr<const TDictn>& dictionary() const { return m_dictionary; }
    void setShowMissedWords(bool on) { m_showMissed = on; }
    bool showMissedWords() const { return m_showMissed; }
    const QStringList& missedWordsShown() const { return m_missed; } // longest first

signals:
    void changed();
    void wordAdded(const QString& text, int seat);
    void wordsCleared();
    // The words nobody found in the round just ended, under the words guessed.
    void missedWordsAdded(const QStringList& words);
    void spiesChanged();
    // The word entry is emptied (a new turn, the end of a round, a new game).
    void wordEntryEmptied();
    // What a player who can't see the board must hear at once: a round's start,
    // a word accepted or rejected (with the reason), the time running out, the
    // end of a round, the winner.
    void announced(const QString& message);

private:
    void setBarScale(int secondsPerTurn);
    void showOwnTurn();
    void showOthersTurn();
    void closeWordEntry();
    void announceRound();
    void announceScores();
    void clearWords();
    void seatArrives(int number, const QString& name);
    void spyArrives(int number, const QString& name);
    void markLeader();
    void recordInTally(int winner, const QString& name);
    void listMissedWords();

    GameOutside& m_out;
    std::array<Seat, kSeats> m_seats;
    QList<Spy> m_spies;
    QList<WordLine> m_words;
    QStringList m_found; // this round's words, as the server sent them
    QStringList m_missed;
    std::shared_ptr<const TDictn> m_dictionary;
    bool m_showMissed = true;
    // The round was seen from its start: its words guessed are all known.
    bool m_roundSeen = false;
    int m_roundLengthValue = 0; // 0: any length
    int m_mynumber = 0;
    bool m_loggedin = false;
    bool m_hosting = false;

    int m_round = 0;
    int m_rounds = 5;
    int m_secondsPerTurn = 60;
    QString m_lengthSetting = QStringLiteral("Random");
    QString m_roundLength;
    QString m_prefix;
    std::optional<QString> m_starterWord;

    int m_whoseturn = 0;
    int m_timeleft = 0;
    int m_roundSeconds = 0; // the round's time as it started for this player
    bool m_turnRunning = false;
    QString m_status = QStringLiteral("Welcome to Vorlix");
    QTimer* m_turntime = nullptr;
    QString m_clockText = QStringLiteral("Time: 0:00");
    bool m_clockRed = false;
    int m_barWidth = 0;
    int m_barScale = 5;

    bool m_entryShown = false;
    bool m_entryOpen = false;
    bool m_notPlayingShown = false;
    bool m_errorShown = false;
    int m_errorReason = -1;
    bool m_scoresShown = false;
    bool m_startShown = false;
};
