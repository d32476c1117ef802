#pragma once
// Telling a player plainly that the game needs a display. Without one, Qt's
// platform plugin ends the process with abort() and advice to reinstall the
// application, which is wrong and leaves a core behind; we print one line and
// exit 1 instead.

#include <cstdio>

namespace displaycheck {

// The one line printed (to stderr) when no display can be had.
inline constexpr const char* kNoDisplayLine =
    "vorlix: cannot open a display; use --server to run a dedicated server\n";

// False when nothing names a display or a Qt platform: no DISPLAY, no
// WAYLAND_DISPLAY, no QT_QPA_PLATFORM and no -platform argument. Qt would only
// fail then, so there is no point in trying.
bool displayNamed(bool platformArgument);

// Between these two calls (around constructing the QApplication), Qt's messages
// are held back. If Qt gives up for want of a display, the held messages are
// dropped, kNoDisplayLine is printed and the process exits with status 1; once
// the application stands, endWatch() passes the held messages on unchanged.
void beginWatch();
void endWatch();

} // namespace displaycheck
