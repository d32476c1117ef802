// SPDX-License-Identifier: GPL-3.0-or-later
#include "terminationwatch.h"

#include <QSocketNotifier>

#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// The write end is all a signal handler may touch: one byte per signal.
int g_pipe[2] = {-1, -1};

void onSignal(int number) {
    const unsigned char byte = static_cast<unsigned char>(number);
    [[maybe_unused]] const ssize_t n = ::write(g_pipe[0], &byte, 1);
}

} // namespace

TerminationWatch::TerminationWatch(QObject* parent) : QObject(parent) {}

TerminationWatch::~TerminationWatch() {
    if (m_notifier) {
        for (int number : {SIGTERM, SIGHUP, SIGINT})
            std::signal(number, SIG_DFL);
    }
}

bool TerminationWatch::install() {
    if (m_notifier)
        return true;
    if (g_pipe[0] < 0 && ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, g_pipe) != 0)
        return false;
    ::fcntl(g_pipe[0], F_SETFL, ::fcntl(g_pipe[0], F_GETFL) | O_NONBLOCK);
    m_notifier = new QSocketNotifier(g_pipe[1], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &TerminationWatch::onReadable);
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int number : {SIGTERM, SIGHUP, SIGINT}) {
        if (::sigaction(number, &action, nullptr) != 0)
            return false;
    }
    return true;
}

void TerminationWatch::onReadable() {
    unsigned char byte = 0;
    if (::read(g_pipe[1], &byte, 1) != 1)
        return;
    // Told on the next turn of the event loop: what the window system queued
    // in this one (a window's first place and size among it) is delivered
    // first, so the window closes as it stands and saves accordingly.
    const int number = byte;
    QMetaObject::invokeMethod(
        this, [this, number] { emit terminationRequested(number); }, Qt::QueuedConnection);
}
