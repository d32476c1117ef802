// SPDX-License-Identifier: GPL-3.0-or-later
#include "redisserver.h"

#include <QFile>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

RedisServer::RedisServer() {
    // A port the system just gave out is free, most likely, a moment later.
    QTcpServer probe;
    if (probe.listen(QHostAddress::LocalHost, 0))
        m_port = probe.serverPort();
}

RedisServer::~RedisServer() {
    kill();
}

bool RedisServer::available() {
    return QFile::exists(QString::fromLatin1(kProgram));
}

bool RedisServer::start() {
    if (m_port == 0 || !available())
        return false;
    m_process.start(QString::fromLatin1(kProgram),
                    {QStringLiteral("--port"), QString::number(m_port), QStringLiteral("--save"),
                     QString(), QStringLiteral("--appendonly"), QStringLiteral("no"),
                     QStringLiteral("--bind"), QStringLiteral("127.0.0.1")});
    if (!m_process.waitForStarted(10'000))
        return false;
    return QTest::qWaitFor([this] { return command("PING") == "+PONG"; }, 10'000);
}

void RedisServer::kill() {
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.kill();
    m_process.waitForFinished(10'000);
}

QByteArray RedisServer::command(const QByteArray& inlineCommand) const {
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, m_port);
    if (!socket.waitForConnected(1000))
        return {};
    socket.write(inlineCommand + "\r\n");
    QByteArray reply;
    while (!reply.contains("\r\n") && socket.waitForReadyRead(1000))
        reply += socket.readAll();
    return reply.left(reply.indexOf("\r\n"));
}
