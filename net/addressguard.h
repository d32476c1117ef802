// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Which addresses may open new connections: those that connect too often, or
// that were disconnected for flooding, are refused for a while (each server
// gives its own numbers: the game's are in serverlimits.h). Time comes in as milliseconds of the
// host's monotonic clock, so tests drive it by hand. The record of an address is forgotten once
// nothing in it matters any more, so many addresses cost little for long.

#include <QString>
#include <QtGlobal>

#include <deque>
#include <map>

class AddressGuard {
public:
    struct Limits {
        int maxConnects = 10;      // admitted connections of one address...
        qint64 windowMs = 10'000;  // ...within this time
        qint64 refusalMs = 60'000; // how long a bar lasts
    };
    explicit AddressGuard(Limits limits) : m_limits(limits) {}

    enum class Admission {
        Admitted,
        NewlyBarred, // over the rate: refused, and the address barred from now
        Barred,      // refused while an earlier bar lasts
    };
    // A new connection from `address` at `now`. A connection that is admitted
    // counts towards the address's rate.
    Admission admit(const QString& address, qint64 now);
    // Takes back the last admitted connection of the address from its rate:
    // one that turned out to be no newcomer (a server's own connection for a
    // player it already admitted).
    void refund(const QString& address);
    // Refuses the address's new connections from `now` for the refusal time.
    void bar(const QString& address, qint64 now);
    bool barred(const QString& address, qint64 now) const;
    // Addresses with a record (for tests of the forgetting).
    qsizetype tracked() const { return qsizetype(m_records.size()); }

private:
    struct Record {
        std::deque<qint64> connects; // admitted connections within the window
        qint64 barredUntil = 0;      // no bar when not after now
    };
    void forgetStale(qint64 now);

    Limits m_limits;
    std::map<QString, Record> m_records;
};
