// SPDX-License-Identifier: GPL-3.0-or-later
#include "inttext.h"

#include <cstdint>

namespace wire {

namespace {

int hexDigit(char16_t c) {
    if (c >= u'0' && c <= u'9')
        return c - u'0';
    if (c >= u'a' && c <= u'f')
        return c - u'a' + 10;
    if (c >= u'A' && c <= u'F')
        return c - u'A' + 10;
    return -1;
}

// One conversion for bytes and for text (see Bytes and Chars below).
template <typename Text> bool convert(const Text& text, int& value) {
    const qsizetype n = text.size();
    auto at = [&text](qsizetype i) { return text[i]; };
    qsizetype i = 0;
    while (i < n && at(i) == u' ')
        ++i;
    bool negative = false;
    if (i < n && (at(i) == u'-' || at(i) == u'+')) {
        negative = at(i) == u'-';
        ++i;
    }
    bool hex = false;
    if (i < n && at(i) == u'$') {
        hex = true;
        ++i;
    } else if (i + 1 < n && at(i) == u'0' && (at(i + 1) == u'x' || at(i + 1) == u'X')) {
        hex = true;
        i += 2;
    } else if (i < n && (at(i) == u'x' || at(i) == u'X')) {
        hex = true;
        ++i;
    }
    if (i >= n)
        return false;

    std::uint64_t acc = 0;
    const std::uint64_t limit = hex ? 0xFFFFFFFFull : (negative ? 2147483648ull : 2147483647ull);
    for (; i < n; ++i) {
        const char16_t c = at(i);
        const int d = hex ? hexDigit(c) : (c >= u'0' && c <= u'9' ? c - u'0' : -1);
        if (d < 0)
            return false;
        acc = acc * (hex ? 16 : 10) + std::uint64_t(d);
        if (acc > limit)
            return false;
    }
    std::uint32_t bits = std::uint32_t(acc);
    if (negative)
        bits = ~bits + 1u;
    value = static_cast<int>(static_cast<std::int32_t>(bits));
    return true;
}

// Bytes are read as unsigned, so no byte above 0x7F can pass for a digit.
struct Bytes {
    QByteArrayView view;
    qsizetype size() const { return view.size(); }
    char16_t operator[](qsizetype i) const { return static_cast<unsigned char>(view[i]); }
};
struct Chars {
    QStringView view;
    qsizetype size() const { return view.size(); }
    char16_t operator[](qsizetype i) const { return view[i].unicode(); }
};

[[noreturn]] void notAnInteger(const std::string& text) {
    throw EConvertError("'" + text + "' is not a valid integer value");
}

} // namespace

bool tryToInt(QByteArrayView text, int& value) {
    return convert(Bytes{text}, value);
}

bool tryToInt(QStringView text, int& value) {
    return convert(Chars{text}, value);
}

int toInt(QByteArrayView text) {
    int value = 0;
    if (!tryToInt(text, value))
        notAnInteger(text.toByteArray().toStdString());
    return value;
}

int toInt(QStringView text) {
    int value = 0;
    if (!tryToInt(text, value))
        notAnInteger(text.toString().toStdString());
    return value;
}

QByteArray fromInt(int value) {
    return QByteArray::number(value);
}

} // namespace wire
