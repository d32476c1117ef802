#pragma once
// Chat colours as they travel inside "CMD_chat" and "CMD_action": the text after
// the last "|". A colour is the integer 00BBGGRR. Writing uses one of the sixteen
// standard names when the value is exactly that colour, otherwise "$" and eight
// upper-case hexadecimal digits; reading also accepts the names in any case and
// plain decimal numbers, so older peers' texts still read.

#include <QColor>
#include <QString>

namespace colortext {

QString colorToString(quint32 colour);

// Reads a colour text; answers false (and leaves `colour` alone) when the text
// is neither a known name nor a number.
bool tryStringToColor(const QString& text, quint32& colour);

// Like tryStringToColor, but raises wire::EConvertError on unreadable text.
quint32 stringToColor(const QString& text);

// 00BBGGRR to a QColor (the top byte is ignored).
QColor toQColor(quint32 colour);

constexpr quint32 kRed = 0x000000FF;  // RGB FF0000
constexpr quint32 kBlue = 0x00FF0000; // RGB 0000FF

} // namespace colortext
