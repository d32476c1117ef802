// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A Redis server of the test's own: /usr/bin/redis-server on a free port of
// 127.0.0.1, nothing saved, stopped when the object goes. Tests skip when the
// program is missing.

#include <QProcess>
#include <QString>

class RedisServer {
public:
    static constexpr char kProgram[] = "/usr/bin/redis-server";

    RedisServer();
    ~RedisServer();
    RedisServer(const RedisServer&) = delete;
    RedisServer& operator=(const RedisServer&) = delete;

    static bool available();
    // Starts it (again, on the same port); true once it answers PING.
    bool start();
    // Kills it at once, as a crash would.
    void kill();
    quint16 port() const { return m_port; }
    QString url() const { return QStringLiteral("redis://127.0.0.1:%1").arg(m_port); }
    // One command in Redis's inline form ("SET key value"); its first reply
    // line.
    QByteArray command(const QByteArray& inlineCommand) const;

private:
    quint16 m_port = 0;
    QProcess m_process;
};
