// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Chat colours as they travel inside "CMD_chat" and "CMD_action": the text after
// the last "|". A colour is the integer 00BBGGRR. Writing uses one of the sixteen
// standard names when the value is exactly that colour, otherwise "$" and eight
// upper-case hexadecimal digits; reading also accepts the names in any case and
// any number the program's integer conversion reads (wire::toInt), so older
// peers' texts still read. The settings file stores colours the same way.

#include <QString>

namespace colortext {

QString colorToString(quint32 colour);

// Reads a colour text; answers false (and leaves `colour` alone) when the text
// is neither a known name nor a number.
bool tryStringToColor(const QString& text, quint32& colour);

// Like tryStringToColor, but raises wire::EConvertError on unreadable text.
quint32 stringToColor(const QString& text);

constexpr quint32 kBlack = 0x00000000;
constexpr quint32 kRed = 0x000000FF;  // RGB FF0000
constexpr quint32 kBlue = 0x00FF0000; // RGB 0000FF

} // namespace colortext
