// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The two small meters the service's limits are made of. Both take the time
// as milliseconds of a monotonic clock from their caller, so tests drive them
// by hand, and both cost a few bytes while unused.

#include <QtGlobal>

#include <vector>

// A sustained rate with a burst allowance (the generic cell rate algorithm):
// `burst` events at once, then one every `intervalMs`. Exact in integers: no
// rounding lets a steady sender gain or lose time.
class RateMeter {
public:
    // Counts the event at `now`; false when it is over the rate (and then it
    // does not count).
    bool take(int burst, qint64 intervalMs, qint64 now) {
        const qint64 due = m_due > now ? m_due : now;
        if (due - now > qint64(burst - 1) * intervalMs)
            return false;
        m_due = due + intervalMs;
        return true;
    }

private:
    qint64 m_due = 0; // when the next event would be on time
};

// At most `limit` events within any `windowMs`: it keeps the times of the
// last `limit` events, allocated on the first.
class EventWindow {
public:
    // Counts the event at `now`; false when `limit` events already fell within
    // the window before it (and then it does not count).
    bool admit(int limit, qint64 windowMs, qint64 now) {
        if (m_times.size() < size_t(limit)) {
            m_times.push_back(now);
            return true;
        }
        qint64& oldest = m_times[m_next];
        if (now - oldest < windowMs)
            return false;
        oldest = now;
        m_next = (m_next + 1) % m_times.size();
        return true;
    }
    // Nothing within the window any more: the record may be forgotten.
    bool idle(qint64 windowMs, qint64 now) const {
        for (qint64 t : m_times)
            if (now - t < windowMs)
                return false;
        return true;
    }

private:
    std::vector<qint64> m_times; // a ring, oldest at m_next once full
    size_t m_next = 0;
};
