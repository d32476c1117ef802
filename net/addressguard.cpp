// SPDX-License-Identifier: GPL-3.0-or-later
#include "addressguard.h"

AddressGuard::Admission AddressGuard::admit(const QString& address, qint64 now) {
    forgetStale(now);
    if (address.isEmpty())
        return Admission::Admitted; // the host did not say: nothing to go by
    Record& r = m_records[address];
    if (r.barredUntil > now)
        return Admission::Barred; // refused attempts do not lengthen the bar
    while (!r.connects.empty() && now - r.connects.front() >= m_limits.windowMs)
        r.connects.pop_front();
    if (int(r.connects.size()) >= m_limits.maxConnects) {
        bar(address, now);
        return Admission::NewlyBarred;
    }
    r.connects.push_back(now);
    return Admission::Admitted;
}

void AddressGuard::refund(const QString& address) {
    const auto it = m_records.find(address);
    if (it != m_records.end() && !it->second.connects.empty())
        it->second.connects.pop_back();
}

void AddressGuard::bar(const QString& address, qint64 now) {
    if (address.isEmpty())
        return;
    Record& r = m_records[address];
    r.barredUntil = now + m_limits.refusalMs;
    r.connects.clear();
}

bool AddressGuard::barred(const QString& address, qint64 now) const {
    const auto it = m_records.find(address);
    return it != m_records.end() && it->second.barredUntil > now;
}

void AddressGuard::forgetStale(qint64 now) {
    const qint64 window = m_limits.windowMs;
    std::erase_if(m_records, [now, window](const auto& entry) {
        const Record& r = entry.second;
        return r.barredUntil <= now && (r.connects.empty() || now - r.connects.back() >= window);
    });
}
