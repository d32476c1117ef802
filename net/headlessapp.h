// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What a program without a window shares, whether it serves a game (vorlix
// --server) or the lobby (kestrunlobby --server): an event loop that logs an
// exception escaping a handler and goes on serving, and the log's lines, each
// written at once with its time, so an operator watching the log, or a service
// manager collecting it, sees every event as it happens.

#include <QCoreApplication>
#include <QString>

#include <cstdio>

class HeadlessApplication : public QCoreApplication {
public:
    HeadlessApplication(int& argc, char** argv, const QString& applicationName);
    bool notify(QObject* receiver, QEvent* event) override;
};

namespace serverlog {

// "<UTC time, ISO 8601> <line>" and a line end, flushed. Control characters
// of the line are written as blanks, so nothing a peer sent can forge a line.
void writeLine(std::FILE* out, const QString& line);

} // namespace serverlog
