// The board's calls into the tally window.

#include "boardpanel_p.h"

#if __has_include("ttallylist.h")
#include "ttallylist.h"
#include <QListWidget>
#define VORLIX_HAVE_TALLY 1
#endif

namespace board {

#ifdef VORLIX_HAVE_TALLY

void tallyWordFound(Ttallylist* tally) {
    if (tally)
        tally->addtomineincrease(4);
}

void tallyHighScore(Ttallylist* tally, int total, const QString& text) {
    if (!tally)
        return;
    int best = 0;
    if (!wire::tryToInt(wire::encode(tally->mylabel(3)), best))
        best = 0;
    if (total > best)
        tally->addtomineset(3, text);
}

void tallyGame(Ttallylist* tally, const QString& winner) {
    if (tally)
        tally->addgame(winner);
}

void fillChecklist(Ttallylist* tally, const QStringList& names) {
    if (!tally || !tally->checklist)
        return;
    tally->checklist->clear();
    for (const QString& name : names) {
        auto* item = new QListWidgetItem(name, tally->checklist);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        const bool followed = tally->listbox_tally &&
                              !tally->listbox_tally->findItems(name, Qt::MatchExactly).isEmpty();
        item->setCheckState(followed ? Qt::Checked : Qt::Unchecked);
    }
}

#else

// Built before the tally window exists: there is nothing to record into.
void tallyWordFound(Ttallylist*) {}
void tallyHighScore(Ttallylist*, int, const QString&) {}
void tallyGame(Ttallylist*, const QString&) {}
void fillChecklist(Ttallylist*, const QStringList&) {}

#endif

} // namespace board
