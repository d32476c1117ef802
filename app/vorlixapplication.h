// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The program's QApplication. It is the one place where an exception that
// escapes an event handler is caught: the message is shown in the error box and
// the program goes on, as a player expects from a desktop program.

#include <QApplication>

#include <functional>

class VorlixApplication : public QApplication {
public:
    VorlixApplication(int& argc, char** argv);

    bool notify(QObject* receiver, QEvent* event) override;

    // Shows the error box, or calls errorBox() when a test has set it.
    static void showError(const QString& message);
    // Replaces the error box (tests record the messages instead).
    static std::function<void(const QString&)>& errorBox();

    // Runs `body`; an exception it raises goes to showError and false is answered.
    static bool guarded(const std::function<bool()>& body);
};
