// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Turns the desktop's request to end the program (SIGTERM at log-out, SIGHUP when
// the terminal goes, SIGINT from Ctrl+C) into a signal on the event loop, so the
// main window closes the ordinary way and the tally and settings are saved.
// On Windows the console's Ctrl+C and Ctrl+Break come as SIGINT, its closing,
// log-off and shut-down as SIGTERM (terminationwatch_windows.cpp); a window's
// own end of session reaches Qt directly.

#include <QObject>

class QSocketNotifier;

class TerminationWatch : public QObject {
    Q_OBJECT
public:
    explicit TerminationWatch(QObject* parent = nullptr);
    ~TerminationWatch() override;

    // Installs the handlers; false when they could not be installed.
    bool install();

signals:
    void terminationRequested(int signalNumber);

private:
    void onReadable();

    QSocketNotifier* m_notifier = nullptr;
};
