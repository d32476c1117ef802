// SPDX-License-Identifier: GPL-3.0-or-later
#include "natpmpgateway.h"

#include "sysock.h" // the system's socket headers

#include <QDeadlineTimer>

#include <algorithm>

namespace {

// The router's own answers, as opposed to no answer at all.
bool fromServer(int code) {
    return code == NATPMP_ERR_UNDEFINEDERROR || code == NATPMP_ERR_NOTAUTHORIZED ||
           code == NATPMP_ERR_NETWORKFAILURE || code == NATPMP_ERR_OUTOFRESOURCES ||
           code == NATPMP_ERR_UNSUPPORTEDOPCODE;
}

} // namespace

NatPmpGateway::~NatPmpGateway() {
    if (m_open)
        closenatpmp(&m_natpmp);
}

int NatPmpGateway::await(natpmpresp_t* response) {
    const QDeadlineTimer deadline(m_waitMs);
    for (;;) {
        timeval untilRetry{};
        if (getnatpmprequesttimeout(&m_natpmp, &untilRetry) != 0)
            return NATPMP_ERR_NOPENDINGREQ;
        const qint64 left = deadline.remainingTime();
        const qint64 retryMs = qint64(untilRetry.tv_sec) * 1000 + untilRetry.tv_usec / 1000;
        const qint64 waitMs = std::clamp<qint64>(std::min(left, retryMs), 0, m_waitMs);
        timeval wait{};
        wait.tv_sec = decltype(wait.tv_sec)(waitMs / 1000);
        wait.tv_usec = decltype(wait.tv_usec)(waitMs % 1000 * 1000);
        fd_set readable;
        FD_ZERO(&readable);
        FD_SET(m_natpmp.s, &readable);
        select(int(m_natpmp.s + 1), &readable, nullptr, nullptr, &wait);
        // Reads an answer, or sends the request again when its time came.
        const int code = readnatpmpresponseorretry(&m_natpmp, response);
        if (code != NATPMP_TRYAGAIN)
            return code;
        if (deadline.hasExpired())
            return NATPMP_TRYAGAIN;
    }
}

NatPmpGateway::Outcome NatPmpGateway::map(quint16 internalPort, quint16 suggestedPort,
                                          int leaseSeconds) {
    Outcome outcome;
    outcome.silent = true;
    if (!m_open) {
        if (initnatpmp(&m_natpmp, 0, 0) != 0)
            return outcome; // no default gateway to ask
        m_open = true;
    }
    natpmpresp_t response{};
    if (sendpublicaddressrequest(&m_natpmp) < 0)
        return outcome;
    int code = await(&response);
    if (code == 0 && response.type == NATPMP_RESPTYPE_PUBLICADDRESS) {
        char text[INET_ADDRSTRLEN] = {};
        if (inet_ntop(AF_INET, &response.pnu.publicaddress.addr, text, sizeof text))
            outcome.publicAddress = QString::fromLatin1(text);
    } else if (!fromServer(code)) {
        return outcome; // nothing answers NAT-PMP there
    }
    // A router that answered, even with an error (say, not connected yet),
    // is asked for the mapping: its answer to that is the one that counts.
    outcome.silent = false;
    if (sendnewportmappingrequest(&m_natpmp, NATPMP_PROTOCOL_TCP, internalPort, suggestedPort,
                                  uint32_t(std::max(leaseSeconds, 1))) < 0) {
        outcome.refusal = reason(NATPMP_ERR_SENDERR);
        return outcome;
    }
    response = {};
    code = await(&response);
    if (code != 0 || response.type != NATPMP_RESPTYPE_TCPPORTMAPPING ||
        response.pnu.newportmapping.mappedpublicport == 0) {
        outcome.refusal = reason(code == 0 ? NATPMP_ERR_UNDEFINEDERROR : code);
        return outcome;
    }
    outcome.ok = true;
    outcome.externalPort = response.pnu.newportmapping.mappedpublicport;
    outcome.leaseSeconds = int(std::min<uint32_t>(response.pnu.newportmapping.lifetime, 1u << 30));
    return outcome;
}

bool NatPmpGateway::remove(quint16 internalPort) {
    if (!m_open)
        return false;
    // A lifetime of 0 deletes the mapping of the internal port; the external
    // port is then 0 too.
    if (sendnewportmappingrequest(&m_natpmp, NATPMP_PROTOCOL_TCP, internalPort, 0, 0) < 0)
        return false;
    natpmpresp_t response{};
    return await(&response) == 0;
}

QString NatPmpGateway::reason(int code) {
    switch (code) {
    case NATPMP_ERR_NOTAUTHORIZED:
        return QStringLiteral("not authorized (NAT-PMP)");
    case NATPMP_ERR_NETWORKFAILURE:
        return QStringLiteral("it is not connected to the internet (NAT-PMP)");
    case NATPMP_ERR_OUTOFRESOURCES:
        return QStringLiteral("it has no free ports left (NAT-PMP)");
    case NATPMP_TRYAGAIN:
        return QStringLiteral("it stopped answering (NAT-PMP)");
    default:
        return QStringLiteral("NAT-PMP error %1").arg(code);
    }
}
