// SPDX-License-Identifier: GPL-3.0-or-later
// The settings file as the program meets it: any bytes (a damaged file, one
// edited by hand, one the maker's lobby program wrote) read through the
// preferences, saved back, and read again. What a save writes must read back
// as written; every byte outside the game's section must survive it; the
// phrase editor's phrases must read back as the file layer documents (one
// line, blanks around it and one pair of quotes dropped, Windows-1252).
//
// The phrases saved are the input's last lines, so any text reaches them.

#include "fuzzing.h"
#include "inifile.h"
#include "preferences.h"
#include "protocol.h"

#include <QList>

namespace {

const QString kSection = QStringLiteral("Vorlix");

QByteArray fileBytes(const std::string& path) {
    const std::string bytes = fuzzing::readFile(path);
    return QByteArray(bytes.data(), qsizetype(bytes.size()));
}

// Where the game's section starts and where the next section starts, by the
// layer's documented rules: a section line's trimmed text starts with "[" and
// holds "]"; its name is what lies between, trimmed, in any letter case.
struct SectionSpan {
    qsizetype begin = -1; // the section line, or -1 when there is none
    qsizetype end = -1;   // the next section line, or the end of the file
};

FUZZ_ORACLE SectionSpan sectionSpan(const QByteArray& file) {
    SectionSpan span;
    qsizetype at = 0;
    while (at < file.size()) {
        qsizetype lf = file.indexOf('\n', at);
        const qsizetype next = lf < 0 ? file.size() : lf + 1;
        const QByteArray line = file.mid(at, next - at).trimmed();
        if (line.startsWith('[') && line.contains(']')) {
            if (span.begin >= 0) {
                span.end = at;
                return span;
            }
            const QString name = wire::decode(line.mid(1, line.indexOf(']') - 1).trimmed());
            if (name.compare(kSection, Qt::CaseInsensitive) == 0)
                span.begin = at;
        }
        at = next;
    }
    span.end = file.size();
    return span;
}

void othersSurvive(const QByteArray& before, const QByteArray& after) {
    const SectionSpan span = sectionSpan(before);
    if (span.begin < 0) {
        // The section is added at the end, after a line end of its own.
        const bool open = !before.isEmpty() && !before.endsWith('\n');
        FUZZ_CHECK(after.startsWith(open ? before + "\r\n" : before));
        return;
    }
    FUZZ_CHECK(after.startsWith(before.left(span.begin)));
    FUZZ_CHECK(after.endsWith(before.mid(span.end)));
    FUZZ_CHECK(after.size() >= span.begin + (before.size() - span.end));
}

// What reading gives for a phrase the editor stored.
FUZZ_ORACLE QString storedPhrase(const QString& phrase) {
    QByteArray value = wire::encode(phrase);
    value.replace('\r', ' ').replace('\n', ' ');
    value = value.trimmed();
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front())
        value = value.mid(1, value.size() - 2);
    return wire::decode(value);
}

std::array<QString, 9> phrasesFrom(const QByteArray& input) {
    const QList<QByteArray> lines = input.split('\n');
    std::array<QString, 9> phrases;
    for (qsizetype i = 0; i < 9; ++i)
        phrases[std::size_t(i)] =
            i < lines.size() ? QString::fromUtf8(lines[lines.size() - 1 - i]) : QString();
    return phrases;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    static const std::string path = fuzzing::scratchPath("kestrunlobby.ini");
    const QByteArray before(reinterpret_cast<const char*>(data), qsizetype(size));
    fuzzing::writeFile(path, data, size);
    IniFile file(QString::fromStdString(path));

    Preferences read;
    readPreferences(file, kSection, read);
    FUZZ_CHECK(read.rounds >= Preferences::kMinRounds && read.rounds <= Preferences::kMaxRounds);
    FUZZ_CHECK(read.secondsPerRound >= Preferences::kMinSeconds &&
               read.secondsPerRound <= Preferences::kMaxSeconds);
    FUZZ_CHECK(read.lengthChoice >= 0 && read.lengthChoice <= 6);

    writePreferences(file, kSection, read);
    const QByteArray saved = fileBytes(path);
    othersSurvive(before, saved);
    Preferences again;
    readPreferences(file, kSection, again);
    Preferences expected = read;
    expected.textSize = read.chatFontSize(); // a size of 0 or less is saved as 8
    FUZZ_CHECK(again == expected);

    const std::array<QString, 9> phrases = phrasesFrom(before);
    writePhrases(file, kSection, phrases);
    othersSurvive(saved, fileBytes(path));
    // The file read once, as the program reads it, and every phrase from that.
    const IniText stored = file.load();
    for (std::size_t i = 0; i < phrases.size(); ++i) {
        const QString key = QStringLiteral("Phrase%1").arg(i + 1);
        FUZZ_CHECK(stored.readString(kSection, key, QString()) == storedPhrase(phrases[i]));
    }
    return 0;
}
