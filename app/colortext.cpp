#include "colortext.h"

#include "protocol.h"

#include <array>

namespace colortext {
namespace {

struct NamedColour {
    const char* name;
    quint32 value; // 00BBGGRR
};

constexpr std::array<NamedColour, 16> kNames{{
    {"clBlack", 0x000000},
    {"clMaroon", 0x000080},
    {"clGreen", 0x008000},
    {"clOlive", 0x008080},
    {"clNavy", 0x800000},
    {"clPurple", 0x800080},
    {"clTeal", 0x808000},
    {"clGray", 0x808080},
    {"clSilver", 0xC0C0C0},
    {"clRed", 0x0000FF},
    {"clLime", 0x00FF00},
    {"clYellow", 0x00FFFF},
    {"clBlue", 0xFF0000},
    {"clFuchsia", 0xFF00FF},
    {"clAqua", 0xFFFF00},
    {"clWhite", 0xFFFFFF},
}};

// Decimal with an optional sign, or "$"/"0x" hexadecimal of at most eight
// digits; the value must fit 32 bits.
bool parseNumber(const QString& text, quint32& out) {
    QString t = text.trimmed();
    if (t.isEmpty())
        return false;
    bool negative = false;
    if (t[0] == u'+' || t[0] == u'-') {
        negative = t[0] == u'-';
        t.remove(0, 1);
    }
    int base = 10;
    if (t.startsWith(u'$')) {
        base = 16;
        t.remove(0, 1);
    } else if (t.startsWith(QLatin1String("0x"), Qt::CaseInsensitive)) {
        base = 16;
        t.remove(0, 2);
    }
    if (t.isEmpty())
        return false;
    for (QChar c : t) {
        const bool ok = base == 10 ? (c >= u'0' && c <= u'9')
                                   : c.isDigit() || (c.toLower() >= u'a' && c.toLower() <= u'f');
        if (!ok || c.unicode() > 127)
            return false;
    }
    bool ok = false;
    const qulonglong magnitude = t.toULongLong(&ok, base);
    if (!ok)
        return false;
    if (base == 16) {
        if (magnitude > 0xFFFFFFFFull)
            return false;
        out = static_cast<quint32>(negative ? (0 - magnitude) : magnitude);
        return true;
    }
    if (negative ? magnitude > 0x80000000ull : magnitude > 0x7FFFFFFFull)
        return false;
    out = static_cast<quint32>(negative ? -static_cast<qlonglong>(magnitude)
                                        : static_cast<qlonglong>(magnitude));
    return true;
}

} // namespace

QString colorToString(quint32 colour) {
    for (const auto& n : kNames) {
        if (n.value == colour)
            return QString::fromLatin1(n.name);
    }
    return QStringLiteral("$%1").arg(colour, 8, 16, QLatin1Char('0')).toUpper();
}

bool tryStringToColor(const QString& text, quint32& colour) {
    for (const auto& n : kNames) {
        if (text.compare(QLatin1String(n.name), Qt::CaseInsensitive) == 0) {
            colour = n.value;
            return true;
        }
    }
    return parseNumber(text, colour);
}

quint32 stringToColor(const QString& text) {
    quint32 colour = 0;
    if (!tryStringToColor(text, colour))
        throw wire::EConvertError(
            QStringLiteral("'%1' is not a valid integer value").arg(text).toStdString());
    return colour;
}

QColor toQColor(quint32 colour) {
    return QColor(colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF);
}

} // namespace colortext
