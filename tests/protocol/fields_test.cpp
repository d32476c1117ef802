#include "protocol.h"

#include <gtest/gtest.h>

using wire::FieldReader;

TEST(WireFields, ReadsFieldsFromTheFront) {
    FieldReader r("3+brisk+");
    EXPECT_EQ(r.next(), "3");
    EXPECT_EQ(r.next(), "brisk");
    EXPECT_TRUE(r.rest().isEmpty());
}

TEST(WireFields, MissingFieldsReadEmptyAndLeaveThePayload) {
    FieldReader r("1+1.0.4+Te+st");
    EXPECT_EQ(r.next(), "1");
    EXPECT_EQ(r.next(), "1.0.4");
    // The name is the rest, "+" included.
    EXPECT_EQ(r.rest(), "Te+st");
    EXPECT_EQ(r.next(), "Te");
    EXPECT_EQ(r.rest(), "st");
    // No "+" left: empty field, payload unchanged.
    EXPECT_EQ(r.next(), "");
    EXPECT_EQ(r.rest(), "st");
    EXPECT_EQ(r.next(), "");
}

TEST(WireFields, NextIntConvertsOrThrows) {
    FieldReader r("12+x+");
    EXPECT_EQ(r.nextInt(), 12);
    EXPECT_THROW(r.nextInt(), wire::EConvertError);
    FieldReader empty("");
    EXPECT_THROW(empty.nextInt(), wire::EConvertError);
}

TEST(WireToInt, StandardConversion) {
    EXPECT_EQ(wire::toInt("0"), 0);
    EXPECT_EQ(wire::toInt("60"), 60);
    EXPECT_EQ(wire::toInt("-3"), -3);
    EXPECT_EQ(wire::toInt("+7"), 7);
    EXPECT_EQ(wire::toInt("  42"), 42);
    EXPECT_EQ(wire::toInt("007"), 7);
    EXPECT_EQ(wire::toInt("$1F"), 31);
    EXPECT_EQ(wire::toInt("0x10"), 16);
    EXPECT_EQ(wire::toInt("$FFFFFFFF"), -1);
    EXPECT_EQ(wire::toInt("2147483647"), 2147483647);
    EXPECT_EQ(wire::toInt("-2147483648"), -2147483647 - 1);
}

TEST(WireToInt, BadTextRaisesTheConversionError) {
    for (const char* bad : {"", " ", "abc", "12a", "1 ", "2147483648", "-2147483649", "$",
                            "$100000000", "--1", "+", "1.5"}) {
        int v = 99;
        EXPECT_FALSE(wire::tryToInt(bad, v)) << bad;
        EXPECT_EQ(v, 99) << bad;
        EXPECT_THROW(wire::toInt(bad), wire::EConvertError) << bad;
    }
    try {
        wire::toInt("abc");
        FAIL();
    } catch (const wire::EConvertError& e) {
        EXPECT_STREQ(e.what(), "'abc' is not a valid integer value");
    }
}

TEST(WireFromInt, PlainDecimal) {
    EXPECT_EQ(wire::fromInt(0), "0");
    EXPECT_EQ(wire::fromInt(64), "64");
    EXPECT_EQ(wire::fromInt(-5), "-5");
    EXPECT_EQ(wire::fromInt(-2147483647 - 1), "-2147483648");
}
