// SPDX-License-Identifier: GPL-3.0-or-later
#include "rules.h"

#include <QSet>

namespace rules {

QByteArray upperAscii(QByteArray text) {
    for (char& c : text)
        if (c >= 'a' && c <= 'z')
            c = char(c - 'a' + 'A');
    return text;
}

bool spelledAtoZ(QByteArrayView word) {
    if (word.isEmpty())
        return false;
    for (char c : word)
        if (c < 'A' || c > 'Z')
            return false;
    return true;
}

int lengthSettingFor(int lengthChoice) {
    return lengthChoice >= 1 && lengthChoice <= 6 ? lengthChoice + 2 : 0;
}

QList<int> prefixLengths(int wordLength) {
    if (wordLength == 3)
        return {1};
    if (wordLength == 4)
        return {1, 2};
    return {1, 2, 3};
}

int soleLeader(const std::array<int, 6>& scores) {
    std::size_t leader = 0;
    for (std::size_t seat = 1; seat < scores.size(); ++seat)
        if (scores[seat] > scores[leader])
            leader = seat;
    for (std::size_t seat = 0; seat < scores.size(); ++seat)
        if (seat != leader && scores[seat] == scores[leader])
            return 0;
    return int(leader) + 1;
}

std::optional<RejectCode> judge(const QByteArray& word, int wordLength, const QByteArray& prefix,
                                const QList<QByteArray>& gotten,
                                const std::function<bool(const QByteArray&)>& inDictionary) {
    if (wordLength != 0 && word.size() != wordLength)
        return RejectCode::WrongLength;
    if (!inDictionary(word))
        return RejectCode::NotAWord;
    if (gotten.contains(word))
        return RejectCode::AlreadyTaken;
    if (!word.startsWith(prefix))
        return RejectCode::WrongPrefix;
    return std::nullopt;
}

bool hasStarterOfLength(const QList<QByteArray>& words, int length) {
    if (length == 0)
        return true;
    for (qsizetype i = 0; i + 1 < words.size(); ++i)
        if (words[i].size() == length)
            return true;
    return false;
}

bool prefixesExhausted(const QList<QByteArray>& words, const QList<QByteArray>& used,
                       int lengthSetting) {
    const QSet<QByteArray> record(used.begin(), used.end());
    const QList<int> lengths =
        lengthSetting == 8 ? QList<int>{0, 3, 4, 5, 6, 7} : QList<int>{lengthSetting};
    // A list of one entry still gives that entry as the starter.
    const qsizetype drawable = std::max<qsizetype>(words.size() - 1, 1);
    for (int length : lengths) {
        const bool exists = hasStarterOfLength(words, length);
        for (qsizetype i = 0; i < drawable && i < words.size(); ++i) {
            const QByteArray& w = words[i];
            if (exists && length != 0 && w.size() != length)
                continue;
            for (int k : prefixLengths(length))
                if (!record.contains(upperAscii(w.left(k))))
                    return false;
        }
    }
    return true;
}

} // namespace rules
