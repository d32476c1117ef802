// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A dictionary of a few words, made in a directory of its own, for tests of
// what the client does with its word list.

#include "tdictn.h"

#include <QTemporaryDir>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

struct SmallDictionary {
    // `words`: upper case, at most 14 letters; any order.
    explicit SmallDictionary(std::vector<std::string> words) : words(std::move(words)) {
        std::sort(this->words.begin(), this->words.end());
        std::string records;
        for (const std::string& w : this->words) {
            std::string record(15, ' ');
            record[0] = '\x1e';
            record.replace(1, w.size(), w);
            records += record;
        }
        dictionary = std::make_shared<const TDictn>(
            dir.path().toStdString(), [records] { return std::optional<std::string>(records); });
    }

    QTemporaryDir dir;
    std::vector<std::string> words; // sorted
    std::shared_ptr<const TDictn> dictionary;
};
