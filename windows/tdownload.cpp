// SPDX-License-Identifier: GPL-3.0-or-later
#include "tdownload.h"

#include "httpcli.h"
#include "windowart.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>

namespace {

QWidget* whitePanel(QWidget* parent, const QString& name, const QRect& place) {
    auto* panel = new QWidget(parent);
    panel->setObjectName(name);
    panel->setGeometry(place);
    windowart::makeWhite(panel);
    return panel;
}

QLabel* text(QWidget* parent, const QString& name, const QString& caption, const QRect& place,
             Qt::Alignment align = Qt::AlignLeft | Qt::AlignTop) {
    auto* label = new QLabel(caption, parent);
    label->setObjectName(name);
    label->setGeometry(place);
    label->setWordWrap(true);
    label->setAlignment(align);
    return label;
}

QPushButton* button(QWidget* parent, const QString& name, const QString& caption,
                    const QRect& place) {
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(name);
    b->setGeometry(place);
    b->setAutoDefault(false);
    return b;
}

} // namespace

Tdownload::Tdownload(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("download"));
    setWindowTitle(QStringLiteral("Download The Kestrun Lobby"));
    setWindowFlags(Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                   Qt::WindowStaysOnTopHint);
    setFixedSize(724, 500);
    QPalette back = palette();
    back.setColor(QPalette::Window, QColor(0x1E, 0x3C, 0x78));
    setPalette(back);
    setAutoFillBackground(true);

    showMessage = [this](const QString& message) {
        QMessageBox::information(this, windowTitle(), message);
    };
    startProgram = [](const QString& program, const QStringList& parameters) {
        return QProcess::startDetached(program, parameters);
    };
    downloadDir = QDir::tempPath();
    lobbyPrograms = defaultLobbyPrograms();
    HttpCli1 = new THttpCli(this);
    HttpCli1->setObjectName(QStringLiteral("HttpCli1"));
    HttpCli1->URL = QStringLiteral("http://www.kestrun.com/lobby/KestrunLobbySetup.exe");
    connect(HttpCli1, &THttpCli::headerData, this, &Tdownload::HttpCli1HeaderData);
    connect(HttpCli1, &THttpCli::docBegin, this, &Tdownload::HttpCli1DocBegin);
    connect(HttpCli1, &THttpCli::progress, this, &Tdownload::HttpCli1DocData);
    connect(HttpCli1, &THttpCli::finished, this, &Tdownload::HttpCli1Finished);
    connect(HttpCli1, &THttpCli::failed, this, &Tdownload::HttpCli1Failed);

    QWidget* left = whitePanel(this, QStringLiteral("panel_left"), QRect(12, 12, 400, 476));
    auto* picture = text(left, QStringLiteral("image_lobby"), QStringLiteral("The Kestrun Lobby"),
                         QRect(20, 20, 360, 160), Qt::AlignCenter);
    picture->setFont(QFont(QStringLiteral("Times New Roman"), 22, QFont::Bold));
    picture->setFrameShape(QFrame::Box);
    label_offer = text(left, QStringLiteral("label_offer"), QString(), QRect(20, 196, 360, 60),
                       Qt::AlignCenter);
    getbutton = button(left, QStringLiteral("getbutton"),
                       QStringLiteral("Download And Install The Kestrun Lobby Now"),
                       QRect(40, 268, 320, 32));
    abortbutton = button(left, QStringLiteral("abortbutton"), QStringLiteral("Stop Download"),
                         QRect(120, 308, 160, 28));
    infolabel = text(left, QStringLiteral("infolabel"), QString(), QRect(20, 350, 360, 20),
                     Qt::AlignCenter);
    infolabel3 = text(left, QStringLiteral("infolabel3"), QString(), QRect(20, 374, 360, 20),
                      Qt::AlignCenter);
    infolabel2 = text(left, QStringLiteral("infolabel2"), QString(), QRect(20, 398, 360, 20));
    infolabel2->hide();
    infolabel->setAccessibleDescription(QStringLiteral("Download status"));
    infolabel3->setAccessibleDescription(QStringLiteral("Download progress"));
    infolabel2->setAccessibleDescription(QStringLiteral("Downloaded file"));
    for (QLabel* info : {infolabel, infolabel3, infolabel2})
        setInfo(info, QString());
    left->setAccessibleName(QStringLiteral("The Kestrun Lobby"));
    connect(getbutton, &QPushButton::clicked, this, &Tdownload::getbuttonClick);
    connect(abortbutton, &QPushButton::clicked, this, &Tdownload::abortbuttonClick);

    QWidget* top = whitePanel(this, QStringLiteral("panel_solo"), QRect(424, 12, 288, 230));
    text(top, QStringLiteral("label_solo"),
         QStringLiteral("To proceed to the game without the ability to play against others "
                        "click the button below."),
         QRect(12, 12, 264, 60));
    auto* solo = button(top, QStringLiteral("Button1"), QStringLiteral("Play Solo Game"),
                        QRect(64, 80, 160, 32));
    connect(solo, &QPushButton::clicked, this, &Tdownload::Button1Click);
    // What most players want at a solo start: Enter plays.
    solo->setDefault(true);
    m_solo = solo;
    top->setAccessibleName(QStringLiteral("Play Solo Game"));
    text(top, QStringLiteral("label_firewall"),
         QStringLiteral("Note: Even if you are playing offline, you will need to configure your "
                        "FIREWALL to allow the game to access the internet components."),
         QRect(12, 124, 264, 90));

    QWidget* bottom = whitePanel(this, QStringLiteral("panel_others"), QRect(424, 254, 288, 234));
    bottom->setAccessibleName(QStringLiteral("Play with Others"));
    text(bottom, QStringLiteral("label_others"),
         QStringLiteral("If you already have The Kestrun Lobby and you wish to play with others "
                        "then click the button below to close this game and open The Kestrun "
                        "Lobby."),
         QRect(12, 12, 264, 90));
    auto* others = button(bottom, QStringLiteral("Button2"), QStringLiteral("Play with Others"),
                          QRect(64, 110, 160, 32));
    connect(others, &QPushButton::clicked, this, &Tdownload::Button2Click);
#ifdef Q_OS_WIN
    // The installer and the portable copy carry the lobby: a download is
    // offered only to a game copied somewhere without it.
    setOffersDownload(!lobbyPresent(lobbyPrograms));
#else
    setOffersDownload(false);
#endif
}

// The program quits with a download running (the main window takes its
// children with it): the transfer ends here without a word, and the part of
// the installer written so far goes with it.
Tdownload::~Tdownload() {
    delete HttpCli1;
    HttpCli1 = nullptr;
    endTransfer(false);
}

QStringList Tdownload::defaultLobbyPrograms() {
    const QDir gameDir(QCoreApplication::applicationDirPath());
#ifdef Q_OS_WIN
    return {gameDir.filePath(QStringLiteral("KestrunLobby.exe")),
            QStringLiteral("C:\\Program Files\\Kestrun\\KestrunLobby.exe")};
#else
    QStringList programs{gameDir.filePath(QStringLiteral("kestrunlobby"))};
    const QString installed = QStandardPaths::findExecutable(QStringLiteral("kestrunlobby"));
    if (!installed.isEmpty())
        programs << installed;
    return programs;
#endif
}

// Shown over the main window at a solo start: the window takes the keyboard,
// on its default button, so a keyboard or screen-reader player is not left
// in the window behind it.
void Tdownload::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    raise();
    activateWindow();
    m_solo->setFocus(Qt::ActiveWindowFocusReason);
}

// A status line and the name a screen reader gives it: its text, or while it
// has none, what it is for.
void Tdownload::setInfo(QLabel* label, const QString& text) {
    label->setText(text);
    label->setAccessibleName(
        text.isEmpty() ? QStringLiteral("No ") + label->accessibleDescription().toLower() : text);
}

bool Tdownload::lobbyPresent(const QStringList& programs) {
    for (const QString& program : programs)
        if (QFileInfo(program).isFile())
            return true;
    return false;
}

void Tdownload::setOffersDownload(bool offer) {
    m_offersDownload = offer;
    label_offer->setText(
        offer ? QStringLiteral("Download The Kestrun Lobby Now to play this  and other exciting "
                               "games online with other players!")
              : QStringLiteral("The Kestrun Lobby comes with Vorlix. Click \"Play with Others\" "
                               "to find players on your network and on the internet, and to host "
                               "a table or join one."));
    for (QWidget* w : {static_cast<QWidget*>(getbutton), static_cast<QWidget*>(abortbutton),
                       static_cast<QWidget*>(infolabel), static_cast<QWidget*>(infolabel3)})
        w->setVisible(offer);
}

void Tdownload::getbuttonClick() {
    if (!m_offersDownload || m_state == DownloadState::Running)
        return;
    m_installerName = HttpCli1->URL.mid(HttpCli1->URL.lastIndexOf(QLatin1Char('/')) + 1);
    setInfo(infolabel2, m_installerName);
    m_file = std::make_unique<QFile>(QDir(downloadDir).filePath(m_installerName));
    if (m_installerName.isEmpty() || !m_file->open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        setInfo(infolabel, QStringLiteral("Download Aborted"));
        m_state = DownloadState::Failed;
        showMessage(QStringLiteral("Cannot create file \"%1\".").arg(m_file->fileName()));
        m_file.reset();
        return;
    }
    m_state = DownloadState::Running;
    HttpCli1->RcvdStream = m_file.get();
    getbutton->setEnabled(false);
    abortbutton->setEnabled(true);
    setInfo(infolabel, QStringLiteral("Loading"));
    HttpCli1->Get();
}

void Tdownload::HttpCli1HeaderData() {
    setInfo(infolabel, infolabel->text() + QLatin1Char('.'));
}

void Tdownload::HttpCli1DocBegin() {
    setInfo(infolabel3, QStringLiteral("Downloading: ") + m_installerName);
}

void Tdownload::HttpCli1DocData(qint64 received) {
    setInfo(infolabel, QStringLiteral("%1 bytes").arg(received));
}

void Tdownload::HttpCli1Finished() {
    if (!m_file)
        return;
    // The last bytes may still sit in the file's buffer; a disk that refuses
    // them leaves an installer that must not be started.
    if (!m_file->flush()) {
        HttpCli1Failed();
        return;
    }
    setInfo(infolabel, QStringLiteral("Received %1 bytes").arg(m_file->size()));
    m_state = DownloadState::Received;
    const QString installer = m_file->fileName();
    endTransfer(true);

    setInfo(infolabel3, QStringLiteral("Installing"));
    // Our installer (NSIS) installs without questions when given /S.
    if (!startProgram(installer, {QStringLiteral("/S")})) {
        showMessage(QStringLiteral("An Error has Occurred."));
        return;
    }
    exitMainWindow();
}

// Whatever the reason (refused, cut short, stopped, not stored), nothing of it
// is kept.
void Tdownload::HttpCli1Failed() {
    if (!m_file)
        return;
    setInfo(infolabel, QStringLiteral("Download Aborted"));
    m_state = DownloadState::Failed;
    endTransfer(false);
}

void Tdownload::endTransfer(bool keep) {
    getbutton->setEnabled(true);
    abortbutton->setEnabled(false);
    if (HttpCli1)
        HttpCli1->RcvdStream = nullptr;
    if (m_file) {
        m_file->close();
        // Only a plain file: never a device that the name happened to be.
        if (!keep && QFileInfo(m_file->fileName()).isFile())
            m_file->remove();
        m_file.reset();
    }
}

void Tdownload::exitMainWindow() {
    if (exitProgram)
        exitProgram();
}

void Tdownload::abortbuttonClick() {
    setInfo(infolabel, QStringLiteral("Download has been aborted."));
    m_state = DownloadState::Failed;
    setInfo(infolabel3, QStringLiteral("Download Aborted"));
    // A running download fails at once and ends in HttpCli1Failed, which
    // shows "Download Aborted" over the line above.
    HttpCli1->Abort();
}

void Tdownload::Button1Click() {
    close();
}

void Tdownload::Button2Click() {
    for (const QString& program : lobbyPrograms) {
        if (QFileInfo(program).isFile()) {
            startProgram(program, {});
            exitMainWindow();
            return;
        }
    }
    if (m_offersDownload) {
        showMessage(QStringLiteral("Please close the game and open the Kestrun Lobby using the "
                                   "icon on your desktop or using the your Window's start-up "
                                   "menu."));
        return;
    }
    showMessage(QStringLiteral("The Kestrun Lobby was not found beside the game or on the PATH. "
                               "It comes with Vorlix: install the vorlix package (sudo apt "
                               "install vorlix), or build both programs with \"make run\"."));
}
