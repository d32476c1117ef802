// SPDX-License-Identifier: GPL-3.0-or-later
// The program's one integer conversion (wire numbers, tally cells, colour
// texts), the code page conversion of every text on the wire and in the files,
// and the chat colour texts, on arbitrary text. The input's first four bytes
// are a number; the rest is the text, read both as bytes and as UTF-16.
//
// An oracle written here from the documented grammar (blanks, sign, "$", "0x"
// or "x" for hexadecimal, digits, nothing after; decimal within 32 bits
// signed, hexadecimal within 32 bits) says whether a text is a number and
// which; every form of the conversion must agree with it and with the others.

#include "chatcolour.h"
#include "fuzzing.h"
#include "inttext.h"
#include "protocol.h"

#include <charconv>
#include <cstring>
#include <optional>
#include <string>

namespace {

std::u16string unitsOf(const QByteArray& bytes) {
    std::u16string units;
    for (const char c : bytes)
        units += char16_t(uint8_t(c));
    return units;
}

template <typename Units> FUZZ_ORACLE std::optional<int> plainNumber(const Units& text) {
    const std::size_t n = text.size();
    std::size_t i = 0;
    while (i < n && text[i] == u' ')
        ++i;
    bool negative = false;
    if (i < n && (text[i] == u'-' || text[i] == u'+'))
        negative = text[i++] == u'-';
    int base = 10;
    if (i < n && text[i] == u'$') {
        base = 16;
        i += 1;
    } else if (i + 1 < n && text[i] == u'0' && (text[i + 1] == u'x' || text[i + 1] == u'X')) {
        base = 16;
        i += 2;
    } else if (i < n && (text[i] == u'x' || text[i] == u'X')) {
        base = 16;
        i += 1;
    }
    std::string digits;
    for (; i < n; ++i) {
        if (text[i] > 0x7F)
            return std::nullopt;
        digits += char(text[i]);
    }
    unsigned long long value = 0;
    const char* end = digits.data() + digits.size();
    const auto [stop, error] = std::from_chars(digits.data(), end, value, base);
    // from_chars takes no sign of its own; the grammar allows none here.
    if (digits.empty() || digits[0] == '-' || stop != end || error != std::errc())
        return std::nullopt;
    if (base == 10) {
        if (value > (negative ? 2147483648ull : 2147483647ull))
            return std::nullopt;
        return int(negative ? -(long long)value : (long long)value);
    }
    if (value > 0xFFFFFFFFull)
        return std::nullopt;
    uint32_t bits = uint32_t(value);
    if (negative)
        bits = 0u - bits;
    return int(int32_t(bits));
}

// tryToInt and toInt on one text must agree with each other and the oracle.
template <typename View, typename Units> void agrees(View text, const Units& units) {
    const std::optional<int> expected = plainNumber(units);
    int value = 12345;
    const bool ok = wire::tryToInt(text, value);
    FUZZ_CHECK(ok == expected.has_value());
    FUZZ_CHECK(ok ? value == *expected : value == 12345);
    bool thrown = false;
    try {
        FUZZ_CHECK(wire::toInt(text) == value);
    } catch (const wire::EConvertError&) {
        thrown = true;
    }
    FUZZ_CHECK(thrown == !ok);
}

void numbers(int number, const QByteArray& bytes, const QString& utf16) {
    const QByteArray decimal = wire::fromInt(number);
    FUZZ_CHECK(decimal.toStdString() == std::to_string(number));
    FUZZ_CHECK(wire::toInt(decimal) == number);

    agrees(QByteArrayView(bytes), unitsOf(bytes));
    // Bytes as the code page reads them: no byte above 0x7F is a digit or a
    // blank, so the text is a number exactly when the bytes are.
    const QString decoded = wire::decode(bytes);
    int fromBytes = 0;
    int fromText = 0;
    FUZZ_CHECK(wire::tryToInt(QByteArrayView(bytes), fromBytes) ==
               wire::tryToInt(QStringView(decoded), fromText));
    FUZZ_CHECK(fromBytes == fromText);
    agrees(QStringView(utf16), utf16.toStdU16String());
}

void codePage(const QByteArray& bytes, const QString& utf16) {
    const QString decoded = wire::decode(bytes);
    FUZZ_CHECK(decoded.size() == bytes.size());
    QByteArray noTerminator = bytes;
    noTerminator.replace(QByteArray(1, wire::kTerminator), QByteArray());
    FUZZ_CHECK(wire::encode(decoded) == noTerminator);

    const QByteArray encoded = wire::encode(utf16);
    FUZZ_CHECK(!encoded.contains(wire::kTerminator));
    FUZZ_CHECK(encoded.size() <= utf16.size());
    FUZZ_CHECK(wire::encode(wire::decode(encoded)) == encoded);
}

void colours(quint32 number, const QByteArray& bytes) {
    quint32 colour = 0;
    FUZZ_CHECK(colortext::tryStringToColor(colortext::colorToString(number), colour));
    FUZZ_CHECK(colour == number);

    const QString text = wire::decode(bytes);
    quint32 read = 0;
    const bool ok = colortext::tryStringToColor(text, read);
    bool thrown = false;
    try {
        FUZZ_CHECK(colortext::stringToColor(text) == read);
    } catch (const wire::EConvertError&) {
        thrown = true;
    }
    FUZZ_CHECK(thrown == !ok);
    if (ok) {
        FUZZ_CHECK(colortext::tryStringToColor(colortext::colorToString(read), colour));
        FUZZ_CHECK(colour == read);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    fuzzing::Input input(data, size);
    const uint32_t number = input.u32();
    const std::string_view rest = input.rest();
    const QByteArray bytes(rest.data(), qsizetype(rest.size()));
    // The same bytes as UTF-16 units (copied: the input need not be aligned).
    std::u16string units(rest.size() / 2, u'\0');
    std::memcpy(units.data(), rest.data(), units.size() * 2);
    const QString utf16 = QString::fromStdU16String(units);

    numbers(int(int32_t(number)), bytes, utf16);
    codePage(bytes, utf16);
    colours(number, bytes);
    return 0;
}
