// SPDX-License-Identifier: GPL-3.0-or-later
#include "servicemain.h"

#include "headlessapp.h"
#include "lobbyaddress.h"
#include "memorystore.h"
#include "redisstore.h"
#include "servicelog.h"
#include "serviceserver.h"
#include "terminationwatch.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <memory>
#include <optional>
#include <sys/resource.h>

namespace {

constexpr quint16 kRedisPort = 6379;
// File descriptors kept back from the connection cap for the listener, Redis,
// the log and the termination watch.
constexpr rlim_t kReservedFiles = 64;
// How long a stopping service waits for its BYEs and its last store writes.
constexpr qint64 kStopWaitMs = 2000;

void logLine(const QString& line) {
    serverlog::writeLine(stdout, line);
}

// A busy lobby holds many thousands of connections, each a file descriptor:
// the soft limit is raised as far as the hard limit allows. Answers how many
// the service may hold.
int raiseOpenFiles() {
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0) {
        logLine(QStringLiteral("cannot read the open-files limit: %1")
                    .arg(QString::fromLocal8Bit(std::strerror(errno))));
        return servicelimits::kMaxConnections;
    }
    if (limit.rlim_cur < limit.rlim_max) {
        const rlim_t before = limit.rlim_cur;
        limit.rlim_cur = limit.rlim_max;
        if (::setrlimit(RLIMIT_NOFILE, &limit) != 0) {
            logLine(QStringLiteral("cannot raise the open-files limit from %1 to %2: %3")
                        .arg(qulonglong(before))
                        .arg(qulonglong(limit.rlim_max))
                        .arg(QString::fromLocal8Bit(std::strerror(errno))));
            limit.rlim_cur = before;
        }
    }
    if (limit.rlim_cur == RLIM_INFINITY)
        return servicelimits::kMaxConnections;
    const rlim_t usable = limit.rlim_cur > kReservedFiles ? limit.rlim_cur - kReservedFiles : 1;
    return int(std::min<rlim_t>(usable, servicelimits::kMaxConnections));
}

// The Redis store, connected and loaded; nothing (and a line on standard
// error) when Redis cannot be reached.
std::unique_ptr<RedisStore> connectRedis(const lobbywire::HostPort& where) {
    RedisStore::Options options;
    options.host = where.host;
    options.port = where.port;
    auto store = std::make_unique<RedisStore>(options);
    store->log = logLine;
    QEventLoop wait;
    std::optional<QString> failure;
    QObject::connect(store.get(), &RedisStore::ready, &wait, &QEventLoop::quit);
    QObject::connect(store.get(), &RedisStore::unavailable, &wait, [&](const QString& why) {
        failure = why;
        wait.quit();
    });
    store->start();
    wait.exec();
    if (failure) {
        serverlog::writeLine(stderr, QStringLiteral("error: the store %1 cannot be reached: %2")
                                         .arg(store->describe(), *failure));
        return nullptr;
    }
    return store;
}

} // namespace

int runLobbyService(int& argc, char** argv, const ServiceOptions& options) {
    std::optional<lobbywire::HostPort> redis;
    if (!options.store.isEmpty()) {
        const QString scheme = QStringLiteral("redis://");
        if (options.store.startsWith(scheme))
            redis = lobbywire::parseHostPort(options.store.mid(scheme.size()), kRedisPort);
        if (!redis) {
            serverlog::writeLine(stderr,
                                 QStringLiteral("error: a store is given as redis://HOST:PORT, not "
                                                "\"%1\"")
                                     .arg(options.store));
            return 2;
        }
    }
    HeadlessApplication app(argc, argv, QStringLiteral("Kestrun Lobby"));
    ConnectionCaps caps;
    caps.total = raiseOpenFiles();

    std::unique_ptr<ServiceStore> store;
    RedisStore* redisStore = nullptr;
    if (redis) {
        std::unique_ptr<RedisStore> shared = connectRedis(*redis);
        if (!shared)
            return 1;
        redisStore = shared.get();
        store = std::move(shared);
    } else {
        store = std::make_unique<MemoryStore>();
    }

    try {
        ServiceServer server(*store, caps);
        server.log = logLine;
        server.setRelayAddress(options.relayHost, options.relayPort);
        if (!server.listen(options.port)) {
            serverlog::writeLine(stderr, QStringLiteral("error: cannot listen on port %1: %2")
                                             .arg(options.port)
                                             .arg(server.errorString()));
            return 1;
        }
        logLine(QStringLiteral("listening on port %1, store %2, up to %3 connections")
                    .arg(server.port())
                    .arg(store->describe())
                    .arg(caps.total));

        TerminationWatch termination;
        termination.install();
        QElapsedTimer stopping;
        QTimer stopCheck;
        stopCheck.setInterval(50);
        QObject::connect(&stopCheck, &QTimer::timeout, &app, [&] {
            const bool storeDone = !redisStore || redisStore->pending() == 0;
            if ((storeDone && server.lingering() == 0) || stopping.elapsed() >= kStopWaitMs)
                QCoreApplication::quit();
        });
        QObject::connect(&termination, &TerminationWatch::terminationRequested, &app,
                         [&](int number) {
                             if (stopping.isValid())
                                 return;
                             logLine(QStringLiteral("stopping on signal %1").arg(number));
                             // Everybody is told, every table of this instance
                             // leaves the directory at once.
                             server.stop();
                             stopping.start();
                             stopCheck.start();
                         });
        const int code = app.exec();
        logLine(QStringLiteral("stopped"));
        return code;
    } catch (const std::exception& e) {
        serverlog::writeLine(stderr, QStringLiteral("error: ") + QString::fromLocal8Bit(e.what()));
        return 1;
    }
}
