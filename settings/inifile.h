// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A settings file of the usual Windows form ("[Section]" lines, then "Key=Value"
// lines), read and written the way the system's private-profile functions do it:
//  - sections and keys match without regard to letter case; the first matching
//    section and key win;
//  - reading a missing file, section or key gives the caller's default;
//  - a write changes only its own key's line (or adds the key at the end of its
//    section, or the section at the end of the file) and keeps every other byte
//    of the file as it was; lines it writes end in CR LF;
//  - a write that fails raises EIniFileError "Unable to write to <path>".
// The file is opened and closed around each reading or writing; nothing holds it
// open. Text is Windows-1252.
//
// Two programs write the file, the game and the lobby, each its own section. A
// change is made under the file's lock ("<file>.lock", a QLockFile): the file
// is read afresh, changed, and replaced whole and at once (QSaveFile), so
// neither program ever loses what the other wrote, and a reader never sees
// half a file.

#include <QByteArray>
#include <QList>
#include <QString>

#include <functional>
#include <stdexcept>

class EIniFileError : public std::runtime_error {
public:
    explicit EIniFileError(const QString& message)
        : std::runtime_error(message.toLocal8Bit().toStdString()) {}
};

// A settings file's text in memory, read and changed by the rules above, so
// that many keys take one reading and one writing of the file.
class IniText {
public:
    explicit IniText(const QByteArray& bytes = {});

    // The value with blanks around it removed, and one pair of matching quotes
    // around the whole value removed too.
    QString readString(const QString& section, const QString& key,
                       const QString& defaultValue) const;
    // The value as a number (wire::toInt: decimal, or hexadecimal after "$" or
    // "0x"); the default when the key is missing or its value is not a number.
    int readInteger(const QString& section, const QString& key, int defaultValue) const;

    void writeString(const QString& section, const QString& key, const QString& value);
    void writeInteger(const QString& section, const QString& key, int value);

    QByteArray bytes() const;

private:
    // One line with its own line end, so untouched lines are written back
    // exactly as they were read (CR LF, LF or none on the last line).
    struct Line {
        QByteArray text;
        QByteArray end;
    };
    qsizetype findSection(const QString& section) const;
    qsizetype sectionEnd(qsizetype body) const;
    qsizetype findKey(qsizetype body, const QString& key) const;

    QList<Line> m_lines;
};

class IniFile {
public:
    explicit IniFile(QString path) : m_path(std::move(path)) {}

    const QString& path() const { return m_path; }

    // The file's text; a file that is missing or cannot be read is empty.
    IniText load() const;
    // Replaces the file with the text, whole or not at all, without the lock:
    // for a file no other program writes.
    void save(const IniText& text);
    // Reads the file under its lock, lets `change` change the text and
    // replaces the file with it, before the lock is let go. Raises
    // EIniFileError when the file cannot be written or another program holds
    // the lock for longer than kLockWaitMs. A lock left by a program that
    // died is taken over.
    void update(const std::function<void(IniText&)>& change);

    static constexpr int kLockWaitMs = 5000;
    static constexpr int kStaleLockMs = 10'000;

    // One key, the file opened and closed around the call (see IniText).
    QString readString(const QString& section, const QString& key,
                       const QString& defaultValue) const;
    int readInteger(const QString& section, const QString& key, int defaultValue) const;
    void writeString(const QString& section, const QString& key, const QString& value);
    void writeInteger(const QString& section, const QString& key, int value);

private:
    QString m_path;
};
