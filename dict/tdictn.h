// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// TDictn: is this word in the built-in English word list?
//
// The list is a sequence of 15-byte records (byte 0 is 0x1E, bytes 1..14 the word
// in capitals padded with blanks), sorted. At construction it is copied to the
// working file "English" in the given working directory (unless a file of that
// name already exists, which is then used unchanged); every lookup is a binary
// search over that file's records. The list is never parsed into memory.
// Destruction closes and deletes the working file. No Qt here.
//
// The working directory should be one made for this process alone: whatever stands
// there under the name "English" is taken as the list and deleted at the end.
// Construction throws std::system_error when a new working file cannot be created
// or written whole (no partial file is left); an existing file that cannot be read
// as a list is only reported, and every lookup then answers false.

#include <functional>
#include <optional>
#include <string>
#include <string_view>

class TDictn {
public:
    // Supplies the word list's bytes (the resource TEXT_DEMO); nullopt when it
    // cannot be found or loaded.
    using ResourceLoader = std::function<std::optional<std::string>()>;
    // Told once, with "English.dic dictionary not found!", when the working file
    // cannot be opened.
    using NotFoundReporter = std::function<void(const std::string& message)>;

    TDictn(std::string workingDir, ResourceLoader loadResource,
           NotFoundReporter reportNotFound = {});
    ~TDictn();
    TDictn(const TDictn&) = delete;
    TDictn& operator=(const TDictn&) = delete;

    // True when the word (any case, blanks around it ignored) is in the list.
    // An unavailable dictionary answers false.
    bool IsWord(std::string_view word) const;

    // Calls `visit` with every listed word that begins with `prefix` (any case),
    // in list order, upper case and without padding, until `visit` answers
    // false. An empty prefix or an unavailable dictionary visits nothing.
    void ForEachWithPrefix(std::string_view prefix,
                           const std::function<bool(std::string_view)>& visit) const;

    bool Available() const;
    int LastIndex() const;           // record count - 1; -1 when empty or unavailable
    std::string workingFile() const; // path of "English"

private:
    struct Impl;
    Impl* d;
};
