// SPDX-License-Identifier: GPL-3.0-or-later
#include "protocol.h"

#include <array>

namespace wire {

namespace {

// Windows-1252 bytes 0x80..0x9F; 0 marks the five bytes the code page leaves
// undefined, which decode to the control character of the same number.
constexpr std::array<char16_t, 32> kHighControls = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

} // namespace

int cutMessages(QByteArray& buffer, QList<QByteArray>& queue) {
    int cut = 0;
    qsizetype start = 0;
    for (qsizetype end = buffer.indexOf(kTerminator); end >= 0;
         end = buffer.indexOf(kTerminator, start)) {
        queue.append(buffer.mid(start, end - start));
        start = end + 1;
        ++cut;
    }
    if (start > 0)
        buffer.remove(0, start);
    return cut;
}

Split splitCommand(const QByteArray& message) {
    const qsizetype plus = message.indexOf('+');
    if (plus < 0)
        return {};
    return {message.left(plus), message.mid(plus + 1)};
}

QByteArray FieldReader::next() {
    const qsizetype plus = m_payload.indexOf('+', m_at);
    if (plus < 0)
        return {};
    QByteArray field = m_payload.mid(m_at, plus - m_at);
    m_at = plus + 1;
    return field;
}

int FieldReader::nextInt() {
    return toInt(next());
}

namespace {

QByteArray toCodePage(const QString& text, bool keepLastByte) {
    QByteArray out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            out.append('?'); // one character outside the code page, one "?"
            ++i;
            continue;
        }
        if (c == 0xFF && !keepLastByte)
            continue; // the terminator can never be typed into a message
        if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) {
            out.append(char(c));
            continue;
        }
        char byte = '?';
        for (std::size_t k = 0; k < kHighControls.size(); ++k) {
            const char16_t mapped = kHighControls[k] ? kHighControls[k] : char16_t(0x80 + k);
            if (mapped == c) {
                byte = char(0x80 + k);
                break;
            }
        }
        out.append(byte);
    }
    return out;
}

} // namespace

QByteArray encode(const QString& text) {
    return toCodePage(text, false);
}

QByteArray encodeCodePage(const QString& text) {
    return toCodePage(text, true);
}

QString decode(const QByteArray& bytes) {
    QString out;
    out.reserve(bytes.size());
    for (char b : bytes) {
        const unsigned char u = static_cast<unsigned char>(b);
        if (u >= 0x80 && u < 0xA0) {
            const char16_t mapped = kHighControls[u - 0x80];
            out.append(QChar(mapped ? mapped : char16_t(u)));
        } else {
            out.append(QChar(char16_t(u)));
        }
    }
    return out;
}

QString decodeShown(const QByteArray& bytes) {
    QString out = decode(bytes);
    for (QChar& c : out)
        if (c.category() == QChar::Other_Control)
            c = u' ';
    return out;
}

} // namespace wire
