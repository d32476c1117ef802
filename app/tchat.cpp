// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's own life: creation, the play modes chosen from the command
// line, and the other windows it shows.

#include "tchat.h"

#include "boardpanel.h"
#include "colortext.h"
#include "inviteresolver.h"
#include "protocol.h"
#include "settingscontroller.h"
#include "soundplayer.h"
#include "tsock.h"
#include "tspylist.h"
#include "version.h"
#include "vorlixapplication.h"

#include <QAbstractButton>
#include <QAction>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QGridLayout>
#include <QLayout>
#include <QMenuBar>
#include <QMessageBox>
#include <QTimer>
#include <QUrl>

#include <chrono>

namespace {

constexpr int kBoardWidth = 777;
constexpr int kBoardHeight = 474;
// Margins FormResize keeps around the board.
constexpr int kExtraWidth = 15;
constexpr int kExtraHeight = 12;
constexpr int kTimer1IntervalMs = 15;
// A host that answers at all answers a connect within a second or two; one
// whose network drops the attempt would otherwise keep the player looking at
// "Loading" for the system's own timeout, minutes on some systems.
constexpr int kConnectTimeoutMs = 15 * 1000;

// A port that a hosting copy cannot have stops it: the player is told, under
// the component's own text, which port, what stands in the way and how to
// host on another.
ESockException portProblem(const ESockException& e, const TSock& listener) {
    QString text = QString::fromLocal8Bit(e.what());
    if (listener.ListenError() != 0) {
        text += u'\n' + TSock::listenProblem(listener.PortName(), listener.ListenError()) +
                QStringLiteral("\nTo host on another port, start the game with --port and a free "
                               "port number, for example --port 7773.");
    }
    return ESockException(text.toLocal8Bit().toStdString());
}

} // namespace

Tchat::Tchat(QString settingsFile, QStringList parameters, QWidget* parent)
    : QMainWindow(parent), m_settingsFile(std::move(settingsFile)),
      m_parameters(std::move(parameters)) {
    setObjectName(QStringLiteral("chat"));
    setWindowTitle(QStringLiteral("Vorlix"));
    setFont(QFont(QStringLiteral("Arial"), 8));

    sock = new TSock(this);
    sock->setObjectName(QStringLiteral("sock"));
    sock->setPortName(m_port);
    sock->setGameConnection();
    sock->setConnectTimeout(kConnectTimeoutMs);
    sock->OnRead = [this](TSock* s, int count) { sockRead(s, count); };
    sock->OnReport = [this](TSock* s, const TSockReport& report) { sockInfo(s, report); };
    Sock11 = new TSock(this);
    Sock11->setObjectName(QStringLiteral("Sock11"));

    m_clock = [] {
        using namespace std::chrono;
        return qint64(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
    };
    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(kTimer1IntervalMs);
    connect(Timer1, &QTimer::timeout, this, &Tchat::Timer1Timer);

    m_sounds = new SoundPlayer(this);
    m_settings = new SettingsController(*this, m_settingsFile, m_state.gamename, this);
    buildMenus();
    buildCentralBoard();
    // Until the player's own arrival reads the file, the window stands where
    // its definition puts it. The layout sets the window's least size first,
    // so the first bounds are those it can really take.
    layout()->activate();
    m_settings->placeAtStart();
    ChatWidgets chatWidgets{m_board->mainchat(), m_board->mychat(), {}};
    for (int n = 1; n <= 10; ++n)
        chatWidgets.phraseButtons[n - 1] = m_board->phraseButton(n);
    m_chat = new ChatController(*this, chatWidgets, this);
    buildPopups();
    buildKeys();
    nameMenus();
    connect(m_settings, &SettingsController::changed, this, &Tchat::showPreferences);
    showPreferences(m_settings->preferences());
    FormCreate();
    Timer1->start();
}

Tchat::~Tchat() {
    // The sockets outlive this object's own part (they are children): what they
    // report while closing must not reach a window that is going away.
    Timer1->stop();
    for (TSock* s : {sock, Sock11}) {
        s->OnRead = nullptr;
        s->OnReport = nullptr;
    }
    // The chat watches the board's widgets and asks this window for what it
    // needs: it goes while both are whole.
    delete m_chat;
    m_chat = nullptr;
}

void Tchat::buildCentralBoard() {
    auto* client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    client->setAccessibleName(QStringLiteral("Vorlix game"));
    client->setAutoFillBackground(true);
    QPalette pal = client->palette();
    pal.setColor(QPalette::Window, QColor(0xFF, 0xFF, 0xD3));
    client->setPalette(pal);

    m_board = new BoardPanel(m_model, *this, client);
    connect(&m_model, &GameModel::spiesChanged, this, &Tchat::showSpies);
    openLinkHook = [](const QString& address) { QDesktopServices::openUrl(QUrl(address)); };
    connect(m_board->linkLogo(), &QAbstractButton::clicked, this, &Tchat::Image4Click);
    m_board->setFixedSize(kBoardWidth, kBoardHeight);
    auto* layout = new QGridLayout(client);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_board, 0, 0, Qt::AlignCenter);
    // FormResize: the client area never gets smaller than the board and its margins.
    client->setMinimumSize(m_board->width() + kExtraWidth, m_board->height() + kExtraHeight);
    setCentralWidget(client);
}

void Tchat::FormCreate() {
    m_state.gamename = QStringLiteral("Vorlix");
    m_state.systemcolour = colortext::kBlue;
    m_state.seatcount = 6;
    m_model.clearall();
    m_model.setHosting(false);
}

void Tchat::setPort(const QString& port) {
    m_port = port;
    sock->setPortName(port);
}

void Tchat::setLobbyPort(const QString& port) {
    m_lobbyPort = port;
}

void Tchat::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (m_shown)
        return;
    m_shown = true;
    // Start-up errors must end the program, not reach the event loop's error
    // box: they are kept for main() to report.
    try {
        processparams();
    } catch (const std::exception& e) {
        m_startupError = QString::fromLocal8Bit(e.what());
        if (m_startupError.isEmpty())
            m_startupError = QStringLiteral("Unknown error");
    }
}

void Tchat::closeEvent(QCloseEvent* event) {
    // A settings file that cannot be written is reported, and the window still
    // closes: the program must not go on without its main window.
    VorlixApplication::guarded([this] {
        m_settings->formClose();
        return true;
    });
    QMainWindow::closeEvent(event);
    if (event->isAccepted()) {
        // Whatever the connection reports from now on is no news to the player.
        m_leaving = true;
        emit closed();
    }
}

void Tchat::processparams() {
    m_model.setStartShown(false);
    m_menus.startGame->setEnabled(false);
    m_state.loginstring.clear();

    if (m_parameters.isEmpty()) {
        addlinetochat(QStringLiteral("Loading Solo Game..Please wait."), m_state.systemcolour);
        showWindow(WindowKind::Download);
        m_state.hostip = QStringLiteral("127.0.0.1");
        m_state.playername = QStringLiteral("You");
        hostpress();
        return;
    }
    addlinetochat(QStringLiteral("Loading Multi-player Game.. Please Wait."), m_state.systemcolour);
    if (m_parameters.size() < 3)
        return;
    m_state.playername = m_parameters.at(0);
    m_state.hostip = m_parameters.at(1);
    if (m_parameters.at(2) == QLatin1String("true")) {
        hostpress();
    } else if (const std::optional<QString> code = lobbywire::invite::normalize(m_state.hostip)) {
        lookUpInvite(*code);
        return;
    } else {
        joinpress();
    }
    openLobbyLink();
}

void Tchat::openLobbyLink() {
    // The lobby link carries nothing; when no lobby listens it fails unseen.
    try {
        Sock11->setHostName(QStringLiteral("127.0.0.1"));
        Sock11->setPortName(m_lobbyPort);
        Sock11->Open();
    } catch (const std::exception&) {
    }
}

void Tchat::lookUpInvite(const QString& code) {
    addlinetochat(QStringLiteral("Looking up the invite code %1...").arg(code),
                  m_state.systemcolour);
    auto* resolver = new InviteResolver(m_lobbyService, QStringLiteral("vorlix"),
                                        QLatin1String(wire::kVersion), this);
    resolver->alternates = m_lobbyAlternates;
    connect(resolver, &InviteResolver::resolved, this, [this, resolver](const lobbywire::Found& f) {
        resolver->deleteLater();
        const QString table =
            f.hostName.isEmpty()
                ? QStringLiteral("Joining the table \"%1\".").arg(f.tableName)
                : QStringLiteral("Joining the table \"%1\" of %2.").arg(f.tableName, f.hostName);
        addlinetochat(table, m_state.systemcolour);
        m_route.emplace(f);
        m_directTimer = new QTimer(this);
        m_directTimer->setSingleShot(true);
        connect(m_directTimer, &QTimer::timeout, this, [this] {
            fallBack(
                QStringLiteral("no answer within %1 seconds").arg(JoinRoute::kDirectMs / 1000));
        });
        addlinetochat(m_route->joiningLine(), m_state.systemcolour);
        followRoute();
        openLobbyLink();
    });
    connect(resolver, &InviteResolver::failed, this, [this, resolver](const QString& why, bool) {
        resolver->deleteLater();
        m_startupError = why;
        leaveGame(why);
    });
    resolver->resolve(code);
}

// The game connection goes where the route says; the relay is asked for its
// table first, and a direct attempt is given a few seconds to be heard.
void Tchat::followRoute() {
    m_state.hostip = m_route->host();
    setPort(QString::number(m_route->port()));
    VorlixApplication::guarded([this] {
        joinpress();
        if (m_route->way() == JoinRoute::Way::Relay)
            sock->Send(m_route->opening());
        else if (m_route->mayFallBack())
            m_directTimer->start(JoinRoute::kDirectMs);
        return true;
    });
}

void Tchat::fallBack(const QString& why) {
    if (!m_route || !m_route->mayFallBack() || m_gameHeard || m_leaving)
        return;
    m_directTimer->stop();
    // Quietly: this connection's close is no reason to leave.
    const auto onReport = std::exchange(sock->OnReport, nullptr);
    sock->Close();
    sock->OnReport = onReport;
    m_route->fallBack();
    addlinetochat(m_route->fallBackLine(why), m_state.systemcolour);
    followRoute();
}

// A solo game is nobody else's business: its server listens on the loopback
// interface alone. The port is private too, so when another solo game on this
// machine (another user's, say) holds it, any free port serves.
void Tchat::listenForSolo(TSock& listener) {
    listener.setBindAddress(QStringLiteral("127.0.0.1"));
    try {
        listener.setListen(true);
        return;
    } catch (const ESockException&) {
    }
    listener.setPortName(QStringLiteral("0"));
    listener.setListen(true);
    setPort(QString::number(listener.localPort()));
}

void Tchat::hostpress() {
    if (TSock* listener = serverListener()) {
        listener->setPortName(m_port);
        try {
            if (m_parameters.isEmpty())
                listenForSolo(*listener);
            else
                listener->setListen(true);
        } catch (const ESockException& e) {
            throw portProblem(e, *listener);
        }
    }
    m_state.loginstring = wire::encode(m_state.playername) + wire::kTerminator;
    sock->setHostName(QStringLiteral("127.0.0.1"));
    sock->Open();
    holdTheTable();
}

// The player in seat 1 holds the table: they start the games and may remove
// players. A hosting copy's own player always is; on a dedicated server it is
// whoever joined first, who could otherwise never start a game there.
void Tchat::holdTheTable() {
    m_model.setHosting(true);
    m_model.setStartShown(true);
    m_menus.startGame->setEnabled(true);
    if (m_windows.spylist)
        m_windows.spylist->setKickEnabled(true);
}

void Tchat::joinpress() {
    m_state.loginstring = wire::encode(m_state.playername) + wire::kTerminator;
    sock->setHostName(m_state.hostip);
    sock->Open();
    m_model.setStartShown(false);
    m_menus.startGame->setEnabled(false);
}

void Tchat::sendRaw(const QByteArray& message) {
    // A host that was let go for flooding leaves no socket: nothing more goes out.
    if (sock->hasSocket())
        sock->Send(message);
}

void Tchat::sendMessage(const QByteArray& message) {
    if (m_model.loggedin())
        sendRaw(message);
}

void Tchat::addlinetochat(const QString& text, quint32 colour) {
    if (m_chat)
        m_chat->addlinetochat(text, colour);
}

void Tchat::messageBox(const QString& text) {
    if (messageBoxHook) {
        messageBoxHook(text);
        return;
    }
    QMessageBox::information(this, QStringLiteral("Vorlix"), text);
}
