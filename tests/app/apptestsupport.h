// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Helpers for the main window's tests: a raw protocol peer on a real loopback
// socket, bounded waiting, and a look into the chat pane's formatting.

#include <QByteArray>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTextBlock>
#include <QTextEdit>
#include <QTextFragment>

#include <functional>
#include <memory>

// Processes events until `done` holds or `ms` have passed; answers `done()`.
inline bool spinUntil(const std::function<bool()>& done, int ms = 5000) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > ms)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}

// One accepted connection on a loopback listener, recording what it receives.
class RawPeer {
public:
    bool listen(quint16 port) { return server.listen(QHostAddress::LocalHost, port); }
    bool waitForClient() {
        if (!spinUntil([this] { return conn || server.hasPendingConnections(); }))
            return false;
        if (!conn) {
            conn = server.nextPendingConnection();
            QObject::connect(conn, &QTcpSocket::readyRead, [this] { received += conn->readAll(); });
            // A peer that speaks first may have been read already, its
            // readyRead gone before anybody listened.
            received += conn->readAll();
        }
        return true;
    }
    void send(const QByteArray& bytes) {
        conn->write(bytes);
        conn->flush();
    }
    // Waits until `bytes` has arrived; everything received is then taken.
    bool expect(const QByteArray& bytes) {
        const bool ok = spinUntil([&] { return received.contains(bytes); });
        return ok;
    }
    QByteArray take() {
        QByteArray all = received;
        received.clear();
        return all;
    }

    QTcpServer server;
    QTcpSocket* conn = nullptr;
    QByteArray received;
};

struct ChatRun {
    QString text;
    bool bold;
    QColor colour;
};

// The formatted runs of the last non-empty line of the chat pane.
inline QList<ChatRun> lastChatLine(QTextEdit* pane) {
    QList<ChatRun> runs;
    for (QTextBlock b = pane->document()->lastBlock(); b.isValid(); b = b.previous()) {
        if (b.text().isEmpty())
            continue;
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextFragment f = it.fragment();
            runs.append({f.text(), f.charFormat().fontWeight() == QFont::Bold,
                         f.charFormat().foreground().color()});
        }
        break;
    }
    return runs;
}

inline QString lastChatText(QTextEdit* pane) {
    QString text;
    for (const ChatRun& r : lastChatLine(pane))
        text += r.text;
    return text;
}

inline QByteArray msg(const char* text) {
    return QByteArray(text) + '\xFF';
}
