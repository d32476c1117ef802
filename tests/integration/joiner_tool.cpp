// SPDX-License-Identifier: GPL-3.0-or-later
// joiner_tool: a player on the internet, the way the game joins a table by
// its invite code, taken apart into steps a test can watch one at a time. The
// hosting tests run it inside an internet namespace of a home network
// (netns.h), so that what it sends comes from an address of its own and
// crosses the home router like a real player's.
//
// Reads commands on standard input, one a line, fields split by tabs, and
// does each before reading the next; writes one line for each result, fields
// split by tabs:
//   service HOST PORT                   -> welcome | failed WHY
//       Connects to the lobby service and says HELLO.
//   resolve CODE WAY TIMEOUT-MS         -> found LINE | unknown CODE | failed WHY
//       Asks for CODE until the FOUND line's way is WAY ("any" for the first
//       answer): the service tests a table after it registers, and says
//       "unknown" until then. LINE is the FOUND line as the service sent it.
//   direct ADDRESS PORT NAME TIMEOUT-MS -> seated N | failed WHY
//       Connects to a game server and logs in as NAME; seated once the server
//       announced the player under the number it gave.
//   relay HOST PORT CODE NAME TIMEOUT-MS -> answer LINE, then as direct
//       Asks the relay at HOST PORT for the table of CODE; after JOINED, logs
//       in through it as direct does.
//   quit
// Game connections stay open (their players seated) until quit or the end
// of input.

#include "lobbymessages.h"
#include "lobbyreaders.h"
#include "messages.h"
#include "protocol.h"
#include "readers.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QTcpSocket>
#include <QThread>

#include <cstdio>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

namespace {

// The service allows a burst of lines and then a few a second: asks quickly
// at first, while a table's test is expected, and calmly after that.
constexpr int kQuickAsks = 25;
constexpr int kQuickAskMs = 100;
constexpr int kCalmAskMs = 400;

void say(const QStringList& fields) {
    std::printf("%s\n", fields.join(QLatin1Char('\t')).toUtf8().constData());
    std::fflush(stdout);
}

bool connectTo(QTcpSocket& socket, const QString& host, quint16 port, int ms) {
    socket.connectToHost(host, port);
    return socket.waitForConnected(ms);
}

// The lobby service's connection: whole lines, in order.
class ServiceConnection {
public:
    bool open(const QString& host, quint16 port, QString* why) {
        if (!connectTo(m_socket, host, port, 5000)) {
            *why = m_socket.errorString();
            return false;
        }
        m_socket.write(lobbywire::hello(QStringLiteral("joiner"), QLatin1String(wire::kVersion)));
        const std::optional<QByteArray> first = nextLine(5000);
        if (!first || !lobbywire::readWelcome(lobbywire::split(*first))) {
            *why = first ? QString::fromUtf8(*first) : m_socket.errorString();
            return false;
        }
        return true;
    }
    void send(const QByteArray& line) {
        m_socket.write(line);
        m_socket.waitForBytesWritten(5000);
    }
    // The next line within `ms`, or nothing.
    std::optional<QByteArray> nextLine(int ms) {
        const QDeadlineTimer deadline(ms);
        while (m_lines.isEmpty()) {
            lobbywire::cutLines(m_buffer, m_lines);
            if (!m_lines.isEmpty())
                break;
            if (deadline.hasExpired() || m_socket.state() != QAbstractSocket::ConnectedState ||
                !m_socket.waitForReadyRead(int(qMax<qint64>(1, deadline.remainingTime()))))
                return std::nullopt;
            m_buffer += m_socket.readAll();
        }
        return m_lines.takeFirst();
    }

private:
    QTcpSocket m_socket;
    QByteArray m_buffer;
    QList<QByteArray> m_lines;
};

void resolve(ServiceConnection& service, const QString& code, const QString& way, int ms) {
    const QDeadlineTimer deadline(ms);
    QByteArray last;
    for (int asked = 0;; ++asked) {
        service.send(lobbywire::resolve(code));
        // Lines of news (none for a client that does not watch) are passed by.
        for (;;) {
            const std::optional<QByteArray> line =
                service.nextLine(int(qMax<qint64>(1, deadline.remainingTime())));
            if (!line) {
                say({QStringLiteral("failed"),
                     QStringLiteral("no answer that says %1; the last: %2")
                         .arg(way, QString::fromUtf8(last))});
                return;
            }
            const lobbywire::Message m = lobbywire::split(*line);
            if (const auto unknown = lobbywire::readUnknown(m)) {
                say({QStringLiteral("unknown"), *unknown});
                return;
            }
            if (const auto found = lobbywire::readFound(m)) {
                last = *line;
                if (way == QLatin1String("any") || lobbywire::wayWord(found->way) == way) {
                    say({QStringLiteral("found"), QString::fromUtf8(*line)});
                    return;
                }
                break;
            }
        }
        if (deadline.hasExpired()) {
            say({QStringLiteral("failed"),
                 QStringLiteral("the last answer: ") + QString::fromUtf8(last)});
            return;
        }
        QThread::msleep(asked < kQuickAsks ? kQuickAskMs : kCalmAskMs);
    }
}

// Logs in on a game connection: the server offers a number, the player
// answers with it, and the server announces the player to everybody, the
// player included.
void logIn(QTcpSocket& game, QByteArray buffer, const QByteArray& name, int ms) {
    const QDeadlineTimer deadline(ms);
    int number = 0;
    for (;;) {
        QList<QByteArray> messages;
        wire::cutMessages(buffer, messages);
        for (const QByteArray& message : messages) {
            const wire::Split s = wire::splitCommand(message);
            if (s.command == wire::cmd::sendlogininfo && number == 0) {
                number = wire::readSendlogininfo(s.payload);
                // The game's login name ends in a terminator of its own, so
                // the game sends two; so does this player.
                game.write(wire::logininfo(number, wire::kVersion, name) + wire::kTerminator);
            } else if (s.command == wire::cmd::newplayerinfo && number != 0) {
                const wire::PlayerNotice p = wire::readPlayerNotice(s.payload);
                if (p.number == number && p.name == name) {
                    say({QStringLiteral("seated"), QString::number(number)});
                    return;
                }
            }
        }
        if (deadline.hasExpired() || game.state() != QAbstractSocket::ConnectedState ||
            !game.waitForReadyRead(int(qMax<qint64>(1, deadline.remainingTime())))) {
            say({QStringLiteral("failed"),
                 number == 0 ? QStringLiteral("no login offered: ") + game.errorString()
                             : QStringLiteral("not announced: ") + game.errorString()});
            return;
        }
        buffer += game.readAll();
    }
}

QTcpSocket* direct(const QString& address, quint16 port, const QByteArray& name, int ms) {
    auto* game = new QTcpSocket;
    if (!connectTo(*game, address, port, ms)) {
        say({QStringLiteral("failed"), game->errorString()});
        return game;
    }
    logIn(*game, {}, name, ms);
    return game;
}

QTcpSocket* relay(const QString& host, quint16 port, const QString& code, const QByteArray& name,
                  int ms) {
    auto* game = new QTcpSocket;
    if (!connectTo(*game, host, port, ms)) {
        say({QStringLiteral("failed"), game->errorString()});
        return game;
    }
    game->write(lobbywire::relay(code));
    // The relay's one line comes before any of the game's bytes; what came
    // after it in the same read is the game's.
    const QDeadlineTimer deadline(ms);
    QByteArray buffer;
    while (!buffer.contains('\n')) {
        if (deadline.hasExpired() || game->state() != QAbstractSocket::ConnectedState ||
            !game->waitForReadyRead(int(qMax<qint64>(1, deadline.remainingTime())))) {
            say({QStringLiteral("failed"),
                 QStringLiteral("no answer from the relay: ") + game->errorString()});
            return game;
        }
        buffer += game->readAll();
    }
    const qsizetype end = buffer.indexOf('\n');
    const QByteArray line = buffer.left(end);
    say({QStringLiteral("answer"), QString::fromUtf8(line)});
    if (lobbywire::isBare(lobbywire::split(line), lobbywire::name::joined))
        logIn(*game, buffer.mid(end + 1), name, int(qMax<qint64>(1, deadline.remainingTime())));
    return game;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ServiceConnection service;
    std::vector<std::unique_ptr<QTcpSocket>> games;
    std::string input;
    while (std::getline(std::cin, input)) {
        const QStringList f = QString::fromStdString(input).split(QLatin1Char('\t'));
        const QString& command = f.at(0);
        if (command == QLatin1String("service") && f.size() == 3) {
            QString why;
            if (service.open(f[1], quint16(f[2].toUInt()), &why))
                say({QStringLiteral("welcome")});
            else
                say({QStringLiteral("failed"), why});
        } else if (command == QLatin1String("resolve") && f.size() == 4) {
            resolve(service, f[1], f[2], f[3].toInt());
        } else if (command == QLatin1String("direct") && f.size() == 5) {
            games.emplace_back(direct(f[1], quint16(f[2].toUInt()), f[3].toUtf8(), f[4].toInt()));
        } else if (command == QLatin1String("relay") && f.size() == 6) {
            games.emplace_back(
                relay(f[1], quint16(f[2].toUInt()), f[3], f[4].toUtf8(), f[5].toInt()));
        } else if (command == QLatin1String("quit")) {
            break;
        } else {
            say({QStringLiteral("failed"), QStringLiteral("no such command: ") + f.join(u' ')});
        }
    }
    return 0;
}
