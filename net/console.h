// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Windows starts a windowed program without a console: one started from a
// console (vorlix --version, vorlix --server, kestrunlobby --list) writes its
// lines there, unless its output is already redirected to a file or a pipe.
// console_windows.cpp does it; on other systems the terminal is simply there.

namespace console {

// Called first thing in main.
void attachToParent();

} // namespace console
