// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Pictures the secondary windows draw for themselves, and their white look.

#include <QPixmap>

class QWidget;

namespace windowart {

// A 34 x 21 check picture: an empty box, or the same box with a tick.
QPixmap checkBox(bool checked);
// The game start window's start picture, reading "START GAME".
QPixmap startButton();
// The program's logo for the about window.
QPixmap logo();
// White background, as all of the program's dialogs have.
void makeWhite(QWidget* window);

} // namespace windowart
