// The board's calls into the tally window.

#include "boardpanel_p.h"

#include "ttallylist.h"

#include <QListWidget>

namespace board {

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
        const bool followed =
            tally->listbox_tally &&
            !tally->listbox_tally->findItems(name, Qt::MatchFixedString).isEmpty();
        item->setCheckState(followed ? Qt::Checked : Qt::Unchecked);
    }
}

} // namespace board
