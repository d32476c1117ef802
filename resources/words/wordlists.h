// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The word lists the program carries, for the libraries that need them.
//
// :/TEXT_DEMO holds the dictionary's records (15 bytes each: 0x1E, then the word in
// capitals padded with blanks; sorted). :/words/starters.txt holds the round starters,
// lower-case, one a line, sorted.

#include <QByteArray>
#include <QStringList>

#include <optional>
#include <string>

// The bytes of :/TEXT_DEMO, exactly as generated; empty when the resource is missing.
QByteArray wordListResource();

// The same bytes in the shape the dictionary's loader wants: nullopt when the
// resource cannot be found or read.
std::optional<std::string> loadWordListResource();

// The starter words in file order (sorted), without empty lines.
QStringList starterWords();
