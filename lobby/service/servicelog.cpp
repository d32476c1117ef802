// SPDX-License-Identifier: GPL-3.0-or-later
#include "servicelog.h"

#include "lobbymessages.h"

namespace servicelog {

namespace {

QString from(const QString& address) {
    return address.isEmpty() ? QStringLiteral("?") : shown(address);
}

QString quoted(const QString& text) {
    return u'"' + shown(text) + u'"';
}

QString why(DropReason reason) {
    switch (reason) {
    case DropReason::Barred:
        return QStringLiteral("connects too often");
    case DropReason::Busy:
        return QStringLiteral("the service is full");
    case DropReason::BusyAddress:
        return QStringLiteral("too many connections from the address");
    case DropReason::Late:
        return QStringLiteral("no HELLO in time");
    case DropReason::Version:
        return QStringLiteral("another protocol version");
    case DropReason::NoHello:
        return QStringLiteral("did not start with HELLO");
    case DropReason::Flooding:
        return QStringLiteral("flooding");
    case DropReason::LongLine:
        return QStringLiteral("line too long");
    case DropReason::BadRequests:
        return QStringLiteral("too many refused requests");
    case DropReason::ChatFlood:
        return QStringLiteral("chat flooding");
    case DropReason::Guessing:
        return QStringLiteral("guessing invite codes");
    case DropReason::Silent:
        return QStringLiteral("table silent");
    case DropReason::Idle:
        return QStringLiteral("silent");
    case DropReason::NotReading:
        return QStringLiteral("not reading");
    case DropReason::Closing:
        return QStringLiteral("service stopping");
    case DropReason::Ended:
        return QStringLiteral("connection ended");
    case DropReason::HostAbsent:
        return QStringLiteral("relay: the table's host did not take the player");
    case DropReason::HostRefused:
        return QStringLiteral("relay: the table's host turned the player away");
    case DropReason::RelayBusy:
        return QStringLiteral("relay: over its limits");
    case DropReason::BadTicket:
        return QStringLiteral("relay: a ticket not good");
    case DropReason::Unknown:
        return QStringLiteral("relay: unknown code");
    case DropReason::NoAddress:
        return QStringLiteral("relay: address not known");
    }
    return {};
}

} // namespace

QString shown(const QString& text) {
    return lobbywire::shownText(text);
}

QString describe(const ServiceEvent& e) {
    const QString barred = QStringLiteral("; address refused for a minute");
    switch (e.kind) {
    case ServiceEvent::Kind::Refused:
        if (e.reason == DropReason::Barred)
            return QStringLiteral("refused: %1 %2%3").arg(from(e.address), why(e.reason), barred);
        if (e.count > 1)
            return QStringLiteral("refused: %1 %2 (%3 refused since the last line)")
                .arg(from(e.address), why(e.reason))
                .arg(e.count);
        return QStringLiteral("refused: %1 %2").arg(from(e.address), why(e.reason));
    case ServiceEvent::Kind::CutOff:
        return QStringLiteral("cut off: %1 %2%3")
            .arg(from(e.address), why(e.reason), e.barred ? barred : QString());
    case ServiceEvent::Kind::TableListed:
        return QStringLiteral("table listed: %1 %2 (%3) at %4 port %5")
            .arg(e.code, quoted(e.tableName), lobbywire::listingWord(e.listing), from(e.address))
            .arg(e.port);
    case ServiceEvent::Kind::TableGone:
        return QStringLiteral("table gone: %1 %2 at %3 (%4)")
            .arg(e.code, quoted(e.tableName), from(e.address),
                 e.unhosted ? QStringLiteral("unhosted") : why(e.reason));
    case ServiceEvent::Kind::TableTested:
        return QStringLiteral("table tested: %1 %2 at %3 port %4: %5 (%6)")
            .arg(e.code, quoted(e.tableName), from(e.address))
            .arg(e.port)
            .arg(e.way == lobbywire::Way::Direct ? QStringLiteral("reached directly")
                                                 : QStringLiteral("to be relayed"),
                 shown(e.text));
    case ServiceEvent::Kind::Relayed:
        return QStringLiteral("relay: %1 joined %2").arg(from(e.address), e.code);
    case ServiceEvent::Kind::RelayEnded:
        return QStringLiteral("relay: %1 left %2").arg(from(e.address), e.code);
    }
    return {};
}

} // namespace servicelog
