// SPDX-License-Identifier: GPL-3.0-or-later
#include "lobbyaddress.h"

#include <QStringList>

namespace lobbywire {

namespace {

bool isIpv4(const QString& text) {
    const QStringList parts = text.split(u'.');
    if (parts.size() != 4)
        return false;
    for (const QString& p : parts) {
        if (p.isEmpty() || p.size() > 3)
            return false;
        for (QChar c : p)
            if (c < u'0' || c > u'9')
                return false;
        if (p.toInt() > 255)
            return false;
    }
    return true;
}

bool isHexGroup(const QString& g) {
    if (g.isEmpty() || g.size() > 4)
        return false;
    for (QChar c : g)
        if (!((c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F')))
            return false;
    return true;
}

// Groups of one side of "::" (or of the whole address); an IPv4 tail counts
// as two groups and may stand only at the very end.
int countGroups(const QString& side, bool mayEndInIpv4) {
    if (side.isEmpty())
        return 0;
    const QStringList groups = side.split(u':');
    int count = 0;
    for (qsizetype i = 0; i < groups.size(); ++i) {
        const QString& g = groups.at(i);
        if (mayEndInIpv4 && i == groups.size() - 1 && g.contains(u'.')) {
            if (!isIpv4(g))
                return -1;
            count += 2;
        } else if (isHexGroup(g)) {
            ++count;
        } else {
            return -1;
        }
    }
    return count;
}

bool isIpv6(const QString& text) {
    if (text.size() < 2 || text.size() > 45)
        return false;
    const qsizetype gap = text.indexOf(QLatin1String("::"));
    if (gap < 0)
        return countGroups(text, true) == 8;
    if (text.indexOf(QLatin1String("::"), gap + 1) >= 0)
        return false;
    const QString before = text.left(gap);
    const QString after = text.mid(gap + 2);
    const int b = countGroups(before, false);
    const int a = countGroups(after, true);
    return b >= 0 && a >= 0 && b + a <= 7;
}

} // namespace

std::optional<quint16> parsePort(const QString& text) {
    if (text.isEmpty() || text.size() > 5)
        return std::nullopt;
    for (QChar c : text)
        if (c < u'0' || c > u'9')
            return std::nullopt;
    const int n = text.toInt();
    if (n < 1 || n > 65535)
        return std::nullopt;
    return quint16(n);
}

bool isIpAddress(const QString& text) {
    return isIpv4(text) || isIpv6(text);
}

std::optional<HostPort> parseHostPort(const QString& text, quint16 defaultPort) {
    const QString t = text.trimmed();
    QString host;
    QString port;
    if (t.startsWith(u'[')) {
        const qsizetype close = t.indexOf(u']');
        if (close < 0)
            return std::nullopt;
        host = t.mid(1, close - 1);
        if (!isIpv6(host))
            return std::nullopt;
        const QString rest = t.mid(close + 1);
        if (!rest.isEmpty()) {
            if (!rest.startsWith(u':'))
                return std::nullopt;
            port = rest.mid(1);
            if (port.isEmpty())
                return std::nullopt;
        }
    } else if (t.count(u':') > 1) {
        // An IPv6 address alone; with a port it needs its brackets.
        if (!isIpv6(t))
            return std::nullopt;
        host = t;
    } else {
        const qsizetype colon = t.indexOf(u':');
        host = colon < 0 ? t : t.left(colon);
        if (colon >= 0) {
            port = t.mid(colon + 1);
            if (port.isEmpty())
                return std::nullopt;
        }
        for (QChar c : host)
            if (c.isSpace() || c == u'/' || c == u'@')
                return std::nullopt;
    }
    if (host.isEmpty())
        return std::nullopt;
    HostPort hp{host, defaultPort};
    if (!port.isEmpty()) {
        const std::optional<quint16> p = parsePort(port);
        if (!p)
            return std::nullopt;
        hp.port = *p;
    }
    return hp;
}

QString hostPortText(const HostPort& hp) {
    if (hp.host.contains(u':'))
        return QStringLiteral("[%1]:%2").arg(hp.host).arg(hp.port);
    return QStringLiteral("%1:%2").arg(hp.host).arg(hp.port);
}

} // namespace lobbywire

namespace lobbywire {

std::optional<QList<HostPort>> parseHostPortList(const QString& text, quint16 defaultPort) {
    QList<HostPort> list;
    for (const QString& part : text.split(u',')) {
        const std::optional<HostPort> hp = parseHostPort(part.trimmed(), defaultPort);
        if (!hp)
            return std::nullopt;
        list << *hp;
    }
    return list;
}

} // namespace lobbywire
