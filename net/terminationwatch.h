#pragma once
// Turns the desktop's request to end the program (SIGTERM at log-out, SIGHUP when
// the terminal goes, SIGINT from Ctrl+C) into a signal on the event loop, so the
// main window closes the ordinary way and the tally and settings are saved.

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
