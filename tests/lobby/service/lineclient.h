// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A lobby client as raw as the tests need: a QTcpSocket that sends bytes as
// given and keeps every line the service sends, waited for on the event loop
// (never a fixed sleep).

#include "lobbyreaders.h"

#include <QHostAddress>
#include <QTcpSocket>
#include <QTest>

#include <functional>

class LineClient {
public:
    static constexpr int kWaitMs = 10'000;

    explicit LineClient(quint16 port, const QHostAddress& to = QHostAddress::LocalHost,
                        const QHostAddress& from = {}) {
        QObject::connect(&socket, &QTcpSocket::readyRead, [this] {
            buffer += socket.readAll();
            lobbywire::cutLines(buffer, lines);
        });
        if (!from.isNull())
            socket.bind(from);
        socket.connectToHost(to, port);
    }
    bool connected() {
        return socket.state() == QAbstractSocket::ConnectedState ||
               socket.waitForConnected(kWaitMs);
    }
    void send(const QByteArray& bytes) { socket.write(bytes); }
    // Says HELLO and waits for WELCOME.
    bool hello() {
        send(lobbywire::hello("test", "1.0"));
        return waitFor("WELCOME\t");
    }
    // Waits until a line not yet taken starts with `prefix`; answers whether
    // one came, and takes every line up to it.
    bool waitFor(const QByteArray& prefix) {
        return QTest::qWaitFor([&] { return take(prefix); }, kWaitMs);
    }
    bool closedByPeer() {
        return QTest::qWaitFor([&] { return socket.state() == QAbstractSocket::UnconnectedState; },
                               kWaitMs);
    }
    // The lines not yet taken.
    QList<QByteArray> rest() const { return lines.mid(taken); }
    // The line last taken by waitFor().
    QByteArray last;

    QTcpSocket socket;
    QList<QByteArray> lines;

private:
    bool take(const QByteArray& prefix) {
        for (qsizetype i = taken; i < lines.size(); ++i) {
            if (lines[i].startsWith(prefix)) {
                last = lines[i];
                taken = i + 1;
                return true;
            }
        }
        return false;
    }

    QByteArray buffer;
    qsizetype taken = 0;
};
