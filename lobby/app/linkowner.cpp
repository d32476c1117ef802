// SPDX-License-Identifier: GPL-3.0-or-later
#include "linkowner.h"

#include <QFile>
#include <QList>

namespace linkowner {

namespace {

// "0100007F:2329" or a 32-digit IPv6 address with its port: the port.
std::optional<quint16> portOf(const QByteArray& address) {
    const qsizetype colon = address.lastIndexOf(':');
    if (colon < 0 || address.size() - colon - 1 != 4)
        return std::nullopt;
    bool ok = false;
    const uint port = address.mid(colon + 1).toUInt(&ok, 16);
    if (!ok)
        return std::nullopt;
    return quint16(port);
}

constexpr char kEstablished[] = "01";

} // namespace

std::optional<uint> ownerIn(const QByteArray& procText, quint16 localPort, quint16 remotePort) {
    std::optional<uint> owner;
    const QList<QByteArray> lines = procText.split('\n');
    for (const QByteArray& line : lines) {
        // sl local_address rem_address st tx:rx tr:when retrnsmt uid ...
        const QList<QByteArray> f = line.simplified().split(' ');
        if (f.size() < 8 || f.at(3) != kEstablished)
            continue;
        if (portOf(f.at(1)) != localPort || portOf(f.at(2)) != remotePort)
            continue;
        bool ok = false;
        const uint uid = f.at(7).toUInt(&ok);
        if (!ok)
            continue;
        if (owner && *owner != uid)
            return std::nullopt;
        owner = uid;
    }
    return owner;
}

bool systemKnowsOwners() {
#if defined(Q_OS_LINUX)
    return true;
#else
    return false;
#endif
}

Lookup systemLookup() {
    return [](quint16 localPort, quint16 remotePort) -> std::optional<uint> {
        QByteArray text;
        for (const char* path : {"/proc/net/tcp", "/proc/net/tcp6"}) {
            QFile file(QString::fromLatin1(path));
            if (file.open(QIODevice::ReadOnly))
                text += file.readAll() + '\n';
        }
        return ownerIn(text, localPort, remotePort);
    };
}

bool fromOwnUser(quint16 peerPort, quint16 serverPort, const Lookup& lookup, bool ownersKnown,
                 uint ownUid) {
    if (!ownersKnown)
        return true;
    const std::optional<uint> owner = lookup(peerPort, serverPort);
    return owner && *owner == ownUid;
}

} // namespace linkowner
