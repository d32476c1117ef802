// SPDX-License-Identifier: GPL-3.0-or-later
#include "lobbyprefs.h"

#include "inifile.h"
#include "lobbymessages.h"
#include "lobbysettings.h"
#include "protocol.h"

#include <QStringConverter>

namespace lobbyprefs {

namespace {

const QString kSection = QLatin1String(lobbysettings::kSection);

struct WhereWord {
    gameargs::HostChoice::Where where;
    const char* word;
};
constexpr WhereWord kWhereWords[] = {
    {gameargs::HostChoice::Where::ThisNetwork, "lan"},
    {gameargs::HostChoice::Where::Public, "public"},
    {gameargs::HostChoice::Where::Invite, "invite"},
};

// Whether the file's encoding holds the character; quotes are left out too,
// since a value wrapped in them is read without them.
bool fitsWindows1252(QChar c) {
    static QStringEncoder encoder("windows-1252");
    if (c.unicode() < 0x20)
        return false;
    if (c.unicode() < 0x80)
        return true;
    if (!encoder.isValid()) {
        // A Qt without ICU (the Windows build): the protocol's own table,
        // where the C1 controls stand for the bytes the code page leaves
        // unassigned and so don't count as held.
        if (c.unicode() < 0xA0)
            return false;
        return wire::encodeCodePage(QString(c)) != "?";
    }
    const QByteArray bytes = encoder.encode(QString(c));
    return bytes.size() == 1 && bytes.at(0) != '\x1a' && bytes.at(0) != '?';
}

} // namespace

QString encode(const QString& text) {
    QString out;
    const QList<uint> codePoints = text.toUcs4();
    for (uint cp : codePoints) {
        const QString ch = QString::fromUcs4(reinterpret_cast<const char32_t*>(&cp), 1);
        if (ch.size() == 1 && !QStringLiteral("%,\"").contains(ch) && fitsWindows1252(ch.at(0))) {
            out += ch;
            continue;
        }
        for (char byte : ch.toUtf8())
            out += QStringLiteral("%%1").arg(uint(uchar(byte)), 2, 16, QLatin1Char('0')).toUpper();
    }
    return out;
}

QString decode(const QString& text) {
    const auto hexValue = [](char c) {
        if (c >= '0' && c <= '9')
            return c - '0';
        if (c >= 'A' && c <= 'F')
            return c - 'A' + 10;
        if (c >= 'a' && c <= 'f')
            return c - 'a' + 10;
        return -1;
    };
    QByteArray utf8;
    const QByteArray bytes = text.toUtf8();
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        if (bytes.at(i) == '%' && i + 2 < bytes.size()) {
            const int high = hexValue(bytes.at(i + 1));
            const int low = hexValue(bytes.at(i + 2));
            if (high >= 0 && low >= 0) {
                utf8 += char(high * 16 + low);
                i += 2;
                continue;
            }
        }
        utf8 += bytes.at(i);
    }
    return QString::fromUtf8(utf8);
}

LobbyPrefs read(const IniText& text) {
    LobbyPrefs p;
    p.name = lobbywire::cleanName(decode(text.readString(kSection, QStringLiteral("Name"), {})),
                                  lobbywire::kMaxNameChars);
    const QString where = text.readString(kSection, QStringLiteral("HostWhere"), {});
    for (const WhereWord& w : kWhereWords)
        if (where.compare(QLatin1String(w.word), Qt::CaseInsensitive) == 0)
            p.host.where = w.where;
    p.host.tableName =
        lobbywire::cleanName(decode(text.readString(kSection, QStringLiteral("TableName"), {})),
                             lobbywire::kMaxTableNameChars);
    const QStringList ignored =
        text.readString(kSection, QStringLiteral("Ignored"), {}).split(u',', Qt::SkipEmptyParts);
    for (const QString& entry : ignored) {
        const QString name = lobbywire::cleanName(decode(entry), lobbywire::kMaxNameChars);
        if (!name.isEmpty() && !p.ignored.contains(name))
            p.ignored << name;
    }
    return p;
}

LobbyPrefs load(const IniFile& file) {
    return read(file.load());
}

void save(IniFile& file, const LobbyPrefs& prefs) {
    QString where;
    for (const WhereWord& w : kWhereWords)
        if (w.where == prefs.host.where)
            where = QLatin1String(w.word);
    QStringList ignored;
    for (const QString& name : prefs.ignored)
        ignored << encode(name);
    file.update([&](IniText& text) {
        text.writeString(kSection, QStringLiteral("Name"), encode(prefs.name));
        text.writeString(kSection, QStringLiteral("HostWhere"), where);
        text.writeString(kSection, QStringLiteral("TableName"), encode(prefs.host.tableName));
        text.writeString(kSection, QStringLiteral("Ignored"), ignored.join(u','));
    });
}

} // namespace lobbyprefs
