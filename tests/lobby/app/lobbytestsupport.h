// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the lobby program's tests share: waiting for a condition on the event
// loop, free loopback ports, a window set up to reach only the test's own
// service and loopback, and a fake game.

#include "lobbywindow.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QUdpSocket>

#include <functional>

namespace lobbytest {

// Runs the event loop until `done` holds or `ms` pass; answers `done()`.
inline bool spinUntil(const std::function<bool()>& done, int ms = 10000) {
    QDeadlineTimer deadline(ms);
    while (!done() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
}

inline quint16 freeTcpPort() {
    QTcpServer s;
    s.listen(QHostAddress::LocalHost, 0);
    return s.serverPort();
}

inline quint16 freeUdpPort() {
    QUdpSocket s;
    s.bind(QHostAddress::LocalHost, 0);
    return s.localPort();
}

// A window that asks only 127.0.0.1 on a port of its own for tables on this
// network, and links its games on a free port (never 9001).
inline LobbySetup setupFor(const QString& settingsPath, const QString& gamePath,
                           const lobbywire::HostPort& service, quint16 discoveryPort) {
    LobbySetup setup;
    setup.settingsPath = settingsPath;
    setup.gamePath = gamePath;
    setup.service = service;
    setup.discovery.targets = {QHostAddress(QHostAddress::LocalHost)};
    setup.discovery.intervalMs = 300;
    setup.discovery.answerWindowMs = 250;
    setup.discoveryPort = discoveryPort;
    setup.linkPort = 0;
    return setup;
}

// The stand-in game below is a bash script, which Windows can't start.
#ifdef _WIN32
#define SKIP_WITHOUT_FAKE_GAME()                                                                   \
    GTEST_SKIP() << "the stand-in game is a bash script, which Windows can't start"
#else
#define SKIP_WITHOUT_FAKE_GAME() (void)0
#endif

// A game that records its arguments (NUL after each) in "args" beside it, and
// then does what the file "mode" says: "link" connects to the lobby's link
// port and holds the link until a file "release" appears; "quiet" ends at once
// with status 0; anything else writes two lines to stderr and ends with 3.
class FakeGame {
public:
    FakeGame() {
        QFile script(path());
        script.open(QIODevice::WriteOnly);
        script.write(R"(#!/bin/bash
here=$(dirname "$0")
printf '%s\0' "$@" > "$here/args.tmp" && mv "$here/args.tmp" "$here/args"
port=9001
while [ $# -gt 0 ]; do
  case $1 in --link-port) port=$2; shift;; --) break;; esac
  shift
done
case $(cat "$here/mode") in
link)
  exec 3<>/dev/tcp/127.0.0.1/$port || exit 4
  for i in $(seq 400); do [ -e "$here/release" ] && break; sleep 0.05; done
  exit 0;;
quiet) exit 0;;
*) echo "some noise" >&2; echo "vorlix: cannot listen on port 7772" >&2; exit 3;;
esac
)");
        script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        setMode("quiet");
    }
    QString path() const { return dir.filePath(QStringLiteral("vorlix")); }
    QString file(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }
    void setMode(const char* mode) {
        QFile::remove(file("release"));
        QFile f(file("mode"));
        f.open(QIODevice::WriteOnly);
        f.write(mode);
    }
    void release() {
        QFile f(file("release"));
        f.open(QIODevice::WriteOnly);
    }
    void forgetArgs() { QFile::remove(file("args")); }
    // The arguments of the last start; empty when none was recorded.
    QStringList args() const {
        QFile f(file("args"));
        if (!f.open(QIODevice::ReadOnly))
            return {};
        QStringList args;
        for (const QByteArray& a : f.readAll().split('\0'))
            args << QString::fromUtf8(a);
        args.removeLast(); // after the last NUL
        return args;
    }

    QTemporaryDir dir;
};

} // namespace lobbytest
