// SPDX-License-Identifier: GPL-3.0-or-later
#include "lobbywindow.h"

#include "chatmodel.h"
#include "chatpanel.h"
#include "gamelauncher.h"
#include "gamestarter.h"
#include "inifile.h"
#include "linkserver.h"
#include "lobbyfeed.h"
#include "lobbysettings.h"
#include "version.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSplitter>
#include <QStatusBar>
#include <QTableView>
#include <QVBoxLayout>

LobbyWindow::LobbyWindow(LobbySetup setup, QWidget* parent)
    : QMainWindow(parent), m_setup(std::move(setup)) {
    setWindowTitle(QStringLiteral("Kestrun Lobby"));
    m_settings = new IniFile(m_setup.settingsPath);
    m_prefs = lobbyprefs::load(*m_settings);
    m_committedName = m_prefs.name;
    const lobbysettings::Network network = lobbysettings::readNetwork(*m_settings);
    m_service = m_setup.service.value_or(network.service);
    const QList<lobbywire::HostPort> alternates =
        m_setup.service ? m_setup.alternates : network.alternates;
    DiscoveryBrowser::Options discovery = m_setup.discovery;
    discovery.port = m_setup.discoveryPort.value_or(network.discoveryPort);

    m_feed = new LobbyFeed(m_service, QLatin1String(wire::kVersion), this);
    m_feed->alternates = alternates;
    m_browser = new DiscoveryBrowser(discovery, this);
    m_tables = new TableListModel(this);
    m_chat = new ChatModel(this);
    m_chat->setIgnored(m_prefs.ignored);
    m_link = new LinkServer(m_setup.linkPort, this);
    m_launcher = new GameLauncher(m_setup.gamePath, this);
    m_starter = new GameStarter(
        *m_launcher, m_service, [this] { return m_link->port(); }, this);
    m_starter->alternates = alternates;

    buildWidgets();
    connectModels();

    if (!m_link->listen())
        setNotice(QStringLiteral("The lobby can't listen for the games it starts; they will run, "
                                 "but the lobby won't know when they end."));
    m_feed->setName(m_prefs.name);
    m_feed->start();
    m_reachLabel->setText(reachText());
}

LobbyWindow::~LobbyWindow() {
    // The widgets go after this window's own values, and still report as they
    // go (the name field, losing its focus, says its editing finished).
    for (QObject* child : findChildren<QObject*>())
        child->disconnect(this);
    delete m_settings;
}

void LobbyWindow::buildWidgets() {
    auto* central = new QWidget(this);
    auto* nameLabel = new QLabel(QStringLiteral("Your &name:"), central);
    m_nameEdit = new QLineEdit(central);
    m_nameEdit->setObjectName(QStringLiteral("playerName"));
    m_nameEdit->setAccessibleName(QStringLiteral("Your name"));
    m_nameEdit->setMaxLength(lobbywire::kMaxNameChars);
    m_nameEdit->setText(m_prefs.name);
    nameLabel->setBuddy(m_nameEdit);

    m_noticeLabel = new QLabel(central);
    m_noticeLabel->setObjectName(QStringLiteral("notice"));
    m_noticeLabel->setAccessibleName(QStringLiteral("Notice"));
    m_noticeLabel->setTextFormat(Qt::PlainText);
    m_noticeLabel->setWordWrap(true);
    m_noticeLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_noticeLabel->hide();

    m_tableView = new QTableView(central);
    m_tableView->setObjectName(QStringLiteral("tableList"));
    m_tableView->setAccessibleName(QStringLiteral("Tables"));
    m_tableView->setModel(m_tables);
    m_tableView->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_tableView->setSelectionMode(QAbstractItemView::SingleSelection);
    m_tableView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_tableView->setSortingEnabled(true);
    m_tableView->sortByColumn(TableListModel::Table, Qt::AscendingOrder);
    m_tableView->verticalHeader()->hide();
    // The name takes what room there is; the other columns what they show.
    m_tableView->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_tableView->horizontalHeader()->setSectionResizeMode(TableListModel::Table,
                                                          QHeaderView::Stretch);

    m_hostButton = new QPushButton(QStringLiteral("&Host a Table..."), central);
    m_joinButton = new QPushButton(QStringLiteral("&Join"), central);
    m_joinByButton = new QPushButton(QStringLiteral("Join by &Invite Code or Address..."), central);
    m_hostButton->setAccessibleName(QStringLiteral("Host a Table"));
    m_joinButton->setAccessibleName(QStringLiteral("Join"));
    m_joinByButton->setAccessibleName(QStringLiteral("Join by Invite Code or Address"));

    m_chatPanel = new ChatPanel(
        *m_chat, [this](const QString& text) { return sayInChat(text); }, central);

    auto* nameRow = new QHBoxLayout;
    nameRow->addWidget(nameLabel);
    nameRow->addWidget(m_nameEdit, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_hostButton);
    buttons->addWidget(m_joinButton);
    buttons->addWidget(m_joinByButton);
    buttons->addStretch(1);
    auto* top = new QWidget(central);
    auto* topLayout = new QVBoxLayout(top);
    topLayout->setContentsMargins(0, 0, 0, 0);
    topLayout->addWidget(m_tableView, 1);
    topLayout->addLayout(buttons);
    auto* split = new QSplitter(Qt::Vertical, central);
    split->addWidget(top);
    split->addWidget(m_chatPanel);
    auto* layout = new QVBoxLayout(central);
    layout->addLayout(nameRow);
    layout->addWidget(m_noticeLabel);
    layout->addWidget(split, 1);
    setCentralWidget(central);

    m_reachLabel = new QLabel(this);
    m_reachLabel->setObjectName(QStringLiteral("serviceStatus"));
    m_reachLabel->setAccessibleName(QStringLiteral("Lobby service"));
    m_reachLabel->setTextFormat(Qt::PlainText);
    m_gameLabel = new QLabel(this);
    m_gameLabel->setObjectName(QStringLiteral("gameStatus"));
    m_gameLabel->setAccessibleName(QStringLiteral("Game"));
    statusBar()->addWidget(m_reachLabel, 1);
    statusBar()->addPermanentWidget(m_gameLabel);
    resize(760, 560);
}

void LobbyWindow::connectModels() {
    connect(m_feed, &LobbyFeed::reachChanged, this, [this] { m_reachLabel->setText(reachText()); });
    connect(m_feed, &LobbyFeed::tablesChanged, this,
            [this] { m_tables->setInternetTables(m_feed->tables()); });
    connect(m_browser, &DiscoveryBrowser::changed, this,
            [this] { m_tables->setLanTables(m_browser->tables()); });
    connect(m_feed, &LobbyFeed::peopleChanged, this,
            [this] { m_chat->setPeople(m_feed->people()); });
    connect(m_feed, &LobbyFeed::chatLine, m_chat, &ChatModel::addLine);
    connect(m_feed, &LobbyFeed::notice, this, &LobbyWindow::setNotice);
    connect(m_chat, &ChatModel::ignoredChanged, this, [this] {
        m_prefs.ignored = m_chat->ignored();
        savePrefs();
    });

    connect(m_tables, &QAbstractItemModel::modelAboutToBeReset, this,
            &LobbyWindow::rememberSelection);
    connect(m_tables, &QAbstractItemModel::modelReset, this, &LobbyWindow::restoreSelection);
    connect(m_tableView, &QTableView::activated, this,
            [this](const QModelIndex& index) { joinRow(index.row()); });

    connect(m_nameEdit, &QLineEdit::textEdited, this,
            [this](const QString& text) { m_prefs.name = text; });
    connect(m_nameEdit, &QLineEdit::editingFinished, this, &LobbyWindow::commitName);
    connect(m_hostButton, &QPushButton::clicked, this, &LobbyWindow::openHostDialog);
    connect(m_joinButton, &QPushButton::clicked, this, &LobbyWindow::joinSelected);
    connect(m_joinByButton, &QPushButton::clicked, this, &LobbyWindow::openJoinDialog);

    connect(m_starter, &GameStarter::notice, this, &LobbyWindow::setNotice);
    connect(m_launcher, &GameLauncher::ended, this, &LobbyWindow::onGameEnded);
    connect(m_link, &LinkServer::linkOpened, this, [this] {
        m_launcher->linkOpened();
        setInGame(true);
    });
    connect(m_link, &LinkServer::allClosed, this, [this] {
        setInGame(false);
        bringForward();
    });
}

QString LobbyWindow::reachText() const {
    return m_feed->reachText();
}

void LobbyWindow::setNotice(const QString& text) {
    if (text == m_notice)
        return;
    m_notice = text;
    m_noticeLabel->setText(text);
    m_noticeLabel->setVisible(!text.isEmpty());
    emit noticeChanged(text);
}

void LobbyWindow::setInGame(bool inGame) {
    if (inGame == m_inGame)
        return;
    m_inGame = inGame;
    m_gameLabel->setText(inGame ? QStringLiteral("In a game") : QString());
    emit inGameChanged(inGame);
}

void LobbyWindow::bringForward() {
    if (isMinimized())
        showNormal();
    else if (!isVisible())
        show();
    raise();
    activateWindow();
    emit broughtForward();
}

void LobbyWindow::updateBrowsing() {
    // Asking the network costs every table on it an answer: only while the
    // list can be seen.
    const bool wanted = isVisible() && !isMinimized();
    if (wanted == m_browsing)
        return;
    m_browsing = wanted;
    if (wanted)
        m_browser->start();
    else
        m_browser->stop();
}

void LobbyWindow::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    updateBrowsing();
}

void LobbyWindow::hideEvent(QHideEvent* event) {
    QMainWindow::hideEvent(event);
    updateBrowsing();
}

void LobbyWindow::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange)
        updateBrowsing();
}

void LobbyWindow::closeEvent(QCloseEvent* event) {
    commitName();
    QMainWindow::closeEvent(event);
}
