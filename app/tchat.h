// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Tchat: the program's main window and a client of the game server. It owns the
// game connection `sock`, the receive queue and its dispatch timer `Timer1`, the
// board (BoardPanel), the menus and the chat. The play mode (solo, host, join)
// is chosen once, from the command line, when the window is first shown.
//
// Its parts live in separate files: start-up and play modes (tchat.cpp), menus
// (tchatmenus.cpp), message dispatch (dispatch.cpp), the other windows
// (tchatwindows.cpp) and what the game model and the chat ask of it
// (tchatlinks.cpp). The game itself is the GameModel; the chat is the
// ChatController.

#include "boardhost.h"
#include "chatcontroller.h"
#include "clientstate.h"
#include "gamemodel.h"
#include "joinroute.h"
#include "lobbyaddress.h"
#include "mainmenus.h"

#include <QByteArray>
#include <QList>
#include <QMainWindow>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

class BoardPanel;
class QAction;
class QMenu;
class QTimer;
class SettingsController;
struct Preferences;
class SoundPlayer;
class TServer;
class TSock;
class TDictn;
class Tabout;
class Tdownload;
class Tgamestart;
class Thelp;
class Tphrases;
class Tspylist;
class Ttallylist;
struct TSockReport;

// The other windows of the program, created after the main window. Any of them
// may be missing (tests build only what they need).
struct ProgramWindows {
    Tabout* about = nullptr;
    Tdownload* download = nullptr;
    Tgamestart* gamestart = nullptr;
    Thelp* help = nullptr;
    Tphrases* phrases = nullptr;
    TServer* server = nullptr;
    Tspylist* spylist = nullptr;
    Ttallylist* tally = nullptr;
    // The word list, shared by the hosted server and the main window (which
    // lists the words nobody found from it).
    std::shared_ptr<const TDictn> dictionary;
};

// The game model, the board and the chat reach the window through the three
// host interfaces; they are its private wiring, not part of what it offers.
class Tchat : public QMainWindow, private BoardHost, private GameOutside, private ChatHost {
    Q_OBJECT
public:
    // Longest unfinished message the client holds; the bytes of a longer one are
    // dropped up to its end byte.
    static constexpr qsizetype kMaxPendingMessageBytes = 64 * 1024;
    // Messages, and their bytes, waiting to be shown. Timer1 shows about 66
    // messages a second and a game sends a few; a host that gets this far ahead
    // sends more than the window can ever show, and is broken or hostile: the
    // connection is closed and the player told, instead of the queue growing
    // without bound (70 MB of tiny messages once grew the program by 545 MB).
    static constexpr qsizetype kMaxQueuedMessages = 5000;
    static constexpr qsizetype kMaxQueuedBytes = 4 * 1024 * 1024;
    // Messages that could not be read (a number field that is no number): a
    // host that sends more than this many within a minute is let go.
    static constexpr int kMaxUnreadablePerMinute = 10;
    static constexpr qint64 kUnreadableWindowMs = 60 * 1000;

    // settingsFile: full path of the settings file; parameters: the command line
    // without the program's own name.
    Tchat(QString settingsFile, QStringList parameters, QWidget* parent = nullptr);
    ~Tchat() override;

    // Set up before the window is first shown.
    // Wires the other windows in (their hooks and the server's option readers).
    void attachWindows(const ProgramWindows& windows);
    // Port of the game connection and of the hosted server's listener ("7772").
    void setPort(const QString& port);
    void setLobbyPort(const QString& port);
    // The service that resolves invite codes, and its other instances.
    void setLobbyService(const lobbywire::HostPort& service,
                         const QList<lobbywire::HostPort>& alternates = {}) {
        m_lobbyService = service;
        m_lobbyAlternates = alternates;
    }

    // Start-up: the play mode chosen from the command line, run when the
    // window is first shown. The error that stopped it (or why an invite code
    // could not be followed), empty when start-up went through; the way an
    // invite code's table is being joined.
    void processparams();
    QString startupError() const { return m_startupError; }
    const std::optional<JoinRoute>& joinRoute() const { return m_route; }

    // The window's parts, for the program's other pieces and the tests.
    ClientState& state() { return m_state; }
    GameModel& model() { return m_model; }
    BoardPanel* board() const { return m_board; }
    SoundPlayer* sounds() const { return m_sounds; }
    SettingsController* settings() const { return m_settings; }
    ChatController* chat() const { return m_chat; }
    TSock* gameSocket() const { return sock; }
    TSock* lobbySocket() const { return Sock11; }

    // A line in the chat pane (bold up to the first ":").
    void addlinetochat(const QString& text, quint32 colour);
    // The program's message box (a recorder when messageBoxHook is set).
    void messageBox(const QString& text) override;

    // The receiving side of the game connection. receiveBytes does all that
    // the socket's reads do with their bytes: cut into messages and queued,
    // within the queue's limits; the fuzz target and tests feed a window
    // through it without a socket. sockInfo takes the connection's reports;
    // Timer1Timer shows the next queued message.
    void receiveBytes(QByteArray bytes);
    void sockInfo(TSock* sender, const TSockReport& report);
    void Timer1Timer();
    qsizetype queuedMessages() const { return receivedlist.size(); }
    QTimer* timer1() const { return Timer1; }

    // Tests replace the modal message box with a recorder.
    std::function<void(const QString&)> messageBoxHook;
    // Milliseconds of a monotonic clock, for the limit on unreadable
    // messages; tests set their own.
    void setClock(std::function<qint64()> clock) { m_clock = std::move(clock); }
    // Opens a web address; by default the desktop's browser. Tests replace it.
    std::function<void(const QString&)> openLinkHook;

signals:
    void closed();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    // BoardHost and ChatHost: sends only while logged in; the login itself
    // goes through sendRaw.
    void sendMessage(const QByteArray& message) override;
    void showGameStart() override;

    // GameOutside
    void playsounds(const QString& name) override;
    bool newTurnSound() const override;
    void systemLine(const QString& text) override;
    void focusWordEntry() override;
    void ownArrival() override;
    void tallyWordFound() override;
    void tallyHighScore(int total, const QString& text) override;
    void tallyGame(bool ownWin, const QString& winner) override;

    // ChatHost
    int ownNumber() const override;
    bool loggedIn() const override;
    const Preferences& preferences() const override;
    quint32 systemColour() const override;
    void playSound(const QString& name) override;
    std::optional<QString> seatNameByNumberText(const QString& number) const override;
    void showPhraseEditor(const QStringList& phrases) override;

    // The phrase editor's Done: new phrase texts for b_phrase1..9, stored as Phrase1..9.
    void phrasesDone(const QStringList& texts);
    // Refills the tally window's "Players In Current Game" from the table.
    void loadchecklist();
    // The board's logo: the maker's site, the same address as the about window's link.
    void Image4Click();

    // Play modes.
    void hostpress();
    void joinpress();
    // A joining copy given an invite code asks the lobby service where its
    // table is, then joins it and opens the lobby link; a code the service
    // does not know (or a service that can't be asked) ends the game with the
    // reason, kept as the start-up error.
    void lookUpInvite(const QString& code);

    // Dispatch.
    void sockRead(TSock* sender, int count);
    void processsocktimer();
    void sendloginfo(const QByteArray& payload);
    void kicking(int player);
    // Prepares the player menu (popup_kick) for a seat's name label or
    // last-word label.
    void label_playername1ContextPopup(int seat, bool lastWordLabel = false);
    void RemoveFromGame1Click();

    void holdTheTable();
    void FormCreate();
    void buildCentralBoard();
    void buildMenus();
    void buildOptionsMenu(QMenu* options);
    // Shows the preferences: the Options menu's marks, the chat pane's size, the
    // entry line's colour, the phrases and the game start window's choices.
    void showPreferences(const Preferences& prefs);
    void buildPopups();
    void buildKeys();
    void nameMenus();
    void sendRaw(const QByteArray& message);
    void listenForSolo(TSock& listener);
    void followRoute();
    // A direct attempt that failed (or stayed silent) gives way to the relay.
    void fallBack(const QString& why);
    void openLobbyLink();
    void dispatchMessage(const QByteArray& command, const QByteArray& payload);
    void reportConnectionError(const QString& msg);
    // Closes the game connection quietly and says why in the chat pane; the
    // window stays so the player can read it.
    void letHostGo(const QString& notice);
    void unreadableMessage(const QString& why);
    // The program's error box, one at a time.
    void showErrorBox(const QString& text);
    // Shows `why` in a message box, then closes the window; only the first
    // reason counts.
    void leaveGame(const QString& why);
    enum class WindowKind { About, Help, SpyList, Tally, Download };
    QWidget* otherWindow(WindowKind kind) const;
    void showWindow(WindowKind kind);
    void ViewTally1Click();
    TSock* serverListener() const;
    void showSpies();

    ClientState m_state;
    GameModel m_model{*this};
    QString m_settingsFile;
    QStringList m_parameters;
    QString m_port = QStringLiteral("7772");
    QString m_lobbyPort = QStringLiteral("9001");
    lobbywire::HostPort m_lobbyService;
    QList<lobbywire::HostPort> m_lobbyAlternates;
    ProgramWindows m_windows;

    BoardPanel* m_board = nullptr;
    SoundPlayer* m_sounds = nullptr;
    SettingsController* m_settings = nullptr;
    ChatController* m_chat = nullptr;
    TSock* sock = nullptr;
    TSock* Sock11 = nullptr;
    QTimer* Timer1 = nullptr;
    MainMenus m_menus;
    int m_kickSeat = 0;

    QByteArray m_receiveBuffer;
    bool m_discardingMessage = false;
    QList<QByteArray> receivedlist;
    qsizetype m_queuedBytes = 0; // of the messages in receivedlist
    std::function<qint64()> m_clock;
    QList<qint64> m_unreadableAt; // when the last unreadable messages came
    bool m_errorBoxOpen = false;

    bool m_shown = false;
    bool m_connectionLostShown = false;
    // The game connection closed; the window closes once the queue is empty.
    bool m_connectionClosed = false;
    bool m_leaving = false;
    QString m_startupError;
    std::optional<JoinRoute> m_route;
    QTimer* m_directTimer = nullptr; // a direct attempt's time to be heard
    bool m_gameHeard = false;        // the game server's first bytes came
};
