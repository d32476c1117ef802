// SPDX-License-Identifier: GPL-3.0-or-later
#include "protocol.h"
#include "version.h"

#include <gtest/gtest.h>

#include <optional>

using wire::FieldReader;

TEST(WireFields, ReadsFieldsFromTheFront) {
    FieldReader r("3+brisk+");
    EXPECT_EQ(r.next(), "3");
    EXPECT_EQ(r.next(), "brisk");
    EXPECT_TRUE(r.rest().isEmpty());
}

TEST(WireFields, MissingFieldsReadEmptyAndLeaveThePayload) {
    FieldReader r("1+" + QByteArray(wire::kVersion) + "+Te+st");
    EXPECT_EQ(r.next(), "1");
    EXPECT_EQ(r.next(), wire::kVersion);
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

// The program's one integer conversion (wire fields, tally cells, colour
// texts): every text, as bytes and as characters, reads the same.
TEST(WireToInt, OneConversionForBytesAndText) {
    struct Case {
        const char* text; // UTF-8
        std::optional<int> value;
    } cases[] = {
        {"0", 0},
        {"60", 60},
        {"-3", -3},
        {"+7", 7},
        {"  42", 42},
        {"007", 7},
        {"$1F", 31},
        {"$ff", 255},
        {"0x10", 16},
        {"0X10", 16},
        {"x10", 16},
        {"X1f", 31},
        {"-$1", -1},
        {"$FFFFFFFF", -1},
        {"$80000000", -2147483647 - 1},
        {"2147483647", 2147483647},
        {"-2147483648", -2147483647 - 1},
        {"", std::nullopt},
        {" ", std::nullopt},
        {"abc", std::nullopt},
        {"12a", std::nullopt},
        {"1 ", std::nullopt},
        {"\t5", std::nullopt},
        {"2147483648", std::nullopt},
        {"-2147483649", std::nullopt},
        {"$", std::nullopt},
        {"0x", std::nullopt},
        {"x", std::nullopt},
        {"$100000000", std::nullopt},
        {"--1", std::nullopt},
        {"+", std::nullopt},
        {"1.5", std::nullopt},
        {"1e3", std::nullopt},
        {"\xD9\xA3", std::nullopt},     // an Arabic-Indic digit
        {"\xEF\xBC\x91", std::nullopt}, // a full-width digit
    };
    for (const Case& c : cases) {
        const QByteArray bytes(c.text);
        const QString text = QString::fromUtf8(c.text);
        int fromBytes = 99;
        int fromText = 99;
        EXPECT_EQ(wire::tryToInt(bytes, fromBytes), c.value.has_value()) << c.text;
        EXPECT_EQ(wire::tryToInt(text, fromText), c.value.has_value()) << c.text;
        EXPECT_EQ(fromBytes, c.value.value_or(99)) << c.text;
        EXPECT_EQ(fromText, c.value.value_or(99)) << c.text;
        if (!c.value) {
            EXPECT_THROW(wire::toInt(bytes), wire::EConvertError) << c.text;
            EXPECT_THROW(wire::toInt(text), wire::EConvertError) << c.text;
        }
    }
    for (const QString& bad : {QStringLiteral("abc"), QStringLiteral("x")}) {
        try {
            wire::toInt(bad);
            FAIL();
        } catch (const wire::EConvertError& e) {
            EXPECT_EQ(QString::fromUtf8(e.what()),
                      QStringLiteral("'%1' is not a valid integer value").arg(bad));
        }
    }
}

TEST(WireFromInt, PlainDecimal) {
    EXPECT_EQ(wire::fromInt(0), "0");
    EXPECT_EQ(wire::fromInt(64), "64");
    EXPECT_EQ(wire::fromInt(-5), "-5");
    EXPECT_EQ(wire::fromInt(-2147483647 - 1), "-2147483648");
}
