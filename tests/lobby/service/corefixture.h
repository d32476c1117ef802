// SPDX-License-Identifier: GPL-3.0-or-later
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
#include <vector>

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

    struct Joined {
        ConnectionId a = 0, b = 0;
        QByteArray toA, toB;
    };
    std::vector<Joined> joins;
    struct Probe {
        ConnectionId host = 0;
        QString address;
        quint16 port = 0;
        QString nonce;
    };
    std::vector<Probe> probes;
    void join(ConnectionId a, ConnectionId b, const QByteArray& toA,
              const QByteArray& toB) override {
        joins.push_back({a, b, toA, toB});
    }
    void probe(ConnectionId host, const QString& address, quint16 port,
               const QString& nonce) override {
        probes.push_back({host, address, port, nonce});
    }
    QString localAddress(ConnectionId) const override { return QStringLiteral("192.0.2.100"); }

    // Everything sent to the connection since the last call.
    QByteArray take(ConnectionId id) { return std::exchange(sent[id], {}); }
};

struct CoreFixture {
    RecordingTransport transport;
    MemoryStore store;
    qint64 clock = 1'000'000;
    int codes = 0;
    int secrets = 0;
    QList<ServiceEvent> events;
    ServiceCore core;

    explicit CoreFixture(ConnectionCaps caps = {}) : core(transport, store, caps) {
        core.setClock([this] { return clock; });
        core.onEvent = [this](const ServiceEvent& e) { events.append(e); };
        // +AAAA-AAA2, +AAAA-AAA3, ...: predictable, and valid codes.
        store.generateCode = [this] {
            return QStringLiteral("+AAAA-AAA") + QChar(u'2' + codes++ % 8);
        };
        // Keys Key00000000000000000001, ...; tests of the relay and of the
        // test from outside turn the latter on.
        core.setSecrets(
            [this] { return QStringLiteral("Key%1").arg(++secrets, 21, 10, QChar(u'0')); });
        core.setProbing(false);
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
