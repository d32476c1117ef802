// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Replacing a file so that a crash or a power cut leaves either the old file
// or the new one, never a part: durablefile_posix.cpp and
// durablefile_windows.cpp are the two sides.

#include <QString>

namespace durablefile {

// Makes `fresh`'s bytes durable, then puts it in `target`'s place in one step;
// false when either could not be done (`target` is then unchanged).
bool replace(const QString& fresh, const QString& target);

} // namespace durablefile
