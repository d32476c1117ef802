// The board's calls into the tally window.

#include "boardpanel_p.h"

#include "ttallylist.h"

namespace board {

void tallyWordFound(Ttallylist* tally) {
    if (tally)
        tally->addtomineincrease(4);
}

void tallyHighScore(Ttallylist* tally, int total, const QString& text) {
    if (tally)
        tally->offerHighScore(total, text);
}

void tallyGame(Ttallylist* tally, const QString& winner) {
    if (tally)
        tally->addgame(winner);
}

void fillChecklist(Ttallylist* tally, const QStringList& names) {
    if (tally)
        tally->setPlayersInGame(names);
}

} // namespace board
