// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A lobby service in the test's own process, on a free loopback port: it
// speaks the protocol through the lobbywire builders and readers, answers
// HELLO, NAME, WATCH, ENTER, SAY and RESOLVE from what the test put in it, and
// lets the test push lines to every client.

#include "lobbyaddress.h"
#include "lobbymessages.h"
#include "lobbyreaders.h"

#include <QList>
#include <QMap>
#include <QTcpServer>
#include <QTcpSocket>

class FakeService : public QObject {
public:
    FakeService() {
        server.listen(QHostAddress::LocalHost, 0);
        connect(&server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* s = server.nextPendingConnection()) {
                clients.append(s);
                connect(s, &QTcpSocket::readyRead, this, [this, s] { onReadable(s); });
                connect(s, &QTcpSocket::disconnected, this, [this, s] {
                    clients.removeOne(s);
                    s->deleteLater();
                });
            }
        });
    }

    ~FakeService() override {
        // Before the members the sockets' handlers use.
        for (QTcpSocket* s : std::as_const(clients)) {
            s->disconnect(this);
            delete s;
        }
        clients.clear();
    }

    lobbywire::HostPort address() const {
        return {QStringLiteral("127.0.0.1"), server.serverPort()};
    }
    void broadcast(const QByteArray& line) {
        for (QTcpSocket* s : clients)
            s->write(line);
    }

    QList<lobbywire::TableEntry> tables;
    QMap<QString, lobbywire::Found> codes;
    QStringList said; // SAY texts received
    QTcpServer server;
    QList<QTcpSocket*> clients;

private:
    void onReadable(QTcpSocket* s) {
        QByteArray& buffer = buffers[s];
        buffer += s->readAll();
        QList<QByteArray> lines;
        lobbywire::cutLines(buffer, lines);
        for (const QByteArray& line : lines)
            answer(s, lobbywire::split(line));
    }

    void answer(QTcpSocket* s, const lobbywire::Message& m) {
        using namespace lobbywire;
        if (readHello(m)) {
            s->write(welcome(QStringLiteral("test")));
        } else if (const auto n = readName(m)) {
            names[s] = *n;
            s->write(named(*n));
        } else if (isBare(m, name::watch)) {
            for (const TableEntry& t : tables)
                s->write(table(t));
            s->write(listed());
        } else if (isBare(m, name::enter)) {
            s->write(here(names.value(s)));
            s->write(entered());
        } else if (const auto text = readSay(m)) {
            said << *text;
            broadcast(chat(names.value(s), *text));
        } else if (const auto code = readResolve(m)) {
            if (codes.contains(*code)) {
                const Found& f = codes[*code];
                s->write(found(f));
            } else {
                s->write(unknown(*code));
            }
        } else if (isBare(m, name::ping)) {
            s->write(pong());
        }
    }

    QMap<QTcpSocket*, QByteArray> buffers;
    QMap<QTcpSocket*, QString> names;
};
