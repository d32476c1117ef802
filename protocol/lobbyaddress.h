// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Addresses and service names as the lobby's lines and command lines carry
// them, checked without a network library.

#include <QList>
#include <QString>

#include <optional>

namespace lobbywire {

// An IPv4 address in dotted decimal or an IPv6 address in its text form
// (RFC 4291: groups of hexadecimal digits, one "::", an IPv4 tail); no zone.
bool isIpAddress(const QString& text);

// A port number of at most five digits, 1 to 65535; nothing for any other
// text (signs, blanks, letters).
std::optional<quint16> parsePort(const QString& text);

// "HOST", "HOST:PORT", "[IPV6]" or "[IPV6]:PORT": a host name or address and
// a port (`defaultPort` when none is given). Nothing for an empty host, a
// port that is not 1 to 65535, or an IPv6 address without its brackets and a
// port.
struct HostPort {
    QString host;
    quint16 port = 0;
    friend bool operator==(const HostPort&, const HostPort&) = default;
};
std::optional<HostPort> parseHostPort(const QString& text, quint16 defaultPort);
// The text form parseHostPort reads back: IPv6 addresses in brackets.
QString hostPortText(const HostPort& hp);
// "HOST[:PORT],HOST[:PORT],...": the instances of one service, each as
// parseHostPort reads it (blanks around each are allowed); nothing when any
// is bad or there is none.
std::optional<QList<HostPort>> parseHostPortList(const QString& text, quint16 defaultPort);

} // namespace lobbywire
