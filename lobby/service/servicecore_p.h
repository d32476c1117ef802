// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the parts of ServiceCore (servicecore.cpp, servicerequests.cpp,
// servicefeeds.cpp) share and nobody else needs.

#include "servicecore.h"

// One entry into the core from outside: the connections doomed meanwhile are
// let go when the outermost entry ends.
class ServiceCore::Entry {
public:
    explicit Entry(ServiceCore& core) : m_core(core) { ++m_core.m_depth; }
    ~Entry() {
        if (--m_core.m_depth == 0)
            m_core.settle();
    }
    Entry(const Entry&) = delete;
    Entry& operator=(const Entry&) = delete;

private:
    ServiceCore& m_core;
};

// The table a connection registered, as it last told it, and its test from
// outside.
struct ServiceCore::Hosted {
    TableRecord table;
    QString nonce;        // of the test under way; empty when none is
    qint64 probedAt = 0;  // when PROBE went out
    bool testing = false; // ARMED came: the transport is testing
    EventWindow probes;   // tests asked for by PORT
};

// A player at the relay, waiting for its table's host: the game's bytes it
// sent after RELAY wait here.
struct RelayWait {
    QString ticket;
    QByteArray early;
};

// Kept small: a busy lobby holds many thousands. Most connections never host,
// guess codes or wait for the store, and those parts cost nothing until used.
struct ServiceCore::Connection {
    QString address; // shared with its record in m_addresses
    QString name;
    qint64 openedAt = 0;
    qint64 heardAt = 0; // its last line
    bool welcomed = false;
    bool waiting = false;  // a store answer is due; later lines are held
    bool handling = false; // its lines are being handled now
    bool doomed = false;
    DropReason reason = DropReason::Ended;
    QByteArray buffer;      // bytes after its last complete line
    QList<QByteArray> held; // complete lines not handled yet
    std::unique_ptr<Hosted> hosted;
    std::unique_ptr<RelayWait> relay;
    RateMeter lines;
    RateMeter refusals;
    RateMeter strikes;
    EventWindow chat;
    EventWindow unknowns;
    quint64 chatFrom = 0; // the first chat news it has not had in its ENTER answer
};

inline ServiceEvent makeEvent(ServiceEvent::Kind kind, const QString& address,
                              DropReason reason = DropReason::Ended) {
    ServiceEvent e;
    e.kind = kind;
    e.address = address;
    e.reason = reason;
    return e;
}

// The BYE line for a reason; empty for the reasons that get none.
QByteArray byeFor(DropReason reason);
// Whether the reason refuses the address new connections for a while.
bool barsAddress(DropReason reason);
