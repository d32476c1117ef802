// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The one text-to-integer conversion of the program, used for number fields on
// the wire, the tally grid's cells and colour texts alike, so that a text is a
// number to all of them or to none.
//
// Accepted: optional leading blanks (spaces only), an optional sign, then either
// decimal digits or a hexadecimal marker ("$", "0x", "0X", "x", "X") and
// hexadecimal digits, and nothing after. Decimal must fit a 32-bit signed
// integer; hexadecimal may use the whole 32-bit pattern, so "$FFFFFFFF" is -1.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

#include <stdexcept>
#include <string>

namespace wire {

// A text that is not a number in the sense above. Its message reads like
// "'abc' is not a valid integer value".
class EConvertError : public std::runtime_error {
public:
    explicit EConvertError(const std::string& msg) : std::runtime_error(msg) {}
};

// Answers false, and leaves `value` alone, when the text is not a number.
bool tryToInt(QByteArrayView text, int& value);
bool tryToInt(QStringView text, int& value);
// Throw EConvertError when the text is not a number.
int toInt(QByteArrayView text);
int toInt(QStringView text);

// Decimal text of a number: no sign for positives, no leading zeros or blanks.
QByteArray fromInt(int value);

} // namespace wire
