#include "inifile.h"

#include "protocol.h"

#include <QFile>
#include <QList>
#include <QSaveFile>

namespace {

// One line of the file with its own line end, so untouched lines are written
// back exactly as they were read (CR LF, LF or none on the last line).
struct Line {
    QByteArray text;
    QByteArray end;
};

QList<Line> splitLines(const QByteArray& bytes) {
    QList<Line> lines;
    qsizetype start = 0;
    while (start < bytes.size()) {
        const qsizetype lf = bytes.indexOf('\n', start);
        if (lf < 0) {
            lines.append({bytes.mid(start), QByteArray()});
            break;
        }
        qsizetype textEnd = lf;
        if (textEnd > start && bytes[textEnd - 1] == '\r')
            --textEnd;
        lines.append({bytes.mid(start, textEnd - start), bytes.mid(textEnd, lf + 1 - textEnd)});
        start = lf + 1;
    }
    return lines;
}

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

// Index of the first line of the section's body, or -1 when it is missing.
qsizetype findSection(const QList<Line>& lines, const QString& section) {
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (isSectionLine(lines[i].text) && sameName(sectionName(lines[i].text), section))
            return i + 1;
    }
    return -1;
}

qsizetype sectionEnd(const QList<Line>& lines, qsizetype body) {
    qsizetype i = body;
    while (i < lines.size() && !isSectionLine(lines[i].text))
        ++i;
    return i;
}

qsizetype findKey(const QList<Line>& lines, qsizetype body, const QString& key) {
    const qsizetype end = sectionEnd(lines, body);
    for (qsizetype i = body; i < end; ++i) {
        if (sameName(keyOf(lines[i].text), key))
            return i;
    }
    return -1;
}

QByteArray readAll(const QString& path, bool* exists = nullptr) {
    QFile file(path);
    const bool ok = file.open(QIODevice::ReadOnly);
    if (exists)
        *exists = file.exists();
    return ok ? file.readAll() : QByteArray();
}

} // namespace

QString IniFile::readString(const QString& section, const QString& key,
                            const QString& defaultValue) const {
    const QList<Line> lines = splitLines(readAll(m_path));
    const qsizetype body = findSection(lines, section);
    if (body < 0)
        return defaultValue;
    const qsizetype at = findKey(lines, body, key);
    if (at < 0)
        return defaultValue;
    const QByteArray& line = lines[at].text;
    QByteArray value = line.mid(line.indexOf('=') + 1).trimmed();
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front())
        value = value.mid(1, value.size() - 2);
    return wire::decode(value);
}

int IniFile::readInteger(const QString& section, const QString& key, int defaultValue) const {
    const QString text = readString(section, key, QString());
    int value = 0;
    return wire::tryToInt(wire::encode(text), value) ? value : defaultValue;
}

void IniFile::writeString(const QString& section, const QString& key, const QString& value) {
    const QByteArray crlf("\r\n");
    // A line break in a value (a phrase pasted from several lines) would start
    // a line of its own and could set or spoil any other key: one line it stays.
    QByteArray flat = wire::encode(value);
    flat.replace('\r', ' ').replace('\n', ' ');
    const QByteArray entry = wire::encode(key) + '=' + flat;
    QList<Line> lines = splitLines(readAll(m_path));

    const qsizetype body = findSection(lines, section);
    if (body < 0) {
        if (!lines.isEmpty() && lines.back().end.isEmpty())
            lines.back().end = crlf;
        lines.append({'[' + wire::encode(section) + ']', crlf});
        lines.append({entry, crlf});
    } else if (const qsizetype at = findKey(lines, body, key); at >= 0) {
        lines[at].text = entry;
        if (lines[at].end.isEmpty())
            lines[at].end = crlf;
    } else {
        // A new key goes after the section's last non-blank line, so blank lines
        // that separate it from the next section stay where they are.
        qsizetype insertAt = sectionEnd(lines, body);
        while (insertAt > body && lines[insertAt - 1].text.trimmed().isEmpty())
            --insertAt;
        if (insertAt > 0 && lines[insertAt - 1].end.isEmpty())
            lines[insertAt - 1].end = crlf;
        lines.insert(insertAt, {entry, crlf});
    }

    QByteArray out;
    for (const Line& line : lines)
        out += line.text + line.end;

    QSaveFile file(m_path);
    // A file in a folder we may not create files in is still written in place.
    file.setDirectWriteFallback(true);
    if (!file.open(QIODevice::WriteOnly) || file.write(out) != out.size() || !file.commit())
        throw EIniFileError(QStringLiteral("Unable to write to %1").arg(m_path));
}

void IniFile::writeInteger(const QString& section, const QString& key, int value) {
    writeString(section, key, QString::number(value));
}
