// SPDX-License-Identifier: GPL-3.0-or-later
#include "tdictn.h"

#include "recordmap.h"
#include "wordkey.h"
#include "workingfile.h"

#include <cstring>
#include <stdexcept>

namespace {

const char kWorkingFileName[] = "English";
const char kNotFoundMessage[] = "English.dic dictionary not found!";

// A record's word as lookups see it (see WordKey): the 14 letters after the
// marker byte, trimmed of the padding. Stored words are upper case already.
std::string_view recordWord(const unsigned char* record) {
    const char* letters = reinterpret_cast<const char*>(record + 1);
    std::size_t begin = 0;
    std::size_t end = WordKey::kWordBytes;
    while (begin < end && (letters[begin] == ' ' || letters[begin] == '\0'))
        ++begin;
    while (end > begin && (letters[end - 1] == ' ' || letters[end - 1] == '\0'))
        --end;
    return std::string_view(letters + begin, end - begin);
}

} // namespace

struct TDictn::Impl {
    std::string path;
    RecordMap records;
    bool available = false;
};

TDictn::TDictn(std::string workingDir, ResourceLoader loadResource, NotFoundReporter reportNotFound)
    : d(new Impl) {
    d->path =
        workingDir.empty() ? std::string(kWorkingFileName) : workingDir + "/" + kWorkingFileName;
    try {
        // Anything already standing under the name, even a dangling link, is used as
        // it is; only a free name gets a fresh copy of the list.
        if (!workingfile::exists(d->path) && loadResource) {
            if (const std::optional<std::string> bytes = loadResource())
                workingfile::create(d->path, *bytes);
        }
    } catch (...) {
        delete d;
        throw;
    }

    d->available = d->records.open(d->path);
    if (!d->available && reportNotFound)
        reportNotFound(kNotFoundMessage);
}

TDictn::~TDictn() {
    d->records.close();
    workingfile::remove(d->path);
    delete d;
}

bool TDictn::IsWord(std::string_view word) const {
    if (!d->available)
        return false;
    WordKey key;
    if (!key.set(word))
        return false;

    // The records are sorted by their padded words, so a plain binary search finds
    // the key in at most 18 probes of the shipped list. Indexes are 64-bit so that
    // low + high cannot overflow on any file size.
    std::int64_t low = 0;
    std::int64_t high = d->records.lastIndex();
    while (low <= high) {
        const std::int64_t mid = low + (high - low) / 2;
        const int order = key.compareWithRecord(d->records.record(mid));
        if (order == 0)
            return true;
        if (order > 0)
            low = mid + 1;
        else
            high = mid - 1;
    }
    return false;
}

void TDictn::ForEachWithPrefix(std::string_view prefix,
                               const std::function<bool(std::string_view)>& visit) const {
    WordKey key;
    if (!d->available || !key.set(prefix))
        return;
    std::string upper(prefix);
    for (char& c : upper)
        if (c >= 'a' && c <= 'z')
            c = char(c - 'a' + 'A');
    // The first record not before the prefix: padded with blanks, the prefix
    // sorts before every longer word that begins with it.
    std::int64_t low = 0;
    std::int64_t high = d->records.lastIndex() + 1;
    while (low < high) {
        const std::int64_t mid = low + (high - low) / 2;
        if (key.compareWithRecord(d->records.record(mid)) > 0)
            low = mid + 1;
        else
            high = mid;
    }
    for (std::int64_t i = low; i <= d->records.lastIndex(); ++i) {
        const std::string_view word = recordWord(d->records.record(i));
        if (!word.starts_with(upper) || !visit(word))
            return;
    }
}

bool TDictn::Available() const {
    return d->available;
}

int TDictn::LastIndex() const {
    return d->available ? static_cast<int>(d->records.lastIndex()) : -1;
}

std::string TDictn::workingFile() const {
    return d->path;
}
