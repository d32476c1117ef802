// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Whose process opened a link. Port 9001 on 127.0.0.1 belongs to the whole
// machine: any user's game could connect to our lobby, and a link from
// another user's game must not make our window say "In a game" or come
// forward. On Linux the owner of the peer's socket is in /proc/net/tcp (and
// tcp6 for an IPv4 connection made from an IPv6 socket); on other systems
// nobody is asked and the peer is trusted.

#include <QByteArray>
#include <QtGlobal>

#include <functional>
#include <optional>

namespace linkowner {

// The owner (uid) of the established TCP socket in `procText` (the text of
// /proc/net/tcp or /proc/net/tcp6) whose own port is `localPort` and whose
// peer's port is `remotePort`. Nothing when no such socket is listed, or when
// several are and their owners differ.
std::optional<uint> ownerIn(const QByteArray& procText, quint16 localPort, quint16 remotePort);

// Finds the owner of the socket with these ports from the system.
using Lookup = std::function<std::optional<uint>(quint16 localPort, quint16 remotePort)>;
Lookup systemLookup();
// True where the system can tell a socket's owner.
bool systemKnowsOwners();

// Whether a link accepted by the lobby's port `serverPort` from the peer's
// port `peerPort` comes from a process of `ownUid`: the peer's socket is
// looked up by its ports (local: peerPort, remote: serverPort). Where owners
// can't be known, every link is taken as ours; where they can, a socket that
// can't be found is not.
bool fromOwnUser(quint16 peerPort, quint16 serverPort, const Lookup& lookup, bool ownersKnown,
                 uint ownUid);

} // namespace linkowner
