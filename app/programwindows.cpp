// SPDX-License-Identifier: GPL-3.0-or-later
#include "programwindows.h"

#include "tabout.h"
#include "tdictn.h"
#include "tdownload.h"
#include "tgamestart.h"
#include "thelp.h"
#include "tphrases.h"
#include "tserver.h"
#include "tspylist.h"
#include "ttallylist.h"
#include "wordlists.h"

#include <QTimer>

ProgramWindows createProgramWindows(Tchat& chat, const QString& workDir, const QString& tallyFile) {
    ProgramWindows w;
    w.about = new Tabout(&chat);
    w.download = new Tdownload(&chat);
    w.gamestart = new Tgamestart(&chat);
    w.help = new Thelp(&chat);
    w.phrases = new Tphrases(&chat);
    // One dictionary, one working file: the server judges with it and the main
    // window lists the words nobody found. A missing word list is told once
    // the event loop runs, when the window can show a box.
    w.dictionary = std::make_shared<const TDictn>(
        workDir.toStdString(), [] { return loadWordListResource(); },
        [&chat](const std::string& message) {
            const QString text = QString::fromStdString(message);
            QTimer::singleShot(0, &chat, [&chat, text] { chat.messageBox(text); });
        });
    w.server = new TServer(w.dictionary, &chat);
    w.spylist = new Tspylist(&chat);
    w.tally = new Ttallylist(&chat, tallyFile, workDir);
    chat.attachWindows(w);
    return w;
}
