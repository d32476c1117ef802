// SPDX-License-Identifier: GPL-3.0-or-later
// Host and port look-up. Host names are resolved by the name service once per
// process and then served from a cache shared by every instance; only the
// event-loop thread uses it, so it needs no lock.

#include "sysock.h"
#include "tsock.h"

#include <utility>
#include <vector>

namespace {

struct CachedHost {
    QString name;
    std::uint32_t address; // network order
};

std::vector<CachedHost>& hostCache() {
    static std::vector<CachedHost> cache;
    return cache;
}

TSock::HostResolver& hostResolver() {
    static TSock::HostResolver resolver;
    return resolver;
}

std::optional<std::uint32_t> resolveWithNameService(const QString& name) {
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (getaddrinfo(name.toUtf8().constData(), nullptr, &hints, &found) != 0 || !found) {
        return std::nullopt;
    }
    std::optional<std::uint32_t> result;
    for (addrinfo* a = found; a; a = a->ai_next) {
        if (a->ai_family == AF_INET && a->ai_addr) {
            result = reinterpret_cast<const sockaddr_in*>(a->ai_addr)->sin_addr.s_addr;
            break;
        }
    }
    freeaddrinfo(found);
    return result;
}

bool startsWithDigit(const QString& name) {
    return !name.isEmpty() && name.front() >= u'0' && name.front() <= u'9';
}

} // namespace

void TSock::setHostResolver(HostResolver resolver) {
    hostResolver() = std::move(resolver);
}

void TSock::clearHostCache() {
    hostCache().clear();
}

void TSock::startup() {
    sysock::startup();
}

void TSock::cleanup() {
    clearHostCache();
    sysock::cleanup();
}

std::uint32_t TSock::lookupHost(const QString& name) {
    if (name.isEmpty()) {
        return htonl(INADDR_ANY);
    }
    info(TSocketInfo::Lookup, TSockEvent::HostLookup, QStringLiteral("Lookup Of Host ") + name);
    if (startsWithDigit(name)) {
        // A dotted address; never given to the name service.
        return inet_addr(name.toLatin1().constData());
    }
    for (const CachedHost& entry : hostCache()) {
        if (entry.name.compare(name, Qt::CaseInsensitive) == 0) {
            return entry.address;
        }
    }
    const HostResolver& resolver = hostResolver();
    std::optional<std::uint32_t> address = resolver ? resolver(name) : resolveWithNameService(name);
    if (!address) {
        throw ESockException("Host Lookup - Could Not Find Host Entry");
    }
    hostCache().push_back({name, *address});
    return *address;
}

std::uint16_t TSock::lookupPort(const QString& name) {
    info(TSocketInfo::Lookup, TSockEvent::PortLookup, QStringLiteral("Lookup Of Port ") + name);
    if (startsWithDigit(name)) {
        bool ok = false;
        const int value = name.toInt(&ok, 10);
        if (!ok) {
            throw ESockConvertError("'" + name.toStdString() + "' is not a valid integer value");
        }
        return htons(static_cast<std::uint16_t>(value & 0xFFFF));
    }
    const char* protocol = m_socketType == TSocketType::stDatagram ? "udp" : "tcp";
    const servent* entry =
        name.isEmpty() ? nullptr : getservbyname(name.toLatin1().constData(), protocol);
    if (!entry) {
        throw ESockException("Port Lookup - Could Not Find Service Entry");
    }
    // s_port is already in network order.
    return static_cast<std::uint16_t>(entry->s_port);
}
