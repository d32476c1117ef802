#pragma once
// A settings file of the usual Windows form ("[Section]" lines, then "Key=Value"
// lines), read and written one key at a time the way the system's private-profile
// functions do it:
//  - sections and keys match without regard to letter case; the first matching
//    section and key win;
//  - reading a missing file, section or key gives the caller's default;
//  - a write changes only its own key's line (or adds the key at the end of its
//    section, or the section at the end of the file) and keeps every other byte
//    of the file as it was; lines it writes end in CR LF;
//  - a write that fails raises EIniFileError "Unable to write to <path>".
// The file is opened and closed around each call; nothing holds it open.
// Text is Windows-1252.

#include <QString>

#include <stdexcept>

class EIniFileError : public std::runtime_error {
public:
    explicit EIniFileError(const QString& message)
        : std::runtime_error(message.toLocal8Bit().toStdString()) {}
};

class IniFile {
public:
    explicit IniFile(QString path) : m_path(std::move(path)) {}

    const QString& path() const { return m_path; }

    // The value with blanks around it removed, and one pair of matching quotes
    // around the whole value removed too.
    QString readString(const QString& section, const QString& key,
                       const QString& defaultValue) const;
    // The value as a number (decimal, or hexadecimal after "$" or "0x"); the
    // default when the key is missing or its value is not a number.
    int readInteger(const QString& section, const QString& key, int defaultValue) const;

    void writeString(const QString& section, const QString& key, const QString& value);
    void writeInteger(const QString& section, const QString& key, int value);

private:
    QString m_path;
};
