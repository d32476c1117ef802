#pragma once
// ServiceCore without sockets: a transport that keeps what each connection
// was sent, a clock the test moves, and the in-memory store with codes the
// test can predict.

#include "memorystore.h"
#include "servicecore.h"

#include <QByteArray>
#include <QList>

#include <map>
#include <set>

struct RecordingTransport : ServiceTransport {
    std::map<ConnectionId, QByteArray> sent;
    std::map<ConnectionId, int> writes;
    std::set<ConnectionId> closedIds;
    std::map<ConnectionId, qsizetype> unsentOf; // what each pretends not to have sent

    bool send(ConnectionId id, const QByteArray& bytes) override {
        sent[id] += bytes;
        ++writes[id];
        return true;
    }
    void close(ConnectionId id) override { closedIds.insert(id); }
    qsizetype unsent(ConnectionId id) const override {
        const auto it = unsentOf.find(id);
        return it == unsentOf.end() ? 0 : it->second;
    }

    // Everything sent to the connection since the last call.
    QByteArray take(ConnectionId id) { return std::exchange(sent[id], {}); }
};

struct CoreFixture {
    RecordingTransport transport;
    MemoryStore store;
    qint64 clock = 1'000'000;
    int codes = 0;
    QList<ServiceEvent> events;
    ServiceCore core;

    explicit CoreFixture(ConnectionCaps caps = {}) : core(transport, store, caps) {
        core.setClock([this] { return clock; });
        core.onEvent = [this](const ServiceEvent& e) { events.append(e); };
        // +AAAA-AAA2, +AAAA-AAA3, ...: predictable, and valid codes.
        store.generateCode = [this] {
            return QStringLiteral("+AAAA-AAA") + QChar(u'2' + codes++ % 8);
        };
    }
    // A connection that said HELLO, its WELCOME taken.
    void join(ConnectionId id, const QString& address = QStringLiteral("192.0.2.1")) {
        core.opened(id, address);
        core.received(id, lobbywire::hello("test", "1.0"));
        transport.take(id);
    }
    void line(ConnectionId id, const QByteArray& bytes) { core.received(id, bytes); }
    bool closed(ConnectionId id) const { return transport.closedIds.count(id) != 0; }
};
