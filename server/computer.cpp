// The computer opponent in an empty seat 2.

#include "protocol.h"
#include "settleguard.h"
#include "tserver.h"

void TServer::computertimerTimer() {
    SettleGuard guard(*this);
    if (!computertimer.enabled())
        return;
    if (players[2].connected || !roundopen)
        return;
    if (draw(0, 9) <= 3 || countdown <= 4)
        return;
    computerfindword();
}

// Up to 1000 random picks from the starter list (never its last ten entries);
// the first of the round's length and prefix is tried as seat 2's word.
void TServer::computerfindword() {
    const int last = int(listbox_words.size()) - 11;
    if (last < 0)
        return;
    for (int attempt = 0; attempt < 1000; ++attempt) {
        const QByteArray& entry = listbox_words[draw(0, last)];
        if (wordlength != 0 && entry.size() != wordlength)
            continue;
        QByteArray head = entry.left(prefix.size());
        for (char& c : head)
            if (c >= 'a' && c <= 'z')
                c = char(c - 'a' + 'A');
        if (head == prefix) {
            sendword("2+" + entry + "+", kFromServer);
            return;
        }
    }
}
