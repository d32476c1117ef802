// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// LobbyWindow: Kestrun Lobby's main window. It follows the service
// (LobbyFeed: the directory, the chat, whether the service is reachable) and
// this network (DiscoveryBrowser, while the window shows), merges both into
// one list of tables, and starts the game to host or join (GameStarter). The
// games it starts open their link to its LinkServer: while one is open the
// status says "In a game"; when the last one closes the window comes forward.
//
// State lives in typed values and models (LobbyPrefs, TableListModel,
// ChatModel); the widgets show and change them. What the player should know
// (a refusal, a failed start) shows in the notice line, never in a box that
// would stop the event loop.

#include "discovery.h"
#include "gameargs.h"
#include "lobbyaddress.h"
#include "lobbyprefs.h"
#include "tablelistmodel.h"

#include <QMainWindow>

#include <optional>

class ChatModel;
class ChatPanel;
class GameLauncher;
class GameStarter;
class IniFile;
class LinkServer;
class LobbyFeed;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;
struct GameOutcome;

struct LobbySetup {
    // The game's settings file, where the lobby keeps its section.
    QString settingsPath;
    // The game's executable; empty when none was found.
    QString gamePath;
    // --lobby; otherwise the settings' "Service". With `alternates`, the
    // other instances of the same service, tried in turn.
    std::optional<lobbywire::HostPort> service;
    QList<lobbywire::HostPort> alternates;
    // Where and how this network is asked; the port is the settings'
    // "DiscoveryPort" unless discoveryPort is given.
    DiscoveryBrowser::Options discovery;
    std::optional<quint16> discoveryPort;
    quint16 linkPort = gameargs::kDefaultLinkPort;
};

class LobbyWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit LobbyWindow(LobbySetup setup, QWidget* parent = nullptr);
    ~LobbyWindow() override;

    // What the player does, as the controls do it.
    void setPlayerName(const QString& name);
    void hostTable(const gameargs::HostChoice& choice);
    void joinRow(int row);
    void joinSelected();
    void joinTarget(const gameargs::JoinTarget& target);
    void openHostDialog();
    void openJoinDialog();
    // Restores a hidden or minimised window, raises and activates it.
    void bringForward();

    const LobbyPrefs& prefs() const { return m_prefs; }
    const lobbywire::HostPort& service() const { return m_service; }
    QString notice() const { return m_notice; }
    QString reachText() const;
    bool inGame() const { return m_inGame; }
    bool browsing() const { return m_browsing; }

    TableListModel& tables() { return *m_tables; }
    ChatModel& chat() { return *m_chat; }
    LobbyFeed& feed() { return *m_feed; }
    DiscoveryBrowser& browser() { return *m_browser; }
    LinkServer& link() { return *m_link; }
    GameStarter& starter() { return *m_starter; }
    ChatPanel* chatPanel() const { return m_chatPanel; }
    QTableView* tableView() const { return m_tableView; }
    QLabel* gameStatusLabel() const { return m_gameLabel; }

signals:
    void noticeChanged(const QString& text);
    void inGameChanged(bool inGame);
    void broughtForward();

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void buildWidgets();
    void connectModels();
    void setNotice(const QString& text);
    void savePrefs();
    void commitName();
    void updateBrowsing();
    void setInGame(bool inGame);
    void onGameEnded(const GameOutcome& outcome);
    void rememberSelection();
    void restoreSelection();
    bool sayInChat(const QString& text);

    LobbySetup m_setup;
    IniFile* m_settings = nullptr;
    LobbyPrefs m_prefs;
    QString m_committedName; // the name last saved and given to the feed
    lobbywire::HostPort m_service;
    QString m_notice;
    bool m_inGame = false;
    bool m_browsing = false;
    // The table the player selected, kept across the list's changes.
    std::optional<std::pair<TableRow::Where, QString>> m_selected;

    LobbyFeed* m_feed = nullptr;
    DiscoveryBrowser* m_browser = nullptr;
    TableListModel* m_tables = nullptr;
    ChatModel* m_chat = nullptr;
    LinkServer* m_link = nullptr;
    GameLauncher* m_launcher = nullptr;
    GameStarter* m_starter = nullptr;

    QLineEdit* m_nameEdit = nullptr;
    QLabel* m_noticeLabel = nullptr;
    QTableView* m_tableView = nullptr;
    QPushButton* m_hostButton = nullptr;
    QPushButton* m_joinButton = nullptr;
    QPushButton* m_joinByButton = nullptr;
    ChatPanel* m_chatPanel = nullptr;
    QLabel* m_reachLabel = nullptr;
    QLabel* m_gameLabel = nullptr;
};
