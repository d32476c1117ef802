// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The lobby service's log lines: what the core did, in the words an operator
// reads (the tone of vorlix --server's log). Names are shown with their
// control characters as blanks, so nobody can write lines into the log.

#include "servicecore.h"

#include <QString>

namespace servicelog {

QString describe(const ServiceEvent& event);
// Every control character of the text as a blank.
QString shown(const QString& text);

} // namespace servicelog
