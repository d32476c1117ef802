// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Chat colours (the 00BBGGRR integers of chatcolour.h) as the screen takes them.

#include "chatcolour.h"

#include <QColor>

namespace colortext {

// 00BBGGRR to a QColor (the top byte is ignored).
inline QColor toQColor(quint32 colour) {
    return QColor(int(colour & 0xFF), int((colour >> 8) & 0xFF), int((colour >> 16) & 0xFF));
}

} // namespace colortext
