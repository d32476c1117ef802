#pragma once
// Small helpers for game tests: finding words the server will accept, and
// running the round clock by hand.

#include "harness.h"
#include "tdictn.h"

#include <string_view>

// A starter-list word, upper case, that the current round accepts and nobody
// has taken yet; empty when there is none.
inline QByteArray acceptableWord(TServer& s) {
    for (const QByteArray& w : s.listbox_words) {
        const QByteArray up = w.toUpper();
        if (s.wordlength != 0 && up.size() != s.wordlength)
            continue;
        if (!up.startsWith(s.prefix) || s.listbox_gotten.contains(up))
            continue;
        if (s.spell->IsWord(std::string_view(up.constData(), size_t(up.size()))))
            return up;
    }
    return {};
}

// Ticks the round clock until the current phase ends; answers the ticks taken.
inline int runPhase(TServer& s) {
    const int tag = s.roundtimer.Tag;
    int ticks = 0;
    while (s.roundtimer.enabled() && s.roundtimer.Tag == tag && ticks < 100000) {
        s.roundtimerTimer();
        ++ticks;
        if (!s.roundtimer.enabled() || s.roundtimer.Tag != tag)
            break;
    }
    return ticks;
}
