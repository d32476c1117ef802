// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// QApplication's own command-line options (-platform, -display, -style, ...),
// which the game and the lobby let through: QApplication takes them out of
// the line itself, and a program's parser only has to step over them.

#include <QString>

namespace qtoptions {

// The name of a single- or double-dash option, without its "=value".
QString optionName(const QString& arg);

enum class Kind {
    None,  // not one of Qt's
    Flag,  // stands alone ("-reverse")
    Value, // takes a value, after "=" or as the next argument ("-platform offscreen")
};
Kind kindOf(const QString& name);

} // namespace qtoptions
