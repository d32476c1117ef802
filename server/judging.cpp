// Word judging, scoring and giving up.

#include "messages.h"
#include "protocol.h"
#include "settleguard.h"
#include "tdictn.h"
#include "tserver.h"

#include <string_view>

namespace {

enum RejectCode { kWrongLength = 0, kNotAWord = 1, kAlreadyTaken = 2, kWrongPrefix = 3 };

} // namespace

// Only words of the letters A to Z can be in the list. The dictionary itself
// forgives blanks and zero bytes around a word, so without this check "BRISK "
// would score 6 points beside "BRISK".
bool TServer::inDictionary(const QByteArray& word) const {
    if (word.isEmpty() || !spell)
        return false;
    for (char c : word)
        if (c < 'A' || c > 'Z')
            return false;
    try {
        return spell->IsWord(std::string_view(word.constData(), size_t(word.size())));
    } catch (const std::exception&) {
        return false; // a list that cannot be read holds no words
    }
}

void TServer::sendword(const QByteArray& payload, int sender) {
    wire::FieldReader fields(payload);
    int number = 0;
    if (!wire::tryToInt(fields.next(), number))
        return;
    if (sender != kFromServer && number != sender)
        return; // a word in somebody else's name
    if (!roundopen || number < 1 || number > numseats)
        return;
    QByteArray word = fields.next();
    for (char& c : word)
        if (c >= 'a' && c <= 'z')
            c = char(c - 'a' + 'A');

    int code = -1;
    if (wordlength != 0 && word.size() != wordlength)
        code = kWrongLength;
    else if (!inDictionary(word))
        code = kNotAWord;
    else if (listbox_gotten.contains(word))
        code = kAlreadyTaken;
    else if (!word.startsWith(prefix))
        code = kWrongPrefix;
    if (code >= 0) {
        sendTo(number, wire::notvalid(number, code));
        return;
    }

    listbox_gotten.append(word);
    tplayer& p = players[number];
    ++p.roundwords;
    ++p.gamewords;
    p.roundpoints += int(word.size());
    const QByteArray got = wire::gotword(number, word, int(word.size()));
    if (showwords)
        broadcast(got);
    else
        sendTo(number, got);
}

void TServer::giveup(const QByteArray& payload, int sender) {
    wire::FieldReader fields(payload);
    int number = 0;
    if (!wire::tryToInt(fields.next(), number) || number != sender || number < 1 ||
        number > kMaxSlots)
        return;
    players[number].gaveup = true;
    // The last four seconds of a round are the server's own grace time: a
    // give-up then is recorded but the round runs out.
    if (!roundopen || countdown <= 4)
        return;
    for (int seat = 1; seat <= numseats; ++seat)
        if (players[seat].connected && !players[seat].gaveup)
            return;
    endtheround();
}
