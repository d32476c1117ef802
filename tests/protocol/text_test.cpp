// SPDX-License-Identifier: GPL-3.0-or-later
#include "protocol.h"

#include <gtest/gtest.h>

TEST(WireText, AsciiAndLatinRoundTrip) {
    const QString s = QString::fromUtf8("Caf\u00e9 na\u00efve \u00a3 \u00c6");
    const QByteArray b = wire::encode(s);
    EXPECT_EQ(b, QByteArray("Caf\xe9 na\xefve \xa3 \xc6"));
    EXPECT_EQ(wire::decode(b), s);
}

TEST(WireText, CodePageCharactersAbove0x7F) {
    const QString s = QString::fromUtf8("\u20ac \u201chi\u201d \u2122 \u0160");
    EXPECT_EQ(wire::encode(s), QByteArray("\x80 \x93hi\x94 \x99 \x8a"));
    EXPECT_EQ(wire::decode("\x80\x93\x99\x8a"), QString::fromUtf8("\u20ac\u201c\u2122\u0160"));
}

TEST(WireText, UnmappableCharactersBecomeQuestionMarks) {
    EXPECT_EQ(wire::encode(QString::fromUtf8("\u4e2d\u6587")), "??");
    // One character outside the basic plane is still one "?".
    EXPECT_EQ(wire::encode(QString::fromUtf8("a\U0001F600b")), "a?b");
    EXPECT_EQ(wire::encode(QString(QChar(0x2603))), "?");
}

TEST(WireText, TheTerminatorCanNeverBeEncoded) {
    const QByteArray b = wire::encode(QString::fromUtf8("na\u00ffve"));
    EXPECT_EQ(b, "nave");
    EXPECT_EQ(b.indexOf('\xFF'), -1);
    // Decoding still shows the byte as the letter it is.
    EXPECT_EQ(wire::decode("\xff"), QString(QChar(0xFF)));
    // Files keep it, with the rest of the code page.
    EXPECT_EQ(wire::encodeCodePage(QString::fromUtf8("na\u00ffve \u20ac \u2603")),
              "na\xffve \x80 ?");
}

TEST(WireText, UndefinedBytesDecodeToTheirControlCharacters) {
    EXPECT_EQ(wire::decode("\x81\x8d\x8f\x90\x9d"),
              QString::fromUtf16(u"\u0081\u008d\u008f\u0090\u009d"));
    EXPECT_EQ(wire::encode(QString::fromUtf16(u"\u0081\u009d")), "\x81\x9d");
}

TEST(WireText, ShownTextHasBlanksForEveryControlCharacter) {
    // A line break cannot start a new line that poses as the program's own.
    EXPECT_EQ(wire::decodeShown("hi\r\nHost has Won the Game!"),
              QStringLiteral("hi  Host has Won the Game!"));
    EXPECT_EQ(wire::decodeShown(QByteArray("a\0b\tc\x1b[31md\x7f", 12)),
              QStringLiteral("a b c [31md "));
    // The code page's undefined bytes decode to C1 controls: blanks too.
    EXPECT_EQ(wire::decodeShown("\x81x\x9d"), QStringLiteral(" x "));
    // Printable text of the code page is left alone, the soft hyphen included.
    EXPECT_EQ(wire::decodeShown("Caf\xe9 \x80 \xad+|"),
              QString::fromUtf8("Caf\u00e9 \u20ac \u00ad+|"));
}
