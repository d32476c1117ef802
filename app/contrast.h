// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Contrast of text against what lies behind it, by the relative luminance of
// the sRGB colours (the measure of WCAG 2), and the colours "High Contrast
// Colours" draws texts in: each text keeps its own hue, darkened on a light
// background or lightened on a dark one just far enough to read, so seats told
// apart by colour stay apart.

#include <QColor>
#include <QTextFormat>

class QTextCharFormat;
class QTextDocument;

namespace contrast {

// The least contrast a text must have in high-contrast mode.
constexpr double kReadable = 4.5;

// 0 (black) to 1 (white).
double relativeLuminance(const QColor& colour);
// 1 (the same luminance) to 21 (black on white); the order does not matter.
double ratio(const QColor& a, const QColor& b);

// `colour` itself when it has at least `minimum` against `background`;
// otherwise the same hue darkened towards black (where black reads better on
// the background than white) or lightened towards white, by the least step
// that reaches `minimum`. Any background has at least 4.58 with black or with
// white, so a minimum up to that is always reached.
QColor readable(const QColor& colour, const QColor& background, double minimum = kReadable);

// The colour a text is drawn in: its own, or readable() in high-contrast mode.
QColor shown(const QColor& colour, const QColor& background, bool highContrast);

// Text in a rich-text pane keeps its own colour in its character format, so the
// whole pane can be drawn again when the mode changes.
constexpr int kOwnColour = QTextFormat::UserProperty + 0x4C0;
// Sets the format's own colour and the foreground it is shown in.
void setColour(QTextCharFormat& format, const QColor& colour, const QColor& background,
               bool highContrast);
// Shows every fragment that keeps its own colour as the mode says; others are
// left as they are.
void recolour(QTextDocument& document, const QColor& background, bool highContrast);

} // namespace contrast
