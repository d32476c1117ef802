// SPDX-License-Identifier: GPL-3.0-or-later
// Draws the main window at two moments of a game for the README: a round in
// play with long names at the table, and the end of that round with the words
// nobody found. The game is fed to the window's model directly; nothing is
// sent or listened for. Run with QT_QPA_PLATFORM=offscreen:
//   vorlix_boardshot <folder for the pictures>

#include "boardpanel.h"
#include "chatcontroller.h"
#include "soundplayer.h"
#include "tchat.h"
#include "tdictn.h"
#include "wordlists.h"

#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QTemporaryDir>

#include <cstdio>

namespace {

bool save(Tchat& chat, const QString& path) {
    QApplication::processEvents();
    const bool ok = chat.grab().save(path);
    std::printf("%s %s\n", ok ? "wrote" : "could not write", qPrintable(path));
    return ok;
}

void playARound(GameModel& model) {
    model.login(1);
    model.newplayerinfo("1+Maximilian Kowalski-Brandt");
    model.newplayerinfo("3+Christopher Featherstone");
    model.newplayerinfo("4+Ann");
    model.startthegame("Maximilian Kowalski-Brandt+5+60+5+");
    model.startround("1+60+5+STA+1+STATION+");
    const char* const found[] = {"3+STACK+5+", "1+STAMP+5+", "4+STAIR+5+", "2+STAKE+5+",
                                 "1+STAND+5+", "3+STALL+5+", "1+STARE+5+", "4+STASH+5+"};
    for (const char* word : found)
        model.gotword(word);
    for (int second = 0; second < 23; ++second)
        model.turntimeTimer();
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QDir out(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("docs"));
    QTemporaryDir work;
    // One parameter: no play mode starts, so nothing connects.
    Tchat chat(work.filePath(QStringLiteral("kestrunlobby.ini")), {QStringLiteral("Shot")});
    chat.messageBoxHook = [](const QString&) {};
    chat.sounds()->recorder = [](const QString&) {};
    ProgramWindows windows;
    windows.dictionary = std::make_shared<const TDictn>(work.path().toStdString(),
                                                        [] { return loadWordListResource(); });
    chat.attachWindows(windows);
    chat.show();
    chat.chat()->ClearMainChat1Click();
    GameModel& model = chat.model();
    playARound(model);
    chat.addlinetochat(QStringLiteral("Christopher Featherstone chats: good luck all!"), 0x008000);
    chat.addlinetochat(QStringLiteral("Ann chats: rules at www.example.com/vorlix"), 0x800080);
    chat.board()->mychat()->clear();
    bool ok = save(chat, out.filePath(QStringLiteral("screenshot.png")));

    model.endround("1+13+3+3+13+2+5+1+1+5+3+10+2+2+10+4+10+2+2+10+5+0+0+0+0+6+0+0+0+0");
    ok = save(chat, out.filePath(QStringLiteral("missed-words.png"))) && ok;
    return ok ? 0 : 1;
}
