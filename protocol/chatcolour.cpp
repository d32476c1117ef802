// SPDX-License-Identifier: GPL-3.0-or-later
#include "chatcolour.h"

#include "inttext.h"

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
    int value = 0;
    if (!wire::tryToInt(QStringView(text), value))
        return false;
    colour = static_cast<quint32>(value);
    return true;
}

quint32 stringToColor(const QString& text) {
    quint32 colour = 0;
    if (!tryStringToColor(text, colour))
        throw wire::EConvertError(
            QStringLiteral("'%1' is not a valid integer value").arg(text).toStdString());
    return colour;
}

} // namespace colortext
