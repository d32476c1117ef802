// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One TServer listening on a test port, with raw clients that log in to it.
// The server's timers never run by themselves: pump() turns the event loop
// (socket delivery) and calls the dispatcher's tick directly; a test that
// needs the game's clock calls roundtimerTimer() itself.

#include "rawclient.h"
#include "tserver.h"
#include "version.h"

#include <QTemporaryDir>

#include <functional>
#include <memory>
#include <vector>

class Harness {
public:
    // prepareDir, when given, sees the server's working directory before the
    // server is made.
    explicit Harness(std::uint16_t port, quint32 seed = 12345,
                     const std::function<void(const QString&)>& prepareDir = {});
    ~Harness();

    TServer& server() { return *m_server; }
    std::uint16_t port() const { return m_port; }

    // Turns the event loop, dispatches queued messages and reads every
    // client, until `done` answers true or the time runs out.
    bool pump(const std::function<bool()>& done, int timeoutMs = 5000);
    // Turns the event loop (socket delivery, and the server's own timers when
    // they run) and reads every client, but dispatches nothing by hand.
    bool deliver(const std::function<bool()>& done, int timeoutMs = 5000);
    // Pumps until the queue is empty and nothing moved for a short while.
    void settle(int quietMs = 50);

    // A new connection that has received its number (not logged in), or was
    // refused. Each comes from a loopback address of its own (127.0.0.10 and
    // up), as players on the internet would, unless `source` names one.
    RawClient& connect(int receiveBuffer = 0, std::uint8_t source = 0);
    // A new connection that logged in under `name` and saw its own arrival.
    RawClient& join(const QByteArray& name, const QByteArray& version = wire::kVersion,
                    std::uint8_t source = 0);
    // The dotted loopback address a client of connect() or join() came from.
    static QString addressOf(std::uint8_t source);
    std::uint8_t lastSource() const { return m_lastSource; }
    // The player number a client was given.
    static int numberOf(const RawClient& client);

    std::vector<std::unique_ptr<RawClient>>& clients() { return m_clients; }

private:
    QTemporaryDir m_dir;
    std::unique_ptr<TServer> m_server;
    std::uint16_t m_port;
    std::vector<std::unique_ptr<RawClient>> m_clients;
    std::uint8_t m_nextSource = 10;
    std::uint8_t m_lastSource = 0;
};
