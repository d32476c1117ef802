// SPDX-License-Identifier: GPL-3.0-or-later
#include "inifile.h"

#include "protocol.h"

#include <QFile>
#include <QLockFile>
#include <QSaveFile>

namespace {

QString sectionName(const QByteArray& line) {
    const QByteArray t = line.trimmed();
    if (t.size() < 2 || t[0] != '[')
        return {};
    const qsizetype close = t.indexOf(']');
    if (close < 0)
        return {};
    return wire::decode(t.mid(1, close - 1).trimmed());
}

bool isSectionLine(const QByteArray& line) {
    const QByteArray t = line.trimmed();
    return t.startsWith('[') && t.contains(']');
}

// The key of a "Key=Value" line, or an empty string for any other line.
QString keyOf(const QByteArray& line) {
    const QByteArray t = line.trimmed();
    if (t.startsWith(';'))
        return {};
    const qsizetype eq = t.indexOf('=');
    if (eq <= 0)
        return {};
    return wire::decode(t.left(eq).trimmed());
}

bool sameName(const QString& a, const QString& b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

} // namespace

IniText::IniText(const QByteArray& bytes) {
    qsizetype start = 0;
    while (start < bytes.size()) {
        const qsizetype lf = bytes.indexOf('\n', start);
        if (lf < 0) {
            m_lines.append({bytes.mid(start), QByteArray()});
            break;
        }
        qsizetype textEnd = lf;
        if (textEnd > start && bytes[textEnd - 1] == '\r')
            --textEnd;
        m_lines.append({bytes.mid(start, textEnd - start), bytes.mid(textEnd, lf + 1 - textEnd)});
        start = lf + 1;
    }
}

QByteArray IniText::bytes() const {
    QByteArray out;
    for (const Line& line : m_lines)
        out += line.text + line.end;
    return out;
}

// Index of the first line of the section's body, or -1 when it is missing.
qsizetype IniText::findSection(const QString& section) const {
    for (qsizetype i = 0; i < m_lines.size(); ++i) {
        if (isSectionLine(m_lines[i].text) && sameName(sectionName(m_lines[i].text), section))
            return i + 1;
    }
    return -1;
}

qsizetype IniText::sectionEnd(qsizetype body) const {
    qsizetype i = body;
    while (i < m_lines.size() && !isSectionLine(m_lines[i].text))
        ++i;
    return i;
}

qsizetype IniText::findKey(qsizetype body, const QString& key) const {
    const qsizetype end = sectionEnd(body);
    for (qsizetype i = body; i < end; ++i) {
        if (sameName(keyOf(m_lines[i].text), key))
            return i;
    }
    return -1;
}

QString IniText::readString(const QString& section, const QString& key,
                            const QString& defaultValue) const {
    const qsizetype body = findSection(section);
    if (body < 0)
        return defaultValue;
    const qsizetype at = findKey(body, key);
    if (at < 0)
        return defaultValue;
    const QByteArray& line = m_lines[at].text;
    QByteArray value = line.mid(line.indexOf('=') + 1).trimmed();
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front())
        value = value.mid(1, value.size() - 2);
    return wire::decode(value);
}

int IniText::readInteger(const QString& section, const QString& key, int defaultValue) const {
    const QString text = readString(section, key, QString());
    int value = 0;
    return wire::tryToInt(wire::encode(text), value) ? value : defaultValue;
}

void IniText::writeString(const QString& section, const QString& key, const QString& value) {
    const QByteArray crlf("\r\n");
    // A line break in a value (a phrase pasted from several lines) would start
    // a line of its own and could set or spoil any other key: one line it stays.
    QByteArray flat = wire::encode(value);
    flat.replace('\r', ' ').replace('\n', ' ');
    const QByteArray entry = wire::encode(key) + '=' + flat;

    const qsizetype body = findSection(section);
    if (body < 0) {
        if (!m_lines.isEmpty() && m_lines.back().end.isEmpty())
            m_lines.back().end = crlf;
        m_lines.append({'[' + wire::encode(section) + ']', crlf});
        m_lines.append({entry, crlf});
    } else if (const qsizetype at = findKey(body, key); at >= 0) {
        m_lines[at].text = entry;
        if (m_lines[at].end.isEmpty())
            m_lines[at].end = crlf;
    } else {
        // A new key goes after the section's last non-blank line, so blank lines
        // that separate it from the next section stay where they are.
        qsizetype insertAt = sectionEnd(body);
        while (insertAt > body && m_lines[insertAt - 1].text.trimmed().isEmpty())
            --insertAt;
        if (insertAt > 0 && m_lines[insertAt - 1].end.isEmpty())
            m_lines[insertAt - 1].end = crlf;
        m_lines.insert(insertAt, {entry, crlf});
    }
}

void IniText::writeInteger(const QString& section, const QString& key, int value) {
    writeString(section, key, QString::number(value));
}

IniText IniFile::load() const {
    QFile file(m_path);
    return IniText(file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray());
}

void IniFile::save(const IniText& text) {
    const QByteArray out = text.bytes();
    QSaveFile file(m_path);
    // A file in a folder we may not create files in is still written in place.
    file.setDirectWriteFallback(true);
    if (!file.open(QIODevice::WriteOnly) || file.write(out) != out.size() || !file.commit())
        throw EIniFileError(QStringLiteral("Unable to write to %1").arg(m_path));
}

QString IniFile::readString(const QString& section, const QString& key,
                            const QString& defaultValue) const {
    return load().readString(section, key, defaultValue);
}

int IniFile::readInteger(const QString& section, const QString& key, int defaultValue) const {
    return load().readInteger(section, key, defaultValue);
}

void IniFile::update(const std::function<void(IniText&)>& change) {
    QLockFile lock(m_path + QStringLiteral(".lock"));
    lock.setStaleLockTime(kStaleLockMs);
    // A folder we may not create files in (a settings file written in place)
    // has no room for the lock either; the file is written without it.
    if (!lock.tryLock(kLockWaitMs) && lock.error() != QLockFile::PermissionError)
        throw EIniFileError(QStringLiteral("Unable to write to %1").arg(m_path));
    IniText text = load();
    change(text);
    save(text);
}

void IniFile::writeString(const QString& section, const QString& key, const QString& value) {
    update([&](IniText& text) { text.writeString(section, key, value); });
}

void IniFile::writeInteger(const QString& section, const QString& key, int value) {
    writeString(section, key, QString::number(value));
}
