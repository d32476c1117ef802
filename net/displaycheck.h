// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Telling a player plainly that a program's window needs a display. Without
// one, Qt's platform plugin ends the process with abort() and advice to
// reinstall the application, which is wrong and leaves a core behind; the game
// and the lobby print one line of their own saying what works without a
// display, and exit 1 instead.

namespace displaycheck {

// False when nothing names a display or a Qt platform: no DISPLAY, no
// WAYLAND_DISPLAY, no QT_QPA_PLATFORM and no -platform argument. Qt would only
// fail then, so there is no point in trying.
bool displayNamed(bool platformArgument);

// Windows: text is drawn by FreeType, as on Linux, unless the player chose a
// platform (QT_QPA_PLATFORM or -platform). Qt's own engines there (DirectWrite
// and GDI) leave every line edit's text undrawn under Wine, where the Windows
// build is tested and played on Linux desktops; FreeType draws it everywhere
// and gives both builds one look. Elsewhere nothing changes.
void chooseTextEngine(bool platformArgument);

// Between these two calls (around constructing the QApplication), Qt's messages
// are held back. If Qt gives up for want of a display, the held messages are
// dropped, `noDisplayLine` (a static string) is printed to stderr and the
// process exits with status 1; once the application stands, endWatch() passes
// the held messages on unchanged.
void beginWatch(const char* noDisplayLine);
void endWatch();

} // namespace displaycheck
