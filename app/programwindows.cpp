#include "programwindows.h"

#include "tabout.h"
#include "tdownload.h"
#include "tgamestart.h"
#include "thelp.h"
#include "tphrases.h"
#include "tserver.h"
#include "tspylist.h"
#include "ttallylist.h"

ProgramWindows createProgramWindows(Tchat& chat, const QString& workDir, const QString& tallyFile) {
    ProgramWindows w;
    w.about = new Tabout(&chat);
    w.download = new Tdownload(&chat);
    w.gamestart = new Tgamestart(&chat);
    w.help = new Thelp(&chat);
    w.phrases = new Tphrases(&chat);
    w.server = new TServer(workDir, &chat);
    w.spylist = new Tspylist(&chat);
    w.tally = new Ttallylist(&chat, tallyFile, workDir);
    chat.attachWindows(w);
    return w;
}
