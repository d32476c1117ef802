// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Web addresses inside rich text: whether one lies under a point, and opening
// it. The chat pane shows the hand pointer while IsLinkAt is true and calls
// OpenLinkAt on a left press.
//
// A word is a run of characters other than blanks and line breaks. An address
// starts with one of the prefixes below (searched in that order, ignoring
// case) and ends before a blank or line break; trailing characters other than
// "/", a digit or a letter a-z (such as ".", ",", ")" or a quotation mark) are
// not part of it, and a prefix alone is no address.

#include <QList>
#include <QString>

#include <functional>

class QTextEdit;
class QPoint;

namespace richlink {

// A range of character positions in the control's plain text, end exclusive.
struct CharRange {
    int cpMin = 0;
    int cpMax = 0;
};

// The prefixes, in search order.
const QStringList& linkPrefixes();

// Where the word around `index` starts and ends.
int wordBreakLeft(const QString& text, int index);
int wordBreakRight(const QString& text, int index);

// Searches `text` around `range` (an empty range: the word at its start; else
// the word holding the range) for an address. Answers the address as written,
// or an empty text; when found, `range` becomes the address's place.
QString FindLink(const QString& text, CharRange& range);

// Every address in `text`, in order: the places a pane shows as links.
QList<CharRange> linksIn(const QString& text);

// The address under the point (in the control's viewport coordinates), and
// its place; empty when there is none or the point lies past the end.
QString linkAt(const QTextEdit* control, const QPoint& point, CharRange* where = nullptr);

bool IsLinkAt(const QTextEdit* control, int x, int y);

// Selects the address under the point and opens it with `open` (by default the
// desktop's browser). Does nothing where there is no address.
void OpenLinkAt(QTextEdit* control, int x, int y,
                const std::function<void(const QString&)>& open = {});

} // namespace richlink
