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

#include <QByteArray>
#include <QList>
#include <QString>

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
    // Replaces the file with the text, whole or not at all.
    void save(const IniText& text);

    // One key, the file opened and closed around the call (see IniText).
    QString readString(const QString& section, const QString& key,
                       const QString& defaultValue) const;
    int readInteger(const QString& section, const QString& key, int defaultValue) const;
    void writeString(const QString& section, const QString& key, const QString& value);
    void writeInteger(const QString& section, const QString& key, int value);

private:
    QString m_path;
};
