// SPDX-License-Identifier: GPL-3.0-or-later
#include "chatcolour.h"
#include "inttext.h"

#include <gtest/gtest.h>

using namespace colortext;

TEST(ColorText, WritesTheSixteenNamesAndHexOtherwise) {
    EXPECT_EQ(colorToString(0x0000FF), "clRed");
    EXPECT_EQ(colorToString(0x000000), "clBlack");
    EXPECT_EQ(colorToString(0xFF0000), "clBlue");
    EXPECT_EQ(colorToString(0x800000), "clNavy");
    EXPECT_EQ(colorToString(0x808000), "clTeal");
    EXPECT_EQ(colorToString(0xFFFFFF), "clWhite");
    EXPECT_EQ(colorToString(0x563412), "$00563412");
    EXPECT_EQ(colorToString(0xABCDEF), "$00ABCDEF");
    EXPECT_EQ(colorToString(0x000001), "$00000001");
}

TEST(ColorText, RoundTripsEveryName) {
    const char* names[] = {"clBlack", "clMaroon",  "clGreen",  "clOlive", "clNavy", "clPurple",
                           "clTeal",  "clGray",    "clSilver", "clRed",   "clLime", "clYellow",
                           "clBlue",  "clFuchsia", "clAqua",   "clWhite"};
    for (const char* name : names) {
        quint32 c = 0x12345678;
        ASSERT_TRUE(tryStringToColor(QString::fromLatin1(name), c)) << name;
        EXPECT_EQ(colorToString(c), QString::fromLatin1(name));
    }
    for (quint32 v : {0x000001u, 0x563412u, 0x00FFFEu, 0xC0C0C1u}) {
        EXPECT_EQ(stringToColor(colorToString(v)), v);
    }
}

TEST(ColorText, ReadsNamesInAnyCaseDecimalAndDollarHex) {
    quint32 c = 0;
    ASSERT_TRUE(tryStringToColor("CLRED", c));
    EXPECT_EQ(c, 0x0000FFu);
    ASSERT_TRUE(tryStringToColor("clgreen", c));
    EXPECT_EQ(c, 0x008000u);
    ASSERT_TRUE(tryStringToColor("255", c));
    EXPECT_EQ(c, 255u);
    ASSERT_TRUE(tryStringToColor("$00563412", c));
    EXPECT_EQ(c, 0x563412u);
    ASSERT_TRUE(tryStringToColor("$ff", c));
    EXPECT_EQ(c, 0xFFu);
}

TEST(ColorText, UnreadableTextIsAnError) {
    quint32 c = 7;
    for (const char* bad :
         {"", "clPink", "red", "$", "$12345678Z", "12a", "$123456789", "99999999999", " "}) {
        EXPECT_FALSE(tryStringToColor(QString::fromLatin1(bad), c)) << bad;
        EXPECT_EQ(c, 7u);
    }
    EXPECT_THROW(stringToColor("clPink"), wire::EConvertError);
}
