// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A table hosted from home, with the real programs on a home network of
// namespaces (netns.h's HomeNetwork): the lobby service on a machine of the
// internet, the game's dedicated server at home behind the router, and
// players on other machines of the internet (joiner_tool, told one step at a
// time). Shared by the hosting tests and the hosting benchmark, which watch
// the same programs and read the same log lines.
//
// Every address and port is inside the namespaces the network makes, which
// are new for each HomeHosting: every port there is free.

#include "lobbymessages.h"
#include "lobbyreaders.h"
#include "netns.h"
#include "privatecopy.h"

#include <QDeadlineTimer>
#include <QRegularExpression>

#include <memory>
#include <optional>
#include <string>

namespace homehosting {

inline constexpr quint16 kServicePort = 7780;
inline constexpr quint16 kGamePort = 7772;
inline constexpr char kPublic[] = "203.0.113.1"; // the router's public address
inline constexpr char kService[] = "203.0.113.10";
// A second instance of the service, sharing the first's Redis (which runs on
// the first's machine) when the network is built with two.
inline constexpr char kService2[] = "203.0.113.11";
inline constexpr quint16 kRedisPort = 6390;
inline constexpr char kPlayer[] = "203.0.113.20";

// Generous: a router that never answers NAT-PMP costs the mapper its retries
// before it reports, and the machine's cores are shared with other builds.
inline constexpr int kWaitMs = 30'000;

// The programs of the build the network runs.
struct Programs {
    QString game;    // vorlix
    QString service; // kestrunlobby
    QString netnsTool;
    QString joinerTool;
};

// A program's log without the time stamps its lines begin with.
inline QStringList logLines(const QString& output) {
    QStringList lines;
    for (const QString& line : output.split(QLatin1Char('\n'), Qt::SkipEmptyParts))
        lines << line.section(QLatin1Char(' '), 1);
    return lines;
}

// Waits until the output holds `line` as a whole line of its log.
inline bool waitForLine(netns::Process& process, const QString& line, int ms = kWaitMs) {
    const QDeadlineTimer deadline(ms);
    for (;;) {
        process.drain();
        if (logLines(process.seen).contains(line))
            return true;
        if (deadline.hasExpired() || process.state() == QProcess::NotRunning)
            return false;
        process.waitForReadyRead(int(qMax<qint64>(1, deadline.remainingTime())));
    }
}

// The first capture of `pattern` in the output, within the time; empty when
// none came.
inline QString waitForMatch(netns::Process& process, const QRegularExpression& pattern,
                            int ms = kWaitMs) {
    const QDeadlineTimer deadline(ms);
    for (;;) {
        process.drain();
        const QRegularExpressionMatch m = pattern.match(process.seen);
        if (m.hasMatch())
            return m.captured(1);
        if (deadline.hasExpired() || process.state() == QProcess::NotRunning)
            return {};
        process.waitForReadyRead(int(qMax<qint64>(1, deadline.remainingTime())));
    }
}

// The code in the dedicated server's line about its registration.
inline const QRegularExpression& inviteLine() {
    static const QRegularExpression pattern(
        QStringLiteral("invite code (\\+[0-9A-Z]{4}-[0-9A-Z]{4})"));
    return pattern;
}

// A player on the internet: joiner_tool in a namespace of its own
// (joiner_tool.cpp has its commands).
class Player {
public:
    Player(netns::HomeNetwork& net, const QString& ns, const QString& tool)
        : m_process(net.start(ns, tool, {})) {}

    // Sends a command and answers the next line the tool writes, split at
    // tabs; empty when none came in time.
    QStringList ask(const QStringList& command, int ms = kWaitMs) {
        m_process->write(command.join(QLatin1Char('\t')).toUtf8() + '\n');
        m_process->waitForBytesWritten(5000);
        return next(ms);
    }
    QStringList next(int ms = kWaitMs) {
        const QDeadlineTimer deadline(ms);
        for (;;) {
            m_process->drain();
            const qsizetype end = m_process->seen.indexOf(QLatin1Char('\n'), m_read);
            if (end >= 0) {
                const QString line = m_process->seen.mid(m_read, end - m_read);
                m_read = end + 1;
                return line.split(QLatin1Char('\t'));
            }
            if (deadline.hasExpired() || m_process->state() == QProcess::NotRunning)
                return {};
            m_process->waitForReadyRead(int(qMax<qint64>(1, deadline.remainingTime())));
        }
    }
    bool connectToService(const char* host = kService) {
        return ask({"service", host, QString::number(kServicePort)}) == QStringList{"welcome"};
    }
    // The FOUND of `code` once the service says `way` ("direct", "relay")
    // about it.
    std::optional<lobbywire::Found> resolve(const QString& code, const char* way) {
        const QStringList got = ask(
            {"resolve", code, QString::fromLatin1(way), QString::number(kWaitMs)}, kWaitMs + 5000);
        if (got.value(0) != QLatin1String("found"))
            return std::nullopt;
        return lobbywire::readFound(lobbywire::split(got.mid(1).join(QLatin1Char('\t')).toUtf8()));
    }
    // What the tool wrote, for a failure's message.
    std::string output() const { return m_process->seen.toStdString(); }

private:
    netns::Process* m_process;
    qsizetype m_read = 0;
};

// The network with the lobby service running on the internet, and the
// dedicated server at home once startTable() is called.
class HomeHosting {
    // Declared first, removed last: after the programs that run from it.
    std::unique_ptr<PrivateCopy> m_copy;

public:
    HomeHosting(netns::HomeNetwork::Router mode, Programs programs)
        : net(programs.netnsTool), m_mode(mode), m_programs(std::move(programs)) {}

    // Builds the network and starts the service; false (and why()) when it
    // could not. With `instances` 2, two instances of it share one Redis, and
    // the table is told of both.
    bool build(int instances = 1) {
        if (!net.build(m_mode))
            return fail(net.error);
        serviceMachine = net.addInternetHost(QLatin1String(kService));
        playerMachine = net.addInternetHost(QLatin1String(kPlayer));
        if (serviceMachine.isEmpty() || playerMachine.isEmpty())
            return fail(net.error);
        QStringList store;
        if (instances > 1) {
            service2Machine = net.addInternetHost(QLatin1String(kService2));
            if (service2Machine.isEmpty())
                return fail(net.error);
            netns::Process* redis =
                net.start(serviceMachine, QStringLiteral("redis-server"),
                          {"--port", QString::number(kRedisPort), "--bind", QLatin1String(kService),
                           "--save", "", "--appendonly", "no", "--protected-mode", "no"});
            if (!redis->waitFor(QStringLiteral("Ready to accept connections"), kWaitMs))
                return fail(QStringLiteral("Redis did not start: ") + redis->seen);
            store = QStringList{
                "--store",
                QStringLiteral("redis://%1:%2").arg(QLatin1String(kService)).arg(kRedisPort)};
        }
        service = startService(serviceMachine, store);
        if (!service)
            return false;
        if (instances > 1) {
            service2 = startService(service2Machine, store);
            if (!service2)
                return false;
            m_lobby += QStringLiteral(",%1:%2").arg(QLatin1String(kService2)).arg(kServicePort);
        }
        return true;
    }
    // The dedicated server at home, table "Home" open by invitation, run
    // from a copy whose settings say whether it may ask the router.
    netns::Process* startTable(bool portMapping) {
        m_copy = std::make_unique<PrivateCopy>(
            m_programs.game,
            QStringList{QStringLiteral("PortMapping=%1").arg(portMapping ? 1 : 0)});
        table = net.start(net.home(), m_copy->program(),
                          {"--server", "--port", QString::number(kGamePort), "--invite", "Home",
                           "--lobby", m_lobby});
        return table;
    }
    // A player on the player's machine.
    std::unique_ptr<Player> player() {
        return std::make_unique<Player>(net, playerMachine, m_programs.joinerTool);
    }

    QString why() const { return m_why; }
    std::string tableLog() const { return table ? table->seen.toStdString() : std::string(); }
    std::string serviceLog() {
        service->drain();
        return service->seen.toStdString();
    }

    netns::HomeNetwork net;
    QString serviceMachine, service2Machine, playerMachine;
    netns::Process* service = nullptr;
    netns::Process* service2 = nullptr;
    netns::Process* table = nullptr;

private:
    netns::Process* startService(const QString& machine, const QStringList& store) {
        netns::Process* p =
            net.start(machine, m_programs.service,
                      QStringList{"--server", "--port", QString::number(kServicePort)} + store);
        if (!p->waitFor(QStringLiteral("listening on port %1").arg(kServicePort), kWaitMs)) {
            fail(QStringLiteral("the service did not start: ") + p->seen);
            return nullptr;
        }
        return p;
    }
    bool fail(const QString& why) {
        m_why = why;
        return false;
    }
    netns::HomeNetwork::Router m_mode;
    Programs m_programs;
    QString m_why;
    // The table's --lobby: every instance of the service.
    QString m_lobby = QStringLiteral("%1:%2").arg(QLatin1String(kService)).arg(kServicePort);
};

} // namespace homehosting
