// SPDX-License-Identifier: GPL-3.0-or-later
// The lobby program's inbound path: a service's bytes fed to a real lobby
// window offscreen, through its feed's link (ServiceLink::receiveBytes, what
// the socket's reads call), into the feed, the table list, the chat and its
// widgets. The input is the service's byte stream itself, so a seed reads as
// the lines a service sends. The byte 0xFF, which UTF-8 never holds, cuts the
// stream into the pieces the socket delivers, and the byte after it may be
// one of the player's actions:
//   'i' ROW  ignore (or stop ignoring) the ROW-th person present
//   's' COL  sort the list by column COL (an odd COL: descending)
//   'j' ROW  join the table of that row (no game is found: nothing starts)
//   'r'      the connection ends and a new one begins
// anything else: only the cut.
//
// After every piece and action the window must agree with its models: one
// row for each table the feed and the browser know, no address for an
// internet table, the people list as the feed has it, no control character
// in anything shown, and the chat pane showing exactly the lines not ignored,
// as plain text.

#include "chatmodel.h"
#include "chatpanel.h"
#include "fuzzing.h"
#include "lobbyfeed.h"
#include "lobbywindow.h"
#include "servicelink.h"
#include "widgettarget.h"

#include <QAction>
#include <QApplication>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>

#include <cstdlib>
#include <memory>

namespace {

// A fresh window costs far more than most inputs; one serves many, and is
// made anew now and then so that what inputs leave (chat lines, ignored
// names) never grows without bound.
constexpr int kInputsPerWindow = 128;
constexpr int kMaxSteps = 256;

struct Window {
    std::unique_ptr<LobbyWindow> window;
    int inputs = 0;
};
Window g_window;

// The feed's connection goes to a port nobody listens on, and is refused at
// once; after that its link has no socket, and the input is all it hears.
void waitForRefusal(LobbyWindow& w) {
    for (int i = 0; i < 200 && w.feed().link()->state() == ServiceLink::State::Connecting; ++i)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

void restartFeed(LobbyWindow& w) {
    w.feed().stop();
    w.feed().start();
    waitForRefusal(w);
}

void makeWindow() {
    static const std::string settings = fuzzing::scratchPath("kestrunlobby.ini");
    g_window = Window{};
    std::remove(settings.c_str());
    LobbySetup setup;
    setup.settingsPath = QString::fromStdString(settings);
    setup.service = lobbywire::HostPort{QStringLiteral("127.0.0.1"), 1};
    setup.discovery.targets = {QHostAddress(QHostAddress::LocalHost)};
    setup.linkPort = 0;
    g_window.window = std::make_unique<LobbyWindow>(setup);
    waitForRefusal(*g_window.window);
}

bool showable(const QString& text) {
    for (QChar c : text)
        if (c.unicode() < 0x20 || (c.unicode() >= 0x7F && c.unicode() < 0xA0) ||
            c == QChar(0x2028) || c == QChar(0x2029))
            return false;
    return true;
}

void check(LobbyWindow& w) {
    const TableListModel& tables = w.tables();
    FUZZ_CHECK(tables.rowCount() == w.feed().tables().size() + w.browser().tables().size());
    for (const TableRow& row : tables.rows()) {
        if (row.where == TableRow::Where::Internet)
            FUZZ_CHECK(row.id.startsWith(u'+') && row.id.size() == 10);
        for (int c = 0; c < TableListModel::kColumns; ++c)
            FUZZ_CHECK(showable(TableListModel::cellText(row, c)));
    }
    const ChatModel& chat = w.chat();
    FUZZ_CHECK(chat.people() == w.feed().people());
    FUZZ_CHECK(w.chatPanel()->peopleList()->count() == chat.people().size());
    for (const QString& name : chat.people())
        FUZZ_CHECK(!name.isEmpty() && showable(name));
    FUZZ_CHECK(w.chatPanel()->lines()->document()->blockCount() <= ChatModel::kMaxLines);
}

// The chat pane shows the lines not ignored, exactly, as plain text.
void checkChatText(LobbyWindow& w) {
    QStringList expected;
    for (const ChatEntry& e : w.chat().shownLines()) {
        FUZZ_CHECK(showable(e.name) && showable(e.text));
        expected << ChatPanel::lineText(e);
    }
    const qsizetype kept = w.chatPanel()->lines()->document()->blockCount();
    // The document's own text: toPlainText() would show a no-break space as a
    // blank. Its blocks are separated by U+2029, which a line never holds.
    QString shown = w.chatPanel()->lines()->document()->toRawText();
    shown.replace(QChar(QChar::ParagraphSeparator), u'\n');
    if (expected.isEmpty())
        FUZZ_CHECK(shown.isEmpty());
    else
        FUZZ_CHECK(shown == expected.mid(expected.size() - kept).join(u'\n'));
}

void act(LobbyWindow& w, fuzzing::Input& in) {
    switch (in.byte()) {
    case 'i': {
        const int row = in.byte();
        if (std::unique_ptr<QMenu> menu =
                w.chatPanel()->menuFor(row % qMax(1, int(w.chat().people().size()))))
            menu->actions().first()->trigger();
        break;
    }
    case 's': {
        const int c = in.byte();
        w.tables().sort(c / 2 % TableListModel::kColumns,
                        c % 2 ? Qt::DescendingOrder : Qt::AscendingOrder);
        break;
    }
    case 'j':
        w.joinRow(in.byte() % qMax(1, w.tables().rowCount()));
        break;
    case 'r':
        restartFeed(w);
        break;
    default:
        break;
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    fuzzing::startApplication<QApplication>(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    if (!g_window.window || g_window.inputs == kInputsPerWindow)
        makeWindow();
    fuzzing::endAtExit(g_window);
    ++g_window.inputs;
    LobbyWindow& w = *g_window.window;
    w.setPlayerName(QStringLiteral("Fuzz"));
    fuzzing::Input in(data, size);
    for (int step = 0; step < kMaxSteps && in.left() > 0; ++step) {
        const std::string_view piece = in.until(0xFF, in.left());
        w.feed().link()->receiveBytes(QByteArray(piece.data(), qsizetype(piece.size())));
        check(w);
        if (in.left() > 0) {
            act(w, in);
            check(w);
        }
    }
    checkChatText(w);
    // The next input begins a connection of its own.
    restartFeed(w);
    QCoreApplication::sendPostedEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    check(w);
    return 0;
}
