// SPDX-License-Identifier: GPL-3.0-or-later
#include "terminationwatch.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QPointer>

#include <atomic>
#include <csignal>
#include <windows.h>

namespace {

// The watch the console's handler reports to; it runs on a thread of the
// system's own, so it only queues the news for the event loop.
QPointer<TerminationWatch> g_watch;
std::atomic<bool> g_done{false};

BOOL WINAPI onConsoleEvent(DWORD event) {
    const bool interrupt = event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT;
    const int number = interrupt ? SIGINT : SIGTERM;
    TerminationWatch* watch = g_watch.data();
    if (!watch)
        return FALSE;
    QMetaObject::invokeMethod(
        watch, [watch, number] { emit watch->terminationRequested(number); }, Qt::QueuedConnection);
    if (!interrupt) {
        // The process ends when this returns: the program is given the few
        // seconds the system allows to close its window and save.
        for (int i = 0; i < 45 && !g_done.load(); ++i)
            ::Sleep(100);
    }
    return TRUE;
}

} // namespace

TerminationWatch::TerminationWatch(QObject* parent) : QObject(parent) {}

TerminationWatch::~TerminationWatch() {
    if (g_watch == this) {
        ::SetConsoleCtrlHandler(onConsoleEvent, FALSE);
        g_watch = nullptr;
    }
}

bool TerminationWatch::install() {
    if (g_watch == this)
        return true;
    g_watch = this;
    if (QCoreApplication* app = QCoreApplication::instance())
        QObject::connect(app, &QCoreApplication::aboutToQuit, this, [] { g_done = true; });
    return ::SetConsoleCtrlHandler(onConsoleEvent, TRUE) != 0;
}

void TerminationWatch::onReadable() {}
