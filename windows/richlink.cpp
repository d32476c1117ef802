// SPDX-License-Identifier: GPL-3.0-or-later
#include "richlink.h"

#include <QDesktopServices>
#include <QStringList>
#include <QTextCursor>
#include <QTextEdit>
#include <QUrl>

namespace richlink {

namespace {

bool endsWord(QChar c) {
    return c == QLatin1Char(' ') || c == QLatin1Char('\n') || c == QLatin1Char('\r') ||
           c == QLatin1Char('\t') || c == QChar::ParagraphSeparator || c == QChar::LineSeparator ||
           c == QChar::Nbsp;
}

bool mayEndAddress(QChar c) {
    const char16_t u = c.unicode();
    return u == u'/' || (u >= u'0' && u <= u'9') || (u >= u'a' && u <= u'z');
}

} // namespace

const QStringList& linkPrefixes() {
    static const QStringList prefixes = {
        QStringLiteral("http://"),   QStringLiteral("ftp://"),    QStringLiteral("file://"),
        QStringLiteral("gopher://"), QStringLiteral("telnet://"), QStringLiteral("news:"),
        QStringLiteral("mailto:"),   QStringLiteral("www."),
    };
    return prefixes;
}

int wordBreakLeft(const QString& text, int index) {
    index = qBound(0, index, int(text.size()));
    while (index > 0 && !endsWord(text[index - 1]))
        --index;
    return index;
}

int wordBreakRight(const QString& text, int index) {
    index = qBound(0, index, int(text.size()));
    while (index < text.size() && !endsWord(text[index]))
        ++index;
    return index;
}

QString FindLink(const QString& text, CharRange& range) {
    int readStart = 0;
    int readEnd = 0;
    if (range.cpMin == range.cpMax) {
        readStart = wordBreakLeft(text, range.cpMin);
        readEnd = wordBreakRight(text, readStart);
    } else {
        readStart = range.cpMin;
        readEnd = range.cpMax + 1;
        range.cpMax += 1;
    }
    readStart = qBound(0, readStart, int(text.size()));
    readEnd = qBound(readStart, readEnd, int(text.size()));
    const QString piece = text.mid(readStart, readEnd - readStart);
    if (piece.isEmpty())
        return {};

    // Widen to the whole blank-delimited stretch around the range's start.
    const int last = int(piece.size()) - 1;
    const int i = qBound(0, range.cpMin - readStart, last);
    int left = i;
    while (left > 0 && !endsWord(piece[left]))
        --left;
    int right = i;
    while (right < last && !endsWord(piece[right]))
        ++right;
    const QString cut = piece.mid(left, right - left + 1);
    range = {readStart + left, readStart + right + 1};

    const QString lower = cut.toLower();
    for (const QString& prefix : linkPrefixes()) {
        const int at = int(lower.indexOf(prefix));
        if (at < 0)
            continue;
        int end = int(lower.indexOf(QLatin1Char('\n'), at));
        if (end < 0)
            end = int(lower.size());
        while (end > at && !mayEndAddress(lower[end - 1]))
            --end;
        const QString address = cut.mid(at, end - at);
        if (address.size() <= prefix.size())
            return {};
        range = {readStart + left + at, readStart + left + end};
        return address;
    }
    return {};
}

QList<CharRange> linksIn(const QString& text) {
    QList<CharRange> links;
    int at = 0;
    while (at < text.size()) {
        if (endsWord(text[at])) {
            ++at;
            continue;
        }
        const int wordEnd = wordBreakRight(text, at);
        CharRange range{at, at};
        if (!FindLink(text, range).isEmpty())
            links.append(range);
        at = wordEnd;
    }
    return links;
}

QString linkAt(const QTextEdit* control, const QPoint& point, CharRange* where) {
    const QString text = control->toPlainText();
    const int index = control->cursorForPosition(point).position();
    if (index >= text.size())
        return {};
    CharRange range{wordBreakLeft(text, index), wordBreakRight(text, index)};
    if (endsWord(text[index]))
        range = {index, index};
    const QString address = FindLink(text, range);
    if (where)
        *where = range;
    return address;
}

bool IsLinkAt(const QTextEdit* control, int x, int y) {
    return !linkAt(control, QPoint(x, y)).isEmpty();
}

void OpenLinkAt(QTextEdit* control, int x, int y, const std::function<void(const QString&)>& open) {
    CharRange range;
    const QString address = linkAt(control, QPoint(x, y), &range);
    if (address.isEmpty())
        return;
    QTextCursor cursor(control->document());
    cursor.setPosition(range.cpMin);
    cursor.setPosition(range.cpMax, QTextCursor::KeepAnchor);
    control->setTextCursor(cursor);
    if (open)
        open(address);
    else
        QDesktopServices::openUrl(QUrl::fromUserInput(address));
}

} // namespace richlink
