// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The game's rules that need no state: pure functions on words, scores and
// settings, shared by the engine and tested on their own.

#include <QByteArray>
#include <QByteArrayView>
#include <QList>

#include <array>
#include <functional>
#include <optional>

namespace rules {

// The letters a to z made A to Z; every other byte stays as it is.
QByteArray upperAscii(QByteArray text);

// True when the word is one or more of the letters A to Z and nothing else:
// only such a word can be in the list.
bool spelledAtoZ(QByteArrayView word);

// The length setting of a game from the host's length choice: 1 to 5 give 3
// to 7 letters, 6 gives 8 (random per round), anything else 0 (no limit).
int lengthSettingFor(int lengthChoice);

// The prefix lengths a round of the given word length draws from, each as
// likely: 1 for 3 letters, 1 or 2 for 4, 1 to 3 otherwise (no limit included).
QList<int> prefixLengths(int wordLength);

// The seat (1 to 6) whose score is above every other seat's; 0 while the top
// score is shared (a game nobody has scored in is a six-way tie).
int soleLeader(const std::array<int, 6>& scores);

// Why a word does not count; the number is the code sent in CMD_notvalid.
enum class RejectCode { WrongLength = 0, NotAWord = 1, AlreadyTaken = 2, WrongPrefix = 3 };

// Judges an upper-case word in a round: the first rule it breaks, in the order
// length (when `wordLength` is not 0), dictionary, duplicate in `gotten`,
// prefix; nullopt when it counts. The dictionary is asked only about a word
// of the right length.
std::optional<RejectCode> judge(const QByteArray& word, int wordLength, const QByteArray& prefix,
                                const QList<QByteArray>& gotten,
                                const std::function<bool(const QByteArray&)>& inDictionary);

// True when `used` already holds every prefix a round of the length setting
// can draw from `words` (any entry but the last; of the round's length where
// the list has one). Used prefixes are upper case.
bool prefixesExhausted(const QList<QByteArray>& words, const QList<QByteArray>& used,
                       int lengthSetting);

// True when some entry but the last has exactly `length` letters (0: any).
bool hasStarterOfLength(const QList<QByteArray>& words, int length);

} // namespace rules
