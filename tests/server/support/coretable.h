// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The server core over a transport that only records what it is asked, on a
// clock the test sets: the core's rules without a socket. The transport can
// refuse sends to chosen connections; a close it is asked for is never
// reported back unless the test does it.

#include "messages.h"
#include "protocol.h"
#include "servercore.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

class RecordingTransport : public ServerTransport {
public:
    std::map<ConnectionId, QList<QByteArray>> received; // cut, per connection
    QList<ConnectionId> closes;
    std::set<ConnectionId> refusing;

    bool send(ConnectionId id, const QByteArray& bytes) override {
        if (refusing.count(id) != 0)
            return false;
        QByteArray buffer = bytes;
        wire::cutMessages(buffer, received[id]);
        return true;
    }
    void close(ConnectionId id) override { closes.append(id); }
    qsizetype unsent(ConnectionId) const override { return 0; }
};

struct CoreTable {
    RecordingTransport transport;
    ServerCore core{EngineSetup{{"brisk", "last"}, {}, {}, {}, 1}, transport};
    qint64 clock = 1'000'000;

    CoreTable() {
        core.setClock([this] { return clock; });
    }
    // Connection `id` comes in from `address` and logs in as `name`; everything
    // is dispatched.
    void join(ConnectionId id, const QByteArray& name, const QString& address = {}) {
        const int slot = core.opened(id, address);
        ASSERT_NE(slot, 0);
        core.received(id, wire::logininfo(slot, wire::kVersion, name));
        drain();
    }
    void drain() {
        while (core.queued() > 0)
            core.dispatch();
    }
    qsizetype count(ConnectionId id, const QByteArray& message) {
        return transport.received[id].count(message);
    }
};
