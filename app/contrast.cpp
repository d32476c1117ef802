// SPDX-License-Identifier: GPL-3.0-or-later
#include "contrast.h"

#include <QTextBlock>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>
#include <cmath>
#include <vector>

namespace contrast {
namespace {

double linear(int channel) {
    const double c = channel / 255.0;
    return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

// `colour` moved `step` thousandths of the way to black or to white. Scaling
// every channel alike keeps the hue; towards white it keeps the hue too and
// gives up saturation, the only way a light text can get lighter.
QColor moved(const QColor& colour, bool towardsBlack, int step) {
    auto channel = [&](int c) {
        const double t = step / 1000.0;
        return towardsBlack ? int(std::lround(c * (1 - t))) : int(std::lround(c + (255 - c) * t));
    };
    return QColor(channel(colour.red()), channel(colour.green()), channel(colour.blue()));
}

} // namespace

double relativeLuminance(const QColor& colour) {
    const QColor c = colour.toRgb();
    return 0.2126 * linear(c.red()) + 0.7152 * linear(c.green()) + 0.0722 * linear(c.blue());
}

double ratio(const QColor& a, const QColor& b) {
    const double la = relativeLuminance(a);
    const double lb = relativeLuminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QColor readable(const QColor& colour, const QColor& background, double minimum) {
    const QColor own = colour.toRgb();
    if (ratio(own, background) >= minimum)
        return own;
    const bool towardsBlack = ratio(Qt::black, background) >= ratio(Qt::white, background);
    // The contrast grows with every step: find the least step that reaches
    // the minimum (the whole way, black or white, when none does).
    int low = 0;
    int high = 1000;
    while (low < high) {
        const int mid = (low + high) / 2;
        if (ratio(moved(own, towardsBlack, mid), background) >= minimum)
            high = mid;
        else
            low = mid + 1;
    }
    return moved(own, towardsBlack, low);
}

QColor shown(const QColor& colour, const QColor& background, bool highContrast) {
    return highContrast ? readable(colour, background) : colour;
}

void setColour(QTextCharFormat& format, const QColor& colour, const QColor& background,
               bool highContrast) {
    format.setProperty(kOwnColour, colour);
    format.setForeground(shown(colour, background, highContrast));
}

void recolour(QTextDocument& document, const QColor& background, bool highContrast) {
    // Changing a format may merge or split fragments: what to change is
    // gathered first.
    struct Change {
        int from;
        int to;
        QColor colour;
    };
    std::vector<Change> changes;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            const QTextCharFormat format = fragment.charFormat();
            if (!format.hasProperty(kOwnColour))
                continue;
            const QColor wanted = shown(format.colorProperty(kOwnColour), background, highContrast);
            if (format.foreground().color() != wanted)
                changes.push_back(
                    {fragment.position(), fragment.position() + fragment.length(), wanted});
        }
    }
    QTextCursor cursor(&document);
    cursor.beginEditBlock();
    for (const Change& change : changes) {
        QTextCharFormat colour;
        colour.setForeground(change.colour);
        cursor.setPosition(change.from);
        cursor.setPosition(change.to, QTextCursor::KeepAnchor);
        cursor.mergeCharFormat(colour);
    }
    cursor.endEditBlock();
}

} // namespace contrast
