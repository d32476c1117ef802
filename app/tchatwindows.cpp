// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's links to the program's other windows and to the in-process
// server: the hooks it gives them and the windows it shows.

#include "boardpanel.h"
#include "settingscontroller.h"
#include "tchat.h"
#include "tsock.h"

#include "tabout.h"
#include "tdownload.h"
#include "tgamestart.h"
#include "thelp.h"
#include "tphrases.h"
#include "tserver.h"
#include "tspylist.h"
#include "ttallylist.h"

#include <QAbstractButton>
#include <QMenu>
#include <QScreen>

void Tchat::attachWindows(const ProgramWindows& windows) {
    m_windows = windows;
    if (Tgamestart* start = m_windows.gamestart) {
        start->send = [this](const QByteArray& message) { sendMessage(message); };
        start->playerName = [this] { return m_state.playername; };
        start->saveSettings = [this] { m_settings->saveinifile(); };
        connect(start, &Tgamestart::choiceChanged, m_settings, &SettingsController::setGameStart);
        showPreferences(m_settings->preferences());
    }
    // The help window's About and the download window's exit are this
    // window's to carry out.
    if (Thelp* help = m_windows.help)
        help->showAbout = [this] { showWindow(WindowKind::About); };
    if (Tdownload* download = m_windows.download)
        download->exitProgram = [this] { close(); };
    if (Tphrases* phrases = m_windows.phrases)
        phrases->onDone = [this](const QStringList& texts) { phrasesDone(texts); };
    if (Tspylist* spies = m_windows.spylist) {
        spies->kicking = [this](int player) { kicking(player); };
        showSpies();
    }
    if (Ttallylist* tally = m_windows.tally)
        tally->loadchecklist = [this] { loadchecklist(); };
    if (m_windows.dictionary)
        m_model.setDictionary(m_windows.dictionary);
    if (TServer* server = m_windows.server) {
        // The server asks for the host's choices at the moment it needs them.
        server->timeBetweenRounds = [this] { return int(m_settings->preferences().pause); };
        server->botSpeed = [this] { return int(m_settings->preferences().botPace); };
        server->showMessage = [this](const QString& text) { messageBox(text); };
    }
}

// The phrase editor's Done: the buttons take the new texts at once, and all
// nine keys are written every time, changed or not.
void Tchat::phrasesDone(const QStringList& texts) {
    std::array<QString, 9> phrases = m_settings->preferences().phrases;
    for (int n = 1; n <= 9 && n <= texts.size(); ++n)
        phrases[n - 1] = texts[n - 1];
    m_settings->setPhrases(phrases);
}

QWidget* Tchat::otherWindow(WindowKind kind) const {
    switch (kind) {
    case WindowKind::About:
        return m_windows.about;
    case WindowKind::Help:
        return m_windows.help;
    case WindowKind::SpyList:
        return m_windows.spylist;
    case WindowKind::Tally:
        return m_windows.tally;
    case WindowKind::Download:
        return m_windows.download;
    }
    return nullptr;
}

void Tchat::showWindow(WindowKind kind) {
    QWidget* w = otherWindow(kind);
    if (!w)
        return;
    w->show();
    if (kind == WindowKind::Download) {
        // Centred on the desktop's work area, wherever the main window stands;
        // placed once shown, when its frame is known.
        QRect area = w->frameGeometry();
        if (QScreen* desk = screen())
            area.moveCenter(desk->availableGeometry().center());
        w->move(area.topLeft());
    }
    w->raise();
}

void Tchat::ViewTally1Click() {
    loadchecklist();
    showWindow(WindowKind::Tally);
}

void Tchat::showGameStart() {
    if (m_windows.gamestart) {
        m_windows.gamestart->show();
        m_windows.gamestart->raise();
    }
}

TSock* Tchat::serverListener() const {
    return m_windows.server ? m_windows.server->Sock1 : nullptr;
}

void Tchat::showSpies() {
    if (!m_windows.spylist)
        return;
    QList<Tspylist::Spy> spies;
    for (const GameModel::Spy& spy : m_model.spies())
        spies.append({spy.number, spy.name});
    m_windows.spylist->showSpies(spies);
}

void Tchat::Image4Click() {
    // The about window holds the address; without one attached, the maker's own.
    const QString address =
        m_windows.about ? m_windows.about->address() : QStringLiteral("www.kestrun.com");
    if (address.isEmpty())
        return;
    if (openLinkHook)
        openLinkHook(QStringLiteral("http://") + address);
}
