// The game: starting it, beginning and ending rounds, the round clock and the
// winner.

#include "messages.h"
#include "protocol.h"
#include "serverlimits.h"
#include "settleguard.h"
#include "tserver.h"

#include <QSet>

#include <climits>

namespace {

QByteArray upperAscii(QByteArray text) {
    for (char& c : text)
        if (c >= 'a' && c <= 'z')
            c = char(c - 'a' + 'A');
    return text;
}

int lengthSettingFor(int lengthChoice) {
    return lengthChoice >= 1 && lengthChoice <= 6 ? lengthChoice + 2 : 0;
}

// The prefix lengths a round of the given word length draws from.
QList<int> prefixLengths(int wordLength) {
    if (wordLength == 3)
        return {1};
    if (wordLength == 4)
        return {1, 2};
    return {1, 2, 3};
}

} // namespace

void TServer::startgame(const QByteArray& payload, int sender) {
    if (sender != 1)
        return; // only the host's own window starts games
    // Every field is read and checked before anything changes: a message that
    // cannot be read leaves the server exactly as it was.
    wire::FieldReader fields(payload);
    const QByteArray starter = fields.next();
    const QByteArray roundsText = fields.next();
    const QByteArray secondsText = fields.next();
    const QByteArray lengthText = fields.next();
    const QByteArray showText = fields.next();
    int lengthChoice = 0;
    if (!wire::tryToInt(lengthText, lengthChoice))
        return;
    int rounds = 0;
    if (!wire::tryToInt(roundsText, rounds) || rounds < 1)
        rounds = 5;
    // A round of no time, or less, would end at its first tick.
    int seconds = 0;
    if (!wire::tryToInt(secondsText, seconds) || seconds < 1)
        seconds = 60;
    seconds = std::min(seconds, INT_MAX - 4);

    computertimer.setEnabled(false);
    if (listbox_prefix.size() > 26)
        listbox_prefix.clear();
    roundtimer.setEnabled(false);
    gameon = true;
    numrounds = rounds;
    roundtime = seconds + 4;
    showwords = showText != "0";
    lengthsetting = lengthSettingFor(lengthChoice);
    broadcast(wire::startgameAnnounce(starter, numrounds, roundtime - 4, lengthsetting));
    for (int seat = 1; seat <= numseats; ++seat) {
        tplayer& p = players[seat];
        p.score = p.gamewords = p.roundpoints = p.roundwords = 0;
    }
    wordlength = 0;
    roundnum = 0;
    starttheround();
}

void TServer::starttheround() {
    computertimer.setEnabled(false);
    ++roundnum;
    if (roundnum > numrounds && checkforwin())
        return;
    listbox_gotten.clear();
    for (int seat = 1; seat <= numseats; ++seat) {
        players[seat].roundwords = players[seat].roundpoints = 0;
        players[seat].gaveup = false;
    }
    drawRoundStart();
    roundopen = true;

    for (int i = 1; i <= numslots; ++i)
        if (players[i].connected)
            sendTo(i, wire::startround(roundnum, roundtime - 4, wordlength, prefix,
                                       i <= numseats ? i : 1, starterword));
    if (!players[2].connected) {
        computertimer.setEnabled(false);
        computertimer.setInterval(botInterval());
        computertimer.setEnabled(true);
    }
    roundtimer.setEnabled(false);
    countdown = roundtime;
    roundtimer.Tag = 1;
    roundtimer.setEnabled(true);
}

// Draws the round's word length, starter word and prefix until the prefix is
// one not used since the record was last cleared. When the record already
// holds every prefix the game's word length can produce (a few games of
// 3-letter words get there), it is cleared first, so the draw always ends.
void TServer::drawRoundStart() {
    if (prefixesExhausted())
        listbox_prefix.clear();
    for (int draws = 0;; ++draws) {
        if (draws == serverlimits::kMaxPrefixDraws)
            listbox_prefix.clear();
        if (lengthsetting == 8) {
            const int r = draw(0, 9);
            wordlength = r >= 3 && r <= 7 ? r : 0;
        } else {
            wordlength = lengthsetting;
        }
        const QByteArray word = drawStarter(wordlength);
        const QList<int> ks = prefixLengths(wordlength);
        const int k = ks.size() == 1 ? 1 : draw(1, int(ks.size()));
        const QByteArray candidate = word.left(k);
        if (!listbox_prefix.contains(candidate)) {
            listbox_prefix.append(candidate);
            prefix = candidate;
            starterword = word;
            return;
        }
    }
}

// A starter word in upper case: any entry but the last, of the given length
// when that is not 0. A list without a word of that length gives any word.
QByteArray TServer::drawStarter(int length) {
    const int n = int(listbox_words.size());
    if (n == 0)
        return "A";
    if (n == 1)
        return upperAscii(listbox_words[0]);
    bool exists = length == 0;
    for (int i = 0; i < n - 1 && !exists; ++i)
        exists = listbox_words[i].size() == length;
    for (;;) {
        const QByteArray& w = listbox_words[draw(0, n - 2)];
        if (!exists || length == 0 || w.size() == length)
            return upperAscii(w);
    }
}

bool TServer::prefixesExhausted() const {
    const QSet<QByteArray> used(listbox_prefix.begin(), listbox_prefix.end());
    const QList<int> lengths =
        lengthsetting == 8 ? QList<int>{0, 3, 4, 5, 6, 7} : QList<int>{lengthsetting};
    const int n = int(listbox_words.size());
    for (int length : lengths) {
        bool exists = length == 0;
        for (int i = 0; i < n - 1 && !exists; ++i)
            exists = listbox_words[i].size() == length;
        for (int i = 0; i < std::max(n - 1, 1) && i < n; ++i) {
            const QByteArray& w = listbox_words[i];
            if (exists && length != 0 && w.size() != length)
                continue;
            for (int k : prefixLengths(length))
                if (!used.contains(upperAscii(w.left(k))))
                    return false;
        }
    }
    return true;
}

void TServer::endtheround() {
    roundopen = false;
    computertimer.setEnabled(false);
    std::array<wire::RoundReport, 6> report{};
    for (int seat = 1; seat <= 6; ++seat) {
        tplayer& p = players[seat];
        p.score += p.roundpoints;
        report[seat - 1] = {seat, p.score, p.gamewords, p.roundwords, p.roundpoints};
    }
    broadcast(wire::endround(report));
    roundtimer.setEnabled(false);
    roundtimer.Tag = 2;
    countdown = pauseSeconds();
    roundtimer.setEnabled(true);
}

bool TServer::checkforwin() {
    int leader = 1;
    for (int seat = 2; seat <= numseats; ++seat)
        if (players[seat].score > players[leader].score)
            leader = seat;
    for (int seat = 1; seat <= numseats; ++seat)
        if (seat != leader && players[seat].score == players[leader].score)
            return false;
    broadcast(wire::winner(leader));
    gameon = false;
    return true;
}

void TServer::roundtimerTimer() {
    SettleGuard guard(*this);
    if (!roundtimer.enabled())
        return;
    --countdown;
    if (countdown > 0)
        return;
    roundtimer.setEnabled(false);
    if (roundtimer.Tag == 1)
        endtheround();
    else if (roundtimer.Tag == 2)
        starttheround();
}

int TServer::pauseSeconds() const {
    const int pause = timeBetweenRounds ? timeBetweenRounds() : 12;
    return pause < 20 ? pause : 12;
}

int TServer::botInterval() const {
    const int ms = botSpeed ? botSpeed() : 1200;
    return ms > 0 ? ms : 1200;
}
